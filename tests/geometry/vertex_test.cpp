#include <gtest/gtest.h>

#include <cmath>

#include "geometry/Vertex.hpp"

namespace nest {
namespace {

TEST(VertexTest, RotationAboutItselfLeavesThePointExactly) {
  Vertex v{3.25, -7.5};
  v.RotateAbout(Vertex{3.25, -7.5}, 1.234);
  EXPECT_EQ(v, (Vertex{3.25, -7.5}));
}

TEST(VertexTest, QuarterTurnLeavesACosineResidue) {
  Vertex v{1.0, 0.0};
  v.RotateAbout(Vertex{0.0, 0.0}, Pi() / 2);
  EXPECT_EQ(v.x, std::cos(Pi() / 2));
  EXPECT_NE(v.x, 0.0);
  EXPECT_EQ(v.y, 1.0);
}

TEST(VertexTest, DistanceIsSymmetric) {
  const Vertex a{0.0, 0.0};
  const Vertex b{3.0, 4.0};
  EXPECT_EQ(a.DistanceTo(b), 5.0);
  EXPECT_EQ(b.DistanceTo(a), 5.0);
  EXPECT_EQ(b.DistanceTo(b), 0.0);
}

}  // namespace
}  // namespace nest
