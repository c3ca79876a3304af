// The run-code language: arithmetic, references, assignments with their
// ranges and side effects, the error boxes and the texts authors wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "flow/run_code.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "platform/video.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "services/log.h"
#include "support/headless_runner.h"
#include "support/temp_folder.h"

namespace {

using t4test::U8;

class RunCodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedProgress_ = g_Progress;
    g_Progress.Reset();
    wasHeadless_ = plat::IsHeadless();
    plat::SetHeadless(true);  // boxes answer themselves and go to the report
    ASSERT_EQ(InitReportLog((dir_ / "Report_Game.txt").c_str()), 1);
    Player.clear();
    chara_.Reset(nullptr, 0, 0, 0, 0);
    chara_.m_nTeam = 1;
    chara_.m_Data.m_nMaxHp = 100;
    chara_.m_nLife = 80;
    other_.Reset(nullptr, 0, 0, 0, 0);
    other_.m_nTeam = 1;
    other_.m_Data.m_nMaxHp = 50;
    other_.m_nLife = 50;
  }
  void TearDown() override {
    chara_.ClearLinks();
    Player.clear();
    plat::SetHeadless(wasHeadless_);
    g_Progress = savedProgress_;
  }
  int& C(int i) { return g_Progress.m_vecVar[static_cast<size_t>(i)]; }
  int& S(int i) { return stage_.Scene().m_vecStageVar[static_cast<size_t>(i)]; }
  std::string Report() { return t4test::ReadFile(dir_ / "Report_Game.txt"); }
  int Lines() {
    const std::string r = Report();
    return static_cast<int>(std::count(r.begin(), r.end(), '\n'));
  }

  t4test::TempFolder dir_;
  t4test::StageFixture stage_;
  cCharaBase chara_;
  cCharaBase other_;
  cProgressData savedProgress_;
  bool wasHeadless_ = false;
};

TEST_F(RunCodeTest, ArithmeticPrecedenceAndTheAuthorsQuirks) {
  struct Case {
    const char* code;
    int c1;  // common variable 1 afterwards (it starts at 100)
  };
  const Case cases[] = {
      {"C1 = 2 * (3 + 4)", 14},
      {"C1 = 2 * ( 3 + 4 )", 14},
      {"C1 = 10 - 3 - 2", 5},
      {"C1 = 2 + 3 * 4", 14},
      {"C1 = 20 / 3 * 3", 18},
      {"C1 = -7 / 2", -3},
      {"C1 = -7 % 3", -1},
      {"C1 = 7 % -3", 1},
      {"C1 = -5", -5},
      {"C1 = ((((1))))", 1},
      {"C1=5", 100},             // one token: a reference, nothing assigned
      {"C1 =rand(1,6)", 100},    // "=rand(1,6)" is one constant token, 0
      {"C1 = 1.5", 5},           // "1." is an unknown prefix after tokens: ignored
      {"C1 = C1 + 1", 101},
      {"C1 = 5000000", 999999},  // assignments keep the variable range
      // Products wrap in 32 bits before the store clamps them:
      // 2,500,000,000 is -1,794,967,296 and 999999^2 is -729,379,967.
      {"C1 = 50000 * 50000", -999999},
      {"C1 = 50000 * 50000 + 1", -999999},
      {"C1 = 0 - 50000 * 50000", 999999},
      {"C1 = 999999 * 999999", -999999},
      {"C1 = C2 = 7", 0},        // left to right: C1 takes C2, then "0 = 7" fails
      {"", 100},
  };
  for (const Case& c : cases) {
    C(1) = 100;
    C(2) = 0;
    RunCode(c.code, &chara_);
    EXPECT_EQ(C(1), c.c1) << c.code;
  }
  C(2) = 4;
  EXPECT_EQ(RunCode("C1 = C2 = 7", &chara_), 0);
  EXPECT_EQ(C(1), 4);  // made before the error, and kept
  EXPECT_EQ(C(2), 4);
  EXPECT_EQ(RunCode("Score = 12", &chara_), 1);
  EXPECT_EQ(S(0), 12);
  EXPECT_EQ(RunCode("S3 = S0 + 1", &chara_), 1);
  EXPECT_EQ(S(3), 13);
}

