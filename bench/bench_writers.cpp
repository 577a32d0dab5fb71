// Every writer producing its bytes from a full-capacity dataset, each against
// the fastest possible output of the same number of bytes: one whole-file
// write. The preparations that change the dataset (merging, x shift) run
// once before the loop; the loop is the text the command then writes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/text_file.h"
#include "engine/display/value_grid.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/export/res2dmod_writer.h"
#include "engine/export/sensinv_writer.h"
#include "engine/export/sondo_writer.h"
#include "full_capacity_files.h"
#include "engine/sequences/abem_protocol_writer.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/syscal_sequence_writer.h"

namespace tarvo::bench {
namespace {

// Runs `text` in the loop and records how many bytes it made, so that the
// baseline writes as many.
using TextMaker = std::function<std::size_t()>;

std::size_t& BytesMade(const std::string& name) {
  static std::map<std::string, std::size_t> sizes;
  return sizes[name];
}

void RunWriter(benchmark::State& state, const std::string& name, const TextMaker& make) {
  SetBaseline(state, "Baseline/WriteBytes/" + name.substr(6));
  std::size_t size = 0;
  for (auto _ : state) {
    size = make();
    benchmark::DoNotOptimize(size);
  }
  if (size < static_cast<std::size_t>(FixturePoints) * 4) state.SkipWithError("the writer wrote less than every point");
  BytesMade(name) = size;
  state.counters["bytes"] = static_cast<double>(size);
}

// Writes as many bytes as the writer made, whole, into the bench folder.
void BM_WriteBytes(benchmark::State& state, const std::string& writer) {
  const std::size_t size = BytesMade(writer);
  if (size == 0) {
    state.SkipWithError("the writer's benchmark did not run first");
    return;
  }
  const std::string bytes(size, 'x');
  const std::string path = (Files().dir / "baseline.out").string();
  for (auto _ : state) {
    if (!WriteFileWhole(path, bytes).ok) state.SkipWithError("cannot write");
  }
}

void Register(const char* name, std::function<TextMaker()> setUp) {
  benchmark::RegisterBenchmark(name, [name, setUp](benchmark::State& state) {
    const TextMaker make = setUp();
    RunWriter(state, name, make);
  });
  const std::string baseline = "Baseline/WriteBytes/" + std::string(name).substr(6);
  benchmark::RegisterBenchmark(baseline.c_str(), BM_WriteBytes, std::string(name));
}

// Every maker owns its dataset through a shared pointer, so the lambda can
// be copied.
using Dataset = std::shared_ptr<TDataset>;
Dataset Loaded(std::string_view reader) { return std::make_shared<TDataset>(LoadedDataset(reader)); }

TextMaker Res2dInvMaker(Dataset ds, Res2dInvSender sender) {
  const ExportOptions options;
  const Res2dInvPlan plan = PrepareRes2dInv(*ds, sender, options, ".dat");
  return [ds, plan, options] {
    NullMessenger m;
    return Res2dInvFileText(*ds, plan, options, m).size();
  };
}

[[maybe_unused]] const bool registered = [] {
  Register("Write/Res2dInvUsual", [] { return Res2dInvMaker(Loaded("Open/Syscal001"), Res2dInvSender::aRes2dInv); });
  Register("Write/Res2dInvGeneral",
           [] { return Res2dInvMaker(Loaded("Open/Syscal001"), Res2dInvSender::aRes2dInv_new); });
  Register("Write/Res2dInvTimeLapse", [] {
    Dataset ds = Loaded("Open/Res2dInvTimeLapse");
    // The command's checks set the time steps; the dialog is cancelled.
    NullMessenger messenger;
    ExportTimeLapse(*ds, ExportOptions{}, ".dat", [](const SaveDialogDescription&) { return std::nullopt; },
                      messenger);
    return Res2dInvMaker(ds, Res2dInvSender::aTimeLapse);
  });
  Register("Write/Sondo", [] {
    Dataset ds = Loaded("Open/Syscal001");
    return TextMaker([ds] {
      const GridSettings settings;
      const SondoSoundings soundings = BuildSondoSoundings(*ds, -1, settings);
      return SondoMainText(*ds, soundings).size() + SondoErrorText(*ds, soundings).size() +
             SondoProfileText(*ds).size();
    });
  });
  Register("Write/SensInv2D", [] {
    Dataset ds = Loaded("Open/Syscal001");
    PrepareSensInv2D(*ds);
    return TextMaker([ds] {
      const SensInvTexts t = SensInv2DText(*ds);
      return t.Geometry.size() + t.Configurations.size() + t.Resistances.size();
    });
  });
  Register("Write/Res2dMod", [] {
    Dataset ds = Loaded("Open/Syscal001");
    const Res2dModPreparation prep = PrepareRes2dMod(*ds);
    return TextMaker([ds, prep] { return Res2dModFileText(*ds, prep.UnitSpacing).Text.size(); });
  });
  Register("Write/SyscalSequence", [] {
    Dataset ds = Loaded("Open/SyscalSeq");
    return TextMaker([ds] { return SyscalFileBytes(*ds, SyscalSaveCaller::UserInterface, false).size(); });
  });
  Register("Write/ElectreIISequence", [] {
    Dataset ds = Loaded("Open/SyscalSeq");
    return TextMaker([ds] { return ElectreSequenceText(*ds, ElectreSender::None, false, 2).size(); });
  });
  Register("Write/AbemProtocol", [] {
    Dataset ds = Loaded("Open/SyscalSeq");
    return TextMaker([ds] {
      const AbemProtocolTexts t = AbemProtocolFiles(*ds, CableLayout::Long32);
      return t.org.size() + t.up.size() + t.dwn.size();
    });
  });
  return true;
}();

}  // namespace
}  // namespace tarvo::bench
