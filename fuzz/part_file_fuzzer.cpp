// libFuzzer entry point: clang++ -fsanitize=fuzzer,address (see fuzz/CMakeLists.txt).
#include <cstddef>
#include <cstdint>

#include "fuzz/PartFileFuzz.hpp"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  nest::fuzz::QuietConsole();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nest::fuzz::RunPartFileInput(data, size);
  return 0;
}
