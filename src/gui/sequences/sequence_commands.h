#pragma once

#include "export/converter_commands.h"

namespace tarvo::gui {

class TMain;

// Gives the instrument-file commands their work in the main window: "Elecre"
// (`aSave`: a Syscal sequence saved through the save dialog, or a Syscal
// data file rewritten in place) and "Elecre II" (`aElecreII`: the sequence
// as ElectreII text). `dialog` asks for the target (a QFileDialog with an
// overwrite prompt when empty).
void AttachSequenceCommands(TMain& main, SaveDialog dialog = {});

}  // namespace tarvo::gui
