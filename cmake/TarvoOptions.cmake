# One interface target carries the language standard, the warnings and the
# sanitizer flags; every Tarvo target links it.
add_library(tarvo_options INTERFACE)
target_compile_features(tarvo_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

target_compile_options(tarvo_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough
  -Wmisleading-indentation -Wundef
  $<$<CXX_COMPILER_ID:GNU>:-Wduplicated-cond -Wlogical-op>)

# GCC 12 reports false -Wrestrict warnings on "literal" + std::string in
# optimised builds, a known fault of that release; other compilers keep the check.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(tarvo_options INTERFACE -Wno-restrict)
endif()

if(TARVO_WERROR)
  target_compile_options(tarvo_options INTERFACE -Werror)
endif()

if(TARVO_SANITIZE)
  target_compile_options(tarvo_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(tarvo_options INTERFACE -fsanitize=address,undefined)
endif()

if(TARVO_FUZZ)
  target_compile_options(tarvo_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(tarvo_options INTERFACE -fsanitize=address,undefined)
endif()
