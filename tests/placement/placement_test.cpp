#include "placement/Placement.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/TestSupport.hpp"
#include "placement/Collision.hpp"
#include "placement/Evaluation.hpp"
#include "search/IDSequence.hpp"

namespace nest {
namespace {

using testing_support::FileConsole;
using testing_support::JobFromText;
using testing_support::PartBlockText;
using testing_support::Rect;
using testing_support::SheetHeader;

const Part& ById(const PackJob& job, int id) {
  for (const Part& p : job.Parts) {
    if (p.ID == id) return p;
  }
  ADD_FAILURE() << "no part with ID " << id;
  return job.Parts[0];
}

bool OnSheet(const PackJob& job, const Part& p) { return FitsInBox(p.OutLoop.Box(), job.SheetBox); }

// Every pair of parts on the sheet may lie where it lies.
void ExpectNoOverlap(const PackJob& job) {
  for (const Part& a : job.Parts) {
    for (const Part& b : job.Parts) {
      if (&a == &b || !OnSheet(job, a) || !OnSheet(job, b)) continue;
      EXPECT_TRUE(PartsCompatible(a, b))
          << a.Name << " (ID " << a.ID << ") and " << b.Name << " (ID " << b.ID << ")";
    }
  }
}

class TwoSquaresTest : public ::testing::Test {
 protected:
  std::unique_ptr<PackJob> Job(double ppd) {
    return JobFromText(SheetHeader(100, 50) + PartBlockText("sq", 2, Rect(0, 0, 10, 10)), 1, ppd);
  }
  FileConsole console_;
};

TEST_F(TwoSquaresTest, SpacingTenStacksThemAtTheLeftEdge) {
  auto job = Job(10);
  const double e = EvaluateSequence(*job, InitialSequence(job->PartCount));
  EXPECT_EQ(e, 0.4);
  EXPECT_EQ(ById(*job, 0).Box, (BoundingBox{0, 10, 0, 10}));
  EXPECT_EQ(ById(*job, 1).Box, (BoundingBox{0, 10, 10, 20}));
  const double total = TotalPartArea(*job);
  EXPECT_EQ(total, 200.0);
  EXPECT_EQ(LayoutLength(*job, total, e), 10.0);
  EXPECT_EQ(job->TypeSlots[0].LastPosition, (Vertex{0, 10}));
  ExpectNoOverlap(*job);
}

TEST_F(TwoSquaresTest, SpacingThirtySlidesTheSecondLeft) {
  auto job = Job(30);
  const double e = EvaluateSequence(*job, InitialSequence(job->PartCount));
  const Part& first = ById(*job, 0);
  const Part& second = ById(*job, 1);
  EXPECT_EQ(first.Box, (BoundingBox{0, 10, 0, 10}));
  EXPECT_NEAR(second.Box.maxX, 20.0, 0.01);
  EXPECT_GE(second.Box.minX, 10.0 - 1e-5);
  EXPECT_NEAR(second.Box.minY, 0.0, 0.01);
  EXPECT_NEAR(e, 0.2, 0.0002);
  EXPECT_NEAR(LayoutLength(*job, TotalPartArea(*job), e), 20.0, 0.01);
  // The type remembers the first-fit point, not where the part came to rest.
  EXPECT_EQ(job->TypeSlots[0].LastPosition, (Vertex{100.0 / 3.0, 0}));
  ExpectNoOverlap(*job);
}

TEST(PlacementTest, PartTooLargeForTheSheetStaysParked) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(100, 50) + PartBlockText("big", 1, Rect(0, 0, 200, 10)) +
                             PartBlockText("sq", 1, Rect(0, 0, 10, 10)),
                         4, 10);
  const double e = EvaluateSequence(*job, InitialSequence(job->PartCount));
  const Part& big = ById(*job, 0);
  EXPECT_EQ(big.Name, "big");
  EXPECT_EQ(big.Box.minX, 100.0);
  EXPECT_EQ(big.Box.maxY, 0.0);
  const Part& sq = ById(*job, 1);
  EXPECT_EQ(sq.Box, (BoundingBox{0, 10, 0, 10}));
  EXPECT_EQ(e, 100.0 / (10.0 * 50.0));
  const double total = TotalPartArea(*job);
  EXPECT_EQ(total, 2100.0);
  // Longer than the used length by the total area over the placed area.
  EXPECT_DOUBLE_EQ(LayoutLength(*job, total, e), 10.0 * 2100.0 / 100.0);
}

