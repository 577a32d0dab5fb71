#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/save_dialog.h"

// Writer of ElectreII sequence text: the electrode layout ("# X Y Z") and the
// quadripoles by electrode number ("# A B M N"), CR LF line ends.
namespace tarvo {

// Who asked for the file; it decides which quadripoles are written and the
// number that leads each line.
enum class ElectreSender {
  None,     // Merge TXT: every quadripole, numbered 1..QuadCount
  Extract,  // Extract array: the good points of the selected set, by point index
  Other,    // the action or the reciprocal command: the good points of the last sequence's sets
};

// What the save dialog shows: "ElectreII sequence", the dataset's file name
// with the extension ".txt", "ElectreII sequence files|*.txt" and "TXT".
SaveDialogDescription ElectreSaveDialog(const TDataset& ds);

// Refused: the data do not suit the command; no message.
struct ElectreSaveResult {
  SaveOutcome outcome = SaveOutcome::Refused;
  std::string path;     // the file written
  int quadripoles = 0;  // quadripole lines it holds
};

// The text of the file. Electrode x values go through FormatValue with
// `extraDigits`; with `reciprocal` each line carries M and N in the places
// of A and B and A and B in the places of M and N. The set selected for
// Extract is the set list's current entry (the last set when none is).
std::string ElectreSequenceText(const TDataset& ds, ElectreSender sender, bool reciprocal, int extraDigits);

// The "Elecre II" command (the window's aElecreIIExecute): with a sender only a sequence (DataKind 2) is written.
// Applies the x shift to the layout, selects the last set when the sets go
// beyond one sequence, asks for the file and writes it whole. FileName and
// the set list are not changed; the main window clears its Modified mark
// when the outcome is Written.
ElectreSaveResult SaveElectreSequence(TDataset& ds, ElectreSender sender, bool reciprocal, int extraDigits,
                                      const TargetChooser& chooser, Messenger& messenger);

}  // namespace tarvo
