#pragma once

#include <QDialog>

#include "engine/sequences/abem_protocol_writer.h"

class QButtonGroup;

namespace tarvo::gui {

// "Long or short": the cable layout of a Lund protocol, Short32 or Long32.
// The dialog has only OK; the layout preset is what it starts with.
class TShortLongDlg : public QDialog {
  Q_OBJECT
public:
  explicit TShortLongDlg(QWidget* parent = nullptr);

  void SetLayout(CableLayout layout);
  CableLayout Layout() const;

  // Shows the dialog modally with `preset` checked and returns the choice.
  static CableLayout Choose(CableLayout preset, QWidget* parent);

private:
  QButtonGroup* shortLongGroup_ = nullptr;
};

}  // namespace tarvo::gui
