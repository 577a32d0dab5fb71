#include "engine/settings/section_options_settings.h"

#include <string>

namespace tarvo {

namespace {

constexpr std::string_view S = SectionOptionsSection;

std::string Cut(std::string text, std::size_t limit) {
  if (text.size() > limit) text.resize(limit);
  return text;
}

void ReadRange(const IniFile& ini, std::string_view key, float& stored) {
  const std::string text = ini.ReadString(S, key, "");
  if (!text.empty()) LeaveRangeEdit(text, stored);
}

}  // namespace

void ReadSectionOptions(const IniFile& ini, SectionOptions& o) {
  o.LeftAxis = ini.ReadBool(S, "LeftAxis", true);
  o.RightAxis = ini.ReadBool(S, "RightAxis", false);
  o.BottomAxis = ini.ReadBool(S, "BottomAxis", true);
  o.Titles = ini.ReadBool(S, "TitleBox", false);
  o.FileNames = ini.ReadBool(S, "FileNamesB", false);
  o.DepthTitle = Cut(ini.ReadString(S, "AB_2", "R, m"), MaxDepthTitle);
  o.Title = Cut(ini.ReadString(S, "Pseudo", "Pseudo cross-section"), MaxTitle);
  o.ResistivityCaption = Cut(ini.ReadString(S, "RokStr", "Rho_a, [OHm m]"), MaxCaption);
  o.ChargeabilityCaption = Cut(ini.ReadString(S, "IPname", "Etta_a, [mV/V]"), MaxCaption);
  o.LevelsFileName = ini.ReadString(S, "Level file name", NoLevelsFile);
  o.LevelsFromFile = ini.ReadBool(S, "LevelsInFileB", false);
  o.Scale = ini.ReadInteger(S, "ScaleIndex", 0) == 1 ? DepthScale::Logarithmic : DepthScale::Linear;
  ReadRange(ini, "Ro_Min", o.ManualMin);
  ReadRange(ini, "Ro_Max", o.ManualMax);
}

void WriteSectionOptions(IniFile& ini, const SectionOptions& o) {
  ini.WriteBool(S, "LeftAxis", o.LeftAxis);
  ini.WriteBool(S, "RightAxis", o.RightAxis);
  ini.WriteBool(S, "BottomAxis", o.BottomAxis);
  ini.WriteBool(S, "TitleBox", o.Titles);
  ini.WriteBool(S, "FileNamesB", o.FileNames);
  ini.WriteString(S, "AB_2", o.DepthTitle);
  ini.WriteString(S, "Pseudo", o.Title);
  ini.WriteString(S, "RokStr", o.ResistivityCaption);
  ini.WriteString(S, "IPname", o.ChargeabilityCaption);
  ini.WriteString(S, "Level file name", o.LevelsFileName);
  ini.WriteBool(S, "LevelsInFileB", o.LevelsFromFile);
  ini.WriteInteger(S, "ScaleIndex", static_cast<int>(o.Scale));
  ini.WriteString(S, "Ro_Min", RangeText(o.ManualMin));
  ini.WriteString(S, "Ro_Max", RangeText(o.ManualMax));
}

}  // namespace tarvo
