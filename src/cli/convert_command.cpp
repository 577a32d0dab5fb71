#include "cli/convert_command.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <type_traits>
#include <string_view>

#include "engine/core/bad_points.h"
#include "engine/core/text_tokens.h"
#include "engine/core/reciprocals.h"
#include "engine/core/thresholds.h"
#include "engine/export/export_options.h"
#include "engine/display/pseudo_panels.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/export/section_panel_writer.h"
#include "engine/export/res2dmod_writer.h"
#include "engine/export/sensinv_writer.h"
#include "engine/export/sondo_writer.h"
#include "engine/export/unified_writer.h"
#include "engine/import/inversion_result_reader.h"
#include "cli/read_options.h"
#include "engine/sequences/abem_protocol_writer.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "engine/settings/program_settings.h"

namespace tarvo::cli {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// Defaults are the main window's after a start without a settings file.
struct ConvertOptions {
  ReadOptions read;
  std::string to;
  std::string output;
  AcceptanceThresholds thresholds;
  ExportOptions exportOptions;
  std::optional<int> topoKey;  // none: the key the data set (2 unless a file read gave its own)
  double shift = 0;
  std::string syntheticFrom;           // --synthetic-from: the inversion result whose calculated data replace Rho
  std::optional<int> noise;            // --noise: percent of Gaussian noise on the synthetic data
  std::optional<std::uint64_t> seed;   // --seed: makes the noise reproducible
  bool reciprocal = false;              // sequence targets: write every quadripole as its reciprocal
  std::optional<TErrorModel::Kind> withErrors;  // write the error model's estimates where the format has errors
  bool onePerPair = false;  // one reading per good normal/reciprocal pair: their mean, with the pair's error
  std::optional<CableLayout> cable;     // abem-org: none means the preset of the "Long or short" dialog
};

// What a target works on once the files are read.
struct ConvertJob {
  TDataset& ds;
  const ConvertOptions& options;
  const OpenCommandState& state;
  StderrMessenger& messenger;
};

int WriteRes2dInv(ConvertJob& job, Res2dInvSender sender) {
  std::string title;
  const Res2dInvFileChooser chooser = [&](const Res2dInvSaveDialog& dialog) -> std::optional<std::string> {
    title = dialog.title;
    return job.options.output;
  };
  const int errorsBefore = job.messenger.errors;
  const ExportOptions& e = job.options.exportOptions;
  const std::string& ext = job.state.Res2dInvExt;
  const Res2dInvOutcome outcome = sender == Res2dInvSender::aTimeLapse
                                      ? aTimeLapseExecute(job.ds, e, ext, chooser, job.messenger)
                                      : Res2d_Converter(job.ds, sender, e, ext, chooser, job.messenger);
  if (outcome == Res2dInvOutcome::Written) {
    std::cout << title << ": " << job.options.output << '\n';
    return ExitOk;
  }
  if (outcome == Res2dInvOutcome::Failed) {
    std::cerr << "tarvo-cli convert: cannot write " << job.options.output << '\n';
  } else if (job.messenger.errors == errorsBefore) {
    std::cerr << "tarvo-cli convert: nothing was written\n";
  }
  return ExitFailed;
}

int ToRes2dInv(ConvertJob& job) { return WriteRes2dInv(job, Res2dInvSender::aRes2dInv); }
int ToRes2dInvGeneral(ConvertJob& job) { return WriteRes2dInv(job, Res2dInvSender::aRes2dInv_new); }
int ToRes2dInvTimeLapse(ConvertJob& job) { return WriteRes2dInv(job, Res2dInvSender::aTimeLapse); }

// The writers that take the target path directly.
int WriteWith(ConvertJob& job, bool (*write)(TDataset&, const ExportOptions&, const std::string&, Messenger&),
              std::string_view what) {
  const int errorsBefore = job.messenger.errors;
  if (write(job.ds, job.options.exportOptions, job.options.output, job.messenger)) {
    std::cout << what << ": " << job.options.output << '\n';
    return ExitOk;
  }
  if (job.messenger.errors == errorsBefore) std::cerr << "tarvo-cli convert: nothing was written\n";
  return ExitFailed;
}

// The model read with a Res2dInv result gives the Sondo model file.
bool WriteSondoFiles(TDataset& ds, const ExportOptions& o, const std::string& path, Messenger& m) {
  return WriteSondo(ds, o, path, m, &ds.Models);
}

int ToSondo(ConvertJob& job) { return WriteWith(job, WriteSondoFiles, "Sondo"); }
int ToSensInv2D(ConvertJob& job) { return WriteWith(job, WriteSensInv2D, "SensInv2D"); }
int ToRes2dMod(ConvertJob& job) { return WriteWith(job, WriteRes2dMod, "Res2dMod"); }
int ToUnified(ConvertJob& job) { return WriteWith(job, WriteUnifiedData, "Unified data"); }

// Sequence files for the instruments. They write the sequence (or the Syscal
// data file) as it is: the acceptance thresholds of the inversion formats do
// not apply, only the marks of deleted points.

// The number of extra digits the main window sets before writing electrode x.
constexpr int ElectreExtraDigits = 2;

int ToSyscalSequence(ConvertJob& job) {
  // A Syscal data file is rewritten under -o rather than in place, so the
  // file that was read stays as it is.
  if (!job.ds.IsSequence()) job.ds.FileName = job.options.output;
  const SyscalFileChooser chooser = [&](const SyscalSaveDialog&) -> std::optional<std::string> {
    return job.options.output;
  };
  const int errorsBefore = job.messenger.errors;
  const SyscalSaveResult saved =
      SaveSBClick(job.ds, SyscalSaveCaller::UserInterface, job.options.reciprocal, chooser, job.messenger);
  if (saved.outcome == SyscalSaveOutcome::Written) {
    std::cout << (job.ds.IsSequence() ? "Syscal sequence" : "Syscal data") << ": " << saved.path << '\n';
    return ExitOk;
  }
  if (saved.outcome == SyscalSaveOutcome::Failed) {
    std::cerr << "tarvo-cli convert: cannot write " << job.options.output << '\n';
  } else if (job.messenger.errors == errorsBefore) {
    std::cerr << "tarvo-cli convert: nothing was written\n";
  }
  return ExitFailed;
}

int ToElectreSequence(ConvertJob& job) {
  const ElectreFileChooser chooser = [&](const ElectreSaveDialog&) -> std::optional<std::string> {
    return job.options.output;
  };
  const ElectreSaveOutcome outcome = aElecreIIExecute(job.ds, ElectreSender::Other, job.options.reciprocal,
                                                      ElectreExtraDigits, chooser, job.messenger);
  if (outcome == ElectreSaveOutcome::Written) {
    std::cout << "ElectreII sequence: " << job.options.output << '\n';
    return ExitOk;
  }
  if (outcome == ElectreSaveOutcome::Failed) {
    std::cerr << "tarvo-cli convert: cannot write " << job.options.output << '\n';
  } else {
    std::cerr << "tarvo-cli convert: nothing was written\n";
  }
  return ExitFailed;
}

int ToAbemProtocol(ConvertJob& job) {
  const AbemFileChooser chooser = [&](const AbemSaveDialog&) -> std::optional<std::string> {
    return job.options.output;
  };
  const std::optional<CableLayout> asked = job.options.cable;
  const CableChooser cable = [asked](CableLayout preset) { return asked.value_or(preset); };
  const AbemSaveResult saved = Abem_orgExecute(job.ds, chooser, cable, job.messenger);
  if (saved.outcome == AbemSaveOutcome::Written) {
    const std::filesystem::path org(saved.orgPath);
    std::cout << "Lund protocol (ABEM): " << saved.orgPath << ", "
              << std::filesystem::path(org).replace_extension(".up").string() << ", "
              << std::filesystem::path(org).replace_extension(".dwn").string() << '\n';
    return ExitOk;
  }
  if (saved.outcome == AbemSaveOutcome::Failed) {
    std::cerr << "tarvo-cli convert: cannot write " << job.options.output << '\n';
  } else {
    std::cerr << "tarvo-cli convert: nothing was written\n";
  }
  return ExitFailed;
}

// The mean panel of the pseudo-section panels window ("Mean only" checked,
// as the window starts), written by the section-panel writer under the name
// and array code the window gives it.
int ToRes2dInvPanel(ConvertJob& job) {
  const MeanResult mean = ComputeMean(job.ds, GridSettings{}, true);
  const MeanSaveName save = MeanPanelSaveName(job.ds, mean);
  const SectionPanelInput input{mean.raw.get(), &mean.descriptor, save.name, save.code};
  const SectionPanelFileChooser chooser = [&](const SectionPanelSaveDialog&) -> std::optional<std::string> {
    return job.options.output;
  };
  const SectionPanelOutcome outcome = WriteSectionPanel(job.ds, input, chooser, job.messenger);
  if (outcome == SectionPanelOutcome::Written) {
    std::cout << "Old Res2dInv format (" << save.name << "): " << job.options.output << '\n';
    return ExitOk;
  }
  std::cerr << "tarvo-cli convert: cannot write " << job.options.output << '\n';
  return ExitFailed;
}

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

struct ConvertTarget {
  std::string_view name;    // value of --to
  bool (*suits)(const TDataset&, const CommandEnabling&);  // the command suits the data; nullptr: always
  std::string_view needs;   // what the data lack when it does not
  int (*run)(ConvertJob&);  // nullptr: the writer is not available yet
  bool sequenceFile = false;  // an instrument sequence: thresholds do not apply, --reciprocal may
  bool takesReciprocal = false;
};

constexpr std::array<ConvertTarget, 11> Targets = {{
    {"res2dinv", MeasuredData, "measured data", ToRes2dInv},
    {"res2dinv-general", MeasuredData, "measured data", ToRes2dInvGeneral},
    {"res2dinv-panel", MeanPanelData,
     "two sets of one array type, or a forward and a reverse pole-dipole set, without chargeability", ToRes2dInvPanel},
    {"res2dinv-timelapse", TimeLapseData, "measured data in two or more sets", ToRes2dInvTimeLapse},
    {"sondo", SondoData, "measured data", ToSondo},
    {"sensinv2d", MeasuredData, "measured data", ToSensInv2D},
    {"res2dmod", nullptr, "", ToRes2dMod},
    {"unified", MeasuredData, "measured data", ToUnified},
    {"syscal-seq", SyscalSequenceData, "a sequence or Syscal data", ToSyscalSequence, true, true},
    {"electre2-seq", SequenceData, "a sequence", ToElectreSequence, true, true},
    {"abem-org", QuadripoleData, "a sequence or Syscal data", ToAbemProtocol, true, false},
}};

const ConvertTarget* FindTarget(std::string_view name) {
  for (const auto& t : Targets) {
    if (t.name == name) return &t;
  }
  return nullptr;
}

bool ParseConvertOptions(const std::vector<std::string>& args, ConvertOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto text = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        std::cerr << "tarvo-cli convert: " << a << " needs a value\n";
        return std::nullopt;
      }
      return args[++i];
    };
    const auto number = [&](auto& into) {
      const auto value = text();
      if (!value) return false;
      const auto parsed = ParseNumber(*value);
      if (!parsed) {
        std::cerr << "tarvo-cli convert: " << a << " takes a number, not '" << *value << "'\n";
        return false;
      }
      into = static_cast<std::remove_reference_t<decltype(into)>>(*parsed);
      return true;
    };
    const auto integer = [&](int low, int high, auto& into) {
      const auto value = text();
      if (!value) return false;
      const auto parsed = ParseInteger(*value);
      if (!parsed || *parsed < low || *parsed > high) {
        std::cerr << "tarvo-cli convert: " << a << " takes a whole number from " << low << " to " << high << '\n';
        return false;
      }
      into = *parsed;
      return true;
    };

    bool ok = true;
    if (a == "--to") {
      const auto value = text();
      ok = value.has_value();
      if (ok) o.to = *value;
    } else if (a == "-o") {
      const auto value = text();
      ok = value.has_value();
      if (ok) o.output = *value;
    } else if (a == "--max-q") {
      ok = integer(0, AcceptanceThresholds::MaxErrorLimit, o.thresholds.ErrorLimit);
    } else if (a == "--min-v") {
      ok = number(o.thresholds.MinVoltage);
    } else if (a == "--min-i") {
      ok = number(o.thresholds.MinCurrent);
    } else if (a == "--min-ip") {
      ok = number(o.thresholds.MinIP);
    } else if (a == "--max-ip") {
      ok = number(o.thresholds.MaxIP);
    } else if (a == "--reciprocal-max") {
      ok = number(o.thresholds.MaxReciprocalError);
      if (ok && !(o.thresholds.MaxReciprocalError >= 0)) {
        std::cerr << "tarvo-cli convert: --reciprocal-max takes a percentage of 0 or more\n";
        ok = false;
      }
    } else if (a == "--max-decay-misfit") {
      ok = number(o.thresholds.MaxDecayMisfit);
      if (ok && !(o.thresholds.MaxDecayMisfit >= 0)) {
        std::cerr << "tarvo-cli convert: --max-decay-misfit takes a percentage of 0 or more\n";
        ok = false;
      }
    } else if (a == "--with-errors") {
      o.withErrors = TErrorModel::Kind::PowerLaw;
    } else if (a == "--with-linear-errors") {
      o.withErrors = TErrorModel::Kind::Linear;
    } else if (a == "--one-per-pair") {
      o.onePerPair = true;
    } else if (a == "--no-model-refinement") {
      o.exportOptions.ModelRefinement = false;
    } else if (a == "--topo-key") {
      int key = 0;
      ok = integer(1, 2, key);
      if (ok) o.topoKey = key;
    } else if (a == "--ip-unit") {
      const auto value = text();
      ok = value.has_value();
      if (ok) {
        ProgramSettings settings;  // the settings file's rule: "&" dropped, empty means msec
        settings.SetIPUnitCaption(*value);
        o.exportOptions.IPUnit = settings.IPUnitCaption();
      }
    } else if (a == "--without-ip") {
      o.exportOptions.WithoutIP = true;
    } else if (a == "--shift") {
      ok = number(o.shift);
    } else if (a == "--synthetic-from") {
      const auto value = text();
      ok = value.has_value();
      if (ok) o.syntheticFrom = *value;
    } else if (a == "--noise") {
      int percent = 0;
      ok = integer(0, 100, percent);
      if (ok) o.noise = percent;
    } else if (a == "--seed") {
      const auto value = text();
      ok = value.has_value();
      const auto parsed = ok ? ParseNumber(*value) : std::nullopt;
      if (ok && (!parsed || *parsed < 0 || *parsed != std::floor(*parsed) || *parsed > 9e15)) {
        std::cerr << "tarvo-cli convert: --seed takes a whole number from 0, not '" << *value << "'\n";
        ok = false;
      }
      if (ok) o.seed = static_cast<std::uint64_t>(*parsed);
    } else if (a == "--reciprocal") {
      o.reciprocal = true;
    } else if (a == "--cable") {
      const auto value = text();
      ok = value.has_value();
      if (ok && (*value == "short32" || *value == "Short32")) {
        o.cable = CableLayout::Short32;
      } else if (ok && (*value == "long32" || *value == "Long32")) {
        o.cable = CableLayout::Long32;
      } else if (ok) {
        std::cerr << "tarvo-cli convert: --cable takes short32 or long32, not '" << *value << "'\n";
        ok = false;
      }
    } else {
      const ArgUse use = TakeReadOption(args, i, o.read, "convert");
      ok = use == ArgUse::Taken;
      if (use == ArgUse::NotMine) std::cerr << "tarvo-cli convert: unknown option " << a << '\n';
    }
    if (!ok) return false;
  }
  if (!CheckReadOptions(o.read, "convert")) return false;
  if (o.to.empty()) {
    std::cerr << "tarvo-cli convert: --to is missing; targets:";
    for (const auto& t : Targets) std::cerr << ' ' << t.name;
    std::cerr << '\n';
    return false;
  }
  if (o.output.empty()) {
    std::cerr << "tarvo-cli convert: -o OUT is missing\n";
    return false;
  }
  if ((o.noise || o.seed) && o.syntheticFrom.empty()) {
    std::cerr << "tarvo-cli convert: --noise and --seed go with --synthetic-from FILE.inv\n";
    return false;
  }
  return true;
}

}  // namespace

