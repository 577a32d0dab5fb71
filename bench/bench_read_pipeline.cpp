// The read pipeline at full capacity: a Syscal data file of 500 quadripoles
// over 61 electrode positions, read, analysed and gridded with gap filling.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/array_types.h"
#include "core/byte_io.h"
#include "core/dataset.h"
#include "core/text_file.h"
#include "display/value_grid.h"
#include "import/syscal_reader.h"

namespace tarvo {
namespace {

class NullMessenger final : public Messenger {
public:
  Reply Show(MessageKind, std::string_view, Buttons) override { return Reply::Ok; }
};

// Dipole-dipole, a = 1 and 2, n = 1..6, over 61 electrodes 2 m apart: the
// first 500 quadripoles.
std::string WriteFullCapacityFile() {
  constexpr int electrodes = MaxElectrodePositions;
  std::vector<TQuadripole> quads;
  for (int a = 1; a <= 2 && quads.size() < MaxPoints; ++a) {
    for (int n = 1; n <= 6 && quads.size() < MaxPoints; ++n) {
      for (int first = 1; first + a * (n + 2) <= electrodes && quads.size() < MaxPoints; ++first) {
        const auto e = [&](int k) { return static_cast<std::int16_t>(first + k); };
        TQuadripole q{e(0), e(a), e(a * (n + 1)), e(a * (n + 2)), 1, 0};
        q.K = static_cast<float>(GeometricFactor(2.0 * q.A, 2.0 * q.B, 2.0 * q.M, 2.0 * q.N));
        quads.push_back(q);
      }
    }
  }

  std::vector<std::uint8_t> bytes;
  ByteWriter out(bytes);
  TFileHeader fh;
  SetFieldText(fh.Magic, "_DOC_");
  fh.DocType = DocTypeCurrent;
  fh.Encode(out);
  TSeqHeader sh;
  sh.ElectrodeTotal = electrodes;
  sh.QuadCount = static_cast<std::int16_t>(quads.size());
  sh.Encode(out);
  for (int n = 1; n <= electrodes; ++n) {
    TElectrode e;
    e.Number = static_cast<std::int16_t>(n);
    e.X = static_cast<float>(2 * (n - 1));
    e.Encode(out);
  }
  for (const auto& q : quads) q.Encode(out);
  for (std::size_t i = 0; i < quads.size(); ++i) {
    TSyscalRecord r;
    r.V = 100.0f + static_cast<float>(i % 17);
    r.I = 200.0f;
    r.Dev = static_cast<std::int16_t>(i % 3);
    r.Encode(out);
  }

  const auto path = (std::filesystem::temp_directory_path() / "tarvo-bench-full.001").string();
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

const std::string& FullCapacityFile() {
  static const std::string path = WriteFullCapacityFile();
  return path;
}

// The fastest possible pass: the file's bytes into memory.
void BM_FileBytesOnly(benchmark::State& state) {
  std::vector<std::uint8_t> bytes;
  for (auto _ : state) {
    ReadFileBytes(FullCapacityFile(), bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(BM_FileBytesOnly);

// Syscal read: decode, classify, layout analysis, values.
void BM_ReadSyscalFile(benchmark::State& state) {
  NullMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  for (auto _ : state) {
    TDataset ds;
    ds.FileName = FullCapacityFile();
    ReadInstrumentFile(ds, env);
    if (ds.PointCount != MaxPoints) state.SkipWithError("the file was not read whole");
    benchmark::DoNotOptimize(ds.BadCount);
  }
}
BENCHMARK(BM_ReadSyscalFile);

// Read plus a gap-filled resistivity grid of all sets, grids allocated once.
void BM_ReadAndGrid(benchmark::State& state) {
  NullMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  ValueGrid grid;
  ValueGrid raw;
  GridDescriptor descriptor;
  GridSettings settings;
  settings.InterpolationWidth = 2;
  for (auto _ : state) {
    TDataset ds;
    ds.FileName = FullCapacityFile();
    ReadInstrumentFile(ds, env);
    ds.SetCount = 1;
    ds.Sets[1] = TSetEntry{1, ds.PointCount, ds.ArrayType};
    BuildGrid(ds, settings, grid, raw, ds.ArrayType, -1, descriptor, false, nullptr);
    benchmark::DoNotOptimize(descriptor.StationCount);
  }
}
BENCHMARK(BM_ReadAndGrid);

// Grid building alone on a loaded dataset.
void BM_BuildGrid(benchmark::State& state) {
  NullMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  TDataset ds;
  ds.FileName = FullCapacityFile();
  ReadInstrumentFile(ds, env);
  ds.SetCount = 1;
  ds.Sets[1] = TSetEntry{1, ds.PointCount, ds.ArrayType};
  ValueGrid grid;
  ValueGrid raw;
  GridDescriptor descriptor;
  GridSettings settings;
  for (auto _ : state) {
    BuildGrid(ds, settings, grid, raw, ds.ArrayType, -1, descriptor, false, nullptr);
    benchmark::DoNotOptimize(descriptor.StationCount);
  }
}
BENCHMARK(BM_BuildGrid);

}  // namespace
}  // namespace tarvo
