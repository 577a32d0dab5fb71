// How the cost grows with the size of a line: open (reader, layout
// analysis, bad-point count) and the gap-filled resistivity grid of a
// dipole-dipole line of 500 to 100 000 readings on 64 to 1 024 electrodes,
// and every writer at 20 000 readings. Each row prints the cost per reading
// ("per_point"), so that growth beyond n log n shows.
#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine/display/value_grid.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/export/res2dmod_writer.h"
#include "engine/export/sensinv_writer.h"
#include "engine/export/sondo_writer.h"
#include "engine/export/unified_writer.h"
#include "engine/sequences/abem_protocol_writer.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "full_capacity_files.h"

namespace tarvo::bench {
namespace {

constexpr int ScalePoints[] = {500, 5000, 20000, 100000};
constexpr int ScaleElectrodes[] = {64, 256, 1024};
constexpr int WriterPoints = 20000;
constexpr int WriterElectrodes = 256;

struct ScaledFiles {
  std::string prosys;
  std::string res2dinv;
  int res2dinvPoints = 0;  // the writer leaves out the bad readings
  std::string syscalSeq;  // only for the writer size
};

const ScaledFiles& Scaled(int points, int electrodes) {
  static std::map<std::pair<int, int>, ScaledFiles> made;
  auto it = made.find({points, electrodes});
  if (it != made.end()) return it->second;
  const std::string stem =
      (Files().dir / ("scale_" + std::to_string(points) + "_" + std::to_string(electrodes))).string();
  ScaledFiles f;
  const auto quads = ScaledQuads(points, electrodes);
  f.prosys = ScaledProsysFile(points, electrodes);
  // The Res2dInv file is what the general-array writer makes of the same
  // readings.
  TDataset ds;
  const std::string error = ReadCase({"prosys", f.prosys, 7, {f.prosys}, ""}, Files().templatePath, ds, points);
  if (!error.empty()) throw std::runtime_error(error);
  NullMessenger messenger;
  const ExportOptions options;
  ds.Memo.clear();
  const Res2dInvPlan plan = PrepareRes2dInv(ds, Res2dInvSender::aRes2dInv_new, options, ".dat");
  f.res2dinv = stem + "_general.dat";
  if (!WriteFileWhole(f.res2dinv, Res2dInvFileText(ds, plan, options, messenger)).ok) {
    throw std::runtime_error("cannot write " + f.res2dinv);
  }
  {
    TDataset back;
    ReadCase({"res2dinv", f.res2dinv, Res2dInvFilterIndex, {f.res2dinv}, ""}, Files().templatePath, back, 0);
    f.res2dinvPoints = back.PointCount;
  }
  if (points <= MaxSyscalFileQuadripoles) {
    f.syscalSeq = stem + ".seq";
    if (!WriteFileWhole(f.syscalSeq, SyscalBytes(quads, false, electrodes)).ok) {
      throw std::runtime_error("cannot write " + f.syscalSeq);
    }
  }
  return made.emplace(std::pair{points, electrodes}, f).first->second;
}

void PerPoint(benchmark::State& state, int points) {
  state.counters["per_point"] =
      benchmark::Counter(points, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Open and the gap-filled grid, as the window shows a line after "Open".
void BM_OpenAndGrid(benchmark::State& state, int filterIndex, bool res2dinv) {
  const int points = static_cast<int>(state.range(0));
  const int electrodes = static_cast<int>(state.range(1));
  const ScaledFiles& f = Scaled(points, electrodes);
  const std::string file = res2dinv ? f.res2dinv : f.prosys;
  const ReaderCase c{"scaled", file, filterIndex, {file}, ""};
  const char* target = points <= 500 ? "target 1 ms" : points <= 5000 ? "target 2 ms" : points <= 20000 ? "target 10 ms"
                                                                                                   : "target 60 ms";
  state.SetLabel(target);
  ValueGrid grid, raw;
  GridDescriptor descriptor;
  PointIndexMap indexMap;
  GridSettings settings;
  settings.InterpolationWidth = 3;
  for (auto _ : state) {
    TDataset ds;
    const std::string error = ReadCase(c, Files().templatePath, ds, res2dinv ? f.res2dinvPoints : points);
    if (!error.empty()) {
      state.SkipWithError(error.c_str());
      break;
    }
    BuildGrid(ds, settings, grid, raw, ds.Sets[1].Type, -1, descriptor, false, &indexMap);
    benchmark::DoNotOptimize(grid.Station(1));
  }
  PerPoint(state, res2dinv ? f.res2dinvPoints : points);
  state.counters["cells"] = static_cast<double>(grid.CellCount());
}

void ScaleArguments(benchmark::internal::Benchmark* b) {
  for (const int e : ScaleElectrodes) {
    for (const int p : ScalePoints) b->Args({p, e});
  }
  b->ArgNames({"points", "electrodes"})->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(BM_OpenAndGrid, Res2dInv, Res2dInvFilterIndex, true)
    ->Name("Scale/OpenAndGrid/Res2dInv")
    ->Apply(ScaleArguments);
BENCHMARK_CAPTURE(BM_OpenAndGrid, Prosys, 7, false)->Name("Scale/OpenAndGrid/Prosys")->Apply(ScaleArguments);

// Every writer on 20 000 readings over 256 electrodes: the text it makes
// after its preparation has run once.
using Maker = std::function<std::size_t()>;

void RunScaledWriter(benchmark::State& state, const Maker& make) {
  state.SetLabel("target 20 ms");
  std::size_t size = 0;
  for (auto _ : state) {
    size = make();
    benchmark::DoNotOptimize(size);
  }
  if (size < static_cast<std::size_t>(WriterPoints) * 4) state.SkipWithError("the writer wrote less than every point");
  PerPoint(state, WriterPoints);
  state.counters["bytes"] = static_cast<double>(size);
}

std::shared_ptr<TDataset> ScaledDataset(bool sequence) {
  const ScaledFiles& f = Scaled(WriterPoints, WriterElectrodes);
  auto ds = std::make_shared<TDataset>();
  const ReaderCase c = sequence ? ReaderCase{"seq", f.syscalSeq, 2, {f.syscalSeq}, ""}
                                : ReaderCase{"prosys", f.prosys, 7, {f.prosys}, ""};
  const std::string error = ReadCase(c, Files().templatePath, *ds, WriterPoints);
  if (!error.empty()) throw std::runtime_error(error);
  return ds;
}

void RegisterScaledWriter(const std::string& name, std::function<Maker()> setUp) {
  benchmark::RegisterBenchmark(("Scale/Write/" + name + "/points:20000/electrodes:256").c_str(),
                               [setUp](benchmark::State& state) { RunScaledWriter(state, setUp()); })
      ->Unit(benchmark::kMillisecond);
}

Maker Res2dInvScaled(Res2dInvSender sender) {
  auto ds = ScaledDataset(false);
  const ExportOptions options;
  const Res2dInvPlan plan = PrepareRes2dInv(*ds, sender, options, ".dat");
  return [ds, plan, options] {
    NullMessenger m;
    return Res2dInvFileText(*ds, plan, options, m).size();
  };
}

[[maybe_unused]] const bool registered = [] {
  RegisterScaledWriter("Res2dInvUsual", [] { return Res2dInvScaled(Res2dInvSender::aRes2dInv); });
  RegisterScaledWriter("Res2dInvGeneral", [] { return Res2dInvScaled(Res2dInvSender::aRes2dInv_new); });
  RegisterScaledWriter("Sondo", [] {
    auto ds = ScaledDataset(false);
    return Maker([ds] {
      const GridSettings settings;
      const SondoSoundings soundings = BuildSondoSoundings(*ds, -1, settings);
      return SondoMainText(*ds, soundings).size() + SondoErrorText(*ds, soundings).size() +
             SondoProfileText(*ds).size();
    });
  });
  RegisterScaledWriter("SensInv2D", [] {
    auto ds = ScaledDataset(false);
    PrepareSensInv2D(*ds);
    return Maker([ds] {
      const SensInvTexts t = SensInv2DText(*ds);
      return t.Geometry.size() + t.Configurations.size() + t.Resistances.size();
    });
  });
  RegisterScaledWriter("Res2dMod", [] {
    auto ds = ScaledDataset(false);
    const Res2dModPreparation prep = PrepareRes2dMod(*ds);
    return Maker([ds, prep] { return Res2dModFileText(*ds, prep.UnitSpacing).Text.size(); });
  });
  RegisterScaledWriter("Unified", [] {
    auto ds = ScaledDataset(false);
    return Maker([ds] { return UnifiedDataText(*ds, ExportOptions{}).Text.size(); });
  });
  RegisterScaledWriter("SyscalSequence", [] {
    auto ds = ScaledDataset(true);
    return Maker([ds] { return SyscalFileBytes(*ds, SyscalSaveCaller::UserInterface, false).size(); });
  });
  RegisterScaledWriter("ElectreIISequence", [] {
    auto ds = ScaledDataset(true);
    return Maker([ds] { return ElectreSequenceText(*ds, ElectreSender::None, false, 2).size(); });
  });
  return true;
}();

}  // namespace
}  // namespace tarvo::bench