TEST_F(RunCodeTest, EvaluationValuesAndTheEdgesOfTheIntRange) {
  struct Case {
    const char* code;
    int value;
  };
  const Case cases[] = {
      {"1 + 2", 3},
      {"2147483647 + 1", INT_MIN},  // sums wrap in 32 bits
      {"-2147483648 - 1", INT_MAX},
      {"65536 * 65536", 0},         // products wrap in 32 bits as well
      {"65536 * 65536 + 7", 7},
      {"-2147483648 * -1", INT_MIN},
      {"65537 * 65537", 131073},    // 2^32 + 2^17 + 1
      {"-2147483648 / -1", INT_MIN},
      {"-2147483648 % -1", 0},
      {"99999999999", INT_MAX},
      {"7", 7},
      {"+7", 7},
      {"abc", 0},
  };
  for (const Case& c : cases) {
    g_bCodeError = 0;
    EXPECT_EQ(EvalReduceParens(c.code, &chara_), c.value) << c.code;
    EXPECT_EQ(g_bCodeError, 0) << c.code;
  }
}

TEST_F(RunCodeTest, RandStaysWithinItsBoundsInEitherOrder) {
  bool seen[7] = {};
  for (int i = 0; i < 400; ++i) {
    ASSERT_EQ(RunCode("C1 = rand(6, 1)", &chara_), 1);
    ASSERT_GE(C(1), 1);
    ASSERT_LE(C(1), 6);
    seen[C(1)] = true;
  }
  for (int v = 1; v <= 6; ++v) EXPECT_TRUE(seen[v]) << v;
  ASSERT_EQ(RunCode("C1 = rand(3, rand(3, 3)) + (2 * rand(1,1))", &chara_), 1);
  EXPECT_EQ(C(1), 5);
  ASSERT_EQ(RunCode("C1 = rand(-2147483648, 2147483647) * 0", &chara_), 1);
  EXPECT_EQ(C(1), 0);
}

TEST_F(RunCodeTest, ErrorsShowTheirBoxAndFailTheCommand) {
  struct Case {
    const char* code;
    const char8_t* box;  // the report line of the box; null: no box
  };
  const Case cases[] = {
      {"C1 = rand(1)", u8"[エラー] 関数 rand の引数が不正です！"},
      {"C1 = rand()", u8"[エラー] 関数 rand の引数が不正です！"},
      {"C1 = rand(1,2,3)", u8"[エラー] 関数 rand の引数が不正です！"},
      {"C1 = (1 + 2", u8"[エラー] \")\"が見つかりません！"},
      {"C1 = 7 / 0", u8"[エラー] 0除算が行われました！(C1 = 7 / 0)"},
      {"C1 = 7 % (1 - 1)", u8"[エラー] 0除算が行われました！(C1 = 7 % 0)"},
      {"5 = C1", u8"[エラー] 代入先が不正です！"},
      {"xx.hp = 1", u8"[エラー] オブジェクト \"xx.\" が認識できません！"},
      {"C1 = ", u8"[エラー] 演算子の前後に値がありません！(C1 = )"},
      {"= 3", u8"[エラー] 演算子の前後に値がありません！(= 3)"},
      {"C1 = * 3", u8"[エラー] 演算子の前後に値がありません！(C1 = * 3)"},
      {"tg.hp = 0", nullptr},   // empty link slot: quietly
      {"tg4.v1 = 3", nullptr},
      {"pl.hp = 0", nullptr},   // no hero
      {"sys.hp = 0", nullptr},  // the system has no life
  };
  for (const Case& c : cases) {
    const std::string before = Report();
    C(1) = 100;
    EXPECT_EQ(RunCode(c.code, &chara_), 0) << c.code;
    EXPECT_EQ(g_bCodeError, 1) << c.code;
    const std::string added = Report().substr(before.size());
    if (c.box) EXPECT_EQ(added, std::string(U8(c.box)) + "\n") << c.code;
    else EXPECT_EQ(added, "") << c.code;
    EXPECT_EQ(C(1), 100) << c.code;
  }
  // An error inside a bracket counts it as 0 and the text goes on.
  EXPECT_EQ(RunCode("C1 = 3 + (4 / 0)", &chara_), 0);
  EXPECT_EQ(C(1), 3);
  // The prefix is ignored once tokens were read: the running chara's life.
  EXPECT_EQ(RunCode("C1 = xx.hp", &chara_), 1);
  EXPECT_EQ(C(1), 80);
}

