#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/numbers.h"
#include "engine/editing/clipboard_tables.h"
#include "engine/export/sondo_writer.h"
#include "engine/import/inversion_result_reader.h"
#include "engine/import/open_command.h"
#include "test_files.h"

namespace tarvo {
namespace {

// A Res2dInv inversion result of a short Wenner line: the data (five points,
// stations 1.5, 2.5, 3, 3.5 and 4.5 m; a general array on electrodes 2 m
// apart puts them at 3, 5, 6, 7 and 9 m), the layer count, the table of the
// iterations' errors, then per iteration its three-layer model and the
// apparent resistivities it calculates.
//
// Model of iteration k (x 2 in time set 2):
//   layer 1, 0-1 m: 10k | 20k | 40k, boundaries at 2.5 and 4 m (5 and 8 m)
//   layer 2, 1-3 m: 100k | 400k, boundary at 3 m (9 m)
//   layer 3, 3 m-:  1000k
// Calculated apparent resistivity of data line i: 100 + 10 i + k (+ 50 in time set 2).
struct InvFile {
  int iterations = 3;
  bool timeLapse = false;
  bool general = false;
  bool table = true;
  bool calculated = true;

  static constexpr double Stations[5] = {1.5, 2.5, 3.5, 4.5, 3.0};
  static constexpr double GeneralStations[5] = {3, 5, 7, 9, 6};

  static double Calculated(int line, int iteration, int timeSet = 1) {
    return 100 + 10 * line + iteration + (timeSet == 2 ? 50 : 0);
  }

  std::string DataLine(int i, const std::string& values) const {
    const double x = general ? GeneralStations[i - 1] : Stations[i - 1];
    const double a = i == 5 ? (general ? 4 : 2) : (general ? 2 : 1);
    if (!general) return Fmt(x) + " " + Fmt(a) + " " + values;
    const double xa = x - 1.5 * a;
    return "4 " + Fmt(xa) + " 0 " + Fmt(xa + 3 * a) + " 0 " + Fmt(xa + a) + " 0 " + Fmt(xa + 2 * a) + " 0 " + values;
  }

  std::string Values(double first, double second) const {
    return Fmt(first) + (timeLapse ? " " + Fmt(second) : "");
  }

  static std::string Fmt(double v) {
    std::string s = std::to_string(v);
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
  }

  std::string Text() const {
    std::vector<std::string> l = {"Test line", general ? "2" : "1", general ? "11" : "1"};
    if (general) l.insert(l.end(), {"0", "Type of measurement (0=app. resistivity,1=resistance)", "0"});
    l.insert(l.end(), {"5", "1", "0"});
    if (timeLapse) l.insert(l.end(), {"Time-lapse data", "Number of time sets", "2", "Time unit", "days", "Time of set 2", "7"});
    for (int i = 1; i <= 5; ++i) l.push_back(DataLine(i, Values(100, 200)));
    l.insert(l.end(), {"0", "0", "0", "0", "NUMBER OF LAYERS", "3"});
    if (timeLapse) l.insert(l.end(), {TimeSeriesTitle, "0"});
    if (table) {
      l.push_back("Iteration  Time for this iteration  Total Time   RMS Error");
      for (int k = 1; k <= iterations; ++k) l.push_back(std::to_string(k) + " 0.5 " + Fmt(0.5 * k) + " " + Fmt(12.0 / k));
    }
    for (int k = 1; k <= iterations; ++k) {
      const auto v = [&](double rho) { return Values(rho * k, 2 * rho * k); };
      l.insert(l.end(), {"ITERATION " + std::to_string(k), "Model resistivity", "Layer blocks and depths"});
      l.insert(l.end(), {"3 1.0", general ? "3.5 " + v(10) : "2.5 " + v(10), general ? "5 " + v(20) : "4 " + v(20),
                         v(40), ""});
      l.insert(l.end(), {"2 3.0", general ? "5.5 " + v(100) : "3 " + v(100), v(400), ""});
      l.insert(l.end(), {"1", v(1000), ""});
      if (calculated) {
        l.push_back(CalculatedTitle);
        for (int i = 1; i <= 5; ++i) l.push_back(DataLine(i, Values(Calculated(i, k), Calculated(i, k, 2))));
      }
    }
    std::string text;
    for (const auto& line : l) text += line + "\r\n";
    return text;
  }
};

// Answers the number dialog from a list and keeps the questions.
class ScriptedNumbers final : public NumberAsker {
public:
  std::vector<int> answers;
  std::vector<NumberQuestion> questions;
  int AskNumber(const NumberQuestion& q) override {
    questions.push_back(q);
    const std::size_t n = questions.size() - 1;
    return n < answers.size() ? answers[n] : q.value;
  }
};

class InvResultTest : public ::testing::Test {
protected:
  TDataset ds;
  OpenCommandState state;
  RecordingMessenger messenger;
  ScriptedNumbers numbers;
  ReadEnvironment env{messenger, "", nullptr, &numbers};
  test::ScratchFolder scratch;

