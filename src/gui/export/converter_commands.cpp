#include "gui/export/converter_commands.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <string>

#include "engine/shell/export_formats.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"
#include "gui/shell/wait_cursor.h"
#include "engine/shell/shell_state.h"

namespace tarvo::gui {

QString QtFilter(const QString& programFilter) {
  const QStringList parts = programFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty() || parts[i + 1].isEmpty()) continue;
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return filters.join(QStringLiteral(";;"));
}

namespace {

std::optional<QString> AskWithFileDialog(QWidget* parent, const SaveDialogSetup& s) {
  QFileDialog dialog(parent, s.title, s.proposedFile, QtFilter(s.filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  QString ext = s.defaultExtension;
  if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
  dialog.setDefaultSuffix(ext.toLower());
  ArrowCursorWhileAsking arrow;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

}  // namespace

SaveDialog DefaultSaveDialog(QWidget* parent) {
  return [parent](const SaveDialogSetup& s) { return AskWithFileDialog(parent, s); };
}

SaveDialogSetup SaveDialogSetupOf(const SaveDialogDescription& description) {
  return {QString::fromStdString(description.title), QString::fromStdString(description.proposedName),
          QString::fromStdString(description.filter), QString::fromStdString(description.defaultExt)};
}

namespace {

// Runs the exports of the Converter menu through their save dialogs, then
// refreshes the window: the preparations add the x shift to the coordinates
// and reset it, and merging repeated measurements changes marks and counts.
class ConverterCommands {
public:
  ConverterCommands(TMain& main, SaveDialog dialog) : main_(main), dialog_(std::move(dialog)) {
    if (!dialog_) dialog_ = DefaultSaveDialog(&main_);
  }

  // The Converter menu's handler of every format (Res2d_Converter for the
  // Res2dInv variants, aTimeLapseExecute, Sondoconverter, ...): the format's
  // command from the engine's table.
  void ConverterExecute(const ExportFormat& format) {
    const WaitCursor wait;
    const TargetChooser chooser = [this](const SaveDialogDescription& d) { return Ask(d); };
    ExportSettings settings;
    settings.options = ExportOptionsFrom(main_.Shell().program, main_.Shell().SaveWithoutIP);
    settings.res2dInvExt = main_.Shell().open.Res2dInvExt;
    settings.grid = main_.Shell().grid;
    const ExportResult r = RunExport(format, main_.Dataset(), settings, chooser, main_.OperatorMessenger());
    if (r.outcome == SaveOutcome::Written && !r.files.empty()) {
      // The file last chosen has been written: the window tells what it holds.
      main_.ExportWritten(r.files.back(), ExportedPointCount(main_.Dataset()));
    } else if (r.outcome == SaveOutcome::Refused && !format.refusal.empty()) {
      main_.OperatorMessenger().Information(format.refusal);
    }
    main_.ShowSummary();
    emit main_.XShiftChanged();
  }

private:
  // The proposed file goes into the folder of the last export, or else the
  // open dialog's directory, where the data came from.
  QString Proposed(const std::string& name) const {
    const QString dir = main_.ExportDirectory();
    const QString file = QString::fromStdString(name);
    return dir.isEmpty() || QFileInfo(file).isAbsolute() ? file : QDir(dir).filePath(file);
  }

  std::optional<std::string> Ask(const SaveDialogDescription& description) {
    SaveDialogSetup setup = SaveDialogSetupOf(description);
    setup.proposedFile = Proposed(description.proposedName);
    const auto chosen = dialog_(setup);
    if (!chosen) return std::nullopt;
    return ToEnginePath(*chosen);
  }

  TMain& main_;
  SaveDialog dialog_;
};

}  // namespace

void AttachConverterCommands(TMain& main, SaveDialog dialog) {
  auto* commands = new ConverterCommands(main, std::move(dialog));
  QObject::connect(&main, &QObject::destroyed, [commands] { delete commands; });
  for (const ExportFormat& format : ExportFormats()) {
    if (format.action.empty()) continue;
    main.ProvideCommand(QString::fromLatin1(format.action.data(), static_cast<qsizetype>(format.action.size())),
                        [commands, &format] { commands->ConverterExecute(format); });
  }
}

}  // namespace tarvo::gui