TEST_F(RunCodeTest, HostileTextsFailWithOneReportLineAndNoOverrun) {
  const int before = Lines();
  std::string longText = "C1 = 1";
  longText.append(6000, ' ');
  EXPECT_EQ(RunCode(longText, &chara_), 0);
  EXPECT_EQ(g_bCodeError, 1);
  EXPECT_EQ(Lines(), before + 1);

  const std::string deep = "C1 = " + std::string(65, '(') + "1" + std::string(65, ')');
  C(1) = 0;
  EXPECT_EQ(RunCode(deep, &chara_), 0);
  EXPECT_EQ(Lines(), before + 2);
  EXPECT_EQ(C(1), 0);
  const std::string deepest = "C1 = " + std::string(64, '(') + "1" + std::string(64, ')');
  EXPECT_EQ(RunCode(deepest, &chara_), 1);
  EXPECT_EQ(C(1), 1);

  // Many brackets that grow the text as they are replaced.
  std::string wide = "C1 = 0";
  while (wide.size() < 5100) wide += " + (-999999-1)";
  EXPECT_EQ(RunCode(wide, &chara_), 1);

  // A quoted text is cut before the box limit, never inside a double-byte
  // character ("あ" is two bytes).
  std::string quoted = "C1 = 1 / 0 ";
  for (int i = 0; i < 600; ++i) quoted += "\x82\xa0";
  const std::string reportBefore = Report();
  EXPECT_EQ(RunCode(quoted, &chara_), 0);
  const std::string line = Report().substr(reportBefore.size());
  EXPECT_LT(line.size(), 1600u);
  EXPECT_NE(line.find(U8(u8"あ...)")), std::string::npos);
}

TEST_F(RunCodeTest, MembersOfCharasLinksAndTheHero) {
  chara_.SetTargetLink(0, &other_);
  chara_.SetTargetLink(1, &other_);
  Player.resize(1);
  Player[0].Reset(nullptr, 0, 0, 0, 0);
  Player[0].m_Data.m_nMaxHp = 30;
  Player[0].m_nLife = 30;

  EXPECT_EQ(RunCode("hp = 99999", &chara_), 1);
  EXPECT_EQ(chara_.m_nLife, 100);
  EXPECT_EQ(RunCode("hp = 80", &chara_), 1);
  EXPECT_EQ(RunCode("mhp = 50", &chara_), 1);
  EXPECT_EQ(chara_.m_nLife, 50);
  EXPECT_EQ(chara_.m_Data.m_nMaxHp, 50);
  EXPECT_EQ(RunCode("v3 = tg.hp + tg2.hp + pl.hp", &chara_), 1);
  EXPECT_EQ(chara_.m_vecVar[3], 130);

  struct Case {
    const char* code;
    std::function<int()> field;
    int want;
  };
  cCharaData& d = chara_.m_Data;
  const Case cases[] = {
      {"cid = 300", [&] { return int{d.m_byCharaId}; }, 99},
      {"z = -4", [&] { return int{d.m_byZ}; }, 0},
      {"z = 6 + 250", [&] { return int{d.m_byZ}; }, 7},
      {"mark = 500", [&] { return int{d.m_sMark}; }, 119},
      {"imp = -30", [&] { return static_cast<int>(static_cast<int8_t>(d.m_byBodyImpact)); }, -20},
      {"impd = 21", [&] { return int{d.m_cImpactResist}; }, 20},
      {"stop = 250", [&] { return int{d.m_sStopEase}; }, 200},
      {"getsc = -2000000", [&] { return d.m_nScore; }, -999999},
      {"power = imp * 2", [&] { return d.m_nBodyPower; }, -40},
      {"def = 12", [&] { return d.m_nDefence; }, 12},
      {"my.v8 = v3", [&] { return chara_.m_vecVar[8]; }, 130},
      {"msp = 0", [&] { return d.m_nMaxSp; }, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunCode(c.code, &chara_), 1) << c.code;
    EXPECT_EQ(c.field(), c.want) << c.code;
  }
  EXPECT_DOUBLE_EQ(chara_.m_dDecel, PercentToFrameStep(200));
}

