#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/capacities.h"
#include "engine/core/dataset.h"
#include "engine/core/syscal_records.h"
#include "engine/import/open_command.h"
#include "engine/import/read_environment.h"

// The new-sequence generator: designs a measurement sequence for a line of
// equally spaced electrodes from the chosen array, electrode count, step
// between sounding positions and checked (AM, MN) items, and loads it as the
// current dataset. All positions are in electrode numbers; electrode k lies
// at X = k - 1 electrode spacings, and geometric factors are in spacings.
namespace tarvo {

// The arrays the generator offers, in the order of its choice list.
enum class GeneratorArray : int {
  PoleDipole = 0,
  HalfWenner = 1,
  WennerAlpha = 2,
  WennerBeta = 3,
  Schlumberger = 4,
  DipoleDipole = 5,
};
inline constexpr int GeneratorArrayCount = 6;

inline constexpr std::array<std::string_view, GeneratorArrayCount> GeneratorArrayNames = {
    "Pole-dipole", "Half-Wenner", "Wenner-Alpha", "Wenner-Beta", "Schlumberger", "Dipole-Dipole",
};

// Names of the generated sequences (title and file name), by array.
inline constexpr std::array<std::string_view, GeneratorArrayCount> GeneratedSequenceNames = {
    "new_amn", "new_hw", "new_wa", "new_wb", "new_amnb", "new_abmn",
};

// Dipole lengths MN (in spacings) of the MN check lists, one list per length.
inline constexpr std::array<int, 7> DipoleLengths = {1, 3, 5, 7, 9, 15, 21};
inline constexpr int DipoleListCount = static_cast<int>(DipoleLengths.size());
inline constexpr int CheckListItemCount = 50;

inline constexpr int MinGeneratorElectrodes = 16;
inline constexpr int MaxGeneratorElectrodes = 256;  // what the choice control offers
inline constexpr int GeneratorElectrodeStep = 8;

// Which check list an item belongs to: an MN list (by its index into
// DipoleLengths) or the Wenner list.
struct CheckListRef {
  bool wenner = false;
  int dipoleList = 0;  // 0..DipoleListCount-1 when !wenner
};

// The choices of the generator window, kept between uses.
struct SequenceGeneratorState {
  int electrodes = 64;
  GeneratorArray array = GeneratorArray::PoleDipole;
  int step = 2;  // electrodes between sounding positions: 1 or 2
  std::array<std::array<bool, CheckListItemCount>, DipoleListCount> dipoleChecks{};
  std::array<bool, CheckListItemCount> wennerChecks{};

  // Items 1..8 of the MN = 1 list, and the Wenner items 0, 1, 2, 4, .., 16.
  SequenceGeneratorState();

  bool& Checked(CheckListRef list, int item);
  bool Checked(CheckListRef list, int item) const;
};

// True for the arrays that use the Wenner list (Half-Wenner and the two
// Wenner arrays); the others use the MN lists.
bool UsesWennerList(GeneratorArray array);

// The (AM, MN) pair of item i (0-based) of a list, in spacings.
struct ItemPair {
  int am = 0;
  int mn = 0;
};
ItemPair CheckListItem(CheckListRef list, int item);

// A check-list item and the list it belongs to.
struct CheckListPosition {
  CheckListRef list;
  int item = 0;
};

// The item of the lists the array uses that the list shows as "AM/MN" with
// these numbers (for dipole-dipole the shown AM is 2 AM - MN); nothing when
// no item shows them.
std::optional<CheckListPosition> FindCheckListItem(GeneratorArray array, int shownAm, int mn);

// Electrodes of one placement, as written into the sequence (0 = absent).
struct Placement {
  bool valid = false;
  int A = 0;
  int B = 0;
  int M = 0;
  int N = 0;
};

// Places the item (AM, MN) with its potential dipole centred at sounding
// position x (x ends in .5, MN is odd) on a line of `electrodes` electrodes.
Placement PlaceQuadripole(GeneratorArray array, int electrodes, int am, int mn, double x);

// Geometric factor (in spacings) of a valid placement, by the closed form of
// the array.
double GeneratedFactor(GeneratorArray array, const Placement& p);

// Number of valid placements of one item over the sounding positions.
int ItemQuadripoleCount(const SequenceGeneratorState& state, CheckListRef list, int item);

// Sum of the counts of every checked item of the lists the array uses.
int TotalQuadripoles(const SequenceGeneratorState& state);

// True when the item, as measured with the next smaller dipole, overlaps a
// checked spacing there (or one that overlaps in turn).
bool ItemOverlaps(const SequenceGeneratorState& state, CheckListRef list, int item);

// Text of a check-list item: "AM/MN", R, (K/a), " Yes" for an overlap and,
// when checked, the number of quadripoles it gives.
std::string ItemText(const SequenceGeneratorState& state, CheckListRef list, int item, int extraDigits);

// Header line of the check lists for the array.
std::string_view ListHeader(GeneratorArray array);

// Every quadripole of the state in generation order: the lists from the
// largest dipole to the smallest (or the Wenner list), items from the last
// to the first, sounding positions ascending.
std::vector<TQuadripole> GenerateQuadripoles(const SequenceGeneratorState& state);

// Builds the sequence in memory as a loaded sequence that still waits for
// the open command's rebuild (OpenCaller::RebuildGenerated): headers from the
// template at templatePath (its messages are shown, the generation goes on
// without it), electrodes, quadripoles and their classification. FileName
// becomes directory/name.seq. Refuses, after telling the operator, an
// electrode count outside MinGeneratorElectrodes..MaxGeneratorElectrodes, a step other
// than 1 or 2, no quadripole at all, or more than MaxPoints quadripoles;
// those refusals leave the dataset untouched.
bool BuildGeneratedSequence(TDataset& ds, const SequenceGeneratorState& state, const std::string& directory,
                            const std::string& templatePath, Messenger& messenger);

struct GenerateResult {
  bool generated = false;  // false: refused, the dataset is untouched
  OpenResult open;         // what the open command worked out for the new dataset
};

// BuildGeneratedSequence followed by the open command's rebuild: the
// generated sequence becomes the current dataset.
GenerateResult GenerateSequence(TDataset& ds, const SequenceGeneratorState& state, const std::string& directory,
                                OpenCommandState& openState, ReadEnvironment& env);

}  // namespace tarvo
