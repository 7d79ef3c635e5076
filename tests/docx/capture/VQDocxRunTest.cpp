#include "docx/capture/VQDocxRun.h"
#include "docx/capture/VQDocxRunTextBox.h"

#include <gtest/gtest.h>

#include "docx/capture/VQDocxRunPict.h"
#include "office/OfficeTestSupport.h"

namespace {

using namespace vq;
using Runs = std::vector<std::shared_ptr<VQDocxRun>>;

std::shared_ptr<VQDocxRun> MakeRun(uint64_t index, uint64_t length = 1) {
  auto run = std::make_shared<VQDocxRun>();
  run->setPdfScanIndex(index);
  run->pdfScanLength = length;
  return run;
}

Runs RunsAt(std::initializer_list<uint64_t> indexes) {
  Runs runs;
  for (uint64_t i : indexes) runs.push_back(MakeRun(i));
  return runs;
}

TEST(VQDocxRun, NewRunAndTheSecondScanIndex) {
  VQDocxRun run;
  EXPECT_EQ(run.pdfScanIndex(), 0u);
  EXPECT_EQ(run.pdfScanLength, 1u);
  EXPECT_EQ(run.pdfScanIndex_orignal(), VQDocxRun::kNoScanIndex);
  EXPECT_STREQ(run.rProperty.lang, "en-US");
  EXPECT_EQ(run.rProperty.sz, 12);
  EXPECT_EQ(run.displayRect(), RectZero);

  run.setPdfScanIndex(7);  // a captured run has no second index, and keeps none
  EXPECT_EQ(run.pdfScanIndex_orignal(), VQDocxRun::kNoScanIndex);
  run.setPdfScanIndex_orignal(5);
  run.setPdfScanIndex(9);  // once given, the second index follows the first
  EXPECT_EQ(run.pdfScanIndex(), 9u);
  EXPECT_EQ(run.pdfScanIndex_orignal(), 9u);
}

TEST(VQDocxRun, RenumberingSortsAndGivesUpMergedLengths) {
  Runs runs{MakeRun(7, 1), MakeRun(3, 4), MakeRun(12, 1)};
  const auto a = runs[0], b = runs[1], c = runs[2];
  VQDocxRun::UpdateRunArrayPDFScanIndex(runs);
  EXPECT_EQ(runs, (Runs{b, a, c}));
  for (size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(runs[i]->pdfScanIndex(), i);
    EXPECT_EQ(runs[i]->pdfScanLength, 1u);
  }
}

TEST(VQDocxRun, ConsecutiveScanIndexes) {
  struct Case {
    std::vector<uint64_t> indexes;
    bool continued;
  } cases[] = {
      {{}, true},
      {{4}, true},
      {{4, 6, 5}, true},
      {{4, 6}, false},
      {{4, 4, 5}, false},
      {{UINT64_MAX - 1, UINT64_MAX}, true},
      {{UINT64_MAX, UINT64_MAX}, false},  // the largest index must not wrap round to a "next" of 0
  };
  for (const auto& c : cases) {
    Runs runs;
    for (uint64_t i : c.indexes) runs.push_back(MakeRun(i));
    EXPECT_EQ(VQDocxRun::IsPDFScanIndexContinue(runs), c.continued) << ::testing::PrintToString(c.indexes);
    EXPECT_TRUE(std::is_sorted(runs.begin(), runs.end(),
                               [](auto& x, auto& y) { return x->pdfScanIndex() < y->pdfScanIndex(); }));
  }

  struct Pair {
    uint64_t a, b;
    bool continued;
  } pairs[] = {{5, 5, true}, {5, 6, true}, {6, 5, true}, {5, 7, false}, {0, UINT64_MAX, false}};
  for (const auto& p : pairs)
    EXPECT_EQ(MakeRun(p.a)->isPDFScanIndexContinue(*MakeRun(p.b)), p.continued) << p.a << " and " << p.b;
}

TEST(VQDocxRun, FindMaxScanIndexTakesTheFirstOfEquals) {
  EXPECT_EQ(VQDocxRun::FindMaxPDFScanIndex(Runs{}), nullptr);
  Runs runs = RunsAt({2, 9, 4, 9});
  EXPECT_EQ(VQDocxRun::FindMaxPDFScanIndex(runs), runs[1]);

  // The operations take arrays of any kind of run.
  std::vector<std::shared_ptr<VQDocxRunPict>> picts{std::make_shared<VQDocxRunPict>(),
                                                    std::make_shared<VQDocxRunPict>()};
  picts[0]->setPdfScanIndex(3);
  picts[1]->setPdfScanIndex(2);
  EXPECT_TRUE(VQDocxRun::IsPDFScanIndexContinue(picts));
  EXPECT_EQ(picts[0]->pdfScanIndex(), 2u);
}

TEST(VQDocxRun, CopiesKeepTheClassAndEveryField) {
  VQDocxRunPict pict;
  pict.setPdfScanIndex(11);
  pict.pdfScanLength = 3;
  pict.rProperty.sz = 9.5f;
  pict.rProperty.b = 1;
  pict.ctmInfo.yBase = 42;
  pict.ctmInfo.frame = RectMake(1, 2, 3, 4);
  pict.isExtGStateSMask = true;
  pict.isAnnotion = true;
  pict.isShading = true;
  pict.pdfAnnotionIndex = -2;
  pict.pictZIndex = -251657498;

  std::shared_ptr<VQDocxRun> asRun = pict.clone();
  std::shared_ptr<VQDocxRunPict> copy = std::dynamic_pointer_cast<VQDocxRunPict>(asRun);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy.get(), &pict);
  EXPECT_EQ(copy->pdfScanIndex(), 11u);
  EXPECT_EQ(copy->pdfScanIndex_orignal(), VQDocxRun::kNoScanIndex);
  EXPECT_EQ(copy->pdfScanLength, 3u);
  EXPECT_EQ(copy->rProperty.sz, 9.5f);
  EXPECT_EQ(copy->rProperty.b, 1);
  EXPECT_EQ(copy->ctmInfo.yBase, 42);
  EXPECT_EQ(copy->ctmInfo.frame, RectMake(1, 2, 3, 4));
  EXPECT_TRUE(copy->isExtGStateSMask && copy->isAnnotion && copy->isShading);
  EXPECT_EQ(copy->pdfAnnotionIndex, -2);
  EXPECT_EQ(copy->pictZIndex, -251657498);
  EXPECT_EQ(copy->displayRect(), RectZero);

