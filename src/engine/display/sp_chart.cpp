#include "engine/display/sp_chart.h"

#include <algorithm>
#include <cmath>

#include "engine/core/numbers.h"

namespace tarvo {

namespace {
constexpr int TitleDigits = 1;   // digits of the spacings in the line titles
constexpr int ExportDigits = 2;  // digits of the exported values
constexpr std::size_t MaxExportChars = 32000;
constexpr double SameX = 0.001;
}  // namespace

std::vector<TSPLine> BuildSPLines(const TDataset& ds) {
  std::vector<TSPLine> lines;
  const int levels = std::min(ds.LevelCount, MaxLevels);
  const bool poles = ds.ArrayType == 1;
  for (int k = 1; k <= levels; ++k) {
    TSPLine line;
    line.Title = poles ? "AM=" + FormatValue(ds.LevelSpacing[k], TitleDigits)
                       : "AB=" + FormatValue(ds.LevelSpacing[k], TitleDigits) + " MN=" +
                             FormatValue(ds.LevelMN[k], TitleDigits);
    lines.push_back(std::move(line));
  }
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    if (p.PointType != ds.ArrayType || p.Level < 1 || p.Level > levels) continue;
    const double x = poles ? double{p.XM} : (double{p.XM} + p.XN) / 2;
    lines[static_cast<std::size_t>(p.Level - 1)].Points.push_back({x, p.SP});
  }
  return lines;
}

std::string SPCopyText(const std::vector<TSPLine>& lines, int selected) {
  if (selected < 0 || selected >= static_cast<int>(lines.size())) return {};
  const TSPLine& line = lines[static_cast<std::size_t>(selected)];
  std::vector<double> sum, count;
  for (const TSPPoint& p : line.Points) {
    sum.push_back(p.Y);
    count.push_back(1);
  }
  for (std::size_t l = 0; l < lines.size(); ++l) {
    if (static_cast<int>(l) == selected || !lines[l].Shown) continue;
    for (const TSPPoint& q : lines[l].Points) {
      for (std::size_t i = 0; i < line.Points.size(); ++i) {
        if (std::fabs(q.X - line.Points[i].X) < SameX) {
          sum[i] += q.Y;
          count[i] += 1;
          break;
        }
      }
    }
  }
  std::string text = "X\tSP" + std::to_string(selected) + "\tSP_mean\r\n";
  for (std::size_t i = 0; i < line.Points.size(); ++i) {
    const std::string row = FormatValue(line.Points[i].X, ExportDigits) + "\t" +
                            FormatValue(line.Points[i].Y, ExportDigits) + "\t" +
                            FormatValue(sum[i] / count[i], ExportDigits) + "\r\n";
    if (text.size() + row.size() > MaxExportChars) break;
    text += row;
  }
  return text;
}

}  // namespace tarvo
