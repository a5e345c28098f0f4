#include "search/VisitedSet.hpp"

namespace nest {

namespace {

// Two different bijective 64-bit mixers (the finalisers of well-known
// generators), one per half of the fingerprint.
std::uint64_t MixA(std::uint64_t x) {
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

std::uint64_t MixB(std::uint64_t x) {
  x = (x ^ (x >> 33)) * 0xff51afd7ed558ccdULL;
  x = (x ^ (x >> 33)) * 0xc4ceb9fe1a85ec53ULL;
  return x ^ (x >> 33);
}

// Feeds values one at a time; the length closes the fingerprint.
class Hasher {
 public:
  void Add(int value) {
    const std::uint64_t v = static_cast<std::uint32_t>(value);
    a_ = MixA(a_ ^ v);
    b_ = MixB(b_ + v * 0x9e3779b97f4a7c15ULL);
    ++n_;
  }
  [[nodiscard]] Fingerprint Finish() const {
    Fingerprint f{MixA(a_ ^ (n_ << 32)), MixB(b_ + n_)};
    if (f.a == 0 && f.b == 0) f.a = 1;  // all zero marks an empty slot
    return f;
  }

 private:
  std::uint64_t a_ = 0x243f6a8885a308d3ULL;
  std::uint64_t b_ = 0x13198a2e03707344ULL;
  std::uint64_t n_ = 0;
};

constexpr std::size_t kFirstSize = 16;

bool Empty(const Fingerprint& f) { return f.a == 0 && f.b == 0; }

}  // namespace

Fingerprint FingerprintOf(const IDSequence& typeSequence) {
  Hasher h;
  for (const int v : typeSequence.ids) h.Add(v);
  return h.Finish();
}

Fingerprint TypeFingerprint(const PackJob& job, const IDSequence& sequence) {
  Hasher h;
  for (int b = 0; b < job.PartCount; ++b) {
    const int id = b < sequence.count() ? sequence.ids[b] : -1;
    h.Add((id >= 0 && id < job.PartCount) ? job.TypeOfId[id] : -1);
  }
  return h.Finish();
}

std::size_t VisitedSet::Table::Find(const Fingerprint& f) const {
  const std::size_t mask = slots.size() - 1;
  std::size_t i = static_cast<std::size_t>(f.a) & mask;
  while (!Empty(slots[i]) && !(slots[i] == f)) i = (i + 1) & mask;
  return i;
}

bool VisitedSet::Insert(const Fingerprint& f) {
  Table& t = TableOf(f);
  if (t.slots.empty()) t.slots.assign(kFirstSize, Fingerprint{});
  std::size_t i = t.Find(f);
  if (!Empty(t.slots[i])) return false;
  if (static_cast<std::size_t>(t.count + 1) * 4 > t.slots.size() * 3) {
    t.Grow();
    i = t.Find(f);
  }
  t.slots[i] = f;
  ++t.count;
  ++count_;
  return true;
}

bool VisitedSet::Contains(const Fingerprint& f) const {
  const Table& t = TableOf(f);
  return !t.slots.empty() && !Empty(t.slots[t.Find(f)]);
}

bool VisitedSet::Erase(const Fingerprint& f) {
  Table& t = TableOf(f);
  if (t.slots.empty()) return false;
  std::size_t hole = t.Find(f);
  if (Empty(t.slots[hole])) return false;
  // Backward-shift deletion: every later entry of the run whose home is not
  // between the hole and itself moves into the hole, so that no search for
  // it stops early at an empty slot.
  const std::size_t mask = t.slots.size() - 1;
  for (std::size_t j = (hole + 1) & mask; !Empty(t.slots[j]); j = (j + 1) & mask) {
    const std::size_t home = static_cast<std::size_t>(t.slots[j].a) & mask;
    const bool homeInHoleToJ = ((j - home) & mask) < ((j - hole) & mask);
    if (homeInHoleToJ) continue;
    t.slots[hole] = t.slots[j];
    hole = j;
  }
  t.slots[hole] = Fingerprint{};
  --t.count;
  --count_;
  return true;
}

void VisitedSet::Clear() {
  for (Table& t : tables_) {
    t.slots.clear();
    t.slots.shrink_to_fit();
    t.count = 0;
  }
  count_ = 0;
}

void VisitedSet::Table::Grow() {
  std::vector<Fingerprint> old(slots.size() * 2, Fingerprint{});
  old.swap(slots);
  const std::size_t mask = slots.size() - 1;
  for (const Fingerprint& f : old) {
    if (Empty(f)) continue;
    std::size_t i = static_cast<std::size_t>(f.a) & mask;
    while (!Empty(slots[i])) i = (i + 1) & mask;
    slots[i] = f;
  }
}

}  // namespace nest
