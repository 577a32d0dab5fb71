#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/display/color_table.h"
#include "engine/display/contour_levels.h"
#include "engine/display/contour_map.h"
#include "engine/display/point_index.h"
#include "engine/display/section_layout.h"
#include "engine/display/section_status.h"
#include "engine/display/value_grid.h"

// The array configuration window without a window: what it draws (the
// electrodes, every data point at its station and level, the selected set,
// the hidden last lines), what a click picks, what its panels say, and the
// marking of picked points as deleted. The window paints what this holds
// and passes the operator's mouse and keys in.
namespace tarvo {

// What the main window decides about the drawing.
struct SectionViewOptions {
  bool mapOn = true;        // "Map On/Off"
  bool ipMode = false;      // "Res/IP" shows chargeability
  bool dataPoints = true;   // "Data points On/Off"
  int hiddenLastLines = 0;  // "Delete ... last lines"
  int interpolationWidth = 1;  // Options > "Interpolation"
  bool operator==(const SectionViewOptions&) const = default;
};

enum class SectionSymbol : std::uint8_t {
  GoodCross,      // blue "+", 5 x 5
  BadSquare,      // red filled square, 7 x 7
  PlannedCross,   // black "+": a sequence quadripole kept
  RemovedSquare,  // red filled square: a sequence quadripole removed
};

struct SectionMark {
  int x = 0;
  int y = 0;
  SectionSymbol symbol = SectionSymbol::GoodCross;
};

enum class SetSquareFill : std::uint8_t { Green, Blue, Red };

// A point of the selected set, drawn again as a 7 x 7 square outlined in green.
struct SectionSetSquare {
  int x = 0;
  int y = 0;
  SetSquareFill fill = SetSquareFill::Green;
};

struct SectionElectrode {
  int x = 0;
  bool deleted = false;  // drawn red instead of navy
};

// A tick of an axis: its pixel (row or column) and its label.
struct SectionTick {
  int pixel = 0;
  std::string label;
};

// Everything of a full redraw except the frame and the colour map.
struct SectionScene {
  std::vector<SectionTick> verticalTicks;    // spacing, labels left of the plot
  std::vector<SectionTick> horizontalTicks;  // coordinates shifted by XShift, labels under the plot
  int electrodeRow = 0;  // pixel row of spacing 0, where the triangles point
  std::vector<SectionElectrode> electrodes;
  std::vector<SectionMark> marks;
  std::vector<SectionSetSquare> setSquares;
  std::vector<int> hiddenLines;  // pixel rows of the hidden last levels
};

// A marker shape, centred on (x, y).
struct SectionMarker {
  bool visible = false;
  int x = 0;
  int y = 0;
  bool operator==(const SectionMarker&) const = default;
};

// Who asks for a pick: the operator's click, or the table window showing
// its current data point or electrode here.
enum class PickSender { PaintBox, TableDataGrid, TableElectrodeGrid };

// What the table window is to select after a pick (0: nothing).
struct PickOutcome {
  int dataRow = 0;       // SelectDataRow
  int electrodeRow = 0;  // SelectElectrodeRow
};

// Points whose marks a Delete (or its undo) changed.
struct SectionEdit {
  std::vector<int> changed;
  bool modified = false;  // a single-set sequence was edited: the main window shows "Modified"
};

class SectionView {
public:
  static constexpr int MarkerSize = 7;
  static constexpr int ElectrodeMarkerSize = 9;
  enum ElectrodeMarker { MarkerA, MarkerB, MarkerM, MarkerN };

  explicit SectionView(TDataset& ds);

  TDataset& Dataset() { return ds_; }
  const TDataset& Dataset() const { return ds_; }

  void SetMetrics(const SectionMetrics& metrics);
  // The shared colour table and the range multipliers of this window's map;
  // until they are given, the map uses a table and multipliers of its own.
  void SetColors(const ColorTable* colors, const RangeMultipliers* multipliers);
  // New options mark the layout dirty when they change the drawing.
  void SetOptions(const SectionViewOptions& options);
  const SectionViewOptions& Options() const { return options_; }

  // The paint box got a new size: the layout is dirty, the panels are
  // cleared, the markers hidden, the pick forgotten, "Remove double points"
  // enabled by the data and Delete disabled.
  void Resize(int width, int height);
  // The same after new data, a set selection or a mode change; `newData`
  // also forgets the last deletion, whose points belonged to other data.
  void Reset(bool newData);
  // The data changed (marks, thresholds): the next redraw lays out anew.
  // The pick stays, so that a second Delete restores what the first marked.
  void MarkDirty() { dirty_ = true; }
  bool Dirty() const { return dirty_; }

  // The layout part of a full redraw, run when the layout is dirty (nothing
  // without data): layout, scene and the picking index. Returns true when
  // it laid out anew.
  bool Refresh();

