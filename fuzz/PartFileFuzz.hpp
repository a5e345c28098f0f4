#pragma once

#include <cstddef>
#include <cstdint>

#include "parts/PartFile.hpp"

namespace nest::fuzz {

// The answers a fuzz input runs with, when it describes a job small enough to
// lay out in a few milliseconds; derived from the input's size so that one
// corpus covers several rotations and grid spacings.
struct SmallJob {
  int rn = 1;
  double ppd = 1.0;
};

// True when `parsed` is a readable job within the limits (few parts, few
// vertices, a coarse grid); fills `job` with its answers.
bool SmallJobFor(const PartFileData& parsed, std::size_t size, SmallJob& job);

// Points the console at an empty input and a discarding output, so that a
// warning neither shows nor waits for a key; for the fuzzers' start.
void QuietConsole();

// Reads the bytes as a part data file and, when they describe a small valid
// job, lays it out twice: any crash, hang or sanitizer report is a finding.
void RunPartFileInput(const std::uint8_t* data, std::size_t size);

}  // namespace nest::fuzz
