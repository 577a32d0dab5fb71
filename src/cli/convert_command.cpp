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
#include "engine/export/export_common.h"
#include "engine/export/export_options.h"
#include "engine/import/inversion_result_reader.h"
#include "cli/read_options.h"
#include "engine/sequences/abem_protocol_writer.h"
#include "engine/settings/program_settings.h"
#include "engine/shell/export_formats.h"

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

// Lists the targets after a message about --to.
void ListTargets() {
  std::cerr << "targets:";
  for (const ExportFormat& f : ExportFormats()) std::cerr << ' ' << f.name;
  std::cerr << '\n';
}

// The targets that take an option, "a and b" as the usage messages name them.
std::string TargetsTaking(unsigned option) {
  std::string names;
  std::vector<std::string_view> taking;
  for (const ExportFormat& f : ExportFormats()) {
    if ((f.options & option) != 0) taking.push_back(f.name);
  }
  for (std::size_t k = 0; k < taking.size(); ++k) {
    if (k > 0) names += k + 1 == taking.size() ? " and " : ", ";
    names += taking[k];
  }
  return names;
}

// Runs the export as the window does, with -o for the dialog's answer.
int WriteTarget(const ExportFormat& format, TDataset& ds, const ConvertOptions& o, const OpenCommandState& state,
                StderrMessenger& messenger) {
  // A Syscal data file is rewritten under -o rather than in place, so the
  // file that was read stays as it is.
  if (format.rewritesDataInPlace && !ds.IsSequence()) ds.FileName = o.output;
  ExportSettings settings;
  settings.options = o.exportOptions;
  settings.res2dInvExt = state.Res2dInvExt;
  settings.reciprocal = o.reciprocal;
  const std::optional<CableLayout> asked = o.cable;
  settings.cable = [asked](CableLayout preset) { return asked.value_or(preset); };

  const int errorsBefore = messenger.errors;
  const ExportResult r = RunExport(format, ds, settings, TargetsBeside(o.output), messenger);
  if (r.outcome == SaveOutcome::Written && !r.files.empty()) {
    std::cout << r.title << ": " << r.files.front();
    for (const std::string& c : r.companions) std::cout << ", " << c;
    std::cout << '\n';
    return ExitOk;
  }
  if (r.outcome == SaveOutcome::Failed && format.failureNamesTarget) {
    std::cerr << "tarvo-cli convert: cannot write " << o.output << '\n';
  } else if (messenger.errors == errorsBefore) {
    std::cerr << "tarvo-cli convert: nothing was written\n";
  }
  return ExitFailed;
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
    std::cerr << "tarvo-cli convert: --to is missing; ";
    ListTargets();
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
  const ExportFormat* target = FindExportFormat(o.to);
  if (target == nullptr) {
    std::cerr << "tarvo-cli convert: unknown target '" << o.to << "'; ";
    ListTargets();
    return ExitUsage;
  }
  if (o.reciprocal && (target->options & TakesReciprocal) == 0) {
    std::cerr << "tarvo-cli convert: --reciprocal applies to " << TargetsTaking(TakesReciprocal) << " only\n";
    return ExitUsage;
  }
  if (o.cable && (target->options & TakesCable) == 0) {
    std::cerr << "tarvo-cli convert: --cable applies to " << TargetsTaking(TakesCable) << " only\n";
    return ExitUsage;
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
  if (!target->instrumentSequence) ds.Thresholds = o.thresholds;
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

  const int status = WriteTarget(*target, ds, o, state, messenger);
  return status == ExitOk ? SucceededStatus(messenger) : status;
}

}  // namespace tarvo::cli
