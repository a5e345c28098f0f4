#include "app/PackJob.hpp"

#include <cassert>

#include "app/Console.hpp"
#include "app/Texts.hpp"
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

PackJob::PackJob() : TypeSlots(1) { UpdateSheetBox(); }

void PackJob::UpdateSheetBox() {
  SheetBox = BoundingBox{0.0, SheetLength, 0.0, SheetWidth};
  if (SheetLength == 0.0 || SheetWidth == 0.0) {
    ShowWarning(texts::kZeroSheetWarning);
    StopRun(1);
  }
}

void PackJob::ReadPartFile(const std::string& partFileName) {
  TakePartData(LoadPartFile(partFileName));
}

void PackJob::TakePartData(PartFileData data) {
  using Failure = PartFileData::Failure;
  if (data.failure == Failure::kCannotOpen || data.failure == Failure::kBadHeader) {
    ShowWarning(texts::kPartFileWarning);
    StopRun(1);
  }
  SheetLength = data.SheetLength;
  SheetWidth = data.SheetWidth;
  // The sheet check is made twice, so bad sheet data shows the box twice.
  for (int check = 0; check < 2; ++check) {
    if (SheetLength < 0.0 || SheetWidth < 0.0 || SheetLength * SheetWidth < 0.0) {
      ShowWarning(texts::kSheetDataWarning);
    }
  }
  UpdateSheetBox();
  switch (data.failure) {
    case Failure::kEmptyLoop:
      StopRun(1);  // a loop without vertices stops the run without a message
    case Failure::kTruncated:
    case Failure::kTooManyParts:
      ShowWarning(texts::kPartFileWarning);
      StopRun(1);
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
