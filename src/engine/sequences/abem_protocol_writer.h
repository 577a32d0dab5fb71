#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/save_dialog.h"

// Writer of measuring protocols for the ABEM Lund imaging system: the
// quadripoles of the last set as one protocol for the whole spread (".org")
// and two roll-along protocols (".up", ".dwn") holding only the quadripoles
// that must be measured again once part of the cables has been moved.
namespace tarvo {

// The cable set the protocol is made for; it decides the roll-along step.
enum class CableLayout { Short32, Long32 };
inline constexpr std::array<std::string_view, 2> CableLayoutNames = {"Short32", "Long32"};

// The instrument's code of an array type (1..8); 0 for anything unknown.
int AbemArrayCode(int arrayType);

// The cable the "Long or short" dialog proposes: Long32 when the sequence
// has more than 9 levels, else Short32.
CableLayout PresetCableLayout(const TDataset& ds);

// Electrodes a roll-along moves: half the spread for Short32, a quarter for
// Long32 (integer division; 0 for spreads too small to roll).
int RollAlongStep(int electrodeTotal, CableLayout c);

// The texts of the three files, CR LF line ends. Each starts with the array
// code and name and the cable name; ".org" lists every quadripole of the
// last set, ".up" those touching the last h electrodes and ".dwn" those
// touching electrodes 1..h, h being the roll-along step. With more than one
// set, the headers and array type are the last set's; with one, the current
// ones (as SaveAbemProtocol leaves them).
struct AbemProtocolTexts {
  std::string org, up, dwn;
};
AbemProtocolTexts AbemProtocolFiles(const TDataset& ds, CableLayout cable);

// What the save dialog shows: "Save Lund protocol", the dataset's file name
// with the extension ".org", "ABEM org file|*.org" and "org".
SaveDialogDescription AbemSaveDialog(const TDataset& ds);

// The "Long or short" dialog: shown with the preset, returns the cable chosen.
using CableChooser = std::function<CableLayout(CableLayout preset)>;

// Refused: no quadripole list to write; no message.
struct AbemSaveResult {
  SaveOutcome outcome = SaveOutcome::Refused;
  std::string orgPath;  // the ".org" written; ".up" and ".dwn" sit beside it
  int quadripoles = 0;  // quadripoles of the ".org"
};

// The "Lund protocol (ABEM)" command (the window's Abem_orgExecute): makes the last set current, asks for the ".org" file and
// the cable, and writes the ".org", ".up" and ".dwn" files, each whole. Bad
// points are not left out, the x shift and the reciprocal flag do not apply.
// A write failure stops at the file that failed, with the platform's message.
AbemSaveResult SaveAbemProtocol(TDataset& ds, const TargetChooser& chooser, const CableChooser& cable,
                                Messenger& messenger);

}  // namespace tarvo
