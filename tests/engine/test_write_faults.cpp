#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "engine/core/text_file.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/export/res2dmod_writer.h"
#include "engine/export/sensinv_writer.h"
#include "engine/export/sondo_writer.h"
#include "engine/import/open_command.h"
#include "engine/sequences/abem_protocol_writer.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "engine/settings/program_settings.h"
#include "test_files.h"

// File-system faults for every command that writes a file: a folder that
// takes no files, a full disk and a folder in place of the file. Each must
// tell the operator the platform's reason and leave what is on disk as it
// was: the previous file byte for byte, no temporary file, nothing half
// written.
namespace tarvo {
namespace {

namespace fs = std::filesystem;

const fs::path ExamplesDir = fs::path(TARVO_EXAMPLES_DIR);
const std::string Previous = "previous contents\r\n";

// While it lives, no file of this process can grow beyond `bytes`: a write
// past the limit fails (EFBIG) just where a full disk would fail (ENOSPC).
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

bool RunningAsRoot() { return geteuid() == 0; }

// Every file under a folder with its bytes (folders listed as "<dir>").
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    files[name] = entry.is_directory() ? std::string("<dir>") : test::ReadWhole(entry.path());
  }
  return files;
}

// Reads an example as the open command does.
void OpenExample(TDataset& ds, const fs::path& file, int filter) {
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  OpenCommandState state;
  OpenRequest request;
  request.files = {file.string()};
  request.filterIndex = filter;
  ASSERT_TRUE(RunOpenCommand(ds, state, request, DefaultReaders(), env).loaded) << file.string();
}

// One command that writes a file, with the data it writes.
struct Writer {
  const char* name;
  const char* example;  // read first, from the examples
  int filter;
  // Writes to `target`; true when the command reports success.
  std::function<bool(TDataset&, const std::string& target, Messenger&)> write;
  // Rewrites the file it read (no dialog): the target is that file.
  bool inPlace = false;
  // Keeps the previous file under its backup name before writing.
  bool backup = false;
  // The other files of the set it writes, by extension.
  std::vector<const char*> companions = {};
  // Its messages name the file after the platform's reason.
  bool namesTheFile = false;
};

// A save dialog that answers with `target`.
auto Answer(const std::string& target) {
  return [target](const auto&) -> std::optional<std::string> { return target; };
}

const Writer Writers[] = {
    {"res2dinv_usual", "wenner32.001", 1,
     [](TDataset& ds, const std::string& target, Messenger& m) {
       return ExportRes2dInv(ds, Res2dInvSender::aRes2dInv, ExportOptions{}, ".dat", Answer(target), m) ==
              SaveOutcome::Written;
     }},
    {"res2dinv_general", "wenner32.001", 1,
     [](TDataset& ds, const std::string& target, Messenger& m) {
       return ExportRes2dInv(ds, Res2dInvSender::aRes2dInv_new, ExportOptions{}, ".dat", Answer(target), m) ==
              SaveOutcome::Written;
     }},
    {"res2dinv_time_lapse", "dipole32_tl.dat", 4,
     [](TDataset& ds, const std::string& target, Messenger& m) {
       return ExportTimeLapse(ds, ExportOptions{}, ".dat", Answer(target), m) == SaveOutcome::Written;
     }},
    {"sondo", "wenner32.001", 1,
     [](TDataset& ds, const std::string& target, Messenger& m) { return WriteSondo(ds, ExportOptions{}, target, m); },
     false, false, {".bar", ".dpr"}},
    {"sensinv2d", "wenner32.001", 1,
     [](TDataset& ds, const std::string& target, Messenger& m) {
       return WriteSensInv2D(ds, ExportOptions{}, target, m);
     },
     false, false, {".sen", ".imp"}},
    {"res2dmod", "wenner32.001", 1,
     [](TDataset& ds, const std::string& target, Messenger& m) {
       return WriteRes2dMod(ds, ExportOptions{}, target, m);
     }},
    {"syscal_sequence", "wenner32.seq", 2,
     [](TDataset& ds, const std::string& target, Messenger& m) {
       return SaveSyscalSequence(ds, SyscalSaveCaller::UserInterface, false, Answer(target), m).outcome ==
              SaveOutcome::Written;
     },
     false, true},
    {"syscal_data_in_place", "wenner32.001", 1,
     [](TDataset& ds, const std::string&, Messenger& m) {
       const auto noDialog = [](const SaveDialogDescription&) -> std::optional<std::string> { return std::nullopt; };
       return SaveSyscalSequence(ds, SyscalSaveCaller::UserInterface, false, noDialog, m).outcome ==
              SaveOutcome::Written;
     },
     true, true},
    {"electre2_sequence", "wenner32.seq", 2,
     [](TDataset& ds, const std::string& target, Messenger& m) {
       return SaveElectreSequence(ds, ElectreSender::Other, false, 2, Answer(target), m).outcome ==
              SaveOutcome::Written;
     }},
    {"abem_protocol", "wenner32.seq", 2,
     [](TDataset& ds, const std::string& target, Messenger& m) {
       return SaveAbemProtocol(ds, Answer(target), nullptr, m).outcome == SaveOutcome::Written;
     },
     false, false, {".up", ".dwn"}, true},
};

