// The table window's copy commands: the tables of its "Electrodes" and
// "Spacings" tabs on the clipboard, and the model's controls after a read.
#include <QItemSelectionModel>
#include <QListWidget>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

#include "engine/display/value_grid.h"
#include "engine/editing/clipboard_tables.h"
#include "engine/shell/shell_state.h"
#include "gui/editing/inversion_results_page.h"
#include "gui/editing/table_window.h"
#include "gui/shell/message_box_messenger.h"

namespace tarvo::gui {

void TTableForm::SetMainContext(const ShellState* shell, std::function<Messenger&()> messenger) {
  shell_ = shell;
  messenger_ = std::move(messenger);
}

Messenger& TTableForm::Operator() {
  if (messenger_) return messenger_();
  if (!boxes_) boxes_ = std::make_unique<MessageBoxMessenger>(this);
  return *boxes_;
}

void TTableForm::UpdateModelControls() {
  timeCopy_->setEnabled(ds_.HasModel);
  pages_->setTabVisible(4, ds_.DataKind == DataKindResistivityOnly && ds_.HasModel);
}

void TTableForm::ModelRead() {
  invPage_->FillDepthList();
  UpdateModelControls();
  if (pages_->isTabVisible(4)) pages_->setCurrentIndex(4);
}

// The middle of the selected electrode rows.
double TTableForm::SelectedElectrodeLocation(bool& any) const {
  int first = 0, last = 0;
  for (const QModelIndex& row : electrodeGrid_->selectionModel()->selectedRows()) {
    const int r = row.row() + 1;
    first = first == 0 ? r : std::min(first, r);
    last = std::max(last, r);
  }
  if (first == 0) {
    const QModelIndex current = electrodeGrid_->currentIndex();
    if (current.isValid()) first = last = current.row() + 1;
  }
  any = first > 0;
  return any ? SelectedLocation(ds_, first, last) : 0.0;
}

void TTableForm::CopyElectrodeTableClick() { PutTableOnClipboard(ElectrodeTableCells(ds_)); }

void TTableForm::CopyVESExecute() {
  bool any = false;
  const double x0 = SelectedElectrodeLocation(any);
  if (!any || !(ds_.DataKind > DataKindSequence)) return;
  // The grid of the configuration view: the current array type, the set
  // selected in the main window (every set of the type when none is), the
  // Res/IP mode's quantity.
  const bool selected = ds_.SelectedSetEntry >= 0 && ds_.SelectedSetEntry < ds_.SetCount;
  const int selector = selected ? ds_.SelectedSetEntry : -1;
  const bool chargeability = shell_ != nullptr && shell_->IPMode;
  ValueGrid grid, raw;
  GridDescriptor descriptor;
  BuildGrid(ds_, shell_ != nullptr ? shell_->grid : GridSettings{}, grid, raw, ds_.ArrayType, selector, descriptor,
            chargeability, nullptr);
  if (const auto table = VesCurveCells(ds_, grid, descriptor, x0)) PutTableOnClipboard(*table);
}

void TTableForm::bTimeCopyClick() {
  bool any = false;
  const double x0 = SelectedElectrodeLocation(any);
  if (!any) return;
  if (const auto table = StationModelCells(ds_, x0)) PutTableOnClipboard(*table);
}

void TTableForm::CopySpacingClick() {
  const QList<QListWidgetItem*> selected = spacings_->selectedItems();
  const int level = selected.isEmpty() ? 0 : spacings_->row(selected.front()) + 1;
  if (const auto table = LevelPointsCells(ds_, level)) PutTableOnClipboard(*table);
}

}  // namespace tarvo::gui
