#pragma once

#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "engine/core/messenger.h"
#include "engine/import/read_environment.h"

namespace tarvo::cli {

// Writes the engine's messages to standard error and answers its questions
// from the command line's choices.
class StderrMessenger final : public Messenger {
public:
  Reply abortOrIgnore = Reply::Abort;  // --missing abort|ignore
  Reply yesOrNo = Reply::No;
  int errors = 0;
  bool readWithErrors = false;  // the files were read with an error message, their data kept

  Reply Show(MessageKind kind, std::string_view text, Buttons buttons) override {
    const char* prefix = kind == MessageKind::Error ? "error: " : kind == MessageKind::Warning ? "warning: " : "";
    std::string body(text);
    for (std::size_t at = body.find("\r\n"); at != std::string::npos; at = body.find("\r\n", at)) {
      body.replace(at, 2, "\n  ");
    }
    std::cerr << "tarvo-cli: " << prefix << body << '\n';
    if (kind == MessageKind::Error) ++errors;
    switch (buttons) {
      case Buttons::YesNo:
        std::cerr << "  (answered " << (yesOrNo == Reply::Yes ? "Yes" : "No") << ")\n";
        return yesOrNo;
      case Buttons::AbortIgnore:
        std::cerr << "  (answered " << (abortOrIgnore == Reply::Abort ? "Abort" : "Ignore") << ")\n";
        return abortOrIgnore;
      case Buttons::Ok: break;
    }
    return Reply::Ok;
  }
};

// Exit status of a command that did its work on data whose read reported an
// error but kept what it could (a file cut short, data beyond a capacity).
inline constexpr int ExitReadWithErrors = 3;

// The exit status of a command that did its work: 0, or ExitReadWithErrors
// when its data were read with errors.
inline int SucceededStatus(const StderrMessenger& messenger) {
  return messenger.readWithErrors ? ExitReadWithErrors : 0;
}

// Answers a reader's request for a second file with the file named on the
// command line (--sequence), or cancels.
class FixedFileChooser final : public FileChooser {
public:
  std::optional<std::string> file;
  std::optional<std::string> ChooseFileToOpen(std::string_view title, std::string_view) override {
    if (!file) std::cerr << "tarvo-cli: " << title << ": no file given (use --sequence FILE)\n";
    return file;
  }
};

}  // namespace tarvo::cli
