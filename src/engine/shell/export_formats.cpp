#include "engine/shell/export_formats.h"

#include <array>
#include <filesystem>
#include <optional>

#include "engine/core/layout_analysis.h"
#include "engine/display/pseudo_panels.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/export/res2dmod_writer.h"
#include "engine/export/section_panel_writer.h"
#include "engine/export/sensinv_writer.h"
#include "engine/export/sondo_writer.h"
#include "engine/export/unified_writer.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "engine/shell/shell_state.h"

namespace tarvo {

namespace {

// ElectreII text keeps two extra digits of the electrode abscissas, as the
// main window writes it.
constexpr int ElectreDigits = 2;

constexpr std::string_view PointsLeftOutWarning =
    "Some data points were not written: an electrode is not in the electrode list or the geometric factor "
    "is undefined.\r\nNumber of points - ";

// Keeps the errors a writer gives while it makes the text, to be told in
// their place by the command.
class ErrorList final : public Messenger {
public:
  explicit ErrorList(std::vector<std::string>& errors) : errors_(errors) {}
  Reply Show(MessageKind, std::string_view text, Buttons) override {
    errors_.emplace_back(text);
    return Reply::Ok;
  }

private:
  std::vector<std::string>& errors_;
};

std::string WithExtension(const std::string& path, const char* extension) {
  return std::filesystem::path(path).replace_extension(extension).string();
}

// Res2dInv: usual, general and time-lapse ---------------------------------

template <Res2dInvSender Sender>
Res2dInvPlan Res2dInvPlanOf(const TDataset& ds, const ExportSettings& s) {
  return PlanRes2dInv(ds, Sender, s.options, s.res2dInvExt);
}

template <Res2dInvSender Sender>
bool PrepareRes2dInvFormat(TDataset& ds, const ExportSettings& s, Messenger& messenger) {
  if (Sender == Res2dInvSender::aTimeLapse && !DescribeTimeSteps(ds, messenger)) return false;
  if (!Res2dInvApplies(ds, Sender)) return false;
  PrepareRes2dInv(ds, Sender, s.options, s.res2dInvExt);
  return true;
}

template <Res2dInvSender Sender>
SaveDialogDescription Res2dInvDialog(const TDataset& ds, const ExportSettings& s) {
  return Res2dInvPlanOf<Sender>(ds, s).dialog;
}

template <Res2dInvSender Sender>
ExportBytes Res2dInvBytes(const TDataset& ds, const ExportSettings& s, const std::string& target) {
  ExportBytes out;
  ErrorList errors(out.errors);
  out.files.push_back({target, Res2dInvFileText(ds, Res2dInvPlanOf<Sender>(ds, s), s.options, errors)});
  return out;
}

template <Res2dInvSender Sender>
void KeepRes2dInv(TDataset& ds, const ExportSettings& s) {
  KeepRes2dInvWrite(ds, Res2dInvPlanOf<Sender>(ds, s));
}

// SensInv2D ----------------------------------------------------------------

bool PrepareSensInv(TDataset& ds, const ExportSettings&, Messenger&) {
  PrepareSensInv2D(ds);
  return true;
}

SaveDialogDescription SensInvDialogOf(const TDataset& ds, const ExportSettings&) { return SensInvDialog(ds); }

ExportBytes SensInvBytes(const TDataset& ds, const ExportSettings&, const std::string& target) {
  SensInvTexts texts = SensInv2DText(ds);
  ExportBytes out;
  out.errors.assign(texts.UnsupportedSets.size(), "Error 1.");
  out.files = {
      {target, std::move(texts.Geometry)},
      {WithExtension(target, ".sen"), std::move(texts.Configurations)},
      {WithExtension(target, ".imp"), std::move(texts.Resistances)},
  };
  if (texts.PointsLeftOut > 0) out.warnings.push_back(std::string(PointsLeftOutWarning) + std::to_string(texts.PointsLeftOut));
  return out;
}

// Res2dMod -------------------------------------------------------------------

bool PrepareRes2dModFormat(TDataset& ds, const ExportSettings&, Messenger&) { return PrepareRes2dMod(ds).Ready; }

SaveDialogDescription Res2dModDialog(const TDataset& ds, const ExportSettings&) { return PlanRes2dMod(ds).Dialog; }

ExportBytes Res2dModBytes(const TDataset& ds, const ExportSettings&, const std::string& target) {
  Res2dModText text = Res2dModFileText(ds, PlanRes2dMod(ds).UnitSpacing);
  ExportBytes out;
  out.errors.assign(text.UnsupportedSets.size(), "Error 12.");
  out.files.push_back({target, std::move(text.Text)});
  return out;
}

// Unified data ---------------------------------------------------------------

bool PrepareUnified(TDataset& ds, const ExportSettings&, Messenger&) {
  MergeRepeatedMeasurements(ds);
  ApplyXShift(ds);
  return true;
}

SaveDialogDescription UnifiedDialog(const TDataset& ds, const ExportSettings&) {
  const std::string name = std::filesystem::path(ds.FileName).replace_extension(".dat").filename().string();
  return {"Unified data format", name, "Unified data|*.dat;*.ohm", "dat"};
}

ExportBytes UnifiedBytes(const TDataset& ds, const ExportSettings& s, const std::string& target) {
  UnifiedText text = UnifiedDataText(ds, s.options);
  ExportBytes out;
  out.files.push_back({target, std::move(text.Text)});
  if (text.PointsLeftOut > 0) out.warnings.push_back(std::string(PointsLeftOutWarning) + std::to_string(text.PointsLeftOut));
  return out;
}

// Sondo: one dialog per group of files -----------------------------------------

ExportResult SondoCommand(TDataset& ds, const ExportSettings& s, const TargetChooser& chooser, Messenger& messenger) {
  // A loaded inversion model gives the model file.
  const SondoRun run = ExportSondo(ds, s.grid, &ds.Models, chooser, messenger);
  ExportResult result;
  result.title = "Sondo";
  result.files = run.MainFiles;
  result.outcome = !run.Ok ? SaveOutcome::Failed : run.MainFiles.empty() ? SaveOutcome::Cancelled : SaveOutcome::Written;
  return result;
}

// The mean panel of the panels window ("Mean only" checked, as it starts) ----

ExportResult MeanPanelCommand(TDataset& ds, const ExportSettings& s, const TargetChooser& chooser,
                              Messenger& messenger) {
  const MeanResult mean = ComputeMean(ds, s.grid, true);
  const MeanSaveName save = MeanPanelSaveName(ds, mean);
  const SectionPanelInput input{mean.raw.get(), &mean.descriptor, save.name, save.code};
  std::string path;
  const TargetChooser remember = [&](const SaveDialogDescription& d) {
    auto chosen = chooser(d);
    if (chosen) path = *chosen;
    return chosen;
  };
  ExportResult result;
  result.title = "Old Res2dInv format (" + save.name + ")";
  result.outcome = WriteSectionPanel(ds, input, remember, messenger);
  if (result.outcome == SaveOutcome::Written) result.files = {path};
  return result;
}

// Instrument sequences ------------------------------------------------------------

ExportResult SyscalCommand(TDataset& ds, const ExportSettings& s, const TargetChooser& chooser, Messenger& messenger) {
  const SyscalSaveResult saved = SaveSyscalSequence(ds, SyscalSaveCaller::UserInterface, s.reciprocal, chooser, messenger);
  ExportResult result;
  result.outcome = saved.outcome;
  result.title = ds.IsSequence() ? "Syscal sequence" : "Syscal data";
  if (saved.outcome == SaveOutcome::Written) result.files = {saved.path};
  result.points = saved.quadripoles;
  return result;
}

ExportResult ElectreCommand(TDataset& ds, const ExportSettings& s, const TargetChooser& chooser, Messenger& messenger) {
  const ElectreSaveResult saved =
      SaveElectreSequence(ds, ElectreSender::Other, s.reciprocal, ElectreDigits, chooser, messenger);
  ExportResult result;
  result.outcome = saved.outcome;
  result.title = "ElectreII sequence";
  if (saved.outcome == SaveOutcome::Written) result.files = {saved.path};
  result.points = saved.quadripoles;
  return result;
}

ExportResult AbemCommand(TDataset& ds, const ExportSettings& s, const TargetChooser& chooser, Messenger& messenger) {
  const AbemSaveResult saved = SaveAbemProtocol(ds, chooser, s.cable, messenger);
  ExportResult result;
  result.outcome = saved.outcome;
  result.title = "Lund protocol (ABEM)";
  if (saved.outcome == SaveOutcome::Written) {
    result.files = {saved.orgPath};
    result.companions = {WithExtension(saved.orgPath, ".up"), WithExtension(saved.orgPath, ".dwn")};
  }
  result.points = saved.quadripoles;
  return result;
}

// The bytes of the sequence files as they stand (the commands first take the
// sequence title from the chosen name and make the last set current).
ExportBytes SyscalBytes(const TDataset& ds, const ExportSettings& s, const std::string& target) {
  const std::vector<std::uint8_t> bytes = SyscalFileBytes(ds, SyscalSaveCaller::UserInterface, s.reciprocal);
  ExportBytes out;
  out.files.push_back({target, std::string(bytes.begin(), bytes.end())});
  return out;
}

ExportBytes ElectreBytes(const TDataset& ds, const ExportSettings& s, const std::string& target) {
  ExportBytes out;
  out.files.push_back({target, ElectreSequenceText(ds, ElectreSender::Other, s.reciprocal, ElectreDigits)});
  return out;
}

ExportBytes AbemBytes(const TDataset& ds, const ExportSettings& s, const std::string& target) {
  const CableLayout preset = PresetCableLayout(ds);
  AbemProtocolTexts texts = AbemProtocolFiles(ds, s.cable ? s.cable(preset) : preset);
  ExportBytes out;
  out.files = {
      {target, std::move(texts.org)},
      {WithExtension(target, ".up"), std::move(texts.up)},
      {WithExtension(target, ".dwn"), std::move(texts.dwn)},
  };
  return out;
}

SaveDialogDescription SyscalDialogOf(const TDataset& ds, const ExportSettings&) { return SyscalSaveDialog(ds); }
SaveDialogDescription ElectreDialogOf(const TDataset& ds, const ExportSettings&) { return ElectreSaveDialog(ds); }
SaveDialogDescription AbemDialogOf(const TDataset& ds, const ExportSettings&) { return AbemSaveDialog(ds); }

// What the data must be --------------------------------------------------------

bool MeasuredData(const TDataset&, const CommandEnabling& e) { return e.Res2dInvGeneral; }
// The mean needs two sets of one type, or forward and reverse pole-dipole
// sets, without chargeability: what makes the window offer it.
bool MeanPanelData(const TDataset& ds, const CommandEnabling&) {
  return ds.HasMeasurements() && !ds.HasIP && MeanCommandCaptions(ds).offered;
}
bool SondoData(const TDataset&, const CommandEnabling& e) { return e.Sondo; }
// The time-lapse command takes instrument data as well; its own checks
// decide about the sets.
bool TimeLapseData(const TDataset& ds, const CommandEnabling&) { return ds.HasMeasurements() && ds.SetCount > 1; }
// A Syscal sequence or data file, or any other sequence.
bool SyscalSequenceData(const TDataset& ds, const CommandEnabling&) {
  return ds.HasQuads() && (ds.IsSequence() || !ds.SyscalRaw.Empty());
}
bool SequenceData(const TDataset& ds, const CommandEnabling&) { return ds.IsSequence() && ds.HasQuads(); }
bool QuadripoleData(const TDataset& ds, const CommandEnabling&) { return ds.HasQuads(); }

constexpr unsigned Res2dInvOptions = TakesWithoutIP | TakesModelRefinement | TakesIPUnit | TakesTopographyKey;

ExportFormat Res2dInvFormat(std::string_view name, std::string_view action, auto suits, std::string_view needs,
                            bool (*prepare)(TDataset&, const ExportSettings&, Messenger&),
                            SaveDialogDescription (*dialog)(const TDataset&, const ExportSettings&),
                            ExportBytes (*produce)(const TDataset&, const ExportSettings&, const std::string&),
                            void (*keep)(TDataset&, const ExportSettings&)) {
  ExportFormat f;
  f.name = name;
  f.filter = "Res2Dinv files|*.dat||_*.dat";
  f.defaultExt = "DAT";
  f.action = action;
  f.options = Res2dInvOptions;
  f.suits = suits;
  f.needs = needs;
  f.failureNamesTarget = true;
  f.prepare = prepare;
  f.dialog = dialog;
  f.produce = produce;
  f.keep = keep;
  return f;
}

template <Res2dInvSender S>
ExportFormat Res2dInvEntry(std::string_view name, std::string_view action, auto suits, std::string_view needs) {
  return Res2dInvFormat(name, action, suits, needs, PrepareRes2dInvFormat<S>, Res2dInvDialog<S>, Res2dInvBytes<S>,
                        KeepRes2dInv<S>);
}

std::array<ExportFormat, 11> MakeFormats() {
  using S = Res2dInvSender;
  std::array<ExportFormat, 11> f{};
  f[0] = Res2dInvEntry<S::aRes2dInv>("res2dinv", "aRes2dInv", MeasuredData, "measured data");
  f[1] = Res2dInvEntry<S::aRes2dInv_new>("res2dinv-general", "aRes2dInv_new", MeasuredData, "measured data");

  f[2].name = "res2dinv-panel";
  f[2].caption = "Old Res2dInv format";
  f[2].filter = "Res2dInv data|*.dat";
  f[2].defaultExt = "dat";
  f[2].options = TakesGrid;
  f[2].suits = MeanPanelData;
  f[2].needs = "two sets of one array type, or a forward and a reverse pole-dipole set, without chargeability";
  f[2].failureNamesTarget = true;
  f[2].command = MeanPanelCommand;

  f[3] = Res2dInvEntry<S::aTimeLapse>("res2dinv-timelapse", "aTimeLapse", TimeLapseData,
                                      "measured data in two or more sets");

  f[4].name = "sondo";
  f[4].caption = "Sondo";
  f[4].filter = "Sondo \"dat\" format|*.dat|Sondo \"dtg\" format|*.dtg";
  f[4].defaultExt = "dat";
  f[4].action = "aSondo";
  f[4].options = TakesGrid;
  f[4].suits = SondoData;
  f[4].needs = "measured data";
  f[4].command = SondoCommand;

  f[5].name = "sensinv2d";
  f[5].caption = "SensInv2D";
  f[5].filter = "SensInv2d|*.gem";
  f[5].defaultExt = "gem";
  f[5].action = "aSens";
  f[5].suits = MeasuredData;
  f[5].needs = "measured data";
  f[5].prepare = PrepareSensInv;
  f[5].dialog = SensInvDialogOf;
  f[5].produce = SensInvBytes;

  f[6].name = "res2dmod";
  f[6].caption = "Res2dMod";
  f[6].filter = "Res2dMod text|*.txt";
  f[6].defaultExt = ".txt";
  f[6].action = "Res2dModTXT";
  f[6].refusal = "There are no data points to write.";
  f[6].prepare = PrepareRes2dModFormat;
  f[6].dialog = Res2dModDialog;
  f[6].produce = Res2dModBytes;

  f[7].name = "unified";
  f[7].caption = "Unified data";
  f[7].filter = "Unified data|*.dat;*.ohm";
  f[7].defaultExt = "dat";
  f[7].action = "aUnified";
  f[7].options = TakesWithoutIP;
  f[7].suits = MeasuredData;
  f[7].needs = "measured data";
  f[7].prepare = PrepareUnified;
  f[7].dialog = UnifiedDialog;
  f[7].produce = UnifiedBytes;

  f[8].name = "syscal-seq";
  f[8].caption = "Syscal sequence";
  f[8].filter = "SysCal Sequence files|*.seq";
  f[8].defaultExt = "SEQ";
  f[8].options = TakesReciprocal;
  f[8].suits = SyscalSequenceData;
  f[8].needs = "a sequence or Syscal data";
  f[8].instrumentSequence = true;
  f[8].rewritesDataInPlace = true;
  f[8].failureNamesTarget = true;
  f[8].dialog = SyscalDialogOf;
  f[8].produce = SyscalBytes;
  f[8].command = SyscalCommand;

  f[9].name = "electre2-seq";
  f[9].caption = "ElectreII sequence";
  f[9].filter = "ElectreII sequence files|*.txt";
  f[9].defaultExt = "TXT";
  f[9].options = TakesReciprocal;
  f[9].suits = SequenceData;
  f[9].needs = "a sequence";
  f[9].instrumentSequence = true;
  f[9].failureNamesTarget = true;
  f[9].dialog = ElectreDialogOf;
  f[9].produce = ElectreBytes;
  f[9].command = ElectreCommand;

  f[10].name = "abem-org";
  f[10].caption = "Lund protocol (ABEM)";
  f[10].filter = "ABEM org file|*.org";
  f[10].defaultExt = "org";
  f[10].options = TakesCable;
  f[10].suits = QuadripoleData;
  f[10].needs = "a sequence or Syscal data";
  f[10].instrumentSequence = true;
  f[10].failureNamesTarget = true;
  f[10].dialog = AbemDialogOf;
  f[10].produce = AbemBytes;
  f[10].command = AbemCommand;
  return f;
}

const std::array<ExportFormat, 11>& Formats() {
  static const std::array<ExportFormat, 11> formats = MakeFormats();
  return formats;
}

}  // namespace

std::span<const ExportFormat> ExportFormats() { return Formats(); }

const ExportFormat* FindExportFormat(std::string_view name) {
  for (const ExportFormat& f : Formats()) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

ExportResult RunExport(const ExportFormat& format, TDataset& ds, const ExportSettings& settings,
                       const TargetChooser& chooser, Messenger& messenger) {
  if (format.command != nullptr) return format.command(ds, settings, chooser, messenger);
  ExportResult result;
  if (format.prepare != nullptr && !format.prepare(ds, settings, messenger)) return result;
  const SaveDialogDescription dialog = format.dialog(ds, settings);
  result.title = format.caption.empty() ? dialog.title : std::string(format.caption);
  const std::optional<std::string> target = chooser ? chooser(dialog) : std::nullopt;
  if (!target) {
    result.outcome = SaveOutcome::Cancelled;
    return result;
  }
  const ExportBytes bytes = format.produce(ds, settings, *target);
  for (const std::string& e : bytes.errors) messenger.Error(e);
  if (format.keep != nullptr) format.keep(ds, settings);
  // The files of a set are all new, or all as they were.
  const FileReadResult written =
      bytes.files.size() == 1 ? WriteFileWhole(bytes.files.front().path, bytes.files.front().bytes)
                              : WriteFilesWhole(bytes.files);
  if (!written.ok) {
    messenger.Error(written.error);
    result.outcome = SaveOutcome::Failed;
    return result;
  }
  for (const std::string& w : bytes.warnings) messenger.Warning(w);
  result.outcome = SaveOutcome::Written;
  result.files = {*target};
  result.points = ExportedPointCount(ds);
  return result;
}

}  // namespace tarvo
