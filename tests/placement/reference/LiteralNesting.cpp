#include "placement/reference/LiteralNesting.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace nest::literal {

// ---------------------------------------------------------------- points

void Vertex::RotateAbout(const Vertex& centre, double angle) {
  const double dx = x - centre.x;
  const double dy = y - centre.y;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  x = centre.x + (c * dx - s * dy);
  y = centre.y + (s * dx + c * dy);
}

double Vertex::DistanceTo(const Vertex& other) const {
  const double dx = x - other.x;
  const double dy = y - other.y;
  return std::sqrt(dx * dx + dy * dy);
}

double Pi() { return std::acos(-1.0); }

// ----------------------------------------------------------------- loops

Loop& Loop::operator=(const Loop& other) {
  if (this == &other) return *this;
  Vertices.clear();
  Count = other.Count;
  if (Count <= 0) std::exit(1);
  Vertices = other.Vertices;
  Area = other.Area;
  Box = other.Box;
  return *this;
}

void Loop::SetVertices(int n, const Vertex* vertices) {
  Vertices.clear();
  Count = n;
  for (int i = 0; i < n; ++i) Vertices.push_back(vertices[i]);
  ComputeBox();
  ComputeArea();
}

BoundingBox Loop::ComputeBox() {
  BoundingBox b;
  b.minX = Vertices[0].x;
  b.maxX = Vertices[0].x;
  b.minY = Vertices[0].y;
  b.maxY = Vertices[0].y;
  for (int i = 1; i < Count; ++i) {
    if (Vertices[i].x > b.maxX) b.maxX = Vertices[i].x;
    if (Vertices[i].x < b.minX) b.minX = Vertices[i].x;
    if (Vertices[i].y > b.maxY) b.maxY = Vertices[i].y;
    if (Vertices[i].y < b.minY) b.minY = Vertices[i].y;
  }
  Box = b;
  return b;
}

double Loop::ComputeArea() {
  double sum = 0.0;
  for (int i = 0; i < Count; ++i) {
    const int j = (i + 1) % Count;
    const double xi = Vertices[i].x;
    const double yi = Vertices[i].y;
    const double xj = Vertices[j].x;
    const double yj = Vertices[j].y;
    sum = sum + (yi + yj) * (xj - xi) * 0.5;
  }
  Area = std::fabs(sum);
  return Area;
}

Vertex Loop::Centroid() const {
  double a = 0.0;
  double sx = 0.0;
  double sy = 0.0;
  for (int i = 0; i < Count; ++i) {
    const int j = (i + 1) % Count;
    const double xi = Vertices[i].x;
    const double yi = Vertices[i].y;
    const double xj = Vertices[j].x;
    const double yj = Vertices[j].y;
    const double dx = xj - xi;
    a = a + (-0.5) * dx * (yi + yj);
    sx = sx + (xi * xi + xi * xj + xj * xj) * (yj - yi) * (1.0 / 6.0);
    sy = sy + (yi * yi + yi * yj + yj * yj) * dx * (-1.0 / 6.0);
  }
  return Vertex{sx / a, sy / a};
}

Vertex Loop::NearestVertex(const Vertex& point) const {
  Vertex best = Vertices[0];
  double d = Vertices[0].DistanceTo(point);
  for (int i = 1; i < Count; ++i) {
    const double e = Vertices[i].DistanceTo(point);
    if (e < d) {
      best = Vertices[i];
      d = e;
    }
  }
  return best;
}

void Loop::Translate(double dx, double dy) {
  for (int i = 0; i < Count; ++i) {
    Vertices[i].x = Vertices[i].x + dx;
    Vertices[i].y = Vertices[i].y + dy;
  }
  Box.minX = Box.minX + dx;
  Box.maxX = Box.maxX + dx;
  Box.minY = Box.minY + dy;
  Box.maxY = Box.maxY + dy;
}

