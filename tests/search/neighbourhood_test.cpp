#include "search/Neighbourhood.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/TestSupport.hpp"
#include "search/IDSequence.hpp"
#include "search/Random.hpp"

namespace nest {
namespace {

using testing_support::FileConsole;
using testing_support::JobFromText;
using testing_support::PartBlockText;
using testing_support::Rect;
using testing_support::SheetHeader;

IDSequence Seq(std::vector<int> ids, double efficiency = 0.0) {
  IDSequence s;
  s.ids = std::move(ids);
  s.efficiency = efficiency;
  return s;
}

TEST(RandomTest, FirstDrawsForSeedOne) {
  SeedRandom(1);
  std::vector<int> draws;
  for (int i = 0; i < 5; ++i) draws.push_back(DrawRandom());
  EXPECT_EQ(draws, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
}

TEST(RandomTest, SeedingRestartsTheSequenceAndDrawsStayInRange) {
  SeedRandom(0);
  EXPECT_EQ(DrawRandom(), 38);  // (0 * 214013 + 2531011) >> 16
  SeedRandom(1);
  EXPECT_EQ(DrawRandom(), 41);
  SeedRandom(0xFFFFFFFFu);
  for (int i = 0; i < 100000; ++i) {
    const int r = DrawRandom();
    ASSERT_GE(r, 0);
    ASSERT_LE(r, kRandomMax);
  }
  EXPECT_EQ(kDrawToFraction, 3.051850947599719e-05);
}

// A seed whose first draw is the largest one, found by trying seeds.
std::uint32_t SeedWithFirstDraw(int wanted) {
  for (std::uint32_t seed = 0;; ++seed) {
    SeedRandom(seed);
    if (DrawRandom() == wanted) return seed;
  }
}

TEST(DrawWeightedCountTest, OneAlwaysGivesOne) {
  SeedRandom(12345);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(DrawWeightedCount(1), 1);
}

TEST(DrawWeightedCountTest, LargestDrawGivesNAndSmallestGivesOne) {
  const std::uint32_t top = SeedWithFirstDraw(kRandomMax);
  for (int n : {1, 2, 3, 7, 10, 100, 1000, 99999}) {
    SeedRandom(top);
    EXPECT_EQ(DrawWeightedCount(n), n) << "n = " << n;
  }
  const std::uint32_t bottom = SeedWithFirstDraw(0);
  for (int n : {1, 2, 3, 1000}) {
    SeedRandom(bottom);
    EXPECT_EQ(DrawWeightedCount(n), 1) << "n = " << n;
  }
}

TEST(DrawWeightedCountTest, TakesExactlyOneDraw) {
  SeedRandom(1);
  (void)DrawWeightedCount(5);
  EXPECT_EQ(DrawRandom(), 18467);
}

TEST(DrawWeightedCountTest, FrequenciesForThree) {
  SeedRandom(2024);
  const int draws = 60000;
  int counts[4] = {0, 0, 0, 0};
  for (int i = 0; i < draws; ++i) {
    const int k = DrawWeightedCount(3);
    ASSERT_GE(k, 1);
    ASSERT_LE(k, 3);
    ++counts[k];
  }
  EXPECT_NEAR(counts[1] / static_cast<double>(draws), 1.0 / 2, 0.01);
  EXPECT_NEAR(counts[2] / static_cast<double>(draws), 1.0 / 3, 0.01);
  EXPECT_NEAR(counts[3] / static_cast<double>(draws), 1.0 / 6, 0.01);
}

TEST(SwapRandomPairTest, ExchangesTheTwoDrawnPositions) {
  SeedRandom(1);  // draws 41 and 18467: positions 1 and 2 of five
  IDSequence s = Seq({0, 1, 2, 3, 4}, 0.25);
  SwapRandomPair(s);
  EXPECT_EQ(s.ids, (std::vector<int>{0, 2, 1, 3, 4}));
  EXPECT_EQ(s.efficiency, 0.25);
  EXPECT_EQ(DrawRandom(), 6334);
  // Equal positions leave the sequence as it was: 6334 and 26500 are both
  // even, so with two positions both draws pick position 0.
  SeedRandom(1);
  (void)DrawRandom();
  (void)DrawRandom();
  IDSequence two = Seq({7, 9});
  SwapRandomPair(two);
  EXPECT_EQ(two.ids, (std::vector<int>{7, 9}));
}

// The counts the early end rests on, and membership, against a plain set:
// through growth and through erasures in the middle of probe runs (a table
// up to three quarters full has long runs).
TEST(VisitedSetTest, CountsStayExactThroughGrowthAndErasure) {
  VisitedSet set;
  std::set<std::vector<int>> model;
  std::mt19937 rng(7);
  for (int step = 0; step < 20000; ++step) {
    const std::vector<int> ids{static_cast<int>(rng() % 40), static_cast<int>(rng() % 40),
                               static_cast<int>(rng() % 3)};
    const IDSequence s = Seq(ids);
    if (rng() % 4 == 0) {
      EXPECT_EQ(set.Erase(FingerprintOf(s)), model.erase(ids) == 1) << step;
    } else {
      EXPECT_EQ(set.Insert(s), model.insert(ids).second) << step;
    }
    ASSERT_EQ(set.Count(), static_cast<long long>(model.size())) << step;
  }
  for (int a = 0; a < 40; ++a) {
    for (int b = 0; b < 40; ++b) {
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(set.Contains(Seq({a, b, c})), model.count({a, b, c}) == 1) << a << b << c;
      }
    }
  }
  set.Clear();
  EXPECT_EQ(set.Count(), 0);
  EXPECT_FALSE(set.Contains(Seq({1, 2, 0})));
}

TEST(VisitedSetTest, EqualityIgnoresEfficiencyAndNeedsEqualLengths) {
  EXPECT_TRUE(Seq({0, 1, 2}, 0.1).Equals(Seq({0, 1, 2}, 0.9)));
  EXPECT_FALSE(Seq({0, 1, 2}).Equals(Seq({0, 2, 1})));
  EXPECT_FALSE(Seq({0, 1}).Equals(Seq({0, 1, 2})));
  EXPECT_FALSE(Seq({0, 0}).Equals(Seq({0})));
  VisitedSet list;
  list.Insert(Seq({0, 1, 2}, 0.3));
  list.Insert(Seq({5}, 0.3));
  EXPECT_TRUE(list.Contains(Seq({0, 1, 2}, 0.99)));
  EXPECT_FALSE(list.Contains(Seq({0, 1})));
  EXPECT_FALSE(list.Contains(Seq({0, 1, 2, 0})));
  EXPECT_FALSE(list.Contains(Seq({5, 0})));
  EXPECT_TRUE(list.Contains(Seq({5})));
}

TEST(IDSequenceTest, InitialSequenceIsTheIdentity) {
  const IDSequence s = InitialSequence(4);
  EXPECT_EQ(s.ids, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(s.count(), 4);
  EXPECT_EQ(s.efficiency, 0.0);
  IDSequence t;
  const int ids[] = {3, 1};
  t.Set(ids, 2, 0.5);
  EXPECT_EQ(t.ids, (std::vector<int>{3, 1}));
  EXPECT_EQ(t.efficiency, 0.5);
}

class NeighbourhoodTest : public ::testing::Test {
 protected:
  // Types in file order: "a" (2 copies), "b" (2 copies), "c" (1 copy), and a
  // fourth block named "a" again (1 copy), which counts as type 0.
  void SetUp() override {
    job_ = JobFromText(SheetHeader(500, 500) + PartBlockText("a", 2, Rect(0, 0, 10, 10)) +
                           PartBlockText("b", 2, Rect(0, 0, 9, 9)) +
                           PartBlockText("c", 1, Rect(0, 0, 8, 8)) +
                           PartBlockText("a", 1, Rect(0, 0, 7, 7)),
                       1, 10);
  }
  FileConsole console_;
  std::unique_ptr<PackJob> job_;
};

TEST_F(NeighbourhoodTest, TypeSequenceMapsNamesToTheFirstBlock) {
  ASSERT_EQ(job_->PartCount, 6);
  // IDs by area: a, a, b, b, c, second "a" block.
  const IDSequence t = ToTypeSequence(*job_, Seq({5, 4, 3, 2, 1, 0}, 0.625));
  EXPECT_EQ(t.ids, (std::vector<int>{0, 2, 1, 1, 0, 0}));
  EXPECT_EQ(t.efficiency, 0.625);
  // Exchanging two parts of one type gives the same type sequence.
  EXPECT_TRUE(ToTypeSequence(*job_, Seq({0, 1, 2, 3, 4, 5}))
                  .Equals(ToTypeSequence(*job_, Seq({5, 1, 3, 2, 4, 0}))));
}

TEST_F(NeighbourhoodTest, DistinctTypeSequencesOfTheJob) {
  // Three parts of type "a", two of "b", one of "c": 6! / (3! 2! 1!).
  EXPECT_EQ(DistinctTypeSequences(*job_), 60);
}

TEST_F(NeighbourhoodTest, MakeNeighboursNeverReturnsAVisitedTypeSequence) {
  const IDSequence start = InitialSequence(job_->PartCount);
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    SeedRandom(seed);
    VisitedSet visited;
    visited.Insert(ToTypeSequence(*job_, start));
    IDSequence current = start;
    // Walk on, each neighbour visited, until most type sequences are used up.
    for (int step = 0; step < 45; ++step) {
      std::vector<IDSequence> out;
      MakeNeighbours(*job_, current, out, 2, visited);
      ASSERT_EQ(out.size(), 2u);
      const IDSequence t0 = ToTypeSequence(*job_, out[0]);
      const IDSequence t1 = ToTypeSequence(*job_, out[1]);
      ASSERT_FALSE(visited.Contains(t0)) << "seed " << seed << " step " << step;
      ASSERT_FALSE(visited.Contains(t1)) << "seed " << seed << " step " << step;
      ASSERT_FALSE(t0.Equals(t1)) << "seed " << seed << " step " << step;
      std::multiset<int> ids(out[0].ids.begin(), out[0].ids.end());
      ASSERT_EQ(ids, (std::multiset<int>{0, 1, 2, 3, 4, 5}));
      visited.Insert(t0);
      visited.Insert(t1);
      current = out[step % 2];
      if (visited.Count() + 2 > DistinctTypeSequences(*job_)) break;
    }
  }
}

TEST_F(NeighbourhoodTest, MakeAdjacentSwapNeighbourNeverReturnsAVisitedTypeSequence) {
  const IDSequence start = InitialSequence(job_->PartCount);
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    SeedRandom(seed);
    VisitedSet visited;
    visited.Insert(ToTypeSequence(*job_, start));
    IDSequence current = start;
    for (int step = 0; step < 50; ++step) {
      IDSequence out;
      MakeAdjacentSwapNeighbour(*job_, current, out, visited);
      const IDSequence t = ToTypeSequence(*job_, out);
      ASSERT_FALSE(visited.Contains(t)) << "seed " << seed << " step " << step;
      visited.Insert(t);
      current = out;
      if (visited.Count() >= DistinctTypeSequences(*job_)) break;
    }
  }
}

class ThreeTypesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    job_ = JobFromText(SheetHeader(500, 500) + PartBlockText("a", 1, Rect(0, 0, 10, 10)) +
                           PartBlockText("b", 1, Rect(0, 0, 9, 9)) +
                           PartBlockText("c", 1, Rect(0, 0, 8, 8)),
                       1, 10);
  }
  FileConsole console_;
  std::unique_ptr<PackJob> job_;
};

