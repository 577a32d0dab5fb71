#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"

// The eight electrode arrays: their names, the classification of quadripoles
// into them, their pseudosection position and sounding parameter, and the
// geometric factor.
namespace tarvo {

enum ArrayCode : std::uint8_t {
  NoArrayType = 0,
  PolePole = 1,
  Schlumberger = 2,
  Wenner = 3,
  ForwardPoleDipole = 4,
  ReversePoleDipole = 5,
  DipoleDipole = 6,
  WennerBeta = 7,
  Asymmetrical = 8,
};

// Indexed by array code; entry 0 is the empty name of "no type".
inline constexpr std::array<std::string_view, ArrayTypeCount + 1> ArrayTypeNames = {
    "",
    "pole-pole (AM)",
    "Schlumberger (AMNB)",
    "Wenner (AMNB)",
    "forward pole-dipole (AMN)",
    "reverse pole-dipole (MNB)",
    "dipole-dipole (ABMN)",
    "Wenner(Beta)",
    "Asymmetrical (AMNB)",
};

// Name of the sounding parameter R of each array.
inline constexpr std::array<std::string_view, ArrayTypeCount + 1> SpacingLabels = {
    "", "AM", "AB/2", "AB/3", "AO", "OB", "OO'/2", "a", "AO",
};

// Short names, written as sequence titles.
inline constexpr std::array<std::string_view, ArrayTypeCount + 1> ArrayShortNames = {
    "", "AM", "AMNB", "WennerA", "AMN", "MNB", "ABMN", "WennerB", "Asymmetr",
};

// One letter per array code, "USWSSDNS" in code order (index 0 is a blank).
inline constexpr std::string_view ArrayLetters = " USWSSDNS";

// Array number of a Res2dInv data file (1..8) to array code; 0 = not supported.
inline constexpr std::array<std::uint8_t, 9> Res2dInvTypeMap = {0, 3, 1, 6, 7, 0, 4, 2, 0};

inline bool IsValidArrayCode(int code) { return code >= 1 && code <= ArrayTypeCount; }

// Which electrodes of a quadripole are present (a pole array leaves B, or B
// and N, at infinity).
struct ElectrodePresence {
  bool A = true;
  bool B = true;
  bool M = true;
  bool N = true;
};

// K = 2 pi / (1/AM - 1/AN - 1/BM + 1/BN) over the horizontal distances of the
// present electrode pairs. Degenerate geometry gives an infinite or NaN
// result; each caller decides how to react.
double GeometricFactor(double xA, double xB, double xM, double xN, ElectrodePresence present = {});

// Equal-spacing test of point i (A B M N or A M N B / B A M N with equal gaps).
bool IsEqualSpacing(const TDataset& ds, int i);

// Equal-spacing test of the sequence's points 1..SeqHeader.QuadCount; points
// in the order A B M N get XA and XB exchanged. Stops at the first point that
// fails.
bool AllEqualSpacing(TDataset& ds);

// Classifies point i of a text file from its ElectrodeCount and coordinates:
// writes PointType, X, Spacing and MN, fills absent B and N with their
// partner's coordinate and records the type in TypesPresent. Returns false,
// after telling the operator, when the point's electrodes fit no array.
bool ClassifyPoint(TDataset& ds, int i, Messenger& messenger);

// Classifies the instrument sequence in Quads and Electrodes from its first
// quadripole: builds SeqHeader.QuadCount points with their coordinates,
// ArrayType, X, Spacing and MN, then runs the layout analysis. Returns false,
// after telling the operator, when a quadripole addresses no valid electrode
// or the first one fits no array.
bool ClassifySequence(TDataset& ds, Messenger& messenger);

// Merges Wenner into Schlumberger and Wenner-beta into dipole-dipole when both
// members of a pair occur among the points.
void UnifyTypes(TDataset& ds);

}  // namespace tarvo
