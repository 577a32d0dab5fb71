#pragma once

#include <optional>
#include <string>
#include <functional>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/save_dialog.h"
#include "engine/display/value_grid.h"

// Writer of one pseudosection panel (the mean panel of the panels window)
// as a Res2dInv data file in the older, array-specific layout: one line of
// position, spacing or dipole, factor and value per grid cell, without a
// general-array header.
namespace tarvo {

struct SectionPanelInput {
  const ValueGrid* grid = nullptr;          // the panel's raw grid; a value <= 0 is empty
  const GridDescriptor* descriptor = nullptr;  // stations, spacings S and dipoles M
  std::string name;                          // file name stem
  int code = 0;                              // array-type code 1..9
};

// What the save dialog shows: the open file's directory, the name and
// ".dat", under the title "Old Res2dInv format".
SaveDialogDescription SectionPanelDialog(const TDataset& ds, const std::string& name);

// The Res2dInv array number written for an array-type code.
int SectionPanelArrayNumber(int code);

// The file's text (CR LF line ends). Codes 8 and 9 have no panel form: the
// text then holds the header and the closing lines only, and `unsupported`
// is set (the command shows "Error 2.").
std::string SectionPanelFileText(const TDataset& ds, const SectionPanelInput& input, bool* unsupported = nullptr);

// Chooses the file (nullopt: cancelled, nothing is written), writes it
// whole and tells the operator of "Error 2." and of a failed write.
SaveOutcome WriteSectionPanel(const TDataset& ds, const SectionPanelInput& input, const TargetChooser& choose,
                              Messenger& messenger);

}  // namespace tarvo
