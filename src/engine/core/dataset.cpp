#include "core/dataset.h"

namespace tarvo {

void ClearDataset(TDataset& ds) {
  if (!IsLoaded(ds.DataKind)) return;

  for (int e = 1; e <= MaxElectrodePositions; ++e) ds.TypedAltitude[e].reset();

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

}  // namespace tarvo
