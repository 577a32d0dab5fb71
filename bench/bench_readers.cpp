// Every reader on its full-capacity file, each against the fastest possible
// pass over the same bytes: the files read into memory.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "engine/core/text_file.h"
#include "engine/import/open_command.h"
#include "full_capacity_files.h"

namespace tarvo::bench {
namespace {

constexpr std::array<const char*, 11> ReaderNames = {
    "Open/Syscal001",   "Open/SyscalSeq",          "Open/Res2dInvUsual", "Open/Res2dInvGeneral",
    "Open/Res2dInvTimeLapse", "Open/Prosys",       "Open/SyscalPro",     "Open/ElectreII",
    "Open/SensInv2D",   "Open/AbemAmp",            "Open/AbemProtocol",
};

std::string BaselineName(const std::string& reader) { return "Baseline/ReadBytes/" + reader.substr(5); }

void BM_Read(benchmark::State& state, const std::string& name) {
  const ReaderCase& c = Files().Reader(name);
  SetBaseline(state, BaselineName(name));
  for (auto _ : state) {
    TDataset ds;
    const std::string error = ReadCase(c, Files().templatePath, ds);
    if (!error.empty()) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(ds.BadCount);
  }
}

// The reader alone, without the open command's layout analysis and
// bad-point count, with its cost per point: the Prosys text reader against
// the Res2dInv reader over the same quadripoles.
void BM_ReaderAlone(benchmark::State& state, const std::string& name) {
  const ReaderCase& c = Files().Reader(name);
  static const ReaderTable readers = DefaultReaders();
  const auto& reader = readers.byFilter[static_cast<std::size_t>(c.filterIndex)];
  NullMessenger messenger;
  ReadEnvironment env{messenger, Files().templatePath, nullptr};
  int points = 0;
  for (auto _ : state) {
    TDataset ds;
    reader(ReadSource{c.file}, ds, env);
    points = ds.PointCount;
    benchmark::DoNotOptimize(ds.Points.Storage().data());
  }
  if (points != FixturePoints) state.SkipWithError(("only " + std::to_string(points) + " points").c_str());
  state.counters["per_point"] =
      benchmark::Counter(points, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ReadBytes(benchmark::State& state, const std::string& name) {
  const ReaderCase& c = Files().Reader(name);
  std::vector<std::uint8_t> bytes;
  for (auto _ : state) {
    for (const std::string& file : c.bytes) {
      if (!ReadFileBytes(file, bytes).ok) state.SkipWithError("cannot read the file");
      benchmark::DoNotOptimize(bytes.data());
    }
  }
}

[[maybe_unused]] const bool registered = [] {
  for (const char* name : ReaderNames) {
    benchmark::RegisterBenchmark(name, BM_Read, std::string(name));
    benchmark::RegisterBenchmark(BaselineName(name).c_str(), BM_ReadBytes, std::string(name));
  }
  for (const char* name : {"Open/Prosys", "Open/Res2dInvUsual"}) {
    const std::string reader = std::string("Reader/") + (name + 5);
    benchmark::RegisterBenchmark(reader.c_str(), BM_ReaderAlone, std::string(name));
  }
  return true;
}();

}  // namespace
}  // namespace tarvo::bench
