#pragma once

#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/save_dialog.h"
#include "engine/export/export_options.h"

// Writer of the Res2dMod text input: every measurement listed by the
// coordinates of its four electrodes (a remote pole at -10000), followed by
// the ranges of the sensitivity calculation, so that non-standard arrays can
// be modelled.
namespace tarvo {

// The state of the command after its preparation.
struct Res2dModPreparation {
  bool Ready = false;      // false: nothing to export (no data or no set)
  double UnitSpacing = 0;  // smallest positive MN of all points
  // "TXT format for Res2dMod", the proposed name, "Res2dMod text|*.txt", ".txt".
  SaveDialogDescription Dialog;
};

// Preparation before the dialog: the unit electrode spacing, the merging of
// repeated measurements, the proposed name, and the x shift added to every
// x coordinate and reset to 0 (the shift stays even when the dialog is then
// cancelled). Nothing happens without data or without a set.
Res2dModPreparation PrepareRes2dMod(TDataset& ds);

// What PrepareRes2dMod returns, without changing the dataset.
Res2dModPreparation PlanRes2dMod(const TDataset& ds);

// The file's text and the sets it could not list ("Error 12.").
struct Res2dModText {
  std::string Text;
  std::vector<int> UnsupportedSets;
};

Res2dModText Res2dModFileText(const TDataset& ds, double unitSpacing);

// Writes the file for the chosen name; tells the operator of unsupported sets
// and of a failed write (false).
bool WriteRes2dModFile(const TDataset& ds, double unitSpacing, const std::string& path, Messenger& messenger);

// The whole command for a chosen target: preparation, then the file. False
// when there was nothing to export or the file could not be written.
bool WriteRes2dMod(TDataset& ds, const ExportOptions& options, const std::string& path, Messenger& messenger);

}  // namespace tarvo