TEST(PlacementTest, NothingFitsGivesZeroEfficiency) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(10, 10) + PartBlockText("big", 2, Rect(0, 0, 20, 20)), 4, 1);
  const double e = EvaluateSequence(*job, InitialSequence(job->PartCount));
  EXPECT_EQ(e, 0.0);
  for (const Part& p : job->Parts) EXPECT_EQ(p.Box.minX, 10.0);
}

TEST(PlacementTest, NoPartsGivesZeroEfficiency) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(10, 10), 1, 1);
  EXPECT_EQ(EvaluateSequence(*job, InitialSequence(0)), 0.0);
}

TEST(PlacementTest, SmallPartGoesIntoTheHoleOfAPlacedFrame) {
  FileConsole console;
  // The sheet is as wide as the frame: the only room left of x = 40 is the hole.
  auto job = JobFromText(SheetHeader(100, 40) +
                             PartBlockText("frame", 1, Rect(0, 0, 40, 40), {Rect(10, 10, 30, 30)}) +
                             PartBlockText("sq", 1, Rect(0, 0, 10, 10)),
                         1, 5);
  const double e = EvaluateSequence(*job, InitialSequence(job->PartCount));
  const Part& frame = ById(*job, 0);
  const Part& sq = ById(*job, 1);
  EXPECT_EQ(frame.Box, (BoundingBox{0, 40, 0, 40}));
  EXPECT_GE(sq.Box.minX, 10.0 - 1e-9);
  EXPECT_LE(sq.Box.maxX, 30.0);
  EXPECT_GE(sq.Box.minY, 10.0 - 1e-9);
  EXPECT_LE(sq.Box.maxY, 30.0);
  EXPECT_NEAR(sq.Box.minX, 10.0, 0.01);
  EXPECT_NEAR(sq.Box.minY, 10.0, 0.01);
  EXPECT_EQ(e, 1300.0 / (40.0 * 40.0));
  ExpectNoOverlap(*job);
}

TEST(PlacementTest, TriangleIsNotLaidThroughTheInnerCornerOfAnLHole) {
  FileConsole console;
  auto job = JobFromText(
      SheetHeader(200, 100) +
          PartBlockText("frame", 1, Rect(0, 0, 100, 100),
                        {{{10, 10}, {90, 10}, {90, 30}, {30, 30}, {30, 90}, {10, 90}}}) +
          PartBlockText("triangle", 1, {{0, 0}, {70, 0}, {0, 70}}),
      1, 5);
  const double e = EvaluateSequence(*job, InitialSequence(job->PartCount));
  const Part& frame = ById(*job, 0);
  const Part& tri = ById(*job, 1);
  ASSERT_EQ(tri.Name, "triangle");
  EXPECT_EQ(frame.Box, (BoundingBox{0, 100, 0, 100}));
  ASSERT_TRUE(OnSheet(*job, tri));
  // Not in the hole: it lies right of the frame.
  EXPECT_GE(tri.Box.minX, 100.0 - 1e-5);
  EXPECT_NE(tri.OutLoop.Vertices()[0], (Vertex{10, 10}));
  EXPECT_TRUE(PartsCompatible(frame, tri));
  EXPECT_LT(e, 0.9);
  ExpectNoOverlap(*job);
}

TEST(PlacementTest, QuarterTurnsLetATallPartLieDown) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(100, 20) + PartBlockText("tall", 1, Rect(0, 0, 10, 30)), 4, 5);
  const double e = EvaluateSequence(*job, InitialSequence(job->PartCount));
  const Part& p = ById(*job, 0);
  ASSERT_TRUE(OnSheet(*job, p));
  EXPECT_NEAR(p.Box.maxX - p.Box.minX, 30.0, 1e-9);
  EXPECT_NEAR(p.Box.maxY - p.Box.minY, 10.0, 1e-9);
  EXPECT_TRUE(std::fabs(p.Label.Angle - 90.0) < 1e-9 || std::fabs(p.Label.Angle - 270.0) < 1e-9)
      << p.Label.Angle;
  EXPECT_NEAR(p.Box.minX, 0.0, 0.01);
  EXPECT_NEAR(p.Box.minY, 0.0, 0.01);
  EXPECT_NEAR(e, 300.0 / (30.0 * 20.0), 0.001);
  // With one angle only it cannot be placed.
  auto upright =
      JobFromText(SheetHeader(100, 20) + PartBlockText("tall", 1, Rect(0, 0, 10, 30)), 1, 5);
  EXPECT_EQ(EvaluateSequence(*upright, InitialSequence(1)), 0.0);
}

