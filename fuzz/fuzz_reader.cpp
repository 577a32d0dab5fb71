// libFuzzer driver: one target per file type of the open dialog. Each input
// is written to a file with the type's extension and read through the open
// command, exactly as a file chosen in the dialog. What was read must be a
// sound dataset (every coordinate and value a finite number), and the
// summary and every writer then run on it as the operator would run them.
// Any crash, sanitizer report or broken dataset invariant is a finding.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "engine/core/dataset.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/export/res2dmod_writer.h"
#include "engine/export/sensinv_writer.h"
#include "engine/export/sondo_writer.h"
#include "engine/import/open_command.h"
#include "engine/import/syscal_template.h"
#include "engine/sequences/abem_protocol_writer.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "engine/shell/summary.h"

#ifndef TARVO_FUZZ_FILTER
#error "TARVO_FUZZ_FILTER must name the open dialog's filter index"
#endif
#ifndef TARVO_FUZZ_EXTENSION
#error "TARVO_FUZZ_EXTENSION must name the file extension"
#endif

namespace {

namespace fs = std::filesystem;

class SilentMessenger final : public tarvo::Messenger {
public:
  tarvo::Reply Show(tarvo::MessageKind, std::string_view, tarvo::Buttons buttons) override {
    return buttons == tarvo::Buttons::AbortIgnore ? tarvo::Reply::Ignore
           : buttons == tarvo::Buttons::YesNo     ? tarvo::Reply::No
                                                  : tarvo::Reply::Ok;
  }
};

std::string ScratchDir() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/tarvo-fuzz-" + std::to_string(getpid());
}

std::string TemplatePath() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string dir = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("./x");
  dir = dir.substr(0, dir.find_last_of('/'));
  return dir + "/" + tarvo::TemplateFileName;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

void RequireFinite(std::initializer_list<float> values) {
  for (const float v : values) Require(std::isfinite(v));
}

void CheckInvariants(const tarvo::TDataset& ds) {
  if (!tarvo::IsLoaded(ds.DataKind)) return;
  Require(ds.PointCount >= 0 && ds.PointCount <= tarvo::MaxPoints && ds.PointCount <= ds.Points.Size());
  Require(ds.SetCount >= 0 && ds.SetCount <= tarvo::MaxSets);
  int expectedFirst = 1;
  for (int k = 1; k <= ds.SetCount; ++k) {
    const tarvo::TSetEntry& s = ds.Sets[k];
    Require(s.First == expectedFirst && s.Last >= s.First - 1 && s.Last <= ds.PointCount);
    expectedFirst = s.Last + 1;
  }
  for (int i = 1; i <= ds.PointCount; ++i) {
    const tarvo::TDataPoint& p = ds.Points[i];
    Require(p.Station >= 1 && p.Station <= ds.StationCount && p.Level >= 1 && p.Level <= ds.LevelCount);
  }
}

// Every coordinate and value the read loaded is a number: the readers refuse
// what is not, or make the point bad with a finite value.
void CheckFinite(const tarvo::TDataset& ds) {
  if (!tarvo::IsLoaded(ds.DataKind)) return;
  for (int i = 1; i <= ds.PointCount; ++i) {
    const tarvo::TDataPoint& p = ds.Points[i];
    RequireFinite({p.Rho, p.X, p.Spacing, p.MN, p.Dev, p.XA, p.XB, p.XM, p.XN, p.ZA, p.ZB, p.ZM, p.ZN, p.I, p.V,
                   p.IP, p.SP});
    for (int w = 1; w <= tarvo::MaxIPWindows; ++w) Require(std::isfinite(p.M[w]));
  }
  for (int n = 1; n <= tarvo::MaxElectrodes; ++n) {
    const tarvo::TElectrode& e = ds.Electrodes[n];
    RequireFinite({e.X, e.Y, e.Z});
  }
  for (int q = 1; q <= ds.Quads.Size(); ++q) Require(std::isfinite(ds.Quads[q].K));
  for (int s = 1; s <= ds.StationCount; ++s) Require(std::isfinite(ds.Stations[s]));
  for (int l = 1; l <= ds.LevelCount; ++l) RequireFinite({ds.LevelSpacing[l], ds.LevelMN[l]});
  for (int e = 1; e <= ds.ElectrodePosCount; ++e) RequireFinite({ds.ElectrodePos[e], ds.ElectrodePosZ[e]});
  for (int k = 1; k <= ds.ElectrodeXZCount; ++k) RequireFinite({ds.ElectrodeXZ[k].X, ds.ElectrodeXZ[k].Z});
  for (int t = 1; t <= tarvo::MaxTimeSteps; ++t) Require(std::isfinite(ds.TimeSetTimes[t]));
}

// Every writer, each on a copy of the dataset as read, into the scratch
// folder: what the operator may do next with any file that reads.
void RunWriters(const tarvo::TDataset& read, const std::string& dir) {
  if (!tarvo::IsLoaded(read.DataKind)) return;
  SilentMessenger messenger;
  const tarvo::ExportOptions options;
  const auto to = [](const std::string& path) {
    return [path](const auto&) -> std::optional<std::string> { return path; };
  };
  const auto copy = [&read] { return read; };

  (void)tarvo::BuildSummary(read);
  for (const auto sender : {tarvo::Res2dInvSender::aRes2dInv, tarvo::Res2dInvSender::aRes2dInv_new}) {
    tarvo::TDataset ds = copy();
    tarvo::ExportRes2dInv(ds, sender, options, ".dat", to(dir + "/out.dat"), messenger);
  }
  {
    tarvo::TDataset ds = copy();
    tarvo::ExportTimeLapse(ds, options, ".dat", to(dir + "/out-tl.dat"), messenger);
  }
  {
    tarvo::TDataset ds = copy();
    tarvo::WriteSondo(ds, options, dir + "/out.dtg", messenger);
  }
  {
    tarvo::TDataset ds = copy();
    tarvo::WriteSensInv2D(ds, options, dir + "/out.gem", messenger);
  }
  {
    tarvo::TDataset ds = copy();
    tarvo::WriteRes2dMod(ds, options, dir + "/out.txt", messenger);
  }
  {
    tarvo::TDataset ds = copy();
    // A data file is rewritten under its own name: never the input's.
    ds.FileName = dir + "/out.001";
    tarvo::SaveSyscalSequence(ds, tarvo::SyscalSaveCaller::UserInterface, false, to(dir + "/out.seq"), messenger);
  }
  {
    tarvo::TDataset ds = copy();
    tarvo::SaveElectreSequence(ds, tarvo::ElectreSender::Other, false, 2, to(dir + "/out-seq.txt"), messenger);
  }
  {
    tarvo::TDataset ds = copy();
    tarvo::SaveAbemProtocol(ds, to(dir + "/out.org"), nullptr, messenger);
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
  static const std::string dir = ScratchDir();
  static const std::string path = dir + "/input" TARVO_FUZZ_EXTENSION;
  static const std::string out = dir + "/out";
  static const bool ready = fs::create_directories(dir) || fs::is_directory(dir);
  static const bool companionsPlaced = PlaceCompanions(path);
  (void)ready;
  (void)companionsPlaced;
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
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
  CheckFinite(ds);

  // The writers' files of one input go with it.
  std::error_code ec;
  fs::remove_all(out, ec);
  fs::create_directories(out, ec);
  RunWriters(ds, out);
  return 0;
}