  std::string Write(const std::string& text, const std::string& name = "line.inv") { return scratch.Write(name, text); }

  // Opens the file as the Open command does with the Res2dInv type.
  OpenResult Open(const std::string& path) {
    OpenRequest request;
    request.files = {path};
    request.filterIndex = Res2dInvFilterIndex;
    return RunOpenCommand(ds, state, request, DefaultReaders(), env);
  }

  float ModelAt(double x, int layer, int timeSet = 0) const {
    const int s = NearestStation(ds, x);
    EXPECT_TRUE(ApproxEqual(ds.Stations[s], x)) << x;
    const TInversionModel& m = timeSet == 0 ? ds.Models.Current : ds.Models.TimeSets[timeSet];
    return m.Resistivity[s][layer];
  }

  std::vector<float> Rhos() const {
    std::vector<float> r;
    for (int i = 1; i <= ds.PointCount; ++i) r.push_back(ds.Points[i].Rho);
    return r;
  }
};

TEST_F(InvResultTest, OpeningAResultReadsTheModelOfTheChosenIteration) {
  numbers.answers = {2};
  const OpenResult result = Open(Write(InvFile{}.Text()));
  ASSERT_TRUE(messenger.entries.empty()) << messenger.Texts().front();
  ASSERT_TRUE(result.loaded);

  // The dialog opens at the last iteration, with the table of errors.
  ASSERT_EQ(numbers.questions.size(), 1u);
  const NumberQuestion& q = numbers.questions[0];
  EXPECT_EQ(q.text, "Select the number of iteration or 0");
  EXPECT_EQ(q.value, 3);
  EXPECT_EQ(q.maximum, 3);
  EXPECT_EQ(q.step, 1);
  EXPECT_TRUE(q.showMemo);
  EXPECT_EQ(q.memo, (std::vector<std::string>{"Iteration  Time for this iteration  Total Time   RMS Error",
                                              "1 0.5 0.5 12", "2 0.5 1 6", "3 0.5 1.5 4"}));

  EXPECT_TRUE(ds.HasModel);
  EXPECT_TRUE(result.enabling.InversionResultsPage);
  EXPECT_TRUE(result.enabling.TimeCopy);
  EXPECT_EQ(ds.Models.ChosenIteration, 2);
  EXPECT_EQ(ds.Models.LastIteration, 3);
  const TInversionModel& m = ds.Models.Current;
  EXPECT_EQ(m.LayerCount, 3);
  EXPECT_FLOAT_EQ(m.LayerDepth[0], 0);
  EXPECT_FLOAT_EQ(m.LayerDepth[1], 1);
  EXPECT_FLOAT_EQ(m.LayerDepth[2], 3);
  EXPECT_EQ(DepthItems(m), (std::vector<std::string>{"0-1", "1-3", "3-inf"}));
  ASSERT_EQ(ds.StationCount, 5);
  ASSERT_EQ(m.Resistivity.Size(), 5);

  // Iteration 2 doubles every block; a station on a block boundary takes the
  // geometric mean of its two blocks.
  const struct {
    double x;
    float layer1, layer2, layer3;
  } expected[] = {
      {1.5, 20, 200, 2000}, {2.5, std::sqrt(20.0f * 40.0f), 200, 2000}, {3.0, 40, std::sqrt(200.0f * 800.0f), 2000},
      {3.5, 40, 800, 2000}, {4.5, 80, 800, 2000},
  };
  for (const auto& e : expected) {
    EXPECT_FLOAT_EQ(ModelAt(e.x, 1), e.layer1) << e.x;
    EXPECT_FLOAT_EQ(ModelAt(e.x, 2), e.layer2) << e.x;
    EXPECT_FLOAT_EQ(ModelAt(e.x, 3), e.layer3) << e.x;
  }
  // Opening does not touch the measured data.
  EXPECT_EQ(Rhos(), std::vector<float>(5, 100.0f));
}

TEST_F(InvResultTest, CancellingTheIterationDialogReadsNoModel) {
  numbers.answers = {0};
  ASSERT_TRUE(Open(Write(InvFile{}.Text())).loaded);
  EXPECT_FALSE(ds.HasModel);
  EXPECT_EQ(ds.Models.ChosenIteration, 0);
  EXPECT_TRUE(messenger.entries.empty());
}

TEST_F(InvResultTest, AFileWithoutIterationsAsksNothingAndReadsNoModel) {
  InvFile f;
  f.iterations = 0;
  const std::string path = Write(f.Text());
  ASSERT_TRUE(Open(path).loaded);
  EXPECT_TRUE(numbers.questions.empty());
  EXPECT_FALSE(ds.HasModel);
  EXPECT_EQ(ReadInvResult(ds, path, {}, env).lastIteration, 0);
}

TEST_F(InvResultTest, WithoutTheTableTheDialogShowsNoMemo) {
  InvFile f;
  f.table = false;
  ASSERT_TRUE(Open(Write(f.Text())).loaded);
  ASSERT_EQ(numbers.questions.size(), 1u);
  EXPECT_FALSE(numbers.questions[0].showMemo);
  EXPECT_TRUE(ds.HasModel);
}

TEST_F(InvResultTest, AGeneralArrayCountsBlockBoundariesInUnitSpacings) {
  InvFile f;
  f.general = true;
  numbers.answers = {1};
  ASSERT_TRUE(Open(Write(f.Text())).loaded);
  ASSERT_TRUE(messenger.entries.empty()) << messenger.Texts().front();
  ASSERT_TRUE(ds.HasModel);
  // Written 3.5, 5 and 5.5 with a unit spacing of 2: 5, 8 and 9 m.
  EXPECT_FLOAT_EQ(ModelAt(3, 1), 10);
  EXPECT_FLOAT_EQ(ModelAt(5, 1), std::sqrt(200.0f));
  EXPECT_FLOAT_EQ(ModelAt(7, 1), 20);
  EXPECT_FLOAT_EQ(ModelAt(9, 1), 40);
  EXPECT_FLOAT_EQ(ModelAt(7, 2), 100);
  EXPECT_FLOAT_EQ(ModelAt(9, 2), 200);
}

TEST_F(InvResultTest, ATimeLapseResultGivesOneModelPerTimeSet) {
  InvFile f;
  f.timeLapse = true;
  numbers.answers = {3};
  ASSERT_TRUE(Open(Write(f.Text())).loaded);
  ASSERT_TRUE(messenger.entries.empty()) << messenger.Texts().front();
  ASSERT_EQ(ds.TimeSetCount, 2);
  ASSERT_TRUE(ds.HasModel);
  EXPECT_FALSE(Open(Write(f.Text())).enabling.CopyMeanModel);
  for (int t : {1, 2}) {
    EXPECT_EQ(ds.Models.TimeSets[t].LayerCount, 3);
    EXPECT_FLOAT_EQ(ds.Models.TimeSets[t].LayerDepth[2], 3);
    EXPECT_FLOAT_EQ(ModelAt(1.5, 1, t), 30.0f * static_cast<float>(t));
    EXPECT_FLOAT_EQ(ModelAt(3.0, 2, t), std::sqrt(300.0f * 1200.0f) * static_cast<float>(t));
    EXPECT_FLOAT_EQ(ModelAt(4.5, 3, t), 3000.0f * static_cast<float>(t));
  }
  EXPECT_FLOAT_EQ(ModelAt(1.5, 1), 30.0f);  // the current model is the first time set's
  EXPECT_EQ(ds.Models.TimeSets[3].LayerCount, 0);
}

TEST_F(InvResultTest, SyntheticCurvesWithoutNoiseAreTheCalculatedValues) {
  for (const bool timeLapse : {false, true}) {
    for (const bool general : {false, true}) {
      SCOPED_TRACE(std::string(timeLapse ? "time-lapse " : "") + (general ? "general array" : "Wenner"));
      ds = TDataset{};
      InvFile f;
      f.timeLapse = timeLapse;
      f.general = general;
      const std::string path = Write(f.Text());
      numbers.answers = {2, 0};
      numbers.questions.clear();
      ASSERT_TRUE(Open(path).loaded);
      ds.Memo = {"Test line"};

      // The chosen iteration is kept: only the noise is asked.
      const InvResultOutcome outcome = ReadInvResult(ds, path, {true, std::nullopt}, env);
      ASSERT_TRUE(messenger.entries.empty()) << messenger.Texts().front();
      EXPECT_TRUE(outcome.modelRead);
      EXPECT_TRUE(outcome.synthetic);
      ASSERT_EQ(numbers.questions.size(), 2u);
      const NumberQuestion& noise = numbers.questions[1];
      EXPECT_EQ(noise.text, "Select level of noice (%)");
      EXPECT_EQ(noise.value, 0);
      EXPECT_EQ(noise.maximum, 12);
      EXPECT_EQ(noise.step, 2);
      EXPECT_FALSE(noise.showMemo);

      const int sets = timeLapse ? 2 : 1;
      ASSERT_EQ(ds.PointCount, 5 * sets);
      EXPECT_EQ(outcome.replaced, 5 * sets);
      for (int t = 1; t <= sets; ++t) {
        for (int i = 1; i <= 5; ++i) {
          const TDataPoint& p = ds.Points[(t - 1) * 5 + i];
          EXPECT_EQ(p.Number, i);
          EXPECT_FLOAT_EQ(p.Rho, static_cast<float>(InvFile::Calculated(i, 2, t))) << t << " " << i;
        }
      }
      EXPECT_EQ(ds.Memo, (std::vector<std::string>{"Test line", SyntheticMemoLine}));
    }
  }
}

TEST_F(InvResultTest, NoiseScattersTheCalculatedValuesReproduciblyFromASeed) {
  const std::string path = Write(InvFile{}.Text());
  numbers.answers = {3, 10};
  ASSERT_TRUE(Open(path).loaded);
  ReadInvResult(ds, path, {true, 42}, env);
  const std::vector<float> first = Rhos();

  numbers.answers = {3, 10};
  numbers.questions.clear();
  ASSERT_TRUE(Open(path).loaded);
  ReadInvResult(ds, path, {true, 42}, env);
  EXPECT_EQ(Rhos(), first);
  int moved = 0;
  for (int i = 1; i <= 5; ++i) {
    const double calculated = InvFile::Calculated(i, 3);
    if (std::fabs(first[static_cast<std::size_t>(i - 1)] - calculated) > 1e-3) ++moved;
    EXPECT_LT(std::fabs(first[static_cast<std::size_t>(i - 1)] / calculated - 1), 0.6);
  }
  EXPECT_EQ(moved, 5);
}

TEST(GaussianNoise, HasTheMeanAndDeviationAsked) {
  GaussianNoise noise(7);
  const int n = 20000;
  double sum = 0, squares = 0;
  for (int i = 0; i < n; ++i) {
    const double v = noise.Next(200, 20);
    sum += v;
    squares += v * v;
  }
  const double mean = sum / n;
  const double deviation = std::sqrt(squares / n - mean * mean);
  EXPECT_NEAR(mean, 200, 0.5);
  EXPECT_NEAR(deviation, 20, 0.5);
}

TEST_F(InvResultTest, SyntheticCurvesNeedTheCalculatedData) {
  InvFile f;
  f.calculated = false;
  const std::string path = Write(f.Text());
  numbers.answers = {3};
  ASSERT_TRUE(Open(path).loaded);
  const InvResultOutcome outcome = ReadInvResult(ds, path, {true, 1}, env);
  EXPECT_TRUE(outcome.modelRead);
  EXPECT_FALSE(outcome.synthetic);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Can not find\r\n\"CALCULATED APPARENT RESISTIVITY\""});
  EXPECT_EQ(Rhos(), std::vector<float>(5, 100.0f));
}

