#include "cli/transform_command.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>
#include <system_error>
#include <unistd.h>

#include "engine/core/array_types.h"
#include "engine/core/text_tokens.h"
#include "engine/shell/shell_state.h"
#include "engine/export/export_options.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/import/syscal_template.h"
#include "cli/read_options.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/sequence_transforms.h"
#include "engine/sequences/syscal_sequence_writer.h"

namespace tarvo::cli {

namespace {

namespace fs = std::filesystem;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// Digits the sequence commands give the ElectreII writer for electrode x.
constexpr int ElectreDigits = 2;

constexpr std::array<std::string_view, 6> OpNames = {"exchange-ab", "exchange-mn", "amn2mnb",
                                                     "shift64",     "extract",     "merge"};

struct TransformOptions {
  ReadOptions read;
  std::vector<std::string> ops;
  std::string output;
  std::optional<int> set;  // --set K, counted from 1
  bool reciprocal = false;
};

// The kind of file OUT names.
enum class OutputKind { Syscal, Electre, Res2dInv };

std::optional<OutputKind> KindOf(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".seq") return OutputKind::Syscal;
  if (ext == ".txt") return OutputKind::Electre;
  if (ext == ".dat") return OutputKind::Res2dInv;
  return std::nullopt;
}

void PrintTransformUsage(std::ostream& out) {
  out << "Usage: tarvo-cli transform FILE... [reading options of info] --op OP [--op OP]...\n"
         "                           -o OUT [--set K] [--reciprocal]\n"
         "Reads the files as info does, applies the operations in the order given and\n"
         "writes OUT. OP: exchange-ab, exchange-mn, amn2mnb (forward to reverse\n"
         "pole-dipole), shift64 (onto electrodes 65..128), extract (set K, counted from\n"
         "1; last operation), merge (every set into one sequence; last operation).\n"
         "OUT's extension picks the writer: .seq Syscal sequence, .txt ElectreII\n"
         "sequence, .dat Res2dInv data. --reciprocal writes the reciprocal sequence.\n";
}

bool ParseTransformOptions(const std::vector<std::string>& args, TransformOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto text = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        std::cerr << "tarvo-cli transform: " << a << " needs a value\n";
        return std::nullopt;
      }
      return args[++i];
    };
    bool ok = true;
    if (a == "--op") {
      const auto value = text();
      ok = value.has_value();
      if (ok && std::find(OpNames.begin(), OpNames.end(), *value) == OpNames.end()) {
        std::cerr << "tarvo-cli transform: unknown operation '" << *value << "'\n";
        ok = false;
      }
      if (ok) o.ops.push_back(*value);
    } else if (a == "-o") {
      const auto value = text();
      ok = value.has_value();
      if (ok) o.output = *value;
    } else if (a == "--set") {
      const auto value = text();
      const auto k = value ? ParseInteger(*value) : std::nullopt;
      ok = k && *k >= 1;
      if (ok) {
        o.set = *k;
      } else if (value) {
        std::cerr << "tarvo-cli transform: --set takes a set number from 1\n";
      }
    } else if (a == "--reciprocal") {
      o.reciprocal = true;
    } else {
      const ArgUse use = TakeReadOption(args, i, o.read, "transform");
      ok = use == ArgUse::Taken;
      if (use == ArgUse::NotMine) std::cerr << "tarvo-cli transform: unknown option " << a << '\n';
    }
    if (!ok) return false;
  }
  if (!CheckReadOptions(o.read, "transform")) return false;
  if (o.ops.empty()) {
    std::cerr << "tarvo-cli transform: no --op given\n";
    return false;
  }
  for (std::size_t k = 0; k + 1 < o.ops.size(); ++k) {
    if (o.ops[k] == "extract" || o.ops[k] == "merge") {
      std::cerr << "tarvo-cli transform: --op " << o.ops[k] << " writes the file: it must come last\n";
      return false;
    }
  }
  if (o.output.empty()) {
    std::cerr << "tarvo-cli transform: -o OUT is missing\n";
    return false;
  }
  if (!KindOf(o.output)) {
    std::cerr << "tarvo-cli transform: OUT must end in .seq, .txt or .dat\n";
    return false;
  }
  if (o.ops.back() == "extract" && !o.set) {
    std::cerr << "tarvo-cli transform: --op extract needs --set K\n";
    return false;
  }
  return true;
}