void Loop::RotateAbout(const Vertex& centre, double angle) {
  for (int i = 0; i < Count; ++i) {
    Vertices[i].x = Vertices[i].x - centre.x;
    Vertices[i].y = Vertices[i].y - centre.y;
  }
  if (Count > 0) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    for (int i = 0; i < Count; ++i) {
      const double x = Vertices[i].x;
      const double y = Vertices[i].y;
      Vertices[i].x = c * x - s * y;
      Vertices[i].y = s * x + c * y;
    }
  }
  for (int i = 0; i < Count; ++i) {
    Vertices[i].x = Vertices[i].x + centre.x;
    Vertices[i].y = Vertices[i].y + centre.y;
  }
  ComputeBox();
}

void LoopList::CopyFrom(const LoopList& other) {
  Clear();
  for (Node* n = other.First(); n != other.Tail(); n = n->next) {
    Loop copy(n->value);
    PushFront(copy);
  }
}

// ----------------------------------------------------------------- parts

Part::Part(const Part& other) : Part() { *this = other; }

Part& Part::operator=(const Part& other) {
  if (this == &other) return *this;
  Name = other.Name;
  OutLoop = other.OutLoop;
  InnerLoops.CopyFrom(other.InnerLoops);
  Area = other.Area;
  Centroid = other.Centroid;
  Box = other.Box;
  Label = other.Label;
  ID = other.ID;
  return *this;
}

void Part::Set(const std::string& name, const Loop& outer, const LoopList& holes) {
  Name = name;
  OutLoop = outer;
  InnerLoops.CopyFrom(holes);
  Area = ComputeArea();
  Box = OutLoop.Box;
  const double w = Box.maxX - Box.minX;
  const double h = Box.maxY - Box.minY;
  Label.Angle = 0.0;
  if (h <= w) {
    Label.Height = 0.1 * h;
  } else {
    Label.Height = 0.1 * w;
  }
  Label.Text = Name;
  const Vertex c = ComputeCentroid();
  Label.X = c.x;
  Label.Y = c.y;
}

double Part::ComputeArea() {
  double a = OutLoop.ComputeArea();
  for (auto* n = InnerLoops.First(); n != InnerLoops.Tail(); n = n->next) {
    a = a - n->value.ComputeArea();
  }
  Area = a;
  return a;
}

Vertex Part::ComputeCentroid() {
  double a = OutLoop.ComputeArea();
  const Vertex c = OutLoop.Centroid();
  double mx = a * c.x;
  double my = a * c.y;
  for (auto* n = InnerLoops.First(); n != InnerLoops.Tail(); n = n->next) {
    const double ha = n->value.ComputeArea();
    const Vertex hc = n->value.Centroid();
    a = a - ha;
    mx = mx - ha * hc.x;
    my = my - ha * hc.y;
  }
  Centroid = Vertex{mx / a, my / a};
  return Centroid;
}

Vertex Part::FindReferenceVertex() {
  const Vertex g = ComputeCentroid();
  Vertex best = OutLoop.NearestVertex(g);
  double d = best.DistanceTo(g);
  for (auto* n = InnerLoops.First(); n != InnerLoops.Tail(); n = n->next) {
    const Vertex v = n->value.NearestVertex(g);
    const double e = v.DistanceTo(g);
    if (e < d) {
      best = v;
      d = e;
    }
  }
  return best;
}

BoundingBox Part::UpdateBox() {
  const BoundingBox b = OutLoop.ComputeBox();
  Box = b;
  return b;
}

void Part::Translate(double dx, double dy) {
  OutLoop.Translate(dx, dy);
  for (auto* n = InnerLoops.First(); n != InnerLoops.Tail(); n = n->next) n->value.Translate(dx, dy);
  Box.minX = Box.minX + dx;
  Box.maxX = Box.maxX + dx;
  Box.minY = Box.minY + dy;
  Box.maxY = Box.maxY + dy;
  Centroid.x = Centroid.x + dx;
  Centroid.y = Centroid.y + dy;
  Label.X = Label.X + dx;
  Label.Y = Label.Y + dy;
}

void Part::Rotate(const Vertex& centre, double angle) {
  OutLoop.RotateAbout(centre, angle);
  for (auto* n = InnerLoops.First(); n != InnerLoops.Tail(); n = n->next) {
    n->value.RotateAbout(centre, angle);
  }
  UpdateBox();
  Vertex label{Label.X, Label.Y};
  label.RotateAbout(centre, angle);
  Label.X = label.x;
  Label.Y = label.y;
  Label.Angle = Label.Angle + angle / Pi() * 180.0;
}