TEST_F(InvResultTest, SyntheticCurvesOfAnotherArrayAreRefused) {
  numbers.answers = {1};
  ASSERT_TRUE(Open(Write(InvFile{}.Text())).loaded);
  std::string other = InvFile{}.Text();
  other.replace(other.find("\r\n1\r\n5\r\n"), 8, "\r\n5\r\n5\r\n");  // array number 5
  ds.Models.ChosenIteration = 1;
  ReadInvResult(ds, Write(other, "other.inv"), {true, 1}, env);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Can not read calculated data\r\nfor array N 5"});
  EXPECT_EQ(Rhos(), std::vector<float>(5, 100.0f));
}

TEST_F(InvResultTest, ABadCalculatedValueStopsTheReplacementThere) {
  std::string text = InvFile{}.Text();
  const std::size_t third = text.find("3.5 1 131\r\n");  // iteration 1, data line 3
  ASSERT_NE(third, std::string::npos);
  text.replace(third, 9, "3.5 1 x");
  const std::string path = Write(text);
  numbers.answers = {1};
  ASSERT_TRUE(Open(path).loaded);
  const InvResultOutcome outcome = ReadInvResult(ds, path, {true, 1}, env);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Can not read\r\napp. resistivity 3"});
  EXPECT_EQ(outcome.replaced, 2);
  EXPECT_EQ(Rhos(), (std::vector<float>{111, 121, 100, 100, 100}));
}