// Everything one run works on.
struct TransformJob {
  const TransformOptions& options;
  TDataset& ds;
  OpenCommandState& state;
  StderrMessenger& messenger;
  ReadEnvironment& env;
};

// Prints what was written to OUT; scratch files of the read-back go unmentioned.
std::string OutputPath;

int Written(const std::string& what, const std::string& path) {
  if (path == OutputPath) std::cout << what << ": " << path << '\n';
  return ExitOk;
}

int NotWritten(TransformJob& job, const std::string& path, bool failed, int errorsBefore) {
  if (failed) {
    std::cerr << "tarvo-cli transform: cannot write " << path << '\n';
  } else if (job.messenger.errors == errorsBefore) {
    std::cerr << "tarvo-cli transform: nothing was written to " << path << '\n';
  }
  return ExitFailed;
}

int WriteSyscal(TransformJob& job, const std::string& path, SyscalSaveCaller caller, bool reciprocal) {
  // A data file is rewritten under its FileName: point it at the target so
  // that the file that was read stays as it is.
  if (job.ds.FileHeader.DocType != DocTypeOld && !job.ds.IsSequence()) job.ds.FileName = path;
  const int errorsBefore = job.messenger.errors;
  const SyscalSaveResult r =
      SaveSyscalSequence(job.ds, caller, reciprocal, [&](const SaveDialogDescription&) { return std::optional(path); },
                  job.messenger);
  if (r.outcome == SaveOutcome::Written) {
    return Written(r.sequenceTitle.empty() ? "Syscal data" : "Syscal sequence " + r.sequenceTitle, r.path);
  }
  return NotWritten(job, path, r.outcome == SaveOutcome::Failed, errorsBefore);
}

int WriteElectre(TransformJob& job, const std::string& path, ElectreSender sender, bool reciprocal) {
  const int errorsBefore = job.messenger.errors;
  const SaveOutcome r =
      SaveElectreSequence(job.ds, sender, reciprocal, ElectreDigits,
                          [&](const SaveDialogDescription&) { return std::optional(path); }, job.messenger)
          .outcome;
  if (r == SaveOutcome::Written) return Written("ElectreII sequence", path);
  return NotWritten(job, path, r == SaveOutcome::Failed, errorsBefore);
}

int WriteRes2dInv(TransformJob& job, const std::string& path, Res2dInvSender sender) {
  const int errorsBefore = job.messenger.errors;
  std::string title;
  const SaveOutcome r = ExportRes2dInv(
      job.ds, sender, ExportOptions{}, job.state.Res2dInvExt,
      [&](const SaveDialogDescription& dialog) {
        title = dialog.title;
        return std::optional(path);
      },
      job.messenger);
  if (r == SaveOutcome::Written) return Written(title, path);
  return NotWritten(job, path, r == SaveOutcome::Failed, errorsBefore);
}

int WriteOutput(TransformJob& job, const std::string& path, bool reciprocal) {
  switch (*KindOf(path)) {
    case OutputKind::Syscal: return WriteSyscal(job, path, SyscalSaveCaller::UserInterface, reciprocal);
    case OutputKind::Electre: return WriteElectre(job, path, ElectreSender::Other, reciprocal);
    case OutputKind::Res2dInv: return WriteRes2dInv(job, path, Res2dInvSender::aRes2dInv);
  }
  return ExitFailed;
}

