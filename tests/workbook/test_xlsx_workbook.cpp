#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "engine/editing/clipboard_tables.h"
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

TEST_F(WorkbookTest, ShownNumbersAreWrittenAsNumbers) {
  const TCellTable electrodes{"Electrodes", {{TShownNumber{105.5, "105.5"}, TShownNumber{1234.5678, "1234.568"}}}};
  ASSERT_EQ(WriteXlsxWorkbook((dir_ / "e.xlsx").string(), {electrodes}), "");
  EXPECT_EQ(ReadBack(dir_ / "e.xlsx"), "Electrodes|A1=n:105.5|B1=n:1234.5678\n");
}

// Three stations 0, 10, 20 m; layers 0-1, 1-3 and 3- m; a second time set,
// 7 days later, doubles the first layer.
TDataset ModelLine(bool timeLapse) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  ds.StationCount = 3;
  TInversionModel m;
  m.LayerCount = 3;
  m.LayerDepth[1] = 1;
  m.LayerDepth[2] = 3;
  m.Resistivity.Resize(3);
  for (int s = 1; s <= 3; ++s) {
    ds.Stations[s] = 10.0f * static_cast<float>(s - 1);
    m.Resistivity[s][1] = s == 1 ? 1.0f : 100.0f;
    m.Resistivity[s][2] = 20;
    m.Resistivity[s][3] = 5;
  }
  ds.HasModel = true;
  ds.Models.Current = m;
  if (timeLapse) {
    ds.TimeSetCount = 2;
    ds.TimeSetTimes[2] = 7;
    ds.Models.TimeSets[1] = m;
    for (int s = 1; s <= 3; ++s) m.Resistivity[s][1] *= 2;
    ds.Models.TimeSets[2] = m;
  }
  return ds;
}

TEST_F(WorkbookTest, ModelWorkbooksHaveASheetPerLayerThenEmpty) {
  const fs::path layers = WorkbookFileName((dir_ / "line.inv").string(), LayerWorkbookSuffix);
  EXPECT_EQ(layers.filename(), "line_inv.xlsx");
  std::vector<int> progress;
  ASSERT_EQ(WriteXlsxWorkbook(layers.string(), LayerWorkbook(ModelLine(false)),
                              [&](int done, int total) { progress.push_back(done * 10 + total); }),
            "");
  EXPECT_EQ(progress, (std::vector<int>{14, 24, 34, 44}));
  // The logarithm is the program's ln x / 2.302585093.
  EXPECT_EQ(ReadBack(layers),
            "0-1|A1=s:X|B1=s:Ro|C1=s:Log10(Ro)|A2=n:0|B2=n:1|C2=n:0|A3=n:10|B3=n:100|C3=n:1.999999999994829|"
            "A4=n:20|B4=n:100|C4=n:1.999999999994829\n"
            "1-3|A1=s:X|B1=s:Ro|C1=s:Log10(Ro)|A2=n:0|B2=n:20|C2=n:1.301029995660617|A3=n:10|B3=n:20|"
            "C3=n:1.301029995660617|A4=n:20|B4=n:20|C4=n:1.301029995660617\n"
            "3-inf|A1=s:X|B1=s:Ro|C1=s:Log10(Ro)|A2=n:0|B2=n:5|C2=n:0.6989700043342113|A3=n:10|B3=n:5|"
            "C3=n:0.6989700043342113|A4=n:20|B4=n:5|C4=n:0.6989700043342113\n"
            "Empty\n");

  const fs::path differences = WorkbookFileName((dir_ / "line.inv").string(), DifferenceWorkbookSuffix);
  ASSERT_EQ(WriteXlsxWorkbook(differences.string(), *DifferenceWorkbook(ModelLine(true))), "");
  const std::string back = ReadBack(differences);
  EXPECT_EQ(back.substr(0, back.find('\n')), "0-1|A1=s:0-1|A2=s:X|B2=s:Dif_7|A3=n:0|B3=n:100|A4=n:10|B4=n:100|A5=n:20|B5=n:100");
  EXPECT_NE(back.find("\n3-inf|A1=s:3-inf|A2=s:X|B2=s:Dif_7|A3=n:0|B3=n:0|"), std::string::npos) << back;
  EXPECT_EQ(back.substr(back.size() - 6), "Empty\n");
}

TEST(SheetNames, InvalidCharactersAndLengthAreMended) {
  EXPECT_EQ(ValidSheetName("a/b:c[1]"), "a_b_c_1_");
  EXPECT_EQ(ValidSheetName(std::string(40, 'x')), std::string(31, 'x'));
  EXPECT_EQ(ValidSheetName(""), "Sheet");
  EXPECT_EQ(ValidSheetName("'q'"), "_q_");
}

}  // namespace
}  // namespace tarvo
