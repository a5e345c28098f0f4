#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "app/PackJob.hpp"
#include "search/AheadChoice.hpp"
#include "search/IDSequence.hpp"
#include "search/LayoutLanes.hpp"
#include "search/NeighbourKind.hpp"
#include "search/VisitedSet.hpp"

namespace nest {

// How an iteration's neighbour was decided: rejected (annealing drew its
// chance number), taken after the chance draw (annealing only), or taken
// because it is better (no draw).
enum class Outcome { kRejected, kTakenAfterDraw, kBetter };

// The neighbours of a search and their layouts, made ahead where a second
// lane allows. While the neighbour of iteration k is laid out, those of
// k + 1 and k + 2 are made and laid out as if each iteration before them had
// its likelier outcome: rejected (the next neighbour comes from the same
// current sequence) or taken (it comes from that iteration's neighbour).
// Hill climbing takes only better neighbours and draws nothing to decide;
// the likelier outcome is the one recent iterations had more often.
// Annealing draws its chance number exactly when the neighbour is not
// better: a step ahead assumes that draw (so a better neighbour takes it
// back), makes it at once, and from the drawn number and the recent
// shortfalls of neighbours of the same kind (NeighbourKind) judges whether
// the neighbour would be taken. Nothing else that makes a neighbour depends on the efficiencies
// before it, and the visited set holds each earlier type sequence either
// way. When an iteration's outcome is not the one assumed, the steps made
// ahead are taken back exactly (layouts dropped, fingerprints erased,
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
  // The visited count the early end compares: without the steps made ahead.
  [[nodiscard]] long long Settled() const;

  // Iteration k's neighbour, made from `current` or taken from the steps
  // made ahead, with its layout under way; a second signal stops here, where
  // one thread would start the layout. Then, where a second lane is worth
  // using, the steps of the next `following` iterations (at most two) are
  // made ahead while unvisited type sequences are left.
  // `temperature`: annealing's for iteration k.
  const IDSequence& Next(const IDSequence& current, long long following, double temperature = 0.0);
  // The efficiency of iteration k's neighbour, once laid out.
  double Efficiency();
  // Annealing's chance draw for iteration k: the one made ahead when the
  // next step ahead assumed it, else a new one (after taking back the steps
  // ahead, which assumed none).
  int ChanceDraw();
  // Iteration k's outcome, and by how much the current efficiency exceeded
  // the neighbour's (annealing): when the next step ahead assumed another,
  // the steps ahead are taken back, with the generator where k's outcome
  // leaves it.
  void Settle(Outcome outcome, double shortfall = 0.0);
  // The search ends: the steps made ahead are taken back.
  void Abandon();

 private:
  struct Step {
    IDSequence neighbour;
    Fingerprint fingerprint;
    int ticket = 0;
    // Made ahead: the outcome assumed of the iteration before, the
    // generator before the step and after the chance draw it assumed, and
    // that draw.
    Outcome assumed = Outcome::kRejected;
    std::uint32_t stateBefore = 0;
    std::uint32_t stateAfterDraw = 0;
    int draw = 0;
    int kind = 0;       // annealing: the NeighbourKind of the neighbour
    PlacedBoxes boxes;  // annealing: its layout's, once made
  };

  // Records the step's neighbour as visited and starts its layout, on a
  // lane or, `here`, to be made by this thread when it is taken.
  void Launch(Step& step, bool here);
  // Makes the step of the iteration after the last one made, as if that
  // one had its likelier outcome.
  void MakeAhead(const IDSequence& current, double temperature);
  // Takes every step made ahead back; the generator returns to `state`.
  void TakeBack(std::uint32_t state);
  // Hill climbing: the outcome recent iterations had more often.
  [[nodiscard]] Outcome Likeliest() const;
  // Annealing, with the chance draw made: whether a neighbour that is not
  // better would be taken, by whether most recent shortfalls of neighbours
  // of its kind lie within the draw's reach.
  [[nodiscard]] Outcome LikeliestAfterDraw(int draw, double temperature, int kind) const;
  // Annealing: the kind of a neighbour made from `base`.
  [[nodiscard]] int KindOf(const IDSequence& neighbour, const IDSequence& base) const;

  PackJob& job_;
  bool annealing_;
  long long distinct_;
  Move move_;
  VisitedSet visited_;
  LayoutLanes lanes_;
  AheadChoice choice_;
  Step step_;
  std::deque<Step> ahead_;  // the steps of iterations k + 1, k + 2
  static constexpr std::size_t kDepth = 2;
  // Recent outcomes, each weight falling by a tenth an iteration.
  double weight_[3] = {1.0, 0.0, 0.0};
  // Annealing: the last sequence taken whose layout is known, and its boxes.
  IDSequence laidOut_;
  PlacedBoxes laidOutBoxes_;
  // The shortfalls of the recent neighbours that were not better, the last
  // kShortfalls of each kind.
  static constexpr int kShortfalls = 8;
  std::vector<double> shortfalls_;
  std::vector<int> shortfallCount_;
};

}  // namespace nest
