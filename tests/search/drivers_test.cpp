#include "search/Drivers.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/StopSignals.hpp"
#include "app/TestSupport.hpp"
#include "app/Texts.hpp"
#include "placement/Collision.hpp"
#include "search/Clock.hpp"
#include "search/LayoutLanes.hpp"
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

// One thread against two, byte for byte: the console, Log.txt (the clock is
// frozen, so the times agree too), the result file, the drawing of the job's
// final layout, the stop that ended the run and the generator's state after
// it (every draw the same). A row may stop the run once the console has
// shown a given number of iteration headers: with one signal (the search
// ends early) or with two (the run is abandoned in the next layout).
struct DifferentialRow {
  std::string name;
  std::function<std::unique_ptr<PackJob>()> job;
  bool annealing = false;
  int iterations = 0;
  std::uint32_t seed = 1;
  int stopAtHeader = 0;  // 0: no signal
  int signals = 1;
};

struct RunOutcome {
  std::string console, log, result, drawing;
  int stopStatus = 0;
  std::uint32_t generator = 0;
};

// A console stream that counts iteration headers as they are written and
// raises the row's signals at the chosen one.
class SignallingConsole {
 public:
  SignallingConsole(int stopAt, int signals) : stopAt_(stopAt), signals_(signals) {
    cookie_io_functions_t io{};
    io.write = [](void* self, const char* data, size_t size) -> ssize_t {
      static_cast<SignallingConsole*>(self)->Take(data, size);
      return static_cast<ssize_t>(size);
    };
    stream_ = fopencookie(this, "w", io);
    setvbuf(stream_, nullptr, _IONBF, 0);
  }
  ~SignallingConsole() { std::fclose(stream_); }
  SignallingConsole(const SignallingConsole&) = delete;
  SignallingConsole& operator=(const SignallingConsole&) = delete;
  [[nodiscard]] std::FILE* Stream() const { return stream_; }
  [[nodiscard]] const std::string& Text() const { return text_; }

 private:
  void Take(const char* data, size_t size) {
    text_.append(data, size);
    if (stopAt_ == 0 || raised_) return;
    const std::string prefix = texts::kIterPrefix;
    int headers = 0;
    for (std::size_t at = text_.find(prefix); at != std::string::npos;
         at = text_.find(prefix, at + 1)) {
      ++headers;
    }
    if (headers < stopAt_) return;
    raised_ = true;
    for (int i = 0; i < signals_; ++i) std::raise(SIGINT);
  }

  int stopAt_;
  int signals_;
  bool raised_ = false;
  std::string text_;
  std::FILE* stream_ = nullptr;
};

RunOutcome RunRow(const DifferentialRow& row, int threads) {
  TempDir dir;
  WorkingDirectory cwd(dir.Path());
  FileConsole files;
  SignallingConsole console(row.stopAtHeader, row.signals);
  const Console saved = ActiveConsole();
  ActiveConsole().out = console.Stream();
  const Clock savedClock = ActiveClock();
  ActiveClock() = Clock{FixedCount, FixedFrequency};
  SetSearchThreads(threads);
  RunOutcome outcome;
  {
    auto job = row.job();
    SeedRandom(row.seed);
    StopSignalGuard guard;
    const auto stop = testing_support::StopOf([&] {
      if (row.annealing) {
        RunSimulatedAnnealing(*job, row.iterations);
      } else {
        RunHillClimbing(*job, row.iterations);
      }
    });
    outcome.stopStatus = stop ? stop->status : 0;
    outcome.generator = RandomState();
    if (!stop) {
      job->WriteDxf("Layout.dxf");
      outcome.drawing = ReadBytes("Layout.dxf");
    }
  }
  RequestStop(0);
  SetSearchThreads(0);
  ActiveClock() = savedClock;
  ActiveConsole() = saved;
  outcome.console = console.Text();
  outcome.log = ReadBytes("Log.txt");
  outcome.result = ReadBytes("OptIDSequenceForPack.txt");
  return outcome;
}

