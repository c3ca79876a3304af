// The C runtime generator the game data was made with: one state per thread,
// starting at 1. Replays depend on it; the system rand() is never used.
#pragma once
#include <cstdint>

namespace plat {
void SeedRand(uint32_t seed);  // for the calling thread
int Rand();                    // 0..32767
}  // namespace plat