// Damaged results: each gives its message and reads no model.
TEST_F(InvResultTest, DamagedResultsAreReportedAndReadNoModel) {
  const auto replaced = [](bool timeLapse, const std::string& from, const std::string& to) {
    InvFile f;
    f.timeLapse = timeLapse;
    std::string text = f.Text();
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
  };
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {replaced(false, "NUMBER OF LAYERS", "LAYERS"), "Not found\r\nNUMBER OF LAYERS"},
      {replaced(false, "NUMBER OF LAYERS\r\n3", "NUMBER OF LAYERS\r\n1"), "Can not read\r\nNumber of layers"},
      {replaced(false, "NUMBER OF LAYERS\r\n3", "NUMBER OF LAYERS\r\nthree"), "Can not read\r\nNumber of layers"},
      {replaced(false, "NUMBER OF LAYERS\r\n3", "NUMBER OF LAYERS\r\n32"),
       "Too many layers in the model.\r\nMaximal number - 31"},
      {replaced(false, "\r\n3 1.0\r\n", "\r\n0 1.0\r\n"), "Can not read\r\nNumber of blocks for layer 1"},
      {replaced(false, "\r\n3 1.0\r\n", "\r\n99999 1.0\r\n"), "Can not read\r\nNumber of blocks for layer 1"},
      {replaced(false, "\r\n2 3.0\r\n", "\r\n2 0.5\r\n"), "Can not read\r\nThe depth of  layer 2"},
      {replaced(false, "\r\n2.5 10\r\n", "\r\nx 10\r\n"), "Can not read\r\nX of block 1 for layer 1"},
      {replaced(false, "\r\n4 20\r\n", "\r\n4 -20\r\n"), "Can not read\r\nRo of block 2 for layer 1"},
      {replaced(true, "\r\n4 20 40\r\n", "\r\n4 20\r\n"), "Can not read\r\nRo of block 2 for layer 1\r\nTime set -2"},
      {replaced(true, TimeSeriesTitle, "Type of inversion"), "Not found\r\nType of time series inversion"},
      {replaced(true, std::string(TimeSeriesTitle) + "\r\n0", std::string(TimeSeriesTitle) + "\r\nzero"),
       "Can not read\r\nType of time series inversion"},
      {replaced(true, std::string(TimeSeriesTitle) + "\r\n0", std::string(TimeSeriesTitle) + "\r\n1"),
       "This type of time series inversion (sequential) is not support yet"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    ds = TDataset{};
    messenger.entries.clear();
    numbers.answers = {1};
    numbers.questions.clear();
    ASSERT_TRUE(Open(Write(c.text)).loaded);
    EXPECT_EQ(messenger.Texts(), std::vector<std::string>{c.message});
    EXPECT_FALSE(ds.HasModel);
  }
}

