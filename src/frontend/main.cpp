#include <cstring>

#include "frontend/frontend.h"
#include "search/search.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "bench") == 0) {
    PrepareTables(BenchMegabytes);
    RunBench(argc > 2 ? ReadNumber(argv[2]) : 0, true);
    FreeTables();
    return 0;
  }
  return RunEngine(0);
}