  // A second index set apart from the first is brought back into step.
  VQDocxRun layoutRun;
  layoutRun.setPdfScanIndex(4);
  layoutRun.setPdfScanIndex_orignal(2);
  auto layoutCopy = layoutRun.clone();
  EXPECT_EQ(layoutCopy->pdfScanIndex(), 4u);
  EXPECT_EQ(layoutCopy->pdfScanIndex_orignal(), 4u);
  EXPECT_EQ(typeid(*layoutCopy), typeid(VQDocxRun));
}

TEST(VQDocxRun, BareRunsWriteNothingAndDescribeThemselves) {
  VQDocxRun run;
  VQDocxRunPict pict;
  pict.setPdfScanIndex(17);
  EXPECT_EQ(vqtest::writeXML([&](XMLFileWriter& w) {
              run.writeWithXMLWriter(w);
              pict.writeWithXMLWriter(w);
            }),
            "");
  EXPECT_EQ(pict.description(), fmt::format("<VQDocxRunPict: {}:[pdfScanIndex:17]>", fmt::ptr(&pict)));
  EXPECT_EQ(run.description(), fmt::format("<VQDocxRun: {}>", fmt::ptr(&run)));
}

}  // namespace

TEST(VQDocxRunTextBoxTest, RotationMostBoxesShare) {
  auto box = [](double rotation) {
    auto b = std::make_shared<vq::VQDocxRunTextBox>();
    b->pictInfo = std::make_shared<vq::VQDocxTextBoxInfo>();
    b->pictInfo->rotation = rotation;
    return b;
  };
  const struct {
    std::vector<double> rotations;
    int32_t expected;
  } cases[] = {
      {{}, 0}, {{89, 91, 0}, 90}, {{95}, 0}, {{180, 180, 270}, 180}, {{270, 0, 0}, 0}, {{266}, 270},
  };
  for (const auto& c : cases) {
    vq::VQDocxRunTextBox::Array boxes;
    for (double r : c.rotations) boxes.push_back(box(r));
    EXPECT_EQ(vq::VQDocxRunTextBox::RotationOfRunTextBoxArray(boxes), c.expected) << c.rotations.size();
  }
}