// Rectangles and L shapes of a few random types, a few copies each.
std::unique_ptr<PackJob> RandomJob(std::uint32_t seed, int types, int maxCopies) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> side(2.0, 12.0);
  std::string text = SheetHeader(400, 30);
  for (int t = 0; t < types; ++t) {
    const double w = side(rng);
    const double h = side(rng);
    const int copies = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxCopies));
    std::string name(1, 'p');
    name += std::to_string(t);
    if (rng() % 2 == 0) {
      text += PartBlockText(name, copies, Rect(0, 0, w, h));
    } else {
      text += PartBlockText(name, copies,
                            {{0, 0}, {w, 0}, {w, h / 2}, {w / 2, h / 2}, {w / 2, h}, {0, h}});
    }
  }
  return JobFromText(text, 2, 0.5);
}

std::unique_ptr<PackJob> SharedJob(const std::string& name, int rn, double ppd) {
  auto job = std::make_unique<PackJob>();
  job->Setup(std::string(NEST_SHARED_BENCHMARKS_DIR) + "/" + name + ".txt", rn, ppd);
  return job;
}

bool SharedInstance(const std::string& name) {
  return std::filesystem::exists(std::string(NEST_SHARED_BENCHMARKS_DIR) + "/" + name + ".txt");
}

std::vector<DifferentialRow> DifferentialRows() {
  std::vector<DifferentialRow> rows;
  for (const bool annealing : {false, true}) {
    const std::string m = annealing ? "SA" : "HC";
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
      rows.push_back({m + " random job " + std::to_string(seed),
                      [seed] { return RandomJob(seed, 6, 3); }, annealing, 60, seed});
    }
    // 12 type sequences: the search ends early, the last steps made ahead
    // meeting the end.
    rows.push_back({m + " exhausted", [] { return RandomJob(9, 3, 2); }, annealing, 40, 4});
    rows.push_back({m + " exhausted at once",
                    [] {
                      return JobFromText(SheetHeader(100, 50) +
                                             PartBlockText("a", 2, Rect(0, 0, 10, 10)) +
                                             PartBlockText("b", 1, Rect(0, 0, 8, 8)),
                                         1, 10);
                    },
                    annealing, 10, 5});
    rows.push_back({m + " stopped", [] { return RandomJob(4, 6, 3); }, annealing, 60, 6, 7, 1});
    rows.push_back({m + " abandoned", [] { return RandomJob(5, 6, 3); }, annealing, 60, 7, 5, 2});
    if (SharedInstance("jakobs1")) {
      rows.push_back(
          {m + " jakobs1", [] { return SharedJob("jakobs1", 4, 0.25); }, annealing, 40, 8});
    }
    if (SharedInstance("shapes0")) {
      rows.push_back({m + " shapes0 stopped", [] { return SharedJob("shapes0", 1, 0.5); },
                      annealing, 40, 9, 12, 1});
    }
  }
  return rows;
}

TEST(DriverDifferentialTest, TwoThreadsGiveTheOneThreadRunByteForByte) {
  if (!SharedInstance("jakobs1")) std::puts("shared instances absent: random jobs only");
  for (const DifferentialRow& row : DifferentialRows()) {
    const RunOutcome one = RunRow(row, 1);
    EXPECT_FALSE(one.log.empty()) << row.name;
    // Two threads always laying out ahead, and the program's own choice
    // (which switches between the two ways as it times them).
    for (const int threads : {2, 0}) {
      const RunOutcome two = RunRow(row, threads);
      const std::string what = row.name + ", threads " + std::to_string(threads);
      EXPECT_EQ(one.console, two.console) << what;
      EXPECT_EQ(one.log, two.log) << what;
      EXPECT_EQ(one.result, two.result) << what;
      EXPECT_EQ(one.drawing, two.drawing) << what;
      EXPECT_EQ(one.stopStatus, two.stopStatus) << what;
      EXPECT_EQ(one.generator, two.generator) << what;
    }
    // The rows reach the ending they were made for.
    const bool early = one.log.find(texts::kEarlyEnd) != std::string::npos;
    const bool stopped = one.log.find(texts::kInterrupted) != std::string::npos;
    EXPECT_EQ(early, row.name.find("exhausted") != std::string::npos) << row.name;
    EXPECT_EQ(stopped, row.stopAtHeader != 0 && row.signals == 1) << row.name;
    EXPECT_EQ(one.stopStatus, row.signals == 2 ? StatusForSignal(SIGINT) : 0) << row.name;
  }
}

}  // namespace
}  // namespace nest
