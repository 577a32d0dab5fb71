#include "gui/sequences/sequence_commands.h"

#include <QFileInfo>

#include <string>

#include "engine/export/export_options.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/import/file_type.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "gui/sequences/new_sequence_window.h"
#include "gui/sequences/optimize_form.h"
#include "engine/sequences/sequence_transforms.h"
#include "gui/sequences/short_long_dialog.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"
#include "gui/shell/wait_cursor.h"

namespace tarvo::gui {

namespace {

// ElectreII text keeps two extra digits of the electrode abscissas.
constexpr int ElectreDigits = 2;

class SequenceCommands {
public:
  SequenceCommands(TMain& main, SaveDialog dialog, CableDialog cable)
      : main_(main), dialog_(std::move(dialog)), cable_(std::move(cable)) {
    if (!dialog_) dialog_ = DefaultSaveDialog(&main_);
    if (!cable_) cable_ = [this](CableLayout preset) { return TShortLongDlg::Choose(preset, &main_); };
  }

  // Writers ------------------------------------------------------------

  // The writers leave the refresh to the command, which runs it once the
  // dataset is whole again (Extract and Merge write a narrowed or rebuilt one).
  // A successful save tells in the status bar what it wrote.
  SyscalSaveResult SaveSyscal(SyscalSaveCaller caller, bool reciprocal) {
    const SyscalSaveResult r = SaveSyscalSequence(main_.Dataset(), caller, reciprocal, Chooser(), Messenger());
    if (r.outcome == SaveOutcome::Written) main_.ExportWritten(r.path, r.quadripoles);
    return r;
  }

  void SaveElectre(ElectreSender sender, bool reciprocal) {
    const ElectreSaveResult r =
        SaveElectreSequence(main_.Dataset(), sender, reciprocal, ElectreDigits, Chooser(), Messenger());
    if (r.outcome == SaveOutcome::Written) main_.ExportWritten(r.path, r.quadripoles);
  }

  // "Lund protocol (ABEM)".
  void Abem_orgExecute() {
    const WaitCursor wait;
    const AbemSaveResult r = SaveAbemProtocol(main_.Dataset(), Chooser(), cable_, Messenger());
    if (r.outcome == SaveOutcome::Written) main_.ExportWritten(r.orgPath, r.quadripoles);
    // The writer may have selected the last set.
    main_.ShowSummary();
    emit main_.SetSelectionChanged();
  }

  // The writers add the x shift to the coordinates and reset it, and a save
  // gives the sequence a new title and clears "Modified".
  void Refresh() {
    main_.ShowSummary();
    emit main_.XShiftChanged();
  }

  void Save(SyscalSaveCaller caller, bool reciprocal) {
    const WaitCursor wait;
    SaveSyscal(caller, reciprocal);
    Refresh();
  }

  // "Elecre" (aSave).
  void SaveSBClick() { Save(SyscalSaveCaller::UserInterface, false); }

  // "Elecre II".
  void aElecreIIExecute() { Write(ElectreSender::Other, false); }

  void Write(ElectreSender sender, bool reciprocal) {
    const WaitCursor wait;
    SaveElectre(sender, reciprocal);
    Refresh();
  }

  // The Res2dInv writer in its usual format; the path written, if any.
  std::optional<std::string> SaveRes2dInv(Res2dInvSender sender) {
    std::optional<std::string> written;
    const TargetChooser ask = Chooser();
    const TargetChooser chooser = [&ask, &written](const SaveDialogDescription& d) {
      written = ask(d);
      return written;
    };
    const ExportOptions options = ExportOptionsFrom(main_.Shell().program, main_.Shell().SaveWithoutIP);
    const SaveOutcome outcome = ExportRes2dInv(main_.Dataset(), sender, options, main_.Shell().open.Res2dInvExt,
                                                    chooser, Messenger());
    if (outcome != SaveOutcome::Written) return std::nullopt;
    return written;
  }

  // Windows ------------------------------------------------------------

  void NewSequence() {
    if (newSequence_ == nullptr) newSequence_ = new TNew_PS(main_, dialog_);
    newSequence_->New_HalfSExecute();
  }

  void SyscalPro() {
    if (main_.Dataset().DataKind != DataKindSequence) return;
    TOptimizeForm form(main_.Dataset(), dialog_, Messenger(), &main_);
    form.exec();
    // A save applies a pending x shift to the layout.
    Refresh();
  }

  // Transforms ---------------------------------------------------------

  void Exchange(void (*exchange)(TDataset&)) {
    exchange(main_.Dataset());
    main_.MarkModified();
  }

