#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/settings/ini_file.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

IniFile Parsed(const std::string& text) {
  IniFile ini;
  ini.Parse(text);
  return ini;
}

TEST(IniFileTest, ReadingRules) {
  struct Case {
    const char* what;
    std::string text;
    const char* section;
    const char* key;
    std::string expected;  // "<none>": the key is not there
  };
  const std::vector<Case> cases = {
      {"names ignore case, blanks around = go", "[median]\r\n WindowC = 9 \r\n", "Median", "WINDOWC", "9"},
      {"tabs around = go", "[A]\nkey\t=\tvalue\t\n", "A", "key", "value"},
      {"only the first = splits", "[A]\nk = a = b\n", "A", "k", "a = b"},
      {"control characters at the end go", std::string("[A]\nk=abc\x1A\r\n\x1A"), "A", "k", "abc"},
      {"comment lines are skipped", "[A]\n;k=1\nk=2\n", "A", "k", "2"},
      {"double quotes go", "[A]\nk=\" a b \"\n", "A", "k", " a b "},
      {"single quotes go", "[A]\nk='x'\n", "A", "k", "x"},
      {"quotes that do not match stay", "[A]\nk=\"x'\n", "A", "k", "\"x'"},
      {"one quote stays", "[A]\nk=\"\n", "A", "k", "\""},
      {"an empty value is a value", "[A]\nk=\n", "A", "k", ""},
      {"lines without = are ignored", "[A]\nnoequals\n", "A", "noequals", "<none>"},
      {"lines before the first section are ignored", "k=1\n[A]\nj=2\n", "A", "k", "<none>"},
      {"a repeated section is dropped", "[A]\nk=1\n[B]\nk=2\n[a]\nk=3\nj=4\n", "A", "k", "1"},
      {"nothing of a repeated section is kept", "[A]\nk=1\n[a]\nj=4\n", "A", "j", "<none>"},
      {"a key line goes to its own section", "[A]\nk=1\n[B]\nk=2\n", "b", "k", "2"},
      {"a missing section", "[A]\nk=1\n", "B", "k", "<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Parsed(c.text).ReadString(c.section, c.key, "<none>"), c.expected);
  }
}

TEST(IniFileTest, IntegersAndBooleans) {
  struct Case {
    const char* value;
    int expected;  // read with the default -7
  };
  const std::vector<Case> cases = {
      {"16", 16},   {"-12", -12}, {"+5", 5},   {"0x10", 16}, {"0X1f", 31},      {"'42'", 42},
      {"12abc", -7}, {"1.5", -7},  {"", -7},    {"0x", -7},   {"0xG1", -7},      {"0x-5", -7},
      {"+-3", -7},  {"99999999999", -7}, {"0x80000000", -7}, {"abc", -7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const IniFile ini = Parsed(std::string("[S]\nk=") + c.value + "\n");
    EXPECT_EQ(ini.ReadInteger("S", "k", -7), c.expected);
  }

  const IniFile ini = Parsed("[S]\nzero=0\ntwo=2\nminus=-1\nword=yes\n");
  EXPECT_FALSE(ini.ReadBool("S", "zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "two", false));
  EXPECT_TRUE(ini.ReadBool("S", "minus", false));
  EXPECT_TRUE(ini.ReadBool("S", "word", true));
  EXPECT_FALSE(ini.ReadBool("S", "word", false));
  EXPECT_TRUE(ini.ReadBool("S", "absent", true));
  EXPECT_EQ(ini.ReadInteger("Other", "k", 3), 3);
}

TEST(IniFileTest, WritingReplacesAppendsAndCreatesSectionsInOrder) {
  IniFile ini = Parsed("; head\r\n[Empty]\r\n[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
  ini.WriteString("a", "Y", "5");
  ini.WriteInteger("B", "w", -6);
  ini.WriteBool("C", "k", true);
  EXPECT_EQ(ini.Text(),
            "[A]\r\nx=1\r\ny=5\r\n\r\n"
            "[B]\r\nz=3\r\nw=-6\r\n\r\n"
            "[C]\r\nk=1\r\n\r\n");
}

TEST(IniFileTest, ModifiedOnlyWhenAValueChanges) {
  IniFile ini = Parsed("[A]\nx=1\nq='v'\n");
  ini.WriteInteger("a", "X", 1);
  ini.WriteString("A", "q", "v");
  EXPECT_FALSE(ini.Modified());
  ini.WriteString("A", "x", "2");
  EXPECT_TRUE(ini.Modified());

  IniFile fresh = Parsed("[A]\nx=1\n");
  fresh.WriteString("A", "new", "");
  EXPECT_TRUE(fresh.Modified());
}

TEST(IniFileTest, AwkwardValuesReadBackAsWritten) {
  struct Case {
    std::string value;
    std::string readBack;
  };
  const std::vector<Case> cases = {
      {" leading", " leading"},       {"trailing\t", "trailing\t"}, {"'quoted'", "'quoted'"},
      {"\"dq\"", "\"dq\""},           {"a=b", "a=b"},               {"two\r\nlines", "two  lines"},
      {"/data/Line 1", "/data/Line 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    IniFile ini;
    ini.WriteString("S", "k", c.value);
    ini.WriteString("S", "after", "x");
    const IniFile back = Parsed(ini.Text());
    EXPECT_EQ(back.ReadString("S", "k", "<none>"), c.readBack);
    EXPECT_EQ(back.ReadString("S", "after", "<none>"), "x");
  }
}

class IniFileOnDiskTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  const fs::path dir = scratch.Path();
};

TEST_F(IniFileOnDiskTest, LoadsLineFeedFilesAndRewritesThemShorterWithCrLf) {
  const std::string path = scratch.Write("t.ini", "[A]\nold=a long line that goes away\nk=1\n[B]\nj=2\n\x1A\n");
  IniFile ini(path);
  ASSERT_TRUE(ini.Load().ok);
  EXPECT_EQ(ini.ReadInteger("a", "k", 0), 1);
  EXPECT_EQ(ini.ReadInteger("b", "j", 0), 2);

  IniFile shorter(path);
  shorter.Parse("[A]\nk=1\n");
  ASSERT_TRUE(shorter.UpdateFile().ok);
  EXPECT_EQ(test::ReadWhole(path), "[A]\r\nk=1\r\n\r\n");
  EXPECT_FALSE(shorter.Modified());
}

TEST_F(IniFileOnDiskTest, MissingFileIsEmptyAndWritingCreatesItsDirectory) {
  const fs::path path = dir / "not" / "yet" / "t.ini";
  IniFile ini(path.string());
  ASSERT_TRUE(ini.Load().ok);
  EXPECT_EQ(ini.Text(), "");

  ini.WriteString("S", "k", "v");
  ASSERT_TRUE(ini.UpdateFile().ok);
  IniFile back(path.string());
  ASSERT_TRUE(back.Load().ok);
  EXPECT_EQ(back.ReadString("S", "k", ""), "v");
}

TEST_F(IniFileOnDiskTest, DirectoryInPlaceOfTheFileFailsWithMessages) {
  const fs::path path = dir / "t.ini";
  fs::create_directory(path);
  IniFile ini(path.string());
  const IniResult read = ini.Load();
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.error, "Cannot open file " + path.string());

  ini.WriteString("S", "k", "v");
  const IniResult written = ini.UpdateFile();
  EXPECT_FALSE(written.ok);
  EXPECT_FALSE(written.error.empty());
  EXPECT_TRUE(ini.Modified());
  EXPECT_TRUE(fs::is_directory(path));
}

TEST_F(IniFileOnDiskTest, DirectoryThatCannotBeMadeFails) {
  const std::string blocker = scratch.Write("plain", "x");
  IniFile ini((fs::path(blocker) / "sub" / "t.ini").string());
  ini.WriteString("S", "k", "v");
  const IniResult written = ini.UpdateFile();
  EXPECT_FALSE(written.ok);
  EXPECT_FALSE(written.error.empty());
  EXPECT_EQ(test::ReadWhole(blocker), "x");
}

}  // namespace
}  // namespace tarvo
