#include "placement/InsideRaster.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "app/TestSupport.hpp"
#include "placement/Collision.hpp"

namespace nest {
namespace {

using testing_support::MakeLoop;
using testing_support::Rect;

Part MakePart(const std::vector<Vertex>& outer, const std::vector<std::vector<Vertex>>& holes = {}) {
  LoopList list;
  for (const auto& h : holes) list.PushFront(MakeLoop(h));
  Part p;
  p.Set("p", MakeLoop(outer), list);
  return p;
}

// Every point the raster gives to a part lies inside its outer loop, and so
// do the points beyond the box tolerance around it; a sliver thinner than
// that gets no cell. A point's run of cells goes up exactly to where its
// column's cells stop being the same part's, also where a part in another's
// hole took that part's cells.
TEST(InsideRasterTest, MarkedPointsLieInTheOuterLoopWithAMargin) {
  Part frame = MakePart(Rect(0.3, 0.2, 20.3, 10.2), {{{5.1, 2.6}, {15.7, 2.6}, {15.7, 7.9}, {5.1, 7.9}}});
  Part wedge = MakePart({{22, 1}, {40, 1.0000001}, {31, 15}});  // a nearly level edge
  Part star = MakePart({{50, 10}, {53, 17}, {60, 18}, {54, 22}, {56, 29}, {50, 25}, {44, 29}, {46, 22}, {40, 18}, {47, 17}});
  Part sliver = MakePart({{10, 30}, {30, 30}, {30, 30.000004}, {10, 30.000004}});
  Part inlay = MakePart(Rect(7, 3.5, 13, 7));  // in the frame's hole
  star.Rotate(Vertex{50, 20}, 0.7);
  InsideRaster raster;
  raster.Reset(70, 40, 0.37);
  const std::vector<const Part*> parts{&frame, &wedge, &star, &sliver, &inlay};
  for (const Part* part : parts) raster.Add(*part);
  int marked = 0;
  const double d = 1.5 * kBoxTolerance;
  for (double x = 0; x < 70; x += 0.37 / 3) {
    for (double y = 0; y < 40; y += 0.37 / 3) {
      const int id = raster.At(x, y);
      if (id == 0) continue;
      ++marked;
      const Part& part = *raster.Parts()[static_cast<std::size_t>(id - 1)];
      ASSERT_NE(&part, &sliver);
      for (const Vertex p : {Vertex{x, y}, Vertex{x - d, y}, Vertex{x + d, y}, Vertex{x, y - d}, Vertex{x, y + d}}) {
        ASSERT_TRUE(IsPointInLoop(ViewOf(part.OutLoop), p)) << p.x << " " << p.y;
      }
      const int top = raster.RunTop(x, y);
      for (int j = static_cast<int>(y * raster.Inverse()); j <= top + 1; ++j) {
        ASSERT_EQ(raster.At(x, (j + 0.5) / raster.Inverse()) == id, j <= top)
            << x << " " << y << " " << j;
      }
    }
  }
  EXPECT_GT(marked, 2000);
}

}  // namespace
}  // namespace nest
