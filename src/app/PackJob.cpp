#include "app/PackJob.hpp"

#include <cassert>

#include "app/Console.hpp"
#include "app/Stop.hpp"
#include "app/Texts.hpp"
#include "parts/PartCheck.hpp"
#include "parts/PartFile.hpp"

namespace nest {

void PartList::InsertByArea(const Part& part) {
  auto it = parts_.begin();
  while (it != parts_.end() && !(it->Area <= part.Area)) ++it;
  parts_.insert(it, part.Copy());
}

void PartList::RebuildFrom(const PartList& source) {
  Clear();
  for (const Part& p : source.parts_) InsertByArea(p);
}

void PartList::CopyExactly(const PartList& source) {
  Clear();
  parts_.reserve(source.parts_.size());
  // A copy reverses the holes; a copy of the copy has them in order again.
  for (const Part& p : source.parts_) parts_.push_back(p.Copy().Copy());
}

PackJob::PackJob() : TypeSlots(1) { UpdateSheetBox(); }

PackJob PackJob::Duplicate() const {
  PackJob copy;
  copy.Parts.CopyExactly(Parts);
  copy.InitialParts.CopyExactly(InitialParts);
  copy.PartTypes = PartTypes;
  copy.PartCount = PartCount;
  copy.SheetBox = SheetBox;
  copy.SheetLength = SheetLength;
  copy.SheetWidth = SheetWidth;
  copy.CandidatePoints = CandidatePoints;
  copy.RN = RN;
  copy.PPD = PPD;
  copy.TypeSlots = TypeSlots;
  copy.TypeCount = TypeCount;
  copy.SlotOfId = SlotOfId;
  copy.TypeOfId = TypeOfId;
  return copy;
}

void PackJob::UpdateSheetBox() {
  SheetBox = BoundingBox{0.0, SheetLength, 0.0, SheetWidth};
  if (SheetLength == 0.0 || SheetWidth == 0.0) {
    throw RunStop{StopNotice::kWarningBox, texts::kZeroSheetWarning};
  }
}

void PackJob::ReadPartFile(const std::string& partFileName) {
  TakePartData(LoadPartFile(partFileName));
}

namespace {

// The warning that names the part whose block stopped the reading.
RunStop PartStop(const std::string& name, const char* reason) {
  return RunStop{StopNotice::kWarningBox,
                 std::string(texts::kPartPrefix) + "\"" + PrintableName(name) + "\": " + reason};
}

const char* ProblemText(PartProblem problem) {
  switch (problem) {
    case PartProblem::kCoordinateRange:
      return texts::kCoordinateReason;
    case PartProblem::kTooFewVertices:
      return texts::kTooFewVerticesReason;
    case PartProblem::kZeroArea:
      return texts::kZeroAreaReason;
    case PartProblem::kCrossing:
      return texts::kCrossingReason;
    case PartProblem::kHoleOutside:
      return texts::kHoleOutsideReason;
    default:
      return texts::kHoleTooLargeReason;
  }
}

// A sheet the layout cannot use: negative, not finite or beyond the largest
// coordinate the program accepts.
bool BadSheet(double length, double width) {
  const auto bad = [](double v) { return !(v >= 0.0 && v <= kMaxCoordinate); };
  return bad(length) || bad(width) || length * width < 0.0;
}

}  // namespace

std::optional<RunStop> UnusablePartStop(const PartFileData& data) {
  for (const PartBlock& block : data.blocks) {
    if (block.count <= 0) continue;  // only parts that are laid out matter
    const PartProblem problem = CheckPartGeometry(block.part);
    if (problem != PartProblem::kNone) return PartStop(block.part.Name, ProblemText(problem));
  }
  return std::nullopt;
}

void PackJob::TakePartData(PartFileData data) {
  using Failure = PartFileData::Failure;
  if (data.failure == Failure::kCannotOpen || data.failure == Failure::kBadHeader) {
    throw RunStop{StopNotice::kWarningBox, texts::kPartFileWarning};
  }
  if (data.failure == Failure::kTooLarge) {
    throw RunStop{StopNotice::kWarningBox, std::string(texts::kFileSizeLimit) +
                                               std::to_string(kMaxPartFileBytes >> 20) + "MB!"};
  }
  SheetLength = data.SheetLength;
  SheetWidth = data.SheetWidth;
  // The sheet check is made twice, so bad sheet data shows the box twice.
  const bool badSheet = BadSheet(SheetLength, SheetWidth);
  for (int check = 0; check < 2; ++check) {
    if (badSheet) ShowWarning(texts::kSheetDataWarning);
  }
  UpdateSheetBox();
  // The boxes have said why: no layout is made on such a sheet.
  if (badSheet) throw RunStop{};
  switch (data.failure) {
    case Failure::kEmptyLoop:
      throw PartStop(data.failedPart, texts::kEmptyLoopReason);
    case Failure::kNoOutLoop:
      throw PartStop(data.failedPart, texts::kNoOutLoopReason);
    case Failure::kTruncated:
      throw RunStop{StopNotice::kWarningBox, texts::kPartFileWarning};
    case Failure::kTooManyParts:
      throw RunStop{StopNotice::kWarningBox, std::string(texts::kPartCountLimit) +
                                                 std::to_string(kMaxPartInstances) + "!"};
    default:
      break;
  }
  int blockIndex = 0;
  for (PartBlock& block : data.blocks) {
    for (int i = 0; i < block.count; ++i) Parts.InsertByArea(block.part);
    PartTypes.push_back(PartTypeEntry{block.part.Name, blockIndex});
    ++blockIndex;
  }
  int id = 0;
  for (Part& p : Parts) p.ID = id++;
}

void PackJob::Setup(const std::string& partFileName, int rn, double ppd) {
  RN = rn;
  PPD = ppd;
  ReadPartFile(partFileName);
  FinishSetup();
}

void PackJob::SetupFrom(PartFileData data, int rn, double ppd) {
  RN = rn;
  PPD = ppd;
  TakePartData(std::move(data));
  FinishSetup();
}

void PackJob::FinishSetup() {
  TypeCount = static_cast<int>(PartTypes.size());
  TypeSlots.assign(PartTypes.size(), PartTypeSlot{});
  for (std::size_t i = 0; i < PartTypes.size(); ++i) {
    TypeSlots[i].Name = PartTypes[i].Name;
    TypeSlots[i].LastPosition = Vertex{0.0, 0.0};
  }
  PartCount = Parts.Count();
  UpdateSheetBox();
  ParkParts();
  InitialParts.RebuildFrom(Parts);

  SlotOfId.assign(PartCount, 0);
  TypeOfId.assign(PartCount, 0);
  for (const Part& p : Parts) {
    assert(p.ID >= 0 && p.ID < PartCount);
    SlotOfId[p.ID] = SlotIndexOf(p.Name);
    TypeOfId[p.ID] = TypeIndexOf(p.Name);
    assert(SlotOfId[p.ID] >= 0 && TypeOfId[p.ID] >= 0);  // every part has its type's slot
  }
}

void PackJob::ParkParts() {
  for (Part& p : Parts) p.Translate(SheetLength - p.Box.minX, -p.Box.maxY);
}

void PackJob::RestoreParts() { Parts.RebuildFrom(InitialParts); }

int PackJob::SlotIndexOf(const std::string& name) const {
  for (std::size_t i = 0; i < TypeSlots.size(); ++i) {
    if (TypeSlots[i].Name == name) return static_cast<int>(i);
  }
  return -1;
}

int PackJob::TypeIndexOf(const std::string& name) const {
  for (const PartTypeEntry& e : PartTypes) {
    if (e.Name == name) return e.TypeIndex;
  }
  return -1;
}

}  // namespace nest
