#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/array_types.h"
#include "core/bad_points.h"
#include "core/dataset.h"
#include "core/layout_analysis.h"
#include "core/messenger.h"
#include "core/numbers.h"
#include "export/export_options.h"
#include "export/sensinv_writer.h"
#include "import/read_environment.h"
#include "import/sensinv_reader.h"
#include "test_support.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

class ScratchFolder {
public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() /
            ("tarvo-sensinv-writer-" + std::string(info->name()) + "-" + std::to_string(std::random_device{}()));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

private:
  fs::path path_;
};

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Crlf(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

std::vector<std::string> SplitCrlf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

::testing::AssertionResult SameBytes(const std::string& written, const std::string& expected) {
  if (written == expected) return ::testing::AssertionSuccess();
  const auto a = SplitCrlf(written);
  const auto b = SplitCrlf(expected);
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return ::testing::AssertionFailure() << "written " << a.size() << " lines, expected " << b.size()
                                       << "; first difference at line " << i + 1 << ":\n  written:  \""
                                       << (i < a.size() ? a[i] : "<none>") << "\"\n  expected: \""
                                       << (i < b.size() ? b[i] : "<none>") << "\"";
}

struct TextPoint {
  test::PointGeometry geometry;
  float rho;
};

// A text dataset on electrodes 7..13 m whose ground falls 0.5 m per metre
// from 100 m, classified, grouped and analysed as after a read: a
// dipole-dipole point with A right of B, one with A left of B, a forward
// pole-dipole, a pole-pole and an asymmetrical point.
TDataset Survey() {
  const TextPoint points[] = {
      {{4, 10, 9, 12, 13}, 100},
      {{4, 7, 8, 10, 11}, 50},
      {{4, 7, 8, 10, 11}, 60},  // marked deleted below
      {{3, 7, NoElectrode, 8, 9}, 30},
      {{2, 7, NoElectrode, 9, NoElectrode}, 40},
      {{4, 7, 13, 8, 9}, 70},
  };
  TDataset ds;
  RecordingMessenger messenger;
  for (const TextPoint& t : points) {
    const int i = test::AddTextPoint(ds, t.geometry);
    TDataPoint& p = ds.Points[i];
    ClassifyPoint(ds, i, messenger);  // absent electrodes take their partner's place
    p.Rho = t.rho;
    p.ZA = 100 - (p.XA - 7) / 2;
    p.ZB = 100 - (p.XB - 7) / 2;
    p.ZM = 100 - (p.XM - 7) / 2;
    p.ZN = 100 - (p.XN - 7) / 2;
  }
  GroupTextPoints(ds, 0, messenger);
  ds.DataKind = DataKindResistivityOnly;
  AnalyseLayout(ds, messenger);
  ToggleDeletedMark(ds.Points[3]);
  return ds;
}

TEST(SensInvWriter, ThreeFilesNumberElectrodesByPosition) {
  ScratchFolder folder;
  TDataset ds = Survey();
  ASSERT_EQ(ds.SetCount, 4);  // dipole-dipole, pole-dipole, pole-pole, asymmetrical
  ds.SeqHeader.SetTitleText("Asymmetr");
  EXPECT_EQ(SensInvDialog(ds).ProposedName, "_symmetr");

  RecordingMessenger messenger;
  const std::string gem = folder.PathOf("line.gem");
  ASSERT_TRUE(WriteSensInv2D(ds, ExportOptions{}, gem, messenger));
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Error 1."});

  EXPECT_TRUE(SameBytes(ReadWhole(gem), Crlf({"1 7 100", "2 8 99.5", "3 9 99", "4 10 98.5", "5 11 98",
                                              "6 12 97.5", "7 13 97"})));
  // B first when it lies left of A, with the factor's sign changed: the
  // first point's K is -24 pi, the second's -24 pi from its geometry, the
  // pole-dipole's and pole-pole's 4 pi.
  EXPECT_TRUE(SameBytes(ReadWhole(folder.PathOf("line.sen")),
                        Crlf({"4 3 -4 6 7", "4 1 -2 4 5", "3 1 2 3", "4 1 0 3 0"})));
  EXPECT_TRUE(SameBytes(ReadWhole(folder.PathOf("line.imp")),
                        Crlf({"-1.3263", "-0.66315", "2.3873", "3.1831"})));
}

TEST(SensInvWriter, ReadsBackAsTheGoodPoints) {
  ScratchFolder folder;
  TDataset ds = Survey();
  // The project's reader takes no pole-pole line ("4 a 0 m 0": N is 0), so
  // the pole-pole point stays out of the round trip.
  ASSERT_EQ(ds.Sets[3].Type, PolePole);
  ToggleDeletedMark(ds.Points[ds.Sets[3].First]);
  RecordingMessenger messenger;
  ASSERT_TRUE(WriteSensInv2D(ds, ExportOptions{}, folder.PathOf("line.gem"), messenger));

  TDataset back;
  back.FileName = folder.PathOf("line.imp");
  RecordingMessenger readMessages;
  ReadEnvironment env{readMessages, {}, nullptr};
  ReadSensInv(back, 0, env);
  ASSERT_EQ(back.DataKind, DataKindResistivityOnly) << ::testing::PrintToString(readMessages.Texts());

  // The written points in order: the good points of the sets of types 1..7.
  std::vector<int> written;
  for (int s = 1; s <= ds.SetCount; ++s) {
    if (ds.Sets[s].Type == Asymmetrical) continue;
    for (int k = ds.Sets[s].First; k <= ds.Sets[s].Last; ++k) {
      if (!IsBad(ds, k)) written.push_back(k);
    }
  }
  ASSERT_EQ(back.PointCount, static_cast<int>(written.size()));
  for (int i = 1; i <= back.PointCount; ++i) {
    const TDataPoint& want = ds.Points[written[static_cast<std::size_t>(i - 1)]];
    const TDataPoint& got = back.Points[i];
    EXPECT_NEAR(got.Rho, want.Rho, 1e-3 * want.Rho) << "point " << i;
    EXPECT_EQ(got.PointType, want.PointType) << "point " << i;
    EXPECT_FLOAT_EQ(got.X, want.X) << "point " << i;
    EXPECT_FLOAT_EQ(got.Spacing, want.Spacing) << "point " << i;
    EXPECT_FLOAT_EQ(got.MN, want.MN) << "point " << i;
    EXPECT_FLOAT_EQ(got.ZM, want.ZM) << "point " << i;
  }
}

TEST(SensInvWriter, PointsOffTheElectrodeListLeaveBothFilesTogether) {
  ScratchFolder folder;
  TDataset ds = Survey();
  // The electrode at 13 m is beyond the list, as after an electrode overflow:
  // the first dipole-dipole point (N at 13 m) cannot be written.
  ds.ElectrodePosCount = 6;
  RecordingMessenger messenger;
  ASSERT_TRUE(WriteSensInv2D(ds, ExportOptions{}, folder.PathOf("line.gem"), messenger));
  EXPECT_EQ(SplitCrlf(ReadWhole(folder.PathOf("line.sen"))),
            (std::vector<std::string>{"4 1 -2 4 5", "3 1 2 3", "4 1 0 3 0"}));
  EXPECT_EQ(SplitCrlf(ReadWhole(folder.PathOf("line.imp"))).size(), 3u);
  ASSERT_EQ(messenger.entries.size(), 2u);
  EXPECT_EQ(messenger.entries[1].kind, MessageKind::Warning);
  EXPECT_NE(messenger.entries[1].text.find("Number of points - 1"), std::string::npos);
}

}  // namespace
}  // namespace tarvo
