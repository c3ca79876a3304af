// The run-time tables built from the loaded databases: anime and effect
// patterns, chara-effect and screen-effect parameters, and the playback
// states that read them.
#include <gtest/gtest.h>

#include <vector>

#include "records/database.h"

namespace {

using Steps = std::vector<std::vector<int>>;

Steps StepsOf(const cAnimePatternSteps& p) {
  Steps out;
  for (const ANIMEPATTERNSTEP& s : p) out.push_back({s.nValue, s.nTime, s.nLock});
  return out;
}

cAnimeData AnimeWith(std::vector<std::vector<int>> frames) {
  cAnimeData a;
  a.m_vecFrame.clear();
  for (auto& f : frames) {
    cAnimeFrameData d;
    d.m_nGraphic = f[0], d.m_nTime = f[1], d.m_nLock = f[2];
    a.m_vecFrame.push_back(d);
  }
  return a;
}

TEST(DatabaseTables, AnimePatternsLoopEntryZeroAndLockFromTheFirstLockedFrameOn) {
  cDatabase db;
  db.m_vecAnime = {AnimeWith({{3, 2, 1}, {4, 5, 0}}), AnimeWith({{10, 2, 0}, {11, 1, 1}, {12, 3, 0}}),
                   AnimeWith({}), AnimeWith({{7, 1, 0}})};
  cPatternTable table;
  BuildAnimePatternTable(table, db);
  ASSERT_EQ(table.size(), 4u);
  EXPECT_EQ(StepsOf(table[0]), (Steps{{3, 0, 1}, {4, 0, 1}, {-2, 0, 1}}));
  EXPECT_EQ(StepsOf(table[1]), (Steps{{10, 12, 0}, {11, 6, 1}, {12, 18, 1}, {-4, 0, 0}}));
  EXPECT_EQ(StepsOf(table[2]), (Steps{{-4, 0, 0}}));
  EXPECT_EQ(StepsOf(table[3]), (Steps{{7, 6, 0}, {-4, 0, 0}}));

  db.m_vecAnime = {AnimeWith({})};
  BuildAnimePatternTable(table, db);
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(StepsOf(table[0]), (Steps{{-2, 0, 1}}));
}

TEST(DatabaseTables, EffectPatternsHaveNoLocksAfterEntryZero) {
  cDatabase db;
  db.m_vecEffect.resize(2);
  for (auto& e : db.m_vecEffect) {
    e.m_vecFrame.resize(2);
    e.m_vecFrame[0].m_nGraphic = 5, e.m_vecFrame[0].m_nTime = 1;
    e.m_vecFrame[1].m_nGraphic = 6, e.m_vecFrame[1].m_nTime = 4;
  }
  cPatternTable table;
  BuildEffectPatternTable(table, db);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(StepsOf(table[0]), (Steps{{5, 0, 1}, {6, 0, 1}, {-2, 0, 1}}));
  EXPECT_EQ(StepsOf(table[1]), (Steps{{5, 6, 0}, {6, 24, 0}, {-4, 0, 0}}));
}

// Effect tests work on the global database the parameter tables read; each
// leaves it at its defaults.
class EffectPlayback : public ::testing::Test {
 protected:
  void TearDown() override {
    g_Database.SetDefault();
    g_Database.m_vecCharaEffectRev.clear();
    g_Database.m_vecScrEffectRev.clear();
    g_CharaEffectStates.forward.clear();
    g_CharaEffectStates.reverse.clear();
    g_ScrEffectStates.forward.clear();
    g_ScrEffectStates.reverse.clear();
  }
  static void SetChara(int i, int kind, std::vector<int> p) {
    if (g_Database.m_vecCharaEffect.size() <= size_t(i)) g_Database.m_vecCharaEffect.resize(size_t(i) + 1);
    g_Database.m_vecCharaEffect[size_t(i)].m_nKind = kind;
    for (int k = 0; k < 5; ++k) g_Database.m_vecCharaEffect[size_t(i)].m_nParam[k] = k < int(p.size()) ? p[size_t(k)] : 0;
  }
  static void SetScreen(int i, int kind, std::vector<int> p) {
    if (g_Database.m_vecScrEffect.size() <= size_t(i)) g_Database.m_vecScrEffect.resize(size_t(i) + 1);
    g_Database.m_vecScrEffect[size_t(i)].m_nKind = kind;
    for (int k = 0; k < 5; ++k) g_Database.m_vecScrEffect[size_t(i)].m_nParam[k] = k < int(p.size()) ? p[size_t(k)] : 0;
  }
  // The start-up sequence after the databases are loaded.
  static void Build() {
    g_Database.FillReverseCopies();
    BuildCharaEffectStates(g_CharaEffectStates.forward, g_CharaEffectStates.reverse);
    BuildScrEffectStates(g_ScrEffectStates.forward, g_ScrEffectStates.reverse);
  }
  // Steps until the effect ends; the number of steps that went on.
  static int RunToEnd(cCharaEffectState& s, int limit = 10000) {
    for (int n = 0; n < limit; ++n)
      if (s.Step()) return n;
    return -1;
  }
};

TEST_F(EffectPlayback, ReverseTablesComeFromExchangedCopiesAndTheListsKeepTheFileValues) {
  SetChara(1, 7, {10, 0, 1440});
  SetChara(2, 6, {10, 2});
  SetScreen(1, 1, {10, 0, 0, 640, 0});
  SetScreen(2, 9, {10, 0, 1440});
  Build();
  ASSERT_EQ(g_CharaEffectStates.forward.size(), 3u);
  ASSERT_EQ(g_CharaEffectStates.reverse.size(), 3u);
  ASSERT_EQ(g_ScrEffectStates.reverse.size(), 3u);

  EXPECT_EQ(g_Database.m_vecCharaEffect[1].m_nParam[1], 0);
  EXPECT_EQ(g_Database.m_vecCharaEffect[1].m_nParam[2], 1440);
  EXPECT_EQ(g_Database.m_vecCharaEffectRev[1].m_nParam[1], 1440);
  EXPECT_EQ(g_Database.m_vecCharaEffectRev[1].m_nParam[2], 0);
  // Blink kinds have no range to exchange.
  EXPECT_EQ(g_Database.m_vecCharaEffectRev[2].m_nParam[1], 2);

  const cCharaEffectParams& f = g_CharaEffectStates.forward[1];
  const cCharaEffectParams& r = g_CharaEffectStates.reverse[1];
  EXPECT_EQ(f.m_nStart, 0);
  EXPECT_EQ(f.m_nEnd, 1440);
  EXPECT_DOUBLE_EQ(f.m_dStep, 24.0);
  EXPECT_EQ(r.m_nStart, 1440);
  EXPECT_EQ(r.m_nEnd, 0);
  EXPECT_DOUBLE_EQ(r.m_dCurrent, 1440.0);
  EXPECT_EQ(r.m_pEntry, &g_Database.m_vecCharaEffectRev[1]);

  // A reversed move starts at the forward end point.
  EXPECT_EQ(g_ScrEffectStates.forward[1].m_nInt1, 0);
  EXPECT_EQ(g_ScrEffectStates.reverse[1].m_nInt1, 640);
  EXPECT_EQ(g_ScrEffectStates.reverse[1].m_nInt2, 0);
  EXPECT_EQ(g_Database.m_vecScrEffect[1].m_nParam[3], 640);
  EXPECT_DOUBLE_EQ(g_ScrEffectStates.reverse[2].m_dCurrent, 1440.0);
}

TEST_F(EffectPlayback, ARotationAdvances24DegreesAFrameAndEndsPastItsEndValue) {
  SetChara(1, 7, {10, 0, 1440});
  Build();
  cCharaEffectState s;
  s.Start(1, EFFECT_RUN_FORWARD, 0);
  int steps = 0;
  for (; steps < 59; ++steps) ASSERT_EQ(s.Step(), 0);
  ASSERT_EQ(s.Step(), 0);  // the 60th step reaches 1440, still drawn
  EXPECT_DOUBLE_EQ(s.m_dCurrent, 1440.0);
  EXPECT_EQ(s.Step(), 1);  // 1464 ends it
}

TEST_F(EffectPlayback, ConstantEffectsLastTheirTimeAndThereAndBackPlaysEachHalfOnce) {
  SetChara(1, 11, {5, 40, 40});
  SetChara(2, 7, {1, 0, 1440});
  Build();
  cCharaEffectState s;
  s.Start(1, EFFECT_RUN_FORWARD, 0);
  const int constant = RunToEnd(s);
  EXPECT_GE(constant, 29);
  EXPECT_LE(constant, 30);

  s.Start(2, EFFECT_RUN_THERE_AND_BACK, 0);
  for (int n = 0; n < 6; ++n) ASSERT_EQ(s.Step(), 0);
  EXPECT_EQ(s.m_bReversedHalf, 0);
  ASSERT_EQ(s.Step(), 0);  // passes 1440: the reversed half starts
  EXPECT_EQ(s.m_bReversedHalf, 1);
  EXPECT_EQ(s.m_nStart, 1440);
  EXPECT_EQ(RunToEnd(s), 6);

  s.Start(2, EFFECT_RUN_THERE_AND_BACK, 1);
  EXPECT_EQ(RunToEnd(s, 200), -1);  // repeats until replaced

  s.Start(2, EFFECT_RUN_REVERSED, 0);
  EXPECT_EQ(s.m_bReversedHalf, 1);
  EXPECT_DOUBLE_EQ(s.m_dCurrent, 1440.0);
  EXPECT_EQ(RunToEnd(s), 6);
}

TEST_F(EffectPlayback, ScreenEffectsStepWithTheCallersRangeAndConstantOnesWithTheirTime) {
  SetScreen(1, 9, {1, 0, 60});
  SetScreen(2, 11, {2, 640, 640});
  Build();
  cScrEffectState s;
  s.Start(1, EFFECT_RUN_FORWARD, 0);
  int n = 0;
  while (!s.Step(0, 60, 10.0) && n < 100) ++n;
  EXPECT_EQ(n, 6);  // 10 .. 60 go on, 70 ends

  s.Start(2, EFFECT_RUN_FORWARD, 0);
  EXPECT_EQ(s.m_bConstant, 1);
  n = 0;
  while (!s.Step(640, 640, 0.0) && n < 100) ++n;
  EXPECT_GE(n, 11);
  EXPECT_LE(n, 12);
}

// Values from a project's files that the arithmetic must survive: a time of
// 0, extreme ranges, kinds without a renderer, bad ids.
TEST_F(EffectPlayback, HostileParametersNeitherCrashNorOverflow) {
  SetChara(1, 7, {0, INT32_MIN, INT32_MAX});
  SetChara(2, 99, {10, 1, 2});
  SetChara(3, -1, {10, 1, 2});
  SetScreen(1, 12, {0, INT32_MAX, INT32_MIN});
  SetScreen(2, 50, {10, 1, 2});
  Build();
  cCharaEffectState s;
  s.Start(1, EFFECT_RUN_FORWARD, 0);
  EXPECT_EQ(RunToEnd(s), 0);
  s.Start(2, EFFECT_RUN_FORWARD, 0);
  EXPECT_EQ(s.m_nId, 2);
  EXPECT_EQ(s.m_nEnd, 0);
  cScrEffectState ss;
  ss.Start(1, EFFECT_RUN_REVERSED, 0);
  ss.Step(0, 1, 1.0);
  ss.Start(2, EFFECT_RUN_FORWARD, 0);
  EXPECT_EQ(ss.m_nId, 2);
}

}  // namespace
