#include "cli/optimise_command.h"

#include <iostream>
#include <optional>
#include <string_view>

#include "cli/cli_io.h"
#include "cli/json_writer.h"
#include "cli/read_options.h"
#include "engine/core/text_tokens.h"
#include "engine/sequences/multichannel_optimiser.h"

namespace tarvo::cli {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// Digits the sequence commands give the ElectreII writer for electrode x.
constexpr int ElectreDigits = 2;

struct OptimiseOptions {
  ReadOptions read;
  OptimiserOptions optimiser;
  bool channelsGiven = false;
  std::string output;
  bool json = false;
  bool readings = false;
};

void PrintOptimiseUsage(std::ostream& out) {
  out << "Usage: tarvo-cli optimise SEQ [reading options of info] --channels N [--rest R]\n"
         "                          [--no-dummies] [--no-sort] -o OUT.seq|OUT.txt\n"
         "                          [--json] [--readings]\n"
         "Groups the quadripoles of the sequence into the readings of a multichannel\n"
         "instrument: each reading one injection, measuring up to N (1 to 20) dipoles\n"
         "that form one chain of consecutive potential electrodes. A gap in a chain is\n"
         "bridged by a dummy dipole where that saves a reading (not with --no-dummies);\n"
         "an electrode that carried current is not used to measure in the next R\n"
         "readings where the sequence allows (default 2). --no-sort keeps the sequence\n"
         "order: only consecutive quadripoles of one current pair share readings.\n"
         "Writes the readings one after another to OUT (.seq Syscal sequence, .txt\n"
         "ElectreII text) and prints quadripoles, injections, dummy dipoles, conflicts\n"
         "and the lower bound (the sum over the current pairs of ceil(dipoles / N)),\n"
         "and the record numbers of the dummy dipoles; --json prints them as one JSON\n"
         "object, --readings adds the readings as the Syscal-Pro window lists them.\n";
}

bool ParseOptimiseOptions(const std::vector<std::string>& args, OptimiseOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto number = [&](int low, int high) -> std::optional<int> {
      if (i + 1 >= args.size()) {
        std::cerr << "tarvo-cli optimise: " << a << " needs a value\n";
        return std::nullopt;
      }
      const auto n = ParseInteger(args[++i]);
      if (!n || *n < low || *n > high) {
        std::cerr << "tarvo-cli optimise: " << a << " takes a whole number from " << low << " to " << high << '\n';
        return std::nullopt;
      }
      return n;
    };
    if (a == "--channels") {
      const auto n = number(MinOptimiserChannels, MaxOptimiserChannels);
      if (!n) return false;
      o.optimiser.channels = *n;
      o.channelsGiven = true;
    } else if (a == "--rest") {
      const auto n = number(0, MaxRestReadings);
      if (!n) return false;
      o.optimiser.rest = *n;
    } else if (a == "--no-dummies") {
      o.optimiser.allowDummies = false;
    } else if (a == "--no-sort") {
      o.optimiser.allowSorting = false;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--readings") {
      o.readings = true;
    } else if (a == "-o") {
      if (i + 1 >= args.size()) {
        std::cerr << "tarvo-cli optimise: -o needs a value\n";
        return false;
      }
      o.output = args[++i];
    } else {
      const ArgUse use = TakeReadOption(args, i, o.read, "optimise");
      if (use == ArgUse::Failed) return false;
      if (use == ArgUse::NotMine) {
        std::cerr << "tarvo-cli optimise: unknown option " << a << '\n';
        return false;
      }
    }
  }
  if (!CheckReadOptions(o.read, "optimise")) return false;
  if (!o.channelsGiven) {
    std::cerr << "tarvo-cli optimise: --channels N is missing\n";
    return false;
  }
  if (o.output.empty()) {
    std::cerr << "tarvo-cli optimise: -o OUT.seq or -o OUT.txt is missing\n";
    return false;
  }
  if (!OptimisedFormatOf(o.output)) {
    std::cerr << "tarvo-cli optimise: OUT must end in .seq or .txt\n";
    return false;
  }
  return true;
}

void PrintReport(const OptimisedSequence& r, const std::vector<int>& dummyRecords) {
  std::cout << "Quadripoles: " << r.quadripoles << '\n'
            << "Injections: " << r.injections << '\n'
            << "Dummy dipoles: " << r.dummyDipoles << '\n'
            << "Conflicts: " << r.conflicts << '\n'
            << "Lower bound: " << r.lowerBound << '\n';
  if (!dummyRecords.empty()) {
    std::cout << "Dummy records:";
    for (const int n : dummyRecords) std::cout << ' ' << n;
    std::cout << '\n';
  }
}

void PrintJson(const OptimisedSequence& r, const std::vector<int>& dummyRecords, bool readings,
               const std::string& output) {
  JsonWriter j(std::cout);
  j.BeginObject();
  j.Key("Quadripoles"); j.Write(r.quadripoles);
  j.Key("Injections"); j.Write(r.injections);
  j.Key("DummyDipoles"); j.Write(r.dummyDipoles);
  j.Key("Conflicts"); j.Write(r.conflicts);
  j.Key("LowerBound"); j.Write(r.lowerBound);
  j.Key("DummyRecords");
  j.BeginArray();
  for (const int n : dummyRecords) j.Write(n);
  j.EndArray();
  if (readings) {
    j.Key("Readings");
    j.BeginArray();
    for (const std::string& line : ReadingLines(r)) j.Write(line);
    j.EndArray();
  }
  j.Key("Output"); j.Write(output);
  j.EndObject();
  std::cout << '\n';
}

}  // namespace

int RunOptimise(const std::vector<std::string>& args, const std::string& programDir) {
  if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
    PrintOptimiseUsage(std::cout);
    return ExitOk;
  }
  OptimiseOptions o;
  if (!ParseOptimiseOptions(args, o)) {
    PrintOptimiseUsage(std::cerr);
    return ExitUsage;
  }

  StderrMessenger messenger;
  TDataset ds;
  OpenCommandState state;
  OpenResult result;
  if (!ReadFiles(o.read, programDir, "optimise", ds, state, result, messenger)) return ExitFailed;
  if (!ds.IsSequence()) {
    std::cerr << "tarvo-cli optimise: the files hold measurements; only a sequence is optimised\n";
    return ExitFailed;
  }
  const std::vector<TQuadripole> quads = OptimiserQuadripoles(ds);
  if (quads.empty()) {
    std::cerr << "tarvo-cli optimise: the sequence has no quadripole\n";
    return ExitFailed;
  }

  const OptimisedSequence r = OptimiseReadings(quads, o.optimiser);
  const std::vector<TQuadripole> records =
      OptimisedRecords(r, quads, [&ds](const TQuadripole& q) { return LayoutGeometricFactor(ds, q); });
  if (!WriteOptimisedSequence(ds, records, *OptimisedFormatOf(o.output), o.output, ElectreDigits, messenger)) {
    std::cerr << "tarvo-cli optimise: cannot write " << o.output << '\n';
    return ExitFailed;
  }

  const std::vector<int> dummyRecords = DummyRecordNumbers(r);
  if (o.json) {
    PrintJson(r, dummyRecords, o.readings, o.output);
    return ExitOk;
  }
  PrintReport(r, dummyRecords);
  if (o.readings) {
    for (const std::string& line : ReadingLines(r)) std::cout << line << '\n';
  }
  std::cout << (*OptimisedFormatOf(o.output) == OptimisedFormat::Syscal ? "Syscal sequence" : "ElectreII sequence")
            << ": " << o.output << '\n';
  return ExitOk;
}

}  // namespace tarvo::cli
