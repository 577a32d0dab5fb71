# Every export format over every example file: the bytes of each file
# written, what tarvo-cli printed and its exit status, against the table in
# tests/golden/exports.txt. With -DUPDATE=ON the table is written anew
# (after a deliberate change of a writer's output).
#   cmake -DCLI=... -DEXAMPLES=... -DTABLE=... -DOUT=... [-DUPDATE=ON] -P check_exports.cmake
# The policies of the project's CMake version (IN_LIST in the report below).
cmake_minimum_required(VERSION 3.25)
# Paths may be given relative to the folder the script is run from; the runs
# below work in folders of their own.
foreach(path IN ITEMS CLI EXAMPLES TABLE OUT)
  get_filename_component(${path} "${${path}}" ABSOLUTE)
endforeach()
set(targets res2dinv:dat res2dinv-general:dat res2dinv-timelapse:dat sondo:dtg sensinv2d:gem
            res2dmod:txt syscal-seq:seq electre2-seq:txt abem-org:org)
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
file(GLOB examples RELATIVE "${EXAMPLES}" "${EXAMPLES}/*")
list(SORT examples)
set(rows "")
foreach(example IN LISTS examples)
  foreach(entry IN LISTS targets)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 target)
    list(GET parts 1 ext)
    # Each run in a folder of its own with a copy of its input, so that the
    # messages name the same relative paths wherever the tree lies.
    set(dir "${OUT}/${example}-${target}")
    file(MAKE_DIRECTORY "${dir}")
    file(COPY "${EXAMPLES}/${example}" DESTINATION "${dir}")
    # The Syscal-Pro export reads its sequence from a second file.
    set(extra "")
    if(example STREQUAL "dipole32_ip.txt")
      set(extra --type prosys)
    endif()
    execute_process(COMMAND "${CLI}" convert "${example}" ${extra} --to ${target} -o out.${ext}
                    WORKING_DIRECTORY "${dir}" RESULT_VARIABLE status
                    OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
    string(SHA256 printed "${stdout}|${stderr}")
    string(SUBSTRING "${printed}" 0 16 printed)
    set(row "${example} ${target} exit=${status} printed=${printed}")
    file(GLOB written RELATIVE "${dir}" "${dir}/out*")
    list(SORT written)
    foreach(f IN LISTS written)
      file(SHA256 "${dir}/${f}" hash)
      string(SUBSTRING "${hash}" 0 16 hash)
      string(APPEND row " ${f}=${hash}")
    endforeach()
    string(APPEND rows "${row}\n")
  endforeach()
endforeach()
if(UPDATE)
  file(WRITE "${TABLE}" "${rows}")
  message(STATUS "wrote ${TABLE}")
  return()
endif()
file(READ "${TABLE}" expected)
if(NOT rows STREQUAL expected)
  file(WRITE "${OUT}/exports.txt" "${rows}")
  string(REPLACE "\n" ";" want "${expected}")
  string(REPLACE "\n" ";" got "${rows}")
  set(report "")
  foreach(line IN LISTS got)
    if(NOT line IN_LIST want)
      string(APPEND report "  now:    ${line}\n")
    endif()
  endforeach()
  foreach(line IN LISTS want)
    if(NOT line IN_LIST got)
      string(APPEND report "  before: ${line}\n")
    endif()
  endforeach()
  message(FATAL_ERROR "Exports differ from tests/golden/exports.txt (all rows: ${OUT}/exports.txt):\n${report}")
endif()
message(STATUS "every export of the examples is as recorded")
