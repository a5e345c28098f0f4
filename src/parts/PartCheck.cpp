#include "parts/PartCheck.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace nest {

namespace {

struct Edge {
  Vertex a;
  Vertex b;
  int loop;   // 0 the outer loop, 1 onwards the holes
  int index;  // edge i runs from vertex i to vertex i + 1
  int count;  // vertices of its loop
  double minX;
  double maxX;
};

double Cross(const Vertex& o, const Vertex& p, const Vertex& q) {
  return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
}

// The side of `c` against the line through `a`, `b`: +1 or -1 when it lies
// more than `tolerance` away, 0 when nearer.
int Side(const Vertex& a, const Vertex& b, const Vertex& c, double tolerance) {
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  const double cross = Cross(a, b, c);
  if (std::fabs(cross) <= tolerance * length) return 0;
  return cross > 0.0 ? 1 : -1;
}

bool Adjacent(const Edge& e, const Edge& f) {
  if (e.loop != f.loop) return false;
  const int d = std::abs(e.index - f.index);
  return d <= 1 || d == e.count - 1;
}

// Each edge's end points lie clearly on both sides of the other edge.
bool ProperlyCross(const Edge& e, const Edge& f, double tolerance) {
  const int s1 = Side(e.a, e.b, f.a, tolerance);
  const int s2 = Side(e.a, e.b, f.b, tolerance);
  if (s1 == 0 || s2 == 0 || s1 == s2) return false;
  const int s3 = Side(f.a, f.b, e.a, tolerance);
  const int s4 = Side(f.a, f.b, e.b, tolerance);
  return s3 != 0 && s4 != 0 && s3 != s4;
}

bool AnyCrossing(std::vector<Edge>& edges, double tolerance) {
  std::sort(edges.begin(), edges.end(), [](const Edge& e, const Edge& f) { return e.minX < f.minX; });
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const Edge& e = edges[i];
    const double eMinY = std::min(e.a.y, e.b.y);
    const double eMaxY = std::max(e.a.y, e.b.y);
    for (std::size_t j = i + 1; j < edges.size() && edges[j].minX <= e.maxX; ++j) {
      const Edge& f = edges[j];
      if (std::max(f.a.y, f.b.y) < eMinY || std::min(f.a.y, f.b.y) > eMaxY) continue;
      if (!Adjacent(e, f) && ProperlyCross(e, f, tolerance)) return true;
    }
  }
  return false;
}

double DistanceToSegment(const Vertex& p, const Vertex& a, const Vertex& b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Clearly outside the loop: outside by the crossing rule and farther than
// `tolerance` from its boundary.
bool ClearlyOutside(const Vertex& p, const Loop& loop, double tolerance) {
  const std::vector<Vertex>& v = loop.Vertices();
  const std::size_t n = v.size();
  bool inside = false;
  double nearest = INFINITY;
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const Vertex& a = v[j];
    const Vertex& b = v[i];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
    nearest = std::min(nearest, DistanceToSegment(p, a, b));
  }
  return !inside && nearest > tolerance;
}

// A loop whose area is lost in the rounding of its coordinates.
bool WithoutArea(const Loop& loop) {
  const BoundingBox& b = loop.Box();
  return !(loop.Area() > 1e-12 * (b.maxX - b.minX) * (b.maxY - b.minY));
}

}  // namespace

PartProblem CheckPartGeometry(const Part& part) {
  std::vector<const Loop*> loops{&part.OutLoop};
  for (const Loop& hole : part.InnerLoops.Loops()) loops.push_back(&hole);

  double scale = 1.0;
  for (const Loop* loop : loops) {
    for (const Vertex& v : loop->Vertices()) {
      if (!(std::fabs(v.x) <= kMaxCoordinate && std::fabs(v.y) <= kMaxCoordinate)) {
        return PartProblem::kCoordinateRange;
      }
      scale = std::max({scale, std::fabs(v.x), std::fabs(v.y)});
    }
  }
  for (const Loop* loop : loops) {
    if (loop->Count() < 3) return PartProblem::kTooFewVertices;
  }
  for (const Loop* loop : loops) {
    if (WithoutArea(*loop)) return PartProblem::kZeroArea;
  }

  // Distances below this are taken for rounding of coordinates that meet.
  const double tolerance = 1e-9 * scale;
  std::vector<Edge> edges;
  for (int l = 0; l < static_cast<int>(loops.size()); ++l) {
    const std::vector<Vertex>& v = loops[l]->Vertices();
    const int n = static_cast<int>(v.size());
    for (int i = 0; i < n; ++i) {
      const Vertex& a = v[i];
      const Vertex& b = v[(i + 1) % n];
      edges.push_back(Edge{a, b, l, i, n, std::min(a.x, b.x), std::max(a.x, b.x)});
    }
  }
  if (AnyCrossing(edges, tolerance)) return PartProblem::kCrossing;

  for (std::size_t l = 1; l < loops.size(); ++l) {
    for (const Vertex& v : loops[l]->Vertices()) {
      if (ClearlyOutside(v, part.OutLoop, tolerance)) return PartProblem::kHoleOutside;
    }
  }
  if (!(part.Area > 0.0) || !std::isfinite(part.Centroid.x) || !std::isfinite(part.Centroid.y)) {
    return PartProblem::kHoleTooLarge;
  }
  return PartProblem::kNone;
}

std::string PrintableName(std::string_view name) {
  std::string s(name);
  for (char& c : s) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = '?';
  }
  return s;
}

}  // namespace nest
