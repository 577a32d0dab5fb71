#include "sequences/sequence_commands.h"

#include <QDir>
#include <QFileInfo>

#include <string>

#include "sequences/electre_sequence_writer.h"
#include "sequences/syscal_sequence_writer.h"
#include "shell/main_window.h"
#include "shell/open_dialog.h"

namespace tarvo::gui {

namespace {

// ElectreII text keeps two extra digits of the electrode abscissas.
constexpr int ElectreDigits = 2;

std::optional<std::string> Ask(const SaveDialog& dialog, const QString& title, const std::string& proposed,
                               const std::string& filter, const std::string& ext) {
  const auto chosen = dialog({title, QString::fromStdString(proposed), QString::fromStdString(filter),
                              QString::fromStdString(ext)});
  if (!chosen) return std::nullopt;
  return ToEnginePath(*chosen);
}

}  // namespace

void AttachSequenceCommands(TMain& main, SaveDialog dialog) {
  if (!dialog) dialog = DefaultSaveDialog(&main);

  main.ProvideCommand(QStringLiteral("aSave"), [&main, dialog] {
    const SyscalFileChooser chooser = [&dialog](const SyscalSaveDialog& d) {
      return Ask(dialog, QObject::tr("Save SysCal file"), d.proposedName, d.filter, d.defaultExt);
    };
    const SyscalSaveResult r =
        SaveSBClick(main.Dataset(), SyscalSaveCaller::UserInterface, false, chooser, main.OperatorMessenger());
    // The refresh shows the new title and clears "Modified" after a save.
    main.ShowSummary();
    if (r.outcome == SyscalSaveOutcome::Written) emit main.XShiftChanged();
  });

  main.ProvideCommand(QStringLiteral("aElecreII"), [&main, dialog] {
    const ElectreFileChooser chooser = [&dialog](const ElectreSaveDialog& d) {
      return Ask(dialog, QObject::tr("ElectreII sequence"), d.proposedName, d.filter, d.defaultExt);
    };
    aElecreIIExecute(main.Dataset(), ElectreSender::Other, false, ElectreDigits, chooser, main.OperatorMessenger());
    main.ShowSummary();
    emit main.XShiftChanged();
  });
}

}  // namespace tarvo::gui