// Amn2mnB and Shift64 hand their result to a writer and read the file back,
// as the main window does: into OUT when it is the last operation and OUT
// is of the writer's kind, otherwise through a scratch file. Sets `done`
// when OUT has been written.
int WriteAndReadBack(TransformJob& job, OutputKind kind, bool last, bool& done) {
  const bool intoOutput = last && KindOf(job.options.output) == kind;
  const std::string ext = kind == OutputKind::Syscal ? ".seq" : ".dat";
  // A scratch file takes OUT's name in a folder of its own, so that the
  // sequence title it gives is OUT's.
  const fs::path scratch = fs::temp_directory_path() / ("tarvo-transform-" + std::to_string(getpid()));
  std::error_code ec;
  if (!intoOutput) fs::create_directories(scratch, ec);
  const std::string path =
      intoOutput ? job.options.output : (scratch / fs::path(job.options.output).stem()).string() + ext;
  const bool reciprocal = intoOutput && job.options.reciprocal;
  const int written = kind == OutputKind::Syscal
                          ? WriteSyscal(job, path, SyscalSaveCaller::UserInterface, reciprocal)
                          : WriteRes2dInv(job, path, Res2dInvSender::aRes2dInv);
  if (written != ExitOk) {
    if (!intoOutput) fs::remove_all(scratch, ec);
    return written;
  }

  OpenRequest request;
  request.caller = OpenCaller::ReadBack;
  request.files = {path};
  request.filterIndex = kind == OutputKind::Syscal ? DefaultFilterIndex : Res2dInvFilterIndex;
  const OpenResult result = RunOpenCommand(job.ds, job.state, request, DefaultReaders(), job.env);
  if (!intoOutput) fs::remove_all(scratch, ec);
  if (!result.loaded) {
    std::cerr << "tarvo-cli transform: " << path << " could not be read back\n";
    return ExitFailed;
  }
  done = intoOutput;
  return ExitOk;
}

int NeedsOneSequence(std::string_view op) {
  std::cerr << "tarvo-cli transform: --op " << op << " needs a sequence of one set\n";
  return ExitFailed;
}

int Extract(TransformJob& job) {
  const int k = *job.options.set;
  const std::string& out = job.options.output;
  if (!WorkOutMenuEnabling(job.ds).Extract) {
    std::cerr << "tarvo-cli transform: --op extract needs measured data in two or more sets, or a sequence of "
                 "two or more sets from one ElectreII file\n";
    return ExitFailed;
  }
  if (k > job.ds.SetCount) {
    std::cerr << "tarvo-cli transform: there is no set " << k << " (sets: " << job.ds.SetCount << ")\n";
    return ExitFailed;
  }
  const OutputKind kind = *KindOf(out);
  if (job.ds.IsSequence()) {
    if (kind != OutputKind::Electre) {
      std::cerr << "tarvo-cli transform: a set of a sequence is extracted as ElectreII text (.txt)\n";
      return ExitUsage;
    }
    SelectSet(job.ds, k);
    return WriteElectre(job, out, ElectreSender::Extract, job.options.reciprocal);
  }
  if (kind != OutputKind::Res2dInv) {
    std::cerr << "tarvo-cli transform: a set of measured data is extracted as Res2dInv data (.dat)\n";
    return ExitUsage;
  }
  int exit = ExitFailed;
  WithExtractedSet(job.ds, k - 1, [&] { exit = WriteRes2dInv(job, out, Res2dInvSender::Extract); });
  return exit;
}

