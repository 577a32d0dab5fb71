#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/data_kind.h"
#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/numbers.h"
#include "engine/import/open_command.h"
#include "engine/import/read_environment.h"
#include "engine/import/syscal_reader.h"
#include "engine/import/syscal_template.h"
#include "engine/sequences/sequence_generator.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "test_files.h"

namespace tarvo {
namespace {

constexpr double Pi = TwoPi / 2.0;

// A state with nothing checked, to check exactly the items a test names.
SequenceGeneratorState Unchecked(GeneratorArray array, int electrodes, int step) {
  SequenceGeneratorState s;
  s.array = array;
  s.electrodes = electrodes;
  s.step = step;
  for (auto& list : s.dipoleChecks) list.fill(false);
  s.wennerChecks.fill(false);
  return s;
}

constexpr CheckListRef MnList(int index) { return CheckListRef{false, index}; }
constexpr CheckListRef WennerList{true, 0};

TEST(SequenceGenerator, PoleDipoleItemOneOverOneGivesThirtyOneQuadripolesWithFourPi) {
  SequenceGeneratorState s = Unchecked(GeneratorArray::PoleDipole, 64, 2);
  s.Checked(MnList(0), 0) = true;

  EXPECT_EQ(TotalQuadripoles(s), 31);
  const std::vector<TQuadripole> quads = GenerateQuadripoles(s);
  ASSERT_EQ(quads.size(), 31u);
  for (std::size_t i = 0; i < quads.size(); ++i) {
    const int m = 3 + 2 * static_cast<int>(i);  // first valid position x = 3.5
    EXPECT_EQ(quads[i].A, m - 1) << i;
    EXPECT_EQ(quads[i].B, 0) << i;
    EXPECT_EQ(quads[i].M, m) << i;
    EXPECT_EQ(quads[i].N, m + 1) << i;
    EXPECT_EQ(quads[i].Flag, 1) << i;
    EXPECT_NEAR(quads[i].K, 4 * Pi, 1e-4) << i;
  }
}

TEST(SequenceGenerator, PlacementsAndFactorsOfTheArrays) {
  struct Case {
    GeneratorArray array;
    int electrodes, am, mn;
    double x;
    bool valid;
    int a, b, m, n;
    double k;
  };
  const Case cases[] = {
      // A would be electrode 0.
      {GeneratorArray::WennerAlpha, 64, 1, 1, 1.5, false, 0, 0, 0, 0, 0},
      {GeneratorArray::WennerAlpha, 64, 1, 1, 2.5, true, 1, 4, 2, 3, 2 * Pi},
      // Shown as 3/1: the potential dipole goes past B, the current dipole is A, A + MN.
      {GeneratorArray::DipoleDipole, 64, 2, 1, 3.5, true, 1, 2, 6, 5, 60 * Pi},
      // The inner electrodes move apart when the current dipole is the longer.
      {GeneratorArray::WennerBeta, 64, 2, 1, 3.5, true, 1, 2, 6, 5, 60 * Pi},
      // Equal gaps keep their places.
      {GeneratorArray::WennerBeta, 64, 1, 1, 2.5, true, 1, 2, 4, 3, 6 * Pi},
      {GeneratorArray::Schlumberger, 64, 2, 1, 4.5, true, 2, 7, 4, 5, 6 * Pi},
      {GeneratorArray::HalfWenner, 64, 3, 3, 5.5, true, 1, 0, 4, 7, 12 * Pi},
      // B beyond the last electrode; pole arrays do not need it.
      {GeneratorArray::Schlumberger, 16, 8, 1, 9.5, false, 0, 0, 0, 0, 0},
      {GeneratorArray::PoleDipole, 16, 8, 1, 9.5, true, 1, 0, 9, 10, 2 * Pi * 8 * 9},
      // N beyond the last electrode.
      {GeneratorArray::PoleDipole, 16, 1, 3, 15.5, false, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(GeneratorArrayNames[static_cast<std::size_t>(c.array)]) + " AM " +
                 std::to_string(c.am) + " MN " + std::to_string(c.mn) + " x " + std::to_string(c.x));
    const Placement p = PlaceQuadripole(c.array, c.electrodes, c.am, c.mn, c.x);
    ASSERT_EQ(p.valid, c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(p.A, c.a);
    EXPECT_EQ(p.B, c.b);
    EXPECT_EQ(p.M, c.m);
    EXPECT_EQ(p.N, c.n);
    EXPECT_NEAR(GeneratedFactor(c.array, p), c.k, 1e-9);
    // The closed form agrees with the general factor over the written electrodes.
    const bool hasB = p.B != 0;
    EXPECT_NEAR(std::fabs(GeneratedFactor(c.array, p)),
                std::fabs(GeometricFactor(p.A - 1, p.B - 1, p.M - 1, p.N - 1, {true, hasB, true, true})), 1e-6);
  }
}

TEST(SequenceGenerator, ItemsOfTheListsAndTheirTexts) {
  EXPECT_EQ(CheckListItem(MnList(0), 0).am, 1);
  EXPECT_EQ(CheckListItem(MnList(5), 2).am, 17);
  EXPECT_EQ(CheckListItem(MnList(5), 2).mn, 15);
  EXPECT_EQ(CheckListItem(WennerList, 3).am, 4);
  EXPECT_EQ(CheckListItem(WennerList, 3).mn, 3);

  // An item is found by the numbers its text shows.
  struct Lookup {
    GeneratorArray array;
    int shownAm, mn;
    bool found;
    CheckListRef list;
    int item;
  };
  const Lookup lookups[] = {
      {GeneratorArray::PoleDipole, 17, 15, true, MnList(5), 2},
      {GeneratorArray::DipoleDipole, 3, 1, true, MnList(0), 1},
      {GeneratorArray::DipoleDipole, 2, 1, false, {}, 0},  // 2 AM - MN is odd for odd MN
      {GeneratorArray::WennerBeta, 4, 3, true, WennerList, 3},
      {GeneratorArray::WennerAlpha, 4, 1, false, {}, 0},
      {GeneratorArray::Schlumberger, 2, 4, false, {}, 0},  // no list for MN = 4
  };
  for (const Lookup& l : lookups) {
    SCOPED_TRACE(std::to_string(l.shownAm) + "/" + std::to_string(l.mn));
    const auto found = FindCheckListItem(l.array, l.shownAm, l.mn);
    ASSERT_EQ(found.has_value(), l.found);
    if (!found) continue;
    EXPECT_EQ(found->list.wenner, l.list.wenner);
    EXPECT_EQ(found->list.dipoleList, l.list.dipoleList);
    EXPECT_EQ(found->item, l.item);
  }

  SequenceGeneratorState s;  // items 1..8 of MN = 1 checked
  EXPECT_EQ(ItemText(s, MnList(0), 0, 2), "  1/1     1.5    (12.566)    31");
  EXPECT_EQ(ItemText(s, MnList(1), 9, 2), "12/3   13.5    (376.99)   ");

  s.array = GeneratorArray::DipoleDipole;  // AM 2 / MN 1 shows as 3/1 with R = AM
  EXPECT_EQ(ItemText(s, MnList(0), 1, 2).substr(0, 22), "  3/1     2    (188.5)");
}

TEST(SequenceGenerator, OverlapMarksFollowTheNextSmallerDipole) {
  SequenceGeneratorState s;  // items 0..7 of MN = 1
  // MN = 3 item i is measured with MN = 1 at item i + 3; MN = 5 goes through MN = 3.
  EXPECT_TRUE(ItemOverlaps(s, MnList(1), 4));
  EXPECT_FALSE(ItemOverlaps(s, MnList(1), 5));
  EXPECT_TRUE(ItemOverlaps(s, MnList(2), 1));
  EXPECT_FALSE(ItemOverlaps(s, MnList(2), 2));
  EXPECT_FALSE(ItemOverlaps(s, MnList(0), 0));
  EXPECT_NE(ItemText(s, MnList(1), 4, 2).find(" Yes"), std::string::npos);
  EXPECT_EQ(ItemText(s, MnList(1), 5, 2).find(" Yes"), std::string::npos);

  s.array = GeneratorArray::DipoleDipole;  // the shift is the difference of the dipoles
  EXPECT_TRUE(ItemOverlaps(s, MnList(1), 5));
  EXPECT_FALSE(ItemOverlaps(s, MnList(1), 6));
  // The last items have no partner in the smaller list.
  s.dipoleChecks[0].fill(true);
  EXPECT_FALSE(ItemOverlaps(s, MnList(1), 48));
}

TEST(SequenceGenerator, GenerationOrderIsLargestDipoleAndLastItemFirst) {
  SequenceGeneratorState s = Unchecked(GeneratorArray::PoleDipole, 24, 2);
  s.Checked(MnList(0), 0) = true;
  s.Checked(MnList(0), 1) = true;
  s.Checked(MnList(1), 0) = true;
  const std::vector<TQuadripole> quads = GenerateQuadripoles(s);
  // Items as (MN, AM) in the order they appear; positions ascend within each.
  std::vector<std::pair<int, int>> items;
  for (std::size_t i = 0; i < quads.size(); ++i) {
    const std::pair<int, int> item{quads[i].N - quads[i].M, quads[i].M - quads[i].A};
    if (items.empty() || items.back() != item) {
      items.push_back(item);
    } else {
      EXPECT_GT(quads[i].M, quads[i - 1].M) << i;
    }
  }
  EXPECT_EQ(items, (std::vector<std::pair<int, int>>{{3, 3}, {1, 2}, {1, 1}}));
  EXPECT_EQ(static_cast<int>(quads.size()), TotalQuadripoles(s));
}

struct Generation {
  test::ScratchFolder folder;
  TDataset ds;
  RecordingMessenger messenger;
  OpenCommandState openState;
  ReadEnvironment env{messenger, "", nullptr};

  Generation() {
    const auto bytes = MakeTemplateBytes();
    env.templatePath = folder.Write(TemplateFileName, std::string(bytes.begin(), bytes.end()));
  }
  GenerateResult Run(const SequenceGeneratorState& s) {
    return GenerateSequence(ds, s, folder.Path().string(), openState, env);
  }
};

TEST(SequenceGenerator, GeneratedSequenceBecomesTheCurrentDataset) {
  Generation g;
  SequenceGeneratorState s = Unchecked(GeneratorArray::WennerAlpha, 24, 1);
  s.Checked(WennerList, 0) = true;  // 1/1
  s.Checked(WennerList, 2) = true;  // 3/3

  const GenerateResult r = g.Run(s);
  ASSERT_TRUE(r.generated);
  EXPECT_TRUE(g.messenger.entries.empty()) << g.messenger.Texts().front();
  const TDataset& ds = g.ds;
  const int total = TotalQuadripoles(s);
  EXPECT_EQ(ds.DataKind, DataKindSequence);
  EXPECT_EQ(ds.PointCount, total);
  EXPECT_EQ(ds.Quads.Size(), total);
  EXPECT_EQ(ds.SeqHeader.QuadCount, total);
  EXPECT_EQ(ds.SeqHeader.ElectrodeTotal, 24);
  EXPECT_EQ(ds.SeqHeader.TitleText(), "new_wa");
  EXPECT_EQ(ds.FileHeader.DocType, DocTypeOld);
  EXPECT_EQ(ds.FileName, g.folder.PathOf("new_wa.seq"));
  EXPECT_EQ(ds.SetCount, 1);
  EXPECT_EQ(ds.Sets[1].Last, total);
  EXPECT_EQ(ds.ArrayType, Wenner);
  EXPECT_EQ(ds.Electrodes[24].X, 23.0f);
  for (int i = 1; i <= ds.PointCount; ++i) {
    EXPECT_EQ(ds.Points[i].Q, 255) << i;
    EXPECT_EQ(ds.Points[i].Rho, ds.Quads[i].K) << i;
    EXPECT_NEAR(ds.Points[i].Spacing, (ds.Points[i].XN - ds.Points[i].XM), 1e-6) << i;
  }
}

TEST(SequenceGenerator, MissingTemplateIsReportedAndTheGenerationGoesOn) {
  Generation g;
  g.env.templatePath = g.folder.PathOf("absent.bin");
  SequenceGeneratorState s = Unchecked(GeneratorArray::DipoleDipole, 16, 2);
  s.Checked(MnList(0), 1) = true;

  EXPECT_TRUE(g.Run(s).generated);
  ASSERT_EQ(g.messenger.Texts(), std::vector<std::string>{"File \"" + g.env.templatePath + "\" not found"});
  EXPECT_EQ(g.ds.PointCount, TotalQuadripoles(s));
  EXPECT_EQ(g.ds.SeqHeader.TitleText(), "new_abmn");
  EXPECT_EQ(g.ds.FileHeader.DocType, DocTypeOld);
  // Headers that never came from a Syscal file are replaced by valid ones,
  // so the sequence can be saved and read again.
  EXPECT_TRUE(g.ds.FileHeader.HasMagic());
}

TEST(SequenceGenerator, SavedSequenceReadsBackUnchanged) {
  for (const bool withTemplate : {true, false}) {
    SCOPED_TRACE(withTemplate ? "template" : "no template");
    Generation g;
    if (!withTemplate) g.env.templatePath = g.folder.PathOf("absent.bin");
    SequenceGeneratorState s = Unchecked(GeneratorArray::DipoleDipole, 32, 1);
    s.Checked(MnList(0), 1) = true;
    s.Checked(MnList(1), 2) = true;
    ASSERT_TRUE(g.Run(s).generated);
    const std::vector<TQuadripole> made = g.ds.Quads.Storage();
    const std::string path = g.folder.PathOf("line.seq");
    const SyscalSaveResult saved = SaveSyscalSequence(
        g.ds, SyscalSaveCaller::UserInterface, false,
        [&](const SaveDialogDescription&) -> std::optional<std::string> { return path; }, g.messenger);
    ASSERT_EQ(saved.outcome, SaveOutcome::Written);

    TDataset back;
    RecordingMessenger quiet;
    ReadEnvironment env{quiet, g.env.templatePath, nullptr};
    ReadIntoDataset(back, ReadInstrumentFile, {path}, env);
    EXPECT_TRUE(quiet.entries.empty());
    ASSERT_EQ(back.DataKind, DataKindSequence);
    EXPECT_EQ(back.Quads.Storage(), made);
    EXPECT_EQ(back.SeqHeader.ElectrodeTotal, 32);
    EXPECT_EQ(back.ArrayType, g.ds.ArrayType);
  }
}

TEST(SequenceGenerator, TheDefaultsAndLongerLinesGenerateWithoutAMessage) {
  // The window's defaults on 64 electrodes, and longer lines: every position
  // the sequence uses fits the dataset, so the operator hears nothing.
  for (const int electrodes : {64, 96, 128, MaxGeneratorElectrodes}) {
    SCOPED_TRACE(electrodes);
    SequenceGeneratorState s;
    s.electrodes = electrodes;
    Generation g;
    EXPECT_TRUE(g.Run(s).generated);
    EXPECT_EQ(g.ds.PointCount, TotalQuadripoles(s));
    EXPECT_EQ(g.messenger.Texts(), std::vector<std::string>{});
    EXPECT_EQ(g.ds.ElectrodePosCount, electrodes);
  }
}

TEST(SequenceGenerator, ElectrodeCountsOutsideTheChoiceAreRefused) {
  // Pole-dipole, step 1 on the largest line: AM a / MN 1 gives n - 1 - a quadripoles.
  SequenceGeneratorState s = Unchecked(GeneratorArray::PoleDipole, MaxGeneratorElectrodes, 1);
  for (int i = 0; i < 3; ++i) s.Checked(MnList(0), i) = true;
  const int n = MaxGeneratorElectrodes;
  ASSERT_EQ(TotalQuadripoles(s), (n - 2) + (n - 3) + (n - 4));
  {
    Generation g;
    EXPECT_TRUE(g.Run(s).generated);
    EXPECT_EQ(g.ds.PointCount, 3 * n - 9);
  }

  struct Refusal {
    int electrodes;
    int items;
    std::string message;
  };
  const Refusal refusals[] = {
      {MaxGeneratorElectrodes + 1, 1,
       "Bad number of electrodes: " + std::to_string(MaxGeneratorElectrodes + 1) +
           "\r\nThe number of electrodes must be between 16 and " + std::to_string(MaxGeneratorElectrodes)},
      {15, 1,
       "Bad number of electrodes: 15\r\nThe number of electrodes must be between 16 and " +
           std::to_string(MaxGeneratorElectrodes)},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.message);
    SequenceGeneratorState t = Unchecked(GeneratorArray::PoleDipole, r.electrodes, 1);
    for (int i = 0; i < r.items; ++i) t.Checked(MnList(0), i) = true;
    Generation g;
    g.ds.DataKind = DataKindResistivityOnly;  // whatever was loaded stays
    g.ds.PointCount = 7;
    EXPECT_FALSE(g.Run(t).generated);
    EXPECT_EQ(g.messenger.Texts(), std::vector<std::string>{r.message});
    EXPECT_EQ(g.ds.DataKind, DataKindResistivityOnly);
    EXPECT_EQ(g.ds.PointCount, 7);
  }
}

TEST(SequenceGenerator, NothingToGenerateIsRefused) {
  Generation g;
  // AM 50 / MN 21 does not fit on 16 electrodes.
  SequenceGeneratorState s = Unchecked(GeneratorArray::PoleDipole, 16, 2);
  s.Checked(MnList(6), CheckListItemCount - 1) = true;
  EXPECT_EQ(TotalQuadripoles(s), 0);
  EXPECT_FALSE(g.Run(s).generated);
  EXPECT_EQ(g.messenger.Texts(), std::vector<std::string>{"No quadripole fits the line: check an AM/MN item"});
  EXPECT_EQ(g.ds.DataKind, DataKindNone);
}

}  // namespace
}  // namespace tarvo
