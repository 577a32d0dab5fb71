#pragma once

#include <cmath>
#include <vector>

#include "engine/display/contour_map.h"

// The grid of the map benchmarks: 2000 stations x 200 levels of apparent
// resistivity (a smooth field over three decades with short ripples), drawn
// into a 1600 x 600 pixel plot. Larger than a dataset holds, so that the
// figures bound every map the program draws.
namespace tarvo::bench {

struct MapBenchGrid {
  static constexpr int Stations = 2000;
  static constexpr int Levels = 200;
  static constexpr int Width = 1600;
  static constexpr int Height = 600;

  std::vector<float> cells;  // [station][level]
  std::vector<float> stationX;
  std::vector<float> spacing;
  std::vector<int> columns;
  std::vector<int> rows;
  ContourLevels levels;

  MapBenchGrid() : cells(static_cast<std::size_t>(Stations) * Levels) {
    for (int s = 0; s < Stations; ++s) {
      stationX.push_back(static_cast<float>(s) * 0.5f);
      for (int l = 0; l < Levels; ++l) {
        const double field = 1.5 * std::sin(s / 140.0) * std::cos(l / 23.0) + 0.3 * std::sin(s / 7.0 + l / 5.0);
        cells[static_cast<std::size_t>(s) * Levels + static_cast<std::size_t>(l)] =
            static_cast<float>(100 * std::exp(field * 2.3));
      }
    }
    for (int l = 0; l < Levels; ++l) spacing.push_back(1.0f + static_cast<float>(l));
    const AxisMapping across{stationX.front(), (Width - 1) / (stationX.back() - stationX.front()), 0, false};
    const AxisMapping down{spacing.front(), (Height - 1) / (spacing.back() - spacing.front()), 0, false};
    for (const float x : stationX) columns.push_back(across.Pixel(x));
    for (const float s : spacing) rows.push_back(down.Pixel(s));
    // The 21 colours of the first maps: 20 bounds over the cells' range.
    LogLevels(levels, MapLevelsPerDecade, 20, 3, 3000);
  }

  GridView View() const { return GridView{cells.data(), Levels, Stations, Levels}; }

  FilledMapInput Input() const {
    FilledMapInput in;
    in.grid = View();
    in.stationColumns = columns;
    in.levelRows = rows;
    in.logarithmic = true;
    return in;
  }
};

}  // namespace tarvo::bench
