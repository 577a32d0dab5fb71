#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/capacities.h"
#include "engine/core/data_kind.h"
#include "engine/core/data_point.h"
#include "engine/core/decay_fits.h"
#include "engine/core/ip_windows.h"
#include "engine/core/reciprocal_pairs.h"
#include "engine/core/inversion_model.h"
#include "engine/core/syscal_records.h"
#include "engine/core/tables.h"
#include "engine/core/thresholds.h"

namespace tarvo {

// Notifications the dataset sends to whoever shows it (the windows in the
// GUI). Every method has an empty default so a view implements what it needs.
class DatasetObserver {
public:
  virtual ~DatasetObserver() = default;
  virtual void BadCountChanged() {}          // BadCount or marks changed: redraw counts and views
  virtual void PointChanged(int /*point*/) {} // one point's values or marks changed
  virtual void SetSelected(int /*set*/) {}   // a set became current
  virtual void ElectrodeNumbersChanged(bool /*available*/) {}
};

// The IP window schedule an instrument file gives (ms): the delay between
// the cut of the current and the first window, then the width of each
// window, the next starting where the previous ends. Windows the file does
// not give are 0; Known is false when the file gives no schedule.
struct TIPWindowTimes {
  bool Known = false;
  float Delay = 0;
  FixedTable<float, MaxIPWindows> Widths;
  bool operator==(const TIPWindowTimes&) const = default;
};

// Where the remote electrodes of pole arrays stand when a file says so: B
// (the "C2" of pole-pole and pole-dipole data) and N (the "P2" of pole-pole
// data). The points keep these electrodes absent; a writer that can place a
// remote electrode takes its position from here.
struct TRemoteElectrodes {
  bool HasB = false;
  bool HasN = false;
  float XB = 0, ZB = 0;
  float XN = 0, ZN = 0;
  bool operator==(const TRemoteElectrodes&) const = default;
};

struct ElectrodeXZEntry {
  float X = 0;
  float Z = 0;
  bool operator==(const ElectrodeXZEntry&) const = default;
};

// The survey dataset: every table and scalar of what the operator has loaded.
// The application owns exactly one and passes it by reference; tests make
// their own.
struct TDataset {
  // Layer 1: the instrument layout.
  Table<TQuadripole> Quads;  // empty when no instrument sequence is held
  BoundedTable<TElectrode, MaxElectrodes> Electrodes;
  TFileHeader FileHeader;
  TSeqHeader SeqHeader;
  Table<TSyscalRecord> SyscalRaw;  // measurement block of a Syscal data file, kept for rewriting

  // Layer 2: the data points.
  Table<TDataPoint> Points;
  int PointCount = 0;
  bool PointsMerged = false;  // Points is the table the open command merged; ClearDataset keeps it

  // Layer 3: the sets.
  BoundedTable<TSetEntry, MaxSets> Sets;
  int SetCount = 0;
  BoundedTable<TFileHeader, MaxSets> SetFileHeaders;
  BoundedTable<TSeqHeader, MaxSets> SetSeqHeaders;
  std::vector<std::string> SetNames;  // entries of the set list, entry k-1 names set k
  int SelectedSetEntry = -1;          // list entry recorded as current, -1 none

  std::uint8_t ArrayType = 0;
  int SequenceSetCount = 0;
  float DataKind = DataKindNone;
  bool HasIP = false;
  bool HasSP = false;
  int IPWindowCount = 0;
  TIPWindowTimes IPWindowTimes;  // as the file read gives them
  bool HasErrors = false;        // the points carry error estimates (TDataPoint::Err)
  TRemoteElectrodes RemoteElectrodes;
  bool ReadOnlyData = false;
  std::string FileName;
  int TimeSetCount = 0;
  int BaseSetCount = 0;
  BoundedTable<float, MaxTimeSteps> TimeSetTimes;
  int PointsPerTime = 0;
  std::bitset<256> TypesPresent;
  int TypeGroupCount = 0;
  int BadCount = 0;
  int MergedCount = 0;
  float XShift = 0;

