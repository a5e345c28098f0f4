#include <gtest/gtest.h>

#include <cmath>

#include "geometry/Trig.hpp"
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

// The Windows build turns with the correctly rounded sine and cosine, the
// Linux build with the C library's; for every turn of up to 38 rotation
// angles the two agree bit for bit.
TEST(VertexTest, RoundedTurnsAreTheLibraryTurnsUpTo38Angles) {
  for (int rn = 1; rn <= 38; ++rn) {
    const double delta = 2 * Pi() / rn;
    for (int k = 0; k < rn; ++k) {
      EXPECT_EQ(RoundedSine(k * delta), std::sin(k * delta)) << k << " of " << rn;
      EXPECT_EQ(RoundedCosine(k * delta), std::cos(k * delta)) << k << " of " << rn;
    }
  }
  // The true sine lies 0.4956 ulp above this one: an evaluation in double
  // precision alone may round up, the correctly rounded one does not.
  EXPECT_EQ(RoundedSine(0x1.49f2a1dc1c91ap-3), 0x1.4885b5a98c647p-3);
  EXPECT_TRUE(std::signbit(RoundedSine(-0.0)));
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
