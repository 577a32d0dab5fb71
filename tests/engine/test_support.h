#pragma once

#include <initializer_list>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/dataset.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/messenger.h"

namespace tarvo::test {

// Electrode abscissas of one text-file point; absent electrodes are NoElectrode.
struct PointGeometry {
  int electrodeCount;
  float xA, xB, xM, xN;
};

// Appends a point with the given electrodes to the dataset's table.
inline int AddTextPoint(TDataset& ds, const PointGeometry& g) {
  ds.Points.Append(TDataPoint{});
  ds.PointCount = ds.Points.Size();
  TDataPoint& p = ds.Points[ds.PointCount];
  p.ElectrodeCount = static_cast<std::uint8_t>(g.electrodeCount);
  p.XA = g.xA;
  p.XB = g.xB;
  p.XM = g.xM;
  p.XN = g.xN;
  p.LineNo = ds.PointCount;
  return ds.PointCount;
}

// A Syscal-like layout: electrodes 1..count at X = (n - 1) * spacing.
inline void MakeLine(TDataset& ds, int count, float spacing) {
  ds.SeqHeader.ElectrodeTotal = static_cast<std::int16_t>(count);
  for (int n = 1; n <= count; ++n) {
    ds.Electrodes[n].Number = static_cast<std::int16_t>(n);
    ds.Electrodes[n].X = static_cast<float>(n - 1) * spacing;
  }
}

// Sets the sequence's quadripoles (A, B, M, N electrode numbers, 0 absent).
inline void SetQuads(TDataset& ds, std::initializer_list<std::array<int, 4>> quads) {
  ds.Quads.Resize(static_cast<int>(quads.size()));
  int i = 0;
  for (const auto& q : quads) {
    ++i;
    ds.Quads[i] = TQuadripole{static_cast<std::int16_t>(q[0]), static_cast<std::int16_t>(q[1]),
                              static_cast<std::int16_t>(q[2]), static_cast<std::int16_t>(q[3]), 1, 1.0f};
  }
  ds.SeqHeader.QuadCount = static_cast<int>(quads.size());
}

}  // namespace tarvo::test