  // Derived lists, rebuilt by the layout analysis after every read.
  BoundedTable<float, MaxStations> Stations;
  int StationCount = 0;
  BoundedTable<float, MaxLevels> LevelSpacing;
  BoundedTable<float, MaxLevels> LevelMN;
  int LevelCount = 0;
  int LevelDupCount = 0;
  BoundedTable<float, MaxElectrodePositions> ElectrodePos;
  int ElectrodePosCount = 0;
  BoundedTable<int, MaxElectrodePositions> ElectrodePosNumber;
  BoundedTable<float, MaxElectrodePositions> ElectrodePosZ;
  BoundedTable<std::uint8_t, MaxElectrodePositions> ElectrodePosFlag;
  BoundedTable<ElectrodeXZEntry, MaxElectrodePositions> ElectrodeXZ;
  int ElectrodeXZCount = 0;
  // The profile was pasted for square interpolation: the electrodes' altitudes
  // come from the quadratic through the profile points around them.
  bool ElectrodeXZSquare = false;
  bool ElectrodeNumbersAvailable = false;
  // Altitudes the operator typed into the electrode table; each stands for
  // its position's working altitude until the table is filled again.
  BoundedTable<std::optional<double>, MaxElectrodePositions> TypedAltitude;
  // Normal and reciprocal readings paired after every read (reciprocals.h).
  TReciprocalPairs Reciprocals;
  // How well every point's IP windows follow a smooth decay (ip_decay.h).
  TDecayFits DecayFits;
  // The window schedule of the IP parameters window; the times of the decay
  // chart where the file gives none. Kept across reads.
  TIPParameters IPParameters;

  AcceptanceThresholds Thresholds;

  // State the main window shows and edits, which readers and writers use.
  std::vector<std::string> Memo;  // the comment memo; readers put a file's title in it
  int TopoDistanceType = 2;       // topography key: 1 or 2 (how topography x is measured)

  bool HasModel = false;     // inversion results of a Res2dInv ".inv" file are loaded
  TInversionModels Models;   // those results: the layered model under every station

  std::vector<DatasetObserver*> Observers;

  bool IsSequence() const { return tarvo::IsSequence(DataKind); }
  bool HasMeasurements() const { return tarvo::HasMeasurements(DataKind); }
  bool HasVoltageAndCurrent() const { return tarvo::HasVoltageAndCurrent(DataKind); }
  bool HasQuads() const { return !Quads.Empty(); }

  template <class F>
  void Notify(F&& f) const {
    for (auto* o : Observers) f(*o);
  }
};

// Releases the current data before a read (see the open command): the last
// set's sequence header comes back into SeqHeader, the quadripoles, the
// points (unless they are the open command's merged table) and the raw
// measurement block are released. Nothing happens when nothing is loaded.
void ClearDataset(TDataset& ds);

// Appends set (first, last, type) with copies of the current headers.
// Returns false, changing nothing, when all MaxSets sets are in use.
bool AddSet(TDataset& ds, int first, int last, std::uint8_t type);

// Makes set k current: its headers become the current headers and ArrayType
// its type. Nothing happens for k < 1 (no entry selected) or when entry k-1
// is already the current selection; k beyond the last set selects the last.
void SelectSet(TDataset& ds, int k);

// The comment memo shows the current file header's comments (a Syscal or
// ABEM file's comment line), except for apparent resistivities, whose memo
// keeps the title their reader put there. Run after every read, by the open
// command, and after every refresh of the main window's information panel,
// so that the window and tarvo-cli write the same titles and memo lines.
void ShowCommentsInMemo(TDataset& ds);

// Adds `shift` to a point's abscissa and its four electrode abscissas.
void ShiftPoint(TDataPoint& p, double shift);

// Makes the x shift of the header edit part of the data before an export
// writes them: XShift is added once to the layout electrodes, the stations,
// the electrode positions and altitudes, every point and the remote
// electrodes, then reset to 0.
void ApplyXShift(TDataset& ds);

}  // namespace tarvo
