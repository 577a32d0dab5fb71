#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/core/messenger.h"

// What a reader needs besides the dataset: the operator to talk to, the
// sequence template of the program directory, and a way to ask for a second
// file where a format needs one.
namespace tarvo {

// Asks the operator to choose an existing file. The GUI shows an open
// dialog; tarvo-cli answers from its command line.
class FileChooser {
public:
  virtual ~FileChooser() = default;
  // filter is a list such as "ElectreII sequence (*.txt)"; nothing = cancelled.
  virtual std::optional<std::string> ChooseFileToOpen(std::string_view title, std::string_view filter) = 0;
};

// What the instrument reader reads a file as: by the last letter of its name
// (the open dialog's Syscal and ABEM types), or as the format named.
enum class InstrumentFormat { ByName, Syscal, AbemAmp, AbemProtocol };

struct ReadEnvironment {
  Messenger& messenger;
  std::string templatePath;        // full path of the sequence template tarvo.bin
  FileChooser* chooser = nullptr;  // none: a second file cannot be asked for
};

}  // namespace tarvo
