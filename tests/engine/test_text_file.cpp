#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/text_file.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

class TextFileTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  const fs::path dir = scratch.Path();
};

TEST_F(TextFileTest, LinesEndWithCrLfOrLf) {
  EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(JoinCrLf({"x", "", "y"}), "x\r\n\r\ny\r\n");
}

TEST_F(TextFileTest, WholeWriteReplacesTheTargetOrLeavesItAlone) {
  const std::string path = (dir / "out.dat").string();
  ASSERT_TRUE(WriteFileWhole(path, "first\r\n").ok);
  ASSERT_TRUE(WriteFileWhole(path, "second\r\n").ok);
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadTextLines(path, lines).ok);
  EXPECT_EQ(lines, std::vector<std::string>{"second"});
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temporary left

  const FileReadResult toDirectory = WriteFileWhole(dir.string(), "x");
  EXPECT_FALSE(toDirectory.ok);
  EXPECT_FALSE(toDirectory.error.empty());
  EXPECT_FALSE(WriteFileWhole((dir / "missing" / "out.dat").string(), "x").ok);
  std::vector<std::string> kept;
  ASSERT_TRUE(ReadTextLines(path, kept).ok);
  EXPECT_EQ(kept, std::vector<std::string>{"second"});  // failed writes left the target alone
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The temporary file is created exclusively under a name of its own: a link
// planted under any name beside the target is never written through, and a
// leftover of an earlier, killed write is left alone and recognisable.
TEST_F(TextFileTest, TheTemporaryFileIsNeverALinkOrAnotherWritesFile) {
  const std::string victim = scratch.Write("victim.txt", "keep me");
  const std::string path = (dir / "out.dat").string();
  // What the fixed name of earlier versions was, and a leftover of a killed write.
  fs::create_symlink(victim, dir / ".out.dat.tarvo-tmp");
  const std::string leftover = scratch.Write(".out.dat.tarvo-tmp-Ab12Cd", "partial");
  ASSERT_TRUE(WriteFileWhole(path, "new\r\n").ok);
  EXPECT_EQ(test::ReadWhole(victim), "keep me");
  EXPECT_EQ(test::ReadWhole(path), "new\r\n");
  EXPECT_EQ(test::ReadWhole(leftover), "partial");
  EXPECT_EQ(Names(dir), (std::vector<std::string>{".out.dat.tarvo-tmp", ".out.dat.tarvo-tmp-Ab12Cd", "out.dat",
                                                  "victim.txt"}));
  EXPECT_TRUE(IsWriteLeftover(".out.dat.tarvo-tmp-Ab12Cd"));
  EXPECT_FALSE(IsWriteLeftover("out.dat"));
  EXPECT_FALSE(IsWriteLeftover(".out.dat.tarvo-tmp"));
}

// Two writes to one target each have their own temporary file: the one
// that renames last wins whole, neither fails for the other.
TEST_F(TextFileTest, WritesToOneTargetAtOnceDoNotShareATemporaryFile) {
  const std::string path = (dir / "out.dat").string();
  const std::string a(200000, 'a');
  const std::string b(200000, 'b');
  std::vector<int> children;
  for (const std::string* text : {&a, &b}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bool ok = true;
      for (int i = 0; i < 20; ++i) ok = ok && WriteFileWhole(path, *text).ok;
      _exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (const int child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::string written = test::ReadWhole(path);
  EXPECT_TRUE(written == a || written == b);
  EXPECT_EQ(Names(dir), std::vector<std::string>{"out.dat"});
}

// A file whose mode lets no one write it is refused with the platform's
// reason, whoever runs the program (the superuser included: the decision is
// the mode's); the Syscal writer's rule replaces it by a writable file.
TEST_F(TextFileTest, ReadOnlyTargetIsRefusedUnlessTheRuleReplacesIt) {
  const std::string path = scratch.Write("locked.dat", "old");
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const FileReadResult refused = WriteFileWhole(path, "new");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.error, std::strerror(EACCES));
  EXPECT_EQ(test::ReadWhole(path), "old");
  EXPECT_EQ(Names(dir), std::vector<std::string>{"locked.dat"});

  ASSERT_TRUE(WriteFileWhole(path, "new", ReadOnlyTarget::Replace).ok);
  EXPECT_EQ(test::ReadWhole(path), "new");
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                fs::perms::group_read | fs::perms::others_read);
}

TEST_F(TextFileTest, TheNewFileKeepsThePermissionsOfTheOldOne) {
  const std::string path = scratch.Write("private.dat", "old");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(WriteFileWhole(path, "new").ok);
  EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// Files written as a set: when one cannot be written, none of the targets
// changes and no temporary file stays.
TEST_F(TextFileTest, ASetOfFilesIsWrittenWholeOrNotAtAll) {
  const std::string first = scratch.Write("line.gem", "old gem");
  const std::string second = scratch.Write("line.sen", "old sen");
  const std::string third = (dir / "line.imp").string();
  fs::create_directory(third);  // a folder where the last file goes
  const FileReadResult failed = WriteFilesWhole({{first, "new gem"}, {second, "new sen"}, {third, "new imp"}});
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.error, std::strerror(EISDIR));
  EXPECT_EQ(failed.path, third);
  EXPECT_EQ(test::ReadWhole(first), "old gem");
  EXPECT_EQ(test::ReadWhole(second), "old sen");
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"line.gem", "line.imp", "line.sen"}));

  fs::remove(third);
  ASSERT_TRUE(WriteFilesWhole({{first, "new gem"}, {second, "new sen"}, {third, "new imp"}}).ok);
  EXPECT_EQ(test::ReadWhole(first) + test::ReadWhole(second) + test::ReadWhole(third), "new gemnew sennew imp");
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"line.gem", "line.imp", "line.sen"}));
}

// Pipes and devices are neither read (a pipe without a writer would wait
// for ever) nor replaced by a write.
TEST_F(TextFileTest, OnlyRegularFilesAreReadOrReplaced) {
  const std::string fifo = (dir / "pipe.txt").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    std::vector<std::string> lines;
    const FileReadResult read = ReadTextLines(path, lines);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, NotARegularFile);
  }
  const FileReadResult written = WriteFileWhole(fifo, "x");
  EXPECT_FALSE(written.ok);
  EXPECT_EQ(written.error, NotARegularFile);
  EXPECT_TRUE(fs::is_fifo(fifo));
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(ReadFileBytes(dir.string(), bytes).error, std::strerror(EISDIR));
}

}  // namespace
}  // namespace tarvo
