#include "engine/export/section_panel_writer.h"

#include <algorithm>
#include <filesystem>

#include "engine/core/electrode_altitude.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"

namespace tarvo {

namespace {

constexpr int ValueDigits = 2;
constexpr int FactorDigits = 5;  // FormatValue takes it as its largest count

std::string Num(double x) { return FormatValue(x, ValueDigits); }
std::string Factor(double n) { return FormatValue(n, FactorDigits); }

std::string Width5(std::string s) {
  if (s.size() < 5) s.insert(0, 5 - s.size(), ' ');
  return s;
}

std::string Trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const std::size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string MemoLine(const TDataset& ds, std::size_t n) { return n < ds.Memo.size() ? ds.Memo[n] : std::string(); }

double UnitSpacing(const TDataset& ds) {
  const int n = std::clamp(ds.ElectrodePosCount, 0, MaxElectrodePositions);
  if (n < 2) return 0;
  if (n < 3) return ds.ElectrodePos[2] - ds.ElectrodePos[1];
  double smallest = ds.ElectrodePos[2] - ds.ElectrodePos[1];
  for (int e = 3; e <= n; ++e) smallest = std::min(smallest, static_cast<double>(ds.ElectrodePos[e]) - ds.ElectrodePos[e - 1]);
  return smallest;
}

}  // namespace

int SectionPanelArrayNumber(int code) {
  switch (code) {
    case 1: return 2;
    case 2: return 7;
    case 3: return 1;
    case 4:
    case 5: return 6;
    case 6: return 3;
    case 7: return 4;
    default: return 0;
  }
}

SaveDialogDescription SectionPanelDialog(const TDataset& ds, const std::string& name) {
  SaveDialogDescription d{"Old Res2dInv format", "", "Res2dInv data|*.dat", "dat"};
  const std::filesystem::path dir = std::filesystem::path(ds.FileName).parent_path();
  d.proposedName = (dir / (name + ".dat")).string();
  return d;
}

std::string SectionPanelFileText(const TDataset& ds, const SectionPanelInput& in, bool* unsupported) {
  std::vector<std::string> lines;
  const GridDescriptor& d = *in.descriptor;
  const ValueGrid& grid = *in.grid;
  const int ns = std::clamp(d.StationCount, 0, MaxStations);
  const int nl = std::clamp(d.LevelCount, 0, MaxLevels);
  lines.push_back(MemoLine(ds, 0) + " " + MemoLine(ds, 1));
  lines.push_back(Num(UnitSpacing(ds)));
  lines.push_back(std::to_string(SectionPanelArrayNumber(in.code)));
  int count = 0;
  for (int j = 1; j <= ns; ++j) {
    for (int k = 1; k <= nl; ++k) count += grid(j, k) > 0 ? 1 : 0;
  }
  lines.push_back(std::to_string(count));
  lines.push_back("1");
  lines.push_back("0");
  const bool supported = in.code >= 1 && in.code <= 7;
  if (unsupported != nullptr) *unsupported = !supported;
  if (supported) {
    for (int j = 1; j <= ns; ++j) {
      const double x = d.Stations[j];
      for (int k = 1; k <= nl; ++k) {
        const float g = grid(j, k);
        if (!(g > 0)) continue;
        const double S = d.Spacing[k];
        const double M = d.MN[k];
        const double n = M != 0 ? S / M - 0.5 : 0;
        switch (in.code) {
          case 1:
          case 3: lines.push_back(Num(x) + " " + Num(S) + " " + Num(g)); break;
          case 2: lines.push_back(Num(x) + " " + Num(M) + " " + Factor(n) + " " + Num(g)); break;
          case 4:
            lines.push_back(Width5(Num(x + M / 4 - S / 2)) + " " + Width5(Num(M)) + " " + Factor(n) + " " + Num(g));
            break;
          case 5:
            lines.push_back(Width5(Num(x - M / 4 + S / 2)) + " " + Width5(Num(M)) + " -" + Factor(n) + " " + Num(g));
            break;
          case 6: {
            // The spacing of a dipole-dipole level is a quarter of the
            // distance between the dipole centres, (n + 1) M / 2, so
            // n = 2 S / M - 1: the factor the main Res2dInv writer gives.
            const double dd = M != 0 ? 2 * S / M - 1 : 0;
            lines.push_back(Width5(Num(x)) + " " + Width5(Num(M)) + "  " + Factor(dd) + " " + Num(g));
            break;
          }
          case 7: lines.push_back(Num(x) + " " + Num(M) + " " + Num(g)); break;
          default: break;
        }
      }
    }
  }
  // Topography when two neighbouring electrodes differ in altitude.
  const int e = std::clamp(ds.ElectrodePosCount, 0, MaxElectrodePositions);
  std::vector<std::string> altitudes;
  bool relief = false;
  for (int i = 1; i <= e; ++i) {
    altitudes.push_back(ElectrodeAltitudeText(ds, i));
    if (i > 1 && Trimmed(altitudes[static_cast<std::size_t>(i - 1)]) != Trimmed(altitudes[static_cast<std::size_t>(i - 2)])) {
      relief = true;
    }
  }
  if (relief) {
    lines.push_back("2");
    lines.push_back(std::to_string(e));
    for (int i = 1; i <= e; ++i) lines.push_back(Num(ds.ElectrodePos[i]) + " " + altitudes[static_cast<std::size_t>(i - 1)]);
    lines.push_back("1");
  }
  for (int i = 0; i < 6; ++i) lines.push_back("0");
  return JoinCrLf(lines);
}

SaveOutcome WriteSectionPanel(const TDataset& ds, const SectionPanelInput& input, const TargetChooser& choose,
                              Messenger& messenger) {
  if (input.grid == nullptr || input.descriptor == nullptr) return SaveOutcome::Cancelled;
  const std::optional<std::string> path = choose(SectionPanelDialog(ds, input.name));
  if (!path || path->empty()) return SaveOutcome::Cancelled;
  bool unsupported = false;
  const std::string text = SectionPanelFileText(ds, input, &unsupported);
  if (unsupported) messenger.Error("Error 2.");
  const FileReadResult written = WriteFileWhole(*path, text);
  if (!written.ok) {
    messenger.Error(written.error);
    return SaveOutcome::Failed;
  }
  return SaveOutcome::Written;
}

}  // namespace tarvo
