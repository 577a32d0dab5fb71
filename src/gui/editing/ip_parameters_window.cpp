#include "gui/editing/ip_parameters_window.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "engine/core/bad_points.h"
#include "engine/core/ip_decay.h"
#include "engine/core/numbers.h"

namespace tarvo::gui {

namespace {
QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
constexpr int ListDigits = 1;
}  // namespace

TIPform::TIPform(TDataset& ds, QWidget* parent) : QDialog(parent), ds_(ds) {
  setObjectName(QStringLiteral("TIPform"));
  setWindowTitle(tr("IP parameters for Syscal-Pro and Elrec-Pro"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  resize(336, 435);

  const auto group = [this](const QString& caption, const char* name, auto names, QButtonGroup*& buttons) {
    auto* box = new QGroupBox(caption, this);
    box->setObjectName(QString::fromLatin1(name));
    auto* column = new QVBoxLayout(box);
    buttons = new QButtonGroup(box);
    int id = 0;
    for (std::string_view n : names) {
      auto* radio = new QRadioButton(QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size())), box);
      buttons->addButton(radio, id++);
      column->addWidget(radio);
    }
    connect(buttons, &QButtonGroup::idClicked, this, [this] { TimeGroupClick(); });
    return box;
  };
  QGroupBox* time = group(tr("Time, s"), "TimeGroup", IPPulseTimeNames, timeGroup_);
  QGroupBox* type = group(tr("Type"), "TypeGroup", IPWindowTypeNames, typeGroup_);

  list_ = new QTableWidget(MaxIPWindows + 1, 2, this);
  list_->setObjectName(QStringLiteral("ValueListEditor1"));
  list_->setHorizontalHeaderLabels({tr("Parameter"), tr("Time, ms")});
  list_->verticalHeader()->setVisible(false);
  list_->setColumnWidth(0, 80);
  list_->setColumnWidth(1, 75);
  list_->setFixedWidth(161 + 2 * list_->frameWidth() + 20);
  // The times come from the table only: nothing typed here is read back.
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int i = 0; i <= MaxIPWindows; ++i) {
    list_->setItem(i, 0, new QTableWidgetItem(i == 0 ? tr("Delay") : QStringLiteral("TM %1").arg(i)));
    list_->setItem(i, 1, new QTableWidgetItem);
    list_->item(i, 1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }

  source_ = new QLabel(this);
  source_->setObjectName(QStringLiteral("SourceLabel"));
  source_->setWordWrap(true);

  ok_ = new QPushButton(tr("OK"), this);
  ok_->setObjectName(QStringLiteral("BitBtn1"));
  ok_->setDefault(true);
  cancel_ = new QPushButton(tr("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("BitBtn2"));
  cancel_->setEnabled(false);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* left = new QVBoxLayout;
  left->addWidget(time);
  left->addWidget(type);
  left->addWidget(source_);
  left->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  left->addLayout(buttons);
  auto* row = new QHBoxLayout(this);
  row->addLayout(left, 1);
  row->addWidget(list_);

  ShowSchedule();
}

void TIPform::ShowSchedule() {
  timeGroup_->button(ds_.IPParameters.TimeIndex)->setChecked(true);
  typeGroup_->button(ds_.IPParameters.TypeIndex)->setChecked(true);
  FillValues();
}

void TIPform::TimeGroupClick() {
  if (!SetIPSchedule(ds_, timeGroup_->checkedId(), typeGroup_->checkedId())) return;
  CountBadPoints(ds_);
  FillValues();
  emit ScheduleChanged();
}

void TIPform::showEvent(QShowEvent* event) {
  ShowSchedule();
  QDialog::showEvent(event);
}

void TIPform::FillValues() {
  const TIPWindows& w = ds_.IPParameters.Windows;
  for (int i = 0; i <= MaxIPWindows; ++i) {
    list_->item(i, 1)->setText(Latin1(FormatValue(w.IPWindowWidths[static_cast<std::size_t>(i)], ListDigits)));
  }
  const bool fileTimes = ds_.IPWindowCount > 0 && IPWindowsInUse(ds_).Source == IPTimesSource::File;
  source_->setText(fileTimes ? tr("The loaded data carry their own window times; this schedule serves data without them.")
                             : tr("The decay chart uses this schedule."));
}

}  // namespace tarvo::gui
