#pragma once

#include <functional>
#include <optional>
#include <string>

// What every export and sequence command shares: the save dialog it asks
// for its target with, and how it ended.
namespace tarvo {

// The save dialog of a command. The window shows it (with an overwrite
// prompt); tarvo-cli answers it with its -o and reports the title.
struct SaveDialogDescription {
  std::string title;         // "Usual Res2dInv format", "Output for SensInv2D", ...
  std::string proposedName;  // the file proposed to the operator
  std::string filter;        // "Description|*.ext|Other|*.x"
  std::string defaultExt;    // "DAT", "gem", ".txt" (a leading dot is dropped by the dialog)
};

// Asks where to write; nothing means the dialog was cancelled.
using TargetChooser = std::function<std::optional<std::string>(const SaveDialogDescription&)>;

enum class SaveOutcome {
  Written,    // the file (or every file of the set) was written
  Cancelled,  // the dialog was cancelled; nothing written
  Refused,    // the data do not suit the command; the operator has been told, or the command does not apply
  Failed,     // a file could not be written; the operator has been told
};

}  // namespace tarvo
