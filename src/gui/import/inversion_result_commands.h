#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tarvo {
class NumberAsker;
}

namespace tarvo::gui {

class TMain;
class TTableForm;

// Chooses the inversion result to read ("Inversion result|*.inv" in the open
// dialog's directory); nothing when cancelled. Tests put their own in.
using ResultFileDialog = std::function<std::optional<QString>(const QString& directory)>;

// Gives the File menu's "INV result" (Ctrl+Alt+I; its menu item is hidden)
// and "Synthetic curves" their work: the first reads the model of a result
// file for the loaded line, the second replaces the apparent resistivities
// by those the result of the opened file calculated. The number dialog
// answers through `numbers`, also when the Open command reads a result.
void AttachInversionResultCommands(TMain& main, TTableForm& table, NumberAsker& numbers,
                                   ResultFileDialog dialog = {});

}  // namespace tarvo::gui
