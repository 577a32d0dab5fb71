#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/save_dialog.h"
#include "engine/core/text_file.h"
#include "engine/display/value_grid.h"
#include "engine/export/export_common.h"
#include "engine/export/export_options.h"
#include "engine/import/open_command.h"
#include "engine/sequences/abem_protocol_writer.h"

// The one table of export formats: every file the program writes for an
// inversion or modelling program or an instrument, as `tarvo-cli convert
// --to NAME` and the Converter menu both list it. A new format is one entry.
namespace tarvo {

// What an export reads besides the dataset.
struct ExportSettings {
  ExportOptions options;           // the Converter menu's items
  std::string res2dInvExt = ".dat";  // the remembered Res2dInv extension
  GridSettings grid;               // the soundings' grid (Sondo)
  bool reciprocal = false;         // sequence files: every quadripole as its reciprocal
  CableChooser cable;              // Lund protocol: the "Long or short" question; empty: the preset
};

// The options a format takes, besides the x shift every format adds.
enum ExportOption : unsigned {
  TakesWithoutIP = 1u << 0,        // "Save without IP"
  TakesModelRefinement = 1u << 1,  // "Model refinement"
  TakesIPUnit = 1u << 2,           // "IP caption"
  TakesTopographyKey = 1u << 3,    // "Topography key"
  TakesGrid = 1u << 4,             // the interpolation of the soundings
  TakesReciprocal = 1u << 5,       // --reciprocal, "Reciprocal SEQ", "ElecreII (txt)"
  TakesCable = 1u << 6,            // the cable layout of a Lund protocol
};

// What a format's producer makes of the data.
struct ExportBytes {
  std::vector<FileToWrite> files;      // in the order they are written; the first is the target
  std::vector<std::string> errors;    // told before the files are written ("Error 1.")
  std::vector<std::string> warnings;  // told once they are written (points left out)
};

// How an export command ended.
struct ExportResult {
  SaveOutcome outcome = SaveOutcome::Refused;
  std::string title;               // what was written: "Usual Res2dInv format", "SensInv2D", ...
  std::vector<std::string> files;  // the target, or every group's main file, in the order written
  std::vector<std::string> companions;  // files the report names after the first (".up", ".dwn")
  int points = 0;                  // data points (quadripoles for a sequence) written
};

struct ExportFormat {
  std::string_view name;        // `tarvo-cli convert --to` name
  std::string_view caption;     // what was written, as reported; empty: the save dialog's title
  std::string_view filter;      // the save dialog's filter ("Description|*.ext")
  std::string_view defaultExt;  // the save dialog's default extension
  std::string_view action;      // the Converter menu command that runs it; empty: another window's
  unsigned options = 0;         // ExportOption bits
  // The data the format suits (nullptr: any that was read) and what they
  // lack otherwise.
  bool (*suits)(const TDataset&, const CommandEnabling&) = nullptr;
  std::string_view needs;
  bool instrumentSequence = false;  // an instrument file: the acceptance thresholds do not apply
  bool rewritesDataInPlace = false; // Syscal data are rewritten into the file read
  bool failureNamesTarget = false;  // tarvo-cli names the target after a failed write
  std::string_view refusal;         // what the window tells when the data do not suit; empty: nothing

  // The steps of the command, in order. `prepare` changes the dataset as the
  // rules of the format say (merging repeated measurements, the x shift, the
  // time steps) before the dialog; false refuses the command. `dialog`
  // describes the save dialog, `produce` makes the bytes, a pure function of
  // the prepared data, and `keep` leaves in the dataset what a written file
  // leaves there (the title in the memo, the spacings of the points).
  bool (*prepare)(TDataset&, const ExportSettings&, Messenger&) = nullptr;
  SaveDialogDescription (*dialog)(const TDataset&, const ExportSettings&) = nullptr;
  ExportBytes (*produce)(const TDataset&, const ExportSettings&, const std::string& target) = nullptr;
  void (*keep)(TDataset&, const ExportSettings&) = nullptr;
  // Formats whose command does more than these steps (one dialog per group,
  // a cable question, an in-place rewrite, the mean panel) run their own
  // command, built on the same writer.
  ExportResult (*command)(TDataset&, const ExportSettings&, const TargetChooser&, Messenger&) = nullptr;
};

// Every format, in the order tarvo-cli lists them.
std::span<const ExportFormat> ExportFormats();
const ExportFormat* FindExportFormat(std::string_view name);

// The command of a format: its own, or prepare, dialog, produce, keep and
// the files written whole (a set of files all new or all as they were).
// Errors and warnings of the producer and a failed write are told through
// `messenger`.
ExportResult RunExport(const ExportFormat& format, TDataset& ds, const ExportSettings& settings,
                       const TargetChooser& chooser, Messenger& messenger);

}  // namespace tarvo
