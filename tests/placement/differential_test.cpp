// Differential test: the production predicates, placement and evaluation
// against the literal model in placement/reference. Random small jobs (convex
// and concave parts, with and without holes, integer coordinates so that
// touching and collinear contacts really happen) are laid out by both, and
// every coordinate, box, label, efficiency and remaining candidate point must
// agree bit for bit. A failure names the seed and writes the part data file
// of the job into the test's temporary directory, so the job can be replayed.

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/PackJob.hpp"
#include "geometry/Loop.hpp"
#include "geometry/LoopList.hpp"
#include "parts/Part.hpp"
#include "placement/Collision.hpp"
#include "placement/Evaluation.hpp"
#include "placement/Placement.hpp"
#include "placement/reference/LiteralNesting.hpp"
#include "search/IDSequence.hpp"

namespace nest {
namespace {

namespace lit = nest::literal;

using Rng = std::mt19937;
using Pts = std::vector<Vertex>;

// ------------------------------------------------------------- comparing

std::string Show(double v) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%.17g (%a)", v, v);
  return buf;
}

// Records the first difference found; later ones are ignored so that a report
// names the root cause rather than its consequences.
class Differences {
 public:
  void Real(const std::string& what, double production, double reference) {
    if (!first_.empty()) return;
    const bool same = production == reference || (std::isnan(production) && std::isnan(reference));
    if (!same) first_ = what + ": production " + Show(production) + ", reference " + Show(reference);
  }
  void Int(const std::string& what, long long production, long long reference) {
    if (!first_.empty() || production == reference) return;
    first_ = what + ": production " + std::to_string(production) + ", reference " + std::to_string(reference);
  }
  void Text(const std::string& what, const std::string& production, const std::string& reference) {
    if (!first_.empty() || production == reference) return;
    first_ = what + ": production \"" + production + "\", reference \"" + reference + "\"";
  }
  void Flag(const std::string& what, bool production, bool reference) {
    if (!first_.empty() || production == reference) return;
    first_ = what + ": production " + (production ? "true" : "false") + ", reference " +
             (reference ? "true" : "false");
  }
  void Box(const std::string& what, const BoundingBox& p, const lit::BoundingBox& r) {
    Real(what + ".minX", p.minX, r.minX);
    Real(what + ".maxX", p.maxX, r.maxX);
    Real(what + ".minY", p.minY, r.minY);
    Real(what + ".maxY", p.maxY, r.maxY);
  }
  void Point(const std::string& what, const Vertex& p, const lit::Vertex& r) {
    Real(what + ".x", p.x, r.x);
    Real(what + ".y", p.y, r.y);
  }
  void LoopData(const std::string& what, const Loop& p, const lit::Loop& r) {
    Int(what + " vertex count", p.Count(), r.Count);
    if (!first_.empty()) return;
    for (int i = 0; i < r.Count; ++i) {
      Point(what + " vertex " + std::to_string(i), p.Vertices()[static_cast<std::size_t>(i)],
            r.Vertices[static_cast<std::size_t>(i)]);
    }
    Box(what + " box", p.Box(), r.Box);
    Real(what + " area", p.Area(), r.Area);
  }
  void PartData(const std::string& what, const Part& p, const lit::Part& r) {
    Int(what + " ID", p.ID, r.ID);
    Text(what + " name", p.Name, r.Name);
    LoopData(what + " outer loop", p.OutLoop, r.OutLoop);
    Int(what + " hole count", p.InnerLoops.Count(), r.InnerLoops.Count());
    if (!first_.empty()) return;
    int h = 0;
    for (auto* n = r.InnerLoops.First(); n != r.InnerLoops.Tail(); n = n->next) {
      LoopData(what + " hole " + std::to_string(h), p.InnerLoops.Loops()[static_cast<std::size_t>(h)], n->value);
      ++h;
    }
    Real(what + " area", p.Area, r.Area);
    Box(what + " box", p.Box, r.Box);
    Point(what + " centroid", p.Centroid, r.Centroid);
    Text(what + " label text", p.Label.Text, r.Label.Text);
    Real(what + " label X", p.Label.X, r.Label.X);
    Real(what + " label Y", p.Label.Y, r.Label.Y);
    Real(what + " label angle", p.Label.Angle, r.Label.Angle);
    Real(what + " label height", p.Label.Height, r.Label.Height);
  }
  void PartListData(const std::string& what, const PartList& p, const lit::PartList& r) {
    Int(what + " count", p.Count(), r.Count());
    if (!first_.empty()) return;
    std::size_t i = 0;
    for (auto* n = r.First(); n != r.Tail(); n = n->next) {
      PartData(what + "[" + std::to_string(i) + "]", p[i], n->value);
      ++i;
    }
  }
  void Candidates(const std::string& what, const CandidateGrid& p, const lit::VertexList& r) {
    const std::vector<Vertex> points = p.ToVector();
    Int(what + " count", static_cast<long long>(points.size()), r.Count());
    if (!first_.empty()) return;
    std::size_t i = 0;
    for (auto* n = r.First(); n != r.Tail(); n = n->next) {
      Point(what + "[" + std::to_string(i) + "]", points[i], n->value);
      ++i;
    }
  }
  void Slots(const PackJob& p, const lit::PackJob& r) {
    Int("type slot count", static_cast<long long>(p.TypeSlots.size()), static_cast<long long>(r.TypeSlots.size()));
    if (!first_.empty()) return;
    for (std::size_t i = 0; i < r.TypeSlots.size(); ++i) {
      Text("slot " + std::to_string(i) + " name", p.TypeSlots[i].Name, r.TypeSlots[i].Name);
      Point("slot " + std::to_string(i) + " last position", p.TypeSlots[i].LastPosition, r.TypeSlots[i].LastPosition);
    }
  }

