#pragma once

// A deliberately literal, slow model of the placement heuristic, kept beside
// the tests as the yardstick for the production code. It shares nothing with
// the production sources: its own points, boxes, loops, hand-made sentinel
// lists, parts, job and predicates. Every computation is written out in the
// order in which the heuristic defines it, because the results are compared
// bit for bit. Do not optimise this file; its value is that each step can be
// read against the written rules line by line.

#include <string>
#include <vector>

namespace nest::literal {

struct Vertex {
  double x = 0.0;
  double y = 0.0;

  // Counter-clockwise turn by `angle` radians about `centre`.
  void RotateAbout(const Vertex& centre, double angle);
  [[nodiscard]] double DistanceTo(const Vertex& other) const;
};

// pi as acos(-1).
double Pi();

struct BoundingBox {
  double minX = 0.0;
  double maxX = 0.0;
  double minY = 0.0;
  double maxY = 0.0;
};

// A doubly linked list between a head and a tail sentinel, with a count. New
// entries go in at the front (or before a given node); nodes are removed
// anywhere. The sentinels hold default-constructed values; a real node's value
// is default-constructed and then assigned from the argument.
template <class T>
class FrontList {
 public:
  struct Node {
    T value;
    Node* prev = nullptr;
    Node* next = nullptr;
  };

  FrontList() {
    head_ = new Node;
    tail_ = new Node;
    head_->next = tail_;
    tail_->prev = head_;
  }
  FrontList(const FrontList&) = delete;
  FrontList& operator=(const FrontList&) = delete;
  ~FrontList() {
    Clear();
    delete head_;
    delete tail_;
  }

  [[nodiscard]] Node* Head() const { return head_; }
  [[nodiscard]] Node* Tail() const { return tail_; }
  [[nodiscard]] Node* First() const { return head_->next; }
  [[nodiscard]] int Count() const { return count_; }

  void PushFront(const T& value) { InsertBefore(head_->next, value); }

  void InsertBefore(Node* at, const T& value) {
    Node* node = new Node;
    node->value = value;
    node->prev = at->prev;
    node->next = at;
    at->prev->next = node;
    at->prev = node;
    count_ = count_ + 1;
  }

  // Nothing happens for a sentinel.
  void Remove(Node* node) {
    if (node == head_ || node == tail_) return;
    node->prev->next = node->next;
    node->next->prev = node->prev;
    delete node;
    count_ = count_ - 1;
  }

  void Clear() {
    Node* node = head_->next;
    while (node != tail_) {
      Node* next = node->next;
      delete node;
      count_ = count_ - 1;
      node = next;
    }
    head_->next = tail_;
    tail_->prev = head_;
  }

 private:
  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  int count_ = 0;
};

class Loop {
 public:
  Loop() = default;
  // Copy construction copies any loop, an empty one included.
  Loop(const Loop&) = default;
  // Assignment from a loop without vertices ends the process with status 1.
  Loop& operator=(const Loop& other);

  void SetVertices(int n, const Vertex* vertices);
  BoundingBox ComputeBox();
  double ComputeArea();
  [[nodiscard]] Vertex Centroid() const;
  [[nodiscard]] Vertex NearestVertex(const Vertex& point) const;
  void Translate(double dx, double dy);
  void RotateAbout(const Vertex& centre, double angle);

  int Count = 0;
  std::vector<Vertex> Vertices;
  double Area = 0.0;
  BoundingBox Box;
};

using VertexList = FrontList<Vertex>;

class LoopList : public FrontList<Loop> {
 public:
  LoopList() = default;
  // Copy construction reverses the order, like CopyFrom.
  LoopList(const LoopList& other) : FrontList<Loop>() { CopyFrom(other); }
  LoopList& operator=(const LoopList&) = delete;
  // Clear, then push a copy of each loop of `other`, first to last.
  void CopyFrom(const LoopList& other);
};

struct PartLabel {
  std::string Text;
  double X = 0.0;
  double Y = 0.0;
  double Angle = 0.0;
  double Height = 0.0;
};

class Part {
 public:
  Part() = default;
  Part(const Part& other);
  // Deep copy; the holes of the copy come in the reverse order.
  Part& operator=(const Part& other);

  void Set(const std::string& name, const Loop& outer, const LoopList& holes);
  double ComputeArea();
  Vertex ComputeCentroid();
  Vertex FindReferenceVertex();
  BoundingBox UpdateBox();
  void Translate(double dx, double dy);
  void Rotate(const Vertex& centre, double angle);

  Loop OutLoop;
  LoopList InnerLoops;
  std::string Name = "NoName";
  PartLabel Label;
  double Area = 0.0;
  BoundingBox Box;
  Vertex Centroid;
  int ID = 0;
};

// Parts in non-increasing order of area; a new part goes before every part
// of equal area.
class PartList : public FrontList<Part> {
 public:
  // One node holding one copy of `part`.
  void InsertByArea(const Part& part);
  // Clear, then InsertByArea of every part of `source`, first to last.
  void RebuildFrom(const PartList& source);
};

struct PartTypeSlot {
  std::string Name;
  Vertex LastPosition;
};

struct PackJob {
  // Reads the part data text, numbers the parts, builds the type slots, parks
  // the parts beyond the sheet and keeps the parked state in InitialParts.
  void Setup(const std::string& partFileText, int rn, double ppd);
  void ReadPartText(const std::string& text);
  void UpdateSheetBox();
  void ParkParts();
  void RestoreParts();

  PartList Parts;
  PartList InitialParts;
  std::vector<std::string> PartTypeNames;  // one per Part block, file order
  int PartCount = 0;
  BoundingBox SheetBox{0.0, 6000.0, 0.0, 4000.0};
  double SheetLength = 6000.0;
  double SheetWidth = 4000.0;
  VertexList CandidatePoints;
  int RN = 0;
  double PPD = 0.0;
  std::vector<PartTypeSlot> TypeSlots;
  int TypeCount = 1;
};

// Predicates.
bool FitsInBox(const Part& part, const BoundingBox& box);
bool IsPointInLoop(const Loop& loop, const Vertex& p);
bool IsPointInMaterial(const Part& part, const Vertex& p);
bool IsLoopConvex(const Loop& loop);
bool IsLoopInsideLoop(const Loop& hole, const Loop& loop);
bool SegmentsIntersect(const Vertex& a1, const Vertex& a2, const Vertex& b1, const Vertex& b2);
bool LoopEdgesIntersect(const Loop& a, const Loop& b);
bool OuterLoopsDisjoint(const Loop& a, const Loop& b);
bool PartsCompatible(const Part& a, const Part& b);
bool PartFits(const PackJob& job, const Part& part);
bool TrialFits(const PackJob& job, const Part& trial);

// Placement and evaluation.
void BuildCandidateGrid(PackJob& job);
void RemoveCoveredPoints(PackJob& job, const Part& part);
void PlacePart(PackJob& job, Part& part);
void SlideLeft(PackJob& job, Part& part);
void SlideDown(PackJob& job, Part& part);
void ResetLayout(PackJob& job);
double EvaluateSequence(PackJob& job, const std::vector<int>& ids);
double LayoutEfficiency(PackJob& job);
double TotalPartArea(const PackJob& job);

}  // namespace nest::literal
