#include "geometry/Loop.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/TestSupport.hpp"
#include "geometry/Vertex.hpp"

namespace nest {
namespace {

using testing_support::MakeLoop;

const std::vector<Vertex> kUnitSquareCcw{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
const std::vector<Vertex> kUnitSquareCw{{0, 0}, {0, 1}, {1, 1}, {1, 0}};

class UnitSquareOrientation : public ::testing::TestWithParam<std::vector<Vertex>> {};

TEST_P(UnitSquareOrientation, AreaBoxAndCentroidDoNotDependOnOrientation) {
  Loop loop = MakeLoop(GetParam());
  EXPECT_EQ(loop.Area(), 1.0);
  EXPECT_EQ(loop.ComputeArea(), 1.0);
  EXPECT_EQ(loop.Box(), (BoundingBox{0.0, 1.0, 0.0, 1.0}));
  EXPECT_EQ(loop.ComputeBox(), (BoundingBox{0.0, 1.0, 0.0, 1.0}));
  const Vertex c = loop.Centroid();
  EXPECT_DOUBLE_EQ(c.x, 0.5);
  EXPECT_DOUBLE_EQ(c.y, 0.5);
}

INSTANTIATE_TEST_SUITE_P(BothOrientations, UnitSquareOrientation,
                         ::testing::Values(kUnitSquareCcw, kUnitSquareCw));

TEST(LoopTest, SetVerticesKeepsTheGivenOrder) {
  const std::vector<Vertex> v{{3, 1}, {-2, 5}, {0, -4}};
  Loop loop = MakeLoop(v);
  ASSERT_EQ(loop.Count(), 3);
  EXPECT_EQ(loop.Vertices(), v);
  EXPECT_EQ(loop.Box(), (BoundingBox{-2.0, 3.0, -4.0, 5.0}));
}

TEST(LoopTest, OneVertexLoopHasNoAreaAPointBoxAndNoFiniteCentroid) {
  Loop loop = MakeLoop({{2.5, -1.5}});
  EXPECT_EQ(loop.Area(), 0.0);
  EXPECT_EQ(loop.Box(), (BoundingBox{2.5, 2.5, -1.5, -1.5}));
  const Vertex c = loop.Centroid();
  EXPECT_FALSE(std::isfinite(c.x));
  EXPECT_FALSE(std::isfinite(c.y));
}

TEST(LoopTest, TwoVertexLoopHasNoArea) {
  Loop loop = MakeLoop({{0, 0}, {4, 3}});
  EXPECT_EQ(loop.Area(), 0.0);
  EXPECT_EQ(loop.Box(), (BoundingBox{0.0, 4.0, 0.0, 3.0}));
}

TEST(LoopTest, AreaOfAConcaveLoop) {
  // An L of 20 x 20 with a 10 x 10 notch cut out of its upper right corner.
  Loop loop = MakeLoop({{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}});
  EXPECT_EQ(loop.Area(), 300.0);
  const Vertex c = loop.Centroid();
  // Three 10 x 10 squares centred at (5,5), (15,5) and (5,15).
  EXPECT_NEAR(c.x, 25.0 / 3.0, 1e-12);
  EXPECT_NEAR(c.y, 25.0 / 3.0, 1e-12);
}

TEST(LoopTest, TranslateShiftsTheBoxAndKeepsTheArea) {
  Loop loop = MakeLoop(kUnitSquareCcw);
  loop.Translate(10.0, -5.0);
  EXPECT_EQ(loop.Vertices(), (std::vector<Vertex>{{10, -5}, {11, -5}, {11, -4}, {10, -4}}));
  EXPECT_EQ(loop.Box(), (BoundingBox{10.0, 11.0, -5.0, -4.0}));
  EXPECT_EQ(loop.Area(), 1.0);
}

TEST(LoopTest, TranslateNeverRecomputesTheStoredArea) {
  // Far from the origin the trapezoid sum of the moved vertices rounds
  // differently; the stored area must stay the one computed when set.
  Loop loop = MakeLoop({{0.1, 0.2}, {3.3, 0.7}, {2.9, 4.1}});
  const double area = loop.Area();
  loop.Translate(123456.789, -98765.4321);
  EXPECT_EQ(loop.Area(), area);
  Loop moved = loop;
  EXPECT_NE(moved.ComputeArea(), area)
      << "pick coordinates whose recomputed area rounds differently";
}

TEST(LoopTest, QuarterTurnOfTheUnitSquare) {
  Loop loop = MakeLoop(kUnitSquareCcw);
  loop.RotateAbout(Vertex{0, 0}, Pi() / 2);
  const double r = std::cos(Pi() / 2);  // about 6.1e-17
  ASSERT_EQ(loop.Count(), 4);
  const std::vector<Vertex>& v = loop.Vertices();
  EXPECT_EQ(v[0], (Vertex{0, 0}));
  EXPECT_DOUBLE_EQ(v[1].x, r);
  EXPECT_DOUBLE_EQ(v[1].y, 1.0);
  EXPECT_DOUBLE_EQ(v[2].x, -1.0);
  EXPECT_DOUBLE_EQ(v[2].y, 1.0);
  EXPECT_DOUBLE_EQ(v[3].x, -1.0);
  EXPECT_NEAR(v[3].y, r, 1e-16);
  EXPECT_NE(v[1].x, 0.0);
  const BoundingBox& b = loop.Box();
  EXPECT_DOUBLE_EQ(b.minX, -1.0);
  EXPECT_DOUBLE_EQ(b.maxX, r);
  EXPECT_EQ(b.minY, 0.0);
  EXPECT_DOUBLE_EQ(b.maxY, 1.0);
  EXPECT_EQ(loop.Area(), 1.0);
}

TEST(LoopTest, RotationDoesNotRecomputeTheArea) {
  // A rotation leaves the stored area alone, even where recomputing it from
  // the turned vertices would round differently.
  Loop loop = MakeLoop({{0.1, 0.2}, {3.3, 0.7}, {2.9, 4.1}});
  const double area = loop.Area();
  for (int i = 0; i < 7; ++i) loop.RotateAbout(Vertex{1.7, -0.3}, 0.9);
  EXPECT_EQ(loop.Area(), area);
}

TEST(LoopTest, NearestVertexTieKeepsTheFirst) {
  Loop loop = MakeLoop(kUnitSquareCcw);
  EXPECT_EQ(loop.NearestVertex(Vertex{0.5, 0.5}), (Vertex{0, 0}));
  Loop cw = MakeLoop({{1, 1}, {1, 0}, {0, 0}, {0, 1}});
  EXPECT_EQ(cw.NearestVertex(Vertex{0.5, 0.5}), (Vertex{1, 1}));
  EXPECT_EQ(loop.NearestVertex(Vertex{0.9, 0.2}), (Vertex{1, 0}));
}

TEST(LoopTest, CopyIsDeep) {
  Loop a = MakeLoop(kUnitSquareCcw);
  Loop b = a;
  b.Translate(5, 5);
  EXPECT_EQ(a.Vertices(), kUnitSquareCcw);
  Loop c = MakeLoop({{7, 7}});
  c = a;
  EXPECT_EQ(c.Vertices(), kUnitSquareCcw);
  EXPECT_EQ(c.Area(), 1.0);
  EXPECT_EQ(c.Box(), a.Box());
}

TEST(LoopTest, CopyConstructionOfAnEmptyLoopIsAllowed) {
  const Loop empty;
  Loop copy(empty);
  EXPECT_EQ(copy.Count(), 0);
}

TEST(LoopTest, AssigningAnEmptyLoopIsASilentStop) {
  const Loop empty;
  Loop target = MakeLoop(kUnitSquareCcw);
  EXPECT_TRUE(testing_support::IsStop(testing_support::StopOf([&] { target = empty; }),
                                      StopNotice::kSilent));
  EXPECT_EQ(target.Count(), 4);
  Loop blank;
  EXPECT_TRUE(testing_support::IsStop(testing_support::StopOf([&] { blank = empty; }),
                                      StopNotice::kSilent));
}

}  // namespace
}  // namespace nest
