#include "cli/edit_command.h"

#include <iostream>
#include <optional>
#include <string_view>

#include "cli/convert_command.h"
#include "engine/core/text_tokens.h"
#include "engine/editing/electrode_edits.h"
#include "engine/editing/topography_text.h"

namespace tarvo::cli {

namespace {

constexpr int ExitUsage = 2;

enum class EditKind { DeleteElectrodes, BrokenElectrode, Topography, Scale, Mirror };

struct EditStep {
  EditKind kind = EditKind::Mirror;
  std::string option;       // as typed, for messages
  std::vector<int> rows;    // --delete-electrodes, --broken-electrode
  std::string file;         // --topography
  bool square = false;      // --topography ... --square
  double factor = 1;        // --scale
};

EditStep Step(EditKind kind, const std::string& option) {
  EditStep step;
  step.kind = kind;
  step.option = option;
  return step;
}

void PrintEditHelp(std::ostream& out) {
  out << "Usage: tarvo-cli edit FILE... EDIT... --to TARGET -o OUT [options of convert]\n"
         "\n"
         "Read the files as info does, apply the electrode edits of the table window\n"
         "in the order given and write the result as convert does (same targets and\n"
         "options). EDIT:\n"
         "  --delete-electrodes LIST  delete (or, when deleted, restore) the electrodes\n"
         "                            of rows LIST of the electrode table (1 = the first\n"
         "                            along the line; \"12,13\" or \"12-14\"): every\n"
         "                            point that uses a deleted electrode is bad\n"
         "  --broken-electrode ROW    a one-set sequence: remove the broken electrode and\n"
         "                            shift the cable numbers of the next ones\n"
         "  --topography FILE [--square]\n"
         "                            altitudes of the electrodes from a topography file\n"
         "                            (x,z or x,y,z columns, or a Res2dInv file's block),\n"
         "                            interpolated linearly or, with --square, by parabolas\n"
         "  --scale K                 multiply every distance and geometric factor by K\n"
         "  --mirror                  mirror the profile between its end electrodes\n"
         "--scale and --mirror take one Syscal data or sequence file (one set).\n";
}

// "12,13", "12-14" or "3,7-9".
std::optional<std::vector<int>> ParseRows(std::string_view text) {
  std::vector<int> rows;
  while (!text.empty()) {
    const auto comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    const auto dash = item.find('-', 1);
    const auto first = ParseInteger(item.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : ParseInteger(item.substr(dash + 1));
    if (!first || !last || *first < 1 || *last < *first || *last - *first > 100000) return std::nullopt;
    for (int r = *first; r <= *last; ++r) rows.push_back(r);
  }
  if (rows.empty()) return std::nullopt;
  return rows;
}

// Takes the edit options out of `args`; the rest goes to convert.
bool TakeEdits(const std::vector<std::string>& args, std::vector<EditStep>& steps, std::vector<std::string>& rest) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        std::cerr << "tarvo-cli edit: " << a << " needs a value\n";
        return std::nullopt;
      }
      return args[++i];
    };
    if (a == "--delete-electrodes" || a == "--broken-electrode") {
      const auto v = value();
      if (!v) return false;
      const auto rows = ParseRows(*v);
      if (!rows || (a == "--broken-electrode" && rows->size() != 1)) {
        std::cerr << "tarvo-cli edit: " << a << " takes " << (a == "--broken-electrode" ? "one row" : "rows")
                  << " of the electrode table (1, 2, ...), not '" << *v << "'\n";
        return false;
      }
      EditStep step = Step(a == "--broken-electrode" ? EditKind::BrokenElectrode : EditKind::DeleteElectrodes, a);
      step.rows = *rows;
      steps.push_back(step);
    } else if (a == "--topography") {
      const auto v = value();
      if (!v) return false;
      EditStep step = Step(EditKind::Topography, a);
      step.file = *v;
      steps.push_back(step);
    } else if (a == "--square") {
      if (steps.empty() || steps.back().kind != EditKind::Topography) {
        std::cerr << "tarvo-cli edit: --square follows --topography FILE\n";
        return false;
      }
      steps.back().square = true;
    } else if (a == "--scale") {
      const auto v = value();
      if (!v) return false;
      const auto k = ParseMultiplier(*v);
      if (!k) {
        std::cerr << "tarvo-cli edit: --scale takes a number above 0 other than 1, not '" << *v << "'\n";
        return false;
      }
      EditStep step = Step(EditKind::Scale, a);
      step.factor = *k;
      steps.push_back(step);
    } else if (a == "--mirror") {
      steps.push_back(Step(EditKind::Mirror, a));
    } else {
      rest.push_back(a);
    }
  }
  if (steps.empty()) {
    std::cerr << "tarvo-cli edit: no edit given (edit --help lists them)\n";
    return false;
  }
  return true;
}

bool Apply(const EditStep& step, TDataset& ds, OpenResult& result, StderrMessenger& messenger) {
  ElectrodeEditOutcome outcome;
  std::string needs;
  switch (step.kind) {
    case EditKind::DeleteElectrodes:
      for (int r : step.rows) {
        if (r > ds.ElectrodePosCount) {
          std::cerr << "tarvo-cli edit: " << step.option << ": the data have " << ds.ElectrodePosCount
                    << " electrodes, no row " << r << '\n';
          return false;
        }
      }
      outcome = ToggleElectrodes(ds, step.rows);
      break;
    case EditKind::BrokenElectrode: {
      needs = "a one-set sequence with its electrode numbers";
      if (step.rows.front() > ds.ElectrodePosCount) {
        std::cerr << "tarvo-cli edit: " << step.option << ": the data have " << ds.ElectrodePosCount
                  << " electrodes, no row " << step.rows.front() << '\n';
        return false;
      }
      // The option is the operator's answer to the confirmation.
      const Reply answer = messenger.yesOrNo;
      messenger.yesOrNo = Reply::Yes;
      outcome = RemoveBrokenElectrode(ds, step.rows.front(), messenger);
      messenger.yesOrNo = answer;
      break;
    }
    case EditKind::Topography:
      outcome = LoadTopographyFile(ds, step.file, step.square, messenger);
      if (!outcome.changed) return false;  // the reason is told
      break;
    case EditKind::Scale:
      needs = "one Syscal data or sequence file (one set)";
      outcome = MultiplyDistances(ds, step.factor, messenger);
      break;
    case EditKind::Mirror:
      needs = "one Syscal data or sequence file (one set)";
      outcome = MirrorProfile(ds, messenger);
      break;
  }
  if (!outcome.changed) {
    std::cerr << "tarvo-cli edit: " << step.option << " changed nothing";
    if (!needs.empty()) std::cerr << "; it needs " << needs;
    std::cerr << '\n';
    return false;
  }
  if (outcome.rebuild) result = *outcome.rebuild;
  return true;
}

}  // namespace

int RunEdit(const std::vector<std::string>& args, const std::string& programDir) {
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") {
      PrintEditHelp(std::cout);
      return 0;
    }
  }
  std::vector<EditStep> steps;
  std::vector<std::string> rest;
  if (!TakeEdits(args, steps, rest)) return ExitUsage;
  ConvertHooks hooks;
  hooks.afterRead = [&steps](TDataset& ds, OpenResult& result, StderrMessenger& messenger) {
    for (const EditStep& step : steps) {
      if (!Apply(step, ds, result, messenger)) return false;
      std::cerr << "tarvo-cli: " << step.option << " done\n";
    }
    return true;
  };
  return RunConvert(rest, programDir, hooks);
}

}  // namespace tarvo::cli
