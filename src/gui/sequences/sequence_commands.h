#pragma once

#include <functional>

#include "gui/export/converter_commands.h"
#include "engine/sequences/abem_protocol_writer.h"

namespace tarvo::gui {

class TMain;

// The cable layout question of a Lund protocol; the preset comes in.
using CableDialog = std::function<CableLayout(CableLayout preset)>;

// Gives the sequence commands their work in the main window:
// - "&New protocol" (`aNew_HS`): the new-sequence window;
// - "Elecre" (`aSave`), "Elecre II" (`aElecreII`), "Lund protocol (ABEM)"
//   (`aABEM_org`): the sequence as a Syscal, ElectreII or Lund protocol file
//   (a Syscal data file is rewritten in place);
// - "Syscal-Pro" (`aSyscalPro`): the injection list of the sequence and its
//   readings for a multichannel instrument;
// - Exchange: "A and B", "M and N", "Amn2mnB", "Shift64";
// - File: "Extract array", "Merge SEQ", "Merge TXT" and "Reciprocal SEQ".
// `dialog` asks for targets (a QFileDialog with an overwrite prompt when
// empty) and `cable` for the Lund cable layout (the "Long or short" dialog
// when empty).
void AttachSequenceCommands(TMain& main, SaveDialog dialog = {}, CableDialog cable = {});

}  // namespace tarvo::gui