// ------------------------------------------------------------ part lists

void PartList::InsertByArea(const Part& part) {
  Node* at = First();
  while (at != Tail() && !(at->value.Area <= part.Area)) at = at->next;
  InsertBefore(at, part);  // the node's value is assigned: one copy
}

void PartList::RebuildFrom(const PartList& source) {
  Clear();
  // One copy per part: the copy InsertByArea makes.
  for (Node* n = source.First(); n != source.Tail(); n = n->next) InsertByArea(n->value);
}

// ------------------------------------------------------------------ job

namespace {

// The reader's lines: bytes up to and including the line feed, a carriage
// return before it dropped, at most 99 bytes a piece.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line.push_back(ch);
    if (ch == '\n' || line.size() == 99) {
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool IsKeyword(const std::string& line, const char* keyword) {
  const std::string k(keyword);
  return line == k + "\n" || line == k;
}

double HeaderNumber(const std::string& line, std::size_t skip) {
  if (line.size() <= skip) return 0.0;
  return std::strtod(line.c_str() + skip, nullptr);
}

class LineReader {
 public:
  explicit LineReader(const std::string& text) : lines_(SplitLines(text)) {}
  bool Next(std::string& line) {
    if (pos_ >= lines_.size()) return false;
    line = lines_[pos_];
    ++pos_;
    return true;
  }

 private:
  std::vector<std::string> lines_;
  std::size_t pos_ = 0;
};

void ReadLoop(LineReader& in, const char* endKeyword, Loop& loop) {
  VertexList read;
  std::string line;
  while (in.Next(line) && !IsKeyword(line, endKeyword)) {
    const char* start = line.c_str();
    char* end = nullptr;
    Vertex v;
    v.x = std::strtod(start, &end);
    v.y = std::strtod(end + 1, nullptr);
    read.PushFront(v);
  }
  if (read.Count() == 0) std::exit(1);
  std::vector<Vertex> array(static_cast<std::size_t>(read.Count()));
  int slot = read.Count() - 1;
  for (auto* n = read.First(); n != read.Tail(); n = n->next) {
    array[static_cast<std::size_t>(slot)] = n->value;
    slot = slot - 1;
  }
  loop.SetVertices(read.Count(), array.data());
}

void ReadPartBlock(LineReader& in, Part& part, int& count) {
  Loop outer;
  LoopList inner;
  std::string name = "NoName";
  std::string line;
  while (in.Next(line)) {
    if (IsKeyword(line, "Name")) {
      in.Next(line);
      name = line.substr(0, line.size() - 1);
    } else if (IsKeyword(line, "PartNumOfSameType")) {
      in.Next(line);
      count = std::atoi(line.c_str());
    } else if (IsKeyword(line, "OutLoop")) {
      ReadLoop(in, "EndOutLoop", outer);
    } else if (IsKeyword(line, "InnerLoop")) {
      Loop hole;
      ReadLoop(in, "EndInnerLoop", hole);
      inner.PushFront(hole);
    } else if (IsKeyword(line, "EndPart")) {
      part.Set(name, outer, inner);
      return;
    }
  }
}

}  // namespace

void PackJob::UpdateSheetBox() {
  SheetBox.minX = 0.0;
  SheetBox.maxX = SheetLength;
  SheetBox.minY = 0.0;
  SheetBox.maxY = SheetWidth;
  if (SheetLength == 0.0 || SheetWidth == 0.0) std::exit(1);
}

void PackJob::ReadPartText(const std::string& text) {
  LineReader in(text);
  std::string line;
  in.Next(line);
  SheetLength = HeaderNumber(line, 13);
  in.Next(line);
  SheetWidth = HeaderNumber(line, 12);
  in.Next(line);
  UpdateSheetBox();
  int count = 1;
  while (in.Next(line)) {
    if (!IsKeyword(line, "Part")) continue;
    Part part;
    ReadPartBlock(in, part, count);
    for (int c = 0; c < count; ++c) Parts.InsertByArea(part);
    PartTypeNames.push_back(part.Name);
  }
  int id = 0;
  for (auto* n = Parts.First(); n != Parts.Tail(); n = n->next) {
    n->value.ID = id;
    id = id + 1;
  }
}

void PackJob::Setup(const std::string& partFileText, int rn, double ppd) {
  RN = rn;
  PPD = ppd;
  ReadPartText(partFileText);
  TypeCount = static_cast<int>(PartTypeNames.size());
  TypeSlots.clear();
  for (int i = 0; i < TypeCount; ++i) {
    PartTypeSlot slot;
    slot.Name = PartTypeNames[static_cast<std::size_t>(i)];
    slot.LastPosition = Vertex{0.0, 0.0};
    TypeSlots.push_back(slot);
  }
  PartCount = Parts.Count();
  UpdateSheetBox();
  ParkParts();
  InitialParts.RebuildFrom(Parts);
}

void PackJob::ParkParts() {
  for (auto* n = Parts.First(); n != Parts.Tail(); n = n->next) {
    Part& p = n->value;
    p.Translate(SheetLength - p.Box.minX, -p.Box.maxY);
  }
}

void PackJob::RestoreParts() { Parts.RebuildFrom(InitialParts); }

// ------------------------------------------------------------ predicates

bool FitsInBox(const Part& part, const BoundingBox& box) {
  const BoundingBox& p = part.OutLoop.Box;
  if (!(p.maxX < box.maxX || std::fabs(p.maxX - box.maxX) < 0.00001)) return false;
  if (!(p.minX > box.minX || std::fabs(p.minX - box.minX) < 0.00001)) return false;
  if (!(p.maxY < box.maxY || std::fabs(p.maxY - box.maxY) < 0.00001)) return false;
  if (!(p.minY > box.minY || std::fabs(p.minY - box.minY) < 0.00001)) return false;
  return true;
}

bool IsPointInLoop(const Loop& loop, const Vertex& p) {
  const BoundingBox& b = loop.Box;
  if (p.x < b.minX || p.x > b.maxX || p.y < b.minY || p.y > b.maxY) return false;
  int crossings = 0;
  const int n = loop.Count;
  for (int i = 0; i < n; ++i) {
    const Vertex& a = loop.Vertices[i];
    const Vertex& c = loop.Vertices[(i + 1) % n];  // the edge's end b
    const bool aAbove = a.y > p.y;
    const bool cAbove = c.y > p.y;
    if (aAbove == cAbove) continue;
    if (std::fabs(a.x - c.x) < 1e-15) {
      if (p.x < a.x) crossings = crossings + 1;
    } else {
      const double x = -(((a.x - c.x) * p.y + (c.x - a.x) * a.y - (c.y - a.y) * a.x) / (c.y - a.y));
      if (x > p.x) crossings = crossings + 1;
    }
  }
  return crossings % 2 == 1;
}

bool IsPointInMaterial(const Part& part, const Vertex& p) {
  if (!IsPointInLoop(part.OutLoop, p)) return false;
  for (auto* n = part.InnerLoops.First(); n != part.InnerLoops.Tail(); n = n->next) {
    if (IsPointInLoop(n->value, p)) return false;
  }
  return true;
}

namespace {

// cross(d, v) = v.y * d.x - v.x * d.y
double Cross(const Vertex& d, const Vertex& v) { return v.y * d.x - v.x * d.y; }

Vertex Minus(const Vertex& a, const Vertex& b) { return Vertex{a.x - b.x, a.y - b.y}; }

}  // namespace

bool IsLoopConvex(const Loop& loop) {
  const int n = loop.Count;
  bool positive = false;
  bool negative = false;
  for (int i = 0; i < n; ++i) {
    const Vertex& v0 = loop.Vertices[i];
    const Vertex& v1 = loop.Vertices[(i + 1) % n];
    const Vertex& v2 = loop.Vertices[(i + 2) % n];
    const Vertex e0 = Minus(v1, v0);
    const Vertex e1 = Minus(v2, v1);
    const double z = Cross(e0, e1);
    if (z > 0.0) positive = true;
    if (z < 0.0) negative = true;
  }
  return !(positive && negative);
}

bool IsLoopInsideLoop(const Loop& hole, const Loop& loop) {
  for (int i = 0; i < loop.Count; ++i) {
    if (!IsPointInLoop(hole, loop.Vertices[i])) return false;
  }
  if (IsLoopConvex(hole)) return true;
  // A concave hole: an edge of the loop may leave the hole through its inner
  // corner although every vertex lies inside.
  for (int i = 0; i < loop.Count; ++i) {
    const Vertex& a1 = loop.Vertices[i];
    const Vertex& a2 = loop.Vertices[(i + 1) % loop.Count];
    for (int j = 0; j < hole.Count; ++j) {
      const Vertex& b1 = hole.Vertices[j];
      const Vertex& b2 = hole.Vertices[(j + 1) % hole.Count];
      const Vertex dA = Minus(a2, a1);
      const double c1 = Cross(dA, Minus(b1, a1));
      const double c2 = Cross(dA, Minus(b2, a1));
      const Vertex dB = Minus(b2, b1);
      const double c3 = Cross(dB, Minus(a1, b1));
      const double c4 = Cross(dB, Minus(a2, b1));
      if (c1 * c2 < 0.0 && c3 * c4 < 0.0) return false;
    }
  }
  return true;
}

bool SegmentsIntersect(const Vertex& a1, const Vertex& a2, const Vertex& b1, const Vertex& b2) {
  if (!(std::max(a1.x, a2.x) >= std::min(b1.x, b2.x))) return false;
  if (!(std::min(a1.x, a2.x) <= std::max(b1.x, b2.x))) return false;
  if (!(std::max(a1.y, a2.y) >= std::min(b1.y, b2.y))) return false;
  if (!(std::min(a1.y, a2.y) <= std::max(b1.y, b2.y))) return false;
  const Vertex dA = Minus(a2, a1);
  if (Cross(dA, Minus(b1, a1)) * Cross(dA, Minus(b2, a1)) > 0.0) return false;
  const Vertex dB = Minus(b2, b1);
  return Cross(dB, Minus(a1, b1)) * Cross(dB, Minus(a2, b1)) <= 0.0;
}

bool LoopEdgesIntersect(const Loop& a, const Loop& b) {
  for (int i = 0; i < a.Count; ++i) {
    const Vertex& a1 = a.Vertices[i];
    const Vertex& a2 = a.Vertices[(i + 1) % a.Count];
    for (int j = 0; j < b.Count; ++j) {
      const Vertex& b1 = b.Vertices[j];
      const Vertex& b2 = b.Vertices[(j + 1) % b.Count];
      if (SegmentsIntersect(a1, a2, b1, b2)) return true;
    }
  }
  return false;
}

bool OuterLoopsDisjoint(const Loop& a, const Loop& b) {
  const BoundingBox& A = a.Box;
  const BoundingBox& B = b.Box;
  if (A.minX > B.maxX || std::fabs(A.minX - B.maxX) < 0.00001) return true;
  if (A.maxX < B.minX || std::fabs(A.maxX - B.minX) < 0.00001) return true;
  if (A.minY > B.maxY || std::fabs(A.minY - B.maxY) < 0.00001) return true;
  if (A.maxY < B.minY || std::fabs(A.maxY - B.minY) < 0.00001) return true;
  for (int i = 0; i < a.Count; ++i) {
    if (IsPointInLoop(b, a.Vertices[i])) return false;
  }
  for (int i = 0; i < b.Count; ++i) {
    if (IsPointInLoop(a, b.Vertices[i])) return false;
  }
  if (LoopEdgesIntersect(a, b)) return false;
  return true;
}

bool PartsCompatible(const Part& a, const Part& b) {
  if (OuterLoopsDisjoint(a.OutLoop, b.OutLoop)) return true;
  for (auto* n = a.InnerLoops.First(); n != a.InnerLoops.Tail(); n = n->next) {
    if (IsLoopInsideLoop(n->value, b.OutLoop)) return true;
  }
  for (auto* n = b.InnerLoops.First(); n != b.InnerLoops.Tail(); n = n->next) {
    if (IsLoopInsideLoop(n->value, a.OutLoop)) return true;
  }
  return false;
}

bool PartFits(const PackJob& job, const Part& part) {
  if (!FitsInBox(part, job.SheetBox)) return false;
  for (auto* n = job.Parts.First(); n != job.Parts.Tail(); n = n->next) {
    if (&n->value == &part) continue;
    if (!PartsCompatible(part, n->value)) return false;
  }
  return true;
}

bool TrialFits(const PackJob& job, const Part& trial) {
  if (!FitsInBox(trial, job.SheetBox)) return false;
  for (auto* n = job.Parts.First(); n != job.Parts.Tail(); n = n->next) {
    if (n->value.ID == trial.ID) continue;
    if (!PartsCompatible(trial, n->value)) return false;
  }
  return true;
}

// ------------------------------------------------------------- placement

void BuildCandidateGrid(PackJob& job) {
  job.CandidatePoints.Clear();
  const int nx = static_cast<int>(job.SheetLength / job.PPD);
  const int ny = static_cast<int>(job.SheetWidth / job.PPD);
  if (nx >= 0) {
    for (int i = nx; i >= 0; --i) {
      const double x = (i * job.SheetLength) / nx;
      if (ny >= 0) {
        for (int j = ny; j >= 0; --j) {
          const double y = (j * job.SheetWidth) / ny;
          job.CandidatePoints.PushFront(Vertex{x, y});
        }
      }
    }
  }
}

void RemoveCoveredPoints(PackJob& job, const Part& part) {
  VertexList& points = job.CandidatePoints;
  auto* n = points.First();
  while (n != points.Tail()) {
    if (n->value.x > part.Box.maxX) break;
    auto* next = n->next;
    if (IsPointInMaterial(part, n->value)) points.Remove(n);
    n = next;
  }
}

void PlacePart(PackJob& job, Part& part) {
  // 1. Preparation.
  const Vertex r = part.FindReferenceVertex();
  const Vertex g = part.Centroid;
  const double d = r.DistanceTo(g);
  const double delta = 2.0 * Pi() / job.RN;
  std::vector<Part> p(static_cast<std::size_t>(job.RN > 0 ? job.RN : 0));
  std::vector<Vertex> q(p.size());
  for (int k = 0; k < job.RN; ++k) {
    p[static_cast<std::size_t>(k)] = part;
    q[static_cast<std::size_t>(k)] = g;
    if (k >= 1) {
      p[static_cast<std::size_t>(k)].Rotate(r, k * delta);
      q[static_cast<std::size_t>(k)].RotateAbout(r, k * delta);
    }
  }
  int slotIndex = 0;
  while (job.TypeSlots[static_cast<std::size_t>(slotIndex)].Name != part.Name) slotIndex = slotIndex + 1;
  PartTypeSlot& slot = job.TypeSlots[static_cast<std::size_t>(slotIndex)];
  const Vertex s = slot.LastPosition;

  // 2. First fit.
  Part t;
  VertexList& points = job.CandidatePoints;
  VertexList::Node* firstFit = nullptr;
  Vertex best;
  int bestK = 0;
  double bestX = 0.0;
  for (auto* n = points.First(); n != points.Tail() && firstFit == nullptr; n = n->next) {
    const Vertex v = n->value;
    if (v.x < s.x || (v.x == s.x && v.y < s.y)) continue;
    const double dx = v.x - r.x;
    const double dy = v.y - r.y;
    for (int k = 0; k < job.RN; ++k) {
      t = p[static_cast<std::size_t>(k)];
      t.Translate(dx, dy);
      if (TrialFits(job, t)) {
        firstFit = n;
        best = v;
        bestK = k;
        bestX = dx + q[static_cast<std::size_t>(k)].x;
        slot.LastPosition = v;
        break;
      }
    }
  }
  if (firstFit == nullptr) return;

  // 3. Improvement, from the first-fit point itself.
  for (auto* n = firstFit; n != points.Tail(); n = n->next) {
    const Vertex v = n->value;
    if (v.x - d > bestX) break;
    const double dx = v.x - r.x;
    const double dy = v.y - r.y;
    for (int k = 0; k < job.RN; ++k) {
      if (dx + q[static_cast<std::size_t>(k)].x < bestX) {
        t = p[static_cast<std::size_t>(k)];
        t.Translate(dx, dy);
        if (TrialFits(job, t)) {
          best = v;
          bestK = k;
          bestX = dx + q[static_cast<std::size_t>(k)].x;
        }
      }
    }
  }

  // 4. Commit: translate, then turn about the chosen point (also by 0).
  part.Translate(best.x - r.x, best.y - r.y);
  part.Rotate(best, bestK * delta);

  // 5. and 6.
  SlideLeft(job, part);
  SlideDown(job, part);
  RemoveCoveredPoints(job, part);
}

namespace {

bool SameBox(const BoundingBox& a, const BoundingBox& b) {
  return a.minX == b.minX && a.maxX == b.maxX && a.minY == b.minY && a.maxY == b.maxY;
}

// Two guards that only degenerate input reaches, kept so that this model and
// the production code stop alike: a step of zero length returns at once, and
// a move that leaves the part's box unchanged (a step lost in the rounding of
// the coordinates) ends the pass.
void Slide(PackJob& job, Part& part, bool left) {
  const double w = part.Box.maxX - part.Box.minX;
  const double h = part.Box.maxY - part.Box.minY;
  double m = 0.0;
  if (w < h) {
    m = w;
  } else {
    m = h;
  }
  double s = 0.0;
  if (m * 0.25 <= job.PPD) {
    s = m * 0.25;
  } else {
    s = job.PPD;
  }
  double stepX = 0.0;
  double stepY = 0.0;
  if (left) {
    stepX = -s;
  } else {
    stepY = -s;
  }
  if (stepX == 0.0 && stepY == 0.0) return;
  for (;;) {
    part.Translate(stepX, stepY);
    while (PartFits(job, part)) {
      const BoundingBox before = part.Box;
      part.Translate(stepX, stepY);
      if (SameBox(before, part.Box)) break;
    }
    part.Translate(-stepX, -stepY);
    if (std::fabs(stepX) < 0.01 && std::fabs(stepY) < 0.01) break;
    stepX = stepX / 2.0;
    stepY = stepY / 2.0;
  }
}

}  // namespace

void SlideLeft(PackJob& job, Part& part) { Slide(job, part, true); }

void SlideDown(PackJob& job, Part& part) { Slide(job, part, false); }

// ------------------------------------------------------------ evaluation

void ResetLayout(PackJob& job) {
  BuildCandidateGrid(job);
  for (auto* n = job.Parts.First(); n != job.Parts.Tail(); n = n->next) RemoveCoveredPoints(job, n->value);
}

double EvaluateSequence(PackJob& job, const std::vector<int>& ids) {
  ResetLayout(job);
  for (int i = 0; i < job.TypeCount; ++i) {
    job.TypeSlots[static_cast<std::size_t>(i)].LastPosition.x = 0.0;
    job.TypeSlots[static_cast<std::size_t>(i)].LastPosition.y = 0.0;
  }
  for (int j = 0; j < job.PartCount; ++j) {
    const int id = ids[static_cast<std::size_t>(j)];
    for (auto* n = job.Parts.First(); n != job.Parts.Tail(); n = n->next) {
      if (n->value.ID == id) {
        PlacePart(job, n->value);
        break;
      }
    }
  }
  return LayoutEfficiency(job);
}

double LayoutEfficiency(PackJob& job) {
  double a = 0.0;
  double usedLength = 0.0;
  bool anyOnSheet = false;
  for (auto* n = job.Parts.First(); n != job.Parts.Tail(); n = n->next) {
    if (FitsInBox(n->value, job.SheetBox)) {
      anyOnSheet = true;
      a = a + n->value.Area;
      const BoundingBox box = n->value.UpdateBox();
      if (box.maxX > usedLength) usedLength = box.maxX;
    }
  }
  // No part on the sheet: 0 rather than 0 / 0.
  if (!anyOnSheet) return 0.0;
  return a / (usedLength * job.SheetWidth);
}

double TotalPartArea(const PackJob& job) {
  double a = 0.0;
  for (auto* n = job.Parts.First(); n != job.Parts.Tail(); n = n->next) a = a + n->value.Area;
  return a;
}

}  // namespace nest::literal
