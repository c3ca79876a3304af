#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "stage/hbt_palette.h"
#include "frontend/challenge_scene.h"
#include "frontend/option_scene.h"
#include "frontend/title_scene.h"
#include "frontend/world_map_scene.h"
#include "frontend/world_menu_scene.h"
#include "records/progress_data.h"
#include "stage/scene_manager.h"
#include "records/start_option.h"
#include "graphics/bmp_bytes.h"
#include "graphics/display_fixture.h"
#include "graphics/fill.h"
#include "graphics/palette_fx.h"
#include "graphics/font.h"
#include "platform/input.h"
#include "records/checked.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/input.h"
#include "services/keyconfig.h"
#include "support/temp_folder.h"

namespace {

// ---- PingPong ---------------------------------------------------------------

TEST(PingPongTest, Step16BetweenZeroAnd255TurnsInsideTheRange) {
  // The expected run: 0, 16, .., 240, 240 (turning), 224, .., 16, 16 (turning,
  // reported), 32, ...
  std::vector<int> expected;
  for (int v = 16; v <= 240; v += 16) expected.push_back(v);
  expected.push_back(240);
  for (int v = 224; v >= 16; v -= 16) expected.push_back(v);
  expected.push_back(16);
  for (int v = 32; v <= 240; v += 16) expected.push_back(v);

  int value = 0, direction = 0, turns = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    const int before = value;
    const int turned = PingPong(&value, &direction, 16, 0, 255);
    ASSERT_EQ(value, expected[i]) << "call " << i;
    // Only the turn from falling to rising is reported, and it keeps the value.
    const bool turnUp = i == 30;
    EXPECT_EQ(turned, turnUp ? 1 : 0) << "call " << i;
    if (turnUp) {
      EXPECT_EQ(value, before);
    }
    turns += turned;
    EXPECT_GT(value, 0);
    EXPECT_LT(value, 255);
  }
  EXPECT_EQ(turns, 1);
  EXPECT_EQ(direction, 0);
}

// ---- the scene switch ---------------------------------------------------------

std::vector<std::string>* g_events = nullptr;

class RecordingScene : public cScene {
 public:
  explicit RecordingScene(int type) : type_(type) { Log("new"); }
  ~RecordingScene() override { Log("delete"); }
  void Update() override {
    ++updates;
    if (onUpdate) onUpdate(this);
  }
  void Log(const char* what) {
    if (g_events) g_events->push_back(std::string(what) + " " + std::to_string(type_));
  }
  int type_;
  int updates = 0;
  void (*onUpdate)(RecordingScene*) = nullptr;
};

// The stage-play slot holds a play scene, which the manager publishes.
class RecordingGameScene : public cGameScene {
 public:
  RecordingGameScene() { Log("new"); }
  ~RecordingGameScene() override { Log("delete"); }
  void Log(const char* what) {
    if (g_events) g_events->push_back(std::string(what) + " " + std::to_string(SCENE_GAME));
  }
};

cScene* MakeRecordingScene(int type) {
  if (type == SCENE_GAME) return new RecordingGameScene;
  return new RecordingScene(type);
}

class SceneSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_events = &events_;
    SetSceneFactoryForTest(MakeRecordingScene);
  }
  void TearDown() override {
    manager_.DeleteScenes();
    SetSceneFactoryForTest(nullptr);
    g_events = nullptr;
  }
  int Existing() const {
    int n = 0;
    for (int t = 0; t < SCENE_TYPES; ++t) n += manager_.Scene(t) != nullptr;
    return n;
  }
  cSceneManager manager_;
  std::vector<std::string> events_;
};

