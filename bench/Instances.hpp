#pragma once

// The shared instances the benchmark tables run, with their settings.

namespace nest::bench {

struct Instance {
  const char* name;
  int rn;
  double suggestedPpd;
  double finePpd;
};

// RN and PPD from the shared instances' README (suggested settings); the
// fine PPD gives about 1.5 million candidate points, with RN 8.
inline constexpr Instance kInstances[] = {
    {"albano", 2, 100, 13},    {"blaz", 2, 0.2, 0.033},     {"dagli", 2, 0.5, 0.12},
    {"fu", 4, 0.25, 0.059},    {"jakobs1", 4, 0.25, 0.057}, {"jakobs2", 4, 0.5, 0.1},
    {"mao", 4, 25, 4.7},       {"marques", 4, 1, 0.17},     {"shapes0", 1, 0.5, 0.11},
    {"shapes1", 2, 0.5, 0.11}, {"swim", 2, 100, 15},        {"trousers", 2, 2, 0.3},
    {"holes1", 4, 20, 2.9},    {"holes2", 4, 10, 2.2},      {"holes3", 4, 20, 2.6},
};

}  // namespace nest::bench
