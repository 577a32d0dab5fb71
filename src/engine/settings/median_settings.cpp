#include "engine/settings/median_settings.h"

namespace tarvo {

void ReadMedianSettings(const IniFile& ini, MedianSettings& s) {
  constexpr std::string_view S = MedianSection;
  const MedianSettings d;
  s.TypeWindow1d = ini.ReadInteger(S, "TypeWindow1d", d.TypeWindow1d);
  s.Window1d = ini.ReadInteger(S, "Window1d", d.Window1d);
  s.TypeWindowC = ini.ReadInteger(S, "TypeWindowC", d.TypeWindowC);
  s.WindowC = ini.ReadInteger(S, "WindowC", d.WindowC);
  s.TypeWindowP = ini.ReadInteger(S, "TypeWindowP", d.TypeWindowP);
  s.WindowP = ini.ReadInteger(S, "WindowP", d.WindowP);
  s.TypeWindowR = ini.ReadInteger(S, "TypeWindowR", d.TypeWindowR);
  s.TypeAreaR = ini.ReadInteger(S, "TypeAreaR", d.TypeAreaR);
  s.WindowX = ini.ReadInteger(S, "WindowX", d.WindowX);
  s.WindowY = ini.ReadInteger(S, "WindowY", d.WindowY);
  s.Clamp();
}

void WriteMedianSettings(IniFile& ini, const MedianSettings& s) {
  constexpr std::string_view S = MedianSection;
  ini.WriteInteger(S, "TypeWindow1d", s.TypeWindow1d);
  ini.WriteInteger(S, "Window1d", s.Window1d);
  ini.WriteInteger(S, "TypeWindowC", s.TypeWindowC);
  ini.WriteInteger(S, "WindowC", s.WindowC);
  ini.WriteInteger(S, "TypeWindowP", s.TypeWindowP);
  ini.WriteInteger(S, "WindowP", s.WindowP);
  ini.WriteInteger(S, "TypeWindowR", s.TypeWindowR);
  ini.WriteInteger(S, "TypeAreaR", s.TypeAreaR);
  ini.WriteInteger(S, "WindowX", s.WindowX);
  ini.WriteInteger(S, "WindowY", s.WindowY);
}

void ReadMedianIPSettings(const IniFile& ini, MedianIPSettings& s) {
  constexpr std::string_view S = MedianIPSection;
  const MedianIPSettings d;
  s.TypeWindowR = ini.ReadInteger(S, "TypeWindowR", d.TypeWindowR);
  s.TypeAreaR = ini.ReadInteger(S, "TypeAreaR", d.TypeAreaR);
  s.WindowX = ini.ReadInteger(S, "WindowX", d.WindowX);
  s.WindowY = ini.ReadInteger(S, "WindowY", d.WindowY);
  s.Clamp();
}

void WriteMedianIPSettings(IniFile& ini, const MedianIPSettings& s) {
  constexpr std::string_view S = MedianIPSection;
  ini.WriteInteger(S, "TypeWindowR", s.TypeWindowR);
  ini.WriteInteger(S, "TypeAreaR", s.TypeAreaR);
  ini.WriteInteger(S, "WindowX", s.WindowX);
  ini.WriteInteger(S, "WindowY", s.WindowY);
}

}  // namespace tarvo
