#include "engine/core/ip_windows.h"

#include <cmath>
#include <initializer_list>
#include <utility>

namespace tarvo {

namespace {

// One row written as the delay and runs of (count, width).
TIPTimeRow Row(float delay, std::initializer_list<std::pair<int, float>> runs) {
  TIPTimeRow row{};
  row[0] = delay;
  std::size_t i = 1;
  for (const auto& [count, width] : runs) {
    for (int k = 0; k < count && i < row.size(); ++k) row[i++] = width;
  }
  return row;
}

using Schedule = std::array<std::array<TIPTimeRow, IPWindowTypeCount>, IPPulseTimeCount>;

Schedule BuildSchedule() {
  Schedule s{};
  // "0.5" s
  s[0][0] = Row(60, {{3, 40}});
  s[0][1] = Row(40, {{1, 40}, {1, 80}, {1, 160}});
  s[0][2] = Row(160, {{1, 80}, {1, 180}});
  s[0][3] = Row(160, {{1, 80}, {1, 180}});
  // "1" s
  s[1][0] = Row(120, {{20, 40}});
  s[1][1] = Row(40, {{8, 20}, {6, 40}, {6, 80}});
  s[1][2] = Row(160, {{1, 120}, {1, 220}, {1, 420}});
  s[1][3] = Row(20, {{1, 10}, {5, 20}, {3, 30}, {3, 40}, {3, 50}, {2, 60}, {1, 70}, {1, 80}, {1, 90}});
  // "2" s
  s[2][0] = Row(240, {{20, 80}});
  s[2][1] = Row(40, {{6, 40}, {7, 80}, {7, 160}});
  s[2][2] = Row(160, {{1, 120}, {1, 220}, {1, 420}, {1, 820}});
  s[2][3] = Row(20, {{1, 20}, {3, 30}, {2, 40}, {1, 50}, {1, 60}, {1, 70}, {1, 80}, {1, 90}, {1, 100}, {1, 110},
                     {1, 120}, {1, 130}, {1, 140}, {1, 150}, {1, 160}, {1, 180}, {1, 200}});
  // "4" s
  s[3][0] = Row(480, {{20, 160}});
  s[3][1] = Row(160, {{8, 80}, {6, 160}, {6, 320}});
  s[3][2] = Row(160, {{1, 120}, {1, 220}, {1, 420}, {1, 820}, {1, 1620}});
  s[3][3] = Row(20, {{1, 40}, {1, 50}, {1, 60}, {1, 70}, {1, 80}, {1, 90}, {1, 100}, {1, 110}, {1, 120}, {1, 140},
                     {1, 160}, {1, 180}, {1, 200}, {1, 220}, {1, 250}, {1, 280}, {1, 320}, {1, 380}, {1, 450},
                     {1, 530}});
  // "8" s
  s[4][0] = Row(960, {{20, 320}});
  s[4][1] = Row(320, {{8, 160}, {6, 320}, {6, 640}});
  s[4][2] = Row(160, {{1, 120}, {1, 220}, {1, 420}, {1, 820}, {1, 1620}, {1, 3220}});
  s[4][3] = Row(20, {{1, 40}, {1, 60}, {1, 80}, {1, 100}, {1, 120}, {1, 150}, {1, 180}, {1, 220}, {1, 250},
                     {1, 280}, {1, 320}, {1, 360}, {1, 400}, {1, 450}, {1, 500}, {1, 580}, {1, 700}, {1, 850},
                     {1, 1010}, {1, 1180}});
  return s;
}

const Schedule& ScheduleTable() {
  static const Schedule table = BuildSchedule();
  return table;
}

}  // namespace

const TIPTimeRow& IPScheduleRow(int time, int type) {
  const int t = time >= 0 && time < IPPulseTimeCount ? time : DefaultIPPulseTime;
  const int w = type >= 0 && type < IPWindowTypeCount ? type : DefaultIPWindowType;
  return ScheduleTable()[static_cast<std::size_t>(t)][static_cast<std::size_t>(w)];
}

TIPWindows WindowsFromWidths(const TIPTimeRow& widths, IPTimesSource source) {
  TIPWindows w;
  w.Source = source;
  w.IPWindowWidths = widths;
  w.IPWindowCentres[0] = widths[0];
  for (std::size_t i = 1; i < widths.size(); ++i) {
    w.IPWindowCentres[i] = w.IPWindowCentres[i - 1] + widths[i] / 2;
    if (i > 1) w.IPWindowCentres[i] += widths[i - 1] / 2;
  }
  return w;
}

bool TIPParameters::ComputeIPWindows(int time, int type) {
  if (time < 0 || time >= IPPulseTimeCount || type < 0 || type >= IPWindowTypeCount) return false;
  TimeIndex = time;
  TypeIndex = type;
  Windows = WindowsFromWidths(IPScheduleRow(time, type));
  return true;
}

std::optional<double> GlobalChargeability(const FixedTable<float, MaxIPWindows>& m, const TIPWindows& windows,
                                          int first, int last) {
  if (first < 1 || last > MaxIPWindows || first > last) return std::nullopt;
  const double span = static_cast<double>(windows.End(last)) - windows.Start(first);
  if (!(span > 0)) return std::nullopt;
  double sum = 0;
  for (int i = first; i <= last; ++i) sum += static_cast<double>(m[i]) * windows.IPWindowWidths[static_cast<std::size_t>(i)];
  return sum / span;
}

int NearestWindow(const TIPWindows& windows, int count, double t) {
  int best = 0;
  double distance = 1e20;
  for (int i = 1; i <= count && i <= MaxIPWindows; ++i) {
    const double d = std::fabs(windows.IPWindowCentres[static_cast<std::size_t>(i)] - t);
    if (d < distance) {
      distance = d;
      best = i;
    }
  }
  return best;
}

}  // namespace tarvo
