#pragma once

#include <QString>

#include <functional>
#include <optional>

#include "engine/core/save_dialog.h"

class QWidget;

namespace tarvo::gui {

class TMain;

// The save dialog of an export: title, proposed file (directory and name),
// filter in the program's "Description|*.ext|..." form and the default
// extension. Nothing when cancelled. Tests put their own choice in.
struct SaveDialogSetup {
  QString title;
  QString proposedFile;
  QString filter;
  QString defaultExtension;
};
using SaveDialog = std::function<std::optional<QString>(const SaveDialogSetup&)>;

// The dialog an engine command describes, as the window shows it.
SaveDialogSetup SaveDialogSetupOf(const SaveDialogDescription& description);

// The save dialog of the program: a QFileDialog with an overwrite prompt.
SaveDialog DefaultSaveDialog(QWidget* parent);

// Gives the Converter menu's export commands (Res2dInv usual and general,
// Time-Lapse, Sondo, SensInv2d, Res2dmod(txt)) their work in the main
// window. Each asks for its target with `dialog` (a QFileDialog with an
// overwrite prompt when empty) and reports through the window's messenger.
void AttachConverterCommands(TMain& main, SaveDialog dialog = {});

// "Description|*.ext|Other|*.x" as a Qt filter list "Description (*.ext);;Other (*.x)".
QString QtFilter(const QString& programFilter);

}  // namespace tarvo::gui