void PrintTo(const Writer& w, std::ostream* os) { *os << w.name; }

std::string WriterName(const ::testing::TestParamInfo<Writer>& info) { return info.param.name; }

class WriteFault : public ::testing::TestWithParam<Writer> {
protected:
  test::ScratchFolder scratch;
  fs::path folder;  // where the target lives
  std::string target;
  TDataset ds;
  RecordingMessenger messenger;

  void SetUp() override {
    const Writer& w = GetParam();
    folder = scratch.Path() / "out";
    fs::create_directories(folder);
    if (w.inPlace) {
      // The data file is read from the folder it is then rewritten in.
      target = (folder / w.example).string();
      fs::copy_file(ExamplesDir / w.example, target);
      OpenExample(ds, target, w.filter);
    } else {
      std::string ext = fs::path(w.example).extension() == ".seq" ? ".seq" : ".dat";
      if (std::string(w.name) == "electre2_sequence") ext = ".txt";
      if (std::string(w.name) == "sensinv2d") ext = ".gem";
      if (std::string(w.name) == "abem_protocol") ext = ".org";
      target = (folder / ("target" + ext)).string();
      scratch.Write("out/target" + ext, Previous);
      OpenExample(ds, ExamplesDir / w.example, w.filter);
    }
  }

  // The failed write: reported with `expected` as the platform's reason,
  // everything on disk as it was (a backup of the previous file aside).
  void ExpectRefused(bool written, const std::map<std::string, std::string>& before, const std::string& reason,
                     const std::string& failing = {}) {
    const Writer& w = GetParam();
    EXPECT_FALSE(written);
    ASSERT_FALSE(messenger.entries.empty()) << "the failure was not reported";
    EXPECT_EQ(messenger.entries.back().kind, MessageKind::Error);
    if (w.backup && reason == std::strerror(EFBIG)) {
      // The backup copy is what meets the full disk; the copy names its own reason.
      EXPECT_FALSE(messenger.entries.back().text.empty());
    } else if (w.namesTheFile) {
      EXPECT_EQ(messenger.entries.back().text, reason + "\r\n" + (failing.empty() ? target : failing));
    } else {
      EXPECT_EQ(messenger.entries.back().text, reason);
    }
    std::map<std::string, std::string> after = Snapshot(folder);
    if (w.backup) {
      // A complete copy of the previous file under its backup name may stay.
      const std::string backup = fs::path(SyscalBackupName(target)).filename().string();
      const auto b = after.find(backup);
      if (b != after.end()) {
        EXPECT_EQ(b->second, before.at(fs::path(target).filename().string())) << "the backup is not whole";
        after.erase(b);
      }
    }
    EXPECT_EQ(after, before);
  }
};

// The examples write without a fault: the fault is all that goes wrong below.
TEST_P(WriteFault, WritesWhenNothingIsInTheWay) {
  EXPECT_TRUE(GetParam().write(ds, target, messenger)) << ::testing::PrintToString(messenger.Texts());
  EXPECT_NE(test::ReadWhole(target), Previous);
  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().string().find(".tarvo-tmp"), std::string::npos) << entry.path();
  }
}

TEST_P(WriteFault, FolderThatTakesNoFiles) {
  if (RunningAsRoot()) GTEST_SKIP() << "permission bits do not stop the superuser from writing";
  const auto before = Snapshot(folder);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const bool written = GetParam().write(ds, target, messenger);
  fs::permissions(folder, fs::perms::owner_all);
  ExpectRefused(written, before, std::strerror(EACCES));
}

TEST_P(WriteFault, FullDisk) {
  const auto before = Snapshot(folder);
  bool written = false;
  {
    const FileSizeLimit limit(64);
    written = GetParam().write(ds, target, messenger);
  }
  ExpectRefused(written, before, std::strerror(EFBIG));
}

TEST_P(WriteFault, FolderInPlaceOfTheFile) {
  if (GetParam().inPlace) GTEST_SKIP() << "the file rewritten in place was just read: it is no folder";
  fs::remove(target);
  fs::create_directory(target);
  scratch.Write("out/" + fs::path(target).filename().string() + "/inside", "kept");
  const auto before = Snapshot(folder);
  const bool written = GetParam().write(ds, target, messenger);
  ExpectRefused(written, before, std::strerror(EISDIR));
}