  [[nodiscard]] const std::string& First() const { return first_; }

 private:
  std::string first_;
};

// ------------------------------------------------------- random geometry

int UniformInt(Rng& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
double Uniform(Rng& rng, double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
bool Chance(Rng& rng, double p) { return Uniform(rng, 0.0, 1.0) < p; }

double SignedArea(const Pts& pts) {
  double s = 0.0;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const Vertex& a = pts[i];
    const Vertex& b = pts[(i + 1) % pts.size()];
    s += a.x * b.y - b.x * a.y;
  }
  return s / 2.0;
}

// Either orientation and any starting vertex.
Pts Shuffled(Rng& rng, Pts pts) {
  if (Chance(rng, 0.5)) std::reverse(pts.begin(), pts.end());
  std::rotate(pts.begin(), pts.begin() + UniformInt(rng, 0, static_cast<int>(pts.size()) - 1), pts.end());
  return pts;
}

Pts Rect(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

// An L in the box (x0, y0)-(x1, y1): the notch is the upper right corner.
Pts LShape(double x0, double y0, double x1, double y1, double xa, double ya) {
  return {{x0, y0}, {x1, y0}, {x1, ya}, {xa, ya}, {xa, y1}, {x0, y1}};
}

// A star-shaped polygon about (cx, cy) with radii in [rMin, rMax].
Pts Star(Rng& rng, double cx, double cy, double rMin, double rMax, int n) {
  Pts pts;
  const double step = 2.0 * std::acos(-1.0) / n;
  for (int i = 0; i < n; ++i) {
    const double a = (i + Uniform(rng, 0.15, 0.85)) * step;
    const double r = Uniform(rng, rMin, rMax);
    pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return pts;
}

// Distance from the point to the closest edge of the loop.
double InnerRadius(const Pts& pts, const Vertex& c) {
  double best = 1e300;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const Vertex& a = pts[i];
    const Vertex& b = pts[(i + 1) % pts.size()];
    const double ex = b.x - a.x;
    const double ey = b.y - a.y;
    double t = ((c.x - a.x) * ex + (c.y - a.y) * ey) / (ex * ex + ey * ey);
    t = std::clamp(t, 0.0, 1.0);
    const double px = a.x + t * ex - c.x;
    const double py = a.y + t * ey - c.y;
    best = std::min(best, std::sqrt(px * px + py * py));
  }
  return best;
}

// A hole strictly inside the integer box (x0, y0)-(x1, y1), at least one unit
// from its sides: a rectangle, a triangle or a concave L.
Pts HoleInBox(Rng& rng, int x0, int y0, int x1, int y1) {
  const int hx0 = UniformInt(rng, x0 + 1, x0 + 1 + (x1 - x0 - 4) / 3);
  const int hy0 = UniformInt(rng, y0 + 1, y0 + 1 + (y1 - y0 - 4) / 3);
  const int hx1 = UniformInt(rng, std::max(hx0 + 3, x1 - 1 - (x1 - x0 - 4) / 3), x1 - 1);
  const int hy1 = UniformInt(rng, std::max(hy0 + 3, y1 - 1 - (y1 - y0 - 4) / 3), y1 - 1);
  const int kind = UniformInt(rng, 0, 2);
  if (kind == 0) return Rect(hx0, hy0, hx1, hy1);
  if (kind == 1) return {{double(hx0), double(hy0)}, {double(hx1), double(hy0)}, {double(hx0), double(hy1)}};
  const int xa = UniformInt(rng, hx0 + 1, hx1 - 1);
  const int ya = UniformInt(rng, hy0 + 1, hy1 - 1);
  return LShape(hx0, hy0, hx1, hy1, xa, ya);
}

struct Shape {
  Pts outer;
  std::vector<Pts> holes;
  int format = 0;  // 0: shortest exact, 1: three decimals, 2: one decimal
};

// A random part of about `size` across.
Shape RandomShape(Rng& rng, double size) {
  Shape s;
  const int kind = UniformInt(rng, 0, 5);
  const int w = std::max(2, static_cast<int>(std::lround(size * Uniform(rng, 0.5, 1.2))));
  const int h = std::max(2, static_cast<int>(std::lround(size * Uniform(rng, 0.5, 1.2))));
  if (kind == 0 || kind == 1) {
    // Rectangle, a frame when large enough.
    s.outer = Rect(0, 0, w, h);
    if (w >= 6 && h >= 6 && Chance(rng, 0.6)) {
      if (w >= 12 && Chance(rng, 0.4)) {
        const int mid = w / 2;
        s.holes.push_back(HoleInBox(rng, 0, 0, mid, h));
        if (w % 2 == 0 && Chance(rng, 0.5)) {
          // The mirror image: both holes are equally near the centroid.
          Pts mirror = s.holes.back();
          for (Vertex& v : mirror) v.x = w - v.x;
          s.holes.push_back(mirror);
        } else {
          s.holes.push_back(HoleInBox(rng, mid, 0, w, h));
        }
      } else {
        s.holes.push_back(HoleInBox(rng, 0, 0, w, h));
      }
    }
  } else if (kind == 2) {
    // Triangle with integer corners.
    do {
      s.outer = {{double(UniformInt(rng, 0, w)), double(UniformInt(rng, 0, h))},
                 {double(UniformInt(rng, 0, w)), double(UniformInt(rng, 0, h))},
                 {double(UniformInt(rng, 0, w)), double(UniformInt(rng, 0, h))}};
    } while (std::fabs(SignedArea(s.outer)) < 0.2 * w * h);
  } else if (kind == 3) {
    // L shape, with a hole in its lower bar when thick enough.
    const int xa = UniformInt(rng, 1, w - 1);
    const int ya = UniformInt(rng, 1, h - 1);
    s.outer = LShape(0, 0, w, h, xa, ya);
    if (w >= 6 && ya >= 6 && Chance(rng, 0.4)) s.holes.push_back(HoleInBox(rng, 0, 0, w, ya));
  } else {
    // Star-shaped, convex or concave, real coordinates.
    const double r = size * 0.5;
    const int n = UniformInt(rng, 3, 9);
    do {
      s.outer = Star(rng, r, r, kind == 4 ? r * 0.9 : r * 0.35, r, n);
    } while (std::fabs(SignedArea(s.outer)) < 0.3 * r * r);
    s.format = UniformInt(rng, 0, r < 3.0 ? 1 : 2);
    const double rin = InnerRadius(s.outer, Vertex{r, r});
    if (rin > 1.0 && Chance(rng, 0.4)) {
      s.holes.push_back(Star(rng, r, r, rin * 0.3, rin * 0.6, UniformInt(rng, 3, 6)));
    }
  }
  s.outer = Shuffled(rng, s.outer);
  for (Pts& hole : s.holes) hole = Shuffled(rng, hole);
  return s;
}

// ----------------------------------------------------- part data files

std::string Number(double v, int format) {
  char buf[64];
  if (format == 1) {
    std::snprintf(buf, sizeof buf, "%.3f", v);
  } else if (format == 2) {
    std::snprintf(buf, sizeof buf, "%.1f", v);
  } else {
    std::snprintf(buf, sizeof buf, "%.17g", v);
  }
  return buf;
}

void WriteLoop(std::ostringstream& out, Rng& rng, const Pts& pts, int format, double dx, double dy) {
  static const char* const kSeparators[] = {",", " ", ", ", "\t"};
  for (const Vertex& v : pts) {
    out << Number(v.x + dx, format) << kSeparators[UniformInt(rng, 0, 3)] << Number(v.y + dy, format) << "\n";
  }
}

struct Job {
  std::string text;
  int rn = 1;
  double ppd = 1.0;
};

Job RandomJob(Rng& rng) {
  Job job;
  const double length = Chance(rng, 0.7) ? UniformInt(rng, 40, 160) : Uniform(rng, 40.0, 160.0);
  const double width = Chance(rng, 0.7) ? UniformInt(rng, 20, 80) : Uniform(rng, 20.0, 80.0);
  const double points = Uniform(rng, 20.0, 400.0);
  job.ppd = std::sqrt(length * width / points);
  if (Chance(rng, 0.5)) job.ppd = std::max(1.0, std::round(job.ppd));
  job.ppd = std::min(job.ppd, std::min(length, width));
  if (Chance(rng, 0.02)) job.ppd = std::min(length, width);  // the coarsest grid allowed
  job.rn = Chance(rng, 0.05) ? UniformInt(rng, 17, 24) : UniformInt(rng, 1, 6);  // many: sorted otherwise

  std::ostringstream out;
  out << "SheetLength: " << Number(length, 0) << "\n";
  out << "SheetWidth: " << Number(width, 0) << "\n";
  out << "PartDistance: 0\n";
  out << "A comment line between blocks\n";
  const int types = UniformInt(rng, 1, 6);
  // Some jobs are a large frame and small parts, to fill the frame's holes.
  const bool frameJob = Chance(rng, 0.3);
  std::vector<std::string> names;
  int count = 1;
  Shape previous;
  for (int t = 0; t < types; ++t) {
    Shape shape;
    if (frameJob && t == 0) {
      const int w = std::max(12, static_cast<int>(width * Uniform(rng, 0.5, 0.9)));
      const int h = std::max(12, static_cast<int>(width * Uniform(rng, 0.5, 0.9)));
      shape.outer = Shuffled(rng, Rect(0, 0, w, h));
      shape.holes.push_back(Shuffled(rng, HoleInBox(rng, 0, 0, w, h)));
    } else if (frameJob) {
      shape = RandomShape(rng, width * Uniform(rng, 0.06, 0.25));
    } else if (t > 0 && Chance(rng, 0.1)) {
      shape = previous;  // the same outline again: equal areas
    } else {
      const double scale = Chance(rng, 0.35) ? Uniform(rng, 0.4, 0.9) : Uniform(rng, 0.08, 0.3);
      shape = RandomShape(rng, width * scale);
      if (Chance(rng, 0.03)) {
        shape.outer = Rect(0, 0, length + 5, width * 0.5);  // fits nowhere
        shape.holes.clear();
      } else if (job.rn == 1 && Chance(rng, 0.05)) {
        // A flat part: no area, a box without height or width (slides that
        // cannot step, a centroid that is not a number). Only with RN 1: a
        // quarter or half turn leaves a box a few 1e-16 wide, whose slide
        // takes some 1e11 steps in a literal reading and is cut short by the
        // production code's bound on moves per pass, which the model does
        // not copy.
        const double n = UniformInt(rng, 2, 9);
        shape.outer = Chance(rng, 0.5) ? Pts{{0, 0}, {n, 0}, {2 * n, 0}} : Pts{{0, 0}, {0, n}, {0, 2 * n}};
        shape.holes.clear();
        shape.format = 0;
      }
    }
    previous = shape;
    std::string name = "Type" + std::to_string(t);
    if (t > 0 && Chance(rng, 0.1)) name = names[static_cast<std::size_t>(UniformInt(rng, 0, t - 1))];
    names.push_back(name);
    const bool integral = shape.format == 0;
    const double dx = integral ? UniformInt(rng, -50, 50) : Uniform(rng, -50.0, 50.0);
    const double dy = integral ? UniformInt(rng, -50, 50) : Uniform(rng, -50.0, 50.0);

    out << "Part\nName\n" << name << "\n";
    if (t == 0 || Chance(rng, 0.9)) {
      count = Chance(rng, 0.05) ? 0 : UniformInt(rng, 1, 3);
      out << "PartNumOfSameType\n" << count << "\n";
    }
    out << "OutLoop\n";
    WriteLoop(out, rng, shape.outer, shape.format, dx, dy);
    out << "EndOutLoop\n";
    for (const Pts& hole : shape.holes) {
      out << "InnerLoop\n";
      WriteLoop(out, rng, hole, shape.format, dx, dy);
      out << "EndInnerLoop\n";
    }
    out << "EndPart\n";
  }
  job.text = out.str();
  return job;
}

// The concave-hole case: an L-shaped hole whose inner corner a triangle would
// cut through if only its vertices were tested.
Job LHoleJob() {
  Job job;
  job.rn = 1;
  job.ppd = 5.0;
  job.text =
      "SheetLength: 200\nSheetWidth: 100\nPartDistance: 0\n"
      "Part\nName\nframe\nPartNumOfSameType\n1\nOutLoop\n0,0\n100,0\n100,100\n0,100\nEndOutLoop\n"
      "InnerLoop\n10,10\n90,10\n90,30\n30,30\n30,90\n10,90\nEndInnerLoop\nEndPart\n"
      "Part\nName\ntriangle\nPartNumOfSameType\n1\nOutLoop\n0,0\n70,0\n0,70\nEndOutLoop\nEndPart\n";
  return job;
}

// Named after the process too: ctest runs the tests side by side, each in a
// process of its own, and each must read back the file it wrote.
std::string WriteJobFile(const Job& job, const std::string& name) {
  const std::string path = testing::TempDir() + std::to_string(getpid()) + "_" + name;
  std::ofstream(path, std::ios::binary) << job.text;
  return path;
}

std::vector<int> RandomSequence(Rng& rng, int n) {
  std::vector<int> ids(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) ids[static_cast<std::size_t>(i)] = i;
  std::shuffle(ids.begin(), ids.end(), rng);
  return ids;
}

// What the compared layouts held, so that the test can tell that it laid
// out real work.
struct Coverage {
  int layouts = 0;
  int partsOnSheet = 0;
  int partsOffSheet = 0;
  int turnedParts = 0;
  int partsInHoles = 0;
};

void Count(const lit::PackJob& job, Coverage& coverage) {
  ++coverage.layouts;
  for (auto* n = job.Parts.First(); n != job.Parts.Tail(); n = n->next) {
    const lit::Part& part = n->value;
    if (!lit::FitsInBox(part, job.SheetBox)) {
      ++coverage.partsOffSheet;
      continue;
    }
    ++coverage.partsOnSheet;
    if (part.Label.Angle != 0.0) ++coverage.turnedParts;
    for (auto* m = job.Parts.First(); m != job.Parts.Tail(); m = m->next) {
      if (m == n) continue;
      for (auto* h = m->value.InnerLoops.First(); h != m->value.InnerLoops.Tail(); h = h->next) {
        if (lit::IsLoopInsideLoop(h->value, part.OutLoop)) ++coverage.partsInHoles;
      }
    }
  }
}

// Sets both jobs up from the same text, lays out a few sequences in both and
// returns the first difference ("" when none).
std::string CompareJob(const Job& job, const std::string& fileName, Rng& rng, int sequences, Coverage& coverage) {
  const std::string path = WriteJobFile(job, fileName);
  PackJob production;
  production.Setup(path, job.rn, job.ppd);
  std::remove(path.c_str());
  lit::PackJob reference;
  reference.Setup(job.text, job.rn, job.ppd);

  Differences diff;
  diff.PartListData("parked Parts", production.Parts, reference.Parts);
  diff.PartListData("InitialParts", production.InitialParts, reference.InitialParts);
  diff.Int("PartCount", production.PartCount, reference.PartCount);
  diff.Slots(production, reference);
  diff.Real("total part area", TotalPartArea(production), lit::TotalPartArea(reference));
  if (!diff.First().empty()) return "after set-up: " + diff.First();

  for (int s = 0; s < sequences; ++s) {
    IDSequence sequence;
    sequence.ids = RandomSequence(rng, reference.PartCount);
    const std::string where = "sequence " + std::to_string(s) + ": ";
    const double pe = EvaluateSequence(production, sequence);
    const double re = lit::EvaluateSequence(reference, sequence.ids);
    Count(reference, coverage);
    diff.PartListData("Parts", production.Parts, reference.Parts);
    diff.Real("efficiency", pe, re);
    diff.Candidates("remaining candidate points", production.CandidatePoints, reference.CandidatePoints);
    diff.Slots(production, reference);
    diff.Real("LayoutEfficiency again", LayoutEfficiency(production), lit::LayoutEfficiency(reference));
    if (!diff.First().empty()) {
      std::string ids;
      for (int id : sequence.ids) ids += std::to_string(id) + " ";
      return where + "IDs " + ids + ": " + diff.First();
    }
    production.RestoreParts();
    reference.RestoreParts();
    diff.PartListData("restored Parts", production.Parts, reference.Parts);
    if (!diff.First().empty()) return where + diff.First();
  }

  // Once more from turned starting positions off the sheet. Parked parts have
  // coordinates so coarse that some rounding steps (the turn by 0 of the
  // commit, for one) cannot show; turned ones have all their bits.
  std::size_t i = 0;
  for (auto* n = reference.Parts.First(); n != reference.Parts.Tail(); n = n->next, ++i) {
    const double angle = Uniform(rng, 0.0, 6.0);
    const lit::Vertex centre{Uniform(rng, 0.0, 50.0), Uniform(rng, 0.0, 50.0)};
    n->value.Rotate(centre, angle);
    production.Parts[i].Rotate(Vertex{centre.x, centre.y}, angle);
    const double dx = reference.SheetLength + Uniform(rng, 0.5, 3.0) - n->value.Box.minX;
    const double dy = -Uniform(rng, 0.0, 3.0) - n->value.Box.maxY;
    n->value.Translate(dx, dy);
    production.Parts[i].Translate(dx, dy);
  }
  diff.PartListData("turned Parts", production.Parts, reference.Parts);
  if (!diff.First().empty()) return diff.First();
  IDSequence sequence;
  sequence.ids = RandomSequence(rng, reference.PartCount);
  const double pe = EvaluateSequence(production, sequence);
  const double re = lit::EvaluateSequence(reference, sequence.ids);
  diff.PartListData("Parts", production.Parts, reference.Parts);
  diff.Real("efficiency", pe, re);
  diff.Candidates("remaining candidate points", production.CandidatePoints, reference.CandidatePoints);
  diff.Slots(production, reference);
  if (!diff.First().empty()) return "from turned starts: " + diff.First();
  return "";
}

// ------------------------------------------------------------ the tests

TEST(DifferentialPlacementTest, IssueLHoleJobAgreesWithTheLiteralModel) {
  Rng rng(7);
  const Job job = LHoleJob();
  Coverage coverage;
  EXPECT_EQ(CompareJob(job, "differential_lhole.txt", rng, 2, coverage), "");
  // The model itself keeps the triangle out of the frame's L-shaped hole.
  lit::PackJob reference;
  reference.Setup(job.text, job.rn, job.ppd);
  lit::EvaluateSequence(reference, {0, 1});
  const lit::Part& triangle = reference.Parts.First()->next->value;
  EXPECT_GE(triangle.Box.minX, 100.0 - 0.00001);
}

TEST(DifferentialLayoutTest, RandomJobsAgreeWithTheLiteralModel) {
  constexpr int kJobs = 500;
  int failures = 0;
  Coverage coverage;
  for (int i = 0; i < kJobs; ++i) {
    const unsigned seed = 1000u + static_cast<unsigned>(i);
    Rng rng(seed);
    const Job job = RandomJob(rng);
    const std::string diff =
        CompareJob(job, "differential_job_" + std::to_string(seed) + ".txt", rng, UniformInt(rng, 2, 3), coverage);
    if (!diff.empty()) {
      ++failures;
      if (failures <= 3) {
        const std::string kept = WriteJobFile(job, "differential_failure_" + std::to_string(seed) + ".txt");
        ADD_FAILURE() << "seed " << seed << " (RN " << job.rn << ", PPD " << Show(job.ppd) << ", part file "
                      << kept << "):\n  " << diff << "\n"
                      << job.text;
      }
    }
  }
  EXPECT_EQ(failures, 0) << "of " << kJobs << " jobs";
  std::printf("%d layouts: %d parts on the sheet (%d turned, %d in holes), %d left off\n", coverage.layouts,
              coverage.partsOnSheet, coverage.turnedParts, coverage.partsInHoles, coverage.partsOffSheet);
  EXPECT_GT(coverage.partsOnSheet, coverage.layouts * 2);
  EXPECT_GT(coverage.turnedParts, coverage.layouts / 4);
  EXPECT_GT(coverage.partsInHoles, 20);
  EXPECT_GT(coverage.partsOffSheet, 20);
}

// The public instances beside the project (skipped when they are absent):
// real outlines with many vertices, laid out with their suggested rotations
// and a grid of some forty thousand points.
TEST(DifferentialLayoutTest, SharedInstancesAgreeWithTheLiteralModel) {
  const std::string dir = NEST_SHARED_BENCHMARKS_DIR;
  if (!std::ifstream(dir + "/albano.txt")) GTEST_SKIP() << "no shared instances at " << dir;
  struct Instance {
    const char* file;
    int rn;
  };
  const Instance instances[] = {
      {"albano.txt", 2},  {"blaz.txt", 2},     {"dagli.txt", 2},         {"fu.txt", 4},
      {"jakobs1.txt", 4}, {"jakobs2.txt", 4},  {"mao.txt", 4},           {"marques.txt", 4},
      {"shapes0.txt", 1}, {"shapes1.txt", 2},  {"swim.txt", 2},          {"trousers.txt", 2},
      {"holes1.txt", 4},  {"holes2.txt", 4},   {"holes3.txt", 4},        {"extra/poly1a.txt", 4},
      {"extra/han.txt", 4}, {"extra/dighe1.txt", 4}, {"extra/three.txt", 4},
  };
  Coverage coverage;
  for (const Instance& instance : instances) {
    std::ifstream file(dir + "/" + instance.file, std::ios::binary);
    if (!file) continue;
    Job job;
    job.text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    job.rn = instance.rn;
    lit::PackJob probe;
    probe.Setup(job.text, 1, 1.0);
    // A grid of about forty thousand points, as the suggested spacings give.
    job.ppd = std::sqrt(probe.SheetLength * probe.SheetWidth / 40000.0);
    Rng rng(7);
    const std::string diff = CompareJob(job, "differential_shared.txt", rng, 2, coverage);
    EXPECT_EQ(diff, "") << instance.file << " (RN " << job.rn << ", PPD " << Show(job.ppd) << ")";
  }
  EXPECT_GT(coverage.partsOnSheet, coverage.layouts * 10);
}

// ------------------------------------------------------------ predicates

Loop ProductionLoop(const Pts& pts) {
  Loop loop;
  loop.SetVertices(pts);
  return loop;
}

lit::Loop ReferenceLoop(const Pts& pts) {
  std::vector<lit::Vertex> v;
  for (const Vertex& p : pts) v.push_back({p.x, p.y});
  lit::Loop loop;
  loop.SetVertices(static_cast<int>(v.size()), v.data());
  return loop;
}

lit::Vertex Ref(const Vertex& v) { return lit::Vertex{v.x, v.y}; }

// A small loop on an integer grid: many shared edges, collinear edges and
// vertices on edges between two such loops.
Pts GridLoop(Rng& rng) {
  const int kind = UniformInt(rng, 0, 3);
  const int x0 = UniformInt(rng, 0, 4);
  const int y0 = UniformInt(rng, 0, 4);
  const int x1 = x0 + UniformInt(rng, 2, 6);
  const int y1 = y0 + UniformInt(rng, 2, 6);
  Pts pts;
  if (kind == 0) {
    pts = Rect(x0, y0, x1, y1);
  } else if (kind == 1) {
    pts = LShape(x0, y0, x1, y1, UniformInt(rng, x0 + 1, x1 - 1), UniformInt(rng, y0 + 1, y1 - 1));
  } else if (kind == 2) {
    pts = {{double(x0), double(y0)}, {double(x1), double(y0)}, {double(x0), double(y1)}};
  } else {
    pts = Star(rng, (x0 + x1) / 2.0, (y0 + y1) / 2.0, 0.5, (x1 - x0) / 2.0, UniformInt(rng, 3, 8));
    if (Chance(rng, 0.5)) {
      for (Vertex& v : pts) {
        v.x = std::round(v.x * 2.0) / 2.0;
        v.y = std::round(v.y * 2.0) / 2.0;
      }
    }
  }
  return Shuffled(rng, pts);
}

Vertex GridPoint(Rng& rng) {
  if (Chance(rng, 0.7)) return Vertex{UniformInt(rng, -1, 22) / 2.0, UniformInt(rng, -1, 22) / 2.0};
  return Vertex{Uniform(rng, -0.5, 11.0), Uniform(rng, -0.5, 11.0)};
}

TEST(DifferentialPredicateTest, PointsSegmentsAndLoopsAgreeWithTheLiteralModel) {
  Rng rng(20240601u);
  int inside = 0;
  int meeting = 0;
  int disjoint = 0;
  int holeInside = 0;
  for (int round = 0; round < 3000; ++round) {
    const Pts a = GridLoop(rng);
    const Pts b = GridLoop(rng);
    const Loop pa = ProductionLoop(a);
    const Loop pb = ProductionLoop(b);
    const lit::Loop ra = ReferenceLoop(a);
    const lit::Loop rb = ReferenceLoop(b);
    Differences diff;
    diff.LoopData("loop a", pa, ra);
    diff.LoopData("loop b", pb, rb);
    ASSERT_EQ(diff.First(), "") << "round " << round;

    for (int k = 0; k < 8; ++k) {
      Vertex p = GridPoint(rng);
      if (k == 0) p = a[static_cast<std::size_t>(UniformInt(rng, 0, static_cast<int>(a.size()) - 1))];
      const bool r = lit::IsPointInLoop(ra, Ref(p));
      inside += r ? 1 : 0;
      ASSERT_EQ(IsPointInLoop(ViewOf(pa), p), r) << "round " << round << " point " << Show(p.x) << ", " << Show(p.y);
    }
    for (int k = 0; k < 4; ++k) {
      Vertex s[4];
      for (Vertex& v : s) v = Chance(rng, 0.8) ? Vertex{double(UniformInt(rng, 0, 4)), double(UniformInt(rng, 0, 4))}
                                                : Vertex{Uniform(rng, 0.0, 4.0), Uniform(rng, 0.0, 4.0)};
      const bool r = lit::SegmentsIntersect(Ref(s[0]), Ref(s[1]), Ref(s[2]), Ref(s[3]));
      meeting += r ? 1 : 0;
      ASSERT_EQ(SegmentsIntersect(s[0], s[1], s[2], s[3]), r) << "round " << round << " segment pair " << k;
    }
    const bool rd = lit::OuterLoopsDisjoint(ra, rb);
    disjoint += rd ? 1 : 0;
    ASSERT_EQ(OuterLoopsDisjoint(ViewOf(pa), ViewOf(pb)), rd) << "round " << round;
    ASSERT_EQ(LoopEdgesIntersect(ViewOf(pa), ViewOf(pb)), lit::LoopEdgesIntersect(ra, rb)) << "round " << round;
    ASSERT_EQ(IsLoopConvex(ViewOf(pa)), lit::IsLoopConvex(ra)) << "round " << round;

    // b as a hole around a small loop a (scaled up so that a often fits).
    Pts hole = b;
    for (Vertex& v : hole) {
      v.x = v.x * 2.0 - 2.0;
      v.y = v.y * 2.0 - 2.0;
    }
    const Loop ph = ProductionLoop(hole);
    const lit::Loop rh = ReferenceLoop(hole);
    const bool ri = lit::IsLoopInsideLoop(rh, ra);
    holeInside += ri ? 1 : 0;
    ASSERT_EQ(IsLoopInsideLoop(ViewOf(ph), ViewOf(pa)), ri) << "round " << round;
  }
  // The random cases reach both answers of every predicate.
  EXPECT_GT(inside, 1000);
  EXPECT_GT(meeting, 1000);
  EXPECT_GT(disjoint, 100);
  EXPECT_GT(holeInside, 100);
}

TEST(DifferentialPredicateTest, PartsWithHolesAgreeWithTheLiteralModel) {
  Rng rng(424242u);
  int compatible = 0;
  int incompatible = 0;
  int inMaterial = 0;
  for (int round = 0; round < 1500; ++round) {
    Part pp[2];
    lit::Part rp[2];
    for (int i = 0; i < 2; ++i) {
      Shape shape = RandomShape(rng, Uniform(rng, 3.0, 20.0));
      Loop outer = ProductionLoop(shape.outer);
      LoopList holes;
      lit::LoopList rholes;
      for (const Pts& h : shape.holes) {
        holes.PushFront(ProductionLoop(h));
        rholes.PushFront(ReferenceLoop(h));
      }
      pp[i].Set("P", outer, holes);
      rp[i].Set("P", ReferenceLoop(shape.outer), rholes);
    }
    // Integer offsets put one part on, against or into the other.
    const double dx = UniformInt(rng, -6, 18);
    const double dy = UniformInt(rng, -6, 18);
    pp[1].Translate(dx, dy);
    rp[1].Translate(dx, dy);
    if (Chance(rng, 0.3)) {
      const Vertex centre{double(UniformInt(rng, 0, 10)), double(UniformInt(rng, 0, 10))};
      const double angle = UniformInt(rng, 1, 5) * 2.0 * Pi() / 6.0;
      pp[1].Rotate(centre, angle);
      rp[1].Rotate(lit::Vertex{centre.x, centre.y}, angle);
    }
    Differences diff;
    diff.PartData("part 0", pp[0], rp[0]);
    diff.PartData("part 1", pp[1], rp[1]);
    ASSERT_EQ(diff.First(), "") << "round " << round;

    const bool r01 = lit::PartsCompatible(rp[0], rp[1]);
    const bool r10 = lit::PartsCompatible(rp[1], rp[0]);
    (r01 ? compatible : incompatible) += 1;
    ASSERT_EQ(PartsCompatible(pp[0], pp[1]), r01) << "round " << round;
    ASSERT_EQ(PartsCompatible(pp[1], pp[0]), r10) << "round " << round;

    const BoundingBox sheet{0.0, double(UniformInt(rng, 5, 25)), 0.0, double(UniformInt(rng, 5, 25))};
    const lit::BoundingBox rsheet{sheet.minX, sheet.maxX, sheet.minY, sheet.maxY};
    ASSERT_EQ(FitsInBox(pp[1].OutLoop.Box(), sheet), lit::FitsInBox(rp[1], rsheet)) << "round " << round;

    for (int k = 0; k < 10; ++k) {
      const Vertex p{UniformInt(rng, -2, 44) / 2.0, UniformInt(rng, -2, 44) / 2.0};
      const bool r = lit::IsPointInMaterial(rp[0], Ref(p));
      inMaterial += r ? 1 : 0;
      ASSERT_EQ(IsPointInMaterial(pp[0], p), r) << "round " << round << " point " << p.x << ", " << p.y;
    }
  }
  EXPECT_GT(compatible, 100);
  EXPECT_GT(incompatible, 100);
  EXPECT_GT(inMaterial, 1000);
}

}  // namespace
}  // namespace nest
