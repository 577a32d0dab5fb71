#include "engine/filters/median_ip.h"

#include <algorithm>
#include <vector>

#include "engine/filters/median_of.h"

namespace tarvo {

void MedianIPSettings::Clamp() {
  TypeWindowR = std::clamp(TypeWindowR, 0, 1);
  TypeAreaR = std::clamp(TypeAreaR, 0, 1);
  WindowX = std::clamp(WindowX, 1, 9);
  WindowY = std::clamp(WindowY, 1, 9);
}

IPFilterParts SmoothIP(const FilterGrid& data, const MedianIPSettings& input) {
  MedianIPSettings settings = input;
  settings.Clamp();
  IPFilterParts parts;
  parts.Smoothed.ShapeLike(data);
  parts.Removed.ShapeLike(data);
  const int X = settings.WindowX;
  const int Y = settings.WindowY;
  const bool cross = settings.TypeAreaR == 1;
  std::vector<float> buffer;
  buffer.reserve(static_cast<std::size_t>(X * Y));
  for (int j = 1; j <= data.StationCount; ++j) {
    const int s0 = std::max(1, j - X / 2);
    const int s1 = std::min(data.StationCount, j - X / 2 + X - 1);
    for (int i = 1; i <= data.LevelCount; ++i) {
      const float centre = data.At(j, i);
      if (IsEmptyCell(centre)) continue;
      const int l0 = std::max(1, i - Y / 2);
      const int l1 = std::min(data.LevelCount, i - Y / 2 + Y - 1);
      buffer.clear();
      for (int s = s0; s <= s1; ++s) {
        for (int l = l0; l <= l1; ++l) {
          if (cross && s != j && l != i) continue;
          const float v = data.At(s, l);
          if (!IsEmptyCell(v)) buffer.push_back(v);
        }
      }
      const double smoothed = settings.TypeWindowR == 1 ? MeanOf(buffer) : MedianOf(buffer);
      parts.Smoothed.At(j, i) = static_cast<float>(smoothed);
      parts.Removed.At(j, i) = static_cast<float>(centre - smoothed);
    }
  }
  return parts;
}

}  // namespace tarvo
