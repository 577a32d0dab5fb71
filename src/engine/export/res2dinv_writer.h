#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
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
  aTimeLapse,     // "Time-Lapse", after the checks of aTimeLapseExecute
  Extract,        // "Extract array": usual format, general for ArrayType 8 and above
};

// What the save dialog shows. The GUI puts it in its dialog, tarvo-cli only
// reports the title.
struct Res2dInvSaveDialog {
  std::string title;         // "Usual Res2dInv format", "General Res2dInv format" (+ " (time-lapse data)")
  std::string proposedName;  // file name proposed to the operator
  std::string filter;        // "Res2Dinv files|*.dat||_*.dat" or "Res2dinv (*.ext)|*.ext"
  std::string defaultExt;    // "DAT", or the remembered extension without its dot
};

// Asks where to write; nothing means the dialog was cancelled.
using Res2dInvFileChooser = std::function<std::optional<std::string>(const Res2dInvSaveDialog&)>;

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
  Res2dInvSaveDialog dialog;
};

// The save dialog's filter and default extension for the remembered
// Res2dInv extension (".dat" unless a file with another one was read).
Res2dInvSaveDialog Res2dInvDialogFiles(std::string_view res2dInvExt);

// The steps before the dialog, in order: whether IP is written, the variant,
// mixed arrays (general format), the unit electrode spacing (halved with
// "Model refinement"), the merging of repeated measurements (not for
// time-lapse data), the proposed file name and the x shift, which is added
// to every x coordinate of the dataset and then reset to 0. The merge and
// the shift stay even when the dialog is then cancelled.
Res2dInvPlan PrepareRes2dInv(TDataset& ds, Res2dInvSender sender, const ExportOptions& options,
                             std::string_view res2dInvExt);

// The bytes of the file, CR LF line ends. Sets memo line 0 when it is empty
// (the title written) and the spacing and dipole length of pole-dipole points
// from their level in the usual format. A set of no known array type is
// reported ("Error 1.") and left out; the point count line counts the data
// lines written.
std::string Res2dInvFileText(TDataset& ds, const Res2dInvPlan& plan, const ExportOptions& options,
                             Messenger& messenger);

enum class Res2dInvOutcome {
  Written,    // the file was written
  Cancelled,  // the dialog was cancelled; nothing written
  Refused,    // the data do not suit the command; the operator has been told (or the command does not apply)
  Failed,     // the file could not be written; the operator has been told
};

// The Res2dInv export commands: preparation, the save dialog through
// `chooser`, then the whole file written at once.
Res2dInvOutcome Res2d_Converter(TDataset& ds, Res2dInvSender sender, const ExportOptions& options,
                                std::string_view res2dInvExt, const Res2dInvFileChooser& chooser,
                                Messenger& messenger);

// The "Time-Lapse" command: checks that the sets form equal time steps,
// sets BaseSetCount, PointsPerTime and TimeSetCount, then writes the
// time-lapse variant. Refused without a message for a single set or data
// without measurements (the command is disabled then).
Res2dInvOutcome aTimeLapseExecute(TDataset& ds, const ExportOptions& options, std::string_view res2dInvExt,
                                  const Res2dInvFileChooser& chooser, Messenger& messenger);

}  // namespace tarvo