TEST_F(InvResultTest, AFailedReadKeepsTheModelLoadedBefore) {
  const std::string path = Write(InvFile{}.Text());
  numbers.answers = {3};
  ASSERT_TRUE(Open(path).loaded);
  ASSERT_TRUE(ds.HasModel);
  std::string damaged = InvFile{}.Text();
  damaged.replace(damaged.find("\r\n2 3.0\r\n"), 9, "\r\n2 0.5\r\n");
  numbers.answers = {1};
  numbers.questions.clear();
  ReadInvResult(ds, Write(damaged, "damaged.inv"), {}, env);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Can not read\r\nThe depth of  layer 2"});
  EXPECT_TRUE(ds.HasModel);
  EXPECT_EQ(ds.Models.Current.LayerCount, 3);
  EXPECT_FLOAT_EQ(ModelAt(1.5, 1), 30);  // still iteration 3, whole
  EXPECT_FLOAT_EQ(ModelAt(1.5, 2), 300);
}

TEST_F(InvResultTest, OpeningAnotherLineDropsTheModel) {
  numbers.answers = {3};
  ASSERT_TRUE(Open(Write(InvFile{}.Text())).loaded);
  ASSERT_TRUE(ds.HasModel);
  std::string data = InvFile{}.Text();
  data.erase(data.find("0\r\n0\r\n0\r\n0\r\nNUMBER"));
  const OpenResult result = Open(Write(data + "0\r\n", "line.dat"));
  ASSERT_TRUE(result.loaded);
  EXPECT_FALSE(ds.HasModel);
  EXPECT_EQ(ds.Models.ChosenIteration, 0);
  EXPECT_FALSE(result.enabling.InversionResultsPage);
}

