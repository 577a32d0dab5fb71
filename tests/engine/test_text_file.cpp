#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace tarvo
