// Files of every readable format at full capacity, written once per run into
// a temporary folder, and the loaded datasets the writers and views work on.
//
// The sequence: dipole-dipole over MaxElectrodePositions electrodes 2 m
// apart, dipole length a = 1, 2, ... electrode steps with n = 1..20, five
// placements spread along the line for every (a, n) pair, until MaxPoints
// quadripoles: one level per pair (the level list at its capacity) and a
// station list as long as the placements allow. Every reader is handed the
// same quadripoles in its own format.
#pragma once

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/byte_io.h"
#include "engine/core/capacities.h"
#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/syscal_records.h"
#include "engine/core/text_file.h"
#include "engine/export/export_options.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/export/sensinv_writer.h"
#include "engine/import/open_command.h"
#include "engine/import/read_environment.h"
#include "engine/import/syscal_template.h"

namespace tarvo::bench {

// Shows nothing and keeps the last error, answering Yes and Ignore.
class NullMessenger final : public Messenger {
public:
  std::string lastError;
  Reply Show(MessageKind kind, std::string_view text, Buttons buttons) override {
    if (kind == MessageKind::Error) lastError = text;
    return buttons == Buttons::YesNo ? Reply::Yes : buttons == Buttons::AbortIgnore ? Reply::Ignore : Reply::Ok;
  }
};

// Answers the reader's request for a second file with a set path.
class FixedChooser final : public FileChooser {
public:
  explicit FixedChooser(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> ChooseFileToOpen(std::string_view, std::string_view) override { return path_; }

private:
  std::string path_;
};

struct BenchQuad {
  int a, b, m, n;  // electrode numbers 1..MaxElectrodePositions
};

inline constexpr double ElectrodeStep = 2.0;  // m
inline constexpr int PlacementsPerLevel = 5;
inline constexpr int MaxDipoleN = 20;
inline constexpr int AbemLayoutElectrodes = 41;  // the standard layout of ABEM protocols
inline constexpr int IPWindows = MaxIPWindows;
inline constexpr int TimeSteps = 5;  // time-lapse file: MaxPoints / TimeSteps lines of TimeSteps values

inline double ElectrodeX(int e) { return ElectrodeStep * (e - 1); }

// placements 0: every position along the line.
inline std::vector<BenchQuad> FullCapacityQuads(int electrodes = MaxElectrodePositions,
                                                int placements = PlacementsPerLevel) {
  std::vector<BenchQuad> quads;
  for (int a = 1; static_cast<int>(quads.size()) < MaxPoints; ++a) {
    const int before = static_cast<int>(quads.size());
    for (int n = 1; n <= MaxDipoleN && static_cast<int>(quads.size()) < MaxPoints; ++n) {
      const int span = a * (n + 2);
      const int room = electrodes - span;  // first electrodes 1..room
      const int count = placements > 0 ? placements : room;
      if (room < count || count < 2) break;
      for (int k = 0; k < count && static_cast<int>(quads.size()) < MaxPoints; ++k) {
        const int first = 1 + (room - 1) * k / (count - 1);
        quads.push_back({first, first + a, first + a * (n + 1), first + span});
      }
    }
    if (static_cast<int>(quads.size()) == before) throw std::logic_error("the line is too short for MaxPoints");
  }
  return quads;
}

inline double QuadK(const BenchQuad& q) {
  return GeometricFactor(ElectrodeX(q.a), ElectrodeX(q.b), ElectrodeX(q.m), ElectrodeX(q.n));
}

// A smooth apparent resistivity with one reading in 37 spoiled.
inline double QuadRho(const BenchQuad& q, std::size_t i, int timeStep = 0) {
  const double middle = (ElectrodeX(q.a) + ElectrodeX(q.n)) / 2.0;
  const double depth = ElectrodeX(q.n) - ElectrodeX(q.a);
  double rho = 80.0 + 30.0 * std::sin(middle / 17.0) - 0.4 * depth - 2.0 * timeStep;
  if (i % 37 == 11) rho *= 1.7;
  return rho;
}

inline constexpr double CurrentmA = 200.0;

// The file texts, CR LF line ends (the Syscal bytes as a string).
std::string SyscalBytes(const std::vector<BenchQuad>& quads, bool withData);
std::string ProsysText(const std::vector<BenchQuad>& quads);
std::string ElectreText(const std::vector<BenchQuad>& quads);
std::string AmpText(const std::vector<BenchQuad>& quads);
std::string ProtocolText(const std::vector<BenchQuad>& quads);
std::string TimeLapseText(const std::vector<BenchQuad>& quads);

// One file opened through the open command (reader, layout analysis and
// bad-point count), as the "Open" command runs it once the dialog is closed.
struct ReaderCase {
  std::string name;                // benchmark name
  std::string file;                // the file chosen in the dialog
  int filterIndex;                 // the dialog's file type
  std::vector<std::string> bytes;  // every file the read opens (the baseline reads them all)
  std::string chooserAnswer;       // second file the reader asks for, if any
};

// The folder, the template and every file; built on first use.
struct FullCapacityFiles {
  std::filesystem::path dir;
  std::string templatePath;
  std::vector<ReaderCase> readers;

  const ReaderCase& Reader(std::string_view name) const {
    for (const auto& r : readers) {
      if (r.name == name) return r;
    }
    throw std::logic_error("no reader case " + std::string(name));
  }
};

// Opens a case into ds; empty when every point arrived, else what went wrong.
inline std::string ReadCase(const ReaderCase& c, const std::string& templatePath, TDataset& ds) {
  static const ReaderTable readers = DefaultReaders();
  NullMessenger messenger;
  FixedChooser chooser(c.chooserAnswer);
  ReadEnvironment env{messenger, templatePath, c.chooserAnswer.empty() ? nullptr : &chooser};
  OpenCommandState state;
  OpenRequest request;
  request.files = {c.file};
  request.filterIndex = c.filterIndex;
  RunOpenCommand(ds, state, request, readers, env);
  if (ds.PointCount == MaxPoints) return {};
  return c.name + ": " + std::to_string(ds.PointCount) + " points; " + messenger.lastError;
}

// Writes the template and every file into the bench folder.
FullCapacityFiles MakeFullCapacityFiles();

inline const FullCapacityFiles& Files() {
  static const FullCapacityFiles files = MakeFullCapacityFiles();
  return files;
}

// A dataset loaded from one of the files, for the writers and the views.
inline TDataset LoadedDataset(std::string_view reader) {
  TDataset ds;
  const std::string error = ReadCase(Files().Reader(reader), Files().templatePath, ds);
  if (!error.empty()) throw std::runtime_error(error);
  return ds;
}

// Ties a benchmark to the baseline its ratio is taken against.
inline void SetBaseline(benchmark::State& state, const std::string& baseline) { state.SetLabel("vs " + baseline); }

}  // namespace tarvo::bench