TEST_F(SceneSwitchTest, RequestingTheRunningSceneKeepsTheSameObject) {
  manager_.SetScene(SCENE_TITLE);
  cScene* title = manager_.Scene(SCENE_TITLE);
  ASSERT_NE(title, nullptr);
  manager_.SetScene(SCENE_TITLE);
  manager_.SetScene(SCENE_TITLE);
  EXPECT_EQ(manager_.Scene(SCENE_TITLE), title);
  EXPECT_EQ(events_, (std::vector<std::string>{"new 0"}));

  manager_.SetScene(SCENE_GAME);
  EXPECT_EQ(manager_.Scene(SCENE_TITLE), nullptr);
  ASSERT_NE(manager_.Scene(SCENE_GAME), nullptr);
  EXPECT_EQ(g_pGameScene, manager_.Scene(SCENE_GAME));
  EXPECT_EQ(Existing(), 1);
  EXPECT_EQ(events_, (std::vector<std::string>{"new 0", "delete 0", "new 4"}));

  manager_.SetScene(SCENE_OPTION);
  EXPECT_EQ(g_pGameScene, nullptr);  // never left dangling
  EXPECT_EQ(Existing(), 1);
}

TEST_F(SceneSwitchTest, OtherScenesAreDeletedInTheFixedOrderBeforeTheNewOneIsMade) {
  for (int t = 0; t < SCENE_TYPES; ++t) manager_.m_lpScene[cSceneManager::SlotOf(t)] = new RecordingScene(t);
  // The option scene is kept before the stage-play scene.
  EXPECT_EQ(cSceneManager::SlotOf(SCENE_OPTION), 4);
  EXPECT_EQ(cSceneManager::SlotOf(SCENE_GAME), 5);
  events_.clear();
  manager_.SetScene(SCENE_WORLDMENU);
  EXPECT_EQ(events_, (std::vector<std::string>{"delete 0", "delete 1", "delete 3", "delete 4", "delete 5"}));
  EXPECT_NE(manager_.Scene(SCENE_WORLDMENU), nullptr);

  // A type outside 0-5 leaves no scene at all.
  events_.clear();
  manager_.SetScene(6);
  EXPECT_EQ(events_, (std::vector<std::string>{"delete 2"}));
  EXPECT_EQ(Existing(), 0);
  manager_.SetScene(-1);
  EXPECT_EQ(Existing(), 0);
}

// ---- the frame step -------------------------------------------------------------

constexpr int kVkLeft = 0x25;
constexpr int kVkZ = 0x5A;

struct UpdateSeen {
  int calls = 0;
  uint64_t presentedBefore = 0;
  bool sceneInstalled = false;
  bool primaryLost = false;
  uint16_t dir = 0, button = 0;
};
UpdateSeen g_seen;

void RecordFrameState(RecordingScene* self) {
  ++g_seen.calls;
  g_seen.presentedBefore = plat::PresentedFrameCount();
  g_seen.sceneInstalled = g_SceneManager.Scene(self->type_) == self;
  g_seen.primaryLost = DDIsSurfaceLost(&g_PrimarySD);
  g_seen.dir = g_vecInput[0].m_wDir;
  g_seen.button = g_vecInput[0].m_wButton;
}

cScene* MakeObservedScene(int type) {
  auto* s = new RecordingScene(type);
  s->onUpdate = RecordFrameState;
  return s;
}

class FrameStepTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    SetSceneFactoryForTest(MakeObservedScene);
    g_seen = UpdateSeen{};
    g_SceneManager.m_nFps = 60;
    g_SceneManager.m_nFadeSpeed = 10;
    g_SceneManager.m_nScene = SCENE_WORLDMAP;
    savedKeys_ = g_KeyConfig;
    plat::ClearKeys();
  }
  void TearDown() override {
    g_SceneManager.DeleteScenes();
    g_SceneManager.m_nScene = 0;
    ReleaseStageSurfaces();
    SetSceneFactoryForTest(nullptr);
    g_KeyConfig = savedKeys_;
    plat::ClearKeys();
    g_vecInput.assign(1, cInput());
    DisplayTest::TearDown();
  }
  // The stage and scene surface collections, emptied before the display goes.
  static void ReleaseStageSurfaces() {
    g_vecCharaExcSD.clear();
    g_vecEffectSD.clear();
    g_vecSwordSD.clear();
    g_lstPictureSD.clear();
    g_vecSceneSD.clear();
    Off_Msg.clear();
  }
  KEYCONFIG savedKeys_{};
};

