#include <QApplication>

#include "core/dataset.h"
#include "shell/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvo"));

  // The one survey dataset of the program; every window shows this instance.
  tarvo::TDataset dataset;
  tarvo::gui::TMain mainWindow(dataset);
  mainWindow.show();
  return QApplication::exec();
}
