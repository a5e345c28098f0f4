#include "fuzz/LayoutFuzz.hpp"

#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/PackJob.hpp"
#include "app/Stop.hpp"
#include "fuzz/PartFileFuzz.hpp"
#include "placement/Evaluation.hpp"
#include "search/IDSequence.hpp"

namespace nest::fuzz {

namespace {

// The placement accepts a part whose box sticks out of the sheet, or into
// another part's box, by less than this.
constexpr double kBoxTolerance = 0.00001;

class Geos {
 public:
  Geos() : ctx_(GEOS_init_r()) {}
  ~Geos() { GEOS_finish_r(ctx_); }
  Geos(const Geos&) = delete;
  Geos& operator=(const Geos&) = delete;
  [[nodiscard]] GEOSContextHandle_t Ctx() const { return ctx_; }

 private:
  GEOSContextHandle_t ctx_;
};

struct GeomDeleter {
  GEOSContextHandle_t ctx;
  void operator()(GEOSGeometry* g) const { GEOSGeom_destroy_r(ctx, g); }
};
using Geom = std::unique_ptr<GEOSGeometry, GeomDeleter>;

// The loop's vertices, closed by the first one again.
GEOSCoordSequence* ClosedSequence(GEOSContextHandle_t ctx, const Loop& loop) {
  const auto& v = loop.Vertices();
  const auto n = static_cast<unsigned>(v.size());
  GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx, n + 1, 2);
  for (unsigned i = 0; i <= n; ++i) GEOSCoordSeq_setXY_r(ctx, seq, i, v[i % n].x, v[i % n].y);
  return seq;
}

// The outline as a closed line (any loop of at least one vertex).
Geom Outline(GEOSContextHandle_t ctx, const Loop& loop) {
  if (loop.Count() == 1) {
    return Geom(GEOSGeom_createPointFromXY_r(ctx, loop.Vertices()[0].x, loop.Vertices()[0].y), {ctx});
  }
  return Geom(GEOSGeom_createLineString_r(ctx, ClosedSequence(ctx, loop)), {ctx});
}

// The part's material as a valid polygon (outline less holes); null when the
// loops do not make one (fewer than three vertices, a self-crossing outline,
// a hole outside the outline...): such parts are not checked for overlap.
Geom Material(GEOSContextHandle_t ctx, const Part& part) {
  auto ring = [&](const Loop& loop) -> GEOSGeometry* {
    return loop.Count() < 3 ? nullptr : GEOSGeom_createLinearRing_r(ctx, ClosedSequence(ctx, loop));
  };
  GEOSGeometry* shell = ring(part.OutLoop);
  if (shell == nullptr) return Geom(nullptr, {ctx});
  std::vector<GEOSGeometry*> holes;
  for (const Loop& h : part.InnerLoops.Loops()) {
    GEOSGeometry* r = ring(h);
    if (r == nullptr) {
      GEOSGeom_destroy_r(ctx, shell);
      for (GEOSGeometry* done : holes) GEOSGeom_destroy_r(ctx, done);
      return Geom(nullptr, {ctx});
    }
    holes.push_back(r);
  }
  Geom polygon(GEOSGeom_createPolygon_r(ctx, shell, holes.data(), static_cast<unsigned>(holes.size())),
               {ctx});
  if (!polygon || GEOSisValid_r(ctx, polygon.get()) != 1) return Geom(nullptr, {ctx});
  return polygon;
}

Geom Rectangle(GEOSContextHandle_t ctx, double minX, double maxX, double minY, double maxY) {
  GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx, 5, 2);
  const double xs[5] = {minX, maxX, maxX, minX, minX};
  const double ys[5] = {minY, minY, maxY, maxY, minY};
  for (unsigned i = 0; i < 5; ++i) GEOSCoordSeq_setXY_r(ctx, seq, i, xs[i], ys[i]);
  return Geom(GEOSGeom_createPolygon_r(ctx, GEOSGeom_createLinearRing_r(ctx, seq), nullptr, 0), {ctx});
}

