// libFuzzer driver for the settings file: each input is tarvo.ini of a
// program directory of its own, loaded as at start-up, written as at close
// and loaded again. The choices and numbers of the second load must be those
// of the first: the settings survive their own file. Any crash, sanitizer
// report or difference is a finding.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/core/dataset.h"
#include "engine/import/open_command.h"
#include "engine/settings/program_settings.h"

namespace {

namespace fs = std::filesystem;

class SilentMessenger final : public tarvo::Messenger {
public:
  tarvo::Reply Show(tarvo::MessageKind, std::string_view, tarvo::Buttons) override { return tarvo::Reply::Ok; }
};

struct Loaded {
  tarvo::ProgramSettings program;
  tarvo::OpenCommandState open;
  tarvo::TDataset ds;
};

void Load(const std::string& dir, Loaded& s) {
  SilentMessenger messenger;
  tarvo::LoadSettings(dir, s.program, s.open, s.ds, messenger);
}

// The choices and numbers of the settings. Texts are left out: a stored text
// loses one pair of enclosing quotes at every load, as the file format says.
bool Same(const Loaded& a, const Loaded& b) {
  return a.program.ModelRefinement == b.program.ModelRefinement &&
         a.program.DataPointsOnOff == b.program.DataPointsOnOff && a.program.MsecUnit == b.program.MsecUnit &&
         a.open.FilterIndex == b.open.FilterIndex && a.open.Res2dInvExt == b.open.Res2dInvExt &&
         a.open.RecentDirs.size() == b.open.RecentDirs.size() && a.ds.TopoDistanceType == b.ds.TopoDistanceType &&
         a.ds.Thresholds.MinIP == b.ds.Thresholds.MinIP && a.ds.Thresholds.MaxIP == b.ds.Thresholds.MaxIP;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    const std::string d = std::string(tmp != nullptr ? tmp : "/tmp") + "/tarvo-fuzz-settings-" + std::to_string(getpid());
    fs::create_directories(d);
    return d;
  }();
  const std::string path = tarvo::SettingsFilePath(dir);
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  Loaded first;
  Load(dir, first);
  SilentMessenger messenger;
  if (!tarvo::SaveSettings(dir, first.program, first.open, first.ds, messenger)) std::abort();
  Loaded second;
  Load(dir, second);
  if (!Same(first, second)) std::abort();
  return 0;
}
