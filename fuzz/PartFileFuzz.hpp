#pragma once

#include <cstddef>
#include <cstdint>

#include "app/PackJob.hpp"

namespace nest::fuzz {

// Points the console at an empty input and a discarding output, so that a
// warning neither shows nor waits for a key; for the fuzzers' start.
void QuietConsole();

// Sets `job` up from the bytes as the run flow does, with answers derived
// from the input's size (so that one corpus covers several rotations and
// grid spacings). False when the input is no small job (few parts, few
// vertices, a coarse grid, so that it lays out in milliseconds) or when the
// set-up stops the run, as it must for files the program refuses.
bool SetUpSmallJob(const std::uint8_t* data, std::size_t size, PackJob& job);

// Reads the bytes as a part data file and, when they describe a small valid
// job, lays it out twice: any crash, hang or sanitizer report is a finding.
void RunPartFileInput(const std::uint8_t* data, std::size_t size);

}  // namespace nest::fuzz
