#include "placement/GridPoints.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "app/TestSupport.hpp"
#include "placement/Collision.hpp"

namespace nest {
namespace {

using testing_support::FileConsole;
using testing_support::JobFromText;
using testing_support::PartBlockText;
using testing_support::Rect;
using testing_support::SheetHeader;

TEST(CandidateGridTest, HundredByFiftyWithSpacing30) {
  PackJob job;
  job.SheetLength = 100;
  job.SheetWidth = 50;
  job.UpdateSheetBox();
  job.PPD = 30;
  BuildCandidateGrid(job);
  const std::vector<Vertex> points = job.CandidatePoints.ToVector();
  const double third = 100.0 / 3.0;
  const double twoThirds = 200.0 / 3.0;
  EXPECT_EQ(points, (std::vector<Vertex>{{0, 0},
                                         {0, 50},
                                         {third, 0},
                                         {third, 50},
                                         {twoThirds, 0},
                                         {twoThirds, 50},
                                         {100, 0},
                                         {100, 50}}));
  EXPECT_EQ(CandidateGridSize(100, 50, 30), 8.0);
}

TEST(CandidateGridTest, SpacingIsPpdOrALittleMore) {
  PackJob job;  // 6000 x 4000
  job.PPD = 7;
  BuildCandidateGrid(job);
  EXPECT_EQ(job.CandidatePoints.Count(), 858u * 572u);
  const std::vector<Vertex> slots = job.CandidatePoints.ToVector();
  EXPECT_EQ(slots[1], (Vertex{0, 4000.0 / 571}));
  EXPECT_EQ(slots[572], (Vertex{6000.0 / 857, 0}));
  EXPECT_NEAR(slots[572].x, 7.00117, 1e-5);
  EXPECT_NEAR(slots[1].y, 7.00525, 1e-5);
  EXPECT_EQ(slots.back(), (Vertex{6000, 4000}));
  // Ascending x, and ascending y within equal x.
  for (std::size_t i = 1; i < slots.size(); ++i) {
    ASSERT_TRUE(slots[i - 1].x < slots[i].x ||
                (slots[i - 1].x == slots[i].x && slots[i - 1].y < slots[i].y))
        << i;
  }
}

TEST(CandidateGridTest, RemoveCoveredPointsKeepsPointsInHolesAndOutside) {
  FileConsole console;
  auto job = JobFromText(
      SheetHeader(300, 200) + PartBlockText("plate", 1, Rect(0, 0, 200, 100),
                                            {{{50, 25}, {50, 75}, {150, 75}, {150, 25}}}),
      1, 10);
  Part& plate = job->Parts[0];
  plate.Translate(-plate.Box.minX, -plate.Box.minY);
  BuildCandidateGrid(*job);
  const std::vector<Vertex> before = job->CandidatePoints.ToVector();
  RemoveCoveredPoints(*job, plate);
  std::vector<Vertex> expected;
  for (const Vertex& v : before) {
    if (!IsPointInMaterial(plate, v)) expected.push_back(v);
  }
  EXPECT_EQ(job->CandidatePoints.ToVector(), expected);
  EXPECT_LT(expected.size(), before.size());
  // The hole's inner points stay for later parts.
  bool holePoint = false;
  for (const Vertex& v : expected) holePoint = holePoint || (v == Vertex{100, 50});
  EXPECT_TRUE(holePoint);
}

}  // namespace
}  // namespace nest
