#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <thread>

#include "platform/random.h"
#include "services/strings.h"

TEST(Random, FollowsTheRuntimeGeneratorFromSeedOne) {
  plat::SeedRand(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int e : expected) EXPECT_EQ(plat::Rand(), e);
}

TEST(Random, EachThreadStartsAtSeedOne) {
  plat::SeedRand(12345);
  plat::Rand();
  int first = -1;
  std::thread t([&] { first = plat::Rand(); });
  t.join();
  EXPECT_EQ(first, 41);
}

TEST(Random, GetRandomStaysWithinItsBounds) {
  struct Case {
    int a, b;
  } cases[] = {{5, 3}, {3, 5}, {7, 7}, {-10, 10}, {INT_MIN, INT_MAX}, {INT_MAX - 1, INT_MAX}, {INT_MIN, INT_MIN + 2}};
  plat::SeedRand(1);
  for (const Case& c : cases) {
    int lo = std::min(c.a, c.b), hi = std::max(c.a, c.b);
    for (int i = 0; i < 200; ++i) {
      int r = GetRandom(c.a, c.b);
      ASSERT_GE(r, lo) << c.a << ".." << c.b;
      ASSERT_LE(r, hi) << c.a << ".." << c.b;
    }
  }
  EXPECT_EQ(GetRandom(7, 7), 7);
}