TEST_F(FrameStepTest, PollSwitchUpdateThenPresentInEveryBackend) {
  const DisplayMode modes[] = {kDisplayModes[0], kDisplayModes[3], kDisplayModes[4], kDisplayModes[7]};
  for (const DisplayMode& m : modes) {
    SCOPED_TRACE(m.name);
    DDRelease();
    ASSERT_TRUE(Init(m));
    g_SceneManager.DeleteScenes();
    g_seen = UpdateSeen{};
    plat::SetKeyDown(kVkLeft, true);
    const uint64_t before = plat::PresentedFrameCount();
    ASSERT_EQ(g_SceneManager.Frame(), 1);
    // The scene was made by this frame's switch, saw this frame's input, and
    // the frame was shown after its update.
    EXPECT_EQ(g_seen.calls, 1);
    EXPECT_TRUE(g_seen.sceneInstalled);
    EXPECT_EQ(g_seen.dir & 1, 1);
    EXPECT_EQ(g_seen.presentedBefore, before);
    EXPECT_EQ(plat::PresentedFrameCount(), before + 1);
    plat::SetKeyDown(kVkLeft, false);
  }
}

TEST_F(FrameStepTest, PlayerZeroIsPolledThroughTheKeyConfigurationOnlyWhenItIsInUse) {
  ASSERT_TRUE(Init(kDisplayModes[2]));
  SetDefaultKeyConfig(&g_KeyConfig);
  g_KeyConfig.assign[0] = KEYASSIGN{KEYCONFIG_DEVICE_KEYBOARD, kVkZ, 0};  // Z is "left"
  g_KeyConfig.assign[4] = KEYASSIGN{KEYCONFIG_DEVICE_KEYBOARD, 0x51, 0};  // Q is button 1
  plat::SetKeyDown(kVkZ, true);
  struct Case {
    int use;
    uint16_t dir, button;
  } cases[] = {{0, 0, 1}, {1, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.use);
    g_KeyConfig.use = c.use;
    ASSERT_EQ(g_SceneManager.Frame(), 1);
    EXPECT_EQ(g_seen.dir, c.dir);
    EXPECT_EQ(g_seen.button & 1, c.button);
  }
}

TEST_F(FrameStepTest, LostDirectDrawSurfacesAreRestoredBeforeTheUpdateAndAFailureEndsTheFrameWithZero) {
  ASSERT_TRUE(Init(kDisplayModes[1]));  // DD16Full
  // One surface in video memory, created empty, in each collection.
  auto addSurface = [](auto& collection) -> DDSURFACEDATA& {
    DDSURFACEDATA& sd = collection.emplace_back();
    EXPECT_TRUE(DDCreateSurface(&sd, 8, 8, 0, 0, 0, nullptr, 0));
    return sd;
  };
  DDSURFACEDATA* all[] = {&addSurface(g_vecCharaExcSD), &addSurface(g_vecEffectSD), &addSurface(g_vecSwordSD),
                          &addSurface(g_lstPictureSD),  &addSurface(g_vecSceneSD),  &addSurface(Off_Msg)};
  DDLoseSurfacesForTest();
  ASSERT_TRUE(DDIsSurfaceLost(&g_PrimarySD));
  ASSERT_EQ(g_SceneManager.Frame(), 1);
  EXPECT_EQ(g_seen.calls, 1);
  EXPECT_FALSE(g_seen.primaryLost);
  for (DDSURFACEDATA* sd : all) {
    EXPECT_FALSE(DDIsSurfaceLost(sd));
    EXPECT_EQ(sd->bLost, 1);  // left for its owner to redraw
  }

  // A bitmap of the effect images that cannot be read again ends the
  // restore there: the collections after it stay lost, and nothing is shown.
  for (DDSURFACEDATA* sd : all) sd->bLost = 0;
  std::snprintf(all[1]->szFileName, sizeof all[1]->szFileName, "bmp\\missing.bmp");
  DDLoseSurfacesForTest();
  const uint64_t before = plat::PresentedFrameCount();
  EXPECT_EQ(g_SceneManager.Frame(), 0);
  EXPECT_EQ(g_seen.calls, 1);  // no update
  EXPECT_EQ(plat::PresentedFrameCount(), before);
  EXPECT_FALSE(DDIsSurfaceLost(all[0]));
  for (DDSURFACEDATA* sd : {all[2], all[3], all[4], all[5]}) EXPECT_TRUE(DDIsSurfaceLost(sd));

  // Nothing lost: the collections are not looked at.
  DDRestoreSurfacePart(&g_PrimarySD);
  EXPECT_EQ(g_SceneManager.Frame(), 1);
  ReleaseStageSurfaces();
}

