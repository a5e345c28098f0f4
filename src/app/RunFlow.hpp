#pragma once

namespace nest {

// Most rotation angles a run accepts: every part is held once per angle
// while it is placed.
inline constexpr int kMaxRN = 100000;

// The whole run: the dialogue on the active console, set-up, search, drawing
// and the closing wait. Returns the exit status: 0 for a normal run, the
// status of the stop (after telling its reason) otherwise.
int RunProgram();

}  // namespace nest
