#include "gui/sequences/short_long_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvo::gui {

TShortLongDlg::TShortLongDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ShortLongDlg"));
  setWindowTitle(tr("Long or short"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Choose the type of array"), this));
  auto* group = new QGroupBox(this);
  group->setObjectName(QStringLiteral("ShortLongGroup"));
  auto* groupLayout = new QVBoxLayout(group);
  shortLongGroup_ = new QButtonGroup(this);
  for (int i = 0; i < static_cast<int>(CableLayoutNames.size()); ++i) {
    const std::string_view name = CableLayoutNames[static_cast<std::size_t>(i)];
    auto* button = new QRadioButton(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())), group);
    shortLongGroup_->addButton(button, i);
    groupLayout->addWidget(button);
  }
  layout->addWidget(group);
  auto* ok = new QPushButton(tr("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignRight);
  SetLayout(CableLayout::Short32);
}

void TShortLongDlg::SetLayout(CableLayout layout) {
  shortLongGroup_->button(static_cast<int>(layout))->setChecked(true);
}

CableLayout TShortLongDlg::Layout() const { return static_cast<CableLayout>(shortLongGroup_->checkedId()); }

CableLayout TShortLongDlg::Choose(CableLayout preset, QWidget* parent) {
  TShortLongDlg dialog(parent);
  dialog.SetLayout(preset);
  // Closing the window keeps the choice shown, as OK does: the dialog has
  // no way to cancel.
  dialog.exec();
  return dialog.Layout();
}

}  // namespace tarvo::gui
