#include "app/Console.hpp"
#include "app/RunFlow.hpp"

int main() {
  // The console's settings are set back also when a stop ends the process
  // on the way: a static object goes at exit as well as at the return.
  static nest::ConsoleSession session;
  return nest::RunProgram();
}
