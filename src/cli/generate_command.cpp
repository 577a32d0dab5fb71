#include "cli/generate_command.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

#include "cli/cli_io.h"
#include "engine/core/dataset.h"
#include "engine/core/text_tokens.h"
#include "engine/import/open_command.h"
#include "engine/import/syscal_template.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/sequence_generator.h"
#include "engine/sequences/syscal_sequence_writer.h"

namespace tarvo::cli {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// Values of --array, in the order of the generator's arrays.
constexpr std::array<std::string_view, GeneratorArrayCount> ArrayOptionNames = {
    "pole-dipole", "half-wenner", "wenner-alpha", "wenner-beta", "schlumberger", "dipole-dipole",
};

void PrintGenerateUsage(std::ostream& out) {
  out << "Usage: tarvo-cli generate -o FILE.seq|FILE.txt [--electrodes N] [--array ARRAY] [--step 1|2]\n"
         "                          [--item AM/MN]...\n"
         "Designs a new sequence on N equally spaced electrodes (" << MinGeneratorElectrodes << " to "
      << MaxGeneratorElectrodes << ", default 64)\n"
         "and writes it: FILE.seq as a Syscal sequence, FILE.txt as ElectreII text.\n"
         "ARRAY: pole-dipole (default), half-wenner, wenner-alpha, wenner-beta,\n"
         "schlumberger, dipole-dipole. --step: electrodes between sounding positions\n"
         "(default 2). Each --item checks one AM/MN pair in electrode spacings as the\n"
         "generator's lists show it (dipole-dipole: the gap between the dipoles,\n"
         "2 AM - MN); MN is 1, 3, 5, 7, 9, 15 or 21, the Wenner list holds 1/1, 2/1, 3/3,\n"
         "4/3, 5/5, ... Without --item: AM 1 to 8 with MN 1 (Wenner: 1/1, 2/1, 3/3, 5/5,\n"
         "..., 17/17). At most " << MaxPoints << " quadripoles.\n";
}

struct ItemOption {
  int shownAm = 0;
  int mn = 0;
};

struct GenerateOptions {
  SequenceGeneratorState state;
  std::vector<ItemOption> items;  // none: the generator's initial checks
  std::string output;
};

std::optional<ItemOption> ParseItem(const std::string& text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return std::nullopt;
  const auto am = ParseInteger(std::string_view(text).substr(0, slash));
  const auto mn = ParseInteger(std::string_view(text).substr(slash + 1));
  if (!am || !mn) return std::nullopt;
  return ItemOption{*am, *mn};
}

bool ParseGenerateOptions(const std::vector<std::string>& args, GenerateOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) {
      std::cerr << "tarvo-cli generate: " << (a.starts_with("-") ? a + " needs a value" : "unexpected " + a) << '\n';
      return false;
    }
    const std::string& value = args[++i];
    if (a == "-o") {
      o.output = value;
    } else if (a == "--electrodes") {
      const auto n = ParseInteger(value);
      if (!n || *n < MinGeneratorElectrodes || *n > MaxGeneratorElectrodes) {
        std::cerr << "tarvo-cli generate: --electrodes takes a whole number from " << MinGeneratorElectrodes
                  << " to " << MaxGeneratorElectrodes << '\n';
        return false;
      }
      o.state.electrodes = *n;
    } else if (a == "--step") {
      if (value != "1" && value != "2") {
        std::cerr << "tarvo-cli generate: --step takes 1 or 2\n";
        return false;
      }
      o.state.step = value == "1" ? 1 : 2;
    } else if (a == "--array") {
      bool known = false;
      for (std::size_t k = 0; k < ArrayOptionNames.size(); ++k) {
        if (ArrayOptionNames[k] == value) {
          o.state.array = static_cast<GeneratorArray>(k);
          known = true;
        }
      }
      if (!known) {
        std::cerr << "tarvo-cli generate: unknown array '" << value << "'; arrays:";
        for (const auto name : ArrayOptionNames) std::cerr << ' ' << name;
        std::cerr << '\n';
        return false;
      }
    } else if (a == "--item") {
      const auto item = ParseItem(value);
      if (!item) {
        std::cerr << "tarvo-cli generate: --item takes AM/MN, such as 3/1, not '" << value << "'\n";
        return false;
      }
      o.items.push_back(*item);
    } else {
      std::cerr << "tarvo-cli generate: unknown option " << a << '\n';
      return false;
    }
  }
  if (o.output.empty()) {
    std::cerr << "tarvo-cli generate: -o FILE.seq or -o FILE.txt is missing\n";
    return false;
  }
  return true;
}

// Checks exactly the items named on the command line (the array decides
// which lists they belong to, so this waits until every option is read).
bool CheckItems(GenerateOptions& o) {
  if (o.items.empty()) return true;
  for (auto& list : o.state.dipoleChecks) list.fill(false);
  o.state.wennerChecks.fill(false);
  for (const ItemOption& item : o.items) {
    const auto found = FindCheckListItem(o.state.array, item.shownAm, item.mn);
    if (!found) {
      std::cerr << "tarvo-cli generate: no item " << item.shownAm << '/' << item.mn << " for the "
                << GeneratorArrayNames[static_cast<std::size_t>(o.state.array)] << " array\n";
      return false;
    }
    o.state.Checked(found->list, found->item) = true;
  }
  return true;
}

}  // namespace

int RunGenerate(const std::vector<std::string>& args, const std::string& programDir) {
  if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
    PrintGenerateUsage(std::cout);
    return ExitOk;
  }
  GenerateOptions o;
  if (!ParseGenerateOptions(args, o) || !CheckItems(o)) {
    PrintGenerateUsage(std::cerr);
    return ExitUsage;
  }

  StderrMessenger messenger;
  ReadEnvironment env{messenger, (std::filesystem::path(programDir) / TemplateFileName).string(), nullptr};
  TDataset ds;
  OpenCommandState state;
  const std::string directory = std::filesystem::path(o.output).parent_path().string();
  if (!GenerateSequence(ds, o.state, directory, state, env).generated) return ExitFailed;

  // The extension of the target decides the format: ElectreII text for
  // ".txt", a Syscal sequence otherwise.
  std::string ext = std::filesystem::path(o.output).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".txt") {
    const TargetChooser chooser = [&](const SaveDialogDescription&) -> std::optional<std::string> {
      return o.output;
    };
    constexpr int electreDigits = 2;  // as the main window writes ElectreII text
    if (SaveElectreSequence(ds, ElectreSender::Other, false, electreDigits, chooser, messenger).outcome !=
        SaveOutcome::Written) {
      std::cerr << "tarvo-cli generate: cannot write " << o.output << '\n';
      return ExitFailed;
    }
    std::cout << ds.SeqHeader.TitleText() << ": " << ds.SeqHeader.QuadCount << " quadripoles on "
              << o.state.electrodes << " electrodes: " << o.output << '\n';
    return ExitOk;
  }

  const TargetChooser chooser = [&](const SaveDialogDescription&) -> std::optional<std::string> { return o.output; };
  const SyscalSaveResult saved = SaveSyscalSequence(ds, SyscalSaveCaller::UserInterface, false, chooser, messenger);
  if (saved.outcome != SaveOutcome::Written) {
    std::cerr << "tarvo-cli generate: cannot write " << o.output << '\n';
    return ExitFailed;
  }
  std::cout << saved.sequenceTitle << ": " << ds.SeqHeader.QuadCount << " quadripoles on "
            << o.state.electrodes << " electrodes: " << saved.path << '\n';
  return ExitOk;
}

}  // namespace tarvo::cli
