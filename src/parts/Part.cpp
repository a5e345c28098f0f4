#include "parts/Part.hpp"

#include <cassert>

namespace nest {

Part Part::Copy() const {
  Part p;
  p.Name = Name;
  p.OutLoop = OutLoop;
  p.InnerLoops.CopyFrom(InnerLoops);
  p.Area = Area;
  p.Centroid = Centroid;
  p.Box = Box;
  p.Label = Label;
  p.ID = ID;
  return p;
}

void Part::Set(const std::string& name, const Loop& outer, const LoopList& holes) {
  Name = name;
  OutLoop = outer;
  InnerLoops.CopyFrom(holes);
  Area = ComputeArea();
  Box = OutLoop.Box();
  const double w = Box.maxX - Box.minX;
  const double h = Box.maxY - Box.minY;
  Label.Angle = 0.0;
  Label.Height = (h <= w) ? 0.1 * h : 0.1 * w;
  Label.Text = Name;
  const Vertex c = ComputeCentroid();
  Label.X = c.x;
  Label.Y = c.y;
}

double Part::ComputeArea() {
  double a = OutLoop.ComputeArea();
  for (Loop& hole : InnerLoops.Loops()) a = a - hole.ComputeArea();
  Area = a;
  return a;
}

Vertex Part::ComputeCentroid() {
  double a = OutLoop.ComputeArea();
  const Vertex c = OutLoop.Centroid();
  double mx = a * c.x;
  double my = a * c.y;
  for (Loop& hole : InnerLoops.Loops()) {
    const double ha = hole.ComputeArea();
    const Vertex hc = hole.Centroid();
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
  for (const Loop& hole : InnerLoops.Loops()) {
    const Vertex v = hole.NearestVertex(g);
    const double e = v.DistanceTo(g);
    if (e < d) {
      best = v;
      d = e;
    }
  }
  return best;
}

BoundingBox Part::UpdateBox() {
  Box = OutLoop.ComputeBox();
  return Box;
}

void Part::Translate(double dx, double dy) {
  OutLoop.Translate(dx, dy);
  for (Loop& hole : InnerLoops.Loops()) hole.Translate(dx, dy);
  Box = Box.Translated(dx, dy);
  assert(OutLoop.Count() == 0 || BoxAgrees(Box, OutLoop.Box()));
  Centroid.x = Centroid.x + dx;
  Centroid.y = Centroid.y + dy;
  Label.X = Label.X + dx;
  Label.Y = Label.Y + dy;
}

void Part::Rotate(const Vertex& centre, double angle) {
  OutLoop.RotateAbout(centre, angle);
  for (Loop& hole : InnerLoops.Loops()) hole.RotateAbout(centre, angle);
  UpdateBox();
  Vertex label{Label.X, Label.Y};
  label.RotateAbout(centre, angle);
  Label.X = label.x;
  Label.Y = label.y;
  Label.Angle = Label.Angle + angle / Pi() * 180.0;
}

}  // namespace nest
