// The commands that steer the game and what is seen and heard: the stage
// clear, the game wait, messages, effects, pictures, animations, the
// background, sounds and music. Most tests run the modal waits through a
// recording stand-in instead of the frame loop on thPause; the last ones
// run the real player headless on a stage whose hero's flow holds the
// command.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <regex>
#include <thread>
#include <initializer_list>
#include <list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "flow/cmd_dispatch.h"
#include "flow/cmd_executors.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "graphics/bmp_bytes.h"
#include "graphics/display_fixture.h"
#include "graphics/font.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/effect.h"
#include "objects/hero.h"
#include "objects/message.h"
#include "objects/stage_fixture.h"
#include "platform/messages.h"
#include "records/anime_data.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "records/media_data.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/worldmap_data.h"
#include "services/window_requests.h"
#include "stage/game_scene.h"
#include "stage/stage_surfaces.h"
#include "support/background_player.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"
#include "support/temp_folder.h"

namespace {

cFlowCmd Cmd(int kind, std::initializer_list<std::pair<int, int>> params, int count, const char* text = "") {
  cFlowCmd c;
  c.m_byCategory = 0;
  c.m_byKind = static_cast<BYTE>(kind);
  c.m_vecParam.assign(static_cast<size_t>(count), 0);
  for (auto [i, v] : params) c.m_vecParam[static_cast<size_t>(i)] = v;
  c.m_strText = text;
  return c;
}

// What the window thread was asked for.
struct WindowLog {
  std::vector<int> sounds;
  std::vector<std::pair<int, int>> music;  // slot, number
};
WindowLog* g_window = nullptr;

LRESULT FakeWindow(HWND, uint32_t msg, WPARAM w, LPARAM l) {
  if (!g_window) return 0;
  if (msg == WM_T4_PLAYSE) g_window->sounds.push_back(static_cast<int>(w));
  if (msg == WM_T4_PLAYBGM) g_window->music.emplace_back(static_cast<int>(w), static_cast<int>(l));
  return 0;
}

// The newest message when a modal wait began.
struct SeenMessage {
  int kind = -1, dispMode = -1, frames = -1, whilePaused = -1;
  std::string text;
};

// What each modal wait saw when it began; `during` runs inside the wait,
// as the frame loop would.
struct WaitLog {
  std::vector<SeenMessage> last;
  std::vector<WAITINFO> waits;
  std::vector<int> posts;
  std::vector<size_t> messages, effects, pictures;
  std::vector<int> sounds;  // sounds asked for before the wait
  void (*during)(cGameScene& scene) = nullptr;
  int quit = 0;             // sets the quit flag during the wait
};
WaitLog* g_waits = nullptr;

int RecordWait(cGameScene& scene, int post) {
  WaitLog& w = *g_waits;
  w.waits.push_back(scene.m_Wait);
  w.posts.push_back(post);
  w.messages.push_back(scene.m_lstMessage.size());
  if (!scene.m_lstMessage.empty()) {
    const cMessage& m = scene.m_lstMessage.back();
    w.last.push_back({m.m_nKind, m.m_nDispMode, m.m_nFramesLeft, m.m_bCountWhilePaused, m.m_strText});
  }
  w.effects.push_back(scene.m_lstEffect.size());
  w.pictures.push_back(scene.m_lstPicture.size());
  if (g_window) w.sounds = g_window->sounds;
  if (w.during) w.during(scene);
  if (w.quit) scene.m_bQuit = 1;
  return 1;
}

// The play scene's state the commands use, a hero and a chara, the window
// and the modal wait replaced by recorders.
class SceneExecBase {
 protected:
  void SetUpScene() {
    saved_.progress = g_Progress;
    saved_.map = g_WorldMap;
    saved_.effects = g_Database.m_vecEffect;
    saved_.anime = g_Database.m_vecAnime;
    saved_.pictures = g_Database.m_vecPicture;
    saved_.effectTable = g_EffectPatternTable;
    saved_.animeTable = g_AnimePatternTable;
    g_Progress = cProgressData();
    Player.clear();
    Player.resize(1);
    Hero().m_nId = 7;
    chara_.m_nId = 12;
    plat::RegisterMainThread();
    plat::SetWindowProc(nullptr, FakeWindow);
    g_window = &window_;
    g_waits = &waits_;
    SetCmdModalWaitForTest(RecordWait);
  }
  void TearDownScene() {
    SetCmdModalWaitForTest(nullptr);
    g_waits = nullptr;
    g_window = nullptr;
    plat::ResetRuntimeForTest();
    Scene().ClearMessages();
    Scene().ReleaseStageBmps();
    Player.clear();
    g_Progress = saved_.progress;
    g_WorldMap = saved_.map;
    g_Database.m_vecEffect = saved_.effects;
    g_Database.m_vecAnime = saved_.anime;
    g_Database.m_vecPicture = saved_.pictures;
    g_EffectPatternTable = saved_.effectTable;
    g_AnimePatternTable = saved_.animeTable;
  }
  cGameScene& Scene() { return stage_.Scene(); }
  cHero& Hero() { return Player[0]; }

  t4test::StageFixture stage_;
  cCharaBase chara_;
  WindowLog window_;
  WaitLog waits_;

