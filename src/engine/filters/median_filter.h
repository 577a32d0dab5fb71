#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/filters/filter_grid.h"

// The median filter of apparent resistivity. A set's pseudosection is taken
// apart multiplicatively,
//   rho_a = 1D part * exp((sum of the point's electrode effects + residual) / 100),
// into the 1D part (one value per level, or varying slowly along the line),
// the electrode effects (one value per electrode or potential-dipole position
// for each electrode role of the array: C-effects of single electrodes,
// P-effects of potential dipoles) and the residual, the last two held as
// percent of logarithmic deviation. Each part is smoothed on its own and a
// smoothed pseudosection is put together again.
//
// MedianFilter is the state of one run of the window: it follows the
// operator's steps (start, breaks, "Go", "Find P&C again", "Smooth",
// "New 1D") on arrays sized to the set. MedianFilterParts is the same run as
// one pure function, for tarvo-cli and the tests.
namespace tarvo {

// The operator's choices (section "Median" of the settings file).
struct MedianSettings {
  enum OneDKind { OneDMedian = 0, OneDMean = 1, OneDMeanInWindow = 2 };
  enum Method { Median = 0, Mean = 1 };
  enum Area { Rectangle = 0, Cross = 1 };

  int TypeWindow1d = OneDMedian;  // "1D part calculation"
  int Window1d = 15;              // stations of "Mean in window", 5..60
  int TypeWindowC = Median;       // smoothing of the pole components (C-effect)
  int WindowC = 7;                // bins, 3..13
  int TypeWindowP = Median;       // smoothing of the dipole components (P-effect)
  int WindowP = 5;                // bins, 3..13
  int TypeWindowR = Median;       // smoothing of the residual
  int TypeAreaR = Rectangle;      // shape of the residual window
  int WindowX = 5;                // residual window width in stations, 3..11
  int WindowY = 1;                // residual window height in levels, 1..9

  // Every value brought into its control's range.
  void Clamp();
  bool operator==(const MedianSettings&) const = default;
};

// Limits of the decomposition (the component table and the segment list).
inline constexpr int MaxMNValues = 10;
inline constexpr int MaxEffectComponents = 10;
inline constexpr int MaxSegmentBoundaries = 400;

// One electrode-effect component: a role of an electrode (pole component,
// C-effect) or a potential dipole of one MN value (dipole component,
// P-effect). A cell takes part at position c * spacing + station coordinate.
struct EffectComponent {
  std::string Title;      // "A", "B", "M", "N" or "dipole " and the MN value
  double Coefficient = 0; // c
  bool Dipole = false;
  float MNValue = 0;      // of a dipole component

  // The bins: distinct positions, ascending.
  std::vector<float> Position;
  std::vector<float> Cumulative;  // effect accumulated over the estimation passes
  std::vector<float> Smoothed;    // smoothed effect (0 until "Smooth", and for fewer than 4 bins)
  std::vector<int> Count;         // cells in the bin

  int BinCount() const { return static_cast<int>(Position.size()); }
};

// One curve of the "P&C effects" chart: the component's title and its points.
struct EffectSeries {
  std::string Title;
  std::vector<std::pair<float, float>> Points;  // (position, effect)
};

// The decomposition scheme (0..6) of an array type, given how many distinct
// MN values the grid's levels have; -1 for a code that has none (kept from
// the previous run by the window).
int DecompositionScheme(int arrayType, int mnValueCount);

// The MN list: level 1's MN value, then each level's value that is greater
// than the last one taken, at most MaxMNValues of them.
std::vector<float> BuildMNList(const FilterGrid& grid);

class MedianFilter {
public:
  // Start: the 1D part as the geometric mean of each level, the components
  // and their bins, one segment, then Compute1DPart and FindEffects. The
  // scheme comes from `arrayType`; a code without one keeps `previousScheme`
  // (0 when there is none). Inner segment breaks may be given (station
  // indices, as ToggleSegmentBoundary would have put them).
  void Start(const FilterGrid& data, int arrayType, const MedianSettings& settings, int previousScheme = 0);

  MedianSettings& Settings() { return settings_; }
  const MedianSettings& Settings() const { return settings_; }

  // Sources of the 1D part.
  enum class Source { Data, Smoothed };
  // "Go" (from the data) and the first half of "New 1D" (from the smoothed
  // data): the 1D part with the current 1D settings and segments, the
  // residual anew, and, when effects had been found, the effects found again
  // from nothing.
  void Compute1DPart(Source source = Source::Data);

