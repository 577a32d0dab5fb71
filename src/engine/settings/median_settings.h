#pragma once

#include <string_view>

#include "engine/filters/median_ip.h"
#include "engine/filters/median_filter.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"

// The median filters' sections of the settings file: "Median" (resistivity)
// and "MedianIP" (chargeability). Missing or unreadable keys give the
// defaults; values outside a control's range are brought into it.
namespace tarvo {

inline constexpr std::string_view MedianSection = "Median";
inline constexpr std::string_view MedianIPSection = "MedianIP";

void ReadMedianSettings(const IniFile& ini, MedianSettings& s);
void WriteMedianSettings(IniFile& ini, const MedianSettings& s);
void ReadMedianIPSettings(const IniFile& ini, MedianIPSettings& s);
void WriteMedianIPSettings(IniFile& ini, const MedianIPSettings& s);

// Both filters' settings as an owner of their sections.
class MedianFilterSettings final : public SettingsOwner {
public:
  MedianFilterSettings(MedianSettings& resistivity, MedianIPSettings& chargeability)
      : resistivity_(resistivity), chargeability_(chargeability) {}
  void ReadSettings(const IniFile& ini) override {
    ReadMedianSettings(ini, resistivity_);
    ReadMedianIPSettings(ini, chargeability_);
  }
  void WriteSettings(IniFile& ini) const override {
    WriteMedianSettings(ini, resistivity_);
    WriteMedianIPSettings(ini, chargeability_);
  }

private:
  MedianSettings& resistivity_;
  MedianIPSettings& chargeability_;
};

}  // namespace tarvo
