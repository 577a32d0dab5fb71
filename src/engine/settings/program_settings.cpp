#include "engine/settings/program_settings.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"

namespace tarvo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view VersionSection = "Version";
constexpr std::string_view OpenDialogSection = "OpenDialog";
constexpr std::string_view IPSection = "IP";
constexpr std::string_view OptionsSection = "Options";
constexpr std::string_view HistorySection = "HistoryList";
constexpr std::string_view Res2dInvSection = "Res2dInv";

constexpr int DefaultMinIP = -100;
constexpr int DefaultMaxIP = 100;
constexpr int DefaultTopoKey = 2;

std::string HistoryKey(std::size_t i) { return "H" + std::to_string(i); }

// Thresholds are kept as whole numbers, rounded half away from zero
// (-12.6 is kept as -13); a value that is not a number keeps the default.
int RoundedThreshold(float value, int fallback) {
  if (std::isnan(value)) return fallback;
  const double clamped = std::clamp(static_cast<double>(value), static_cast<double>(INT_MIN),
                                    static_cast<double>(INT_MAX));
  return static_cast<int>(std::lround(clamped));
}

// A stored Res2dInv extension is taken like the extension of a Res2dInv
// file that is read: only a "." followed by letters that can stand in a file
// filter, and ".inv" never replaces the data extension.
void ApplyStoredRes2dInvExt(OpenCommandState& open, std::string_view ext) {
  if (ext.size() < 2 || ext.front() != '.') return;
  for (const char c : ext.substr(1)) {
    if (static_cast<unsigned char>(c) < 33 || std::string_view("./\\*?;|<>\"").find(c) != std::string_view::npos) {
      return;
    }
  }
  RememberRes2dInvExtension(open, "file" + std::string(ext));
}

bool CanOpenForWriting(const fs::path& file) {
  std::FILE* f = std::fopen(file.c_str(), "r+b");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

// True when a new file can be made in `dir`: a probe file of a name of its
// own is created (never over an existing file) and removed at once.
bool CanCreateFilesIn(const fs::path& dir) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return false;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 8; ++attempt) {
    const fs::path probe =
        dir / (std::string(SettingsFileName) + "." + std::to_string(stamp) + "-" + std::to_string(attempt) + ".probe");
    errno = 0;
    std::FILE* f = std::fopen(probe.c_str(), "wbx");
    if (f == nullptr) {
      if (errno == EEXIST) continue;
      return false;
    }
    std::fclose(f);
    fs::remove(probe, ec);
    return true;
  }
  return false;
}

bool CanKeepSettingsIn(const std::string& dir) {
  if (dir.empty()) return false;
  const fs::path file = SettingsFilePath(dir);
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return CanCreateFilesIn(dir);
  if (!fs::is_regular_file(status)) return false;
  if (CanOpenForWriting(file)) return true;
  return IsReadOnlyFile(file.string()) && CanCreateFilesIn(dir);
}

}  // namespace

void ProgramSettings::SetIPUnitCaption(std::string_view caption) {
  std::string text(caption);
  if (const auto amp = text.find('&'); amp != std::string::npos) text.erase(amp, 1);
  if (text.empty() || text == MsecCaption) {
    MsecUnit = true;
    return;
  }
  SecondIPUnit = text;
  MsecUnit = false;
}

void ReadMainSettings(const IniFile& ini, ProgramSettings& program, OpenCommandState& open, TDataset& ds) {
  program.Version = ini.ReadInteger(VersionSection, "nVersion", 0);

  open.InitialDir = ini.ReadString(OpenDialogSection, "InitialDir", open.InitialDir);
  const int filter = ini.ReadInteger(OpenDialogSection, "FilterIdex", 0);
  if (filter >= 1 && filter <= static_cast<int>(OpenFilters.size())) open.FilterIndex = filter;
  ApplyStoredRes2dInvExt(open, ini.ReadString(OpenDialogSection, "Res2dInvExt", open.Res2dInvExt));

  ds.Thresholds.MinIP = static_cast<float>(ini.ReadInteger(IPSection, "Min_IP", DefaultMinIP));
  ds.Thresholds.MaxIP = static_cast<float>(ini.ReadInteger(IPSection, "Max_IP", DefaultMaxIP));
  // "Max decay misfit" is a percentage with decimals; 0 (off) unless a
  // stored value of 0 or more reads as a number.
  ds.Thresholds.MaxDecayMisfit = 0;
  if (const auto misfit = ParseNumber(ini.ReadString(IPSection, "Max_decay_misfit", "0"));
      misfit && *misfit >= 0 && *misfit < 1e30) {
    ds.Thresholds.MaxDecayMisfit = static_cast<float>(*misfit);
  }

  program.ModelRefinement = ini.ReadBool(OptionsSection, "Model refinement", program.ModelRefinement);
  program.DataPointsOnOff = ini.ReadBool(OptionsSection, "Datapoints On/Off", program.DataPointsOnOff);

  const int count = std::clamp(ini.ReadInteger(HistorySection, "HistoryCount", 0), 0,
                               static_cast<int>(OpenCommandState::MaxRecentDirs));
  open.RecentDirs.clear();
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    std::string dir = ini.ReadString(HistorySection, HistoryKey(i), "");
    if (!dir.empty()) open.RecentDirs.push_back(std::move(dir));
  }
  open.ExportDir = ini.ReadString(HistorySection, "ExportDir", open.ExportDir);

  const int topoKey = ini.ReadInteger(Res2dInvSection, "KeyTopo", DefaultTopoKey);
  if (topoKey == 1 || topoKey == 2) ds.TopoDistanceType = topoKey;
  program.SetIPUnitCaption(ini.ReadString(Res2dInvSection, "IPcaption", ProgramSettings::MsecCaption));
}