 private:
  struct {
    cProgressData progress;
    cWorldMapData map;
    cCheckedVector<cEffectData> effects;
    cCheckedVector<cAnimeData> anime;
    cCheckedVector<cPictureData> pictures;
    cPatternTable effectTable, animeTable;
  } saved_;
};

class SceneExec : public ::testing::Test, public SceneExecBase {
 protected:
  void SetUp() override { SetUpScene(); }
  void TearDown() override { TearDownScene(); }
};

// ---- stage clear ---------------------------------------------------------------

TEST_F(SceneExec, StageClearNamesTheNextStageByMode) {
  struct Case {
    const char* what;
    int mode, number;
    const char* text;
    int wantNumber;
    const char* wantPath;
    bool box;
  } cases[] = {
      {"next stage", 0, 9, "", 3 + 1, "", false},
      {"by number", 1, 9, "", 9, "", false},
      {"by path", 2, 9, "data\\stg4\\bonus.stg4", 3, "data\\stg4\\bonus.", false},
      {"by path, only the last extension goes", 2, 9, "a.b.stg4", 3, "a.b.", false},
      {"by path, none given", 2, 9, "", 3, "", true},
      {"world clear", 3, 9, "", 0, "", false},
      {"unknown mode", 4, 9, "", -5, "old.", false},
  };
  // Headless, the box's text goes to the report log.
  t4test::TempFolder logDir;
  ReportLogCapture report(logDir.path());
  const bool wasHeadless = plat::IsHeadless();
  plat::SetHeadless(true);
  for (const Case& c : cases) {
    g_Progress.m_nStageCount = 3;
    Scene().m_nNextStage = -5;
    Scene().m_strNextStage = "old.";
    cFlowCmd cmd = Cmd(17, {{0, c.mode}, {1, c.number}}, 9, c.text);
    // The command keeps its text: a flow that clears the stage again asks
    // for the same stage.
    for (int run = 1; run <= 2; ++run) {
      Scene().m_nNextStage = -5;
      Scene().m_strNextStage = "old.";
      EXPECT_EQ(ExecStageClear(&Hero(), &cmd), 1) << c.what;
      EXPECT_EQ(Scene().m_nNextStage, c.wantNumber) << c.what << ", run " << run;
      EXPECT_EQ(Scene().m_strNextStage, c.wantPath) << c.what << ", run " << run;
      EXPECT_EQ(cmd.m_strText, c.text) << c.what << ", run " << run;
    }
    std::string box;
    for (const std::string& line : report.NewLines()) box += line + "\n";
    if (c.box)
      EXPECT_NE(box.find(U8(u8"ステージファイル  が不正です。\nステージファイルとして認識できません。")),
                std::string::npos)
          << c.what << box;
    else
      EXPECT_TRUE(box.empty()) << c.what << box;
  }
  plat::SetHeadless(wasHeadless);
}

TEST_F(SceneExec, StageClearSetsTheMapPositionAndTheNextStart) {
  g_WorldMap.m_nWidth = 40;
  g_WorldMap.m_nHeight = 30;
  struct Case {
    const char* what;
    int x, y, wantX, wantY;
  } maps[] = {
      {"inside", 5, 6, 5, 6},
      {"past the right edge", 50, 3, 40 - 1, 3},
      {"past the bottom", 3, 30, 3, 30 - 1},
      {"before the first cell", -4, -1, 0, 0},
  };
  for (const Case& c : maps) {
    g_Progress.m_nMapX = g_Progress.m_nMapY = 17;
    g_Progress.m_bBackToMap = 1;
    cFlowCmd cmd = Cmd(17, {{0, 0}, {2, 1}, {3, c.x}, {4, c.y}}, 9);
    ExecStageClear(&Hero(), &cmd);
    EXPECT_EQ(g_Progress.m_nMapX, c.wantX) << c.what;
    EXPECT_EQ(g_Progress.m_nMapY, c.wantY) << c.what;
    EXPECT_EQ(g_Progress.m_bBackToMap, 0) << c.what;
  }
  // Without the switch the map position stays.
  g_Progress.m_nMapX = 17;
  g_Progress.m_bBackToMap = 1;
  cFlowCmd keep = Cmd(17, {{3, 1}, {4, 1}}, 9);
  ExecStageClear(&Hero(), &keep);
  EXPECT_EQ(g_Progress.m_nMapX, 17);
  EXPECT_EQ(g_Progress.m_bBackToMap, 1);

  // The start position, with the facing as given or the hero's own.
  struct Start {
    int facing, heroRight, want;
  } starts[] = {{0, 1, 0}, {1, 0, 1}, {2, 1, 1}, {2, 0, 0}};
  for (const Start& s : starts) {
    Hero().m_bRight = s.heroRight;
    cFlowCmd cmd = Cmd(17, {{5, 1}, {6, 14}, {7, 3}, {8, s.facing}}, 9);
    ExecStageClear(&Hero(), &cmd);
    EXPECT_EQ(g_Progress.m_nClearValue1, 1);
    EXPECT_EQ(g_Progress.m_nClearValue2, 14);
    EXPECT_EQ(g_Progress.m_nClearValue3, 3);
    EXPECT_EQ(g_Progress.m_nClearValue4, s.want) << s.facing << " " << s.heroRight;
  }
  cFlowCmd off = Cmd(17, {{6, 14}}, 9);
  ExecStageClear(&Hero(), &off);
  EXPECT_EQ(g_Progress.m_nClearValue1, 0);
}

TEST_F(SceneExec, AStageClearInAFlowIsTheScenesStageClearRequest) {
  g_Progress.m_nStageCount = 1;
  cFlowCmd cmd = Cmd(17, {}, 9);
  cCmdState state;
  state.m_pCmd = &cmd;
  RunCmd(&Hero(), &state);
  EXPECT_EQ(Scene().m_nStageClearRequest, 1);
  EXPECT_EQ(Scene().m_nNextStage, 2);
}

// ---- game wait --------------------------------------------------------------------

TEST_F(SceneExec, GameWaitFreezesTheGameForItsFramesBehindAnEmptyMessage) {
  cFlowCmd cmd = Cmd(18, {{0, 10}}, 1);
  ExecGameWait(&Hero(), &cmd);
  ASSERT_EQ(waits_.waits.size(), 1u);
  const WAITINFO& w = waits_.waits[0];
  EXPECT_EQ(w.nMode, 0);
  EXPECT_EQ(w.nFrames, 10 * 6);
  EXPECT_EQ(w.bKeyWait, 0);
  EXPECT_EQ(w.nKeyDelay, 0);
  EXPECT_EQ(waits_.posts[0], 0);
  ASSERT_EQ(waits_.last.size(), 1u);
  const SeenMessage& m = waits_.last[0];
  EXPECT_EQ(m.kind, kMessageWait);
  EXPECT_EQ(m.dispMode, kMessageTimed);
  EXPECT_EQ(m.frames, 60);
  EXPECT_EQ(m.whilePaused, 1);
  EXPECT_TRUE(m.text.empty());
  EXPECT_TRUE(Scene().m_lstMessage.empty());

  // Ended by the frame loop already, it is not looked for again; a message
  // of someone else stays.
  Scene().m_lstMessage.emplace_back(kMessageIcon, nullptr, 1, 2, 3, 4, 0, 0, 0, 0, 0, 1, kMessageTimed, 30, 0, 7, 0, 0,
                                    0, 0, 0, 0, 0);
  waits_.during = [](cGameScene& scene) { scene.m_lstMessage.pop_back(); };
  ExecGameWait(&Hero(), &cmd);
  ASSERT_EQ(Scene().m_lstMessage.size(), 1u);
  EXPECT_EQ(Scene().m_lstMessage.front().m_nKind, kMessageIcon);
}

TEST_F(SceneExec, AGameWaitWithoutItsParameterWaitsNoFrame) {
  cFlowCmd cmd = Cmd(18, {}, 0);
  ExecGameWait(&Hero(), &cmd);
  ASSERT_EQ(waits_.waits.size(), 1u);
  EXPECT_EQ(waits_.waits[0].nFrames, 0);
}

// ---- effects ------------------------------------------------------------------------

class EffectExec : public SceneExec {
 protected:
  void SetUp() override {
    SceneExec::SetUp();
    cCheckedVector<cEffectData>& list = g_Database.m_vecEffect;
    list.assign(3, cEffectData());
    list[1].m_nCellWidth = 64;
    list[1].m_nCellHeight = 48;
    list[1].m_vecFrame.assign(3, cEffectFrameData());
    list[1].m_vecFrame[0].m_nTime = 2;
    list[1].m_vecFrame[1].m_nTime = 5;
    list[1].m_vecFrame[2].m_nTime = 1;
    list[2].m_nCellWidth = 33;
    list[2].m_nCellHeight = 15;
    list[2].m_vecFrame.assign(1, cEffectFrameData());
    BuildEffectPatternTable(g_EffectPatternTable);
    Scene().m_ScrollX.m_dPos = 400.5;
    Scene().m_ScrollY.m_dPos = 352.0;
    chara_.m_rcScreen = RECT{100, 60, 131, 99};
    chara_.m_nImgW = 32;
    chara_.m_nImgH = 40;
    Hero().m_rcScreen = RECT{200, 300, 223, 323};
    Hero().m_nImgW = 24;
    Hero().m_nImgH = 24;
  }
};

TEST_F(EffectExec, EffectsArePlacedByTheirDisplayPosition) {
  const double sx = 400.5, sy = 352.0;
  struct Case {
    const char* what;
    int id, position, cellX, cellY, dx, dy, percent;
    int w, h;
    double x, y;
  } cases[] = {
      {"screen centre", 1, 0, 0, 0, 0, 0, 100, 64, 48, 288 + sx, 216 + sy},
      {"screen centre, shifted", 1, 0, 5, 5, -7, 9, 100, 64, 48, -7 + sx + 320 - 32, 9 + sy + 240 - 24},
      {"the chara's centre", 1, 1, 0, 0, 3, 4, 100, 64, 48, 3 + (100 + 16) + sx - 32, 4 + (60 + 20) + sy - 24},
      {"the hero's centre", 1, 2, 0, 0, 0, 0, 100, 64, 48, (200 + 12) + sx - 32, (300 + 12) + sy - 24},
      {"screen cells", 1, 3, 2, 3, 1, -1, 100, 64, 48, sx + 2 * 32 + 1, sy + 3 * 32 - 1},
      {"stage cells", 1, 4, 2, 3, 1, -1, 100, 64, 48, (2 + 10) * 32 + 1, (3 + 10) * 32 - 1},
      // 33 x 1.5 = 49.5 and 15 x 1.5 = 22.5 round away from zero.
      {"scaled by half again", 2, 0, 0, 0, 0, 0, 150, 50, 23, sx + 320 - 25, sy + 240 - 11},
      {"scaled down", 2, 3, 0, 0, 0, 0, 10, 3, 2, sx, sy},
  };
  for (const Case& c : cases) {
    Scene().m_lstEffect.clear();
    cFlowCmd cmd = Cmd(29, {{0, c.id}, {1, c.position}, {2, c.cellX}, {3, c.cellY}, {4, c.dx}, {5, c.dy},
                            {6, c.percent}},
                       8);
    ExecRunEffect(&chara_, &cmd);
    ASSERT_EQ(Scene().m_lstEffect.size(), 1u) << c.what;
    const cEffect& e = Scene().m_lstEffect.back();
    EXPECT_EQ(e.m_sId, c.id) << c.what;
    EXPECT_EQ(e.m_nWidth, c.w) << c.what;
    EXPECT_EQ(e.m_nHeight, c.h) << c.what;
    EXPECT_DOUBLE_EQ(e.m_dX, c.x) << c.what;
    EXPECT_DOUBLE_EQ(e.m_dY, c.y) << c.what;
    EXPECT_EQ(e.m_bRunWhilePaused, 0) << c.what;
  }
  EXPECT_TRUE(waits_.waits.empty());
}

TEST_F(EffectExec, EffectZeroClearsTheScreenAndAWaitingEffectFreezesUntilItsEnd) {
  for (int i = 0; i < 3; ++i) {
    cFlowCmd show = Cmd(29, {{0, 2}, {6, 100}}, 8);
    ExecRunEffect(&chara_, &show);
  }
  ASSERT_EQ(Scene().m_lstEffect.size(), 3u);
  cFlowCmd clear = Cmd(29, {{0, 0}, {6, 100}}, 8);
  ExecRunEffect(&chara_, &clear);
  EXPECT_TRUE(Scene().m_lstEffect.empty());

  cFlowCmd wait = Cmd(29, {{0, 1}, {6, 100}, {7, 1}}, 8);
  ExecRunEffect(&chara_, &wait);
  ASSERT_EQ(waits_.waits.size(), 1u);
  EXPECT_EQ(waits_.waits[0].nMode, 2);
  EXPECT_EQ(waits_.waits[0].bKeyWait, 0);
  EXPECT_EQ(waits_.waits[0].nFrames, (2 + 5 + 1) * 6);
  EXPECT_EQ(waits_.effects[0], 1u);
  ASSERT_EQ(Scene().m_lstEffect.size(), 1u);
  EXPECT_EQ(Scene().m_lstEffect.back().m_bRunWhilePaused, 1);

  // Nothing while the window is closing.
  Scene().m_bQuit = 1;
  ExecRunEffect(&chara_, &clear);
  ExecRunEffect(&chara_, &wait);
  EXPECT_EQ(Scene().m_lstEffect.size(), 1u);
  EXPECT_EQ(waits_.waits.size(), 1u);
}

// ---- animations, graphics, chara and screen effects -----------------------------------

TEST_F(SceneExec, TheAnimeCommandRunsOverTheCharasOwnUnderItsFlowsKey) {
  g_Database.m_vecAnime.assign(3, cAnimeData());
  g_Database.m_vecAnime[2].m_vecFrame.assign(2, cAnimeFrameData());
  g_Database.m_vecAnime[2].m_vecFrame[0].m_nGraphic = 5;
  g_Database.m_vecAnime[2].m_vecFrame[0].m_nTime = 1;
  g_Database.m_vecAnime[2].m_vecFrame[1].m_nGraphic = 6;
  BuildAnimePatternTable(g_AnimePatternTable);

  cFlowCmd cmd = Cmd(28, {{0, 2}}, 1);
  ExecRunAnime(&chara_, &cmd);  // outside a flow: an item's command
  cFlowState flow;
  flow.m_nId = 41;
  Scene().m_pCurFlow = &flow;
  ExecRunAnime(&chara_, &cmd);
  Scene().m_pCurFlow = nullptr;
  ASSERT_EQ(chara_.m_lstAnime.size(), 2u);
  const RUNNINGANIME& newest = chara_.m_lstAnime.front();
  EXPECT_EQ(newest.nFlowId, 41);
  EXPECT_EQ(chara_.m_lstAnime.back().nFlowId, -1);
  EXPECT_EQ(newest.bTimed, 0);
  EXPECT_EQ(newest.nFramesLeft, 0);
  EXPECT_EQ(newest.bPaused, 0);
  // The first frame shows for 6 frames, then the second.
  EXPECT_EQ(chara_.UpdateEffectInstances(1), 5);
  for (int f = 0; f < 6; ++f) chara_.UpdateEffectInstances(0);
  EXPECT_EQ(chara_.UpdateEffectInstances(1), 6);
  // Pausing the flow takes its animation away and leaves the item's.
  chara_.RemoveFinishedEffectsOfFlow(41);
  ASSERT_EQ(chara_.m_lstAnime.size(), 1u);
  EXPECT_EQ(chara_.m_lstAnime.front().nFlowId, -1);
}

TEST_F(SceneExec, GraphicChangeSetsTheSheetTheGraphicAndItsOffset) {
  cFlowCmd cmd = Cmd(26, {{0, 3}, {1, 0x12345}, {2, -40}}, 3);
  ExecChangeGraphic(&chara_, &cmd);
  EXPECT_EQ(chara_.m_Data.m_byGraphicKind, 3);
  EXPECT_EQ(chara_.m_nGraphic, static_cast<int16_t>(0x12345));
  EXPECT_EQ(chara_.m_Data.m_sGraphic, static_cast<int16_t>(0x12345));
  EXPECT_EQ(chara_.m_Data.m_sGraphicFrame, -40);
}

TEST_F(SceneExec, ScreenEffectZeroLeavesTheVirtualBackBuffer) {
  Scene().m_ScrEffect.m_nId = 3;
  cFlowCmd cmd = Cmd(31, {{0, 0}}, 3);
  ExecRunScrEffect(&chara_, &cmd);
  EXPECT_EQ(Scene().m_ScrEffect.m_nId, 0);
}

// ---- background, sound, music ------------------------------------------------------------

TEST_F(SceneExec, BackgroundCommandShowsHidesOrTurnsOverOneExistingLayer) {
  g_Stage.m_vecBackground.assign(2, cBackgroundData());
  struct Case {
    int number, op;
    int before[2];
    int after[2];
  } cases[] = {
      {1, 1, {1, 1}, {0, 1}},  {2, 0, {0, 0}, {0, 1}}, {2, 2, {1, 1}, {1, 0}},
      {2, 2, {0, 0}, {0, 1}},  {1, 3, {1, 0}, {1, 0}}, {0, 1, {1, 1}, {1, 1}},
      {3, 1, {1, 1}, {1, 1}},  {-2147483647 - 1, 1, {1, 1}, {1, 1}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) g_Stage.m_vecBackground[static_cast<size_t>(i)].m_bShow = c.before[i];
    cFlowCmd cmd = Cmd(34, {{0, c.number}, {1, c.op}}, 2);
    ExecChangeBackground(&chara_, &cmd);
    for (int i = 0; i < 2; ++i)
      EXPECT_EQ(g_Stage.m_vecBackground[static_cast<size_t>(i)].m_bShow, c.after[i]) << c.number << " " << c.op;
  }
}

TEST_F(SceneExec, SoundsPlayUnlessMeantForACharaOnScreenAndMusicGoesToTheStageSlot) {
  // The view is at the stage's top-left (map 320, 320).
  auto place = [](cCharaBase& c, double x) {
    c.m_dX = x;
    c.m_dY = 400;
    c.ClampX(2);
    c.ClampY(2);
  };
  place(chara_, 400);
  cCharaBase away;
  place(away, 2000);
  // A chara goes by the on-screen flag stage play left on it this sub-step
  // (its activation area may ignore an axis), not by where it stands now.
  cChara flaggedAway;
  place(flaggedAway, 2000);
  flaggedAway.m_bOnScreen = 1;
  cChara unflaggedInView;
  place(unflaggedInView, 400);
  unflaggedInView.m_bOnScreen = 0;
  struct Case {
    const char* what;
    cCharaBase* chara;
    int onScreenOnly;
    bool plays;
  } cases[] = {
      {"in view", &chara_, 1, true},
      {"out of view", &away, 1, false},
      {"out of view, for every chara", &away, 0, true},
      {"a chara flagged on screen out of view", &flaggedAway, 1, true},
      {"a chara not flagged on screen in view", &unflaggedInView, 1, false},
      {"a chara not flagged, for every chara", &unflaggedInView, 0, true},
  };
  for (const Case& c : cases) {
    // The sound command and the sound a command carries follow one rule.
    window_.sounds.clear();
    cFlowCmd cmd = Cmd(35, {{0, 4}}, 1);
    cmd.m_bSoundOnScreen = static_cast<BYTE>(c.onScreenOnly);
    ExecPlaySound(&cmd, c.chara);
    EXPECT_EQ(window_.sounds, c.plays ? std::vector<int>{4 + 16} : std::vector<int>{}) << c.what;
    window_.sounds.clear();
    cmd.m_sSound = 4;
    PlayCmdSound(*c.chara, cmd);
    EXPECT_EQ(window_.sounds, c.plays ? std::vector<int>{4 + 16} : std::vector<int>{}) << c.what;
  }
  cFlowCmd bgm = Cmd(36, {{0, 3}, {1, 1}}, 2);
  ExecPlayBgm(&bgm);
  EXPECT_EQ(window_.music, (std::vector<std::pair<int, int>>{{4, 3}}));
  EXPECT_EQ(g_Progress.m_nStageBgm, 3);
  EXPECT_EQ(g_Progress.m_bStageBgmLoop, 1);
}

// ---- messages and pictures: drawn surfaces ------------------------------------------------

constexpr int kPitch = 16;  // the message font: 16 pixels a character and a line

class DrawnExec : public DisplayTest, public SceneExecBase {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_TRUE(dir_.ok());
    SetUpScene();
    // Text and picture surfaces another test left behind.
    Scene().ReleaseStageLists();
    Scene().ReleaseStageBmps();
    ASSERT_TRUE(Init(kDisplayModes[0]));
    ASSERT_TRUE(DDCreateSurface(&skin_, 640, 480, 0, 1, 0, nullptr, 0));
    MessageFont().Create("ＭＳ ゴシック", 0, 16, kPitch, kPitch, 241, &skin_, 1, 240, nullptr, 0);
  }
  void TearDown() override {
    TearDownScene();
    MessageFont().Release();
    MessageFont().lpSkinSD = nullptr;
    DDReleaseSurface(&skin_);
    DisplayTest::TearDown();
  }
  std::list<cMessage>& Messages() { return Scene().m_lstMessage; }
  // A message command with its text and parameters.
  static cFlowCmd Message(const char* text, std::initializer_list<std::pair<int, int>> params) {
    return Cmd(19, params, 18, text);
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const cMessage& m : Messages()) out.push_back(m.m_strText);
    return out;
  }
  // An 8-bit picture file of w x h in the test folder, as Picture entry i.
  void AddPicture(int i, int w, int h) {
    const std::string name = "p" + std::to_string(i) + ".bmp";
    bmptest::Spec s;
    s.width = w;
    s.height = h;
    s.palette.assign(256, 0);
    s.rows.assign(static_cast<size_t>(h), std::vector<uint32_t>(static_cast<size_t>(w), static_cast<uint32_t>(i)));
    const std::vector<uint8_t> bytes = bmptest::Build(s);
    ASSERT_TRUE(dir_.MakeFile(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
    if (g_Database.m_vecPicture.Size() <= i) g_Database.m_vecPicture.resize(static_cast<size_t>(i) + 1);
    g_Database.m_vecPicture[static_cast<size_t>(i)].m_strFile = dir_ / name;
  }
  static cFlowCmd Picture(std::initializer_list<std::pair<int, int>> params) { return Cmd(32, params, 15); }
  // Picture numbers in list order, and whether each shows a surface of its
  // own file and size.
  std::vector<int> PictureIds() {
    std::vector<int> out;
    EXPECT_EQ(g_lstPictureSD.size(), Scene().m_lstPicture.size());
    EXPECT_EQ(g_lstPictureSDDef.size(), Scene().m_lstPicture.size());
    auto sd = g_lstPictureSD.begin();
    auto def = g_lstPictureSDDef.begin();
    for (const cPicture& p : Scene().m_lstPicture) {
      out.push_back(p.m_nId);
      if (sd == g_lstPictureSD.end() || def == g_lstPictureSDDef.end()) break;
      const std::string file = g_Database.m_vecPicture.At(p.m_nId).m_strFile;
      EXPECT_EQ(std::string(def->szFileName), file);
      EXPECT_EQ(sd->nWidth, 8 * p.m_nId);
      ++sd;
      ++def;
    }
    return out;
  }

  t4test::TempFolder dir_;
  DDSURFACEDATA skin_;
};

TEST_F(DrawnExec, KeyWaitMessagesInARowOpenWithoutDelayOrSoundAfterTheFirst) {
  int flag = 0;
  cFlowCmd first = Message("Hello", {{8, 1}});
  ExecMessage(&chara_, &first, &flag);
  flag = 1;  // what the flow runner notes after a key-wait message
  cFlowCmd second = Message("Again", {{8, 1}});
  ExecMessage(&chara_, &second, &flag);
  ASSERT_EQ(waits_.waits.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(waits_.waits[i].nMode, 1);
    EXPECT_EQ(waits_.waits[i].bKeyWait, 1);
    EXPECT_EQ(waits_.posts[i], 1);
    EXPECT_EQ(waits_.messages[i], 1u);
  }
  EXPECT_EQ(waits_.waits[0].nKeyDelay, 10);
  EXPECT_EQ(waits_.waits[1].nKeyDelay, 0);
  // Sound 11 was asked for before the first wait, and never again.
  EXPECT_EQ(waits_.sounds, std::vector<int>{11});
  EXPECT_EQ(window_.sounds, std::vector<int>{11});
  // Each went with its surface.
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(Off_Msg.empty());
}

TEST_F(DrawnExec, ATimedModalMessageWaitsItsFramesAndAOneFrameMessageOneFrame) {
  int flag = 0;
  cFlowCmd timed = Message("Hi", {{6, 2}, {7, 5}, {8, 1}});
  ExecMessage(&chara_, &timed, &flag);
  cFlowCmd once = Message("Hi", {{6, 2}, {7, 5}, {8, 1}, {17, 1}});
  ExecMessage(&chara_, &once, &flag);
  ASSERT_EQ(waits_.waits.size(), 2u);
  EXPECT_EQ(waits_.waits[0].nFrames, 5 * 6);
  EXPECT_EQ(waits_.waits[1].nFrames, 1);
  for (const WAITINFO& w : waits_.waits) {
    EXPECT_EQ(w.nMode, 1);
    EXPECT_EQ(w.bKeyWait, 0);
    EXPECT_EQ(w.nKeyDelay, 0);
  }
  EXPECT_TRUE(window_.sounds.empty());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(DrawnExec, MessagesAreAnchoredToTheirCharaOrTheHeroAndStayWithoutTheModalFlag) {
  const struct {
    int position, anchor;
  } cases[] = {{0, 0}, {1, 12}, {2, 12}, {3, 12}, {4, 7}, {5, 7}, {6, 7}, {7, 0}, {8, 0}};
  int flag = 0;
  for (const auto& c : cases) {
    cFlowCmd cmd = Message("x", {{0, c.position}, {6, 2}, {7, 3}});
    ExecMessage(&chara_, &cmd, &flag);
    ASSERT_FALSE(Messages().empty());
    const cMessage& m = Messages().back();
    EXPECT_EQ(m.m_nAnchor, c.anchor) << c.position;
    EXPECT_EQ(m.m_nPosMode, c.position);
    EXPECT_EQ(m.m_nKind, kMessageText);
    EXPECT_EQ(m.m_nFramesLeft, 3 * 6);
  }
  EXPECT_EQ(Messages().size(), std::size(cases));
  EXPECT_EQ(Off_Msg.size(), std::size(cases));
  EXPECT_TRUE(waits_.waits.empty());
}

TEST_F(DrawnExec, AMessageIdIsReusedInPlaceReplacedInPlaceOrRemoved) {
  int flag = 0;
  auto show = [&](const char* text, int id, std::initializer_list<std::pair<int, int>> extra = {}) {
    cFlowCmd cmd = Message(text, extra);
    cmd.m_vecParam[6] = 1;  // until the stage ends
    if (id >= 0) {
      cmd.m_vecParam[12] = 1;
      cmd.m_vecParam[13] = id;
    }
    ExecMessage(&chara_, &cmd, &flag);
  };
  show("first", -1);
  show("abc", 5);
  show("last", -1);
  const cMessage* held = &*std::next(Messages().begin());
  const DDSURFACEDATA* surface = held->m_lpSD;

  show("xyz", 5);  // the same size: the same message and surface
  EXPECT_EQ(Texts(), (std::vector<std::string>{"first", "xyz", "last"}));
  EXPECT_EQ(&*std::next(Messages().begin()), held);
  EXPECT_EQ(held->m_lpSD, surface);
  EXPECT_EQ(Off_Msg.size(), 3u);

  show("longer text", 5);  // another size: a new message where it stood
  EXPECT_EQ(Texts(), (std::vector<std::string>{"first", "longer text", "last"}));
  EXPECT_EQ(Off_Msg.size(), 3u);
  EXPECT_EQ(Messages().begin()->m_lpSD, &Off_Msg.front());

  show("", 9, {{15, 1}});  // removing an id nobody carries
  show("", -1, {{15, 1}});  // removal without an id
  EXPECT_EQ(Texts(), (std::vector<std::string>{"first", "longer text", "last"}));

  show("", 5, {{15, 1}});
  EXPECT_EQ(Texts(), (std::vector<std::string>{"first", "last"}));
  EXPECT_EQ(Off_Msg.size(), 2u);
  EXPECT_TRUE(waits_.waits.empty());
}

TEST_F(DrawnExec, AModalMessageTakesItselfAwayWhenOthersEndedDuringTheWait) {
  int flag = 0;
  Messages().emplace_back(kMessageText, "ends", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kMessageTimed, 3, 1, 0, 1, 0, 0, 0, 0, 0,
                          0);
  cFlowCmd shown = Message("old", {{6, 1}, {12, 1}, {13, 4}});
  ExecMessage(&chara_, &shown, &flag);
  Messages().emplace_back(kMessageText, "stays", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kMessageUntilStageEnd, 0, 0, 0, 1, 0,
                          0, 0, 0, 0, 0);
  // The frame loop ends the first message while the modal one shows.
  waits_.during = [](cGameScene& scene) {
    scene.m_lstMessage.front().ReleaseSurface();
    scene.m_lstMessage.pop_front();
  };
  cFlowCmd modal = Message("a new text", {{6, 2}, {7, 1}, {8, 1}, {12, 1}, {13, 4}});
  ExecMessage(&chara_, &modal, &flag);
  ASSERT_EQ(waits_.messages.size(), 1u);
  EXPECT_EQ(waits_.messages[0], 3u);
  EXPECT_EQ(Texts(), std::vector<std::string>{"stays"});
  ASSERT_EQ(Off_Msg.size(), 1u);
  EXPECT_EQ(Messages().front().m_lpSD, &Off_Msg.front());
}

TEST_F(DrawnExec, NoMessageWhileTheWindowCloses) {
  int flag = 0;
  Scene().m_bQuit = 1;
  cFlowCmd cmd = Message("Hello", {{8, 1}});
  ExecMessage(&chara_, &cmd, &flag);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(waits_.waits.empty());
  EXPECT_TRUE(window_.sounds.empty());
}

TEST_F(DrawnExec, AModalMessageClosedByTheWindowIsLeftToTheScene) {
  int flag = 0;
  waits_.quit = 1;
  cFlowCmd cmd = Message("Hello", {{8, 1}});
  ExecMessage(&chara_, &cmd, &flag);
  EXPECT_EQ(waits_.waits.size(), 1u);
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(DrawnExec, PicturesShowReplaceByIdAndGoAllAtOnce) {
  for (int i = 1; i <= 3; ++i) AddPicture(i, 8 * i, 4 * i);
  auto show = [&](int index, int id) {
    cFlowCmd cmd = Picture({{0, index}, {7, 100}, {8, 1}});
    if (id >= 0) {
      cmd.m_vecParam[12] = 1;
      cmd.m_vecParam[13] = id;
    }
    ExecShowPicture(&chara_, &cmd);
  };
  show(1, -1);
  show(2, 20);
  show(3, -1);
  EXPECT_EQ(PictureIds(), (std::vector<int>{1, 2, 3}));
  show(1, 20);  // in place of picture 2, keeping the drawing order
  EXPECT_EQ(PictureIds(), (std::vector<int>{1, 1, 3}));
  EXPECT_EQ(std::next(Scene().m_lstPicture.begin())->m_nPictureId, 20);
  show(0, 99);  // an id nobody carries
  EXPECT_EQ(PictureIds(), (std::vector<int>{1, 1, 3}));
  show(0, 20);  // only that one goes
  EXPECT_EQ(PictureIds(), (std::vector<int>{1, 3}));
  show(0, -1);  // every picture goes
  EXPECT_TRUE(PictureIds().empty());
  EXPECT_TRUE(g_lstPictureSD.empty());
  EXPECT_TRUE(waits_.waits.empty());
}

TEST_F(DrawnExec, APictureIsPlacedAndScaledAndPassesItsSettingsOn) {
  AddPicture(2, 16, 8);
  Scene().m_ScrollX.m_dPos = 400.0;
  Scene().m_ScrollY.m_dPos = 330.0;
  cFlowCmd cmd = Picture({{0, 2}, {1, 0}, {4, 3}, {5, -2}, {6, 1}, {7, 150}, {8, 2}, {9, 4}, {11, 1}});
  ExecShowPicture(&chara_, &cmd);
  ASSERT_EQ(Scene().m_lstPicture.size(), 1u);
  const cPicture& p = Scene().m_lstPicture.front();
  const int w = 16 * 150 / 100, h = 8 * 150 / 100;
  EXPECT_EQ(p.m_nWidth, w);
  EXPECT_EQ(p.m_nHeight, h);
  EXPECT_DOUBLE_EQ(p.m_dX, 3 + 400.0 + 320 - w / 2);
  EXPECT_DOUBLE_EQ(p.m_dY, -2 + 330.0 + 240 - h / 2);
  EXPECT_EQ(p.m_nLayer, 1);
  EXPECT_EQ(p.m_bScreenFixed, 1);
  EXPECT_EQ(p.m_bStretched, 1);
  EXPECT_EQ(p.m_nDispMode, 2);
  EXPECT_EQ(p.m_nFramesLeft, 4 * 6);
  // Stretched in DirectDraw without the video-stretch option: system memory.
  EXPECT_EQ(g_lstPictureSDDef.front().dwDDMemType, 1u);
}

TEST_F(DrawnExec, AModalPictureFreezesTheGameForItsTimeAndIsThenRemoved) {
  AddPicture(1, 8, 4);
  AddPicture(2, 16, 8);
  cFlowCmd keep = Picture({{0, 2}, {7, 100}, {8, 1}});
  ExecShowPicture(&chara_, &keep);
  cFlowCmd timed = Picture({{0, 1}, {7, 100}, {8, 2}, {9, 2}, {10, 1}});
  ExecShowPicture(&chara_, &timed);
  cFlowCmd key = Picture({{0, 1}, {7, 100}, {8, 0}, {10, 1}});
  ExecShowPicture(&chara_, &key);
  ASSERT_EQ(waits_.waits.size(), 2u);
  EXPECT_EQ(waits_.waits[0].nMode, 3);
  EXPECT_EQ(waits_.waits[0].bKeyWait, 0);
  EXPECT_EQ(waits_.waits[0].nFrames, 2 * 6);
  EXPECT_EQ(waits_.waits[1].nMode, 3);
  EXPECT_EQ(waits_.waits[1].bKeyWait, 1);
  EXPECT_EQ(waits_.pictures[0], 2u);
  EXPECT_EQ(PictureIds(), std::vector<int>{2});
}

TEST_F(DrawnExec, AModalPictureTakesItselfAwayWhenOthersEndedDuringTheWait) {
  for (int i = 1; i <= 3; ++i) AddPicture(i, 8 * i, 4 * i);
  cFlowCmd ends = Picture({{0, 1}, {7, 100}, {8, 2}, {9, 1}});
  ExecShowPicture(&chara_, &ends);
  cFlowCmd held = Picture({{0, 2}, {7, 100}, {8, 1}, {12, 1}, {13, 6}});
  ExecShowPicture(&chara_, &held);
  cFlowCmd last = Picture({{0, 3}, {7, 100}, {8, 1}});
  ExecShowPicture(&chara_, &last);
  // The frame loop ends the first picture while the modal one shows, as
  // DrawPictures does.
  waits_.during = [](cGameScene& scene) {
    DDReleaseSurface(&g_lstPictureSD.front());
    g_lstPictureSD.pop_front();
    g_lstPictureSDDef.pop_front();
    scene.m_lstPicture.pop_front();
  };
  cFlowCmd modal = Picture({{0, 1}, {7, 100}, {8, 2}, {9, 1}, {10, 1}, {12, 1}, {13, 6}});
  ExecShowPicture(&chara_, &modal);
  ASSERT_EQ(waits_.pictures.size(), 1u);
  EXPECT_EQ(waits_.pictures[0], 3u);
  EXPECT_EQ(PictureIds(), std::vector<int>{3});
}

TEST_F(DrawnExec, APictureThatCannotBeLoadedLeavesTheListsInStepAndClosesTheGame) {
  AddPicture(1, 8, 4);
  g_Database.m_vecPicture.resize(3);
  g_Database.m_vecPicture[2].m_strFile = dir_ / "missing.bmp";
  cFlowCmd one = Picture({{0, 1}, {7, 100}, {8, 1}});
  ExecShowPicture(&chara_, &one);
  cFlowCmd missing = Picture({{0, 2}, {7, 100}, {8, 1}, {10, 1}});
  ExecShowPicture(&chara_, &missing);
  EXPECT_EQ(PictureIds(), std::vector<int>{1});
  EXPECT_TRUE(waits_.waits.empty());
  EXPECT_NE(Report().find(U8(u8"missing.bmp 読み込み失敗！")), std::string::npos) << Report();
  int closes = 0;
  MSG m;
  while (plat::PeekMessage(&m, true))
    if (m.message == WM_CLOSE) ++closes;
  EXPECT_EQ(closes, 1);
}

// ---- the real frame loop ----------------------------------------------------------

using namespace std::chrono_literals;

class FrozenPlay : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteProject(dir_.path())); }

  // A floor stage whose hero runs, from the first play frame, `first` and
  // then a wait long enough that the flow does not start again.
  void WriteStageWith(cFlowCmd first) {
    cStageData stage = MakeTestStage(20, 15, "Stage1");
    for (int x = 0; x < 20; ++x) PlaceBlock(stage, x, 14);
    cCharaData& hero = PlaceHero(stage, 1, 13);
    cFlow flow;
    flow.m_byTrigger = 0;
    flow.m_vecCmd.push_back(first);
    cFlowCmd hold = Cmd(1, {}, 0);
    hold.m_sTime = 9999;
    flow.m_vecCmd.push_back(hold);
    hero.m_vecFlow.push_back(flow);
    ASSERT_TRUE(WriteStage(dir_ / "data/stg4/Stage1.stg4_778", stage));
  }
  // The play counter and the hero's state text of each presented frame.
  struct Line {
    long play = -1, state = -1;
    std::string hero;
  };
  std::vector<Line> Play(int frames, const std::string& input) {
    std::vector<std::string> args = {"--headless", "--frames", std::to_string(frames), "--state-log", "state.jsonl",
                                     "--test-play"};
    if (!input.empty()) {
      EXPECT_TRUE(t4test::WriteFile(dir_ / "input.txt", input));
      args.insert(args.end(), {"--input", "input.txt"});
    }
    args.push_back("data\\stg4\\Stage1.stg4");
    const t4test::RunResult r = t4test::RunPlayer(args, dir_.path(), 120s);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<Line> lines;
    const std::regex play("\"play\":(-?[0-9]+)"), state("\"state\":(-?[0-9]+)"), hero("\"hero\":(\\{[^}]*\\})");
    for (const std::string& l : t4test::ReadLines(dir_ / "state.jsonl")) {
      Line line;
      std::smatch m;
      if (std::regex_search(l, m, play)) line.play = std::stol(m[1]);
      if (std::regex_search(l, m, state)) line.state = std::stol(m[1]);
      if (std::regex_search(l, m, hero)) line.hero = m[1];
      lines.push_back(line);
    }
    return lines;
  }
  // The first run of frames of stage play that show one play frame: its
  // first line and its length.
  static std::pair<size_t, size_t> FirstFrozenRun(const std::vector<Line>& lines) {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].state != 2) continue;
      size_t n = 1;
      while (i + n < lines.size() && lines[i + n].play == lines[i].play) ++n;
      if (n > 1) return {i, n};
    }
    return {lines.size(), 0};
  }

  t4test::TempFolder dir_;
};