  // "Find P&C again": three estimation passes over the residual, continuing
  // from the effects accumulated so far.
  void FindEffects();
  // The effects forgotten: the residual keeps what was removed from it until
  // the next Compute1DPart.
  void ResetEffects();
  bool EffectsFound() const { return effectsFound_; }

  // A click on a data panel at station b: a segment break set or removed;
  // then Compute1DPart from the data. Returns false when nothing changed
  // (too near an end, "Mean in window", the list full).
  bool ToggleSegmentBoundary(int b);
  // q[0] = 1 .. q[n] = station count.
  const std::vector<int>& Boundaries() const { return q_; }
  // The inner breaks q[1..n-1].
  std::vector<int> Breaks() const;
  // Puts the given inner breaks (ascending, each strictly inside) in place
  // of the present ones, without recomputing.
  void SetBreaks(std::span<const int> breaks);

  // "Smooth": the effects and the residual smoothed and the data put
  // together again. Does nothing, and returns false, before any effects
  // were found.
  bool SmoothAndReconstruct();
  bool Smoothed() const { return smoothed_; }

  int Scheme() const { return scheme_; }
  const std::vector<float>& MNList() const { return mnList_; }
  const std::vector<EffectComponent>& Components() const { return components_; }
  int DipoleCount() const { return dipoleCount_; }
  int PoleCount() const { return static_cast<int>(components_.size()) - dipoleCount_; }

  // The parts; cells outside the data are empty (gap filling is the
  // display's business).
  const FilterGrid& Data() const { return data_; }              // panel 1
  const FilterGrid& OneD() const { return oneD_; }              // panel 2, "1D-part"
  const FilterGrid& Residual() const { return residual_; }      // panel 3, percent
  const FilterGrid& SmoothedData() const { return smoothedData_; }          // panel 4, "Smoothed"
  const FilterGrid& SmoothedResidual() const { return smoothedResidual_; }  // panel 5, "Smoothed R"
  const FilterGrid& Removed() const { return removed_; }        // panel 6, "Removed part", percent

  // The curves of the "P&C effects" chart: one per component, (position,
  // cumulative effect) for every bin with more than 2 cells.
  std::vector<EffectSeries> EffectCurves() const;
  // The curves of the "Smoothed P&C" chart: (position, smoothed effect) of
  // every bin of a component with at least 4 bins.
  std::vector<EffectSeries> SmoothedEffectCurves() const;

  // Bin of a cell in component k (0-based), -1 when the cell does not take part.
  int BinOf(int station, int level, int k) const {
    return binIndex_[data_.Index(station, level) * components_.size() + static_cast<std::size_t>(k)];
  }

private:
  bool IsData(std::size_t cell) const { return data_.Cells[cell] > 0; }
  void BuildComponents();
  void ResidualFromData();
  void OneDInWindow(const FilterGrid& source);
  void OneDBySegments(const FilterGrid& source);
  void EstimationPass();

  MedianSettings settings_;
  FilterGrid data_;
  FilterGrid oneD_;
  FilterGrid residual_;
  FilterGrid smoothedData_;
  FilterGrid smoothedResidual_;
  FilterGrid removed_;
  std::vector<float> positionSpacing_;  // spacing of each level as the positions take it

  int scheme_ = 0;
  std::vector<float> mnList_;
  int dipoleCount_ = 0;
  std::vector<EffectComponent> components_;
  std::vector<std::int32_t> binIndex_;  // [cell * components + k], -1 none
  // The cells of each bin of each component, bin after bin.
  std::vector<std::vector<std::int32_t>> binStart_;
  std::vector<std::vector<std::int32_t>> binCells_;

  std::vector<int> q_{1, 1};
  std::vector<float> buffer_;  // the values of one median or mean
  bool directionFlag_ = true;  // inverted before every pass; set during a pass = poles in reverse
  bool effectsFound_ = false;
  bool smoothed_ = false;
};

// What a run of the window gives, start to end.
struct MedianRun {
  std::vector<int> breaks;  // inner segment breaks (station indices)
  int findAgain = 0;        // extra "Find P&C again" before smoothing
  int new1D = 0;            // "New 1D" after the first "Smooth", each followed by "Smooth"
};

// The whole filter as one pure function: start with the settings and
// breaks, find the effects, smooth and reconstruct.
MedianFilter MedianFilterParts(const FilterGrid& data, int arrayType, const MedianSettings& settings,
                               const MedianRun& run = {});

}  // namespace tarvo
