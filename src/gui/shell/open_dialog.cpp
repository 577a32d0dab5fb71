#include "gui/shell/open_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>

namespace tarvo::gui {

namespace {

// "*.0*;*.mod" -> "*.0* *.mod": the dialog separates patterns by blanks.
QString FilterText(std::string_view name, const std::string& patterns) {
  QString list = QString::fromStdString(patterns);
  list.replace(QLatin1Char(';'), QLatin1Char(' '));
  return QStringLiteral("%1 (%2)").arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                                       list.simplified());
}

}  // namespace

QStringList OpenFilterTexts(const OpenCommandState& state) {
  const std::vector<std::string> patterns = OpenFilterPatterns(state);
  QStringList texts;
  for (std::size_t i = 0; i < OpenFilters.size(); ++i) texts << FilterText(OpenFilters[i].name, patterns[i]);
  return texts;
}

QString AllFilesFilterText() { return QObject::tr("All files (*)"); }

int ReaderFilterIndex(int chosen, int before) {
  if (chosen >= 1 && chosen <= static_cast<int>(OpenFilters.size())) return chosen;
  return before >= 1 && before <= static_cast<int>(OpenFilters.size()) ? before : DefaultFilterIndex;
}

std::optional<OpenDialogChoice> RunOpenDialog(QWidget* parent, const OpenDialogSetup& setup) {
  QFileDialog dialog(parent, setup.title, setup.directory);
  dialog.setObjectName(QStringLiteral("OpenDialog"));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(setup.filters);
  if (setup.filterIndex >= 1 && setup.filterIndex <= setup.filters.size()) {
    dialog.selectNameFilter(setup.filters.at(setup.filterIndex - 1));
  }

  // Qt's own dialog takes the read-only box; a native one has no room for
  // it, and the File menu's "Open as read-only" decides.
  QCheckBox* readOnly = nullptr;
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    readOnly = new QCheckBox(QObject::tr("Open as read-only"), &dialog);
    readOnly->setObjectName(QStringLiteral("ReadOnlyBox"));
    readOnly->setChecked(setup.readOnly);
    grid->addWidget(readOnly, grid->rowCount(), 0, 1, grid->columnCount());
  }

  ArrowCursorWhileAsking arrow;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  OpenDialogChoice choice;
  choice.files = dialog.selectedFiles();
  const qsizetype chosen = setup.filters.indexOf(dialog.selectedNameFilter());
  choice.filterIndex = chosen >= 0 ? static_cast<int>(chosen) + 1 : setup.filterIndex;
  choice.readOnly = readOnly != nullptr ? readOnly->isChecked() : setup.readOnly;
  return choice;
}

std::optional<std::string> DialogFileChooser::ChooseFileToOpen(std::string_view title, std::string_view filter) {
  ArrowCursorWhileAsking arrow;
  const QString file = QFileDialog::getOpenFileName(
      parent_, QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size())), directory,
      QString::fromLatin1(filter.data(), static_cast<qsizetype>(filter.size())));
  if (file.isEmpty()) return std::nullopt;
  return ToEnginePath(file);
}

std::string ToEnginePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString FromEnginePath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

ArrowCursorWhileAsking::ArrowCursorWhileAsking() {
  if (QApplication::overrideCursor() != nullptr) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    pushed_ = true;
  }
}

ArrowCursorWhileAsking::~ArrowCursorWhileAsking() {
  if (pushed_) QApplication::restoreOverrideCursor();
}

}  // namespace tarvo::gui
