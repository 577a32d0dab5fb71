#include "engine/settings/median_settings.h"

#include <array>
#include <utility>

namespace tarvo {

namespace {

// A section's keys in the order they are written, each with its member.
template <class Settings, std::size_t N>
using IntegerKeys = std::array<std::pair<std::string_view, int Settings::*>, N>;

constexpr IntegerKeys<MedianSettings, 10> MedianKeys = {{
    {"TypeWindow1d", &MedianSettings::TypeWindow1d},
    {"Window1d", &MedianSettings::Window1d},
    {"TypeWindowC", &MedianSettings::TypeWindowC},
    {"WindowC", &MedianSettings::WindowC},
    {"TypeWindowP", &MedianSettings::TypeWindowP},
    {"WindowP", &MedianSettings::WindowP},
    {"TypeWindowR", &MedianSettings::TypeWindowR},
    {"TypeAreaR", &MedianSettings::TypeAreaR},
    {"WindowX", &MedianSettings::WindowX},
    {"WindowY", &MedianSettings::WindowY},
}};

constexpr IntegerKeys<MedianIPSettings, 4> MedianIPKeys = {{
    {"TypeWindowR", &MedianIPSettings::TypeWindowR},
    {"TypeAreaR", &MedianIPSettings::TypeAreaR},
    {"WindowX", &MedianIPSettings::WindowX},
    {"WindowY", &MedianIPSettings::WindowY},
}};

// Missing or unreadable keys keep the defaults; then the values are brought
// into their controls' ranges.
template <class Settings, std::size_t N>
void ReadSection(const IniFile& ini, std::string_view section, const IntegerKeys<Settings, N>& keys, Settings& s) {
  const Settings defaults;
  for (const auto& [key, member] : keys) s.*member = ini.ReadInteger(section, key, defaults.*member);
  s.Clamp();
}

template <class Settings, std::size_t N>
void WriteSection(IniFile& ini, std::string_view section, const IntegerKeys<Settings, N>& keys, const Settings& s) {
  for (const auto& [key, member] : keys) ini.WriteInteger(section, key, s.*member);
}

}  // namespace

void ReadMedianSettings(const IniFile& ini, MedianSettings& s) { ReadSection(ini, MedianSection, MedianKeys, s); }

void WriteMedianSettings(IniFile& ini, const MedianSettings& s) { WriteSection(ini, MedianSection, MedianKeys, s); }

void ReadMedianIPSettings(const IniFile& ini, MedianIPSettings& s) {
  ReadSection(ini, MedianIPSection, MedianIPKeys, s);
}

void WriteMedianIPSettings(IniFile& ini, const MedianIPSettings& s) {
  WriteSection(ini, MedianIPSection, MedianIPKeys, s);
}

}  // namespace tarvo
