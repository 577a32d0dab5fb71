#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "workbook/xlsx_workbook.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sheet names and every cell as python3's zipfile and XML modules read them:
// "name|r,c=n:value|r,c=s:text..." per sheet, one line each.
std::string ReadBack(const fs::path& workbook) {
  const std::string script = R"PY(
import sys, zipfile, xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
z = zipfile.ZipFile(sys.argv[1])
shared = []
if 'xl/sharedStrings.xml' in z.namelist():
    for si in ET.fromstring(z.read('xl/sharedStrings.xml')).findall('m:si', ns):
        shared.append(''.join(t.text or '' for t in si.iter('{%s}t' % ns['m'])))
book = ET.fromstring(z.read('xl/workbook.xml'))
for k, s in enumerate(book.find('m:sheets', ns).findall('m:sheet', ns), 1):
    out = [s.get('name')]
    sheet = ET.fromstring(z.read('xl/worksheets/sheet%d.xml' % k))
    for c in sheet.iter('{%s}c' % ns['m']):
        v = c.find('m:v', ns).text
        if c.get('t') == 's':
            out.append('%s=s:%s' % (c.get('r'), shared[int(v)]))
        else:
            out.append('%s=n:%s' % (c.get('r'), v))
    print('|'.join(out))
)PY";
  const fs::path py = fs::path(workbook).replace_extension(".py");
  std::ofstream(py) << script;
  const std::string command = "python3 " + py.string() + " " + workbook.string();
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  std::array<char, 512> buffer{};
  while (pipe && fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) text += buffer.data();
  return text;
}

class WorkbookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarvo-workbook-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(WorkbookTest, SheetsHoldNumbersAsNumbersAndTextAsText) {
  TCellTable electrodes{"Electrodes", {{std::string("N"), std::string("X"), std::string("Alt")},
                                       {1.0, 0.0, 102.5},
                                       {2.0, 5.0, TCell{}, std::string("broken")}}};
  TCellTable spacings{"Spacings", {{std::string("a"), 1.25}}};
  int calls = 0, lastDone = 0;
  const std::string error = WriteXlsxWorkbook((dir_ / "line_inv.xlsx").string(), {electrodes, spacings},
                                              [&](int done, int total) {
                                                ++calls;
                                                lastDone = done;
                                                EXPECT_EQ(total, 2);
                                              });
  ASSERT_EQ(error, "");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(lastDone, 2);
  EXPECT_EQ(ReadBack(dir_ / "line_inv.xlsx"),
            "Electrodes|A1=s:N|B1=s:X|C1=s:Alt|A2=n:1|B2=n:0|C2=n:102.5|A3=n:2|B3=n:5|D3=s:broken\n"
            "Spacings|A1=s:a|B1=n:1.25\n");
}

TEST_F(WorkbookTest, EqualTablesGiveEqualBytes) {
  const TCellTable t{"T", {{1.0, 2.0}}};
  ASSERT_EQ(WriteXlsxWorkbook((dir_ / "a.xlsx").string(), {t}), "");
  ASSERT_EQ(WriteXlsxWorkbook((dir_ / "b.xlsx").string(), {t}), "");
  EXPECT_EQ(Slurp(dir_ / "a.xlsx"), Slurp(dir_ / "b.xlsx"));
}

TEST_F(WorkbookTest, RefusedWorkbookLeavesTheTargetAsItWas) {
  const fs::path target = dir_ / "keep.xlsx";
  std::ofstream(target) << "old";
  // Two sheets of one name: the spreadsheet refuses the second.
  const std::string error = WriteXlsxWorkbook(target.string(), {{"Same", {{1.0}}}, {"Same", {{2.0}}}});
  EXPECT_NE(error.find("Same"), std::string::npos) << error;
  EXPECT_EQ(Slurp(target), "old");
  // A folder that does not exist: the platform's message.
  EXPECT_NE(WriteXlsxWorkbook((dir_ / "no" / "such.xlsx").string(), {{"T", {{1.0}}}}), "");
}

TEST(SheetNames, InvalidCharactersAndLengthAreMended) {
  EXPECT_EQ(ValidSheetName("a/b:c[1]"), "a_b_c_1_");
  EXPECT_EQ(ValidSheetName(std::string(40, 'x')), std::string(31, 'x'));
  EXPECT_EQ(ValidSheetName(""), "Sheet");
  EXPECT_EQ(ValidSheetName("'q'"), "_q_");
}

}  // namespace
}  // namespace tarvo
