// t4-fuzz-seeds DIR: writes the starting corpus of every fuzz target into
// DIR/<target>/ (fuzz_seeds.h).
#include <cstdio>
#include <string>

#include "fuzz_seeds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: t4-fuzz-seeds DIR\n");
    return 2;
  }
  std::string error;
  const int n = WriteFuzzSeeds(argv[1], &error);
  if (n < 0) {
    std::fprintf(stderr, "t4-fuzz-seeds: %s\n", error.c_str());
    return 1;
  }
  std::printf("%d seeds in %s\n", n, argv[1]);
  return 0;
}
