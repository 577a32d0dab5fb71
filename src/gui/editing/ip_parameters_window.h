#pragma once

#include <QDialog>

#include "engine/core/dataset.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace tarvo::gui {

// "IP parameters for Syscal-Pro and Elrec-Pro": the pulse time and the
// window type with which the instrument sampled the decays. A click in
// either group takes the schedule at once (the decays are refitted and the
// bad points recounted); the list shows the delay and the widths of the
// windows. The window cannot be cancelled: closing it keeps the choice.
class TIPform : public QDialog {
  Q_OBJECT
public:
  explicit TIPform(TDataset& ds, QWidget* parent = nullptr);

  // The groups and the list show the dataset's schedule (after the settings load).
  void ShowSchedule();
  // OnClick of both groups: the schedule of the checked items becomes current.
  void TimeGroupClick();

  QButtonGroup* TimeGroup() const { return timeGroup_; }
  QButtonGroup* TypeGroup() const { return typeGroup_; }
  QTableWidget* ValueListEditor1() const { return list_; }
  QPushButton* BitBtn1() const { return ok_; }
  QPushButton* BitBtn2() const { return cancel_; }
  QLabel* SourceLabel() const { return source_; }

signals:
  void ScheduleChanged();

protected:
  void showEvent(QShowEvent* event) override;

private:
  void FillValues();

  TDataset& ds_;
  QButtonGroup* timeGroup_ = nullptr;
  QButtonGroup* typeGroup_ = nullptr;
  QTableWidget* list_ = nullptr;
  QLabel* source_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace tarvo::gui
