#include <gtest/gtest.h>

#include <string>

#include "app/TestSupport.hpp"
#include "app/Texts.hpp"
#include "search/RunLog.hpp"

namespace nest {
namespace {

using testing_support::FileConsole;
using testing_support::ReadBytes;
using testing_support::TempDir;

TEST(RunLogFormatTest, RealsHaveSixSignificantDigits) {
  EXPECT_EQ(Real(0.75), "0.75");
  EXPECT_EQ(Real(0.8123456), "0.812346");
  EXPECT_EQ(Real(5234.5), "5234.5");
  EXPECT_EQ(Real(4000), "4000");
  EXPECT_EQ(Real(0.0001), "0.0001");
  EXPECT_EQ(Real(0.00001), "1e-05");
  EXPECT_EQ(Real(1234567), "1.23457e+06");
  EXPECT_EQ(Real(0.01 - 0.0025), "0.0075");
  EXPECT_EQ(Real(1.0), "1");
  EXPECT_EQ(Real(0.0), "0");
  EXPECT_EQ(Real(-0.5), "-0.5");
}

TEST(RunLogFormatTest, IntegersAndSeconds) {
  EXPECT_EQ(Int(0), "0");
  EXPECT_EQ(Int(-5), "-5");
  EXPECT_EQ(Int(2147483647), "2147483647");
  EXPECT_EQ(Seconds(12.07), std::string("12.07") + texts::kSecondsSuffix);
  EXPECT_EQ(Seconds(0.0), std::string("0.00") + texts::kSecondsSuffix);
  EXPECT_EQ(Seconds(3.14159), std::string("3.14") + texts::kSecondsSuffix);
  EXPECT_EQ(Seconds(1e9), std::string("1000000000.00") + texts::kSecondsSuffix);
  EXPECT_EQ(std::string(texts::kSecondsSuffix), " \xc3\xeb");
}

class SaveIDSequenceTest : public ::testing::Test {
 protected:
  std::string Save(int partCount, std::vector<int> ids) {
    PackJob job;
    job.PartCount = partCount;
    IDSequence s;
    s.ids = std::move(ids);
    const std::string file = dir_.File("OptIDSequenceForPack.txt");
    SaveIDSequence(job, file, s);
    return ReadBytes(file);
  }
  TempDir dir_;
};

TEST_F(SaveIDSequenceTest, CommaSeparatedIdsAndOneLineEnd) {
  EXPECT_EQ(Save(4, {3, 0, 2, 1}), "3,0,2,1\n");
}

TEST_F(SaveIDSequenceTest, OnePart) { EXPECT_EQ(Save(1, {0}), "0\n"); }

TEST_F(SaveIDSequenceTest, NoPartsLeaveAnEmptyFile) { EXPECT_EQ(Save(0, {}), ""); }

TEST_F(SaveIDSequenceTest, WritesPartCountIdsAndReplacesTheFile) {
  EXPECT_EQ(Save(5, {10, 11, 12, 13, 14, 15, 16}), "10,11,12,13,14\n");
  EXPECT_EQ(Save(2, {1, 0}), "1,0\n");
}

TEST(SaveIDSequenceStopTest, UnwritableFileStops) {
  TempDir dir;
  PackJob job;
  job.PartCount = 1;
  IDSequence s;
  EXPECT_TRUE(testing_support::IsStop(
      testing_support::StopOf([&] { SaveIDSequence(job, dir.Path().string(), s); }),
      StopNotice::kErrorStream, "IDSequenceForPack save error!"));
}

TEST(RunLogTest, EveryLineGoesToTheConsoleThenTheLog) {
  FileConsole console;
  TempDir dir;
  testing_support::WorkingDirectory cwd(dir.Path());
  {
    RunLog log;
    log.Write({"one", "two"});
    log.Write({""});
    // The log takes its name only when it is complete.
    EXPECT_FALSE(std::filesystem::exists("Log.txt"));
    log.Close();
    log.Write({"console only"});
  }
  EXPECT_EQ(ReadBytes("Log.txt"), "one\ntwo\n\n");
  EXPECT_EQ(console.Out(), "one\ntwo\n\nconsole only\n");
  // A second log starts afresh.
  {
    RunLog log;
    log.Write({"new"});
  }
  EXPECT_EQ(ReadBytes("Log.txt"), "new\n");
}

TEST(RunLogTest, LogThatCannotBeOpenedStops) {
  TempDir dir;
  testing_support::WorkingDirectory cwd(dir.Path());
  std::filesystem::create_directory("Log.txt");
  EXPECT_TRUE(testing_support::IsStop(testing_support::StopOf([] { RunLog log; }),
                                      StopNotice::kErrorStream, "Log file open error!"));
}

}  // namespace
}  // namespace nest