TEST_F(InvResultTest, AMissingFileIsReported) {
  ReadInvResult(ds, scratch.PathOf("none.inv"), {}, env);
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_FALSE(ds.HasModel);
}

TEST_F(InvResultTest, TheSondoModelFileTakesTheModelRead) {
  numbers.answers = {1};
  const std::string path = Write(InvFile{}.Text());
  ASSERT_TRUE(Open(path).loaded);
  ASSERT_TRUE(WriteSondo(ds, ExportOptions{}, scratch.PathOf("sondo.dat"), messenger, &ds.Models));
  const std::string model = test::ReadWhole(scratch.PathOf("sondo.res"));
  // Station 1.5: layers 10, 100, 1000 and the thicknesses 1 and 2.
  EXPECT_NE(model.find("\r\n1.5\r\n3 0 0\r\n10 100 1000 1000 Ro\r\n1 2  h\r\n"), std::string::npos) << model;
}

TEST(RhoAt, TakesTheBlockOfXAndTheGeometricMeanOnABoundary) {
  const std::vector<double> x = {10, 20};
  const std::vector<double> r = {4, 16, 64};
  const struct {
    double at;
    double rho;
  } cases[] = {{0, 4}, {9.98, 4}, {10.005, 8}, {15, 16}, {19.995, 32}, {20.009, 32}, {20.02, 64}, {100, 64}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(RhoAt(x, r, c.at), c.rho) << c.at;
  EXPECT_DOUBLE_EQ(RhoAt({}, {7}, 3), 7);
  EXPECT_DOUBLE_EQ(RhoAt({5}, {1, 100}, 5), 10);
}

}  // namespace
}  // namespace tarvo