int RunConvert(const std::vector<std::string>& args, const std::string& programDir, const ConvertHooks& hooks) {
  ConvertOptions o;
  if (!ParseConvertOptions(args, o)) return ExitUsage;
  const ConvertTarget* target = FindTarget(o.to);
  if (target == nullptr) {
    std::cerr << "tarvo-cli convert: unknown target '" << o.to << "'; targets:";
    for (const auto& t : Targets) std::cerr << ' ' << t.name;
    std::cerr << '\n';
    return ExitUsage;
  }
  if (o.reciprocal && !target->takesReciprocal) {
    std::cerr << "tarvo-cli convert: --reciprocal applies to syscal-seq and electre2-seq only\n";
    return ExitUsage;
  }
  if (o.cable && target->name != "abem-org") {
    std::cerr << "tarvo-cli convert: --cable applies to abem-org only\n";
    return ExitUsage;
  }
  if (target->run == nullptr) {
    std::cerr << "tarvo-cli convert: --to " << target->name << " is not available yet\n";
    return ExitFailed;
  }

  StderrMessenger messenger;
  TDataset ds;
  OpenCommandState state;
  OpenResult result;
  if (!ReadFiles(o.read, programDir, "convert", ds, state, result, messenger)) return ExitFailed;
  if (hooks.afterRead && !hooks.afterRead(ds, result, messenger)) return ExitFailed;
  if (target->suits != nullptr && !target->suits(ds, result.enabling)) {
    std::cerr << "tarvo-cli convert: --to " << target->name << " needs " << target->needs << '\n';
    return ExitFailed;
  }

  // "Synthetic curves": the apparent resistivities the inversion calculated.
  if (!o.syntheticFrom.empty()) {
    CliNumberAsker numbers;
    numbers.iteration = o.read.iteration;
    numbers.noise = o.noise.value_or(0);
    ReadEnvironment env{messenger, "", nullptr, &numbers};
    const InvResultOutcome synthetic = ReadInvResult(ds, o.syntheticFrom, {true, o.seed}, env);
    if (!synthetic.synthetic) {
      std::cerr << "tarvo-cli convert: no synthetic data from " << o.syntheticFrom << '\n';
      return ExitFailed;
    }
    std::cerr << "tarvo-cli: " << synthetic.replaced << " apparent resistivities calculated by iteration "
              << ds.Models.ChosenIteration << " of " << o.syntheticFrom << '\n';
  }

  if (o.withErrors) {
    const auto model = FitErrorModel(ds, *o.withErrors);
    if (!model) {
      std::cerr << "tarvo-cli convert: --with-errors needs normal and reciprocal pairs to fit an error model; "
                   "the data hold " << ds.Reciprocals.PairCount << " pairs\n";
      return ExitFailed;
    }
    ApplyErrorModel(ds, *model);
  }

  // What the operator would have set in the windows before exporting.
  if (!target->sequenceFile) ds.Thresholds = o.thresholds;
  CountBadPoints(ds);
  if (o.onePerPair) {
    const bool hadErrors = ds.HasErrors;
    const int merged = AverageReciprocalPairs(ds);
    std::cerr << "tarvo-cli: " << merged << " normal and reciprocal pairs written as one reading each\n";
    if (!hadErrors && merged > 0 && ds.Reciprocals.PairCount * 2 < ds.PointCount) {
      std::cerr << "tarvo-cli: readings without a partner carry no error (0); --with-errors gives them the "
                   "error model's\n";
    }
  }
  if (o.topoKey) ds.TopoDistanceType = *o.topoKey;
  ds.XShift = static_cast<float>(o.shift);
  if (hooks.prepare) {
    const int prepared = hooks.prepare(ds);
    if (prepared != ExitOk) return prepared;
  }

  ConvertJob job{ds, o, state, messenger};
  const int status = target->run(job);
  return status == ExitOk ? SucceededStatus(messenger) : status;
}

}  // namespace tarvo::cli
