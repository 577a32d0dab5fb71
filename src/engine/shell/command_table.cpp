#include "engine/shell/command_table.h"

#include <array>

namespace tarvo {

namespace {

bool Always(const CommandContext&) { return true; }
bool Never(const CommandContext&) { return false; }

// The Syscal writers need writable loaded data.
bool Editable(const CommandContext& c) { return IsLoaded(c.ds.DataKind) && !c.ds.ReadOnlyData; }

constexpr CommandOwner Main = CommandOwner::Main;
constexpr CommandForm Check = CommandForm::Check;
constexpr CommandForm Hidden = CommandForm::Hidden;

constexpr auto Commands = std::to_array<CommandEntry>({
    // File
    {"aNew_HS", "&New protocol", "New sequence", "Ctrl+N", CommandOwner::NewSequence, Always},
    {"aOpen", "Open", "Open survey data files", "Ctrl+O", Main, Always},
    {"Reopen", "MRUD", "Most recently used directories", "", Main,
     [](const CommandContext& c) { return c.recentMenuEntries > 0; }, CommandForm::Submenu},
    {"aAdd", "Append", "Add data", "Ctrl+A", Main, [](const CommandContext& c) { return c.read.Append; }},
    {"ReadOnlyOpen", "Open as read-only", "Files opened next are read-only for the Syscal writers", "", Main, Always,
     Check},
    // Hidden in the menu; its key is taken by a shortcut of its own.
    {"InvResult", "INV result", "", "Ctrl+Alt+I", CommandOwner::InversionResults, Never, Hidden},
    {"InvData", "Synthetic curves", "Replace field on synthetic data from INV file", "", CommandOwner::InversionResults,
     [](const CommandContext& c) { return WorkOutMenuEnabling(c.ds).InvData; }},
    {"Extract", "Extract array", "Extract one array|Save selected array", "", CommandOwner::Sequences,
     [](const CommandContext& c) { return WorkOutMenuEnabling(c.ds).Extract; }},
    {"MergeSEQ", "Merge SEQ", "Elecre (seq)", "", CommandOwner::Sequences,
     [](const CommandContext& c) { return WorkOutMenuEnabling(c.ds).MergeSEQ; }},
    {"MergeTXT1", "Merge TXT", "ElecreII (txt)", "", CommandOwner::Sequences, Always},
    {"Electre1", "Electre (seq)", "Save reciprocal array", "", CommandOwner::Sequences,
     [](const CommandContext& c) { return Editable(c) && c.ds.DataKind == DataKindSequence; }},
    {"ElecreII", "ElecreII (txt)", "Save reciprocal array", "", CommandOwner::Sequences, Editable},
    {"FileExit1", "E&xit", "Close Tarvo", "Alt+X", Main, Always},
    {"FileExit", "E&xit", "Close Tarvo", "", Main, Always},  // the tool-bar button

    // Converter
    {"aSondo", "Sondo", "Sondo 1D inversion files", "Ctrl+I", CommandOwner::Converter,
     [](const CommandContext& c) { return c.read.Sondo; }},
    {"aRes2dInv", "Res2dInv", "Res2dInv data file", "Ctrl+R", CommandOwner::Converter,
     [](const CommandContext& c) { return c.read.Res2dInvUsual; }},
    {"aRes2dInv_new", "Res2dInv (general)", "Res2dInv data file, general array", "Ctrl+G", CommandOwner::Converter,
     [](const CommandContext& c) { return c.read.Res2dInvGeneral; }},
    {"aSens", "SensInv2d", "SensInv2D files", "", CommandOwner::Converter,
     [](const CommandContext& c) { return c.read.Res2dInvGeneral; }},
    {"aABEM_org", "Lund protocol (ABEM)", "Save Lund protocol| Save Lund protocol file (ABEM), [org,up,dwn]", "",
     CommandOwner::Sequences, Editable},
    {"aSave", "Elecre", "Save SysCal file", "Ctrl+S", CommandOwner::Sequences, Editable},
    {"aElecreII", "Elecre II", "ElectreII sequence text", "", CommandOwner::Sequences, Editable},
    {"aSyscalPro", "Syscal-Pro", "Optimize SEQ for SyscalPro", "", CommandOwner::Sequences,
     [](const CommandContext& c) { return c.read.SyscalPro; }},
    {"Res2dModTXT", "Res2dmod(txt)", "Res2dMod text file", "", CommandOwner::Converter, Always},
    {"aUnified", "Unified data", "Unified data format of the open-source inversion programs", "",
     CommandOwner::Converter, [](const CommandContext& c) { return c.read.Res2dInvGeneral; }},
    {"WithoutIP", "Save without IP", "Leave chargeability out of exported files", "", Main, Always, Check},

    // Tool bar
    {"aTimeLapse", "Time-Lapse", "Time-lapse export", "", CommandOwner::Converter,
     [](const CommandContext& c) { return c.read.TimeLapse; }},
    {"aManySmall", "Section", "Small section panels", "", CommandOwner::SectionPanels,
     [](const CommandContext& c) { return c.read.ManySmall; }},
    {"aRedraw", "Redraw", "Redraw the views", "", CommandOwner::Configuration, Always},
    {"aIso", "Map On/Off", "", "", CommandOwner::Configuration, Always, Check},
    {"aPano", "Section On/Off", "Show or close the configuration window", "", CommandOwner::Configuration, Always,
     Check},
    {"aTable", "Table On/Off", "Show or close the table window", "", CommandOwner::Table, Always, Check},
    {"DatapointsOnOff1", "Data points On/Off", "Show the data points on the map", "", Main, Always, Check},
    {"aMany", "Section", "Pseudo-section panels", "", CommandOwner::SectionPanels, Always},
    {"aMedian", "Filtering", "Filtering field data", "", CommandOwner::Filtering,
     [](const CommandContext& c) { return c.read.Median; }},
    {"acIP", "Res/IP", "Show apparent resistivity or chargeability", "F9", Main,
     [](const CommandContext& c) { return c.read.IP; }, Check},
    {"ToolButton1", "sp", "Self-potential", "", CommandOwner::Charts,
     [](const CommandContext& c) { return c.read.SP; }},

    // Exchange
    {"AandB", "A and B", "", "", CommandOwner::Sequences,
     [](const CommandContext& c) { return WorkOutMenuEnabling(c.ds).ExchangeElectrodes; }},
    {"MandN", "M and N", "", "", CommandOwner::Sequences,
     [](const CommandContext& c) { return WorkOutMenuEnabling(c.ds).ExchangeElectrodes; }},
    {"Shift641", "Shift64", "Shift quadripoles on 64", "", CommandOwner::Sequences,
     [](const CommandContext& c) { return WorkOutMenuEnabling(c.ds).ExchangeElectrodes; }, Hidden},
    {"A1", "Amn2mnB", "Change forward pole-dipole to reverse one", "", CommandOwner::Sequences,
     [](const CommandContext& c) { return WorkOutMenuEnabling(c.ds).Amn2mnB; }},
    {"Mirrorprofile1", "Mirror profile", "", "", CommandOwner::Table,
     [](const CommandContext& c) { return WorkOutMenuEnabling(c.ds).MirrorProfile; }},

    // Options
    {"N11", "1", "Interpolation width 1", "", Main, Always, Check},
    {"N21", "2", "Interpolation width 2", "", Main, Always, Check},
    {"N31", "3", "Interpolation width 3", "", Main, Always, Check},
    {"Modelrefinement", "Model refinement", "Res2dInv model refinement", "", Main, Always, Check},
    {"N12", "1", "Topography key 1", "", Main, Always, Check},
    {"N22", "2", "Topography key 2", "", Main, Always, Check},
    {"msec1", "msec", "IP unit of exported files", "", Main, Always, Check},
    {"mVV1", "mV/V", "IP unit of exported files", "", Main, Always, Check},

    // Contours
    {"Reset1", "11 colors", "", "", CommandOwner::Contours, Always},
    {"Increase1", "Increase", "", "", CommandOwner::Contours, Always},
    {"Decrease1", "Decrease", "", "", CommandOwner::Contours, Always},
    {"Pale1", "Pale", "", "", CommandOwner::Contours, Always},
    {"Max1", "Max", "", "", CommandOwner::Contours, Always, Hidden},
    {"Min1", "Min", "", "", CommandOwner::Contours, Always, Hidden},
    {"Default1", "Default", "", "", CommandOwner::Contours, Always},

    // About
    {"About", "&About", "Version of Tarvo", "", Main, Always},
});

}  // namespace

std::span<const CommandEntry> CommandTable() { return Commands; }

const CommandEntry* FindCommand(std::string_view name) {
  for (const CommandEntry& entry : Commands) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

}  // namespace tarvo
