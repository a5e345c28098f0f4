#include "search/Drivers.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/StopSignals.hpp"
#include "app/TestSupport.hpp"
#include "app/Texts.hpp"
#include "placement/Collision.hpp"
#include "search/Clock.hpp"
#include "search/Random.hpp"
#include "search/RunLog.hpp"

namespace nest {
namespace {

using testing_support::FileConsole;
using testing_support::JobFromText;
using testing_support::PartBlockText;
using testing_support::ReadBytes;
using testing_support::Rect;
using testing_support::SheetHeader;
using testing_support::SplitLines;
using testing_support::TempDir;
using testing_support::WorkingDirectory;

std::int64_t FixedCount() { return 5; }
std::int64_t FixedFrequency() { return 1; }

// Each driver run happens in a scratch working directory, with the console
// on files and a clock that never moves (so every time reads 0.00).
class DriverTest : public ::testing::Test {
 protected:
  DriverTest() : cwd_(dir_.Path()), savedClock_(ActiveClock()) {
    ActiveClock() = Clock{FixedCount, FixedFrequency};
  }
  ~DriverTest() override { ActiveClock() = savedClock_; }

  std::vector<std::string> LogLines() { return SplitLines(ReadBytes("Log.txt")); }

  static int CountStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }

  TempDir dir_;
  WorkingDirectory cwd_;
  FileConsole console_;
  Clock savedClock_;
};

const std::string kZeroTime = std::string("0.00") + texts::kSecondsSuffix;

// Three parts of three types: six type sequences, so no run here ends early.
std::unique_ptr<PackJob> ThreeTypes() {
  return JobFromText(SheetHeader(100, 50) + PartBlockText("a", 1, Rect(0, 0, 10, 10)) +
                         PartBlockText("b", 1, Rect(0, 0, 8, 8)) +
                         PartBlockText("c", 1, Rect(0, 0, 6, 6)),
                     1, 10);
}

// A 10 x 10 frame filling a 10 x 10 sheet, with a hole that takes the
// 1 x 7.9 strip. Frame first: both parts on 10 x 10, efficiency 0.8. Strip
// first: the frame no longer fits, efficiency 7.9 / (1 x 10) = 0.79.
std::unique_ptr<PackJob> FrameAndStrip() {
  return JobFromText(SheetHeader(10, 10) +
                         PartBlockText("frame", 1, Rect(0, 0, 10, 10),
                                       {{{3, 0.5}, {6.1, 0.5}, {6.1, 9.5}, {3, 9.5}}}) +
                         PartBlockText("strip", 1, Rect(0, 0, 1, 7.9)),
                     1, 0.1);
}

TEST_F(DriverTest, AnnealingChanceLineForAWorseNeighbour) {
  auto job = FrameAndStrip();
  SeedRandom(1);  // 41 picks the only pair; 18467 is the chance draw
  RunSimulatedAnnealing(*job, 4);
  const std::string u = Real(18467 * kDrawToFraction);
  ASSERT_EQ(u, "0.563585");
  const std::vector<std::string> expected{
      std::string(texts::kSaInitial) + "10" + texts::kCommaEfficiency + "0.8",
      std::string(texts::kIterPrefix) + "1" + texts::kSaStepSuffix,
      std::string(texts::kSaTemperature) + "0.01",
      std::string(texts::kBestEfficiency) + "0.8" + texts::kSaCurrentEfficiency + "0.8",
      texts::kSaNeighbourHeader,
      std::string(texts::kSaNeighbourEfficiency) + "0.79" + texts::kSaNeighbourLength +
          Real(80 / 0.79 / 10),
      std::string(texts::kSaRandom) + u + texts::kSaProbability + "0.367879",
      texts::kSaWorseThanCurrent,
      texts::kSaRejected,
      texts::kSaWorseThanBest,
      texts::kEarlyEnd,  // both type sequences are used up
      texts::kParameterHeader,
      "  RN=1, PPD=0.1",
      texts::kResultHeader,
      std::string(texts::kBestLength) + "10",
      std::string(texts::kBestEfficiency) + "0.8",
      std::string(texts::kSaTotalTime) + kZeroTime};
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(console_.Out(), ReadBytes("Log.txt"));
  EXPECT_EQ(ReadBytes("OptIDSequenceForPack.txt"), "0,1\n");
  // The job holds the best layout: both parts on the sheet.
  for (const Part& p : job->Parts) EXPECT_TRUE(FitsInBox(p.OutLoop.Box(), job->SheetBox)) << p.Name;
}

TEST_F(DriverTest, AnnealingAcceptsAnEqualNeighbourWithProbabilityOne) {
  auto job = JobFromText(SheetHeader(100, 50) + PartBlockText("a", 1, Rect(0, 0, 10, 10)) +
                             PartBlockText("b", 1, Rect(0, 0, 10, 10)),
                         1, 10);
  SeedRandom(1);
  RunSimulatedAnnealing(*job, 1);
  const std::vector<std::string> lines = LogLines();
  const std::string chance =
      std::string(texts::kSaRandom) + "0.563585" + texts::kSaProbability + "1";
  EXPECT_NE(std::find(lines.begin(), lines.end(), chance), lines.end());
  EXPECT_EQ(CountStartingWith(lines, texts::kSaAccepted), 1);
  EXPECT_EQ(CountStartingWith(lines, texts::kSaWorseThanCurrent), 1);
  EXPECT_EQ(CountStartingWith(lines, texts::kSaWorseThanBest), 1);
  EXPECT_EQ(CountStartingWith(lines, texts::kEarlyEnd), 0);
  // The best stays the initial sequence: equal is not better.
  EXPECT_EQ(ReadBytes("OptIDSequenceForPack.txt"), "0,1\n");
}

TEST_F(DriverTest, AnnealingTemperaturesForFourIterations) {
  auto job = ThreeTypes();
  SeedRandom(3);
  RunSimulatedAnnealing(*job, 4);
  const std::vector<std::string> lines = LogLines();
  std::vector<std::string> temperatures;
  for (const std::string& l : lines) {
    if (l.rfind(texts::kSaTemperature, 0) == 0)
      temperatures.push_back(l.substr(std::string(texts::kSaTemperature).size()));
  }
  EXPECT_EQ(temperatures, (std::vector<std::string>{"0.01", "0.0075", "0.005", "0.0025"}));
  EXPECT_EQ(CountStartingWith(lines, texts::kIterPrefix), 4);
  EXPECT_EQ(lines.at(1), std::string(texts::kIterPrefix) + "1" + texts::kSaStepSuffix);
  EXPECT_EQ(lines.at(3),
            std::string(texts::kBestEfficiency) + "0.4" + texts::kSaCurrentEfficiency + "0.4")
      << "the first efficiency line shows the initial efficiency twice";
  EXPECT_EQ(CountStartingWith(lines, texts::kEarlyEnd), 0);
  EXPECT_EQ(lines.back(), std::string(texts::kSaTotalTime) + kZeroTime);
  EXPECT_EQ(console_.Out(), ReadBytes("Log.txt"));
}

TEST_F(DriverTest, AnnealingWithoutIterations) {
  auto job = ThreeTypes();
  SeedRandom(3);
  RunSimulatedAnnealing(*job, 0);
  const std::vector<std::string> expected{
      std::string(texts::kSaInitial) + "10" + texts::kCommaEfficiency + "0.4",
      texts::kParameterHeader,
      "  RN=1, PPD=10",
      texts::kResultHeader,
      std::string(texts::kBestLength) + "10",
      std::string(texts::kBestEfficiency) + "0.4",
      std::string(texts::kSaTotalTime) + kZeroTime};
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(ReadBytes("OptIDSequenceForPack.txt"), "0,1,2\n");
}

TEST_F(DriverTest, HillClimbingWithZeroIterationsRunsOne) {
  for (int maxIterations : {0, -5, 1}) {
    auto job = ThreeTypes();
    SeedRandom(3);
    RunHillClimbing(*job, maxIterations);
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 10u) << maxIterations;
    EXPECT_EQ(lines[0], std::string(texts::kIterPrefix) + "1" + texts::kHcIterSuffix);
    EXPECT_EQ(lines[1], std::string(texts::kHcProgress) + kZeroTime + texts::kHcCurrentLength +
                            "10" + texts::kCommaEfficiency + "0.4");
    EXPECT_EQ(lines[2].rfind(texts::kHcNeighbourLength, 0), 0u);
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], texts::kParameterHeader);
    EXPECT_EQ(lines[5], "  RN=1, PPD=10");
    EXPECT_EQ(lines[6], texts::kResultHeader);
    EXPECT_EQ(lines[7].rfind(texts::kBestLength, 0), 0u);
    EXPECT_EQ(lines[8].rfind(texts::kBestEfficiency, 0), 0u);
    EXPECT_EQ(lines[9], std::string(texts::kHcTotalTime) + kZeroTime);
  }
}

