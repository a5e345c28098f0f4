#include "parts/Part.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/TestSupport.hpp"
#include "parts/PartCheck.hpp"

namespace nest {
namespace {

using testing_support::MakeLoop;
using testing_support::Rect;

// The 200 x 100 plate with holes, set up as the reader does it: the holes are
// pushed to the front one by one in file order, and Set copies that list,
// which reverses it, so the part lists its holes in the order given here.
Part Plate(const std::vector<std::vector<Vertex>>& holes, const std::string& name = "plate A") {
  LoopList list;
  for (const auto& h : holes) list.PushFront(MakeLoop(h));
  Part p;
  p.Set(name, MakeLoop(Rect(0, 0, 200, 100)), list);
  return p;
}

const std::vector<Vertex> kCentredHole{{50, 25}, {50, 75}, {150, 75}, {150, 25}};
const std::vector<Vertex> kOffsetHole{{20, 20}, {120, 20}, {120, 70}, {20, 70}};

TEST(PartTest, RectangleWithCentredHole) {
  Part p = Plate({kCentredHole});
  EXPECT_EQ(p.Name, "plate A");
  EXPECT_EQ(p.Area, 15000.0);
  EXPECT_EQ(p.Box, (BoundingBox{0, 200, 0, 100}));
  EXPECT_DOUBLE_EQ(p.Centroid.x, 100.0);
  EXPECT_DOUBLE_EQ(p.Centroid.y, 50.0);
  EXPECT_EQ(p.Label.Text, "plate A");
  EXPECT_EQ(p.Label.Height, 10.0);
  EXPECT_DOUBLE_EQ(p.Label.X, 100.0);
  EXPECT_DOUBLE_EQ(p.Label.Y, 50.0);
  EXPECT_EQ(p.Label.Angle, 0.0);
  EXPECT_EQ(p.ID, 0);
  // All outer vertices are about 111.8 away, all hole vertices about 55.9:
  // the first hole vertex wins.
  EXPECT_EQ(p.FindReferenceVertex(), (Vertex{50, 25}));
}

TEST(PartTest, RectangleWithOffsetHole) {
  Part p = Plate({kOffsetHole});
  EXPECT_EQ(p.Area, 15000.0);
  EXPECT_NEAR(p.Centroid.x, 110.0, 1e-9);
  EXPECT_NEAR(p.Centroid.y, 155.0 / 3.0, 1e-9);
  EXPECT_EQ(p.FindReferenceVertex(), (Vertex{120, 70}));
}

TEST(PartTest, ReferenceVertexTieBetweenHolesKeepsTheEarlierHole) {
  // Two holes placed symmetrically about the centroid: their nearest
  // vertices are equally near, and the hole listed first wins.
  const std::vector<Vertex> left{{40, 40}, {40, 60}, {20, 60}, {20, 40}};
  const std::vector<Vertex> right{{160, 60}, {160, 40}, {180, 40}, {180, 60}};
  Part a = Plate({left, right});
  EXPECT_EQ(a.FindReferenceVertex(), (Vertex{40, 40}));
  Part b = Plate({right, left});
  EXPECT_EQ(b.FindReferenceVertex(), (Vertex{160, 60}));
}

TEST(PartTest, LabelHeightIsATenthOfTheSmallerSide) {
  struct Case {
    double w, h, height;
  };
  for (const Case c : {Case{30, 30, 3}, Case{40, 10, 1}, Case{10, 40, 1}}) {
    Part p;
    p.Set("s", MakeLoop(Rect(0, 0, c.w, c.h)), LoopList{});
    EXPECT_DOUBLE_EQ(p.Label.Height, c.height) << c.w << " x " << c.h;
  }
}

TEST(PartTest, RotatingRnTimesBringsTheLabelAngleTo360) {
  for (int rn : {1, 3, 4, 7}) {
    Part p = Plate({kCentredHole});
    const Vertex centre{50, 25};
    for (int k = 0; k < rn; ++k) p.Rotate(centre, 2 * Pi() / rn);
    EXPECT_NEAR(p.Label.Angle, 360.0, 1e-9) << "RN " << rn;
    EXPECT_NEAR(p.Label.X, 100.0, 1e-9);
    EXPECT_NEAR(p.Label.Y, 50.0, 1e-9);
    EXPECT_EQ(p.Label.Height, 10.0);
  }
}

TEST(PartTest, QuarterTurnRecomputesTheBoxButNotTheLabelHeight) {
  Part p = Plate({kCentredHole});
  p.Rotate(Vertex{0, 0}, Pi() / 2);
  EXPECT_NEAR(p.Box.minX, -100.0, 1e-12);
  EXPECT_NEAR(p.Box.maxX, 0.0, 1e-12);
  EXPECT_NEAR(p.Box.minY, 0.0, 1e-12);
  EXPECT_NEAR(p.Box.maxY, 200.0, 1e-12);
  EXPECT_EQ(p.Box, p.OutLoop.Box());
  EXPECT_DOUBLE_EQ(p.Label.Angle, 90.0);
  EXPECT_NEAR(p.Label.X, -50.0, 1e-12);
  EXPECT_NEAR(p.Label.Y, 100.0, 1e-12);
  EXPECT_EQ(p.Label.Height, 10.0);
  EXPECT_EQ(p.Area, 15000.0);
  // The holes turn with the part, each with its own box.
  EXPECT_NEAR(p.InnerLoops.Loops()[0].Box().minX, -75.0, 1e-12);
  EXPECT_NEAR(p.InnerLoops.Loops()[0].Box().maxY, 150.0, 1e-12);
}

TEST(PartTest, TranslationRoundTripRestoresTheCoordinates) {
  Part p = Plate({kOffsetHole});
  const std::vector<Vertex> outer = p.OutLoop.Vertices();
  const std::vector<Vertex> hole = p.InnerLoops.Loops()[0].Vertices();
  const BoundingBox box = p.Box;
  const double area = p.Area;
  const Vertex centroid = p.Centroid;
  const double lx = p.Label.X;
  p.Translate(1234.5678, -0.321);
  EXPECT_NEAR(p.Box.minX, 1234.5678, 1e-9);
  EXPECT_NEAR(p.Box.maxY, 100 - 0.321, 1e-9);
  EXPECT_NEAR(p.Centroid.x, centroid.x + 1234.5678, 1e-9);
  EXPECT_NEAR(p.Label.X, lx + 1234.5678, 1e-9);
  EXPECT_NEAR(p.OutLoop.Vertices()[2].x, 1434.5678, 1e-9);
  EXPECT_NEAR(p.InnerLoops.Loops()[0].Vertices()[1].y, 20 - 0.321, 1e-9);
  p.Translate(-1234.5678, 0.321);
  for (std::size_t i = 0; i < outer.size(); ++i) {
    EXPECT_NEAR(p.OutLoop.Vertices()[i].x, outer[i].x, 1e-9);
    EXPECT_NEAR(p.OutLoop.Vertices()[i].y, outer[i].y, 1e-9);
    EXPECT_NEAR(p.InnerLoops.Loops()[0].Vertices()[i].x, hole[i].x, 1e-9);
    EXPECT_NEAR(p.InnerLoops.Loops()[0].Vertices()[i].y, hole[i].y, 1e-9);
  }
  EXPECT_NEAR(p.Box.maxX, box.maxX, 1e-9);
  EXPECT_NEAR(p.Centroid.y, centroid.y, 1e-9);
  EXPECT_EQ(p.Area, area);
  EXPECT_EQ(p.Label.Height, 10.0);
}

TEST(PartTest, CopyKeepsIdNameAreaBoxAndReversesTheHoles) {
  const std::vector<Vertex> h1{{10, 10}, {20, 10}, {20, 20}, {10, 20}};
  const std::vector<Vertex> h2{{30, 10}, {40, 10}, {40, 20}, {30, 20}};
  const std::vector<Vertex> h3{{50, 10}, {60, 10}, {60, 20}, {50, 20}};
  Part p = Plate({h1, h2, h3});
  p.ID = 17;
  ASSERT_EQ(p.InnerLoops.Count(), 3);
  EXPECT_EQ(p.InnerLoops.Loops()[0].Vertices(), h1);
  Part c = p.Copy();
  EXPECT_EQ(c.ID, 17);
  EXPECT_EQ(c.Name, p.Name);
  EXPECT_EQ(c.Area, p.Area);
  EXPECT_EQ(c.Box, p.Box);
  EXPECT_EQ(c.Centroid, p.Centroid);
  EXPECT_EQ(c.Label.Text, p.Label.Text);
  EXPECT_EQ(c.Label.Height, p.Label.Height);
  EXPECT_EQ(c.OutLoop.Vertices(), p.OutLoop.Vertices());
  ASSERT_EQ(c.InnerLoops.Count(), 3);
  EXPECT_EQ(c.InnerLoops.Loops()[0].Vertices(), h3);
  EXPECT_EQ(c.InnerLoops.Loops()[1].Vertices(), h2);
  EXPECT_EQ(c.InnerLoops.Loops()[2].Vertices(), h1);
  Part cc = c.Copy();
  EXPECT_EQ(cc.InnerLoops.Loops()[0].Vertices(), h1);
  // Deep: moving the copy leaves the source alone.
  c.Translate(5, 5);
  EXPECT_EQ(p.OutLoop.Vertices()[0], (Vertex{0, 0}));
}

TEST(PartTest, SetKeepsTheWholeLongNameInNameAndLabel) {
  const std::string name(98, 'n');
  Part p;
  p.Set(name, MakeLoop(Rect(0, 0, 1, 1)), LoopList{});
  EXPECT_EQ(p.Name, name);
  EXPECT_EQ(p.Label.Text, name);
}

TEST(PartTest, UpdateBoxRecomputesFromTheOuterLoop) {
  Part p = Plate({kCentredHole});
  p.Box = BoundingBox{1, 2, 3, 4};
  EXPECT_EQ(p.UpdateBox(), (BoundingBox{0, 200, 0, 100}));
  EXPECT_EQ(p.Box, (BoundingBox{0, 200, 0, 100}));
}

TEST(PartTest, ComputeAreaSubtractsEveryHole) {
  Part p = Plate({kCentredHole, {{160, 10}, {190, 10}, {190, 20}, {160, 20}}});
  EXPECT_EQ(p.Area, 20000.0 - 5000.0 - 300.0);
  EXPECT_EQ(p.ComputeArea(), 14700.0);
}

TEST(PartTest, AnEmptyOuterLoopIsASilentStop) {
  Part p;
  EXPECT_TRUE(testing_support::IsStop(
      testing_support::StopOf([&] { p.Set("x", Loop{}, LoopList{}); }), StopNotice::kSilent));
  EXPECT_TRUE(testing_support::IsStop(testing_support::StopOf([&] { (void)p.Copy(); }),
                                      StopNotice::kSilent));
}

// Holes that touch the outline or each other, and holes given by decimal
// coordinates that meet the outline only up to rounding, are laid out.
TEST(PartCheckTest, TouchingLoopsAreAccepted) {
  for (const auto& holes : std::vector<std::vector<std::vector<Vertex>>>{
           {{{0, 20}, {30, 10}, {30, 40}}},               // a vertex on the outline
           {{{0, 10}, {30, 10}, {30, 40}, {0, 40}}},      // an edge along the outline
           {Rect(10, 10, 50, 50), Rect(50, 10, 90, 50)}}) {  // two holes side by side
    EXPECT_EQ(CheckPartGeometry(Plate(holes)), PartProblem::kNone);
  }
  // (0.3, 2.7) on the edge x + y = 3, as the reader converts it: the doubles
  // nearest 0.3 and 2.7 add up to 3 + 1.7e-16, just beyond the edge.
  LoopList hole;
  hole.PushFront(MakeLoop({{0.3, 2.7}, {1, 0.5}, {0.5, 1}}));
  Part triangle;
  triangle.Set("t", MakeLoop({{0, 0}, {3, 0}, {0, 3}}), hole);
  EXPECT_EQ(CheckPartGeometry(triangle), PartProblem::kNone);
  Part nearlyFlat;
  nearlyFlat.Set("thin", MakeLoop({{0, 0}, {1e6, 0}, {1e6, 1e-3}}), LoopList{});
  EXPECT_EQ(CheckPartGeometry(nearlyFlat), PartProblem::kNone);
  EXPECT_EQ(PrintableName("a\tb\x7f\xb0\xe5"), "a?b?\xb0\xe5");
}

}  // namespace
}  // namespace nest
