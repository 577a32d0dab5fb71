#pragma once

#include <QMainWindow>

#include "core/dataset.h"

namespace tarvo::gui {

// The main window of the program. It shows the dataset the application owns.
class TMain : public QMainWindow {
  Q_OBJECT

public:
  explicit TMain(TDataset& dataset, QWidget* parent = nullptr);

  static QString CaptionText();

private:
  TDataset& dataset_;
};

}  // namespace tarvo::gui