TEST_F(DriverTest, HillClimbingRunsMaxIterations) {
  auto job = ThreeTypes();
  SeedRandom(11);
  RunHillClimbing(*job, 4);
  const std::vector<std::string> lines = LogLines();
  EXPECT_EQ(CountStartingWith(lines, texts::kIterPrefix), 4);
  EXPECT_EQ(CountStartingWith(lines, texts::kHcNeighbourLength), 4);
  EXPECT_EQ(CountStartingWith(lines, texts::kEarlyEnd), 0);
  EXPECT_EQ(console_.Out(), ReadBytes("Log.txt"));
}

TEST_F(DriverTest, OneTypeJobEndsAtOnce) {
  auto job =
      JobFromText(SheetHeader(100, 50) + PartBlockText("same", 3, Rect(0, 0, 10, 10)), 1, 10);
  SeedRandom(5);
  RunHillClimbing(*job, 10);
  const std::vector<std::string> hc = LogLines();
  const std::vector<std::string> hcExpected{texts::kEarlyEnd,
                                            "",
                                            texts::kParameterHeader,
                                            "  RN=1, PPD=10",
                                            texts::kResultHeader,
                                            std::string(texts::kBestLength) + "10",
                                            std::string(texts::kBestEfficiency) + "0.6",
                                            std::string(texts::kHcTotalTime) + kZeroTime};
  EXPECT_EQ(hc, hcExpected);
  EXPECT_EQ(ReadBytes("OptIDSequenceForPack.txt"), "0,1,2\n");

  auto again =
      JobFromText(SheetHeader(100, 50) + PartBlockText("same", 3, Rect(0, 0, 10, 10)), 1, 10);
  RunSimulatedAnnealing(*again, 10);
  const std::vector<std::string> sa = LogLines();
  ASSERT_GE(sa.size(), 3u);
  EXPECT_EQ(sa[0], std::string(texts::kSaInitial) + "10" + texts::kCommaEfficiency + "0.6");
  EXPECT_EQ(sa[1], texts::kEarlyEnd);
  EXPECT_EQ(sa[2], texts::kParameterHeader);
  EXPECT_EQ(CountStartingWith(sa, texts::kIterPrefix), 0);
}

