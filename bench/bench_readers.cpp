// Every reader on its full-capacity file, each against the fastest possible
// pass over the same bytes: the files read into memory.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "engine/core/text_file.h"
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
  return true;
}();

}  // namespace
}  // namespace tarvo::bench
