#include "search/IDSequence.hpp"

namespace nest {

IDSequence InitialSequence(int partCount) {
  IDSequence s;
  s.ids.resize(partCount > 0 ? partCount : 0);
  for (int i = 0; i < partCount; ++i) s.ids[i] = i;
  s.efficiency = 0.0;
  return s;
}

}  // namespace nest
