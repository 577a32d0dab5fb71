#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "engine/core/capacities.h"
#include "engine/core/tables.h"

// The times of the IP decay windows M1..M20: the built-in schedules of the
// Syscal Pro and Elrec Pro instruments (pulse time by window type), the
// window times that go with a schedule, and the chargeability over a range
// of windows. All times are milliseconds on one axis that starts when the
// current is cut: the delay comes first, then the windows follow one
// another without gaps.
namespace tarvo {

inline constexpr int IPPulseTimeCount = 5;     // "0.5", "1", "2", "4", "8" seconds
inline constexpr int IPWindowTypeCount = 4;    // "Arithmetic", "Semi-logarithmic", "Logarithmic", "Cole-cole"
inline constexpr int DefaultIPPulseTime = 2;   // "2"
inline constexpr int DefaultIPWindowType = 0;  // "Arithmetic"

inline constexpr std::array<std::string_view, IPPulseTimeCount> IPPulseTimeNames{"0.5", "1", "2", "4", "8"};
inline constexpr std::array<std::string_view, IPWindowTypeCount> IPWindowTypeNames{
    "Arithmetic", "Semi-logarithmic", "Logarithmic", "Cole-cole"};

// [0]: the delay before the first window; [i]: the width of window Mi, or
// its centre time (0 widths for windows a schedule does not have).
using TIPTimeRow = std::array<float, MaxIPWindows + 1>;

// The schedule table: the delay, then the widths of the windows 1..20 of
// pulse time `time` (0..4) and window type `type` (0..3).
const TIPTimeRow& IPScheduleRow(int time, int type);

// Where window times come from.
enum class IPTimesSource {
  Schedule,  // the schedule chosen in the IP parameters window
  File,      // the times the data file gives
};

// Window times: IPWindowWidths[0] is the delay, IPWindowWidths[i] the width
// of window Mi; IPWindowCentres[0] the delay, IPWindowCentres[i] the centre
// time of Mi.
struct TIPWindows {
  TIPTimeRow IPWindowWidths{};
  TIPTimeRow IPWindowCentres{};
  IPTimesSource Source = IPTimesSource::Schedule;

  float Start(int i) const { return IPWindowCentres[i] - IPWindowWidths[i] / 2; }
  float End(int i) const { return IPWindowCentres[i] + IPWindowWidths[i] / 2; }
  bool operator==(const TIPWindows&) const = default;
};

// The centres that go with a delay and widths: window i starts where window
// i - 1 ends (the first at the delay) and is centred half its width later.
// Windows of width 0 stand at the end of the last window before them.
TIPWindows WindowsFromWidths(const TIPTimeRow& widths, IPTimesSource source = IPTimesSource::Schedule);

// The schedule of the IP parameters window ("Time, s" and "Type") with its
// window times. Indices outside the table keep the previous schedule.
struct TIPParameters {
  int TimeIndex = DefaultIPPulseTime;
  int TypeIndex = DefaultIPWindowType;
  TIPWindows Windows = WindowsFromWidths(IPScheduleRow(DefaultIPPulseTime, DefaultIPWindowType));

  // Copies the table row of (time, type) into the window times; false, and
  // nothing changed, when either index lies outside the table.
  bool ComputeIPWindows(int time, int type);
  bool operator==(const TIPParameters&) const = default;
};

// The chargeability over windows first..last: the mean of the windows
// weighted by their widths, Σ M[i]·width[i] / (end of window `last` −
// start of window `first`). Nothing when the range is empty, lies outside
// 1..MaxIPWindows or spans no time (the first window after the last, or
// every window of width 0).
std::optional<double> GlobalChargeability(const FixedTable<float, MaxIPWindows>& m, const TIPWindows& windows,
                                          int first, int last);

// The window among 1..count whose centre lies nearest to time t (the first
// on ties); 0 when count is below 1.
int NearestWindow(const TIPWindows& windows, int count, double t);

}  // namespace tarvo