TEST_F(ThreeTypesTest, MakeNeighboursDrawsTheCountBeforeThePositions) {
  // Seed 1: 41 gives one exchange; 18467 % 3 = 2 and 6334 % 3 = 1.
  SeedRandom(1);
  VisitedSet visited;
  visited.Insert(ToTypeSequence(*job_, InitialSequence(3)));
  std::vector<IDSequence> out;
  MakeNeighbours(*job_, InitialSequence(3), out, 1, visited);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].ids, (std::vector<int>{0, 2, 1}));
  EXPECT_EQ(DrawRandom(), 26500);
}

TEST_F(ThreeTypesTest, MakeAdjacentSwapNeighbourRedrawsOnTopOfVisitedOnes) {
  // Draws 41, 18467 and 6334 each give the front pair, 26500 the back pair.
  // 0 1 2 -> 1 0 2 (visited) -> 0 1 2 (visited) -> 1 0 2 (visited) -> 1 2 0.
  SeedRandom(1);
  VisitedSet visited;
  visited.Insert(ToTypeSequence(*job_, Seq({0, 1, 2})));
  visited.Insert(ToTypeSequence(*job_, Seq({1, 0, 2})));
  IDSequence out;
  MakeAdjacentSwapNeighbour(*job_, Seq({0, 1, 2}, 0.5), out, visited);
  EXPECT_EQ(out.ids, (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(out.efficiency, 0.5);
  EXPECT_EQ(DrawRandom(), 19169);
}

TEST_F(ThreeTypesTest, MakeNeighboursOutputsDifferFromEachOther) {
  SeedRandom(7);
  VisitedSet visited;
  visited.Insert(ToTypeSequence(*job_, InitialSequence(3)));
  std::vector<IDSequence> out;
  MakeNeighbours(*job_, InitialSequence(3), out, 5, visited);
  ASSERT_EQ(out.size(), 5u);
  std::set<std::vector<int>> seen;
  for (const IDSequence& s : out) {
    EXPECT_FALSE(visited.Contains(ToTypeSequence(*job_, s)));
    seen.insert(ToTypeSequence(*job_, s).ids);
  }
  EXPECT_EQ(seen.size(), 5u);
}

// A job whose type numbers are set by hand: counts per type.
std::unique_ptr<PackJob> CountsJob(const std::vector<int>& counts) {
  auto job = std::make_unique<PackJob>();
  for (std::size_t t = 0; t < counts.size(); ++t) {
    for (int i = 0; i < counts[t]; ++i) job->TypeOfId.push_back(static_cast<int>(t));
  }
  job->PartCount = static_cast<int>(job->TypeOfId.size());
  return job;
}

TEST(DistinctTypeSequencesTest, MultinomialCoefficients) {
  struct Case {
    std::vector<int> counts;
    long long expected;
  };
  for (const Case& c :
       {Case{{}, 1}, Case{{1}, 1}, Case{{7}, 1}, Case{{3, 2}, 10}, Case{{1, 1, 1}, 6},
        Case{{2, 2, 2}, 90}, Case{{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 3628800}, Case{{10, 10}, 184756},
        Case{{30, 30}, 118264581564861424LL}, Case{std::vector<int>(19, 1), 121645100408832000LL},
        Case{std::vector<int>(20, 1), kSequenceCountCap},  // 20! > 10^18
        Case{std::vector<int>(30, 1), kSequenceCountCap}, Case{{1000, 1000}, kSequenceCountCap}}) {
    auto job = CountsJob(c.counts);
    EXPECT_EQ(DistinctTypeSequences(*job), c.expected) << ::testing::PrintToString(c.counts);
  }
}

TEST(DistinctTypeSequencesTest, UnorderedTypeNumbers) {
  auto job = std::make_unique<PackJob>();
  job->TypeOfId = {2, 0, 2, 5, 0, 2};
  job->PartCount = 6;
  EXPECT_EQ(DistinctTypeSequences(*job), 60);  // 6! / (3! 2! 1!)
}

}  // namespace
}  // namespace nest