TEST_F(FrameStepTest, RestoringACollectionReloadsBitmapsAndMarksEmptySurfaces) {
  ASSERT_TRUE(Init(kDisplayModes[2]));  // DD32Full
  std::vector<DDSURFACEDATA> surfaces(2);
  for (DDSURFACEDATA& sd : surfaces) ASSERT_TRUE(DDCreateSurface(&sd, 8, 8, 0, 0, 0, nullptr, 0));
  DDLoseSurfacesForTest();
  EXPECT_EQ(RestoreSurfaceCollection(surfaces), 1);
  for (DDSURFACEDATA& sd : surfaces) {
    EXPECT_FALSE(DDIsSurfaceLost(&sd));
    EXPECT_EQ(sd.bLost, 1);  // left for its owner to redraw
  }
  // A bitmap that cannot be read again fails the restore.
  std::snprintf(surfaces[1].szFileName, sizeof surfaces[1].szFileName, "bmp\\missing.bmp");
  DDLoseSurfacesForTest();
  EXPECT_EQ(RestoreSurfaceCollection(surfaces), 0);
  for (DDSURFACEDATA& sd : surfaces) DDReleaseSurface(&sd);
}

// ---- the present ------------------------------------------------------------------

void FillBackBuffer(RecordingScene*) { DDFillSurface(&BackBuffer, 5); }

cScene* MakeFillingScene(int type) {
  auto* s = new RecordingScene(type);
  s->onUpdate = FillBackBuffer;
  return s;
}

uint32_t FirstPixel(DDSURFACEDATA& sd) { return *reinterpret_cast<const uint32_t*>(sd.Pixels()->Row(0)) & 0xFFFFFF; }

TEST_F(FrameStepTest, DirectDrawFullScreenFlipsUnlessBlitPresentOrAFastStageRuns) {
  SetSceneFactoryForTest(MakeFillingScene);
  const int savedFps = g_Stage.m_nFps;
  struct Case {
    int window, blitPresent, scene, stageFps;
    bool flipped;  // the back buffer then holds the old front, not the frame
  } cases[] = {
      {0, 0, SCENE_TITLE, 120, true},  {0, 1, SCENE_TITLE, 60, false}, {0, 0, SCENE_GAME, 120, false},
      {0, 0, SCENE_GAME, 60, true},    {1, 0, SCENE_GAME, 60, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.window << c.blitPresent << c.scene << c.stageFps);
    DDRelease();
    ASSERT_TRUE(Init(c.window ? kDisplayModes[3] : kDisplayModes[2]));
    g_Palette[5] = PALETTEENTRY{0x10, 0x20, 0x30, 0};
    g_bBlitPresent = c.blitPresent;
    g_Stage.m_nFps = c.stageFps;
    g_SceneManager.DeleteScenes();
    g_SceneManager.m_nScene = c.scene;
    ASSERT_EQ(g_SceneManager.Frame(), 1);
    EXPECT_EQ(DDLastPresentedFrame().at(0) & 0xFFFFFF, 0x102030u);
    EXPECT_EQ(FirstPixel(BackBuffer) == 0x102030u, !c.flipped);
  }
  g_bBlitPresent = 0;
  g_Stage.m_nFps = savedFps;
}

std::vector<uint32_t>* g_sent = nullptr;
LRESULT RecordSend(HWND, uint32_t msg, WPARAM, LPARAM) {
  if (g_sent) g_sent->push_back(msg);
  return 0;
}

