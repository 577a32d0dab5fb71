#pragma once

#include <span>
#include <string_view>

#include "engine/core/dataset.h"
#include "engine/import/open_command.h"
#include "engine/shell/shell_state.h"

// Every command of the program in one table: its name (the action's), its
// caption and hint, its key, the window that gives it its work and the rule
// that enables it. The main window builds its actions, menus' states and the
// "not available yet" hints from here; a window that does a command's work
// gives it through TMain::ProvideCommand with the command's name, and a name
// that is not in this table is a programming error.
namespace tarvo {

// The window (or group of commands) that does a command's work.
enum class CommandOwner {
  Main,              // the main window itself
  NewSequence,       // the new-sequence window
  Converter,         // the Converter menu's exports
  Sequences,         // sequence writers and transforms
  InversionResults,  // Res2dInv inversion results
  Table,             // the table window
  Configuration,     // the configuration window
  SectionPanels,     // pseudo-section panels and the small section panels
  Filtering,         // the median filters
  Charts,            // the SP window
  Contours,          // the Contours menu
};

// What a rule sees: the dataset, the main window's state, what the last
// read found suitable, and the entries of the recent-directories menu.
struct CommandContext {
  const TDataset& ds;
  const ShellState& shell;
  const CommandEnabling& read;
  int recentMenuEntries = 0;
};

using EnablingRule = bool (*)(const CommandContext&);

// How the main window shows a command.
enum class CommandForm {
  Plain,
  Check,    // a check item (or radio item of a group)
  Hidden,   // carried but not shown in menus
  Submenu,  // the action of a submenu the main window builds ("MRUD")
};

struct CommandEntry {
  std::string_view name;
  std::string_view caption;
  std::string_view hint;  // "short|long": tool tip and status text; empty: the caption
  std::string_view key;   // "Ctrl+O" ...; empty: none
  CommandOwner owner;
  EnablingRule enabled;   // whether the data allow it (once its work exists)
  CommandForm form = CommandForm::Plain;
};

// The table, in the order of the menus.
std::span<const CommandEntry> CommandTable();

// The entry of `name`; null when the table has none.
const CommandEntry* FindCommand(std::string_view name);

}  // namespace tarvo