TEST_F(DriverTest, AStopSignalEndsTheSearchWithTheBestLayout) {
  for (const bool annealing : {false, true}) {
    auto job = ThreeTypes();
    RequestStop(2);
    if (annealing) {
      RunSimulatedAnnealing(*job, 5);
    } else {
      RunHillClimbing(*job, 5);
    }
    RequestStop(0);
    const std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[annealing ? 1 : 0], texts::kInterrupted);
    EXPECT_EQ(CountStartingWith(lines, texts::kIterPrefix), 0);
    EXPECT_EQ(ReadBytes("OptIDSequenceForPack.txt"), "0,1,2\n");
  }
}

TEST_F(DriverTest, OnePartJobEndsAtOnce) {
  auto job = JobFromText(SheetHeader(100, 50) + PartBlockText("one", 1, Rect(0, 0, 10, 10)), 1, 10);
  RunSimulatedAnnealing(*job, 3);
  const std::vector<std::string> lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], texts::kEarlyEnd);
  EXPECT_EQ(ReadBytes("OptIDSequenceForPack.txt"), "0\n");
}

TEST_F(DriverTest, LogThatCannotBeOpenedStopsBeforeAnyLine) {
  std::filesystem::create_directory("Log.txt");
  auto job = ThreeTypes();
  EXPECT_TRUE(testing_support::IsStop(testing_support::StopOf([&] { RunHillClimbing(*job, 2); }),
                                      StopNotice::kErrorStream, "Log file open error!"));
  EXPECT_EQ(console_.Out(), "");
  EXPECT_FALSE(std::filesystem::exists("OptIDSequenceForPack.txt"));
}

TEST_F(DriverTest, ResultFileThatCannotBeOpenedStopsAfterTheLog) {
  std::filesystem::create_directory("OptIDSequenceForPack.txt");
  auto job = ThreeTypes();
  EXPECT_TRUE(testing_support::IsStop(
      testing_support::StopOf([&] { RunSimulatedAnnealing(*job, 2); }), StopNotice::kErrorStream,
      "IDSequenceForPack save error!"));
  const std::vector<std::string> lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), std::string(texts::kSaTotalTime) + kZeroTime);
}

}  // namespace
}  // namespace nest
