#pragma once

#include <span>
#include <string>
#include <string_view>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/import/open_command.h"
#include "engine/settings/ini_file.h"

// The settings file tarvo.ini: read once at start-up, written once when the
// main window closes. The main window and the open command keep their
// values in the sections below; every other window that owns settings
// (filters, section options, IP parameters) adds its own sections as a
// SettingsOwner, reading and writing them over the same file object.
namespace tarvo {

inline constexpr std::string_view SettingsFileName = "tarvo.ini";
inline constexpr int SettingsVersion = 5;  // written as nVersion; read but not used

// Options of the main window kept in the settings file. The IP thresholds
// and the topography key live in the dataset, the open dialog's state and
// the recent directories in OpenCommandState.
struct ProgramSettings {
  static constexpr std::string_view MsecCaption = "msec";

  int Version = 0;                     // nVersion as read
  bool ModelRefinement = true;         // Options > "Model refinement"
  bool DataPointsOnOff = true;         // "Data points On/Off"
  bool MsecUnit = true;                // the IP unit item "msec" is checked, else the second one
  std::string SecondIPUnit = "mV/V";   // caption of the second IP unit item

  // Caption of the checked IP unit item.
  std::string IPUnitCaption() const { return MsecUnit ? std::string(MsecCaption) : SecondIPUnit; }

  // Takes a stored IP unit caption: its first "&" is removed; "msec" checks
  // the first item; any other text becomes the second item's caption and
  // checks it. An empty caption checks "msec": an empty unit would be written
  // as an empty line into the exported data files.
  void SetIPUnitCaption(std::string_view caption);
};

// A window or tool that keeps sections of its own in the settings file.
class SettingsOwner {
public:
  virtual ~SettingsOwner() = default;
  // Takes the values of its sections; missing keys give its defaults.
  virtual void ReadSettings(const IniFile& ini) = 0;
  // Puts its values into its sections.
  virtual void WriteSettings(IniFile& ini) const = 0;
};

// The sections of the main window and the open command: Version, OpenDialog,
// IP, Options, HistoryList and Res2dInv. Values that would not be usable
// (a filter index outside the list, a topography key other than 1 or 2, an
// extension that is not ".letters") leave the current value in place.
void ReadMainSettings(const IniFile& ini, ProgramSettings& program, OpenCommandState& open, TDataset& ds);
void WriteMainSettings(IniFile& ini, const ProgramSettings& program, const OpenCommandState& open,
                       const TDataset& ds);

// The file in `directory`, joined with the platform's separator.
std::string SettingsFilePath(const std::string& directory);

// Where the settings file lives: the program directory when its tarvo.ini
// can be written there (or created, or is read-only in a directory that
// takes new files, as loading clears that attribute); otherwise
// xdgConfigHome/tarvo when that is an absolute path, else home/.config/tarvo;
// the program directory again when neither is known. The environment values
// are passed in by the caller (empty when unset).
std::string ChooseSettingsDirectory(const std::string& programDir, const std::string& xdgConfigHome,
                                    const std::string& home);

// Reads tarvo.ini of `directory` into the main window's state, then lets
// each owner read its sections. A missing file leaves the defaults; an
// existing file that cannot be opened is reported ("Cannot open file ...")
// and the defaults apply. A read-only file gets its write permission back
// afterwards, so that it can be written at close.
void LoadSettings(const std::string& directory, ProgramSettings& program, OpenCommandState& open, TDataset& ds,
                  Messenger& messenger, std::span<SettingsOwner* const> owners = {});

// Writes the main window's sections, then each owner's, into tarvo.ini of
// `directory`; sections and keys of the file that nobody owns are kept. A
// read-only file is not touched: "<path> is Read-Only file" is shown as
// information. Returns true when the file was written; failures are
// reported through the messenger with the platform's message.
bool SaveSettings(const std::string& directory, const ProgramSettings& program, const OpenCommandState& open,
                  const TDataset& ds, Messenger& messenger, std::span<SettingsOwner* const> owners = {});

}  // namespace tarvo
