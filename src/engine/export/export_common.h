#pragma once

#include <string>

#include "engine/core/dataset.h"
#include "engine/core/save_dialog.h"

// What several writers share. Writers include this, never each other.
namespace tarvo {

// The sequence title (up to its first NUL) with its first character replaced
// by "_" when it has 8 or more characters, else with "_" put in front: the
// proposed file name of the SensInv2D and Res2dMod exports.
std::string UnderscoredSequenceTitle(const TDataset& ds);

// A chooser for commands run without a dialog: the first file goes to
// `path`, every further one (the next Sondo group) into its folder under its
// proposed name and default extension, numbered when a name repeats.
TargetChooser TargetsBeside(const std::string& path);

}  // namespace tarvo
