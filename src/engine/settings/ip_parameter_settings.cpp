#include "engine/settings/ip_parameter_settings.h"

#include "engine/core/ip_decay.h"

namespace tarvo {

void ReadIPParameters(const IniFile& ini, TDataset& ds) {
  const int time = ini.ReadInteger(IPProOptionsSection, "TimeIndex", DefaultIPPulseTime);
  const int type = ini.ReadInteger(IPProOptionsSection, "TypeIndex", DefaultIPWindowType);
  SetIPSchedule(ds, time, type);  // refused, keeping the schedule, outside the table
}

void WriteIPParameters(IniFile& ini, const TDataset& ds) {
  ini.WriteInteger(IPProOptionsSection, "TimeIndex", ds.IPParameters.TimeIndex);
  ini.WriteInteger(IPProOptionsSection, "TypeIndex", ds.IPParameters.TypeIndex);
}

}  // namespace tarvo
