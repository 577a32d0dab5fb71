#include "engine/export/sensinv_writer.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/electrode_altitude.h"
#include "engine/export/export_common.h"

namespace tarvo {

namespace {

// Digits of the values of the three files.
constexpr int SensInvDigits = 2;

// A SensInv2D line pair of one point, or nothing when it cannot be written.
struct PointLines {
  bool ok = false;
  std::string configuration;
  std::string resistance;
};

double Inverse(double distance) { return 1.0 / std::fabs(distance); }

PointLines LinesOf(const ElectrodeIndex& electrodes, const TDataPoint& p, std::uint8_t type) {
  const int a = electrodes.Of(p.XA);
  const int b = electrodes.Of(p.XB);
  const int m = electrodes.Of(p.XM);
  const int n = electrodes.Of(p.XN);
  const double xa = p.XA, xb = p.XB, xm = p.XM, xn = p.XN;
  const auto number = [](int e) { return FormatValue(e, SensInvDigits); };

  PointLines lines;
  double k = 0;
  switch (type) {
    case PolePole:
      if (a == 0 || m == 0) return lines;
      lines.configuration = "4 " + std::to_string(a) + " 0 " + number(m) + " 0";
      k = TwoPi * p.Spacing;
      break;
    case Schlumberger:
    case Wenner:
    case DipoleDipole:
    case WennerBeta:
      if (a == 0 || b == 0 || m == 0 || n == 0) return lines;
      // The current electrode on the left comes first; the factor changes
      // sign with the order, so the resistance keeps its meaning.
      if (xa < xb) {
        lines.configuration = "4 " + std::to_string(a) + " -" + std::to_string(b);
      } else {
        lines.configuration = "4 " + std::to_string(b) + " -" + std::to_string(a);
      }
      lines.configuration += " " + number(m) + " " + number(n);
      k = TwoPi / (Inverse(xa - xm) - Inverse(xa - xn) - Inverse(xb - xm) + Inverse(xb - xn));
      if (xa > xb) k = -k;
      break;
    case ForwardPoleDipole:
    case ReversePoleDipole:
      if (a == 0 || m == 0 || n == 0) return lines;
      lines.configuration = "3 " + std::to_string(a) + " " + number(m) + " " + number(n);
      k = TwoPi / (Inverse(xa - xm) - Inverse(xa - xn));
      break;
    default:
      return lines;
  }
  const double resistance = p.Rho / k;
  if (!std::isfinite(k) || k == 0 || !std::isfinite(resistance)) return lines;
  lines.resistance = FormatValue(resistance, SensInvDigits);
  lines.ok = true;
  return lines;
}

bool HasSensInvLine(std::uint8_t type) { return type >= PolePole && type <= WennerBeta; }

std::string CompanionName(const std::string& path, const char* extension) {
  return std::filesystem::path(path).replace_extension(extension).string();
}

}  // namespace

SaveDialogDescription SensInvDialog(const TDataset& ds) {
  SaveDialogDescription dialog{"Output for SensInv2D", "", "SensInv2d|*.gem", "gem"};
  dialog.proposedName = UnderscoredSequenceTitle(ds);
  return dialog;
}

SensInvTexts SensInv2DText(const TDataset& ds) {
  SensInvTexts texts;
  std::vector<std::string> geometry;
  const int electrodes = std::min(ds.ElectrodePosCount, MaxElectrodePositions);
  for (int e = 1; e <= electrodes; ++e) {
    geometry.push_back(std::to_string(e) + " " + FormatValue(ds.ElectrodePos[e], SensInvDigits) + " " +
                       ElectrodeAltitudeText(ds, e));
  }

  std::vector<std::string> configurations;
  std::vector<std::string> resistances;
  const ElectrodeIndex electrodeIndex(ds);
  const int sets = std::min(ds.SetCount, MaxSets);
  for (int s = 1; s <= sets; ++s) {
    const TSetEntry& set = ds.Sets[s];
    if (!HasSensInvLine(set.Type)) {
      texts.UnsupportedSets.push_back(s);
      continue;
    }
    const int last = std::min(set.Last, ds.PointCount);
    for (int k = std::max(set.First, 1); k <= last; ++k) {
      if (IsBad(ds, k)) continue;
      PointLines lines = LinesOf(electrodeIndex, ds.Points[k], set.Type);
      if (!lines.ok) {
        ++texts.PointsLeftOut;
        continue;
      }
      configurations.push_back(std::move(lines.configuration));
      resistances.push_back(std::move(lines.resistance));
    }
  }

  texts.Geometry = JoinCrLf(geometry);
  texts.Configurations = JoinCrLf(configurations);
  texts.Resistances = JoinCrLf(resistances);
  return texts;
}

void PrepareSensInv2D(TDataset& ds) {
  MergeRepeatedMeasurements(ds);
  ApplyXShift(ds);
}

bool WriteSensInv2DFiles(const TDataset& ds, const std::string& path, Messenger& messenger) {
  const SensInvTexts texts = SensInv2DText(ds);
  for (std::size_t i = 0; i < texts.UnsupportedSets.size(); ++i) messenger.Error("Error 1.");

  // The three files are one set: all new, or all as they were.
  const FileReadResult r = WriteFilesWhole({
      {path, texts.Geometry},
      {CompanionName(path, ".sen"), texts.Configurations},
      {CompanionName(path, ".imp"), texts.Resistances},
  });
  if (!r.ok) {
    messenger.Error(r.error);
    return false;
  }

  if (texts.PointsLeftOut > 0) {
    messenger.Warning(
        "Some data points were not written: an electrode is not in the electrode list or the geometric factor "
        "is undefined.\r\nNumber of points - " +
        std::to_string(texts.PointsLeftOut));
  }
  return true;
}

bool WriteSensInv2D(TDataset& ds, const ExportOptions& /*options*/, const std::string& path, Messenger& messenger) {
  PrepareSensInv2D(ds);
  return WriteSensInv2DFiles(ds, path, messenger);
}

}  // namespace tarvo
