#pragma once

#include "engine/display/section_options.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"

// The section options in the settings file: section "SectionOptions". The
// colour scale flag, the mirrored profile and the colours are not kept.
namespace tarvo {

inline constexpr std::string_view SectionOptionsSection = "SectionOptions";

// Missing keys give the defaults of the settings file (which differ from the
// dialog's own for "Show file names": off). Texts longer than their edits
// take are cut; a "ScaleIndex" other than 0 or 1 gives Linear; a "Ro_Min" or
// "Ro_Max" that reads as a positive number becomes the manual minimum or
// maximum, anything else leaves it as it was.
void ReadSectionOptions(const IniFile& ini, SectionOptions& o);
void WriteSectionOptions(IniFile& ini, const SectionOptions& o);

// The dialog's record as an owner of its section of the settings file.
class SectionOptionsSettings final : public SettingsOwner {
public:
  explicit SectionOptionsSettings(SectionOptions& options) : options_(options) {}
  void ReadSettings(const IniFile& ini) override { ReadSectionOptions(ini, options_); }
  void WriteSettings(IniFile& ini) const override { WriteSectionOptions(ini, options_); }

private:
  SectionOptions& options_;
};

}  // namespace tarvo
