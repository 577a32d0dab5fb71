#pragma once

#include <array>
#include <cassert>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/capacities.h"
#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/save_dialog.h"
#include "engine/core/tables.h"
#include "engine/core/inversion_model.h"
#include "engine/display/value_grid.h"
#include "engine/export/export_options.h"

// Writer of the Sondo 1D-inversion files: the dataset as one vertical
// sounding per station (apparent resistivity against the array's spacing),
// with error weights, the profile geometry and, when an inversion model is
// loaded, a starting layered model per station. One group of files per array
// type (or per set of a time step): the main file in the "dat" format, or in
// the "dtg" format when levels repeat a spacing with a second MN (overlaps),
// the error weights (".bar" / ".bag"), the profile (".dpr") and the model
// (".res").
namespace tarvo {

// Most overlaps the "dtg" format describes.
inline constexpr int MaxSondoOverlaps = 9;

// Levels whose spacing repeats with a second MN: the width of each overlap
// (1, or 2 when two successive spacings repeat) and the first level of each.
struct SondoOverlaps {
  int Width = 0;
  std::vector<int> Positions;  // level indices, ascending
  bool Fits = true;            // false: more overlaps than MaxSondoOverlaps
};

SondoOverlaps FindSondoOverlaps(const TDataset& ds);

// The soundings of one export, on the dataset's stations and levels.
// A station x level table of the soundings, sized to the stations and levels
// in use (an export builds it once; a table at full capacity would cost more
// to clear than the whole export).
class SoundingTable {
public:
  SoundingTable() = default;
  SoundingTable(int stations, int levels, float initial)
      : stations_(stations), levels_(levels),
        cells_(static_cast<std::size_t>(stations) * static_cast<std::size_t>(levels), initial) {}

  float& operator()(int station, int level) { return cells_[Index(station, level)]; }
  float operator()(int station, int level) const { return cells_[Index(station, level)]; }

private:
  std::size_t Index(int station, int level) const {
    assert(station >= 1 && station <= stations_ && level >= 1 && level <= levels_);
    return static_cast<std::size_t>(station - 1) * static_cast<std::size_t>(levels_) +
           static_cast<std::size_t>(level - 1);
  }

  int stations_ = 0;
  int levels_ = 0;
  std::vector<float> cells_;
};

struct SondoSoundings {
  SoundingTable R;              // apparent resistivity; 0 = no value
  SoundingTable E;              // error of the point that set the cell, in percent (100 when none)
  SoundingTable Chargeability;  // only with KeyIP; 0 where the grid has no value
  std::vector<int> LastLevel;                    // [station]: deepest level with a value, 0 = none
  SondoOverlaps Overlaps;
  bool Dtg = false;    // overlaps present: the "dtg" format
  bool KeyIP = false;  // chargeability lines ("dat" format with IP)

  // Number of distinct spacings of a station's sounding.
  int DistinctSpacings(int station) const;
};

// Builds the soundings of the selected sets: setSelector -1 takes every set
// whose type is ds.ArrayType, a set number takes that set alone. Good points
// enter their station and level cell (two on one cell give their geometric
// mean); the empty levels above each station's last level are filled from the
// neighbouring stations, or else from the levels around them.
SondoSoundings BuildSondoSoundings(const TDataset& ds, int setSelector, const GridSettings& gridSettings);

// The texts of the four files.
std::string SondoMainText(const TDataset& ds, const SondoSoundings& soundings);
std::string SondoErrorText(const TDataset& ds, const SondoSoundings& soundings);
std::string SondoProfileText(const TDataset& ds);
std::string SondoModelText(const TDataset& ds, const TInversionModel& model);

// Elevation at x, interpolated linearly between the working altitudes of the
// electrodes (end segments extended); -1e15 with fewer than two electrodes.
float ElevationAt(const TDataset& ds, double x);

// What the save dialog of one group shows: the title "Sondo", the "dat" or
// "dtg" filter and extension, and "Sondo_", the sequence title and the time
// suffix as the proposed name.
SaveDialogDescription SondoDialog(const TDataset& ds, bool dtg, const std::string& timeSuffix);

// The files of a group, named after the chosen main file.
struct SondoFileNames {
  std::string Main;
  std::string Errors;    // ".bar" with "dat", ".bag" with "dtg"
  std::string Profile;   // ".dpr"
  std::string Model;     // ".res"
  std::string Obsolete;  // ".dtn", deleted before a "dtg" group is written
};

SondoFileNames SondoNames(const std::string& mainPath, bool dtg);

// The chooser is asked for every group; nothing means cancelled: the group
// is skipped and the command goes on.

struct SondoRun {
  bool Ok = true;                      // false: a file could not be written, or the levels do not fit the format
  std::vector<std::string> MainFiles;  // main file of every group written
};

// The command: one group of files per array type, or per set of every time
// step of a time-lapse dataset (each time step's stored model becoming the
// current model). The x shift is added to the data first (station
// positions of every file). Afterwards SeqHeader and ArrayType are those of
// the last set exported. models may be null (no model file is written then).
SondoRun ExportSondo(TDataset& ds, const GridSettings& gridSettings, TInversionModels* models,
                        const TargetChooser& chooser, Messenger& messenger);

// The command for a chosen target: the first group is written to `path`,
// every further group next to it under its proposed name (made unique).
// False when a file could not be written or nothing was written.
bool WriteSondo(TDataset& ds, const ExportOptions& options, const std::string& path, Messenger& messenger,
                TInversionModels* models = nullptr);

}  // namespace tarvo
