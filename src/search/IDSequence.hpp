#pragma once

#include <vector>

namespace nest {

// An order of parts for the placement heuristic, with the efficiency that the
// order achieved (set by the driver after each evaluation).
struct IDSequence {
  std::vector<int> ids = std::vector<int>(1, 0);
  double efficiency = 0.0;

  [[nodiscard]] int count() const { return static_cast<int>(ids.size()); }
  void Set(const int* values, int n, double eff) {
    ids.assign(values, values + n);
    efficiency = eff;
  }
  // Same count and the same IDs at every position; the efficiency is not
  // compared.
  [[nodiscard]] bool Equals(const IDSequence& other) const { return ids == other.ids; }
};

// The identity order 0, 1, ..., partCount - 1, with efficiency 0.
IDSequence InitialSequence(int partCount);

}  // namespace nest
