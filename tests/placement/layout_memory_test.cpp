// A layout keeps what it learns (the indexes of the parts it placed, and the
// raster of where they certainly lie) for the placements that follow. These tests lay the same jobs out with that memory
// (EvaluateSequence) and without it (PlacePart on its own, part by part), and
// require the same layout to the last bit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/PackJob.hpp"
#include "app/TestSupport.hpp"
#include "placement/Evaluation.hpp"
#include "placement/Placement.hpp"

namespace nest {
namespace {

using testing_support::JobFromText;
using testing_support::PartBlockText;
using testing_support::Rect;
using testing_support::SheetHeader;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every vertex of every part, in list order, as raw bits.
std::vector<double> Coordinates(const PackJob& job) {
  std::vector<double> out;
  for (const Part& p : job.Parts) {
    for (const Vertex& v : p.OutLoop.Vertices()) out.insert(out.end(), {v.x, v.y});
    for (const Loop& h : p.InnerLoops.Loops()) {
      for (const Vertex& v : h.Vertices()) out.insert(out.end(), {v.x, v.y});
    }
    out.insert(out.end(), {p.Label.X, p.Label.Y, p.Label.Angle});
  }
  return out;
}

// Lays the identity order out part by part without a layout memory.
double EvaluateWithoutMemory(PackJob& job) {
  ResetLayout(job);
  for (PartTypeSlot& slot : job.TypeSlots) slot.LastPosition = Vertex{0.0, 0.0};
  for (int id = 0; id < job.PartCount; ++id) {
    for (Part& p : job.Parts) {
      if (p.ID == id) {
        PlacePart(job, p);
        break;
      }
    }
  }
  return LayoutEfficiency(job);
}

void ExpectSameLayoutWithAndWithoutMemory(const std::string& text, int rn, double ppd) {
  auto withMemory = JobFromText(text, rn, ppd);
  auto without = JobFromText(text, rn, ppd);
  const double e1 = EvaluateSequence(*withMemory, InitialSequence(withMemory->PartCount));
  const double e2 = EvaluateWithoutMemory(*without);
  EXPECT_TRUE(SameBits(e1, e2)) << e1 << " vs " << e2;
  const std::vector<double> a = Coordinates(*withMemory);
  const std::vector<double> b = Coordinates(*without);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    ASSERT_TRUE(SameBits(a[i], b[i])) << "value " << i << ": " << a[i] << " vs " << b[i];
  }
  EXPECT_EQ(withMemory->CandidatePoints.ToVector().size(),
            without->CandidatePoints.ToVector().size());
}

// Many copies of a few shapes, with turns: later copies are tested against
// the indexes kept for the earlier ones.
TEST(LayoutMemoryTest, CopiesOfOneBlockGiveTheSameLayoutAsWithoutMemory) {
  const std::string text =
      SheetHeader(400, 120) +
      PartBlockText("frame", 3, Rect(0, 0, 60, 40), {Rect(10, 10, 50, 30)}) +
      PartBlockText("tri", 5, {{0, 0}, {30, 0}, {0, 22}}) +
      PartBlockText("ell", 4, {{0, 0}, {25, 0}, {25, 8}, {8, 8}, {8, 25}, {0, 25}}) +
      PartBlockText("plug", 4, Rect(0, 0, 35, 15));
  ExpectSameLayoutWithAndWithoutMemory(text, 4, 4);
  ExpectSameLayoutWithAndWithoutMemory(text, 3, 5);
}

// Two blocks of identical outline but different names: their type slots stay
// apart.
TEST(LayoutMemoryTest, AlikeBlocksOfOtherNamesGiveTheSameLayoutAsWithoutMemory) {
  const std::string text = SheetHeader(200, 60) + PartBlockText("a", 3, Rect(0, 0, 20, 12)) +
                           PartBlockText("b", 3, Rect(0, 0, 20, 12)) +
                           PartBlockText("c", 2, {{0, 0}, {18, 0}, {9, 14}});
  ExpectSameLayoutWithAndWithoutMemory(text, 2, 3);
}

}  // namespace
}  // namespace nest
