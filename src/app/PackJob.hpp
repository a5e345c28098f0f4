#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/Stop.hpp"
#include "geometry/BoundingBox.hpp"
#include "parts/Part.hpp"
#include "parts/PartFile.hpp"
#include "placement/CandidateGrid.hpp"

namespace nest {

// One row per Part block of the part data file, in file order.
struct PartTypeEntry {
  std::string Name;
  int TypeIndex = 0;  // position of the block among all Part blocks
};

// Per part type: the first candidate point at which the latest part of this
// type fitted in the current layout.
struct PartTypeSlot {
  std::string Name;
  Vertex LastPosition;
};

// The parts of a job, in non-increasing order of area. A new part goes
// before every part of equal area, so of equal areas the later one comes
// first.
class PartList {
 public:
  void Clear() { parts_.clear(); }
  // Stores one copy of `part` (a copy lists the holes in reverse order).
  void InsertByArea(const Part& part);
  // Clears, then inserts a copy of every part of `source`, first to last.
  void RebuildFrom(const PartList& source);
  // Clears, then holds a copy of every part of `source` in the same order,
  // each with its holes in the same order.
  void CopyExactly(const PartList& source);

  [[nodiscard]] int Count() const { return static_cast<int>(parts_.size()); }
  [[nodiscard]] std::vector<Part>::iterator begin() { return parts_.begin(); }
  [[nodiscard]] std::vector<Part>::iterator end() { return parts_.end(); }
  [[nodiscard]] std::vector<Part>::const_iterator begin() const { return parts_.begin(); }
  [[nodiscard]] std::vector<Part>::const_iterator end() const { return parts_.end(); }
  [[nodiscard]] Part& operator[](std::size_t i) { return parts_[i]; }
  [[nodiscard]] const Part& operator[](std::size_t i) const { return parts_[i]; }

 private:
  std::vector<Part> parts_;
};

// The one job of a run: the sheet, the parts and the placement parameters.
class PackJob {
 public:
  PackJob();

  // Reads the part data file, numbers the parts, builds the type slots and
  // parks every part beyond the sheet's far end. A bad file is a RunStop.
  void Setup(const std::string& partFileName, int rn, double ppd);
  // The same from part data already read (tests and fuzzing use it).
  void SetupFrom(PartFileData data, int rn, double ppd);
  void ReadPartFile(const std::string& partFileName);
  // Takes what the reader gave: shows its warnings, stops on its failures,
  // fills the sheet, Parts and PartTypes and numbers the IDs.
  void TakePartData(PartFileData data);
  // Sets SheetBox from the sheet size; a zero length or width is a stop.
  void UpdateSheetBox();
  void ParkParts();
  // Brings Parts back to the parked state after a layout.
  void RestoreParts();
  // Draws the sheet and every part of Parts into a DXF file.
  void WriteDxf(const std::string& fileName) const;
  // A copy that lays any sequence out exactly as this job does, for another
  // thread: every member the same, parts and holes in the same order.
  [[nodiscard]] PackJob Duplicate() const;

  // The slot of the part type named `name` (the first row with that name).
  [[nodiscard]] int SlotIndexOf(const std::string& name) const;
  // The type number of the part named `name`: the block index of the first
  // entry with that name.
  [[nodiscard]] int TypeIndexOf(const std::string& name) const;

  PartList Parts;
  PartList InitialParts;
  std::vector<PartTypeEntry> PartTypes;
  int PartCount = 0;
  BoundingBox SheetBox{0.0, 6000.0, 0.0, 4000.0};
  double SheetLength = 6000.0;
  double SheetWidth = 4000.0;
  CandidateGrid CandidatePoints;
  int RN = 0;
  double PPD = 0.0;
  std::vector<PartTypeSlot> TypeSlots;
  int TypeCount = 1;

  // Per part ID, fixed after Setup: the part's type slot and type number.
  std::vector<int> SlotOfId;
  std::vector<int> TypeOfId;

 private:
  // Type slots, part count, parking and the parked copy, after reading.
  void FinishSetup();
};

// The stop for the first part to be laid out whose geometry the layout cannot
// use (zero area, crossing edges, a hole outside, coordinates out of range),
// naming the part and the reason. The run flow refuses such a file once the
// job is set up; the job itself takes any geometry.
std::optional<RunStop> UnusablePartStop(const PartFileData& data);

}  // namespace nest
