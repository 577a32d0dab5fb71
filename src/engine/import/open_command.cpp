#include "engine/import/open_command.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <utility>

#include "engine/core/bad_points.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/ip_decay.h"
#include "engine/core/reciprocals.h"

namespace tarvo {

namespace {

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string DirectoryOf(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

std::string LowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

std::string SetListEntry(const std::string& path) { return BaseName(path) + " - " + path; }

// Points merged so far, and the sets already numbered, while the files of
// one command are read.
struct Merge {
  std::vector<TDataPoint> saved;
  int oldCount = 0;
  int oldSetCount = 0;
  float savedKind = DataKindNone;

  void Take(const TDataset& ds, int count) {
    for (int i = 1; i <= count; ++i) saved.push_back(ds.Points[i]);
    oldCount += count;
  }

  void InstallInto(TDataset& ds) {
    ds.Points.Storage() = std::move(saved);
    ds.PointCount = oldCount;
    ds.PointsMerged = true;
  }
};

void Caption(const OpenRequest& request, std::string_view text) {
  if (request.showCaption) request.showCaption(text);
}

void SetNameAt(TDataset& ds, int k, std::string name) {
  if (static_cast<int>(ds.SetNames.size()) < k) ds.SetNames.resize(static_cast<std::size_t>(k));
  ds.SetNames[static_cast<std::size_t>(k - 1)] = std::move(name);
}

// Every reader fills a dataset of its own (read_result.h); the two functions
// below are the one place that decides what of it the live dataset takes: a
// file that was read is committed whole, a refused one (or one beyond the
// capacity) is dropped unseen, so no reader has anything to undo. What the
// rules keep after a failure (the files merged before it, a data file's
// measurements up to a cut) is kept by the merge here, or was read as such.

// Returns false when nothing at all is loaded afterwards.
bool ReadTextFiles(TDataset& ds, OpenCommandState& state, const OpenRequest& request, const OpenFilter& filter,
                   const ReaderTable& readers, ReadEnvironment& env, Merge& merge, OpenResult& result) {
  if (filter.res2dInvData && !request.files.empty()) RememberRes2dInvExtension(state, request.files.front());

  const FileReader& reader = readers.byFilter[static_cast<std::size_t>(filter.index)];
  for (const std::string& file : request.files) {
    ds.FileName = file;
    Caption(request, "Reading from " + BaseName(file));
    ds.PointCount = 0;
    ds.SetCount = 0;
    // Array types met in an earlier file must not merge types of this one.
    ds.TypesPresent.reset();
    if (!reader) {
      env.messenger.Error("This file type cannot be read yet: " + BaseName(file));
      ds.DataKind = merge.savedKind;
      continue;
    }
    ReadResult read = RunReader(reader, ReadSource{file, merge.oldSetCount}, ds, env);
    bool take = read.read && read.data.PointCount > 0 && IsLoaded(read.data.DataKind);
    if (take && merge.oldCount + read.data.PointCount > MaxPoints) {
      env.messenger.Error("Too many data points in " + BaseName(file) + "\r\nMaximal data point number is " +
                          std::to_string(MaxPoints) + "\r\nThe file is not read.");
      if (merge.oldSetCount + 1 <= MaxSets) ds.SetSeqHeaders[merge.oldSetCount + 1].QuadCount = 0;
      take = false;
    }
    if (!take) {
      ds.DataKind = merge.savedKind;
      continue;
    }
    CommitRead(ds, std::move(read));

    for (int k = merge.oldSetCount + 1; k <= merge.oldSetCount + ds.SetCount; ++k) {
      const bool timeLapseCopy = ds.TimeSetCount > 0 && k > merge.oldSetCount + ds.BaseSetCount;
      if (!timeLapseCopy) SetNameAt(ds, k, SetListEntry(file));
      ds.Sets[k].First += merge.oldCount;
      ds.Sets[k].Last += merge.oldCount;
    }
    merge.oldSetCount += ds.SetCount;
    merge.Take(ds, ds.PointCount);
    // A later file that fails must not hide the points already merged.
    merge.savedKind = ds.DataKind;
  }

  ds.ElectrodePosFlag.Fill(0);
  merge.InstallInto(ds);
  ds.SetCount = merge.oldSetCount;
  ds.SetNames.resize(static_cast<std::size_t>(ds.SetCount));
  if (!IsLoaded(ds.DataKind) || ds.PointCount == 0) return false;

  result.caption = filter.caption;
  result.fileNamePanel = request.files.front();
  return true;
}

// Reads the instrument file of set k; false, with nothing loaded, when it is
// refused.
bool ReadSetFile(TDataset& ds, const OpenRequest& request, const OpenFilter& filter,
                 const ReaderTable& readers, ReadEnvironment& env, int firstSet) {
  const FileReader& reader = readers.byFilter[static_cast<std::size_t>(filter.index)];
  if (!reader) {
    env.messenger.Error("This file type cannot be read yet: " + BaseName(ds.FileName));
    LeaveNothingLoaded(ds);
    return false;
  }
  // A type the operator named is never overruled by the file's name.
  const InstrumentFormat format = request.typeNamed ? filter.format : InstrumentFormat::ByName;
  ReadResult read = RunReader(reader, ReadSource{ds.FileName, firstSet, format}, ds, env);
  if (!read.read || !IsLoaded(read.data.DataKind)) {
    LeaveNothingLoaded(ds);
    return false;
  }
  CommitRead(ds, std::move(read));
  return true;
}

bool ReadInstrumentFiles(TDataset& ds, const OpenRequest& request, const OpenFilter* filter,
                         const ReaderTable& readers, ReadEnvironment& env, bool rebuild, Merge& merge,
                         OpenResult& result) {
  if (!rebuild) {
    Caption(request, "Convert from Electre format");
    ds.SetNames.resize(static_cast<std::size_t>(merge.oldSetCount));
    const std::size_t fileCount = request.caller == OpenCaller::ReadBack ? 1 : request.files.size();
    for (std::size_t f = 0; f < fileCount && ds.SetNames.size() < static_cast<std::size_t>(MaxSets); ++f) {
      ds.SetNames.push_back(SetListEntry(request.files[f]));
    }
    ds.SetCount = static_cast<int>(ds.SetNames.size());
    if (ds.SetCount >= 2) ds.ReadOnlyData = true;
  }

  for (int k = merge.oldSetCount + 1; k <= ds.SetCount; ++k) {
    if (rebuild) {
      result.fileNamePanel = ds.SeqHeader.TitleText().substr(0, 10);
    } else {
      ds.FileName = request.files[static_cast<std::size_t>(k - merge.oldSetCount - 1)];
      result.fileNamePanel = ds.FileName;
      if (!ReadSetFile(ds, request, *filter, readers, env, merge.oldSetCount)) {
        ds.SelectedSetEntry = k - 1;
        return false;
      }
    }

    if (!IsLoaded(ds.DataKind)) {
      ds.Points.Release();
      ds.PointCount = 0;
      ds.SetCount = 0;
      ds.SelectedSetEntry = k - 1;
      return false;
    }

    // A data file cut short holds fewer points than its sequence.
    const int inFile = std::min<int>(ds.SeqHeader.QuadCount, ds.PointCount);
    const bool full = merge.oldCount + inFile > MaxPoints;
    const int taken = full ? MaxPoints - merge.oldCount : inFile;

    ds.Sets[k] = TSetEntry{merge.oldCount + 1, merge.oldCount + taken, ds.ArrayType};
    ds.SetFileHeaders[k] = ds.FileHeader;
    ds.SetSeqHeaders[k] = ds.SeqHeader;
    merge.Take(ds, taken);

    if (k == ds.SetCount || full) {
      ds.Points.Release();
      merge.InstallInto(ds);
      if (full) {
        ds.SetCount = k;
        ds.SetNames.resize(static_cast<std::size_t>(k));
        env.messenger.Error("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
      }
      break;
    }
    ClearDataset(ds);
  }
  return true;
}

CommandEnabling WorkOutEnabling(const TDataset& ds) {
  CommandEnabling e;
  const bool general = ds.HasMeasurements();
  bool oneType = true;
  const auto family = [](std::uint8_t t) { return t == 5 ? std::uint8_t{4} : t; };
  for (int k = 2; k <= ds.SetCount; ++k) {
    if (family(ds.Sets[k].Type) != family(ds.Sets[1].Type)) oneType = false;
  }
  e.Res2dInvUsual = general && oneType;
  e.Res2dInvGeneral = general;
  e.Sondo = general;
  e.IP = ds.HasIP;
  e.CopyDiff = ds.TimeSetCount > 0;
  e.CopyAllExcelVisible = ds.TimeSetCount == 0;
  e.CopyMeanModel = ds.TimeSetCount == 0;
  e.DecayBoxEnabled = ds.IPWindowCount > 0;
  e.IPThresholdBar = ds.HasIP;
  e.SP = ds.HasSP && ds.PointCount > 0;
  e.SyscalPro = ds.SetCount >= 1 && ds.Sets[ds.SetCount].Last == ds.SeqHeader.QuadCount;
  e.Median = ds.DataKind == DataKindResistivityOnly;
  e.ThresholdControls = ds.HasVoltageAndCurrent();
  e.TimeLapse = ds.DataKind > DataKindInstrument && ds.SetCount > 1;
  e.TimeCopy = ds.HasModel;
  e.HideSyscalHeaderPanels = general;
  e.HideOperatorFields = general && (ds.DataKind > DataKindInstrument || ds.FileHeader.OperatorText() == "ABEM");
  e.BrokenElectrodeVisible = ds.IsSequence() && ds.SetCount == 1;
  e.InversionResultsPage = ds.DataKind == DataKindResistivityOnly && ds.HasModel;
  e.ManySmall = ds.SetCount > 1 || ds.HasIP;
  e.SmallPanels = ((ds.SetCount >= 2 && ds.SetCount <= 5) || ds.HasIP) && general;
  e.Append = ds.TimeSetCount == 0;
  return e;
}

}  // namespace

OpenResult RunOpenCommand(TDataset& ds, OpenCommandState& state, const OpenRequest& request,
                          const ReaderTable& readers, ReadEnvironment& env) {
  OpenResult result;
  const bool rebuild =
      request.caller == OpenCaller::RebuildGenerated || request.caller == OpenCaller::RebuildAfterEdits;
  const OpenFilter* filter = FilterByIndex(request.filterIndex);
  if (!rebuild && (request.files.empty() || filter == nullptr)) {
    result.cancelled = true;
    return result;
  }

  ds.TimeSetCount = 0;
  // An inversion model belongs to the stations of the line it was read for;
  // any read or rebuild makes new stations.
  ds.HasModel = false;
  ds.Models.ChosenIteration = 0;
  Merge merge;
  if (rebuild) {
    ds.PointsMerged = false;
    ds.SetCount = 1;
    if (request.caller == OpenCaller::RebuildGenerated) {
      ds.SetNames = {ds.SeqHeader.TitleText().substr(0, 10)};
      ds.DataKind = DataKindSequence;
    }
    ds.ReadOnlyData = false;
    merge.savedKind = ds.DataKind;
  }

  Caption(request, "Input file reading ...");
  if (!rebuild) {
    UpdateRecentDirs(state, request.files.front());

    ds.HasIP = false;
    ds.HasSP = false;
    ds.IPWindowCount = 0;
    ds.IPWindowTimes = TIPWindowTimes{};
    ds.HasErrors = false;
    ds.RemoteElectrodes = TRemoteElectrodes{};
    state.InitialDir = DirectoryOf(request.files.front());
    if (request.caller == OpenCaller::Append) {
      merge.oldSetCount = ds.SetCount;
      merge.oldCount = ds.PointCount;
      merge.saved.assign(ds.Points.Storage().begin(), ds.Points.Storage().begin() + ds.PointCount);
      ds.PointCount = 0;
    } else {
      ds.SetNames.clear();
      ds.PointsMerged = false;
    }
    ds.ReadOnlyData = request.readOnly;
    ClearDataset(ds);
    ds.PointsMerged = false;
    merge.savedKind = request.caller == OpenCaller::Append ? ds.DataKind : DataKindNone;
    ds.DataKind = DataKindNone;
    ds.XShift = 0;
    ds.ElectrodeXZCount = 0;
  }

  const bool textPath = !rebuild && !filter->instrument;
  const bool read = textPath ? ReadTextFiles(ds, state, request, *filter, readers, env, merge, result)
                             : ReadInstrumentFiles(ds, request, filter, readers, env, rebuild, merge, result);
  if (!read) {
    result.loaded = false;
    return result;
  }

  // After reading.
  AnalyseLayout(ds, env.messenger);
  PairReciprocals(ds);
  FitDecays(ds);
  ds.MergedCount = 0;
  if (ds.IsSequence() && ds.SetCount > 1) {
    MarkRepeatedQuadripoles(ds);
    ds.ReadOnlyData = false;
  }
  CountBadPoints(ds);

  if (ds.DataKind == DataKindResistivityOnly && textPath && filter->res2dInvData) {
    const std::string ext = LowerExtension(request.files.front());
    if (ext.size() >= 2 && ext[1] == 'i') {
      if (readers.inversionResults) {
        ds.FileName = request.files.front();
        readers.inversionResults(ds, ds.FileName, env);
      } else {
        env.messenger.Information("The data of " + BaseName(request.files.front()) +
                                  " are read; reading its inversion results is not available yet.");
      }
    }
  }

  ShowCommentsInMemo(ds);
  result.enabling = WorkOutEnabling(ds);
  ds.SelectedSetEntry = ds.SetCount - 1;
  result.loaded = IsLoaded(ds.DataKind);
  return result;
}

const OpenFilter* FilterByIndex(int index) {
  for (const auto& f : OpenFilters) {
    if (f.index == index) return &f;
  }
  return nullptr;
}

const OpenFilter* FilterByTypeName(std::string_view typeName) {
  for (const auto& f : OpenFilters) {
    if (f.typeName == typeName) return &f;
  }
  return nullptr;
}

const OpenFilter* FilterByExtension(const std::string& path) {
  const std::string ext = LowerExtension(path);
  std::string_view type;
  if (ext == ".seq") type = "syscal-seq";
  else if (ext == ".mod" || (ext.size() >= 2 && ext[1] == '0')) type = "syscal";
  else if (ext == ".dat" || ext == ".inv") type = "res2dinv";
  else if (ext == ".amp") type = "abem-amp";
  else if (ext == ".org") type = "abem-protocol";
  else if (ext == ".ars" || ext == ".imp" || ext == ".ui") type = "sensinv2d";
  else if (ext == ".bin" || ext == ".binx") type = "syscal-pro-bin";
  else if (ext == ".ohm") type = "abem-lund";
  return type.empty() ? nullptr : FilterByTypeName(type);
}

void UpdateRecentDirs(OpenCommandState& state, const std::string& fileName) {
  const std::string dir = DirectoryOf(fileName);
  auto& dirs = state.RecentDirs;
  dirs.erase(std::remove(dirs.begin(), dirs.end(), dir), dirs.end());
  if (dirs.size() >= OpenCommandState::MaxRecentDirs) dirs.resize(OpenCommandState::MaxRecentDirs - 1);
  dirs.insert(dirs.begin(), dir);
}

std::vector<std::string> RecentDirCaptions(const OpenCommandState& state) {
  std::vector<std::string> captions;
  for (std::size_t i = 1; i < state.RecentDirs.size(); ++i) {
    captions.push_back("&" + std::to_string(i) + " " + state.RecentDirs[i]);
  }
  return captions;
}

std::string DirectoryOfRecentCaption(std::string_view caption) {
  return std::string(caption.size() > 3 ? caption.substr(3) : std::string_view{});
}

bool RememberRes2dInvExtension(OpenCommandState& state, const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext.empty() || ext == ".inv" || ext == state.Res2dInvExt) return false;
  state.Res2dInvExt = ext.substr(0, OpenCommandState::MaxExtensionLength);
  return true;
}

std::vector<std::string> OpenFilterPatterns(const OpenCommandState& state) {
  std::vector<std::string> patterns;
  for (const auto& f : OpenFilters) {
    std::string p(f.patterns);
    if (f.res2dInvData) {
      const auto at = p.find("*.dat");
      if (at != std::string::npos) p.replace(at + 1, 4, state.Res2dInvExt);
    }
    patterns.push_back(p);
  }
  return patterns;
}

}  // namespace tarvo
