#include "shell/main_window.h"

#include <QLabel>
#include <QStatusBar>

#include "version.h"

namespace tarvo::gui {

TMain::TMain(TDataset& dataset, QWidget* parent) : QMainWindow(parent), dataset_(dataset) {
  setWindowTitle(CaptionText());
  setObjectName("Main");
  auto* empty = new QLabel(tr("No data loaded"), this);
  empty->setAlignment(Qt::AlignCenter);
  setCentralWidget(empty);
  statusBar()->showMessage(tr("Ready"));
  resize(640, 400);
}

QString TMain::CaptionText() {
  return QStringLiteral("Tarvo %1 (%2)").arg(QString::fromLatin1(VersionText), QString::fromLatin1(ReleaseDate));
}

}  // namespace tarvo::gui
