#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/display/value_grid.h"
#include "engine/export/export_options.h"
#include "engine/import/open_command.h"
#include "engine/settings/program_settings.h"

// What the main window keeps besides the dataset, and the edits it makes to
// the dataset: the options of its menus, the Res/IP display mode, the
// "Modified" state, the hidden first and last lines of the pseudosection and
// the header fields typed into the information panel. The window only shows
// these values and passes the operator's input in.
namespace tarvo {

struct ShellState {
  OpenCommandState open;     // open dialog, recent directories, Res2dInv extension
  ProgramSettings program;   // model refinement, data points on/off, IP unit caption
  GridSettings grid;         // Options > Interpolation (1, 2 or 3)
  bool SaveWithoutIP = false;  // Converter > "Save without IP"
  bool IPMode = false;         // displays and filters work on chargeability
  bool Modified = false;       // an edit of the dataset since the last refresh
  int HiddenLastLines = 0;     // "Delete ... last lines": levels hidden at the bottom
  int HiddenFirstLines = 0;    // "... first lines": levels hidden at the top
};

// The Converter menu's options for a writer: "Save without IP" and the
// Options menu's "Model refinement" and IP caption.
ExportOptions ExportOptionsFrom(const ProgramSettings& settings, bool withoutIP);

// Text of the modified/read-only panel: "Modified" after an edit, otherwise
// "Read Only" for a read-only sequence, otherwise empty.
std::string ModifiedPanelText(const TDataset& ds, const ShellState& s);

// Asked when the program is to end while the panel shows "Modified": Yes
// leaves and loses the edits, No stays.
inline constexpr std::string_view LeaveModifiedQuestion =
    "The data have been modified.\r\nLeave Tarvo and lose the changes?";

// True when the program may end: nothing is modified, or the operator
// answered Yes to LeaveModifiedQuestion (a warning with Yes and No).
bool ConfirmLeaving(const TDataset& ds, const ShellState& s, Messenger& messenger);

// The points an export writes: every point that is not bad (repeated
// measurements merged by the export count as bad).
int ExportedPointCount(const TDataset& ds);

// The status-bar line after a successful export: "Written NAME: N points"
// (one point: "1 point"), NAME being the file name without its folder.
std::string ExportWrittenText(const std::string& path, int points);

// The refresh of the information panel ends the "Modified" state, unless it
// comes from the table window and the data are not read-only. The comment
// memo takes the header's comments, except for apparent resistivities, whose
// memo keeps the title their reader put there.
void RefreshShellAfterSummary(TDataset& ds, ShellState& s, bool fromTableWindow);

// A read of files starts: the Res/IP mode is switched off, and for a new
// dataset (not an append) no line is hidden any longer. Rebuilding the data
// in memory changes neither.
void PrepareShellForRead(ShellState& s, OpenCaller caller);

// The Res/IP switch: inverts the display mode only when the data carry IP.
// Returns true when the mode changed.
bool ToggleIPMode(const TDataset& ds, ShellState& s);

// Hides (a larger position) or shows again (a smaller one) levels at the
// bottom ("last lines": level L - b + 1 for position b, L = LevelCount) or at
// the top ("first lines": level b). A position below 0, or beyond the levels
// that the other control leaves, is refused, as is any change while no point
// is loaded. Hidden points are marked deleted; showing a level again unmarks
// only points that carry the deleted mark, so a point that fails the
// thresholds keeps its quality code. A selected set is deselected first (the
// change concerns every set). Returns true when the position was taken.
bool SetHiddenLastLines(TDataset& ds, ShellState& s, int position);
bool SetHiddenFirstLines(TDataset& ds, ShellState& s, int position);

// Header edits. Each sets "Modified". The text goes into the current
// headers and into the stored headers of the selected set (of the only set
// when there is one), so that selecting the set again shows the edit.
// Operator: at most 32 characters. Comments: the memo text (lines separated
// by "\n") becomes the memo lines, and its first 47 characters, with line
// breaks written as CR LF, the header's comments.
void EditOperator(TDataset& ds, ShellState& s, std::string_view text);
void EditComments(TDataset& ds, ShellState& s, std::string_view memoText);

enum class HeaderNumber { Line, Area, XShift };

// Line, area or X shift typed as text: blanks at both ends are removed and a
// text that reads as a number replaces the value; another text keeps it.
// Returns true when the value was taken.
bool EditHeaderNumber(TDataset& ds, ShellState& s, HeaderNumber field, std::string_view text);

// The "Abs. values" box: sets AbsValues of the headers and, for instrument
// data of one file, recomputes the apparent resistivities from the measured
// records. Points the operator marked deleted stay marked. Nothing happens
// while no data are loaded.
void SetAbsValues(TDataset& ds, bool on);

// Commands that the window enables when their menu opens, by the data.
struct MenuEnabling {
  bool Extract = false;             // File > "Extract array"
  bool MergeSEQ = false;            // File > "Merge SEQ" > "Merge SEQ"
  bool ExchangeElectrodes = false;  // Exchange > "A and B", "M and N", "Shift64"
  bool Amn2mnB = false;             // Exchange > "Amn2mnB"
  bool MirrorProfile = false;       // Exchange > "Mirror profile"
  bool InvData = false;             // File > "Synthetic curves": a Res2dInv result opened, an iteration chosen
};

MenuEnabling WorkOutMenuEnabling(const TDataset& ds);

// Captions of the recent-directory menus at start-up: every stored
// directory, numbered from 1, as after opening a file of no directory.
std::vector<std::string> StartupRecentDirCaptions(const OpenCommandState& state);

}  // namespace tarvo