  void Amn2mnB() {
    const WaitCursor wait;
    main_.OpenBtnClick(OpenCaller::Open);
    TDataset& ds = main_.Dataset();
    if (!IsLoaded(ds.DataKind)) return;
    switch (MirrorForwardPoleDipole(ds, Messenger())) {
      case MirrorOutcome::Skipped:
      case MirrorOutcome::NotAmnArray:
        return;
      case MirrorOutcome::SequenceMirrored: {
        const SyscalSaveResult r = SaveSyscal(SyscalSaveCaller::UserInterface, false);
        if (r.outcome == SaveOutcome::Written) ReadBack(r.path);
        break;
      }
      case MirrorOutcome::DataMirrored:
        if (const auto path = SaveRes2dInv(Res2dInvSender::aRes2dInv)) ReadBack(*path);
        break;
    }
    Refresh();
  }

  void Shift64() {
    const WaitCursor wait;
    main_.OpenBtnClick(OpenCaller::Open);
    TDataset& ds = main_.Dataset();
    if (ds.DataKind != DataKindSequence) return;
    if (!ShiftOnto64(ds, Messenger())) return;
    main_.MarkModified();
    Save(SyscalSaveCaller::UserInterface, false);
  }

  void Extract() {
    const WaitCursor wait;
    TDataset& ds = main_.Dataset();
    if (ds.DataKind == DataKindSequence) {
      Write(ElectreSender::Extract, false);
      return;
    }
    WithExtractedSet(ds, ds.SelectedSetEntry, [this] { SaveRes2dInv(Res2dInvSender::Extract); });
    Refresh();
  }

  void Merge(bool syscal) {
    const WaitCursor wait;
    TDataset& ds = main_.Dataset();
    WithMergedSequence(ds, main_.Shell().open.InitialDir, Messenger(), [this, syscal] {
      if (syscal) {
        SaveSyscal(SyscalSaveCaller::Merge, false);
      } else {
        SaveElectre(ElectreSender::None, false);
      }
    });
    Refresh();
  }

private:
  tarvo::Messenger& Messenger() { return main_.OperatorMessenger(); }

  // The save dialog as the writers ask for it.
  TargetChooser Chooser() {
    return [this](const SaveDialogDescription& d) -> std::optional<std::string> {
      const auto chosen = dialog_(SaveDialogSetupOf(d));
      if (!chosen) return std::nullopt;
      return ToEnginePath(*chosen);
    };
  }

  // Loads a file a transform has just written, as the current dataset.
  void ReadBack(const std::string& path) {
    const OpenFilter* filter = FilterForFile(path);
    if (filter == nullptr) return;
    main_.Shell().open.FilterIndex = filter->index;
    OpenRequest request;
    request.caller = OpenCaller::ReadBack;
    request.files = {path};
    request.filterIndex = filter->index;
    main_.ReadWithoutDialog(request);
  }

  TMain& main_;
  SaveDialog dialog_;
  CableDialog cable_;
  TNew_PS* newSequence_ = nullptr;  // owned by the main window once made
};

}  // namespace

void AttachSequenceCommands(TMain& main, SaveDialog dialog, CableDialog cable) {
  auto* c = new SequenceCommands(main, std::move(dialog), std::move(cable));
  QObject::connect(&main, &QObject::destroyed, [c] { delete c; });

  main.ProvideCommand(QStringLiteral("aNew_HS"), [c] { c->NewSequence(); });
  main.ProvideCommand(QStringLiteral("aSave"), [c] { c->SaveSBClick(); });
  main.ProvideCommand(QStringLiteral("aElecreII"), [c] { c->aElecreIIExecute(); });
  main.ProvideCommand(QStringLiteral("aABEM_org"), [c] { c->Abem_orgExecute(); });
  main.ProvideCommand(QStringLiteral("aSyscalPro"), [c] { c->SyscalPro(); });

  main.ProvideCommand(QStringLiteral("AandB"), [c] { c->Exchange(&ExchangeAandB); });
  main.ProvideCommand(QStringLiteral("MandN"), [c] { c->Exchange(&ExchangeMandN); });
  main.ProvideCommand(QStringLiteral("A1"), [c] { c->Amn2mnB(); });
  main.ProvideCommand(QStringLiteral("Shift641"), [c] { c->Shift64(); });

  main.ProvideCommand(QStringLiteral("Extract"), [c] { c->Extract(); });
  main.ProvideCommand(QStringLiteral("MergeSEQ"), [c] { c->Merge(true); });
  main.ProvideCommand(QStringLiteral("MergeTXT1"), [c] { c->Merge(false); });
  main.ProvideCommand(QStringLiteral("Electre1"), [c] { c->Save(SyscalSaveCaller::UserInterface, true); });
  main.ProvideCommand(QStringLiteral("ElecreII"), [c] { c->Write(ElectreSender::Other, true); });
}

}  // namespace tarvo::gui
