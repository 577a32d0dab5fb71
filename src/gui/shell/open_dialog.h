#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "engine/import/open_command.h"
#include "engine/import/read_environment.h"

class QWidget;

namespace tarvo::gui {

// What the open dialog starts with.
struct OpenDialogSetup {
  QString title;               // "Open" or "Append"
  QString directory;           // initial directory
  QStringList filters;         // the file-type filters, in the order of their indices
  int filterIndex = DefaultFilterIndex;  // 1-based
  bool readOnly = false;       // the read-only box starts checked
};

// What the operator chose in it.
struct OpenDialogChoice {
  QStringList files;           // in the dialog's order
  int filterIndex = DefaultFilterIndex;
  bool readOnly = false;       // the "Open as read-only" box
};

// The dialog's filter texts, "SysCal sequences (*.seq)" ..., with the
// remembered Res2dInv extension.
QStringList OpenFilterTexts(const OpenCommandState& state);

// The entry behind the file types that shows every file: "All files (*)".
QString AllFilesFilterText();

// The reader's filter index for the dialog's chosen entry: a file type of
// the table, or, for "All files" (or anything beyond the table), the type
// chosen before.
int ReaderFilterIndex(int chosen, int before);

// The open dialog: several existing files of one type. The platform's own
// dialog where it has one; Qt's dialog otherwise, which also carries the
// read-only box. Nothing when it is cancelled.
std::optional<OpenDialogChoice> RunOpenDialog(QWidget* parent, const OpenDialogSetup& setup);

// Asks for a second file a reader needs (the Syscal-Pro reader's original
// sequence) with an open dialog.
class DialogFileChooser final : public FileChooser {
public:
  explicit DialogFileChooser(QWidget* parent) : parent_(parent) {}
  std::optional<std::string> ChooseFileToOpen(std::string_view title, std::string_view filter) override;

  QString directory;  // where the dialog starts

private:
  QWidget* parent_;
};

// Local file names as the engine takes them, and back.
std::string ToEnginePath(const QString& path);
QString FromEnginePath(const std::string& path);

// Shows the arrow cursor while a dialog or message box is up during a read
// that shows the wait cursor.
class ArrowCursorWhileAsking {
public:
  ArrowCursorWhileAsking();
  ~ArrowCursorWhileAsking();
  ArrowCursorWhileAsking(const ArrowCursorWhileAsking&) = delete;
  ArrowCursorWhileAsking& operator=(const ArrowCursorWhileAsking&) = delete;

private:
  bool pushed_ = false;
};

}  // namespace tarvo::gui