bool SameVertices(const Part& a, const Part& b) { return a.OutLoop.Vertices() == b.OutLoop.Vertices(); }

std::string Describe(const Part& p) { return "part " + std::to_string(p.ID) + " (" + p.Name + ")"; }

// Where two placed parts share more than an edge: an intersection wider, on
// average, than the tolerances of the placement rules and the rounding of
// coordinates of magnitude `scale`.
bool Overlap(GEOSContextHandle_t ctx, const GEOSGeometry* a, const GEOSGeometry* b, double scale) {
  if (GEOSIntersects_r(ctx, a, b) != 1) return false;
  Geom common(GEOSIntersection_r(ctx, a, b), {ctx});
  if (!common) return false;  // a topology failure is GEOS's limit, not a finding
  double area = 0.0;
  double perimeter = 0.0;
  GEOSArea_r(ctx, common.get(), &area);
  GEOSLength_r(ctx, common.get(), &perimeter);
  const double width = 2.0 * kBoxTolerance + 1e-9 * scale;
  return area > width * perimeter / 2.0;
}

// The placed parts lie inside the sheet (by the tolerance) and no two overlap.
std::string CheckLayout(const PackJob& job) {
  const Geos geos;
  const GEOSContextHandle_t ctx = geos.Ctx();
  std::vector<const Part*> placed;
  double scale = std::max(std::fabs(job.SheetLength), std::fabs(job.SheetWidth));
  for (const Part& p : job.Parts) {
    const auto parked = std::find_if(job.InitialParts.begin(), job.InitialParts.end(),
                                     [&](const Part& q) { return q.ID == p.ID; });
    if (parked != job.InitialParts.end() && SameVertices(p, *parked)) continue;  // found no place
    placed.push_back(&p);
    for (const Vertex& v : p.OutLoop.Vertices()) scale = std::max({scale, std::fabs(v.x), std::fabs(v.y)});
  }

  const double margin = 2.0 * kBoxTolerance + 1e-12 * scale;
  const Geom sheet = Rectangle(ctx, -margin, job.SheetLength + margin, -margin, job.SheetWidth + margin);
  std::vector<Geom> material;
  for (const Part* p : placed) {
    if (p->OutLoop.Count() == 0) return Describe(*p) + " was placed without an outline";
    const Geom outline = Outline(ctx, p->OutLoop);
    if (GEOSCovers_r(ctx, sheet.get(), outline.get()) != 1) return Describe(*p) + " lies off the sheet";
    material.push_back(Material(ctx, *p));
  }
  for (std::size_t i = 0; i < placed.size(); ++i) {
    for (std::size_t j = i + 1; j < placed.size(); ++j) {
      if (!material[i] || !material[j]) continue;
      if (Overlap(ctx, material[i].get(), material[j].get(), scale)) {
        return Describe(*placed[i]) + " overlaps " + Describe(*placed[j]);
      }
    }
  }
  return {};
}

// Every coordinate, height and angle of the drawing is a finite number.
std::string CheckDrawing(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string code;
  std::string value;
  while (std::getline(in, code) && std::getline(in, value)) {
    const int group = std::atoi(code.c_str());
    if (group >= 10 && group <= 59 && !std::isfinite(std::strtod(value.c_str(), nullptr))) {
      return "the drawing holds the value " + value + " under group code " + code;
    }
  }
  return {};
}

}  // namespace

std::string RunLayoutInput(const std::uint8_t* data, std::size_t size, const std::string& drawingPath) {
  PackJob job;
  if (!SetUpSmallJob(data, size, job)) return {};
  (void)EvaluateSequence(job, InitialSequence(job.PartCount));
  std::string finding = CheckLayout(job);
  try {
    job.WriteDxf(drawingPath);
  } catch (const RunStop& stop) {
    return finding.empty() ? "the drawing failed: " + stop.text : finding;
  }
  return finding.empty() ? CheckDrawing(drawingPath) : finding;
}

}  // namespace nest::fuzz
