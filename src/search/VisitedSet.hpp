#pragma once

#include <cstdint>
#include <vector>

#include "app/PackJob.hpp"
#include "search/IDSequence.hpp"

namespace nest {

// A 128-bit fingerprint of a type sequence: its length and every value, mixed
// by a fixed function, so that it is the same on every platform. Two distinct
// sequences share one with a chance of about 2^-128; a run of a billion
// iterations meets such a pair with a chance below 10^-20.
struct Fingerprint {
  std::uint64_t a = 0;
  std::uint64_t b = 0;
  friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
};

// The fingerprint of a sequence's values as they stand.
Fingerprint FingerprintOf(const IDSequence& typeSequence);
// The fingerprint of ToTypeSequence(job, sequence), without making it.
Fingerprint TypeFingerprint(const PackJob& job, const IDSequence& sequence);

// A driver's visited list: the fingerprints of the type sequences evaluated,
// 16 bytes each in flat tables that are at most three quarters full. The
// fingerprints are spread over 64 tables that double one at a time, so that
// a doubling holds little twice: about 30 bytes per entry on average.
class VisitedSet {
 public:
  // Adds a fingerprint; false when it was there already.
  bool Insert(const Fingerprint& f);
  [[nodiscard]] bool Contains(const Fingerprint& f) const;
  // Takes a fingerprint out again (a dropped speculative step); false when
  // it was not there.
  bool Erase(const Fingerprint& f);
  void Clear();
  // The number of distinct fingerprints held.
  [[nodiscard]] long long Count() const { return count_; }

  bool Insert(const IDSequence& typeSequence) { return Insert(FingerprintOf(typeSequence)); }
  [[nodiscard]] bool Contains(const IDSequence& typeSequence) const {
    return Contains(FingerprintOf(typeSequence));
  }

 private:
  // Linear probing from the low bits of `a`; an all-zero slot is empty (no
  // fingerprint is all zero).
  struct Table {
    std::vector<Fingerprint> slots;
    long long count = 0;
    // The slot holding `f`, or the empty slot where it would go.
    [[nodiscard]] std::size_t Find(const Fingerprint& f) const;
    void Grow();
  };
  static constexpr int kTables = 64;
  // The table of a fingerprint: the top bits of `b`.
  Table& TableOf(const Fingerprint& f) { return tables_[f.b >> 58]; }
  [[nodiscard]] const Table& TableOf(const Fingerprint& f) const { return tables_[f.b >> 58]; }

  Table tables_[kTables];
  long long count_ = 0;
};

}  // namespace nest
