#pragma once

#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/save_dialog.h"
#include "engine/export/export_options.h"

// Writer of the SensInv2D input: the electrode geometry (".gem": number, x,
// elevation), the electrode configuration of every measurement (".sen") and
// its resistance, the apparent resistivity divided by the geometric factor
// (".imp"). Electrodes are numbered by their place in the electrode-position
// list.
namespace tarvo {

// What the save dialog of the command shows: "Output for SensInv2D",
// "SensInv2d|*.gem", "gem" and the underscored sequence title.
SaveDialogDescription SensInvDialog(const TDataset& ds);

// The three texts, and what the operator is told about them.
struct SensInvTexts {
  std::string Geometry;        // ".gem"
  std::string Configurations;  // ".sen", one line per written point
  std::string Resistances;     // ".imp", one line per written point, in the same order
  std::vector<int> UnsupportedSets;  // sets of an array type without a SensInv2D line ("Error 1.")
  int PointsLeftOut = 0;  // good points that could not be written (electrode off the list, undefined K)
};

// The texts of the good points of every set, set by set.
SensInvTexts SensInv2DText(const TDataset& ds);

// Preparation before the dialog: merges measurements repeated between sets
// and adds the x shift to the data (the electrode positions of ".gem").
void PrepareSensInv2D(TDataset& ds);

// Writes the three files for the chosen geometry file name (".sen" and ".imp"
// take its base name). Tells the operator of unsupported sets, points left
// out and write failures; false when a file could not be written.
bool WriteSensInv2DFiles(const TDataset& ds, const std::string& path, Messenger& messenger);

// The whole command for a chosen target: preparation, then the files.
bool WriteSensInv2D(TDataset& ds, const ExportOptions& options, const std::string& path, Messenger& messenger);

}  // namespace tarvo