  const SectionLayout& Layout() const { return layout_; }
  const SectionScene& Scene() const { return scene_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // The set list's selection as a grid selector: -1 for none (or an entry
  // beyond the last set), else the entry b (set b + 1).
  int SetSelector() const;
  // The set whose points are searched and numbered: the selected one when
  // there are several sets, else 0 (all points).
  int PickSet() const;

  // A left click at pixel (px, py) of the paint box.
  PickOutcome MouseDown(int px, int py);
  // The pick at coordinate x and spacing s, as a click there would make it.
  PickOutcome PickAt(double x, double s, PickSender sender = PickSender::PaintBox);
  // The table window's data grid shows point i here.
  void ShowDataPoint(int i);
  // The table window's electrode grid picks electrode position n here.
  void ShowElectrode(int n);

  // The point under the mouse within `radius` pixels, 0 for none; of two
  // points on overlapping MN segments, the one the click would pick.
  int PointNear(int px, int py, double radius);

  // Selects every point of the searched set whose symbol lies in the pixel
  // rectangle; a Delete then marks them all.
  void SelectBand(int x0, int y0, int x1, int y1);
  const std::vector<int>& Band() const { return band_; }

  // Delete: the picked point's mark is toggled (a second Delete restores
  // it); for a band every good point gets marked, and a second Delete of
  // the same band restores exactly those (a band of bad points only has its
  // marks taken away). Table rows are told, the marker is hidden and the bad
  // points recounted. Nothing without a pick.
  SectionEdit Delete();
  // Restores the marks of the last Delete. Nothing when there is none.
  SectionEdit Undo();
  bool CanUndo() const { return !lastDeletion_.empty(); }

  // "Remove double points": in a sequence read from several files, the
  // quadripoles of sets 2..last that repeat an earlier set's (Q 254) are
  // marked deleted, and MergedCount becomes 0. The caller then selects the
  // last set. Returns the points changed, nothing when it does not apply.
  std::optional<std::vector<int>> RemoveDoublePoints();

  int SelectedPoint() const { return selected_; }
  const SectionMarker& Marker() const { return marker_; }
  const std::array<SectionMarker, 4>& ElectrodeMarkers() const { return electrodeMarkers_; }
  const SectionStatus& Status() const { return status_; }
  bool DeleteEnabled() const { return deleteEnabled_; }
  bool DoubleEnabled() const { return doubleEnabled_; }

  // Pixel position of point i's symbol, with the one-pixel offset of the
  // second of two overlapping MN segments; false when the point has no
  // station or level to stand on.
  bool PointPixel(int i, int& x, int& y) const;

  // The window's caption: with a colour map of measured data the one of the
  // map, else the one of the array.
  std::string Caption() const;
  // The colour map is drawn: map on and measured data.
  bool ShowsMap() const;

  // The colour map of the last layout: the window's grid, its range and
  // levels, and the spans of colour classes in paint-box pixels (empty
  // without a map).
  const FilledMap& Map() const { return map_; }
  const ContourLevels& Levels() const { return levels_; }
  const ValueRange& Range() const { return range_; }
  const GridDescriptor& GridDescription() const { return descriptor_; }
  const ColorTable& Colors() const { return colors_ != nullptr ? *colors_ : ownColors_; }

  // Counters that grow whenever a layout run changed what they name, so
  // that a window keeps its images of them until then: the scene (every
  // run of Refresh) and the spans of the colour map (only when the map
  // differs; a run on the same grid, range and layout keeps the spans).
  std::uint64_t SceneGeneration() const { return sceneGeneration_; }
  std::uint64_t MapGeneration() const { return mapGeneration_; }

private:
  void EnsureLayout();
  void BuildScene();
  void BuildTicks();
  void BuildMap();
  void BuildIndex();
  void BuildPixelTables();
  bool SameMapInput(const GridView& view) const;
  void KeepMapInput(const GridView& view);
  void ShowPick(int i, double x, double s);
  void ClearPick();
  int ResolveOverlap(int picked, double s) const;
  void Toggle(const std::vector<int>& points);
  std::pair<int, int> ScopeRange() const;  // first and last point searched

  TDataset& ds_;
  SectionViewOptions options_;
  SectionMetrics metrics_;
  int width_ = 0;
  int height_ = 0;
  bool dirty_ = true;

  SectionLayout layout_;
  SectionScene scene_;

  // The colour map: the window's own grid, built when the map is drawn.
  const ColorTable* colors_ = nullptr;
  const RangeMultipliers* multipliers_ = nullptr;
  ColorTable ownColors_;
  RangeMultipliers ownMultipliers_;
  std::unique_ptr<ValueGrid> grid_;
  std::unique_ptr<ValueGrid> raw_;
  GridDescriptor descriptor_;
  ValueRange range_;
  ContourLevels levels_;
  ContourLevels ticks_;
  FilledMap map_;
  std::vector<int> columns_;
  std::vector<int> rows_;
  PointIndex index_;
  std::vector<IndexSite> sites_;
  std::vector<IndexSite> newSites_;
  double indexHScale_ = 0;
  double indexVScale_ = 0;
  std::pair<int, int> indexScope_{1, 0};

  // Pixel column of each station and row of each level (with the
  // one-pixel offset of a level sharing the previous one's row), at [0]
  // for station or level 1: the scene places every point from these.
  std::vector<int> stationPixels_;
  std::vector<int> levelPixels_;
  std::vector<std::uint8_t> levelShifted_;

  // What the spans of map_ were made from: the grid's cells, its pixel
  // columns and rows, the levels and the scale. A run on the same input
  // keeps the spans; the range is kept while the grid and multipliers are.
  bool mapValid_ = false;
  std::vector<float> mapCells_;
  int mapStations_ = 0;
  int mapLevels_ = 0;
  std::vector<int> mapColumns_;
  std::vector<int> mapRows_;
  ContourLevels mapContours_;
  bool mapLogarithmic_ = false;
  RangeMultipliers rangeMultipliers_;
  bool rangeIp_ = false;
  bool rangeValid_ = false;
  std::uint64_t sceneGeneration_ = 0;
  std::uint64_t mapGeneration_ = 0;

  int selected_ = 0;
  std::vector<int> band_;
  bool bandDeleted_ = false;       // the last Delete marked the current band
  std::vector<int> lastDeletion_;  // points the last Delete toggled
  SectionMarker marker_;
  std::array<SectionMarker, 4> electrodeMarkers_{};
  SectionStatus status_;
  bool deleteEnabled_ = false;
  bool doubleEnabled_ = false;
};

}  // namespace tarvo