// A target whose mode lets no one write it is refused with the platform's
// reason and stays as it is, whoever runs the program: the decision is the
// mode's. The Syscal writer's backup rule replaces the file instead (the old
// one kept as the backup), which clears the read-only attribute.
TEST_P(WriteFault, ReadOnlyTarget) {
  const Writer& w = GetParam();
  const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  const std::string old = test::ReadWhole(target);
  fs::permissions(target, readOnly);
  const auto before = Snapshot(folder);
  const bool written = w.write(ds, target, messenger);
  if (w.backup) {
    EXPECT_TRUE(written) << ::testing::PrintToString(messenger.Texts());
    EXPECT_NE(test::ReadWhole(target), old);
    EXPECT_EQ(test::ReadWhole(SyscalBackupName(target)), old);
    EXPECT_TRUE((fs::status(target).permissions() & fs::perms::owner_write) != fs::perms::none);
    return;
  }
  EXPECT_EQ(fs::status(target).permissions(), readOnly);
  ExpectRefused(written, before, std::strerror(EACCES));
}

// A set of files fails as a whole: a folder where its last file goes leaves
// every file of the set as it was, the first one included.
TEST_P(WriteFault, LastFileOfTheSetFails) {
  const Writer& w = GetParam();
  if (w.companions.empty()) GTEST_SKIP() << "writes one file";
  const std::string last = fs::path(target).replace_extension(w.companions.back()).string();
  fs::create_directory(last);
  const auto before = Snapshot(folder);
  const bool written = w.write(ds, target, messenger);
  ExpectRefused(written, before, std::strerror(EISDIR), last);
}

// A write killed part way (here by the file-size signal at its default)
// leaves the target old and whole; what else it leaves is recognisable as a
// leftover.
TEST_P(WriteFault, KilledWriteLeavesTheTargetWhole) {
  const Writer& w = GetParam();
  const std::string old = test::ReadWhole(target);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_DFL);
    RecordingMessenger quiet;
    w.write(ds, target, quiet);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the write was not killed";
  EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
  EXPECT_EQ(test::ReadWhole(target), old);
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    const bool known = name == fs::path(target).filename().string() || IsWriteLeftover(name) ||
                       (w.backup && entry.path().string() == SyscalBackupName(target));
    EXPECT_TRUE(known) << name;
    if (w.backup && entry.path().string() == SyscalBackupName(target)) {
      EXPECT_EQ(test::ReadWhole(entry.path()), old) << "a backup is whole or absent";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, WriteFault, ::testing::ValuesIn(Writers), WriterName);

// The settings file, written when the program ends.
class SettingsWriteFault : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  ProgramSettings program;
  OpenCommandState open;
  TDataset ds;
  RecordingMessenger messenger;
  std::string path = SettingsFilePath(scratch.Path().string());

  void SetUp() override {
    scratch.Write("tarvo.ini", "[Elsewhere]\r\nkept=yes\r\n");
    ds.Thresholds.MaxIP = 42;  // differs from the file, so there is something to write
  }
};

TEST_F(SettingsWriteFault, FullDiskKeepsThePreviousFile) {
  const auto before = Snapshot(scratch.Path());
  bool saved = false;
  {
    const FileSizeLimit limit(16);
    saved = SaveSettings(scratch.Path().string(), program, open, ds, messenger);
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Cannot write " + path + "\r\n" + std::strerror(EFBIG)});
  EXPECT_EQ(Snapshot(scratch.Path()), before);
}

TEST_F(SettingsWriteFault, FolderThatTakesNoFiles) {
  if (RunningAsRoot()) GTEST_SKIP() << "permission bits do not stop the superuser from writing";
  const fs::path locked = scratch.Path() / "locked";
  fs::create_directory(locked);
  const auto before = Snapshot(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  const bool saved = SaveSettings(locked.string(), program, open, ds, messenger);
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_FALSE(saved);
  EXPECT_EQ(messenger.Texts(),
            std::vector<std::string>{"Cannot write " + SettingsFilePath(locked.string()) + "\r\n" +
                                     std::strerror(EACCES)});
  EXPECT_EQ(Snapshot(locked), before);
}

// A settings file that may be written in a folder that takes no new files
// (an installation folder): it is still rewritten, in place.
TEST_F(SettingsWriteFault, WritableFileInAFolderThatTakesNoFilesIsRewritten) {
  if (RunningAsRoot()) GTEST_SKIP() << "permission bits do not stop the superuser from writing";
  const fs::path locked = scratch.Path() / "install";
  fs::create_directory(locked);
  scratch.Write("install/tarvo.ini", "[Elsewhere]\r\nkept=yes\r\n");
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  const bool saved = SaveSettings(locked.string(), program, open, ds, messenger);
  const std::string text = test::ReadWhole(locked / "tarvo.ini");
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_TRUE(saved) << ::testing::PrintToString(messenger.Texts());
  EXPECT_NE(text.find("kept=yes"), std::string::npos);
  EXPECT_NE(text.find("42"), std::string::npos);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(locked)) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"tarvo.ini"});
}

}  // namespace
}  // namespace tarvo
