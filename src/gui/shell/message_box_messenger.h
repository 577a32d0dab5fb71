#pragma once

#include "engine/core/messenger.h"

class QWidget;

namespace tarvo::gui {

// Shows the engine's messages to the operator as modal message boxes.
class MessageBoxMessenger final : public Messenger {
public:
  explicit MessageBoxMessenger(QWidget* parent) : parent_(parent) {}
  Reply Show(MessageKind kind, std::string_view text, Buttons buttons) override;

private:
  QWidget* parent_;
};

}  // namespace tarvo::gui
