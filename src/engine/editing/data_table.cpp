#include "engine/editing/data_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/text_tokens.h"
#include "engine/editing/electrode_altitudes.h"

namespace tarvo {

namespace {
// Values in the table show one extra digit, electrode positions two.
constexpr int TableDigits = 1;
constexpr int PositionDigits = 2;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<double> ReadReal(std::string_view text) { return ParseNumber(TrimBlanks(text)); }

float* ThresholdValue(AcceptanceThresholds& t, ThresholdEdit field) {
  switch (field) {
    case ThresholdEdit::MinVoltage: return &t.MinVoltage;
    case ThresholdEdit::MinCurrent: return &t.MinCurrent;
    case ThresholdEdit::MinIP: return &t.MinIP;
    case ThresholdEdit::MaxIP: return &t.MaxIP;
    case ThresholdEdit::MaxReciprocalError: return &t.MaxReciprocalError;
    case ThresholdEdit::MaxDecayMisfit: return &t.MaxDecayMisfit;
  }
  return nullptr;
}
}  // namespace

std::vector<DataColumn> DataColumns(const TDataset& ds) {
  std::vector<DataColumn> columns{DataColumn::N, DataColumn::PsZ, DataColumn::X, DataColumn::MN};
  if (ds.IsSequence()) {
    columns.push_back(DataColumn::KArr);
    return columns;
  }
  columns.push_back(DataColumn::AppRes);
  columns.push_back(DataColumn::Q);
  if (ds.HasVoltageAndCurrent()) {
    columns.push_back(DataColumn::V);
    columns.push_back(DataColumn::I);
  }
  if (ds.HasIP) columns.push_back(DataColumn::IP);
  if (ds.DataKind == DataKindTextWithVI) columns.push_back(DataColumn::Ndata);
  if (ds.HasSP) columns.push_back(DataColumn::SP);
  if (ds.HasIP && ds.IPWindowCount >= 3) columns.push_back(DataColumn::DecayMisfit);
  if (ds.Reciprocals.PairCount > 0) {
    columns.push_back(DataColumn::RecErr);
    columns.push_back(DataColumn::Partner);
  }
  return columns;
}

std::string_view DataColumnHeader(DataColumn column) {
  switch (column) {
    case DataColumn::N: return "N";
    case DataColumn::PsZ: return "Ps.Z";
    case DataColumn::X: return "X";
    case DataColumn::MN: return "MN";
    case DataColumn::AppRes: return "App.Res.";
    case DataColumn::KArr: return "K arr.";
    case DataColumn::Q: return "q";
    case DataColumn::V: return "V";
    case DataColumn::I: return "I";
    case DataColumn::IP: return "IP";
    case DataColumn::Ndata: return "Ndata";
    case DataColumn::SP: return "SP";
    case DataColumn::DecayMisfit: return "Misfit %";
    case DataColumn::RecErr: return "Rec.err %";
    case DataColumn::Partner: return "Partner";
  }
  return "";
}

std::string DataCellText(const TDataset& ds, int point, DataColumn column, int rowNumber) {
  const TDataPoint& p = ds.Points[point];
  switch (column) {
    case DataColumn::N: return std::to_string(rowNumber);
    case DataColumn::PsZ: return FormatValue(p.Spacing, TableDigits);
    case DataColumn::X: return FormatValue(p.X, TableDigits);
    case DataColumn::MN: return FormatValue(p.MN, TableDigits);
    case DataColumn::AppRes:
      if (!ds.IsSequence() && (p.Rho <= 1e-7f || p.Rho >= 1e8f)) return "-";
      return FormatValue(p.Rho, TableDigits);
    case DataColumn::KArr: return FormatValue(p.Rho, TableDigits);
    case DataColumn::Q:
      return ds.DataKind == DataKindTextWithVI ? FormatValue(p.Dev, TableDigits) : std::to_string(p.Q);
    case DataColumn::V: return FormatValue(p.V, TableDigits);
    case DataColumn::I: return FormatValue(p.I, TableDigits);
    case DataColumn::IP: return FormatValue(p.IP, TableDigits);
    case DataColumn::Ndata: return std::to_string(p.LineNo);
    case DataColumn::SP: return FormatValue(p.SP, TableDigits);
    case DataColumn::DecayMisfit: {
      const float misfit = ds.DecayFits.Of(point);
      if (misfit == TDecayFits::SignChange) return "sign";
      // Hundredths of a percent: an exact decay shows 0, not its rounding noise.
      return misfit >= 0 ? FormatValue(std::round(double{misfit} * 100) / 100, TableDigits) : std::string();
    }
    case DataColumn::RecErr:
      return ds.Reciprocals.Paired(point) ? FormatValue(ds.Reciprocals.Error[static_cast<std::size_t>(point)], TableDigits)
                                          : std::string();
    case DataColumn::Partner: {
      // The partner's row among the rows shown; its point number when it lies outside them.
      if (!ds.Reciprocals.Paired(point)) return {};
      const int partner = ds.Reciprocals.Partner[static_cast<std::size_t>(point)];
      const RowRange rows = ShownRows(ds);
      if (partner >= rows.first && partner <= rows.last) return std::to_string(partner - rows.first + 1);
      return "#" + std::to_string(partner);
    }
  }
  return "";
}

RowRange ShownRows(const TDataset& ds) {
  const int selected = ds.SelectedSetEntry + 1;
  if (ds.SetCount < 2 || selected < 1 || selected > ds.SetCount) return {1, ds.PointCount};
  return {ds.Sets[selected].First, ds.Sets[selected].Last};
}

CellEdit EditDataCell(TDataset& ds, int point, DataColumn column, std::string_view text) {
  if (point < 1 || point > ds.PointCount) return CellEdit::Undone;
  TDataPoint& p = ds.Points[point];
  switch (column) {
    case DataColumn::AppRes: {
      const auto rho = ReadReal(text);
      if (!rho || !(*rho > 0) || *rho > std::numeric_limits<float>::max()) return CellEdit::Ignored;
      p.Rho = static_cast<float>(*rho);
      return CellEdit::Taken;
    }
    case DataColumn::Q: {
      const auto q = ParseInteger(TrimBlanks(text));
      if (!q) return CellEdit::Ignored;
      p.Q = static_cast<std::uint8_t>(static_cast<unsigned>(*q) & 0xFFu);
      return CellEdit::Taken;
    }
    case DataColumn::IP: {
      if (!ds.HasIP) return CellEdit::Undone;
      const auto ip = ReadReal(text);
      if (!ip || std::fabs(*ip) > std::numeric_limits<float>::max()) return CellEdit::Ignored;
      p.IP = static_cast<float>(*ip);
      return CellEdit::Taken;
    }
    default: return CellEdit::Undone;
  }
}

int ErrorLimitStep(int value) {
  if (value >= 20) return 10;
  if (value > 9) return 5;
  if (value > 5) return 2;
  return 1;
}

bool EditErrorLimit(TDataset& ds, std::string_view text) {
  const auto limit = ParseInteger(TrimBlanks(text));
  if (!limit || *limit < 0 || *limit > AcceptanceThresholds::MaxErrorLimit) return false;
  ds.Thresholds.ErrorLimit = *limit;
  CountBadPoints(ds);
  return true;
}

bool EditThreshold(TDataset& ds, ThresholdEdit field, std::string_view text) {
  const auto value = ReadReal(text);
  if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return false;
  float* held = ThresholdValue(ds.Thresholds, field);
  const float typed = static_cast<float>(*value);
  // The reciprocal error and decay misfit limits are percentages: 0 switches
  // them off, below 0 means nothing.
  const bool percentage = field == ThresholdEdit::MaxReciprocalError || field == ThresholdEdit::MaxDecayMisfit;
  if (percentage && typed < 0) return false;
  if (typed == *held) return false;
  *held = typed;
  CountBadPoints(ds);
  return true;
}

std::string ThresholdText(const TDataset& ds, ThresholdEdit field) {
  AcceptanceThresholds t = ds.Thresholds;
  return FormatValue(*ThresholdValue(t, field), TableDigits);
}

std::string_view ElectrodeColumnHeader(ElectrodeColumn column) {
  switch (column) {
    case ElectrodeColumn::N: return "  N";
    case ElectrodeColumn::X: return "  X";
    case ElectrodeColumn::Alt: return " Alt";
  }
  return "";
}

std::string ElectrodeCellText(const TDataset& ds, int e, ElectrodeColumn column, int segmentLength) {
  switch (column) {
    case ElectrodeColumn::N:
      if (ds.ElectrodeNumbersAvailable && ds.DataKind != DataKindResistivityOnly && segmentLength > 0) {
        const int c = ds.ElectrodePosNumber[e];
        const int m = (c + segmentLength - 1) / segmentLength;
        return " " + std::to_string(m) + " - " + std::to_string(c);
      }
      return std::to_string(e);
    case ElectrodeColumn::X: return FormatValue(static_cast<double>(ds.ElectrodePos[e]) + ds.XShift, PositionDigits);
    case ElectrodeColumn::Alt: return ElectrodeAltitudeText(ds, e);
  }
  return "";
}

CellEdit EditElectrodeCell(TDataset& ds, int e, ElectrodeColumn column, std::string_view text) {
  if (column != ElectrodeColumn::Alt) return CellEdit::Undone;
  return TypeElectrodeAltitude(ds, e, text) ? CellEdit::Taken : CellEdit::Undone;
}

std::vector<ReliefPoint> ReliefProfile(const TDataset& ds) {
  std::vector<ReliefPoint> profile;
  const int count = std::min(ds.ElectrodePosCount, MaxElectrodePositions);
  profile.reserve(static_cast<std::size_t>(count));
  for (int e = 1; e <= count; ++e) {
    const auto z = ParseNumber(TrimBlanks(ElectrodeAltitudeText(ds, e)));
    profile.push_back({static_cast<double>(ds.ElectrodePos[e]) + ds.XShift, z.value_or(0.0)});
  }
  return profile;
}

std::string SpacingItemText(const TDataset& ds, int level) {
  return FormatValue(ds.LevelSpacing[level], TableDigits) + "-" + FormatValue(ds.LevelMN[level], TableDigits);
}

void SetLevelChecked(TDataset& ds, int level, bool checked) {
  if (level < 1 || level > ds.LevelCount) return;
  ToggleLevelPoints(ds, level, !checked);
}

}  // namespace tarvo
