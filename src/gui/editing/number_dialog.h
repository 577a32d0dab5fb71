#pragma once

#include <QDialog>
#include <QStringList>

#include "engine/import/read_environment.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tarvo::gui {

// The number dialog: one whole number from 0 to a maximum chosen with an
// up-down, optionally with lines of text above the buttons (the table of an
// inversion's iterations). Created once and reused.
class TOKBottomDlg : public QDialog {
  Q_OBJECT
public:
  explicit TOKBottomDlg(QWidget* parent = nullptr);

  // Shows the dialog modally: the memo when showMemo (with the lines the
  // caller left in it), the label `text`, the up-down at value with the
  // given maximum and step. Returns the chosen number, 0 when cancelled.
  int AskNumber(int value, int maximum, bool showMemo, const QString& text, int step);

  QLabel* Label1() const { return label_; }
  QSpinBox* UpDown() const { return upDown_; }
  QPlainTextEdit* Memo1() const { return memo_; }
  QPushButton* OKBtn() const { return ok_; }
  QPushButton* CancelBtn() const { return cancel_; }

private:
  QLabel* label_ = nullptr;
  QSpinBox* upDown_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// The engine's number questions answered by the dialog.
class DialogNumberAsker final : public NumberAsker {
public:
  explicit DialogNumberAsker(TOKBottomDlg& dialog) : dialog_(dialog) {}
  int AskNumber(const NumberQuestion& question) override;

private:
  TOKBottomDlg& dialog_;
};

}  // namespace tarvo::gui
