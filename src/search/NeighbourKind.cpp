#include "search/NeighbourKind.hpp"

namespace nest {

namespace {

int TypeAt(const PackJob& job, const IDSequence& sequence, int i) {
  const int id = sequence.ids[i];
  return id >= 0 && id < job.PartCount ? job.TypeOfId[id] : -1;
}

// The first position at which the two sequences name parts of different
// types (the layouts agree up to there); the shorter count when none.
int FirstTypeDifference(const PackJob& job, const IDSequence& a, const IDSequence& b) {
  const int n = a.count() < b.count() ? a.count() : b.count();
  int i = 0;
  while (i < n && TypeAt(job, a, i) == TypeAt(job, b, i)) ++i;
  return i;
}

// How the two exchanged parts lay in the base's layout: 0 when not known,
// else 1 to 12.
int LayoutOf(const PackJob& job, const IDSequence& neighbour, const IDSequence& base, int at,
             const IDSequence& laidOut, const PlacedBoxes& boxes) {
  const int n = base.count();
  if (at + 1 >= n || static_cast<int>(boxes.size()) != laidOut.count()) return 0;
  // The boxes serve where `laidOut` holds the same types as `base`.
  if (TypeAt(job, base, at) != TypeAt(job, laidOut, at) ||
      TypeAt(job, base, at + 1) != TypeAt(job, laidOut, at + 1)) {
    return 0;
  }
  const BoundingBox& first = boxes[at];
  const BoundingBox& second = boxes[at + 1];
  const double firstArea = (first.maxX - first.minX) * (first.maxY - first.minY);
  const double secondArea = (second.maxX - second.minX) * (second.maxY - second.minY);
  if (firstArea <= 0.0 || secondArea <= 0.0) return 0;  // off the sheet
  bool single = neighbour.count() == n;
  for (int i = at + 2; single && i < n; ++i)
    single = TypeAt(job, neighbour, i) == TypeAt(job, base, i);
  const int where = second.minX < first.minX ? 0 : second.minX < first.maxX ? 1 : 2;
  const int smaller = secondArea < firstArea ? 1 : 0;
  return 1 + (single ? 0 : 6) + where * 2 + smaller;
}

}  // namespace

int NeighbourKind::Of(const PackJob& job, const IDSequence& neighbour, const IDSequence& base,
                      const IDSequence& laidOut, const PlacedBoxes& boxes) {
  const int at = FirstTypeDifference(job, neighbour, base);
  const int n = neighbour.count() < base.count() ? neighbour.count() : base.count();
  const int zone = n == 0 ? 0 : static_cast<int>(static_cast<long long>(at) * kZones / (n + 1));
  return LayoutOf(job, neighbour, base, at, laidOut, boxes) * kZones + zone;
}

}  // namespace nest
