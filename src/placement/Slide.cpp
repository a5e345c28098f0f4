#include "placement/Slide.hpp"

#include <cmath>

namespace nest {

void Slide(PackJob& job, Part& part, bool left, const Obstacles& obstacles, PartIndex& index) {
  const BoundingBox& box = part.Box;
  const double w = box.maxX - box.minX;
  const double h = box.maxY - box.minY;
  const double m = (w < h) ? w : h;
  const double s = (m * 0.25 <= job.PPD) ? m * 0.25 : job.PPD;
  // A part without width or height has no step to slide by.
  if (!(s > 0.0) || !std::isfinite(s)) return;
  double sx = left ? -s : 0.0;
  double sy = left ? 0.0 : -s;
  while (true) {
    part.Translate(sx, sy);
    long long moves = 1;
    while (obstacles.PartFits(job, part, index) && moves < kMaxSlideMovesPerPass) {
      const BoundingBox before = part.Box;
      part.Translate(sx, sy);
      ++moves;
      // A step below the coordinates' resolution moves nothing; the pass
      // would never end.
      if (part.Box == before) break;
    }
    part.Translate(-sx, -sy);
    if (std::fabs(sx) < kMinSlideStep && std::fabs(sy) < kMinSlideStep) break;
    sx = sx / 2;
    sy = sy / 2;
  }
}

namespace {

// A slide outside a placement: the obstacles and the part's index are made
// for it alone.
void SlideAlone(PackJob& job, Part& part, bool left) {
  Obstacles obstacles;
  obstacles.Build(job, part);
  PartIndex index;
  index.Build(part);
  Slide(job, part, left, obstacles, index);
}

}  // namespace

void SlideLeft(PackJob& job, Part& part) { SlideAlone(job, part, true); }
void SlideDown(PackJob& job, Part& part) { SlideAlone(job, part, false); }

}  // namespace nest
