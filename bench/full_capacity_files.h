// Files of every readable format at full capacity, written once per run into
// a temporary folder, and the loaded datasets the writers and views work on.
//
// The sequence: dipole-dipole over FixtureElectrodes electrodes 2 m
// apart, dipole length a = 1, 2, ... electrode steps with n = 1..20, five
// placements spread along the line for every (a, n) pair, until FixturePoints
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
  int a, b, m, n;  // electrode numbers 1..FixtureElectrodes
};

// The size of the files every reader, writer and view is timed on: the
// capacity the program had when these rows were first taken, so the rows
// stay comparable. bench_scaling.cpp times the larger lines.
inline constexpr int FixturePoints = 500;
inline constexpr int FixtureElectrodes = 61;

inline constexpr double ElectrodeStep = 2.0;  // m
inline constexpr int PlacementsPerLevel = 5;
inline constexpr int MaxDipoleN = 20;
inline constexpr int AbemLayoutElectrodes = 41;  // the standard layout of ABEM protocols
inline constexpr int IPWindows = MaxIPWindows;
inline constexpr int TimeSteps = 5;  // time-lapse file: FixturePoints / TimeSteps lines of TimeSteps values

inline double ElectrodeX(int e) { return ElectrodeStep * (e - 1); }

// placements 0: every position along the line; `points` quadripoles.
inline std::vector<BenchQuad> FullCapacityQuads(int electrodes = FixtureElectrodes,
                                                int placements = PlacementsPerLevel, int points = FixturePoints) {
  std::vector<BenchQuad> quads;
  for (int a = 1; static_cast<int>(quads.size()) < points; ++a) {
    const int before = static_cast<int>(quads.size());
    for (int n = 1; n <= MaxDipoleN && static_cast<int>(quads.size()) < points; ++n) {
      const int span = a * (n + 2);
      const int room = electrodes - span;  // first electrodes 1..room
      const int count = placements > 0 ? placements : room;
      if (room < count || count < 2) break;
      for (int k = 0; k < count && static_cast<int>(quads.size()) < points; ++k) {
        const int first = 1 + (room - 1) * k / (count - 1);
        quads.push_back({first, first + a, first + a * (n + 1), first + span});
      }
    }
    if (static_cast<int>(quads.size()) == before) throw std::logic_error("the line is too short for the points asked for");
  }
  return quads;
}

// Dipole-dipole quadripoles on `electrodes` electrodes, a = 1, 2, ... with
// n = 1..MaxDipoleN at every position, until there are `points`; a short line
// that has fewer distinct quadripoles measures them again (repeated
// readings, as a stacking instrument records them).
inline std::vector<BenchQuad> ScaledQuads(int points, int electrodes) {
  std::vector<BenchQuad> distinct;
  for (int a = 1; static_cast<int>(distinct.size()) < points; ++a) {
    const int before = static_cast<int>(distinct.size());
    for (int n = 1; n <= MaxDipoleN && static_cast<int>(distinct.size()) < points; ++n) {
      const int span = a * (n + 2);
      for (int first = 1; first + span <= electrodes && static_cast<int>(distinct.size()) < points; ++first) {
        distinct.push_back({first, first + a, first + a * (n + 1), first + span});
      }
    }
    if (static_cast<int>(distinct.size()) == before) break;
  }
  std::vector<BenchQuad> quads;
  quads.reserve(static_cast<std::size_t>(points));
  while (static_cast<int>(quads.size()) < points) quads.push_back(distinct[quads.size() % distinct.size()]);
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
std::string SyscalBytes(const std::vector<BenchQuad>& quads, bool withData, int electrodes = FixtureElectrodes);
std::string ProsysText(const std::vector<BenchQuad>& quads);
std::string ElectreText(const std::vector<BenchQuad>& quads, int electrodes = FixtureElectrodes);
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
inline std::string ReadCase(const ReaderCase& c, const std::string& templatePath, TDataset& ds,
                            int expectedPoints = FixturePoints) {
  static const ReaderTable readers = DefaultReaders();
  NullMessenger messenger;
  FixedChooser chooser(c.chooserAnswer);
  ReadEnvironment env{messenger, templatePath, c.chooserAnswer.empty() ? nullptr : &chooser};
  OpenCommandState state;
  OpenRequest request;
  request.files = {c.file};
  request.filterIndex = c.filterIndex;
  RunOpenCommand(ds, state, request, readers, env);
  if (ds.PointCount == expectedPoints) return {};
  return c.name + ": " + std::to_string(ds.PointCount) + " points; " + messenger.lastError;
}

// The Prosys text of ScaledQuads(points, electrodes) in the bench folder
// (written on first use); its path.
std::string ScaledProsysFile(int points, int electrodes);

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
