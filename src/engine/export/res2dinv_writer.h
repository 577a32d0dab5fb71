#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/save_dialog.h"
#include "engine/export/export_options.h"

// Writer of Res2dInv data files, the text input of the Res2dInv 2D inversion
// program, in three variants: the usual format of one standard array (x, a
// and n on each line), the general format (array 11: every electrode with
// its elevation, so that sets of different arrays share one file) and
// time-lapse data (one resistivity column per time step).
namespace tarvo {

// The command that asked for the file; it decides the variant.
enum class Res2dInvSender {
  aRes2dInv,      // "Res2dInv": usual format unless the sets mix array types
  aRes2dInv_new,  // "Res2dInv (general)": general format
  aTimeLapse,     // "Time-Lapse", after the checks of ExportTimeLapse
  Extract,        // "Extract array": usual format, general for ArrayType 8 and above
};


// What the preparation decided, for the text of the file.
struct Res2dInvPlan {
  bool general = false;    // general format (array 11) instead of the usual one
  bool timeLapse = false;  // one resistivity column per time step
  bool withIP = false;     // the chargeability column is written
  bool withErrors = false; // the error estimates are written (data with errors, without IP or time steps)
  int pointCount = 0;      // points of one time step, or every point
  int setCount = 0;        // sets of one time step, or every set
  int timeSteps = 1;       // time steps written (time-lapse only above 1)
  double unitSpacing = 0;  // the unit electrode spacing line
  // Title "Usual Res2dInv format" or "General Res2dInv format" (+ " (time-lapse
  // data)"), filter "Res2Dinv files|*.dat||_*.dat" or "Res2dinv (*.ext)|*.ext",
  // default extension "DAT" or the remembered one without its dot.
  SaveDialogDescription dialog;
};

// The save dialog's filter and default extension for the remembered
// Res2dInv extension (".dat" unless a file with another one was read).
SaveDialogDescription Res2dInvDialogFiles(std::string_view res2dInvExt);

// The plan alone, without changing the dataset: what PrepareRes2dInv
// returns (neither the merge nor the shift changes what it reads).
Res2dInvPlan PlanRes2dInv(const TDataset& ds, Res2dInvSender sender, const ExportOptions& options,
                          std::string_view res2dInvExt);

// The steps before the dialog, in order: whether IP is written, the variant,
// mixed arrays (general format), the unit electrode spacing (halved with
// "Model refinement"), the merging of repeated measurements (not for
// time-lapse data), the proposed file name and the x shift, which is added
// to every x coordinate of the dataset and then reset to 0. The merge and
// the shift stay even when the dialog is then cancelled.
Res2dInvPlan PrepareRes2dInv(TDataset& ds, Res2dInvSender sender, const ExportOptions& options,
                             std::string_view res2dInvExt);

// The bytes of the file, CR LF line ends; the dataset is not changed. An
// empty memo line 0 gives the title its default, pole-dipole points of the
// usual format are written with the spacing and dipole length of their
// level. A set of no known array type is reported ("Error 1.") and left out;
// the point count line counts the data lines written.
std::string Res2dInvFileText(const TDataset& ds, const Res2dInvPlan& plan, const ExportOptions& options,
                             Messenger& messenger);

// What a written file leaves in the dataset: memo line 0, when empty, takes
// the title written, and the pole-dipole points of the usual format the
// spacing and dipole length of their level. The command runs it once the
// target is chosen; the text is the same before and after it.
void KeepRes2dInvWrite(TDataset& ds, const Res2dInvPlan& plan);

// Whether the command applies: measured data, and for time-lapse data their
// description by DescribeTimeSteps. Refused without a message otherwise.
bool Res2dInvApplies(const TDataset& ds, Res2dInvSender sender);

// The Res2dInv export commands: preparation, the save dialog through
// `chooser`, then the whole file written at once.
SaveOutcome ExportRes2dInv(TDataset& ds, Res2dInvSender sender, const ExportOptions& options,
                                std::string_view res2dInvExt, const TargetChooser& chooser,
                                Messenger& messenger);

// The checks of the "Time-Lapse" command: that the sets form equal time
// steps; sets BaseSetCount, PointsPerTime and TimeSetCount. False when
// refused (the operator has been told, except for a single set or data
// without measurements).
bool DescribeTimeSteps(TDataset& ds, Messenger& messenger);

// The "Time-Lapse" command: DescribeTimeSteps, then the time-lapse variant. Refused without a message for a single set or data
// without measurements (the command is disabled then).
SaveOutcome ExportTimeLapse(TDataset& ds, const ExportOptions& options, std::string_view res2dInvExt,
                                  const TargetChooser& chooser, Messenger& messenger);

}  // namespace tarvo