TEST_F(FrameStepTest, AFailedDirect3DPresentAsksTheWindowToRestoreOnlyInWindowMode) {
  std::vector<uint32_t> sent;
  g_sent = &sent;
  plat::RegisterMainThread();
  plat::SetWindowProc(nullptr, RecordSend);
  for (const DisplayMode& m : {kDisplayModes[7], kDisplayModes[6]}) {
    SCOPED_TRACE(m.name);
    sent.clear();
    DDRelease();
    ASSERT_TRUE(Init(m));
    ASSERT_EQ(g_SceneManager.Frame(), 1);
    EXPECT_TRUE(sent.empty());
    DDSetDeviceStateForTest(DeviceState::Lost);
    ASSERT_EQ(g_SceneManager.Frame(), 1);  // the frame itself goes on
    EXPECT_EQ(sent, m.windowMode ? std::vector<uint32_t>{1124} : std::vector<uint32_t>{});
    DDSetDeviceStateForTest(DeviceState::Ok);
  }
  plat::ResetRuntimeForTest();
  g_sent = nullptr;
}

// ---- the frame-rate overlay ------------------------------------------------------------

class FpsOverlayTest : public FrameStepTest {
 protected:
  void SetUp() override {
    FrameStepTest::SetUp();
    SetSceneFactoryForTest(MakeFillingScene);
    ASSERT_TRUE(Init(kDisplayModes[7]));  // D3D32Window: the back buffer is what is shown
    for (PALETTEENTRY& e : g_Palette) e = PALETTEENTRY{0, 0, 0, 0};
    g_Palette[5] = PALETTEENTRY{0, 0, 0x40, 0};
    g_Palette[7] = PALETTEENTRY{0x20, 0x30, 0x40, 0};
    g_Palette[240] = PALETTEENTRY{255, 0, 0, 0};
    g_Palette[241] = PALETTEENTRY{255, 255, 255, 0};
    ASSERT_TRUE(DDCreateSurface(&skin_, 640, 480, 0, 0, 0, nullptr, 0));
    DDFillSurface(&skin_, 7);
    g_TextRenderer[0].Create("ＭＳ ゴシック", 0, 9, 10, 10, 241, nullptr, 0, 0, nullptr, 0);
    g_TextRenderer[1].Create("ＭＳ ゴシック", 0, 16, 16, 16, 241, &skin_, 1, 240, nullptr, 0);
  }
  void TearDown() override {
    // The global renderers stay; their surfaces and faces go before the
    // display does.
    for (int i = 0; i < 2; ++i) {
      cFont& f = g_TextRenderer[i];
      FontList().remove(&f);
      f.m_lpFastFont_Half.reset();
      f.m_lpFastFont_FullAdd.reset();
      DDReleaseSurface(&f.Work);
      f.hFont = plat::Font();
    }
    DDReleaseSurface(&skin_);
    FrameStepTest::TearDown();
  }
  // Pixels of the shown frame inside the rectangle that are not the scene's.
  int Drawn(int x0, int y0, int x1, int y1) const {
    const std::vector<uint32_t>& f = DDLastPresentedFrame();
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += (f.at(static_cast<size_t>(y * 640 + x)) & 0xFFFFFF) != 0x000040u;
    return n;
  }
  DDSURFACEDATA skin_;
};

TEST_F(FpsOverlayTest, ShowFpsChoosesTheTextOrTheWindowStyleAndZeroDrawsNothing) {
  struct Case {
    int show;
    int textPixels;    // below and right of (549, 469)
    int windowPixels;  // left of x 549, from (495, 463)
  } cases[] = {{0, 0, 0}, {2, 1, 0}, {1, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.show);
    g_StartOption.ShowFps = c.show;
    ASSERT_EQ(g_SceneManager.Frame(), 1);
    EXPECT_EQ(Drawn(0, 0, 640, 440), 0);  // only the corner is drawn on
    EXPECT_EQ(Drawn(549, 469, 640, 480) > 0, c.textPixels > 0);
    EXPECT_EQ(Drawn(495, 463, 549, 469) > 0, c.windowPixels > 0);
  }
  g_StartOption.ShowFps = 0;
}

