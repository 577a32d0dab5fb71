#pragma once

#include <QString>

#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"

namespace tarvo::gui::test {

// Opens an example file through the main window's Open command, the dialog
// answering with that file and the given filter index.
inline void OpenExample(TMain& window, const char* example, int filter) {
  const QString file = QStringLiteral(TARVO_EXAMPLES_DIR "/") + QLatin1String(example);
  window.SetFileDialog([file, filter](const OpenDialogSetup&) {
    return std::optional<OpenDialogChoice>(OpenDialogChoice{{file}, filter, false});
  });
  window.OpenBtnClick();
}

}  // namespace tarvo::gui::test