TEST_F(FrozenPlay, AGameWaitOfTenTenthsShowsSixtyFrozenFramesBeforePlayGoesOn) {
  WriteStageWith(Cmd(18, {{0, 10}}, 1));
  const std::vector<Line> lines = Play(200, "");
  const auto [first, length] = FirstFrozenRun(lines);
  // The 60 frames of the wait, nothing moving, and the play frame's own.
  ASSERT_EQ(length, 60u + 1u);
  for (size_t i = first; i < first + 60; ++i) EXPECT_EQ(lines[i].hero, lines[first].hero) << i;
  // Then one play frame a frame again.
  for (size_t i = first + length; i < lines.size(); ++i) EXPECT_EQ(lines[i].play, lines[i - 1].play + 1) << i;
}

TEST_F(FrozenPlay, AKeyWaitMessageHoldsTheGameUntilTheAdvanceKey) {
  WriteStageWith(Cmd(19, {{8, 1}}, 18, "Hello"));
  const std::vector<Line> lines = Play(150, "60-61 Z\n");
  const auto [first, length] = FirstFrozenRun(lines);
  ASSERT_LT(first, lines.size());
  // Held through the key's frames, not long after them.
  EXPECT_GE(first + length, 60u);
  EXPECT_LE(first + length, 64u);
  EXPECT_EQ(lines.back().play, lines[first].play + static_cast<long>(lines.size() - (first + length)));
}

TEST_F(FrozenPlay, ClosingTheWindowDuringAModalMessageEndsTheProgramAtOnce) {
  WriteStageWith(Cmd(19, {{8, 1}}, 18, "Hello"));
  t4test::BackgroundPlayer player({"--test-play", "--screenshot", "40:f40.png", "data\\stg4\\Stage1.stg4"},
                                  dir_.path(), {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"}, dir_ / "err.txt");
  // The message waits for a key that never comes.
  ASSERT_TRUE(t4test::WaitUntil([&] { return std::filesystem::exists(dir_ / "f40.png"); }, 30s))
      << t4test::ReadFile(dir_ / "err.txt");
  std::this_thread::sleep_for(200ms);
  ASSERT_TRUE(player.Running());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(kill(player.Pid(), SIGTERM), 0);
  EXPECT_EQ(player.Wait(2s), 0) << t4test::ReadFile(dir_ / "err.txt");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

}  // namespace