// ---- the front-end scenes ---------------------------------------------------------

// The real title; every other type a recording stand-in, so the scene the
// title hands over to is not run here.
cScene* MakeTitleAndObservedScenes(int type) {
  return type == SCENE_TITLE ? CreateScene(type) : MakeObservedScene(type);
}

TEST_F(FrameStepTest, TheTitleFadesInRunsAndHandsOverAtTheEndOfItsFadeOut) {
  SetSceneFactoryForTest(MakeTitleAndObservedScenes);
  ResetScreenFadesForTest();
  ASSERT_TRUE(Init(kDisplayModes[7]));  // D3D32Window
  g_SceneManager.m_nScene = SCENE_TITLE;
  ASSERT_EQ(g_SceneManager.Frame(), 1);
  auto* title = dynamic_cast<cTitleScene*>(g_SceneManager.Scene(SCENE_TITLE));
  ASSERT_NE(title, nullptr);
  // Step 10 from 0 to 90: nine rising calls, completion on the tenth.
  for (int i = 1; i < 10; ++i) ASSERT_EQ(g_SceneManager.Frame(), 1);
  EXPECT_EQ(title->m_nState, 1);

  plat::SetKeyDown(kVkZ, true);  // confirm on the first item: a new story
  ASSERT_EQ(g_SceneManager.Frame(), 1);
  plat::SetKeyDown(kVkZ, false);
  EXPECT_EQ(title->m_nState, 3);  // its fade-out
  EXPECT_EQ(g_SceneManager.m_nNextScene, SCENE_WORLDMAP);
  int frames = 0;
  while (g_SceneManager.m_nScene == SCENE_TITLE && frames < 50) {
    ASSERT_EQ(g_SceneManager.Frame(), 1);
    ++frames;
  }
  EXPECT_EQ(frames, 10);
  EXPECT_EQ(g_SceneManager.m_nPrevScene, SCENE_TITLE);
  EXPECT_EQ(g_SceneManager.Scene(SCENE_TITLE), title);  // switched on the next frame
  ASSERT_EQ(g_SceneManager.Frame(), 1);
  EXPECT_EQ(g_SceneManager.Scene(SCENE_TITLE), nullptr);
  EXPECT_NE(g_SceneManager.Scene(SCENE_WORLDMAP), nullptr);
  EXPECT_EQ(g_seen.calls, 1);

  // What the title set for the new story.
  g_Progress = cProgressData();
  g_SceneManager.m_nTitleChoice = g_SceneManager.m_nGameMode = g_SceneManager.m_bRanking = 0;
  g_SceneManager.m_nNextScene = g_SceneManager.m_nPrevScene = g_SceneManager.m_nBgm = 0;
}

