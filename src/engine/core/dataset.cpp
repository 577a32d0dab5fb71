#include "engine/core/dataset.h"

#include <algorithm>

#include "engine/core/text_file.h"

namespace tarvo {

void ClearDataset(TDataset& ds) {
  if (!IsLoaded(ds.DataKind)) return;

  ds.TypedAltitude.Fill(std::nullopt);
  ds.ElectrodeXZSquare = false;
  ds.Reciprocals = {};
  ds.DecayFits = {};

  if (ds.SetCount >= 1) ds.SeqHeader = ds.SetSeqHeaders[ds.SetCount];
  ds.Quads.Release();
  if (ds.DataKind > DataKindHeaderOnly && !ds.PointsMerged) {
    ds.Points.Release();
    // The count follows the storage so nothing reads released points.
    ds.PointCount = 0;
  }
  if (ds.DataKind == DataKindInstrument && ds.SeqHeader.QuadCount > 0) ds.SyscalRaw.Release();
  if (ds.SetCount >= 1) ds.SetSeqHeaders[ds.SetCount].QuadCount = 0;
}

bool AddSet(TDataset& ds, int first, int last, std::uint8_t type) {
  if (ds.SetCount >= MaxSets) return false;
  ++ds.SetCount;
  ds.Sets[ds.SetCount] = TSetEntry{first, last, type};
  ds.SetFileHeaders[ds.SetCount] = ds.FileHeader;
  ds.SetSeqHeaders[ds.SetCount] = ds.SeqHeader;
  return true;
}

void SelectSet(TDataset& ds, int k) {
  if (k < 1 || ds.SetCount < 1) return;
  if (k > ds.SetCount) k = ds.SetCount;
  if (ds.SelectedSetEntry == k - 1) return;

  ds.SeqHeader = ds.SetSeqHeaders[k];
  ds.FileHeader = ds.SetFileHeaders[k];
  ds.ArrayType = ds.Sets[k].Type;
  ds.SelectedSetEntry = k - 1;
  ds.Notify([k](DatasetObserver& o) { o.SetSelected(k); });
}

void ShowCommentsInMemo(TDataset& ds) {
  if (IsLoaded(ds.DataKind) && ds.DataKind != DataKindResistivityOnly) {
    ds.Memo = SplitLines(ds.FileHeader.CommentsText());
  }
}

void ShiftPoint(TDataPoint& p, double shift) {
  for (float* x : {&p.X, &p.XA, &p.XB, &p.XM, &p.XN}) *x = static_cast<float>(*x + shift);
}

void ApplyXShift(TDataset& ds) {
  if (ds.XShift == 0) return;
  const double shift = ds.XShift;
  const auto add = [shift](float& x) { x = static_cast<float>(x + shift); };
  // Electrodes never written are no part of the layout and stay at 0.
  for (int n = 1; n <= ds.Electrodes.Allocated(); ++n) add(ds.Electrodes[n].X);
  for (int s = 1; s <= std::min(ds.StationCount, MaxStations); ++s) add(ds.Stations[s]);
  for (int e = 1; e <= std::min(ds.ElectrodePosCount, MaxElectrodePositions); ++e) add(ds.ElectrodePos[e]);
  for (int k = 1; k <= std::min(ds.ElectrodeXZCount, MaxElectrodePositions); ++k) add(ds.ElectrodeXZ[k].X);
  for (int i = 1; i <= ds.PointCount; ++i) ShiftPoint(ds.Points[i], shift);
  if (ds.RemoteElectrodes.HasB) add(ds.RemoteElectrodes.XB);
  if (ds.RemoteElectrodes.HasN) add(ds.RemoteElectrodes.XN);
  ds.XShift = 0;
}

}  // namespace tarvo
