#include "gui/export/converter_commands.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <filesystem>
#include <string>

#include "engine/export/export_options.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/export/res2dmod_writer.h"
#include "engine/export/sensinv_writer.h"
#include "engine/export/sondo_writer.h"
#include "engine/export/unified_writer.h"
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

namespace {

// Runs one export through its save dialog,
// then refreshes the window: writers add the x shift to the coordinates and
// reset it, and merging repeated measurements changes marks and counts.
class ConverterCommands {
public:
  ConverterCommands(TMain& main, SaveDialog dialog) : main_(main), dialog_(std::move(dialog)) {
    if (!dialog_) dialog_ = DefaultSaveDialog(&main_);
  }

  void Res2dInv(Res2dInvSender sender) {
    const WaitCursor wait;
    const auto chooser = [this](const Res2dInvSaveDialog& d) {
      return Ask({QString::fromStdString(d.title), Proposed(d.proposedName), QString::fromStdString(d.filter),
                  QString::fromStdString(d.defaultExt)});
    };
    const ExportOptions options = Options();
    const std::string ext = main_.Shell().open.Res2dInvExt;
    const Res2dInvOutcome outcome =
        sender == Res2dInvSender::aTimeLapse
            ? aTimeLapseExecute(main_.Dataset(), options, ext, chooser, main_.OperatorMessenger())
            : Res2d_Converter(main_.Dataset(), sender, options, ext, chooser, main_.OperatorMessenger());
    if (outcome == Res2dInvOutcome::Written) Written();
    Refresh();
  }

  void Sondo() {
    const WaitCursor wait;
    const auto chooser = [this](const SondoSaveDialog& d) {
      return Ask({QStringLiteral("Sondo"), Proposed(d.ProposedName), QString::fromStdString(d.Filter),
                  QString::fromStdString(d.DefaultExtension)});
    };
    // A loaded inversion model gives the model file.
    const SondoRun run =
        Sondoconverter(main_.Dataset(), main_.Shell().grid, &main_.Dataset().Models, chooser, main_.OperatorMessenger());
    if (run.Ok && !run.MainFiles.empty()) {
      asked_ = run.MainFiles.back();
      Written();
    }
    Refresh();
  }

  void SensInv() {
    const WaitCursor wait;
    TDataset& ds = main_.Dataset();
    PrepareSensInv2D(ds);
    const SensInvSaveDialog d = SensInvDialog(ds);
    const auto path = Ask({QString::fromStdString(d.Title), Proposed(d.ProposedName),
                           QString::fromStdString(d.Filter), QString::fromStdString(d.DefaultExtension)});
    if (path && WriteSensInv2DFiles(ds, *path, main_.OperatorMessenger())) Written();
    Refresh();
  }

  void Res2dMod() {
    const WaitCursor wait;
    TDataset& ds = main_.Dataset();
    const Res2dModPreparation prep = PrepareRes2dMod(ds);
    if (!prep.Ready) {
      main_.OperatorMessenger().Information("There are no data points to write.");
      Refresh();
      return;
    }
    const auto path = Ask({QString::fromStdString(prep.Dialog.Title), Proposed(prep.Dialog.ProposedName),
                           QStringLiteral("Res2dMod text|*.txt"),
                           QString::fromStdString(prep.Dialog.DefaultExtension)});
    if (path && WriteRes2dModFile(ds, prep.UnitSpacing, *path, main_.OperatorMessenger())) Written();
    Refresh();
  }

  void Unified() {
    const WaitCursor wait;
    TDataset& ds = main_.Dataset();
    std::filesystem::path proposed(ds.FileName);
    proposed.replace_extension(".dat");
    const auto path = Ask({QStringLiteral("Unified data format"), Proposed(proposed.filename().string()),
                           QStringLiteral("Unified data|*.dat;*.ohm"), QStringLiteral("dat")});
    if (path && WriteUnifiedData(ds, Options(), *path, main_.OperatorMessenger())) Written();
    Refresh();
  }

private:
  ExportOptions Options() { return ExportOptionsFrom(main_.Shell().program, main_.Shell().SaveWithoutIP); }

  // The proposed file goes into the folder of the last export, or else the
  // open dialog's directory, where the data came from.
  QString Proposed(const std::string& name) const {
    const QString dir = main_.ExportDirectory();
    const QString file = QString::fromStdString(name);
    return dir.isEmpty() || QFileInfo(file).isAbsolute() ? file : QDir(dir).filePath(file);
  }

  std::optional<std::string> Ask(const SaveDialogSetup& setup) {
    const auto chosen = dialog_(setup);
    if (!chosen) return std::nullopt;
    asked_ = ToEnginePath(*chosen);
    return asked_;
  }

  // The file last chosen has been written: the window tells what it holds.
  void Written() { main_.ExportWritten(asked_, ExportedPointCount(main_.Dataset())); }

  void Refresh() {
    main_.ShowSummary();
    emit main_.XShiftChanged();
  }

  TMain& main_;
  SaveDialog dialog_;
  std::string asked_;  // the target of the export under way
};

}  // namespace

void AttachConverterCommands(TMain& main, SaveDialog dialog) {
  auto* commands = new ConverterCommands(main, std::move(dialog));
  QObject::connect(&main, &QObject::destroyed, [commands] { delete commands; });
  main.ProvideCommand(QStringLiteral("aRes2dInv"), [commands] { commands->Res2dInv(Res2dInvSender::aRes2dInv); });
  main.ProvideCommand(QStringLiteral("aRes2dInv_new"),
                      [commands] { commands->Res2dInv(Res2dInvSender::aRes2dInv_new); });
  main.ProvideCommand(QStringLiteral("aTimeLapse"), [commands] { commands->Res2dInv(Res2dInvSender::aTimeLapse); });
  main.ProvideCommand(QStringLiteral("aSondo"), [commands] { commands->Sondo(); });
  main.ProvideCommand(QStringLiteral("aSens"), [commands] { commands->SensInv(); });
  main.ProvideCommand(QStringLiteral("Res2dModTXT"), [commands] { commands->Res2dMod(); });
  main.ProvideCommand(QStringLiteral("aUnified"), [commands] { commands->Unified(); });
}

}  // namespace tarvo::gui
