#pragma once

#include <cstddef>
#include <cstdint>

namespace nest::fuzz {

// Reads the bytes as a part data file and, when they describe a small valid
// job, lays it out twice: any crash, hang or sanitizer report is a finding.
void RunPartFileInput(const std::uint8_t* data, std::size_t size);

}  // namespace nest::fuzz
