#include "gui/import/inversion_result_commands.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>

#include "engine/import/inversion_result_reader.h"
#include "gui/editing/table_window.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"

namespace tarvo::gui {

namespace {

class WaitCursor {
public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

class InversionResultCommands {
public:
  InversionResultCommands(TMain& main, TTableForm& table, NumberAsker& numbers, ResultFileDialog dialog)
      : main_(main), table_(table), numbers_(numbers), dialog_(std::move(dialog)) {
    if (!dialog_) {
      dialog_ = [this](const QString& directory) -> std::optional<QString> {
        const QString file = QFileDialog::getOpenFileName(&main_, QObject::tr("INV result"), directory,
                                                          QObject::tr("Inversion result (*.inv)"));
        if (file.isEmpty()) return std::nullopt;
        return file;
      };
    }
  }

  // "INV result": the model of a result file for the line that is loaded.
  void InvResult() {
    TDataset& ds = main_.Dataset();
    Messenger& messenger = main_.OperatorMessenger();
    if (!IsLoaded(ds.DataKind) || ds.StationCount < 1) {
      messenger.Information("Open the survey line first:\r\nthe model is read under its stations.");
      return;
    }
    const auto file = dialog_(FromEnginePath(main_.Shell().open.InitialDir));
    if (!file) return;
    const std::string path = ToEnginePath(*file);
    InvResultOutcome outcome;
    {
      const WaitCursor wait;
      ReadEnvironment env{messenger, main_.TemplatePath(), nullptr, &numbers_};
      outcome = ReadInvResult(ds, path, {}, env);
    }
    // The model is not of the file opened: no synthetic curves from it.
    ds.Models.ChosenIteration = 0;
    if (outcome.lastIteration == 0) {
      messenger.Information("There is no inversion model in\r\n" + path);
    }
    table_.ModelRead();
  }

  // "Synthetic curves": the calculated apparent resistivities of the file opened.
  void InvData() {
    TDataset& ds = main_.Dataset();
    {
      const WaitCursor wait;
      ReadEnvironment env{main_.OperatorMessenger(), main_.TemplatePath(), nullptr, &numbers_};
      ReadInvResult(ds, ds.FileName, {true, std::nullopt}, env);
    }
    table_.ModelRead();
    table_.FormShow();
    main_.ShowSummary();
    emit main_.RedrawRequested();
  }

private:
  TMain& main_;
  TTableForm& table_;
  NumberAsker& numbers_;
  ResultFileDialog dialog_;
};

}  // namespace

void AttachInversionResultCommands(TMain& main, TTableForm& table, NumberAsker& numbers, ResultFileDialog dialog) {
  auto* commands = new InversionResultCommands(main, table, numbers, std::move(dialog));
  QObject::connect(&main, &QObject::destroyed, [commands] { delete commands; });
  main.SetNumberAsker(&numbers);
  main.ProvideCommand(QStringLiteral("InvResult"), [commands] { commands->InvResult(); });
  main.ProvideCommand(QStringLiteral("InvData"), [commands] { commands->InvData(); });
  // The menu item of "INV result" is hidden, and a hidden action takes no
  // shortcut: the window takes Ctrl+Alt+I for it.
  QAction* action = main.Command(QStringLiteral("InvResult"));
  auto* shortcut = new QShortcut(action != nullptr ? action->shortcut() : QKeySequence(QStringLiteral("Ctrl+Alt+I")),
                                 &main);
  shortcut->setObjectName(QStringLiteral("InvResultShortcut"));
  shortcut->setContext(Qt::ApplicationShortcut);
  QObject::connect(shortcut, &QShortcut::activated, &main, [commands] { commands->InvResult(); });
}

}  // namespace tarvo::gui
