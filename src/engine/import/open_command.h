#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/import/abem_lund_reader.h"
#include "engine/import/electre_reader.h"
#include "engine/import/prosys_reader.h"
#include "engine/import/read_environment.h"
#include "engine/import/read_result.h"
#include "engine/import/res2dinv_reader.h"
#include "engine/import/sensinv_reader.h"
#include "engine/import/syscal_pro_binary_reader.h"
#include "engine/import/syscal_reader.h"
#include "engine/import/unified_reader.h"

// The open and append command: chooses the reader by the open dialog's file
// type, reads one or several files, merges them into one table with one set
// per file (or per array type of a text file), runs the layout analysis and
// works out which commands suit the data. The window side only shows the
// dialog, passes the choice in and applies the result.
namespace tarvo {

// The file types of the open dialog, in the order of its filter list, each
// with its reader and the rules that go with it. The open command and the
// programs look everything up here; nothing else decides by a filter's number.
struct OpenFilter {
  int index;                   // 1-based filter index
  std::string_view name;       // filter text shown in the dialog
  std::string_view patterns;   // "*.seq" ...; several separated by ";"
  std::string_view typeName;   // name on the command line
  // Read through the instrument path (one set per file, cut at the capacity),
  // as `format` when the operator named the type; else a text reader whose
  // sets are grouped by array type.
  bool instrument;
  InstrumentFormat format;
  ReaderFunction reader;
  std::string_view caption;    // main window caption after a text read
  // The Res2dInv data type: its first pattern shows the remembered data
  // extension, a file of another extension is remembered, and a file whose
  // extension starts with "i" (".inv") has its inversion results read after
  // its data.
  bool res2dInvData = false;
};

inline constexpr std::string_view ProsysCaption = "Read SysCal ProSys TXT format";

inline constexpr std::array<OpenFilter, 12> OpenFilters = {{
    {1, "SysCal data", "*.0*;*.mod", "syscal", true, InstrumentFormat::Syscal, ReadInstrumentFile, ""},
    {2, "SysCal sequences", "*.seq", "syscal-seq", true, InstrumentFormat::Syscal, ReadInstrumentFile, ""},
    {3, "Sens2Dinv", "*.ars;*.imp;*.ui", "sensinv2d", false, InstrumentFormat::ByName, ReadSensInv,
     "Read SensInv2D format"},
    {4, "Res2dInv format", "*.dat;*.inv", "res2dinv", false, InstrumentFormat::ByName, ReadRes2dInv,
     "Read Res2Dinv format", true},
    {5, "ABEM data (AMP format)", "*.amp", "abem-amp", true, InstrumentFormat::AbemAmp, ReadInstrumentFile, ""},
    {6, "ABEM protocol", "*.org", "abem-protocol", true, InstrumentFormat::AbemProtocol, ReadInstrumentFile, ""},
    {7, "Data from Prosys (Iris Instruments)", "*.txt;*.csv", "prosys", false, InstrumentFormat::ByName,
     ReadProsysText, ProsysCaption},
    {8, "SEQ from EleceII (Iris Instruments)", "*.txt", "electre2", false, InstrumentFormat::ByName,
     ReadElectreIISequence, "Read ElectreII sequence in TXT format"},
    {9, "Data from Syscal-Pro  (Prosys) ", "*.txt;*.csv", "syscal-pro", false, InstrumentFormat::ByName,
     ReadSyscalProText, ProsysCaption},
    {10, "Syscal Pro binary data", "*.bin;*.binx", "syscal-pro-bin", false, InstrumentFormat::ByName,
     ReadSyscalProBinary, "Read Syscal Pro binary format"},
    {11, "ABEM LUND data", "*.ohm", "abem-lund", false, InstrumentFormat::ByName, ReadAbemLund,
     "Read ABEM LUND format"},
    {12, "Unified data format", "*.ohm;*.dat;*.txt", "unified", false, InstrumentFormat::ByName, ReadUnifiedData,
     "Read unified data format"},
}};

inline constexpr int DefaultFilterIndex = 2;
inline constexpr int Res2dInvFilterIndex = 4;

// Who asked for the read.
enum class OpenCaller {
  Open,               // "Open" and the recent-directory items
  Append,             // "Append": the new sets go behind the existing ones
  RebuildGenerated,   // the sequence generator left a new sequence in memory
  RebuildAfterEdits,  // electrode edits changed the in-memory data
  ReadBack,           // a transform wrote a file and reads it back without a dialog
};

struct OpenRequest {
  OpenCaller caller = OpenCaller::Open;
  std::vector<std::string> files;  // the dialog's selection, in its order
  int filterIndex = DefaultFilterIndex;
  bool readOnly = false;           // the dialog's read-only box
  // The file type was named by the operator (tarvo-cli --type): the
  // instrument reader then never chooses another one by the file's name.
  bool typeNamed = false;
  // Shows the main window's caption while the read goes on (may be empty).
  std::function<void(std::string_view)> showCaption;
};

// State the open command keeps between reads (kept in the settings file).
struct OpenCommandState {
  static constexpr std::size_t MaxRecentDirs = 8;
  static constexpr std::size_t MaxExtensionLength = 8;

