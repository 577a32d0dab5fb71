#pragma once

#include <QApplication>

namespace tarvo::gui {

// The wait cursor for as long as a read, an export or a sequence command
// goes on, restored on every path out of the scope (a dialog or message box
// asked meanwhile shows the arrow: ArrowCursorWhileAsking).
class WaitCursor {
public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace tarvo::gui
