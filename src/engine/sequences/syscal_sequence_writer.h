#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/save_dialog.h"

// Writer of the Syscal binary formats: the current sequence as a ".seq" file
// for the instrument, or the Syscal data file that was read, rewritten in
// place with the quality codes the program now holds. An existing file is
// kept as a backup before it is replaced.
namespace tarvo {

// Who asked for the write. The save action and the sequence tools come from
// the user interface; the merge of sequences writes its merged list whole.
enum class SyscalSaveCaller {
  UserInterface,  // aSave, Amn2mnB, Shift64, Reciprocal SEQ, the new-sequence generator
  Merge,          // Merge SEQ
};

// The save dialog of a sequence file: "Save SysCal file", the dataset's file
// name, "SysCal Sequence files|*.seq" and "SEQ".
SaveDialogDescription SyscalSaveDialog(const TDataset& ds);

// Refused: nothing to write (no sequence, read-only data); no message.
struct SyscalSaveResult {
  SaveOutcome outcome = SaveOutcome::Refused;
  std::string path;           // the file written
  std::string sequenceTitle;  // for a sequence file: the name SequenceL shows
  int quadripoles = 0;        // quadripoles the file holds
};

// The backup name of a file: in its folder, the name with the four
// characters from its first "." removed, then its extension (from the last
// ".") with the character after the dot replaced by "~": LINE1.SEQ gives
// LINE1.~EQ. A name without an extension gets ".~" so that the backup never
// names the file itself.
std::string SyscalBackupName(const std::string& path);

// The sequence title of a file name: the name without its extension, in
// upper case ("line 3.seq" gives "LINE 3").
std::string SyscalSequenceTitle(const std::string& path);

// Adds XShift to the instrument layout (electrodes 1..ElectrodeTotal), the
// stations and the electrode positions, once, and resets it to 0.
void ApplyLayoutXShift(TDataset& ds);

// The bytes of the file for the current headers and the last set. For a
// sequence (DocType 768) asked for from the user interface, the bad points of
// the last set are left out and QuadCount counts the quadripoles written;
// otherwise every quadripole is written. For a data file (DocType 256) each
// measurement record follows its quadripole's record with its deviation
// replaced by the point's current Q. With `reciprocal` every quadripole is
// written with A and M and B and N exchanged. The dataset is not changed.
std::vector<std::uint8_t> SyscalFileBytes(const TDataset& ds, SyscalSaveCaller caller, bool reciprocal);

// The Save command (the window's SaveSBClick): writes the last set in the Syscal formats. A sequence goes
// through the save dialog (`chooser`), takes its title from the chosen name
// and renames its set-list entry; a data file is rewritten in place. An
// existing target is kept under its backup name (an older backup deleted
// first; when that fails, "It is impossibe to create backup file" and the
// file is replaced without a backup). The target is replaced only once the
// new file is complete. Afterwards the main window clears its Modified mark
// when the outcome is Written.
SyscalSaveResult SaveSyscalSequence(TDataset& ds, SyscalSaveCaller caller, bool reciprocal,
                                    const TargetChooser& chooser, Messenger& messenger);

}  // namespace tarvo
