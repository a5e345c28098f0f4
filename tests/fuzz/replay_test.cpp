// Replays the saved fuzzing corpora through the fuzz targets, so any compiler
// checks every input found so far.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "fuzz/PartFileFuzz.hpp"
#ifdef NEST_LAYOUT_CORPUS_DIR
#include "fuzz/LayoutFuzz.hpp"
#include "app/TestSupport.hpp"
#endif

namespace {

// Runs `input` on every file of the corpus folder; returns how many there were.
int ReplayCorpus(const std::filesystem::path& corpus, const std::function<void(const std::string&)>& input) {
  EXPECT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().filename().string());
    input(bytes);
    ++replayed;
  }
  return replayed;
}

const std::uint8_t* Data(const std::string& bytes) { return reinterpret_cast<const std::uint8_t*>(bytes.data()); }

TEST(FuzzCorpusReplay, EveryInputRunsToTheEnd) {
  EXPECT_GT(ReplayCorpus(NEST_FUZZ_CORPUS_DIR,
                         [](const std::string& b) { nest::fuzz::RunPartFileInput(Data(b), b.size()); }),
            0);
}

#ifdef NEST_LAYOUT_CORPUS_DIR
TEST(FuzzCorpusReplay, EveryLayoutLiesOnTheSheetWithoutOverlap) {
  const nest::testing_support::TempDir dir;
  const std::string drawing = dir.File("Layout.dxf");
  EXPECT_GT(ReplayCorpus(NEST_LAYOUT_CORPUS_DIR,
                         [&](const std::string& b) {
                           EXPECT_EQ(nest::fuzz::RunLayoutInput(Data(b), b.size(), drawing), "");
                         }),
            0);
}
#endif

}  // namespace
