#include "gui/editing/number_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/shell/open_dialog.h"

namespace tarvo::gui {

TOKBottomDlg::TOKBottomDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TOKBottomDlg"));
  setWindowTitle(tr("Dialog"));
  resize(325, 219);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  auto* column = new QVBoxLayout(panel);
  label_ = new QLabel(tr("Select the number of iteration or 0"), panel);
  label_->setObjectName(QStringLiteral("Label1"));
  label_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label_->setWordWrap(true);
  // The edit and its up-down in one control: typing a number beyond the
  // range is refused, so the answer is always the up-down's position.
  upDown_ = new QSpinBox(panel);
  upDown_->setObjectName(QStringLiteral("UpDown"));
  upDown_->setMinimum(0);
  memo_ = new QPlainTextEdit(panel);
  memo_->setObjectName(QStringLiteral("Memo1"));
  memo_->setReadOnly(true);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setPlainText(QStringLiteral("Iteration  Time for this iteration  Total Time   Abs. Error"));
  column->addWidget(label_);
  column->addWidget(upDown_, 0, Qt::AlignHCenter);
  column->addWidget(memo_, 1);

  ok_ = new QPushButton(tr("OK"), this);
  ok_->setObjectName(QStringLiteral("OKBtn"));
  ok_->setDefault(true);
  cancel_ = new QPushButton(tr("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("CancelBtn"));
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);  // Esc rejects as well

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel, 1);
  layout->addLayout(buttons);
}

int TOKBottomDlg::AskNumber(int value, int maximum, bool showMemo, const QString& text, int step) {
  memo_->setVisible(showMemo);
  upDown_->setMaximum(std::max(maximum, 0));
  upDown_->setSingleStep(std::max(step, 1));
  upDown_->setValue(value);
  label_->setText(text);
  upDown_->setFocus();
  upDown_->selectAll();
  if (exec() != QDialog::Accepted) return 0;
  return upDown_->value();
}

int DialogNumberAsker::AskNumber(const NumberQuestion& q) {
  const ArrowCursorWhileAsking arrow;  // the question may come while a file is read
  QStringList lines;
  for (const std::string& line : q.memo) lines << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
  dialog_.Memo1()->setPlainText(lines.join(QLatin1Char('\n')));
  return dialog_.AskNumber(q.value, q.maximum, q.showMemo, QString::fromLatin1(q.text.data(), static_cast<qsizetype>(q.text.size())),
                           q.step);
}

}  // namespace tarvo::gui
