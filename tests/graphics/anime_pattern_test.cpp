#include <gtest/gtest.h>

#include <vector>

#include "graphics/anime_pattern.h"

namespace {

std::vector<int> StepTimes(cAnimePattern& a, int n) {
  std::vector<int> out;
  for (int i = 0; i < n; ++i) out.push_back(a.Step());
  return out;
}

}  // namespace

TEST(AnimePattern, EndCodesLoopHoldAndJump) {
  const int loop[] = {5, 3, 0, 6, 2, 0, -2, 0, 0};
  const int hold[] = {1, 1, 0, -1, 0, 0};
  const int jumpFrom[] = {7, 2, 0, -3, 1, 0};
  const int jumpTo[] = {9, 5, 0, -1, 0, 0};
  struct Case {
    std::vector<const int*> source;
    std::vector<int> expected;
    int patternAfter;
  } cases[] = {
      {{loop, nullptr}, {5, 5, 6, 6, 5, 5, 5, 6, 6, 5}, 0},
      {{hold, nullptr}, {1, 1, 1, 1, 1}, 0},
      {{jumpFrom, jumpTo, nullptr}, {7, 9, 9, 9, 9, 9, 9, 9}, 1},
  };
  for (const Case& c : cases) {
    cAnimePattern a;
    a.Create(c.source.data());
    ASSERT_EQ(a.SetPattern(0, 1), 1);
    EXPECT_EQ(StepTimes(a, static_cast<int>(c.expected.size())), c.expected);
    EXPECT_EQ(a.GetPattern(), c.patternAfter);
  }
}

TEST(AnimePattern, OwnerCodeKeepsShowingWithoutLeavingThePattern) {
  // -4 is returned to the owner; an owner that does not switch keeps
  // getting it instead of the sequencer stepping past the pattern's end.
  const int dying[] = {3, 1, 0, -4, 0, 0};
  const int onlyCode[] = {-1, 0, 0};
  const int* source[] = {dying, onlyCode, nullptr};
  cAnimePattern a;
  a.Create(source);
  a.SetPattern(0, 1);
  EXPECT_EQ(StepTimes(a, 4), (std::vector<int>{-4, -4, -4, -4}));
  a.SetPattern(1, 1);
  EXPECT_EQ(StepTimes(a, 3), (std::vector<int>{-1, -1, -1}));
  EXPECT_EQ(a.GetStep(), 0);
}

TEST(AnimePattern, LockRefusesUnforcedSwitchAndChangeKeepsCounters) {
  const int locked[] = {1, 10, 1, 2, 10, 0, -2, 0, 0};
  const int other[] = {8, 4, 0, -1, 0, 0};
  const int third[] = {4, 4, 0x100, -1, 0, 0};  // only the lock's low byte counts
  const int* source[] = {locked, other, third, nullptr};
  cAnimePattern a;
  a.Create(source);
  a.SetPattern(0, 1);
  a.Step();
  EXPECT_EQ(a.SetPattern(2, 0), 0);
  EXPECT_EQ(a.GetPattern(), 0);
  EXPECT_EQ(a.GetTick(), 1);
  EXPECT_EQ(a.ChangePattern(0, 0), 1);  // the current pattern: counters kept
  EXPECT_EQ(a.GetTick(), 1);
  EXPECT_EQ(a.SetPattern(2, 1), 1);
  EXPECT_EQ(a.GetValue(), 4);
  EXPECT_EQ(a.SetPattern(1, 0), 1);  // lock 0x100 stores as 0
  EXPECT_EQ(a.ChangePattern(2, 0), 1);
  EXPECT_EQ(a.GetPattern(), 2);
  EXPECT_EQ(a.GetTick(), 0);
}

TEST(AnimePattern, EmptySequencerAndNullSource) {
  cAnimePattern a;
  EXPECT_EQ(a.Step(), 0);
  EXPECT_EQ(a.GetValue(), 0);
  EXPECT_EQ(a.SetPattern(3, 0), 1);
  const int p[] = {2, 1, 0, -2, 0, 0};
  const int* source[] = {p, nullptr};
  a.Create(source);
  a.Create(nullptr);  // ignored: the patterns stay
  EXPECT_EQ(a.PatternCount(), 1);
  a.SetPattern(0, 1);
  EXPECT_EQ(a.Step(), 2);
  a.Clear();
  EXPECT_EQ(a.PatternCount(), 0);
  EXPECT_EQ(a.Step(), 0);
}