TEST(CreateScene, MakesTheSceneClassOfEachType) {
  struct Case {
    int type;
    bool (*is)(cScene*);
  } cases[] = {
      {SCENE_TITLE, [](cScene* s) { return dynamic_cast<cTitleScene*>(s) != nullptr; }},
      {SCENE_WORLDMAP, [](cScene* s) { return dynamic_cast<cWorldMapScene*>(s) != nullptr; }},
      {SCENE_WORLDMENU, [](cScene* s) { return dynamic_cast<cWorldMenuScene*>(s) != nullptr; }},
      {SCENE_CHALLENGE, [](cScene* s) { return dynamic_cast<cChallengeScene*>(s) != nullptr; }},
      {SCENE_GAME, [](cScene* s) { return dynamic_cast<cGameScene*>(s) != nullptr; }},
      {SCENE_OPTION, [](cScene* s) { return dynamic_cast<cOptionScene*>(s) != nullptr; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    std::unique_ptr<cScene> scene(CreateScene(c.type));
    EXPECT_TRUE(c.is(scene.get()));
  }
  EXPECT_EQ(CreateScene(SCENE_TYPES), nullptr);
}

// ---- LoadHbtPalette ------------------------------------------------------------------

PALETTEENTRY Original(int i) { return PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0}; }
bool Same(const PALETTEENTRY& a, const PALETTEENTRY& b) {
  return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

class HbtPaletteTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_TRUE(folder_.ok());
    ASSERT_TRUE(folder_.Enter());
    ASSERT_TRUE(folder_.MakeDir("bmp"));
    ASSERT_TRUE(folder_.MakeDir("bmp/plt"));
    ASSERT_TRUE(folder_.MakeDir("bmp/hbt"));
    bmptest::Spec spec;
    spec.width = 1;
    spec.height = 1;
    spec.bitCount = 8;
    for (int i = 0; i < 256; ++i) {
      PALETTEENTRY e = Original(i);
      spec.palette.push_back(uint32_t{e.peRed} << 16 | uint32_t{e.peGreen} << 8 | e.peBlue);
    }
    spec.rows = {{0}};
    std::vector<uint8_t> bytes = bmptest::Build(spec);
    ASSERT_TRUE(folder_.MakeFile("bmp/plt/Palette.bmp", std::string(bytes.begin(), bytes.end())));
  }
  void WriteTable(int n, uint8_t fill) {
    char name[32];
    std::snprintf(name, sizeof name, "bmp/hbt/hbt%02d.dat", n);
    ASSERT_TRUE(folder_.MakeFile(name, std::string(65536, static_cast<char>(fill))));
  }
  t4test::TempFolder folder_;
};

TEST_F(HbtPaletteTest, ColourSetsReorderRows16To207AndReachTheDevicePalette) {
  ASSERT_TRUE(Init(kDisplayModes[0]));  // DD8Full
  struct Case {
    int set;
    int table;     // the file that must be read
    int rowFrom;   // n >= 12: every row is this row; else -1
    int rotation;  // n < 12: places rotated down
  } cases[] = {{0, 0, -1, 0}, {3, 3, -1, 48}, {12, 12, 1, 0}, {23, 23, 12, 0}, {40, 23, 12, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.set);
    WriteTable(c.table, static_cast<uint8_t>(c.set + 1));
    ASSERT_EQ(LoadHbtPalette(c.set), 1);
    EXPECT_EQ(g_BlendTable[0], c.set + 1);
    EXPECT_EQ(g_BlendTable[65535], c.set + 1);
    for (int i = 0; i < 256; ++i) {
      int from = i;
      if (i >= 16 && i < 208) from = c.rowFrom >= 0 ? 16 * c.rowFrom + i % 16 : 16 + (i - 16 + c.rotation) % 192;
      ASSERT_TRUE(Same(g_Palette[i], Original(from))) << "entry " << i;
      ASSERT_TRUE(Same(g_PaletteWork[i], g_Palette[i])) << "entry " << i;
      ASSERT_TRUE(Same(g_lpDDPal->entries[i], g_Palette[i])) << "entry " << i;
    }
  }
}

TEST_F(HbtPaletteTest, AMissingTableFailsWithItsNameOnlyAtEightBitDirectDraw) {
  ASSERT_TRUE(Init(kDisplayModes[0]));
  EXPECT_EQ(LoadHbtPalette(5), 0);
  EXPECT_NE(Report().find(U8(u8"bmp\\hbt\\hbt05.dat の読み込みに失敗！")), std::string::npos) << Report();
  // No palette bitmap: fails too.
  WriteTable(6, 0);
  std::remove("bmp/plt/Palette.bmp");
  EXPECT_EQ(LoadHbtPalette(6), 0);

  for (const DisplayMode& m : {kDisplayModes[2], kDisplayModes[4]}) {
    DDRelease();
    ASSERT_TRUE(Init(m));
    EXPECT_EQ(LoadHbtPalette(5), 1) << m.name;
  }
}

// ---- CycleColors ------------------------------------------------------------------------

class CycleColorsTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ResetColorCyclingForTest();
    saved_ = g_SystemData;
    g_SystemData.m_nCycleStep = 16;
  }
  void TearDown() override {
    g_SystemData = saved_;
    ResetColorCyclingForTest();
    DisplayTest::TearDown();
  }
  cSystemData saved_;
};

