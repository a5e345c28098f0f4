#pragma once

#include <cstdint>
#include <functional>

#include "app/PackJob.hpp"
#include "search/AheadChoice.hpp"
#include "search/IDSequence.hpp"
#include "search/LayoutLanes.hpp"
#include "search/VisitedSet.hpp"

namespace nest {

// How an iteration's neighbour was decided: rejected (annealing drew its
// chance number), taken after the chance draw (annealing only), or taken
// because it is better (no draw).
enum class Outcome { kRejected, kTakenAfterDraw, kBetter };

// The neighbours of a search and their layouts, one iteration ahead where a
// second lane allows. While the neighbour of iteration k is laid out, the
// neighbour of k + 1 is made and laid out as if k's neighbour were rejected
// or as if it were taken, whichever is likelier: from the current sequence
// if rejected, from k's neighbour if taken. Hill climbing takes only better
// neighbours and draws nothing to decide; the likelier outcome is the one
// recent iterations had more often. Annealing draws its chance number
// exactly when the neighbour is not better; the step ahead assumes that
// draw (so a better neighbour always takes it back), makes it at once, and
// from the drawn number and the recent differences between current and
// neighbour efficiency judges whether the neighbour would be taken. Nothing else that makes
// k + 1's neighbour depends on k's efficiency, and the visited set holds k's
// type sequence either way. When k's outcome is another, the step made
// ahead is taken back exactly (layout dropped, fingerprint erased,
// generator put back) and made again, so every draw, line and result is the
// one a single thread gives.
class Speculation {
 public:
  // Makes a neighbour of `base` into `out`, drawing and reading the visited
  // set as the method's move does.
  using Move = std::function<void(const IDSequence& base, IDSequence& out)>;

  // `annealing`: whether a chance draw precedes a rejection.
  Speculation(PackJob& job, bool annealing, long long distinct, Move move);

  VisitedSet& Visited() { return visited_; }
  // The visited count the early end compares: without a step made ahead.
  [[nodiscard]] long long Settled() const;

  // Iteration k's neighbour, made from `current` or taken from the step made
  // ahead, with its layout under way; a second signal stops here, where one
  // thread would start the layout. Then, when `more` (another iteration
  // follows), there is a second lane, laying out ahead pays and an
  // unvisited sequence is left, the step of k + 1 is made ahead.
  // `temperature`: annealing's for iteration k.
  const IDSequence& Next(const IDSequence& current, bool more, double temperature = 0.0);
  // The efficiency of iteration k's neighbour, once laid out.
  double Efficiency();
  // Annealing's chance draw for iteration k: the one made ahead when the step
  // ahead assumed it, else a new one (after taking back a step that assumed
  // none).
  int ChanceDraw();
  // Iteration k's outcome, and by how much the current efficiency exceeded
  // the neighbour's (annealing): a step made ahead that assumed another is
  // taken back, with the generator where k's outcome leaves it.
  void Settle(Outcome outcome, double shortfall = 0.0);
  // The search ends: a step made ahead is taken back.
  void Abandon();

 private:
  struct Step {
    bool made = false;
    IDSequence neighbour;
    Fingerprint fingerprint;
    int ticket = 0;
    Outcome assumed = Outcome::kRejected;
    std::uint32_t stateBefore = 0;     // the generator before the step
    std::uint32_t stateAfterDraw = 0;  // and after the draw it assumed
    int draw = 0;
    int zone = 0;  // where the neighbour first differs from the current one
  };

  // Records the step's neighbour as visited and starts its layout, on a
  // lane or, `here`, to be made by this thread when it is taken.
  void Launch(Step& step, bool here);
  void TakeBack(std::uint32_t state);
  // Hill climbing: the outcome recent iterations had more often.
  [[nodiscard]] Outcome Likeliest() const;
  // Annealing, with the chance draw made: whether the neighbour would be
  // taken, by the recent share of better neighbours and the recent
  // shortfalls, of neighbours that differed from theirs where this one
  // does, within the draw's reach.
  [[nodiscard]] Outcome LikeliestAfterDraw(int draw, double temperature) const;
  [[nodiscard]] static int ZoneOf(const IDSequence& neighbour, const IDSequence& current);

  PackJob& job_;
  bool annealing_;
  long long distinct_;
  Move move_;
  VisitedSet visited_;
  LayoutLanes lanes_;
  AheadChoice choice_;
  Step step_;
  Step ahead_;
  // Recent outcomes, each weight falling by a tenth an iteration.
  double weight_[3] = {1.0, 0.0, 0.0};
  // The shortfalls of the recent neighbours that were not better, by where
  // the neighbour first differs from the current sequence (in sixteenths of
  // the sequence: an exchange near the end changes fewer placements).
  static constexpr int kZones = 16;
  static constexpr int kShortfalls = 16;
  double shortfalls_[kZones][kShortfalls] = {};
  int shortfallCount_[kZones] = {};
};

}  // namespace nest