TEST_F(RunCodeTest, GaugesAndTheDeathCheckFollowWhoseLifeChanged) {
  chara_.SetTargetLink(0, &other_);
  stage_.Scene().m_bHeroDeathCheck = 0;
  EXPECT_EQ(RunCode("hp = hp - 30", &chara_), 1);
  EXPECT_EQ(chara_.m_nLife, 50);
  EXPECT_NE(chara_.m_LifeGauge.nFrames, 0);  // the running chara's gauge moves
  EXPECT_EQ(stage_.Scene().m_bHeroDeathCheck, 0);

  EXPECT_EQ(RunCode("tg.hp = 0", &chara_), 1);
  EXPECT_EQ(other_.m_nLife, 0);
  EXPECT_EQ(other_.m_LifeGauge.nFrames, 0);  // no gauge for another chara
  EXPECT_EQ(stage_.Scene().m_bHeroDeathCheck, 1);

  stage_.Scene().m_bHeroDeathCheck = 0;
  EXPECT_EQ(RunCode("hp = 0", &chara_), 1);
  EXPECT_EQ(stage_.Scene().m_bHeroDeathCheck, 0);  // only another chara's death
}

TEST_F(RunCodeTest, SystemValues) {
  g_Stage.m_nScrollModeX = 1;
  stage_.Scene().m_nTimeLimit = 300;
  EXPECT_EQ(RunCode("time = time + 1000", &chara_), 1);
  EXPECT_EQ(stage_.Scene().m_nTimeLimit, 999);
  EXPECT_EQ(RunCode("scrlx = 1000", &chara_), 1);
  EXPECT_EQ(g_Stage.m_nAutoScrollSpeedX, 480);
  EXPECT_DOUBLE_EQ(stage_.Scene().m_ScrollX.m_dAutoStep, 48.0 / StageSubSteps());
  EXPECT_EQ(RunCode("scrly = -5", &chara_), 1);  // the vertical switch is off
  EXPECT_EQ(g_Stage.m_nAutoScrollSpeedY, -5);
  EXPECT_EQ(stage_.Scene().m_ScrollY.m_dAutoStep, 0.0);
  EXPECT_EQ(RunCode("score = score + 1234567", &chara_), 1);
  EXPECT_EQ(g_Progress.m_nScore, 999999);

  g_Progress.m_nLives = 3;
  EXPECT_EQ(RunCode("life = life + 200", &chara_), 1);
  EXPECT_EQ(g_Progress.m_nLives, 99);
  g_Progress.m_nLives = kUnlimitedLives;
  EXPECT_EQ(RunCode("C1 = life", &chara_), 1);
  EXPECT_EQ(C(1), 0);
  EXPECT_EQ(RunCode("life = 3", &chara_), 1);
  EXPECT_EQ(g_Progress.m_nLives, kUnlimitedLives);
}

TEST(StrMid, CutsLikeTheStoredTextsExpect) {
  struct Case {
    int start, count;
    const char* want;
  };
  const Case cases[] = {
      {0, -1, "abcdef"}, {2, 2, "cd"}, {-2, 4, "ab"}, {-5, 3, ""}, {6, 1, ""},
      {9, -1, ""},       {4, 10, "ef"}, {1, 0, ""},   {-1, -1, "abcdef"},
  };
  for (const Case& c : cases) EXPECT_EQ(StrMid("abcdef", c.start, c.count), c.want) << c.start << "," << c.count;
  std::string s("ab\0cd", 5);
  EXPECT_EQ(StrSyncLength(s), 2);
  EXPECT_EQ(s, "ab");
}

}  // namespace
