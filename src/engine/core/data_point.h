#pragma once

#include <cstdint>
#include <type_traits>

#include "engine/core/capacities.h"
#include "engine/core/tables.h"

namespace tarvo {

// One data point: a measured (or planned) quadripole with its electrode
// coordinates, its place in the pseudosection and its values. Points are
// moved between tables as whole records.
struct TDataPoint {
  float Rho = 0;      // apparent resistivity (Ohm.m); K while the dataset is a sequence
  float X = 0;        // abscissa in the pseudosection (m)
  float Spacing = 0;  // sounding parameter R of the array type
  float MN = 0;       // potential dipole length (m)
  float Dev = 0;      // deviation in percent, as read from a text file
  std::uint8_t Q = 0; // quality code: error percent, 100 rejected, 255 planned, 254 repeated; xor 253 = deleted
  int Level = 0;      // index into the level lists
  std::uint8_t PointType = 0;       // array-type code 1..8
  std::uint8_t ElectrodeCount = 0;  // 2, 3 or 4
  int Station = 0;    // index into the station list
  int Number = 0;     // number of the quadripole in its sequence
  int LineNo = 0;     // line of the source text file
  float XA = 0, XB = 0, XM = 0, XN = 0;
  float ZA = 0, ZB = 0, ZM = 0, ZN = 0;
  float I = 0;        // current (mA)
  float V = 0;        // voltage (mV)
  float IP = 0;       // apparent chargeability
  float SP = 0;       // self-potential (mV)
  FixedTable<float, MaxIPWindows> M;  // IP decay windows M1..M20
  float R = 0;        // resistance (Ohm) when the file gave resistances rather than resistivities, else 0
  float Err = 0;      // error estimate of Rho in percent, when the file gives one (TDataset::HasErrors)
};

static_assert(std::is_trivially_copyable_v<TDataPoint>);

// One set: an inclusive range of points with one array type.
struct TSetEntry {
  int First = 0;
  int Last = 0;
  std::uint8_t Type = 0;
  bool operator==(const TSetEntry&) const = default;
};

}  // namespace tarvo
