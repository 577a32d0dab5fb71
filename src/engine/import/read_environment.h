#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// What the number dialog asks: one whole number from 0 to a maximum, with
// an up-down of the given step, optionally with lines of text to read.
struct NumberQuestion {
  enum class Topic { Iteration, NoiseLevel };
  Topic topic = Topic::Iteration;
  int value = 0;                  // shown first
  int maximum = 0;
  bool showMemo = false;
  std::vector<std::string> memo;  // lines shown above the buttons when showMemo
  std::string text;               // the label
  int step = 1;
};

// Asks the operator for a number. The GUI shows the number dialog; tarvo-cli
// answers from its command line.
class NumberAsker {
public:
  virtual ~NumberAsker() = default;
  // The chosen number; 0 when the operator cancels.
  virtual int AskNumber(const NumberQuestion& question) = 0;
};

struct ReadEnvironment {
  Messenger& messenger;
  std::string templatePath;        // full path of the sequence template tarvo.bin
  FileChooser* chooser = nullptr;  // none: a second file cannot be asked for
  NumberAsker* numbers = nullptr;  // none: every number question takes the value it shows first
};

}  // namespace tarvo
