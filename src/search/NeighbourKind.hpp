#pragma once

#include "app/PackJob.hpp"
#include "placement/Evaluation.hpp"
#include "search/IDSequence.hpp"

namespace nest {

// What a neighbour is, for guessing how good it will be. A neighbour laid
// out from a sequence keeps every placement before the first position where
// its types differ; the later the difference, the fewer placements change.
// When a single exchange of the two parts at that position and the next is
// all that differs, the layout stays the same exactly when the second part,
// now placed first, still takes its old place: likely when it lay left of
// the first part, less likely when it overlapped its columns or is the
// smaller of the two. The kind joins the sixteenth of the sequence where the
// difference lies with how those two parts lay, when the base's boxes are
// known there.
class NeighbourKind {
 public:
  static constexpr int kZones = 16;
  // Unknown boxes, or 2 (one exchange or more) x 3 (left, overlapping,
  // apart) x 2 (smaller or not).
  static constexpr int kLayouts = 13;
  static constexpr int kCount = kZones * kLayouts;

  // `neighbour` made from `base`; `boxes` are those of `laidOut`'s layout,
  // read for the two exchanged parts where `laidOut` holds the same types
  // there as `base` (its layout may differ; the kind then is a guess).
  static int Of(const PackJob& job, const IDSequence& neighbour, const IDSequence& base,
                const IDSequence& laidOut, const PlacedBoxes& boxes);
};

}  // namespace nest
