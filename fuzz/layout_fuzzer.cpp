// libFuzzer entry point of the layout check (see fuzz/CMakeLists.txt): any
// overlap or part off the sheet aborts with its description.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/LayoutFuzz.hpp"
#include "fuzz/PartFileFuzz.hpp"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  nest::fuzz::QuietConsole();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string drawing = [] {
    char folder[] = "/tmp/nest-layout-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    return std::string(folder) + "/Layout.dxf";
  }();
  const std::string finding = nest::fuzz::RunLayoutInput(data, size, drawing);
  if (!finding.empty()) {
    std::fprintf(stderr, "layout check: %s\n", finding.c_str());
    std::abort();
  }
  return 0;
}