  std::vector<std::string> RecentDirs;  // most recent first
  std::string Res2dInvExt = ".dat";     // remembered extension of Res2dInv data files
  std::string InitialDir;               // the dialog's initial directory
  int FilterIndex = DefaultFilterIndex;
  std::string ExportDir;                // folder of the last export: where the next save dialog starts
};

// Which commands and controls suit the data after a read.
struct CommandEnabling {
  bool Res2dInvUsual = false;      // "Res2dInv": all sets of one array type
  bool Res2dInvGeneral = false;    // "Res2dInv (general)" and "SensInv2d"
  bool Sondo = false;
  bool IP = false;                 // the Res/IP switch
  bool CopyDiff = false;           // table window: difference tables of time-lapse data
  bool CopyAllExcelVisible = false;
  bool CopyMeanModel = false;
  bool DecayBoxEnabled = false;
  bool IPThresholdBar = false;
  bool SP = false;                 // "sp": the self-potential chart
  bool SyscalPro = false;
  bool Median = false;
  bool ThresholdControls = false;  // the error/voltage/current thresholds
  bool TimeLapse = false;
  bool TimeCopy = false;
  bool HideSyscalHeaderPanels = false;
  bool HideOperatorFields = false;
  bool BrokenElectrodeVisible = false;
  bool InversionResultsPage = false;
  bool ManySmall = false;
  bool SmallPanels = false;        // show the small section panels next to the configuration view
  bool Append = true;
};

struct OpenResult {
  bool cancelled = false;     // nothing was read; the dataset is untouched
  bool loaded = false;        // DataKind != 0 afterwards
  std::string caption;        // main window caption after the read
  std::string fileNamePanel;  // text of the file-name panel
  CommandEnabling enabling;
};

// The readers the command dispatches to: by default those of OpenFilters.
// Tests may put their own in.
struct ReaderTable {
  // Reads the inversion results of `fileName` into the dataset just read.
  using ResultReader = std::function<void(TDataset&, const std::string& fileName, ReadEnvironment&)>;

  std::array<FileReader, OpenFilters.size() + 1> byFilter;  // by filter index; none: the type cannot be read
  ResultReader inversionResults;                        // results of a Res2dInv ".inv" file
};

// The filter whose command-line name is `typeName`; nothing when none is.
const OpenFilter* FilterByTypeName(std::string_view typeName);

// The filter that the file's extension names: ".seq", ".0*", ".mod", ".dat",
// ".inv", ".amp", ".org", ".ars", ".imp", ".ui", ".bin", ".binx", ".ohm".
// Text files (".txt") fit several readers: nothing is returned for them.
// FilterForFile (file_type.h) looks at the content where an extension has
// more than one meaning.
const OpenFilter* FilterByExtension(const std::string& path);

// The readers of the program: every filter's reader, and the inversion
// result reader.
ReaderTable DefaultReaders();

// The filter of a 1-based filter index; nothing outside the list.
const OpenFilter* FilterByIndex(int index);

// Runs the command. An Open or Append with no files is a cancelled dialog.
OpenResult RunOpenCommand(TDataset& ds, OpenCommandState& state, const OpenRequest& request,
                          const ReaderTable& readers, ReadEnvironment& env);

// Puts the directory of `fileName` at the front of the recent directories.
void UpdateRecentDirs(OpenCommandState& state, const std::string& fileName);

// Captions of the recent-directory menu: "&1 dir", "&2 dir", ... for every
// entry from the second on (the first is the current directory).
std::vector<std::string> RecentDirCaptions(const OpenCommandState& state);

// The directory of a recent-directory caption ("&1 /data" -> "/data").
std::string DirectoryOfRecentCaption(std::string_view caption);

// Remembers a new Res2dInv data extension (lower case, with the dot) when a
// file with another extension than ".inv" and the remembered one is read.
// Returns true when it changed.
bool RememberRes2dInvExtension(OpenCommandState& state, const std::string& fileName);

// The dialog's filter list, with the remembered Res2dInv extension in place
// of ".dat".
std::vector<std::string> OpenFilterPatterns(const OpenCommandState& state);

}  // namespace tarvo
