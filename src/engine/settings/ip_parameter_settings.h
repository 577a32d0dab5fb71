#pragma once

#include "engine/core/dataset.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"

// The IP window schedule in the settings file: section "IPProOptions", keys
// "TimeIndex" (default 2) and "TypeIndex" (default 0), the item indices of
// the IP parameters window's "Time, s" and "Type" groups.
namespace tarvo {

inline constexpr std::string_view IPProOptionsSection = "IPProOptions";

// Reads the schedule and makes it current (the decays are refitted). A
// stored index outside the table keeps the schedule held before.
void ReadIPParameters(const IniFile& ini, TDataset& ds);
void WriteIPParameters(IniFile& ini, const TDataset& ds);

class IPParameterSettings final : public SettingsOwner {
public:
  explicit IPParameterSettings(TDataset& ds) : ds_(ds) {}
  void ReadSettings(const IniFile& ini) override { ReadIPParameters(ini, ds_); }
  void WriteSettings(IniFile& ini) const override { WriteIPParameters(ini, ds_); }

private:
  TDataset& ds_;
};

}  // namespace tarvo
