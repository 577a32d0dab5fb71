#pragma once

#include <QWidget>

#include "engine/core/dataset.h"
#include "engine/core/reciprocals.h"

class QCustomPlot;
class QLabel;
class QPushButton;

namespace tarvo::gui {

// "Reciprocal errors": the pairs of normal and reciprocal readings as |dR|
// against their mean value on log-log axes with the fitted error models,
// and a histogram of the reciprocal errors. Both charts save as PNG or SVG
// and copy to the clipboard.
class TReciprocalForm : public QWidget {
  Q_OBJECT
public:
  explicit TReciprocalForm(TDataset& ds, QWidget* parent = nullptr);

  // Fills both charts from the dataset's pairs.
  void Refill();

  QCustomPlot* PairChart() const { return pairs_; }
  QCustomPlot* HistogramChart() const { return histogram_; }
  QString ModelText() const;

  // What the operator can do with the pairs: give every reading the error
  // the fitted model estimates (the exports with an error column then write
  // it), or keep one reading per pair, their mean with its error.
  void UsePowerLawErrorsClick();
  void UseLinearErrorsClick();
  void AveragePairsClick();

signals:
  // The dataset's values or marks were changed here: the main window shows
  // "Modified" and the views redraw.
  void DataEdited();

private:
  void UseModelErrors(TErrorModel::Kind form);

  TDataset& ds_;
  QCustomPlot* pairs_ = nullptr;
  QCustomPlot* histogram_ = nullptr;
  QLabel* model_ = nullptr;
  QPushButton* powerErrors_ = nullptr;
  QPushButton* linearErrors_ = nullptr;
  QPushButton* average_ = nullptr;
};

}  // namespace tarvo::gui
