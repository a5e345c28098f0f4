#pragma once

#include <atomic>
#include <vector>

#include "app/PackJob.hpp"
#include "geometry/BoundingBox.hpp"
#include "search/IDSequence.hpp"

namespace nest {

// Builds the candidate grid for a new layout and drops the points covered by
// parts already on the sheet.
void ResetLayout(PackJob& job);

// Lays all parts out in the order of `sequence` (its first PartCount IDs) and
// returns the layout's efficiency. Leaves the layout in job.Parts.
double EvaluateSequence(PackJob& job, const IDSequence& sequence);
// The same, but gives up between two placements once `abandon` is set (a
// layout nobody will read any more); what it returns then means nothing.
double EvaluateSequenceUnless(PackJob& job, const IDSequence& sequence,
                              const std::atomic<bool>& abandon);

// The boxes of a layout's parts by position in its sequence; a part left off
// the sheet has an empty box (all bounds zero).
using PlacedBoxes = std::vector<BoundingBox>;
// Fills `boxes` from the layout now in job.Parts, laid out from `sequence`.
void CollectPlacedBoxes(const PackJob& job, const IDSequence& sequence, PlacedBoxes& boxes);

// Area of the parts on the sheet over the used rectangle (used length times
// sheet width); 0 when no part lies on the sheet.
double LayoutEfficiency(PackJob& job);

// Sum of the areas of all parts, on the sheet or not.
double TotalPartArea(const PackJob& job);

// The layout length shown to the user for an efficiency: total part area over
// efficiency over sheet height. Parts left off the sheet make it longer than
// the used length.
double LayoutLength(const PackJob& job, double totalPartArea, double efficiency);

}  // namespace nest
