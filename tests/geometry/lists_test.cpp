#include <gtest/gtest.h>

#include <vector>

#include "app/TestSupport.hpp"
#include "geometry/LoopList.hpp"
#include "geometry/VertexList.hpp"

namespace nest {
namespace {

using testing_support::MakeLoop;

std::vector<Vertex> Walk(const VertexList& list) {
  std::vector<Vertex> out;
  for (std::size_t i = list.First(); i != VertexList::kEnd; i = list.Next(i))
    out.push_back(list.At(i));
  return out;
}

TEST(VertexListTest, IterationMeetsTheEntriesInOrder) {
  VertexList list;
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.First(), VertexList::kEnd);
  list.Assign({{3, 0}, {2, 0}, {1, 0}});
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(Walk(list), (std::vector<Vertex>{{3, 0}, {2, 0}, {1, 0}}));
  EXPECT_EQ(list.ToVector(), Walk(list));
}

TEST(VertexListTest, RemovingDuringAWalkKeepsTheRestInOrder) {
  VertexList list;
  std::vector<Vertex> points;
  for (int i = 0; i < 10; ++i) points.push_back(Vertex{static_cast<double>(i), 0});
  list.Assign(points);
  // Remove every even entry while walking over them.
  for (std::size_t i = list.First(); i != VertexList::kEnd; i = list.Next(i)) {
    if (static_cast<int>(list.At(i).x) % 2 == 0) list.Remove(i);
  }
  EXPECT_EQ(list.Count(), 5u);
  EXPECT_EQ(list.ToVector(), (std::vector<Vertex>{{1, 0}, {3, 0}, {5, 0}, {7, 0}, {9, 0}}));
  // A second walk removes runs of neighbours, the first and the last entry.
  for (std::size_t i = list.First(); i != VertexList::kEnd; i = list.Next(i)) {
    const int x = static_cast<int>(list.At(i).x);
    if (x == 1 || x == 3 || x == 5 || x == 9) list.Remove(i);
  }
  EXPECT_EQ(list.ToVector(), (std::vector<Vertex>{{7, 0}}));
  EXPECT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.At(list.First()), (Vertex{7, 0}));
  EXPECT_EQ(list.Next(list.First()), VertexList::kEnd);
}

TEST(VertexListTest, RemovingARemovedOrMissingEntryChangesNothing) {
  VertexList list;
  list.Assign({{1, 0}, {2, 0}, {3, 0}});
  const std::size_t first = list.First();
  list.Remove(first);
  list.Remove(first);
  list.Remove(VertexList::kEnd);
  list.Remove(17);
  EXPECT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.ToVector(), (std::vector<Vertex>{{2, 0}, {3, 0}}));
}

TEST(VertexListTest, LookupsAfterScatteredRemovalsFindTheNextLiveEntry) {
  // Removals in an arbitrary order, with lookups in between, against a plain
  // model of the live entries.
  VertexList list;
  const int n = 200;
  std::vector<Vertex> points;
  std::vector<bool> alive(n, true);
  for (int i = 0; i < n; ++i) points.push_back(Vertex{static_cast<double>(i), 0});
  list.Assign(points);
  unsigned state = 7;
  for (int step = 0; step < 150; ++step) {
    state = state * 1103515245u + 12345u;
    const std::size_t pos = (state >> 8) % n;
    list.Remove(pos);
    alive[pos] = false;
    const std::size_t from = (state >> 3) % n;
    std::size_t expected = VertexList::kEnd;
    for (std::size_t i = from; i < static_cast<std::size_t>(n); ++i) {
      if (alive[i]) {
        expected = i;
        break;
      }
    }
    ASSERT_EQ(list.FirstFrom(from), expected) << "step " << step;
  }
  std::vector<Vertex> live;
  for (int i = 0; i < n; ++i) {
    if (alive[i]) live.push_back(points[i]);
  }
  EXPECT_EQ(list.ToVector(), live);
  EXPECT_EQ(list.Count(), live.size());
}

TEST(VertexListTest, ClearEmptiesTheList) {
  VertexList list;
  list.Assign({{1, 0}, {2, 0}});
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.First(), VertexList::kEnd);
  EXPECT_TRUE(list.ToVector().empty());
}

std::vector<double> FirstXs(const LoopList& list) {
  std::vector<double> xs;
  for (const Loop& l : list.Loops()) xs.push_back(l.Vertices()[0].x);
  return xs;
}

TEST(LoopListTest, PushFrontPutsTheNewLoopFirst) {
  LoopList list;
  list.PushFront(MakeLoop({{1, 0}, {1, 1}, {0, 1}}));
  list.PushFront(MakeLoop({{2, 0}, {2, 1}, {0, 1}}));
  list.PushFront(MakeLoop({{3, 0}, {3, 1}, {0, 1}}));
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(FirstXs(list), (std::vector<double>{3, 2, 1}));
}

TEST(LoopListTest, CopyFromReversesAndCopyingTheCopyRestoresTheOrder) {
  LoopList l;  // L1, L2, L3 from first to last
  l.PushFront(MakeLoop({{3, 0}, {3, 1}, {0, 1}}));
  l.PushFront(MakeLoop({{2, 0}, {2, 1}, {0, 1}}));
  l.PushFront(MakeLoop({{1, 0}, {1, 1}, {0, 1}}));
  ASSERT_EQ(FirstXs(l), (std::vector<double>{1, 2, 3}));
  LoopList once;
  once.PushFront(MakeLoop({{9, 9}}));  // replaced by the copy
  once.CopyFrom(l);
  EXPECT_EQ(FirstXs(once), (std::vector<double>{3, 2, 1}));
  LoopList twice;
  twice.CopyFrom(once);
  EXPECT_EQ(FirstXs(twice), (std::vector<double>{1, 2, 3}));
  // The copies are deep.
  twice.Loops()[0].Translate(100, 0);
  EXPECT_EQ(FirstXs(l), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(FirstXs(once), (std::vector<double>{3, 2, 1}));
}

TEST(LoopListTest, PushingAnEmptyLoopIsASilentStop) {
  LoopList list;
  EXPECT_TRUE(testing_support::IsStop(testing_support::StopOf([&] { list.PushFront(Loop{}); }),
                                      StopNotice::kSilent));
}

}  // namespace
}  // namespace nest
