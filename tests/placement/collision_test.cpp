#include "placement/Collision.hpp"
#include "placement/Obstacles.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/TestSupport.hpp"

namespace nest {
namespace {

using testing_support::MakeLoop;
using testing_support::Rect;

Part MakePart(const std::vector<Vertex>& outer, const std::vector<std::vector<Vertex>>& holes = {},
              int id = 0) {
  LoopList list;
  for (const auto& h : holes) list.PushFront(MakeLoop(h));
  Part p;
  p.Set("p", MakeLoop(outer), list);
  p.ID = id;
  return p;
}

struct PointCase {
  Vertex p;
  bool inside;
};

void PrintTo(const PointCase& c, std::ostream* os) { PrintTo(c.p, os); }

class SquarePointTest : public ::testing::TestWithParam<PointCase> {};

TEST_P(SquarePointTest, RayCrossingsOfTheTenSquare) {
  const Loop ccw = MakeLoop(Rect(0, 0, 10, 10));
  const Loop cw = MakeLoop({{0, 0}, {0, 10}, {10, 10}, {10, 0}});
  EXPECT_EQ(IsPointInLoop(ViewOf(ccw), GetParam().p), GetParam().inside)
      << GetParam().p.x << "," << GetParam().p.y;
  EXPECT_EQ(IsPointInLoop(ViewOf(cw), GetParam().p), GetParam().inside)
      << GetParam().p.x << "," << GetParam().p.y;
}

INSTANTIATE_TEST_SUITE_P(Square, SquarePointTest,
                         ::testing::Values(PointCase{{5, 5}, true}, PointCase{{5, 0}, true},
                                           PointCase{{0, 5}, true}, PointCase{{0, 0}, true},
                                           PointCase{{5, 10}, false}, PointCase{{10, 5}, false},
                                           PointCase{{10.5, 5}, false}, PointCase{{-0.5, 5}, false},
                                           PointCase{{5, -0.5}, false}, PointCase{{10, 10}, false},
                                           PointCase{{9.999999, 9.999999}, true}));

TEST(CollisionTest, PointInLoopUsesTheStoredBox) {
  // The box pre-test reads the stored box: a stale box that excludes the
  // point gives false without looking at the edges.
  Loop square = MakeLoop(Rect(0, 0, 10, 10));
  LoopView view = ViewOf(square);
  view.box = BoundingBox{20, 30, 20, 30};
  EXPECT_FALSE(IsPointInLoop(view, Vertex{5, 5}));
}

TEST(CollisionTest, PointInConcaveLoopAndRayThroughAVertex) {
  const Loop l = MakeLoop({{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}});
  EXPECT_TRUE(IsPointInLoop(ViewOf(l), Vertex{5, 15}));
  EXPECT_TRUE(IsPointInLoop(ViewOf(l), Vertex{15, 5}));
  EXPECT_FALSE(IsPointInLoop(ViewOf(l), Vertex{15, 15}));
  // The ray from (5, 10) passes through the notch corner (10, 10).
  EXPECT_TRUE(IsPointInLoop(ViewOf(l), Vertex{5, 10}));
  const Loop diamond = MakeLoop({{5, 0}, {10, 5}, {5, 10}, {0, 5}});
  EXPECT_TRUE(IsPointInLoop(ViewOf(diamond), Vertex{2, 5}));
  EXPECT_FALSE(IsPointInLoop(ViewOf(diamond), Vertex{1, 1}));
}

TEST(CollisionTest, PointInMaterialExcludesHoles) {
  const Part plate = MakePart(Rect(0, 0, 200, 100), {{{50, 25}, {50, 75}, {150, 75}, {150, 25}}});
  EXPECT_TRUE(IsPointInMaterial(plate, Vertex{10, 10}));
  EXPECT_FALSE(IsPointInMaterial(plate, Vertex{100, 50}));
  EXPECT_FALSE(IsPointInMaterial(plate, Vertex{250, 50}));
}

struct BoxCase {
  BoundingBox part;
  bool fits;
};

void PrintTo(const BoxCase& c, std::ostream* os) { PrintTo(c.part, os); }

class FitsInBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(FitsInBoxTest, SidesMayStickOutByLessThanTheTolerance) {
  EXPECT_EQ(FitsInBox(GetParam().part, BoundingBox{0, 100, 0, 50}), GetParam().fits);
}

INSTANTIATE_TEST_SUITE_P(
    Sheet, FitsInBoxTest,
    ::testing::Values(BoxCase{{0, 100, 0, 50}, true}, BoxCase{{10, 20, 10, 20}, true},
                      BoxCase{{0, 100.000009, 0, 50}, true}, BoxCase{{0, 100.00002, 0, 50}, false},
                      BoxCase{{-0.000009, 10, 0, 10}, true}, BoxCase{{-0.00002, 10, 0, 10}, false},
                      BoxCase{{0, 10, 0, 50.000009}, true}, BoxCase{{0, 10, 0, 50.00002}, false},
                      BoxCase{{0, 10, -0.000009, 10}, true}, BoxCase{{0, 10, -0.00002, 10}, false},
                      BoxCase{{100, 110, -10, 0}, false}));

struct SegmentCase {
  const char* what;
  Vertex a1, a2, b1, b2;
  bool meet;
};

void PrintTo(const SegmentCase& c, std::ostream* os) { *os << c.what; }

class SegmentTest : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentTest, ClosedSegmentsMeet) {
  const SegmentCase& c = GetParam();
  EXPECT_EQ(SegmentsIntersect(c.a1, c.a2, c.b1, c.b2), c.meet) << c.what;
  EXPECT_EQ(SegmentsIntersect(c.b1, c.b2, c.a1, c.a2), c.meet) << c.what << " (swapped)";
}

INSTANTIATE_TEST_SUITE_P(
    Segments, SegmentTest,
    ::testing::Values(SegmentCase{"crossing", {0, 0}, {2, 2}, {0, 2}, {2, 0}, true},
                      SegmentCase{"collinear overlap", {0, 0}, {2, 0}, {1, 0}, {3, 0}, true},
                      SegmentCase{"collinear apart", {0, 0}, {1, 0}, {2, 0}, {3, 0}, false},
                      SegmentCase{
                          "collinear apart, diagonal", {0, 0}, {1, 1}, {2, 2}, {3, 3}, false},
                      SegmentCase{"shared endpoint", {0, 0}, {1, 0}, {1, 0}, {1, 5}, true},
                      SegmentCase{"endpoint on the other", {0, 0}, {2, 0}, {1, 0}, {1, 3}, true},
                      SegmentCase{"parallel", {0, 0}, {2, 0}, {0, 1}, {2, 1}, false},
                      SegmentCase{"near miss", {0, 0}, {2, 0}, {1, 0.001}, {1, 3}, false},
                      SegmentCase{"lines cross outside", {0, 0}, {1, 1}, {3, 0}, {2, 1}, false}));

TEST(CollisionTest, EmptyLoops) {
  const Loop empty;
  const Loop square = MakeLoop(Rect(0, 0, 10, 10));
  EXPECT_TRUE(IsLoopInsideLoop(ViewOf(square), ViewOf(empty)));
  EXPECT_FALSE(LoopEdgesIntersect(ViewOf(empty), ViewOf(square)));
  EXPECT_FALSE(LoopEdgesIntersect(ViewOf(square), ViewOf(empty)));
}

TEST(CollisionTest, LoopEdgesIntersectIncludesTheClosingEdge) {
  const Loop a = MakeLoop({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  // Only a's closing edge (0,10)-(0,0) meets this thin loop.
  const Loop b = MakeLoop({{-1, 5}, {1, 5}, {1, 6}});
  EXPECT_TRUE(LoopEdgesIntersect(ViewOf(a), ViewOf(b)));
  EXPECT_TRUE(LoopEdgesIntersect(ViewOf(b), ViewOf(a)));
  const Loop c = MakeLoop({{2, 2}, {3, 2}, {3, 3}});
  EXPECT_FALSE(LoopEdgesIntersect(ViewOf(a), ViewOf(c)));
}

TEST(CollisionTest, ConvexLoops) {
  EXPECT_TRUE(IsLoopConvex(ViewOf(MakeLoop(Rect(0, 0, 10, 10)))));
  EXPECT_TRUE(IsLoopConvex(ViewOf(MakeLoop({{0, 0}, {0, 10}, {10, 10}, {10, 0}}))));
  EXPECT_TRUE(IsLoopConvex(ViewOf(MakeLoop({{0, 0}, {5, 0}, {10, 0}, {10, 10}}))));
  EXPECT_FALSE(
      IsLoopConvex(ViewOf(MakeLoop({{10, 10}, {90, 10}, {90, 30}, {30, 30}, {30, 90}, {10, 90}}))));
}

struct PairCase {
  const char* what;
  std::vector<Vertex> a;
  std::vector<std::vector<Vertex>> aHoles;
  std::vector<Vertex> b;
  bool compatible;
};

void PrintTo(const PairCase& c, std::ostream* os) { *os << c.what; }

class PairTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(PairTest, CompatibleInBothOrders) {
  const PairCase& c = GetParam();
  const Part a = MakePart(c.a, c.aHoles, 0);
  const Part b = MakePart(c.b, {}, 1);
  EXPECT_EQ(PartsCompatible(a, b), c.compatible) << c.what;
  EXPECT_EQ(PartsCompatible(b, a), c.compatible) << c.what << " (swapped)";
  ShapeBuffer sa;
  ShapeBuffer sb;
  EXPECT_EQ(PartsCompatible(sa.Of(a), sb.Of(b)), c.compatible) << c.what << " (views)";
}

const std::vector<Vertex> kLShape{{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}};
const std::vector<Vertex> kLHole{{10, 10}, {90, 10}, {90, 30}, {30, 30}, {30, 90}, {10, 90}};

INSTANTIATE_TEST_SUITE_P(
    Pairs, PairTest,
    ::testing::Values(
        PairCase{"shared edge", Rect(0, 0, 10, 10), {}, Rect(10, 0, 20, 10), true},
        PairCase{"shared edge above", Rect(0, 0, 10, 10), {}, Rect(0, 10, 10, 20), true},
        PairCase{"boxes overlap by 0.000005",
                 Rect(0, 0, 10, 10),
                 {},
                 Rect(9.999995, 0, 19.999995, 10),
                 true},
        PairCase{"boxes overlap by 0.00002",
                 Rect(0, 0, 10, 10),
                 {},
                 Rect(9.99998, 0, 19.99998, 10),
                 false},
        PairCase{"apart", Rect(0, 0, 10, 10), {}, Rect(30, 30, 40, 40), true},
        PairCase{"overlapping", Rect(0, 0, 10, 10), {}, Rect(5, 5, 15, 15), false},
        PairCase{"cross without vertices inside", Rect(0, 4, 20, 6), {}, Rect(9, 0, 11, 10), false},
        PairCase{"square in the L's notch", kLShape, {}, Rect(10, 10, 20, 20), false},
        PairCase{
            "square in a hole", Rect(0, 0, 20, 20), {Rect(5, 5, 15, 15)}, Rect(7, 7, 12, 12), true},
        PairCase{"square with one corner in the material",
                 Rect(0, 0, 20, 20),
                 {Rect(5, 5, 15, 15)},
                 Rect(12, 7, 17, 12),
                 false},
        PairCase{"square touching the hole's lower left",
                 Rect(0, 0, 20, 20),
                 {Rect(5, 5, 15, 15)},
                 Rect(5, 5, 10, 10),
                 true},
        PairCase{"triangle across the L hole's inner corner",
                 Rect(0, 0, 100, 100),
                 {kLHole},
                 {{10, 10}, {80, 10}, {10, 80}},
                 false},
        PairCase{"triangle in the L hole's arm",
                 Rect(0, 0, 100, 100),
                 {kLHole},
                 {{12, 12}, {80, 12}, {12, 25}},
                 true},
        PairCase{"triangle touching the L hole's corner edges",
                 Rect(0, 0, 100, 100),
                 {kLHole},
                 {{10, 10}, {30, 10}, {10, 30}},
                 true}));

TEST(CollisionTest, ConcaveHoleCrossingIsFoundByEdges) {
  const Loop hole = MakeLoop(kLHole);
  const Loop tri = MakeLoop({{10, 10}, {80, 10}, {10, 80}});
  for (const Vertex& v : tri.Vertices()) ASSERT_TRUE(IsPointInLoop(ViewOf(hole), v));
  EXPECT_FALSE(IsLoopInsideLoop(ViewOf(hole), ViewOf(tri)));
  // In a convex hole every vertex inside is enough.
  const Loop square = MakeLoop(Rect(0, 0, 100, 100));
  EXPECT_TRUE(IsLoopInsideLoop(ViewOf(square), ViewOf(tri)));
}

TEST(CollisionTest, OuterLoopsDisjointStages) {
  const Loop a = MakeLoop(Rect(0, 0, 10, 10));
  EXPECT_TRUE(OuterLoopsDisjoint(ViewOf(a), ViewOf(MakeLoop(Rect(10, 0, 20, 10)))));
  EXPECT_TRUE(OuterLoopsDisjoint(ViewOf(a), ViewOf(MakeLoop(Rect(0, -10, 10, 0)))));
  EXPECT_FALSE(OuterLoopsDisjoint(ViewOf(a), ViewOf(MakeLoop(Rect(2, 2, 4, 4)))));
  EXPECT_FALSE(OuterLoopsDisjoint(ViewOf(MakeLoop(Rect(2, 2, 4, 4))), ViewOf(a)));
  // Boxes overlap, outlines apart.
  const Loop tri1 = MakeLoop({{0, 0}, {10, 0}, {0, 10}});
  const Loop tri2 = MakeLoop({{10, 10}, {10, 2}, {2, 10}});
  EXPECT_TRUE(OuterLoopsDisjoint(ViewOf(tri1), ViewOf(tri2)));
  EXPECT_FALSE(BoxesApart(tri1.Box(), tri2.Box()));
  EXPECT_FALSE(PartsCompatible(MakePart({{0, 0}, {10, 0}, {0, 10}}),
                               MakePart({{10, 10}, {10, 0}, {0, 10}})));
}

class FitsInJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    job_ = testing_support::JobFromText(
        testing_support::SheetHeader(100, 50) +
            testing_support::PartBlockText("a", 1, Rect(0, 0, 20, 20)) +
            testing_support::PartBlockText("b", 1, Rect(0, 0, 10, 10)),
        1, 10);
  }
  Part& Member(int id) {
    for (Part& p : job_->Parts) {
      if (p.ID == id) return p;
    }
    ADD_FAILURE() << "no part with ID " << id;
    return job_->Parts[0];
  }
  testing_support::FileConsole console_;
  std::unique_ptr<PackJob> job_;
};

TEST_F(FitsInJobTest, PartFitsSkipsOnlyThePartItself) {
  Part& a = Member(0);
  Part& b = Member(1);
  a.Translate(-a.Box.minX, -a.Box.minY);  // a at (0,0)-(20,20)
  EXPECT_TRUE(PartFits(*job_, a));
  b.Translate(5 - b.Box.minX, 5 - b.Box.minY);  // b overlaps a
  EXPECT_FALSE(PartFits(*job_, a));
  EXPECT_FALSE(PartFits(*job_, b));
  b.Translate(20, 0);  // b at (25,5)-(35,15)
  EXPECT_TRUE(PartFits(*job_, a));
  EXPECT_TRUE(PartFits(*job_, b));
  b.Translate(70, 0);  // b sticks out of the sheet
  EXPECT_FALSE(PartFits(*job_, b));
}

TEST_F(FitsInJobTest, TrialFitsSkipsTheMemberWithTheSameId) {
  Part& a = Member(0);
  a.Translate(-a.Box.minX, -a.Box.minY);
  // A trial copy of a, lying on a itself, is not tested against a.
  Part trial = a.Copy();
  EXPECT_TRUE(TrialFits(*job_, trial));
  trial.ID = 1;  // as a copy of b it meets a
  EXPECT_FALSE(TrialFits(*job_, trial));
  trial.Translate(30, 0);
  EXPECT_TRUE(TrialFits(*job_, trial));
  // The prepared-trial form agrees.
  TrialShape shape;
  Part source = Member(1).Copy();
  shape.Prepare(source);
  shape.MoveTo(5 - source.Box.minX, 5 - source.Box.minY);
  EXPECT_FALSE(TrialFits(*job_, shape));
  shape.MoveTo(40 - source.Box.minX, 5 - source.Box.minY);
  EXPECT_TRUE(TrialFits(*job_, shape));
  shape.MoveTo(95 - source.Box.minX, 5 - source.Box.minY);
  EXPECT_FALSE(TrialFits(*job_, shape));
}

}  // namespace
}  // namespace nest