void WriteMainSettings(IniFile& ini, const ProgramSettings& program, const OpenCommandState& open,
                       const TDataset& ds) {
  ini.WriteInteger(VersionSection, "nVersion", SettingsVersion);

  ini.WriteString(OpenDialogSection, "InitialDir", open.InitialDir);
  ini.WriteInteger(OpenDialogSection, "FilterIdex", open.FilterIndex);
  ini.WriteString(OpenDialogSection, "Res2dInvExt", open.Res2dInvExt);

  ini.WriteInteger(IPSection, "Min_IP", RoundedThreshold(ds.Thresholds.MinIP, DefaultMinIP));
  ini.WriteInteger(IPSection, "Max_IP", RoundedThreshold(ds.Thresholds.MaxIP, DefaultMaxIP));
  ini.WriteString(IPSection, "Max_decay_misfit", FormatValue(ds.Thresholds.MaxDecayMisfit, 3));

  ini.WriteBool(OptionsSection, "Model refinement", program.ModelRefinement);
  ini.WriteBool(OptionsSection, "Datapoints On/Off", program.DataPointsOnOff);

  const std::size_t count = std::min(open.RecentDirs.size(), OpenCommandState::MaxRecentDirs);
  ini.WriteInteger(HistorySection, "HistoryCount", static_cast<int>(count));
  for (std::size_t i = 0; i < count; ++i) ini.WriteString(HistorySection, HistoryKey(i), open.RecentDirs[i]);
  // Kept once something was exported; a file without it reads as before.
  if (!open.ExportDir.empty()) ini.WriteString(HistorySection, "ExportDir", open.ExportDir);

  ini.WriteInteger(Res2dInvSection, "KeyTopo", ds.TopoDistanceType);
  ini.WriteString(Res2dInvSection, "IPcaption", program.IPUnitCaption());
}

std::string SettingsFilePath(const std::string& directory) {
  return (fs::path(directory) / SettingsFileName).string();
}

std::string ChooseSettingsDirectory(const std::string& programDir, const std::string& xdgConfigHome,
                                    const std::string& home) {
  if (CanKeepSettingsIn(programDir)) return programDir;
  if (!xdgConfigHome.empty() && fs::path(xdgConfigHome).is_absolute()) {
    return (fs::path(xdgConfigHome) / "tarvo").string();
  }
  if (!home.empty()) return (fs::path(home) / ".config" / "tarvo").string();
  return programDir;
}

void LoadSettings(const std::string& directory, ProgramSettings& program, OpenCommandState& open, TDataset& ds,
                  Messenger& messenger, std::span<SettingsOwner* const> owners) {
  const std::string path = SettingsFilePath(directory);
  IniFile ini(path);
  if (const IniResult r = ini.Load(); !r.ok) messenger.Error(r.error);

  ReadMainSettings(ini, program, open, ds);
  for (SettingsOwner* owner : owners) {
    if (owner != nullptr) owner->ReadSettings(ini);
  }

  if (IsReadOnlyFile(path)) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
  }
}

bool SaveSettings(const std::string& directory, const ProgramSettings& program, const OpenCommandState& open,
                  const TDataset& ds, Messenger& messenger, std::span<SettingsOwner* const> owners) {
  // The path is written with the platform's separator between the
  // directory and the file name.
  const std::string path = SettingsFilePath(directory);
  if (IsReadOnlyFile(path)) {
    messenger.Information(path + " is Read-Only file");
    return false;
  }

  // Starting from the file as it is keeps what nobody here owns.
  IniFile ini(path);
  if (const IniResult r = ini.Load(); !r.ok) {
    messenger.Error(r.error);
    return false;
  }
  WriteMainSettings(ini, program, open, ds);
  for (const SettingsOwner* owner : owners) {
    if (owner != nullptr) owner->WriteSettings(ini);
  }

  if (const IniResult w = ini.UpdateFile(); !w.ok) {
    messenger.Error("Cannot write " + path + "\r\n" + w.error);
    return false;
  }
  return true;
}

}  // namespace tarvo