TEST_F(CycleColorsTest, Direct3DWritesTheHighlightTableBeforeSteppingEachChannel) {
  ASSERT_TRUE(Init(kDisplayModes[6]));  // D3D32Full
  CycleColors();
  for (int e = 1; e <= 9; ++e) {
    EXPECT_EQ(g_HighlightColor[e].dwColor, 0xFF000000u) << e;
    EXPECT_EQ(g_HighlightColor[e].nOp, e == 2 ? 10 : 7) << e;
  }
  CycleColors();  // every channel is 16 now
  EXPECT_EQ(g_HighlightColor[1].dwColor, 0xFF101010u);
  EXPECT_EQ(g_HighlightColor[3].dwColor, 0xFF100000u);
  EXPECT_EQ(g_HighlightColor[4].dwColor, 0xFF001000u);
  EXPECT_EQ(g_HighlightColor[5].dwColor, 0xFF000010u);
  EXPECT_EQ(g_HighlightColor[6].dwColor, 0xFF101000u);
  EXPECT_EQ(g_HighlightColor[7].dwColor, 0xFF100004u);
  EXPECT_EQ(g_HighlightColor[8].dwColor, 0xFF040010u);
  EXPECT_EQ(g_HighlightColor[9].dwColor, 0xFF100000u);  // phase 0: red
  // Channel 9 turns up after 31 steps (up 15, turn, down 14, turn): the
  // phase moves on to green.
  for (int i = 2; i < 31; ++i) CycleColors();
  EXPECT_EQ(g_HighlightColor[9].dwColor, 0xFF100000u);  // still red at the turning step
  CycleColors();
  EXPECT_EQ(g_HighlightColor[9].dwColor, 0xFF001000u);
}

TEST_F(CycleColorsTest, EightBitRotationRunsOnEverySixthCallOnlyWhenSwitchedOn) {
  ASSERT_TRUE(Init(kDisplayModes[0]));  // DD8Full
  for (int i = 0; i < 256; ++i) g_PaletteWork[i] = g_lpDDPal->entries[i] = Original(i);
  for (int i = 0; i < 12; ++i) CycleColors();
  for (int i = 0; i < 256; ++i) ASSERT_TRUE(Same(g_PaletteWork[i], Original(i))) << i;

  g_SystemData.m_bPaletteCycle = 1;
  for (int i = 0; i < 5; ++i) CycleColors();
  EXPECT_TRUE(Same(g_PaletteWork[208], Original(208)));
  CycleColors();
  for (int first = 208; first < 240; first += 4) {
    EXPECT_TRUE(Same(g_PaletteWork[first], Original(first + 1)));
    EXPECT_TRUE(Same(g_PaletteWork[first + 3], Original(first)));
    EXPECT_TRUE(Same(g_lpDDPal->entries[first + 3], Original(first)));
  }
  EXPECT_TRUE(Same(g_PaletteWork[207], Original(207)));
  EXPECT_TRUE(Same(g_PaletteWork[240], Original(240)));
}

// ---- the checked surface list ---------------------------------------------------------------

class SurfaceListTest : public DisplayTest {};

TEST_F(SurfaceListTest, ABadIndexIsReportedAndGetsAZeroedRecord) {
  cCheckedList<DDSURFACEDATA> list;
  list.emplace_back();
  list.emplace_back();
  list.back().nWidth = 32;
  EXPECT_EQ(list.At(1).nWidth, 32);
  DDSURFACEDATA& bad = list.At(5);
  EXPECT_EQ(bad.nWidth, 0);
  EXPECT_EQ(bad.lpDD, nullptr);
  EXPECT_NE(&bad, &list.front());
  EXPECT_NE(Report().find(Format("err L[5] ( 2 , %d )", static_cast<int>(sizeof(DDSURFACEDATA)))),
            std::string::npos)
      << Report();
  list.At(-1);
  EXPECT_NE(Report().find("err L[-1] ( 2 ,"), std::string::npos);
}

}  // namespace