int Merge(TransformJob& job) {
  const std::string& out = job.options.output;
  const OutputKind kind = *KindOf(out);
  if (kind == OutputKind::Res2dInv) {
    std::cerr << "tarvo-cli transform: a merged sequence is written as .seq or .txt\n";
    return ExitUsage;
  }
  if (kind == OutputKind::Syscal && !WorkOutMenuEnabling(job.ds).MergeSEQ) {
    std::cerr << "tarvo-cli transform: --op merge into a .seq file needs a sequence of two or more sets\n";
    return ExitFailed;
  }
  int exit = ExitFailed;
  const std::string directory = fs::path(out).parent_path().string();
  const bool merged = WithMergedSequence(job.ds, directory, job.messenger, [&] {
    exit = kind == OutputKind::Syscal ? WriteSyscal(job, out, SyscalSaveCaller::Merge, job.options.reciprocal)
                                      : WriteElectre(job, out, ElectreSender::None, job.options.reciprocal);
  });
  if (!merged) std::cerr << "tarvo-cli transform: there is nothing to merge\n";
  return exit;
}

// The operations in the order given, each on what the one before left.
int RunOperations(TransformJob& job) {
  TDataset& ds = job.ds;
  StderrMessenger& messenger = job.messenger;

  bool done = false;
  for (std::size_t k = 0; k < job.options.ops.size(); ++k) {
    const std::string& op = job.options.ops[k];
    const bool last = k + 1 == job.options.ops.size();
    int exit = ExitOk;
    if (op == "exchange-ab" || op == "exchange-mn") {
      if (!WorkOutMenuEnabling(ds).ExchangeElectrodes) return NeedsOneSequence(op);
      (op == "exchange-ab" ? ExchangeAandB : ExchangeMandN)(ds);
    } else if (op == "shift64") {
      if (!WorkOutMenuEnabling(ds).ExchangeElectrodes) return NeedsOneSequence(op);
      if (!ShiftOnto64(ds, messenger)) return ExitFailed;
      exit = WriteAndReadBack(job, OutputKind::Syscal, last, done);
    } else if (op == "amn2mnb") {
      // Apparent resistivities are checked by the command itself; anything
      // else must be pole-dipole in one set, as the menu item asks.
      const bool poleDipole = ds.ArrayType == ForwardPoleDipole || ds.ArrayType == ReversePoleDipole;
      if (ds.DataKind != DataKindResistivityOnly && (ds.SetCount != 1 || !poleDipole)) {
        std::cerr << "tarvo-cli transform: --op amn2mnb needs pole-dipole data in one set\n";
        return ExitFailed;
      }
      switch (MirrorForwardPoleDipole(ds, messenger)) {
        case MirrorOutcome::Skipped:
          std::cerr << "tarvo-cli transform: --op amn2mnb needs pole-dipole data in one set\n";
          return ExitFailed;
        case MirrorOutcome::NotAmnArray: return ExitFailed;
        case MirrorOutcome::SequenceMirrored: exit = WriteAndReadBack(job, OutputKind::Syscal, last, done); break;
        case MirrorOutcome::DataMirrored: exit = WriteAndReadBack(job, OutputKind::Res2dInv, last, done); break;
      }
    } else if (op == "extract") {
      return Extract(job);
    } else {
      return Merge(job);
    }
    if (exit != ExitOk) return exit;
  }
  return done ? ExitOk : WriteOutput(job, job.options.output, job.options.reciprocal);
}

}  // namespace

int RunTransform(const std::vector<std::string>& args, const std::string& programDir) {
  if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
    PrintTransformUsage(std::cout);
    return ExitOk;
  }
  TransformOptions o;
  if (!ParseTransformOptions(args, o)) {
    PrintTransformUsage(std::cerr);
    return ExitUsage;
  }
  OutputPath = o.output;

  StderrMessenger messenger;
  TDataset ds;
  OpenCommandState state;
  OpenResult result;
  if (!ReadFiles(o.read, programDir, "transform", ds, state, result, messenger)) return ExitFailed;
  ReadEnvironment env{messenger, (fs::path(programDir) / TemplateFileName).string(), nullptr};
  TransformJob job{o, ds, state, messenger, env};
  const int status = RunOperations(job);
  return status == ExitOk ? SucceededStatus(messenger) : status;
}

}  // namespace tarvo::cli
