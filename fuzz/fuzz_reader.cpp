// libFuzzer driver: one target per file type of the open dialog. Each input
// is written to a file with the type's extension and read through the open
// command, exactly as a file chosen in the dialog. Any crash, sanitizer
// report or broken dataset invariant is a finding.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/core/dataset.h"
#include "engine/import/open_command.h"
#include "engine/import/syscal_template.h"

#ifndef TARVO_FUZZ_FILTER
#error "TARVO_FUZZ_FILTER must name the open dialog's filter index"
#endif
#ifndef TARVO_FUZZ_EXTENSION
#error "TARVO_FUZZ_EXTENSION must name the file extension"
#endif

namespace {

class SilentMessenger final : public tarvo::Messenger {
public:
  tarvo::Reply Show(tarvo::MessageKind, std::string_view, tarvo::Buttons buttons) override {
    return buttons == tarvo::Buttons::AbortIgnore ? tarvo::Reply::Ignore
           : buttons == tarvo::Buttons::YesNo     ? tarvo::Reply::No
                                                  : tarvo::Reply::Ok;
  }
};

std::string InputPath() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/tarvo-fuzz-" + std::to_string(getpid()) +
         TARVO_FUZZ_EXTENSION;
}

std::string TemplatePath() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string dir = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("./x");
  dir = dir.substr(0, dir.find_last_of('/'));
  return dir + "/" + tarvo::TemplateFileName;
}

void CheckInvariants(const tarvo::TDataset& ds) {
  if (!tarvo::IsLoaded(ds.DataKind)) return;
  if (ds.PointCount < 0 || ds.PointCount > tarvo::MaxPoints || ds.PointCount > ds.Points.Size()) std::abort();
  if (ds.SetCount < 0 || ds.SetCount > tarvo::MaxSets) std::abort();
  int expectedFirst = 1;
  for (int k = 1; k <= ds.SetCount; ++k) {
    const tarvo::TSetEntry& s = ds.Sets[k];
    if (s.First != expectedFirst || s.Last < s.First - 1 || s.Last > ds.PointCount) std::abort();
    expectedFirst = s.Last + 1;
  }
  for (int i = 1; i <= ds.PointCount; ++i) {
    const tarvo::TDataPoint& p = ds.Points[i];
    if (p.Station < 1 || p.Station > ds.StationCount || p.Level < 1 || p.Level > ds.LevelCount) std::abort();
  }
}

}  // namespace

// Copies the companion files (same name, other extensions) next to the input.
bool PlaceCompanions(const std::string& inputPath) {
#ifdef TARVO_FUZZ_COMPANIONS
  const std::string base = inputPath.substr(0, inputPath.find_last_of('.'));
  for (const char* ext : {".gem", ".sen"}) {
    std::ifstream in(std::string(TARVO_FUZZ_COMPANIONS) + ext, std::ios::binary);
    std::ofstream out(base + ext, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
  }
#else
  (void)inputPath;
#endif
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = InputPath();
  static const bool companionsPlaced = PlaceCompanions(path);
  (void)companionsPlaced;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  SilentMessenger messenger;
  tarvo::ReadEnvironment env{messenger, TemplatePath(), nullptr};
  tarvo::TDataset ds;
  tarvo::OpenCommandState state;
  tarvo::OpenRequest request;
  request.files = {path};
  request.filterIndex = TARVO_FUZZ_FILTER;
  tarvo::RunOpenCommand(ds, state, request, tarvo::DefaultReaders(), env);
  CheckInvariants(ds);
  return 0;
}
