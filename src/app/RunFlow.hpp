#pragma once

namespace nest {

// Most rotation angles a run accepts: every part is held once per angle
// while it is placed.
inline constexpr int kMaxRN = 100000;

// The whole run: the dialogue on the active console, set-up, search, drawing
// and the closing wait. Returns the exit status of a normal run (0); orderly
// stops end the process with status 1 on the way.
int RunProgram();

}  // namespace nest
