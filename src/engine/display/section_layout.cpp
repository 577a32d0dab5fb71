#include "engine/display/section_layout.h"

#include <algorithm>
#include <cmath>

namespace tarvo {

namespace {

int RoundPixel(double v) {
  // Halves go to the even pixel, as every rounding of the program.
  return static_cast<int>(std::nearbyint(std::clamp(v, -SectionPixelLimit, SectionPixelLimit)));
}

}  // namespace

int SectionLayout::PixelX(double x) const { return RoundPixel((x - xFirst) * hScale + plot.left); }

int SectionLayout::PixelY(double s) const { return RoundPixel((0 - s) * vScale + plot.top); }

double SectionLayout::CoordinateAt(double px) const {
  const double x = (px - plot.left) / hScale + xFirst;
  return std::clamp(x, static_cast<double>(std::min(xFirst, xLast)), static_cast<double>(std::max(xFirst, xLast)));
}

double SectionLayout::SpacingAt(double py) const {
  const double s = (py - plot.top) / (0 - vScale);
  return std::clamp(s, 0.0, static_cast<double>(sMax));
}

SectionLayout LayOutSection(const TDataset& ds, int width, int height, const SectionMetrics& metrics) {
  SectionLayout l;
  l.width = width;
  l.height = height;
  const int h = (metrics.textHeight - 1) / 2;
  l.plot.left = h - 1 + metrics.fiveZerosWidth;
  l.plot.right = std::max(width - 2, l.plot.left + 2);
  l.plot.top = 5;
  l.plot.bottom = std::max(height - 2 * h - 1, l.plot.top + 2);

  const int positions = std::clamp(ds.ElectrodePosCount, 0, MaxElectrodePositions);
  const int stations = std::clamp(ds.StationCount, 0, MaxStations);
  if (positions >= 1) {
    l.xFirst = ds.ElectrodePos[1];
    l.xLast = ds.ElectrodePos[positions];
  } else if (stations >= 1) {
    l.xFirst = ds.Stations[1];
    l.xLast = ds.Stations[stations];
  } else {
    l.xFirst = 0;
    l.xLast = 0;
  }
  if (!(std::fabs(static_cast<double>(l.xLast) - l.xFirst) > 1e-6)) {
    l.xFirst -= 1;
    l.xLast += 1;
  }

  // The levels are in ascending order of spacing after every analysis; the
  // largest one is taken all the same, so that no level lies below the plot.
  float largest = 0;
  for (int k = 1; k <= std::clamp(ds.LevelCount, 0, MaxLevels); ++k) largest = std::max(largest, ds.LevelSpacing[k]);
  l.sMax = largest > 0 ? largest : 1;

  l.hScale = static_cast<float>((l.plot.right - l.plot.left - 1) / (static_cast<double>(l.xLast) - l.xFirst));
  l.vScale = static_cast<float>((l.plot.bottom - l.plot.top - 1) / (0 - static_cast<double>(l.sMax)));
  return l;
}

bool SharesRowWithPreviousLevel(const TDataset& ds, int level) {
  return level >= 2 && level <= std::min(ds.LevelCount, MaxLevels) && ds.LevelSpacing[level] == ds.LevelSpacing[level - 1];
}

}  // namespace tarvo
