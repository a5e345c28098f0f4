#include "app/Console.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/TestSupport.hpp"

namespace nest {
namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// A console whose input holds the given bytes.
class ConsoleWithInput {
 public:
  explicit ConsoleWithInput(const std::string& input) : saved_(ActiveConsole()) {
    WriteBytes(dir_.File("in"), input);
    in_ = std::fopen(dir_.File("in").c_str(), "rb");
    out_ = std::fopen(dir_.File("out").c_str(), "wb");
    ActiveConsole().in = in_;
    ActiveConsole().out = out_;
  }
  ~ConsoleWithInput() {
    ActiveConsole() = saved_;
    std::fclose(in_);
    std::fclose(out_);
  }
  ConsoleWithInput(const ConsoleWithInput&) = delete;
  ConsoleWithInput& operator=(const ConsoleWithInput&) = delete;

  std::string Out() {
    std::fflush(out_);
    return ReadBytes(dir_.File("out"));
  }
  std::FILE* In() { return in_; }

 private:
  TempDir dir_;
  Console saved_;
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
};

TEST(ConsoleTest, WarningShowsCaptionAndTextThenTakesOneByte) {
  ConsoleWithInput console("xyz");
  ShowWarning("first");
  ShowWarning("second");
  EXPECT_EQ(console.Out(), "Warning!\nfirst\nWarning!\nsecond\n");
  EXPECT_EQ(std::fgetc(console.In()), 'z');
}

TEST(ConsoleTest, WarningAtTheEndOfInputReturns) {
  ConsoleWithInput console("");
  ShowWarning("text");
  ShowWarning("again");
  EXPECT_EQ(console.Out(), "Warning!\ntext\nWarning!\nagain\n");
}

TEST(ConsoleTest, ConsoleLineEndsWithALineEnd) {
  ConsoleWithInput console("");
  WriteConsoleLine("a line");
  WriteConsoleLine("");
  EXPECT_EQ(console.Out(), "a line\n\n");
}

}  // namespace
}  // namespace nest
