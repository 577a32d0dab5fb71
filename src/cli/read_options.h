#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_io.h"
#include "engine/core/dataset.h"
#include "engine/import/open_command.h"

namespace tarvo::cli {

// The options with which the commands read their files, as the Open and
// Append commands of the main window would.
struct ReadOptions {
  std::vector<std::string> files;     // read as one Open
  std::vector<std::string> appended;  // read as one Append after them (--append FILE...)
  std::string type;                   // --type: the reader; by default the file's name or first line decides
  std::string sequence;               // --sequence: the second file a reader may ask for
  std::string missing = "abort";      // --missing abort|ignore: answer to the readers' Abort/Ignore questions
  bool readOnly = false;              // --read-only: the open dialog's read-only box
  bool appending = false;             // while parsing: file arguments now go to `appended`
};

enum class ArgUse {
  Taken,    // a reading option or a file; i points at its last argument
  NotMine,  // an option the command handles itself
  Failed,   // a reading option without a usable value; the reason is printed
};

// Takes argument args[i] (with its value) when it is a reading option or a
// file name. `command` names the command in messages.
ArgUse TakeReadOption(const std::vector<std::string>& args, std::size_t& i, ReadOptions& o,
                      std::string_view command);

// After parsing: false, with the reason printed, when no file was given.
bool CheckReadOptions(const ReadOptions& o, std::string_view command);

// Reads the files, then the appended files, into `ds`. False when nothing
// was read; the reason has been printed (by the readers or here). When data
// were read but a reader reported an error (the data it kept are partial),
// messenger.readWithErrors is set.
bool ReadFiles(const ReadOptions& o, const std::string& programDir, std::string_view command, TDataset& ds,
               OpenCommandState& state, OpenResult& result, StderrMessenger& messenger);

}  // namespace tarvo::cli
