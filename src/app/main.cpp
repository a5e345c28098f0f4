#include "app/Console.hpp"
#include "app/RunFlow.hpp"

int main() {
  // The console's settings hold for the whole run and are set back when it
  // ends, whatever the status.
  nest::ConsoleSession session;
  return nest::RunProgram();
}