TEST(PlacementTest, FirstPartOnAnEmptySheetEndsAtTheCorner) {
  FileConsole console;
  // The reference vertex of this triangle is not its lowest-left point, so
  // the slides have work to do.
  auto job =
      JobFromText(SheetHeader(100, 100) + PartBlockText("t", 1, {{0, 0}, {30, 5}, {8, 25}}), 1, 7);
  EvaluateSequence(*job, InitialSequence(1));
  const Part& p = ById(*job, 0);
  ASSERT_TRUE(OnSheet(*job, p));
  EXPECT_LT(p.Box.minX, 0.01);
  EXPECT_GT(p.Box.minX, -0.00001);
  EXPECT_LT(p.Box.minY, 0.01);
  EXPECT_GT(p.Box.minY, -0.00001);
}

TEST(PlacementTest, SlideOfAPartWithoutHeightDoesNothing) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(100, 100) + PartBlockText("flat", 1, {{0, 0}, {10, 0}}), 1, 5);
  Part& p = job->Parts[0];
  p.Translate(40 - p.Box.minX, 50 - p.Box.minY);
  SlideLeft(*job, p);
  SlideDown(*job, p);
  EXPECT_EQ(p.Box.minX, 40.0);
  EXPECT_EQ(p.Box.minY, 50.0);
}

struct Snapshot {
  int id;
  std::vector<std::vector<Vertex>> loops;
  double angle;
};

std::vector<Snapshot> Take(const PackJob& job) {
  std::vector<Snapshot> out;
  for (const Part& p : job.Parts) {
    Snapshot s{p.ID, {p.OutLoop.Vertices()}, p.Label.Angle};
    for (const Loop& h : p.InnerLoops.Loops()) s.loops.push_back(h.Vertices());
    out.push_back(s);
  }
  return out;
}

TEST(PlacementTest, TwoEvaluationsOfOneSequenceGiveTheSameLayout) {
  FileConsole console;
  auto job = JobFromText(
      SheetHeader(400, 120) +
          PartBlockText("frame", 2, Rect(0, 0, 60, 50), {Rect(10, 10, 50, 40)}) +
          PartBlockText("tri", 3, {{0, 0}, {35, 0}, {5, 22}}) +
          PartBlockText("ell", 2, {{0, 0}, {30, 0}, {30, 8}, {8, 8}, {8, 30}, {0, 30}}) +
          PartBlockText("chip", 4, Rect(0, 0, 7, 5)),
      4, 6);
  IDSequence seq = InitialSequence(job->PartCount);
  seq.ids = {5, 0, 10, 3, 7, 1, 9, 2, 6, 4, 8};
  ASSERT_EQ(seq.count(), job->PartCount);
  const double e1 = EvaluateSequence(*job, seq);
  const std::vector<Snapshot> first = Take(*job);
  const std::vector<Vertex> lastPositions{
      job->TypeSlots[0].LastPosition, job->TypeSlots[1].LastPosition,
      job->TypeSlots[2].LastPosition, job->TypeSlots[3].LastPosition};
  ExpectNoOverlap(*job);
  job->RestoreParts();
  const double e2 = EvaluateSequence(*job, seq);
  EXPECT_EQ(e1, e2);
  const std::vector<Snapshot> second = Take(*job);
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].id, second[i].id);
    EXPECT_EQ(first[i].loops, second[i].loops) << "ID " << first[i].id;
    EXPECT_EQ(first[i].angle, second[i].angle);
  }
  for (int t = 0; t < 4; ++t) EXPECT_EQ(job->TypeSlots[t].LastPosition, lastPositions[t]);
}

TEST(PlacementTest, EfficiencyCountsOnlyPartsOnTheSheet) {
  FileConsole console;
  auto job = JobFromText(SheetHeader(100, 50) + PartBlockText("a", 1, Rect(0, 0, 20, 10)) +
                             PartBlockText("b", 1, Rect(0, 0, 10, 10)),
                         1, 10);
  EXPECT_EQ(LayoutEfficiency(*job), 0.0);  // all parked
  Part& a = job->Parts[0];
  a.Translate(30 - a.Box.minX, 5 - a.Box.minY);  // (30,5)-(50,15)
  EXPECT_EQ(LayoutEfficiency(*job), 200.0 / (50.0 * 50.0));
  EXPECT_EQ(TotalPartArea(*job), 300.0);
}

}  // namespace
}  // namespace nest
