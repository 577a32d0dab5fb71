#include "engine/display/section_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"

namespace tarvo {

namespace {

int Clamped(int count, int capacity) { return std::clamp(count, 0, capacity); }

}  // namespace

SectionView::SectionView(TDataset& ds) : ds_(ds) {}

void SectionView::SetMetrics(const SectionMetrics& metrics) {
  if (metrics.textHeight == metrics_.textHeight && metrics.fiveZerosWidth == metrics_.fiveZerosWidth) return;
  metrics_ = metrics;
  dirty_ = true;
}

void SectionView::SetColors(const ColorTable* colors, const RangeMultipliers* multipliers) {
  colors_ = colors;
  multipliers_ = multipliers;
  dirty_ = true;
}

void SectionView::SetOptions(const SectionViewOptions& options) {
  if (options == options_) return;
  options_ = options;
  dirty_ = true;
}

void SectionView::Resize(int width, int height) {
  width_ = width;
  height_ = height;
  Reset(false);
}

void SectionView::Reset(bool newData) {
  ClearPick();
  status_ = {};
  deleteEnabled_ = false;
  doubleEnabled_ = ds_.IsSequence() && ds_.SetCount >= 2 && ds_.MergedCount >= 1;
  dirty_ = true;
  if (newData) {
    lastDeletion_.clear();
    bandDeleted_ = false;
  }
}

int SectionView::SetSelector() const {
  const int entry = ds_.SelectedSetEntry;
  return entry >= 0 && entry < ds_.SetCount ? entry : -1;
}

int SectionView::PickSet() const {
  const int selector = SetSelector();
  return ds_.SetCount > 1 && selector >= 0 ? selector + 1 : 0;
}

bool SectionView::ShowsMap() const { return options_.mapOn && ds_.HasMeasurements(); }

std::string SectionView::Caption() const {
  return ShowsMap() ? "Data and quadripoles configuration" : "Configuration of array";
}

// ---------------------------------------------------------------------------
// Layout, scene and index

bool SectionView::Refresh() {
  if (ds_.DataKind < DataKindSequence || !dirty_) return false;
  layout_ = LayOutSection(ds_, width_, height_, metrics_);
  BuildPixelTables();
  BuildMap();
  BuildScene();
  BuildTicks();
  BuildIndex();
  dirty_ = false;
  ++sceneGeneration_;
  return true;
}

void SectionView::BuildPixelTables() {
  const int stations = Clamped(ds_.StationCount, MaxStations);
  stationPixels_.resize(static_cast<std::size_t>(stations));
  for (int s = 1; s <= stations; ++s) stationPixels_[static_cast<std::size_t>(s - 1)] = layout_.PixelX(ds_.Stations[s]);
  const int levels = Clamped(ds_.LevelCount, MaxLevels);
  levelPixels_.resize(static_cast<std::size_t>(levels));
  levelShifted_.resize(static_cast<std::size_t>(levels));
  for (int l = 1; l <= levels; ++l) {
    levelPixels_[static_cast<std::size_t>(l - 1)] = layout_.PixelY(ds_.LevelSpacing[l]);
    levelShifted_[static_cast<std::size_t>(l - 1)] = SharesRowWithPreviousLevel(ds_, l) ? 1 : 0;
  }
}

void SectionView::EnsureLayout() {
  Refresh();
  // The set list may have changed without a redraw in between.
  if (ScopeRange() != indexScope_) BuildIndex();
}

std::pair<int, int> SectionView::ScopeRange() const {
  const int set = PickSet();
  if (set < 1) return {1, ds_.PointCount};
  return {std::max(ds_.Sets[set].First, 1), std::min(ds_.Sets[set].Last, ds_.PointCount)};
}

bool SectionView::PointPixel(int i, int& x, int& y) const {
  if (i < 1 || i > ds_.PointCount) return false;
  const TDataPoint& p = ds_.Points[i];
  if (p.Station < 1 || p.Station > Clamped(ds_.StationCount, MaxStations)) return false;
  if (p.Level < 1 || p.Level > Clamped(ds_.LevelCount, MaxLevels)) return false;
  x = layout_.PixelX(ds_.Stations[p.Station]);
  y = layout_.PixelY(ds_.LevelSpacing[p.Level]);
  if (SharesRowWithPreviousLevel(ds_, p.Level)) {
    ++x;
    ++y;
  }
  return true;
}

void SectionView::BuildScene() {
  SectionScene& s = scene_;
  s.electrodes.clear();
  s.marks.clear();
  s.setSquares.clear();
  s.hiddenLines.clear();
  s.electrodeRow = layout_.PixelY(0);

  for (int k = 1; k <= Clamped(ds_.ElectrodePosCount, MaxElectrodePositions); ++k) {
    s.electrodes.push_back({layout_.PixelX(ds_.ElectrodePos[k]), ds_.ElectrodePosFlag[k] != 0});
  }

  const bool sequence = ds_.IsSequence();
  const bool points = sequence || options_.dataPoints;
  if (points) {
    s.marks.reserve(static_cast<std::size_t>(ds_.PointCount));
    const int stations = static_cast<int>(stationPixels_.size());
    const int levels = static_cast<int>(levelPixels_.size());
    for (int i = 1; i <= ds_.PointCount; ++i) {
      const TDataPoint& p = ds_.Points[i];
      // As PointPixel places it, from the tables of this layout.
      if (p.Station < 1 || p.Station > stations || p.Level < 1 || p.Level > levels) continue;
      const int shift = levelShifted_[static_cast<std::size_t>(p.Level - 1)];
      SectionMark m;
      m.x = stationPixels_[static_cast<std::size_t>(p.Station - 1)] + shift;
      m.y = levelPixels_[static_cast<std::size_t>(p.Level - 1)] + shift;
      if (sequence) {
        m.symbol = ds_.Points[i].Q >= QRepeated ? SectionSymbol::PlannedCross : SectionSymbol::RemovedSquare;
      } else {
        m.symbol = IsBad(ds_, i) ? SectionSymbol::BadSquare : SectionSymbol::GoodCross;
      }
      s.marks.push_back(m);
    }
  }

  const int set = PickSet();
  if ((!options_.mapOn || !ds_.HasMeasurements()) && set >= 1) {
    const TSetEntry& e = ds_.Sets[set];
    for (int i = std::max(e.First, 1); i <= std::min(e.Last, ds_.PointCount); ++i) {
      SectionSetSquare q;
      if (!PointPixel(i, q.x, q.y)) continue;
      if (sequence && set != 1) {
        const std::uint8_t code = ds_.Points[i].Q;
        if (code == QRepeated) q.fill = SetSquareFill::Blue;
        if (code < QRepeated) q.fill = SetSquareFill::Red;
      }
      s.setSquares.push_back(q);
    }
  }

  const int levels = Clamped(ds_.LevelCount, MaxLevels);
  for (int j = 0; j < options_.hiddenLastLines && levels - j >= 1; ++j) {
    s.hiddenLines.push_back(layout_.PixelY(ds_.LevelSpacing[levels - j]));
  }
}

void SectionView::BuildTicks() {
  const SectionPlot& plot = layout_.plot;
  scene_.verticalTicks.clear();
  scene_.horizontalTicks.clear();
  // One label per text height down, one per width of "00000" across.
  const int rowsOfText = std::max(1, (plot.bottom - plot.top) / std::max(1, metrics_.textHeight));
  AxisTicks(ticks_, layout_.sMax, 0.01f, rowsOfText, false, 0.01f);
  for (int k = 1; k <= ticks_.Count; ++k) {
    const float v = ticks_.Bound(k);
    scene_.verticalTicks.push_back({layout_.PixelY(v), MapLabel(v)});
  }
  const double shift = ds_.XShift;
  const int columnsOfText = std::max(1, (plot.right - plot.left) / std::max(1, metrics_.fiveZerosWidth));
  AxisTicks(ticks_, static_cast<float>(layout_.xFirst + shift), static_cast<float>(layout_.xLast + shift),
            columnsOfText, false, 0.005f);
  for (int k = 1; k <= ticks_.Count; ++k) {
    const float v = ticks_.Bound(k);
    scene_.horizontalTicks.push_back({layout_.PixelX(v - shift), MapLabel(v)});
  }
}

void SectionView::BuildMap() {
  if (!ShowsMap()) {
    map_.Spans.clear();
    if (mapValid_) ++mapGeneration_;
    mapValid_ = false;
    return;
  }
  if (!grid_) {
    grid_ = std::make_unique<ValueGrid>();
    raw_ = std::make_unique<ValueGrid>();
  }
  GridSettings settings;
  settings.InterpolationWidth = options_.interpolationWidth;
  const bool ip = options_.ipMode;
  BuildGrid(ds_, settings, *grid_, *raw_, ds_.ArrayType, SetSelector(), descriptor_, ip, nullptr);
  const GridView view = ViewOf(*grid_, descriptor_);

  // The grid is built from the data every time (they may have changed
  // unannounced); what follows from it alone is kept while it is the same.
  const bool sameCells = SameMapInput(view);
  if (!sameCells) KeepMapInput(view);
  const RangeMultipliers& multipliers = multipliers_ != nullptr ? *multipliers_ : ownMultipliers_;
  if (!sameCells || !rangeValid_ || ip != rangeIp_ || multipliers.Min != rangeMultipliers_.Min ||
      multipliers.Max != rangeMultipliers_.Max) {
    range_ = AutoRangeConfiguration(view, ip, multipliers);
    rangeMultipliers_ = multipliers;
    rangeIp_ = ip;
    rangeValid_ = true;
  }
  // Levels the range cannot give (too many decades) leave the last ones in use.
  MapLevels(levels_, ip ? MapScale::Linear : MapScale::Logarithmic, Colors().Count, range_);

  columns_.resize(static_cast<std::size_t>(descriptor_.StationCount));
  for (int s = 1; s <= descriptor_.StationCount; ++s) columns_[static_cast<std::size_t>(s - 1)] = layout_.PixelX(descriptor_.Stations[s]);
  rows_.resize(static_cast<std::size_t>(descriptor_.LevelCount));
  for (int l = 1; l <= descriptor_.LevelCount; ++l) rows_[static_cast<std::size_t>(l - 1)] = layout_.PixelY(descriptor_.Spacing[l]);
  const bool logarithmic = !ip;
  const auto sameLevels = [](const ContourLevels& a, const ContourLevels& b) {
    return a.Count == b.Count && std::memcmp(a.Bounds.data(), b.Bounds.data(), sizeof(a.Bounds)) == 0;
  };
  // The band fill depends on nothing else: the same input gives the same spans.
  if (mapValid_ && sameCells && logarithmic == mapLogarithmic_ && columns_ == mapColumns_ && rows_ == mapRows_ &&
      sameLevels(levels_, mapContours_)) {
    return;
  }
  FilledMapInput input;
  input.grid = view;
  input.stationColumns = columns_;
  input.levelRows = rows_;
  input.logarithmic = logarithmic;
  input.logBoundLimit = 1e10f;
  BuildFilledMap(input, levels_, map_);
  mapColumns_ = columns_;
  mapRows_ = rows_;
  mapContours_ = levels_;
  mapLogarithmic_ = logarithmic;
  mapValid_ = true;
  ++mapGeneration_;
}

bool SectionView::SameMapInput(const GridView& view) const {
  if (mapCells_.empty() && (view.StationCount > 0 && view.LevelCount > 0)) return false;
  if (view.StationCount != mapStations_ || view.LevelCount != mapLevels_) return false;
  const auto levels = static_cast<std::size_t>(std::max(view.LevelCount, 0));
  for (int s = 1; s <= view.StationCount; ++s) {
    const float* cells = view.Cells + static_cast<std::size_t>(s - 1) * static_cast<std::size_t>(view.LevelStride);
    // Bit for bit, so that a NaN cell counts as the same.
    if (std::memcmp(cells, mapCells_.data() + static_cast<std::size_t>(s - 1) * levels, levels * sizeof(float)) != 0) {
      return false;
    }
  }
  return true;
}

void SectionView::KeepMapInput(const GridView& view) {
  mapStations_ = view.StationCount;
  mapLevels_ = view.LevelCount;
  const auto levels = static_cast<std::size_t>(std::max(view.LevelCount, 0));
  mapCells_.resize(static_cast<std::size_t>(std::max(view.StationCount, 0)) * levels);
  for (int s = 1; s <= view.StationCount; ++s) {
    const float* cells = view.Cells + static_cast<std::size_t>(s - 1) * static_cast<std::size_t>(view.LevelStride);
    std::copy_n(cells, levels, mapCells_.data() + static_cast<std::size_t>(s - 1) * levels);
  }
  // A new grid: neither the range nor the spans of the old one hold.
  rangeValid_ = false;
  mapValid_ = false;
}

void SectionView::BuildIndex() {
  newSites_.clear();
  indexScope_ = ScopeRange();
  const auto [first, last] = indexScope_;
  const int stations = Clamped(ds_.StationCount, MaxStations);
  const int levels = Clamped(ds_.LevelCount, MaxLevels);
  newSites_.reserve(static_cast<std::size_t>(std::max(0, last - first + 1)));
  for (int i = first; i <= last; ++i) {
    const TDataPoint& p = ds_.Points[i];
    if (p.Station < 1 || p.Station > stations || p.Level < 1 || p.Level > levels) continue;
    newSites_.push_back({ds_.Stations[p.Station], ds_.LevelSpacing[p.Level], i});
  }
  // The same sites at the same scales make the same index: a redraw after
  // a change of marks keeps it.
  const auto same = [](const IndexSite& a, const IndexSite& b) { return a.x == b.x && a.s == b.s && a.id == b.id; };
  const bool kept = index_.Size() == static_cast<int>(newSites_.size()) && indexHScale_ == layout_.hScale &&
                    indexVScale_ == layout_.vScale && newSites_.size() == sites_.size() &&
                    std::equal(newSites_.begin(), newSites_.end(), sites_.begin(), same);
  sites_.swap(newSites_);
  if (kept) return;
  indexHScale_ = layout_.hScale;
  indexVScale_ = layout_.vScale;
  index_.Build(sites_, layout_.hScale, layout_.vScale);
}

// ---------------------------------------------------------------------------
// Picking

void SectionView::ClearPick() {
  selected_ = 0;
  band_.clear();
  bandDeleted_ = false;
  marker_.visible = false;
  for (SectionMarker& m : electrodeMarkers_) m.visible = false;
}

PickOutcome SectionView::MouseDown(int px, int py) {
  if (ds_.DataKind < DataKindSequence) return {};
  if (px < 0 || py < 0 || px >= width_ || py >= height_) return {};
  EnsureLayout();
  return PickAt(layout_.CoordinateAt(px), layout_.SpacingAt(py));
}

int SectionView::ResolveOverlap(int picked, double s) const {
  const TDataPoint& p = ds_.Points[picked];
  const int levels = Clamped(ds_.LevelCount, MaxLevels);
  const int level = p.Level;
  if (level < 1 || level > levels) return picked;
  int other = 0;
  if (s > ds_.LevelSpacing[level] && level < levels && ds_.LevelSpacing[level + 1] == ds_.LevelSpacing[level]) {
    other = level + 1;
  } else if (!(s > ds_.LevelSpacing[level]) && level > 1 && ds_.LevelSpacing[level - 1] == ds_.LevelSpacing[level]) {
    other = level - 1;
  }
  if (other == 0) return picked;
  // The points of both levels at this station stand on the same place.
  for (int id : index_.At(ds_.Stations[p.Station], ds_.LevelSpacing[level])) {
    const TDataPoint& q = ds_.Points[id];
    if (q.Level == other && q.Station == p.Station) return id;
  }
  return picked;
}

PickOutcome SectionView::PickAt(double x, double s, PickSender sender) {
  PickOutcome outcome;
  if (ds_.DataKind < DataKindSequence) return outcome;
  EnsureLayout();
  ClearPick();

  const auto nothingPicked = [this] {
    deleteEnabled_ = false;
    status_.nD_p = NoPointText;
    status_.Roa_P = NoPointText;
    status_.El_P = NoElectrodesText;
  };

  // The strip above the first level belongs to the electrodes.
  if (Clamped(ds_.LevelCount, MaxLevels) >= 1 && s < ds_.LevelSpacing[1] / 2.0) {
    const int n = Clamped(ds_.ElectrodePosCount, MaxElectrodePositions);
    const double d = n >= 2 ? std::fabs(static_cast<double>(ds_.ElectrodePos[n]) - ds_.ElectrodePos[1]) / (n - 1) / 2
                            : 0.0;
    nothingPicked();
    for (int k = 1; k <= n; ++k) {
      if (std::fabs(ds_.ElectrodePos[k] - x) < d) {
        marker_ = {true, layout_.PixelX(ds_.ElectrodePos[k]), layout_.plot.top};
        status_.RX_P = PickPositionText(x, s);
        if (sender != PickSender::TableElectrodeGrid) outcome.electrodeRow = k;
        break;
      }
    }
    return outcome;
  }

  const int nearest = index_.Nearest(x, s);
  if (nearest == 0) {
    nothingPicked();
    return outcome;
  }
  const int picked = ResolveOverlap(nearest, s);
  ShowPick(picked, x, s);
  if (sender != PickSender::TableDataGrid) outcome.dataRow = picked;
  return outcome;
}

void SectionView::ShowPick(int i, double x, double s) {
  selected_ = i;
  int mx = 0;
  int my = 0;
  marker_ = {PointPixel(i, mx, my), mx, my};
  status_ = PickStatus(ds_, i, PickSet(), x, s);
  deleteEnabled_ = true;

  const TDataPoint& p = ds_.Points[i];
  const float xs[4] = {p.XA, p.XB, p.XM, p.XN};
  for (int k = 0; k < 4; ++k) {
    SectionMarker& m = electrodeMarkers_[static_cast<std::size_t>(k)];
    m.x = layout_.PixelX(xs[k]);
    m.y = ElectrodeMarkerSize / 2;
    // Poles far away stay hidden.
    m.visible = !IsAbsentCoordinate(xs[k]) && m.x >= 0 && m.x < width_;
  }
}

void SectionView::ShowDataPoint(int i) {
  if (ds_.DataKind < DataKindSequence || i < 1 || i > ds_.PointCount) return;
  EnsureLayout();
  ClearPick();
  const TDataPoint& p = ds_.Points[i];
  ShowPick(i, p.X, p.Spacing);
}

void SectionView::ShowElectrode(int n) {
  if (n < 1 || n > Clamped(ds_.ElectrodePosCount, MaxElectrodePositions)) return;
  PickAt(ds_.ElectrodePos[n], 0, PickSender::TableElectrodeGrid);
}

int SectionView::PointNear(int px, int py, double radius) {
  if (ds_.DataKind < DataKindSequence) return 0;
  EnsureLayout();
  const double s = layout_.SpacingAt(py);
  const int i = index_.NearestWithin(layout_.CoordinateAt(px), s, radius);
  return i == 0 ? 0 : ResolveOverlap(i, s);
}

void SectionView::SelectBand(int x0, int y0, int x1, int y1) {
  if (ds_.DataKind < DataKindSequence) return;
  EnsureLayout();
  ClearPick();
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  for (const IndexSite& site : sites_) {
    int x = 0;
    int y = 0;
    if (PointPixel(site.id, x, y) && x >= x0 && x <= x1 && y >= y0 && y <= y1) band_.push_back(site.id);
  }
  std::sort(band_.begin(), band_.end());
  deleteEnabled_ = !band_.empty();
  const auto range = [](double a, double b) { return FormatValue(a, 1) + ".." + FormatValue(b, 1); };
  status_.RX_P = "X=" + range(layout_.CoordinateAt(x0), layout_.CoordinateAt(x1)) +
                 " Ps.Z=" + range(layout_.SpacingAt(y0), layout_.SpacingAt(y1));
  status_.nD_p = band_.empty() ? std::string(NoPointText) : std::to_string(band_.size()) + " points";
  status_.El_P = NoElectrodesText;
  status_.Roa_P = NoPointText;
}

// ---------------------------------------------------------------------------
// Marking

void SectionView::Toggle(const std::vector<int>& points) {
  for (int i : points) {
    ToggleDeletedMark(ds_.Points[i]);
    ds_.Notify([i](DatasetObserver& o) { o.PointChanged(i); });
  }
}

SectionEdit SectionView::Delete() {
  SectionEdit edit;
  if (!band_.empty()) {
    if (bandDeleted_) {
      edit.changed = lastDeletion_;
      bandDeleted_ = false;
    } else {
      for (int i : band_) {
        if (!IsBad(ds_, i)) edit.changed.push_back(i);
      }
      bandDeleted_ = !edit.changed.empty();
      // A band of bad points only: the marks come off.
      if (edit.changed.empty()) {
        for (int i : band_) {
          if (CarriesDeletedMark(ds_, ds_.Points[i])) edit.changed.push_back(i);
        }
      }
    }
  } else if (selected_ >= 1 && selected_ <= ds_.PointCount) {
    edit.changed.push_back(selected_);
  } else {
    return edit;
  }

  Toggle(edit.changed);
  lastDeletion_ = edit.changed;
  // The red square of the marked point shows where the marker was.
  marker_.visible = false;
  dirty_ = true;
  CountBadPoints(ds_);
  if (selected_ >= 1) {
    const std::string position = status_.RX_P;
    status_ = PickStatus(ds_, selected_, PickSet(), 0, 0);
    status_.RX_P = position;
  }
  edit.modified = ds_.IsSequence() && ds_.SetCount == 1 && !edit.changed.empty();
  return edit;
}

SectionEdit SectionView::Undo() {
  SectionEdit edit;
  if (lastDeletion_.empty()) return edit;
  edit.changed = std::move(lastDeletion_);
  lastDeletion_.clear();
  bandDeleted_ = false;
  Toggle(edit.changed);
  dirty_ = true;
  CountBadPoints(ds_);
  if (selected_ >= 1) {
    const std::string position = status_.RX_P;
    status_ = PickStatus(ds_, selected_, PickSet(), 0, 0);
    status_.RX_P = position;
  }
  edit.modified = ds_.IsSequence() && ds_.SetCount == 1;
  return edit;
}

std::optional<std::vector<int>> SectionView::RemoveDoublePoints() {
  if (!ds_.IsSequence() || ds_.SetCount < 2 || ds_.SetCount == ds_.SequenceSetCount) return std::nullopt;
  std::vector<int> changed;
  const int first = std::max(ds_.Sets[2].First, 1);
  const int last = std::min(ds_.Sets[std::min(ds_.SetCount, MaxSets)].Last, ds_.PointCount);
  for (int i = first; i <= last; ++i) {
    if (ds_.Points[i].Q == QRepeated) changed.push_back(i);
  }
  Toggle(changed);
  ds_.MergedCount = 0;
  doubleEnabled_ = false;
  dirty_ = true;
  // Every change of marks ends with the recount.
  CountBadPoints(ds_);
  return changed;
}

}  // namespace tarvo
