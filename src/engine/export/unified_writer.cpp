#include "engine/export/unified_writer.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/electrode_altitude.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"

namespace tarvo {

namespace {

constexpr int Digits = 2;  // extra digits of every number written

std::string Num(double v) { return FormatValue(v, Digits); }

void AppendInteger(std::string& out, int value) {
  char text[16];
  out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

}  // namespace

UnifiedText UnifiedDataText(const TDataset& ds, const ExportOptions& options) {
  UnifiedText out;
  const int positions = std::min(ds.ElectrodePosCount, MaxElectrodePositions);
  std::vector<std::string> electrodes;
  for (int e = 1; e <= positions; ++e) {
    electrodes.push_back(Num(ds.ElectrodePos[e]) + " " + ElectrodeAltitudeText(ds, e));
  }
  // Remote electrodes stand where the file read said, after the line's own.
  int remoteB = 0, remoteN = 0;
  const TRemoteElectrodes& remote = ds.RemoteElectrodes;
  if (remote.HasB) {
    electrodes.push_back(Num(remote.XB) + " " + Num(remote.ZB));
    remoteB = static_cast<int>(electrodes.size());
  }
  if (remote.HasN) {
    electrodes.push_back(Num(remote.XN) + " " + Num(remote.ZN));
    remoteN = static_cast<int>(electrodes.size());
  }

  const bool withErrors = ds.HasErrors;
  const bool withIP = ds.HasIP && !options.WithoutIP;
  std::vector<std::string> data;
  const ElectrodeIndex electrodeIndex(ds);
  const int sets = std::min(ds.SetCount, MaxSets);
  for (int s = 1; s <= sets; ++s) {
    const TSetEntry& set = ds.Sets[s];
    const bool noB = set.Type == PolePole || set.Type == ForwardPoleDipole || set.Type == ReversePoleDipole;
    const bool noN = set.Type == PolePole;
    const int last = std::min(set.Last, ds.PointCount);
    for (int i = std::max(set.First, 1); i <= last; ++i) {
      if (IsBad(ds, i)) continue;
      const TDataPoint& p = ds.Points[i];
      const int a = electrodeIndex.Of(p.XA);
      const int b = noB ? remoteB : electrodeIndex.Of(p.XB);
      const int m = electrodeIndex.Of(p.XM);
      const int n = noN ? remoteN : electrodeIndex.Of(p.XN);
      ElectrodePresence present;
      present.B = !noB || remoteB != 0;
      present.N = !noN || remoteN != 0;
      const double xb = noB ? double{remote.XB} : double{p.XB};
      const double xn = noN ? double{remote.XN} : double{p.XN};
      const double k = GeometricFactor(p.XA, xb, p.XM, xn, present);
      if (a == 0 || m == 0 || (present.B && b == 0) || (present.N && n == 0) || !std::isfinite(k) || k == 0) {
        ++out.PointsLeftOut;
        continue;
      }
      std::string line;
      for (const int electrode : {a, b, m, n}) {
        AppendInteger(line, electrode);
        line += ' ';
      }
      AppendValue(line, p.Rho, Digits);
      line += ' ';
      AppendValue(line, k, Digits);
      if (withErrors) {
        line += ' ';
        AppendValue(line, p.Err / 100.0, Digits);
      }
      if (withIP) {
        line += ' ';
        AppendValue(line, p.IP, Digits);
      }
      data.push_back(std::move(line));
    }
  }

  std::vector<std::string> lines;
  lines.push_back(std::to_string(electrodes.size()));
  lines.push_back("# x z");
  lines.insert(lines.end(), electrodes.begin(), electrodes.end());
  lines.push_back(std::to_string(data.size()));
  lines.push_back(std::string("# a b m n rhoa k") + (withErrors ? " err" : "") + (withIP ? " ip" : ""));
  lines.insert(lines.end(), std::make_move_iterator(data.begin()), std::make_move_iterator(data.end()));
  out.Text = JoinCrLf(lines);
  return out;
}

bool WriteUnifiedData(TDataset& ds, const ExportOptions& options, const std::string& path, Messenger& messenger) {
  MergeRepeatedMeasurements(ds);
  ApplyXShift(ds);
  const UnifiedText text = UnifiedDataText(ds, options);
  const FileReadResult r = WriteFileWhole(path, text.Text);
  if (!r.ok) {
    messenger.Error(r.error);
    return false;
  }
  if (text.PointsLeftOut > 0) {
    messenger.Warning(
        "Some data points were not written: an electrode is not in the electrode list or the geometric factor "
        "is undefined.\r\nNumber of points - " +
        std::to_string(text.PointsLeftOut));
  }
  return true;
}

}  // namespace tarvo
