// Replays the saved fuzzing corpus through the fuzz target, so any compiler
// checks every input found so far.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/PartFileFuzz.hpp"

namespace {

TEST(FuzzCorpusReplay, EveryInputRunsToTheEnd) {
  const std::filesystem::path corpus = NEST_FUZZ_CORPUS_DIR;
  ASSERT_TRUE(std::filesystem::is_directory(corpus));
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().filename().string());
    nest::fuzz::RunPartFileInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
