#include "engine/shell/summary.h"

#include <cmath>

#include "engine/core/array_types.h"
#include "engine/core/numbers.h"
#include "engine/core/positions.h"

namespace tarvo {

namespace {
// Labels of the information panel show one extra digit.
constexpr int PanelDigits = 1;
}  // namespace

DatasetSummary BuildSummary(const TDataset& ds) {
  DatasetSummary s;
  if (!IsLoaded(ds.DataKind)) return s;
  s.loaded = true;

  const TFileHeader& fh = ds.FileHeader;
  s.operatorName = fh.OperatorText();
  if (ds.DataKind != DataKindResistivityOnly) s.comments = fh.CommentsText();
  s.docType = fh.DocType;
  s.vueType = fh.VueType;
  s.fileStatus = fh.FileStatus;
  s.alpha = fh.Alpha / 256;
  s.absValues = fh.AbsValues != 0;

  s.electrodes = ds.ElectrodePosCount;
  if (ds.SetCount == 1) {
    s.quadripoles = std::to_string(ds.SeqHeader.QuadCount);
  } else if (ds.SelectedSetEntry >= 0 && ds.SelectedSetEntry < ds.SetCount && ds.SetCount > 1) {
    const TSetEntry& set = ds.Sets[ds.SelectedSetEntry + 1];
    s.quadripoles = std::to_string(set.Last - set.First + 1);
  } else {
    s.quadripoles = std::to_string(ds.PointCount) + " (all)";
  }
  s.sequence = ds.SeqHeader.TitleText().substr(0, 10);
  s.line = FormatValue(ds.SeqHeader.Line, PanelDigits);
  s.area = FormatValue(ds.SeqHeader.Area, PanelDigits);
  s.unitSpacing = ds.ElectrodePosCount < 2
                      ? "???"
                      : FormatValue(std::fabs(UnitElectrodeSpacing(ds)), PanelDigits) + ", m";

  if (ds.ReadOnlyData && ds.DataKind <= DataKindSequence) s.state = "Read Only";

  if (ds.DataKind > DataKindHeaderOnly && IsValidArrayCode(ds.ArrayType)) {
    s.hasArray = true;
    const std::string label(SpacingLabels[ds.ArrayType]);
    s.arrayName = std::string(ArrayTypeNames[ds.ArrayType]);
    s.spacingLabel = "R=" + label;
    s.lengthLabel = label + " length";
    if (ds.LevelCount >= 1) {
      s.levelRange = "(" + std::to_string(ds.LevelCount - ds.LevelDupCount) + ") from " +
                     FormatValue(ds.LevelSpacing[1], PanelDigits) + " to " +
                     FormatValue(ds.LevelSpacing[ds.LevelCount], PanelDigits);
    }
    const int t = ds.ArrayType;
    s.showOverlapping = t == Schlumberger || t == ForwardPoleDipole || t == ReversePoleDipole || t == DipoleDipole;
    s.overlapping = ds.LevelDupCount;
    if (ds.HasMeasurements()) s.dataPoints = "Data points - " + std::to_string(ds.PointCount - ds.MergedCount);
  }
  s.badPoints = ds.BadCount - ds.MergedCount;
  return s;
}

}  // namespace tarvo
