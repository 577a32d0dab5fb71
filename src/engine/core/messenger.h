#pragma once

#include <string>
#include <string_view>
#include <vector>

// The one way the engine talks to the operator: a message with an icon kind
// and a button set, answered with the button pressed. The GUI shows message
// boxes, tarvo-cli writes to standard error and answers from its options, and
// tests record what was said.
namespace tarvo {

// Plain: a message box without an icon, for the messages the program only
// tells (a file of the wrong kind), neither errors nor warnings.
enum class MessageKind { Error, Warning, Information, Plain };
enum class Buttons { Ok, YesNo, AbortIgnore };
enum class Reply { Ok, Yes, No, Abort, Ignore };

class Messenger {
public:
  virtual ~Messenger() = default;

  virtual Reply Show(MessageKind kind, std::string_view text, Buttons buttons) = 0;

  void Error(std::string_view text) { Show(MessageKind::Error, text, Buttons::Ok); }
  void Warning(std::string_view text) { Show(MessageKind::Warning, text, Buttons::Ok); }
  void Information(std::string_view text) { Show(MessageKind::Information, text, Buttons::Ok); }
  void Plain(std::string_view text) { Show(MessageKind::Plain, text, Buttons::Ok); }
  bool AskYesNo(MessageKind kind, std::string_view text) {
    return Show(kind, text, Buttons::YesNo) == Reply::Yes;
  }
  bool AskAbort(MessageKind kind, std::string_view text) {
    return Show(kind, text, Buttons::AbortIgnore) == Reply::Abort;
  }
};

// Shows nothing and answers every question with the first button: for work
// whose messages another step gives again.
class SilentMessenger final : public Messenger {
public:
  Reply Show(MessageKind, std::string_view, Buttons buttons) override {
    switch (buttons) {
      case Buttons::YesNo: return Reply::Yes;
      case Buttons::AbortIgnore: return Reply::Abort;
      case Buttons::Ok: break;
    }
    return Reply::Ok;
  }
};

// Keeps every message and answers questions from a script of replies (the
// first button of the set once the script is used up). For tests.
class RecordingMessenger final : public Messenger {
public:
  struct Entry {
    MessageKind kind;
    std::string text;
    Buttons buttons;
  };

  std::vector<Entry> entries;
  std::vector<Reply> replies;  // consumed front to back

  Reply Show(MessageKind kind, std::string_view text, Buttons buttons) override {
    entries.push_back({kind, std::string(text), buttons});
    if (next_ < replies.size()) return replies[next_++];
    switch (buttons) {
      case Buttons::YesNo: return Reply::Yes;
      case Buttons::AbortIgnore: return Reply::Abort;
      case Buttons::Ok: break;
    }
    return Reply::Ok;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& e : entries) t.push_back(e.text);
    return t;
  }

private:
  std::size_t next_ = 0;
};

}  // namespace tarvo
