#include "app/RunFlow.hpp"

int main() { return nest::RunProgram(); }
