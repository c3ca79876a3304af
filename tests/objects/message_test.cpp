// Messages on the stage: the "#" escapes, text surfaces and their refresh,
// placement, the window's opening, value popups and their charas.
#include "objects/message.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "graphics/builtin_tables.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/fill.h"
#include "graphics/palette.h"
#include "objects/chara.h"
#include "objects/sprite_source.h"
#include "objects/stage_fixture.h"
#include "records/block_data.h"
#include "records/progress_data.h"
#include "platform/numeric.h"
#include "services/log.h"
#include "stage/stage_surfaces.h"
#include "support/headless_runner.h"
#include "support/temp_folder.h"

namespace {

using drawtest::FillAll;
using drawtest::Get;

constexpr int kPitch = 16;  // the message font: 16 pixels a character and a line
constexpr double kView = 320.0;
constexpr uint32_t kIconColour = 50;
constexpr uint32_t kSkinColour = 7;
constexpr uint32_t kFrameColour = 240;

class MessageTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedVars_ = g_Progress.m_vecVar;
    g_Progress.m_vecVar.assign(1001, 0);
    ASSERT_TRUE(Init(kDisplayModes[0]));  // DD8Full: pixels are palette numbers
    FillAll(BackBuffer, 0);
    ASSERT_TRUE(DDCreateSurface(&skin_, 640, 480, 0, 1, 0, nullptr, 0));
    DDFillSurface(&skin_, kSkinColour);
    MessageFont().Create("ＭＳ ゴシック", 0, 16, kPitch, kPitch, 241, &skin_, 1, kFrameColour, nullptr, 0);
    // The icons: the system icon cell at (0, 48) and the first mini item.
    ASSERT_TRUE(DDCreateSurface(&g_SD[49], 64, 64, 1, 1, 0, nullptr, 0));
    DDFillRect(&g_SD[49], 0, 48, 16, 16, kIconColour);
    ASSERT_TRUE(DDCreateSurface(&g_SD[kSheetItemMini], 32, 16, 1, 1, 0, nullptr, 0));
    DDFillSurface(&g_SD[kSheetItemMini], kIconColour + 1);
    g_lstChara.clear();
  }
  void TearDown() override {
    stage_.Scene().ClearMessages();
    g_lstChara.clear();
    for (int i : {49, static_cast<int>(kSheetItemMini)}) {
      DDReleaseSurface(&g_SD[i]);
      g_SD[i] = DDSURFACEDATA();
    }
    MessageFont().Release();
    MessageFont().lpSkinSD = nullptr;
    DDReleaseSurface(&skin_);
    g_Progress.m_vecVar = savedVars_;
    DisplayTest::TearDown();
  }
  // A chara whose sprite shows at screen (100, 80), 24 x 40, its box 4
  // across and 8 down from the sprite's corner.
  cChara& AddChara(int id) {
    cChara& c = g_lstChara.emplace_back();
    c.m_nId = id;
    c.m_nImgOffX = 4;
    c.m_nImgOffY = 8;
    c.m_nImgW = 24;
    c.m_nImgH = 40;
    c.m_dX = kView + 104;
    c.m_dY = kView + 88;
    return c;
  }
  std::list<cMessage>& Messages() { return stage_.Scene().m_lstMessage; }
  // A message with every display value 0 but those given.
  cMessage& Add(int kind, const char* text, int posMode, int dispMode, int frames) {
    return Messages().emplace_back(kind, text, 0, 0, 0, posMode, 0, 0, 0, 0, 0, 0, dispMode, frames, 0, 0, 1, 0, 0, 0,
                                   0, 0, 0);
  }
  uint32_t At(int x, int y) { return Get(BackBuffer, x, y); }
  // The 16 x 16 icon at (x, y) and nothing left of or above it.
  void ExpectIconAt(int x, int y, uint32_t colour = kIconColour) {
    EXPECT_EQ(At(x, y), colour) << x << "," << y;
    EXPECT_EQ(At(x + 15, y + 15), colour) << x << "," << y;
    if (x > 0) {
      EXPECT_EQ(At(x - 1, y), 0u) << x << "," << y;
    }
    if (y > 0) {
      EXPECT_EQ(At(x, y - 1), 0u) << x << "," << y;
    }
  }

  t4test::StageFixture stage_;
  cCheckedVector<int> savedVars_;
  DDSURFACEDATA skin_;
};

TEST_F(MessageTest, EscapesShowTheVariablesInTheirFormat) {
  cCheckedVector<int>& common = g_Progress.m_vecVar;
  common[3] = 42;
  common[4] = -5;
  common[6] = INT_MIN;
  common[7] = 0;
  common[12] = 7;
  common[1000] = 5;
  stage_.Scene().m_vecStageVar[5] = 7;
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"#C3_4.", "  42"},
      {"#c3_4z.", "0042"},
      {"#S5_3p", "+  7"},
      {"#s5_3P.", "+  7"},
      {"#C3_P", "+42"},
      {"#C4_3", "-  5"},
      {"#C4_3z", "-005"},
      {"#C4_1", "-5"},
      {"#C7", "0"},
      {"#C7_3", "  0"},
      {"#C7_3z", "000"},
      {"#C3_12", "42"},       // the last width digit counts
      {"#C6", "-2147483648"},
      {"ab#C12", "ab7"},
      {"#C12.x", "7x"},
      {"#C12..", "7."},
      {"x#C3#C12y", "x427y"},
      {"#C3__4", "42_4"},     // a second '_' ends the escape
      {"#S3C", "42"},         // C wins over S
      {"#S1C2", "7"},         // the digits make one number: 12
      {"#C1000", "5"},
      {"#C", "#C"},
      {"#C0", "#C0"},
      {"#3", "#3"},
      {"#C1001.", "#C1001."},
      {"#C99999999999.", "#C99999999999."},
      {"値：#C3円", "値：42円"},
      {"\x81#C3", "\x81" "42"},  // a lead byte without its trail byte
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    ExpandMessageText(text);
    EXPECT_EQ(text, c.expected) << c.text;
  }
  // Without a stage there are no stage variables to show.
  cGameScene* scene = g_pGameScene;
  g_pGameScene = nullptr;
  std::string text = "#S5 #C3";
  ExpandMessageText(text);
  g_pGameScene = scene;
  EXPECT_EQ(text, "#S5 42");
}

TEST_F(MessageTest, OnlyVariablesThatExistAreShownAndTheRestStaysText) {
  // 1001 common variables (0..1000) against 1000 stage variables (0..999):
  // an escape naming none is drawn as written, with no error to report.
  t4test::TempFolder dir;
  ASSERT_EQ(InitReportLog((dir / "Report_Game.txt").c_str()), 1);
  g_Progress.m_vecVar[1000] = 5;
  stage_.Scene().m_vecStageVar[999] = 8;
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"#S999", "8"},
      {"#S1000", "#S1000"},
      {"#s1000.", "#s1000."},
      {"#C1000", "5"},
      {"a#S1000b#S999", "a#S1000b8"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    ExpandMessageText(text);
    EXPECT_EQ(text, c.expected) << c.text;
  }
  EXPECT_EQ(t4test::ReadFile(dir / "Report_Game.txt").find("err V"), std::string::npos);
}

TEST_F(MessageTest, ATextMessageOwnsASurfaceOfItsMeasuredSize) {
  g_Progress.m_vecVar[2] = 123;
  cMessage& text = Add(kMessageText, "ab\nc#C2", 0, kMessageTimed, 5);
  EXPECT_EQ(text.m_strSource, "ab\nc#C2");
  EXPECT_EQ(text.m_strText, "ab\nc#C2");  // not expanded: the flag was off
  EXPECT_EQ(text.m_nWidth, 4 * kPitch + 2);
  EXPECT_EQ(text.m_nHeight, 2 * kPitch + 2);
  ASSERT_EQ(Off_Msg.size(), 1u);
  ASSERT_EQ(text.m_lpSD, &Off_Msg.front());
  EXPECT_EQ(text.m_lpSDDef, &g_lstMsgSDDef.front());
  EXPECT_EQ(text.m_lpSD->nWidth, text.m_nWidth);

  cMessage& expanded = Messages().emplace_back(kMessageText, "c#C2", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kMessageTimed, 5,
                                               0, 0, 1, 1, 0, 0, 0, 0, 0);
  EXPECT_EQ(expanded.m_strText, "c123");
  EXPECT_EQ(expanded.m_nWidth, 4 * kPitch + 2);
  EXPECT_EQ(expanded.SurfacePosition(), 1);

  cMessage& icon = Add(kMessageSystemIcon, nullptr, 0, kMessageTimed, 30);
  EXPECT_EQ(icon.m_lpSD, nullptr);
  EXPECT_EQ(icon.m_nWidth, 16);
  EXPECT_EQ(icon.m_nHeight, 16);
  EXPECT_TRUE(icon.m_strText.empty());
  EXPECT_EQ(Off_Msg.size(), 2u);

  // Five frames shown, then each text message gives its surface back.
  for (int n = 0; n < 5; ++n) stage_.Scene().UpdateMessageList(&BackBuffer, 0);
  EXPECT_EQ(Messages().size(), 3u);
  stage_.Scene().UpdateMessageList(&BackBuffer, 0);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(Off_Msg.empty());
  EXPECT_TRUE(g_lstMsgSDDef.empty());
}

TEST_F(MessageTest, ARefreshedMessageFollowsItsVariableAndKeepsItsListPosition) {
  g_Progress.m_vecVar[1] = 9;
  cGameScene& scene = stage_.Scene();
  Add(kMessageText, "A", 0, kMessageUntilStageEnd, 0);
  cMessage& m = Messages().emplace_back(kMessageText, "#C1", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kMessageUntilStageEnd, 0,
                                        0, 0, 1, 1, 1, 30, 0, 0, 0);
  Add(kMessageText, "B", 0, kMessageUntilStageEnd, 0);
  ASSERT_EQ(m.m_nWidth, kPitch + 2);

  // Only on a multiple of the interval.
  g_Progress.m_vecVar[1] = 10;
  scene.m_nFrameCounter = 29;
  scene.UpdateMessageList(&BackBuffer, 0);
  EXPECT_EQ(m.m_strText, "9");

  scene.m_nFrameCounter = 30;
  scene.UpdateMessageList(&BackBuffer, 0);
  EXPECT_EQ(m.m_strText, "10");
  EXPECT_EQ(m.m_strSource, "#C1");
  EXPECT_EQ(m.m_nWidth, 2 * kPitch + 2);
  ASSERT_EQ(Off_Msg.size(), 3u);
  EXPECT_EQ(m.SurfacePosition(), 1);
  EXPECT_EQ(m.m_lpSD->nWidth, 2 * kPitch + 2);
  EXPECT_EQ(g_lstMsgSDDef.size(), 3u);

  // The same size keeps the surface.
  const DDSURFACEDATA* before = m.m_lpSD;
  g_Progress.m_vecVar[1] = 11;
  scene.m_nFrameCounter = 60;
  scene.UpdateMessageList(&BackBuffer, 0);
  EXPECT_EQ(m.m_strText, "11");
  EXPECT_EQ(m.m_lpSD, before);

  // An interval of 0 refreshes every frame.
  m.m_nRefreshInterval = 0;
  g_Progress.m_vecVar[1] = 12;
  scene.m_nFrameCounter = 61;
  scene.UpdateMessageList(&BackBuffer, 0);
  EXPECT_EQ(m.m_strText, "12");
}

TEST_F(MessageTest, PlacesByItsModeAndKeepsInsideTheScreenWhenClamped) {
  AddChara(5);
  // The chara's sprite on the screen.
  const int cl = 100, ct = 80, cw = 24, ch = 40, w = 16, h = 16;
  struct Case {
    const char* what;
    int mode, cellX, cellY, offX, offY, clamp;
    double scrollX;
    int x, y;
  };
  const Case cases[] = {
      {"screen centre", 0, 0, 0, 10, -5, 0, kView, 10 - w / 2 + 320, -5 - h / 2 + 240},
      {"above", 1, 0, 0, 3, 0, 0, kView, cl + cw / 2 - w / 2 + 3, ct - h},
      {"below", 2, 0, 0, 0, 2, 0, kView, cl + cw / 2 - w / 2, ct + ch + 1 + 2},
      {"centre", 3, 0, 0, 0, 0, 0, kView, cl + cw / 2 - w / 2, ct + ch / 2 - h / 2},
      {"above the hero's place", 4, 0, 0, 0, 0, 0, kView, cl + cw / 2 - w / 2, ct - h},
      {"screen cells", 7, 2, 3, 1, 1, 0, kView, 1 + 64, 1 + 96},
      {"stage cells", 8, 2, 3, 1, 1, 0, kView + 40.5, 24, 97},  // (2 + 10) x 32 + 1 - 360.5
      {"clamped left and top", 7, 0, 0, -5, 10, 1, kView, 0, 20},
      {"clamped right and bottom", 7, 20, 15, 0, 0, 1, kView, 640 - w, 480 - h},
      {"one short of the right edge", 7, 19, 0, 15, 30, 1, kView, 640 - w, 30},
      {"unclamped off the screen", 7, 0, 0, -5, 10, 0, kView, -5, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    stage_.Scene().m_ScrollX.m_dPos = c.scrollX;
    FillAll(BackBuffer, 0);
    cMessage m(kMessageSystemIcon, nullptr, 0, 0, 0, c.mode, c.cellX, c.cellY, c.offX, c.offY, c.clamp, 1,
               kMessageTimed, 30, 0, 5, 1, 0, 0, 0, 0, 0, 0);
    ASSERT_EQ(UpdateMessages(m, &BackBuffer, 0), 0);
    if (c.x >= 0)
      ExpectIconAt(c.x, c.y);
    else
      EXPECT_EQ(At(0, c.y), kIconColour);
  }
}

TEST_F(MessageTest, ScreenPlacedMessagesMoveWithTheStageUnlessFixed) {
  cGameScene& scene = stage_.Scene();
  cChara& chara = AddChara(5);
  cMessage free(kMessageSystemIcon, nullptr, 0, 0, 0, 7, 2, 2, 0, 0, 0, 0, kMessageTimed, 30, 0, 0, 1, 0, 0, 0, 0,
                0, 0);
  cMessage pinned(kMessageSystemIcon, nullptr, 0, 0, 0, 7, 2, 6, 0, 0, 0, 1, kMessageTimed, 30, 0, 0, 1, 0, 0, 0, 0,
                  0, 0);
  cMessage follows(kMessageSystemIcon, nullptr, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, kMessageTimed, 30, 0, 5, 1, 0, 0, 0,
                   0, 0, 0);
  cMessage stays(kMessageSystemIcon, nullptr, 0, 0, 0, 2, 0, 0, 0, 0, 0, 1, kMessageTimed, 30, 0, 5, 1, 0, 0, 0, 0,
                 0, 0);
  for (cMessage* m : {&free, &pinned, &follows, &stays}) UpdateMessages(*m, &BackBuffer, 0);
  // The view moves 32 right and 16 down; the chara 72 right.
  scene.m_ScrollX.m_dPos = kView + 32;
  scene.m_ScrollY.m_dPos = kView + 16;
  chara.m_dX += 72;
  FillAll(BackBuffer, 0);
  for (cMessage* m : {&free, &pinned, &follows, &stays}) ASSERT_EQ(UpdateMessages(*m, &BackBuffer, 0), 0);
  ExpectIconAt(64 - 32, 64 - 16);
  ExpectIconAt(64, 192);
  ExpectIconAt(100 + 40 + 12 - 8, 80 - 16 + 20 - 8);  // the chara on the screen: 40 right, 16 up
  ExpectIconAt(100 + 12 - 8, 80 + 40 + 1);
}

TEST_F(MessageTest, AValuePopupRisesAboveItsCharaForThirtyFrames) {
  cChara& chara = AddChara(5);
  chara.ShowValuePopup(kGraphicKindItem, 0, 0);
  ASSERT_EQ(Messages().size(), 1u);
  const cMessage& popup = Messages().front();
  EXPECT_EQ(popup.m_nKind, kMessageIcon);
  EXPECT_EQ(popup.m_nAnchor, 5);
  EXPECT_EQ(popup.m_nPosMode, 4);
  EXPECT_EQ(popup.m_bFixPos, 1);
  EXPECT_EQ(popup.m_lpSD, nullptr);
  const int x = 100 + 24 / 2 - 16 / 2, y = 80 - 16;
  for (int n = 1; n <= 30; ++n) {
    SCOPED_TRACE(n);
    FillAll(BackBuffer, 0);
    stage_.Scene().UpdateMessageList(&BackBuffer, 0);
    ASSERT_EQ(Messages().size(), 1u);
    ExpectIconAt(x, y - n / 4, kIconColour + 1);  // one pixel up every four frames
    // Where it first showed it stays, whatever the chara does.
    chara.m_dX += 3;
  }
  stage_.Scene().UpdateMessageList(&BackBuffer, 0);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(MessageTest, AMessageWhoseCharaIsGoneEndsUnlessItIsAPopup) {
  AddChara(5);
  cMessage& text = Messages().emplace_back(kMessageText, "abc", 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, kMessageUntilStageEnd,
                                           0, 0, 5, 1, 0, 0, 0, 0, 0, 0);
  cMessage& popup = Messages().emplace_back(kMessageIcon, nullptr, kGraphicKindItem, 0, 0, 4, 0, 0, 0, 0, 0, 1,
                                            kMessageTimed, 30, 0, 5, 1, 0, 0, 0, 0, 0, 0);
  cMessage& loose = Messages().emplace_back(kMessageIcon, nullptr, kGraphicKindItem, 0, 0, 4, 0, 0, 0, 0, 0, 0,
                                            kMessageTimed, 30, 0, 5, 1, 0, 0, 0, 0, 0, 0);
  stage_.Scene().UpdateMessageList(&BackBuffer, 0);
  ASSERT_EQ(Messages().size(), 3u);
  ASSERT_EQ(Off_Msg.size(), 1u);
  (void)text;
  (void)loose;

  g_lstChara.clear();
  FillAll(BackBuffer, 0);
  stage_.Scene().UpdateMessageList(&BackBuffer, 0);
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(&Messages().front(), &popup);
  EXPECT_TRUE(Off_Msg.empty());
  // The fixed popup holds its place; the other falls back to the corner.
  ExpectIconAt(100 + 12 - 8, 80 - 16, kIconColour + 1);
  ExpectIconAt(0, 0, kIconColour + 1);
}

TEST_F(MessageTest, AWindowOpensOverTenFramesBeforeItsTextShows) {
  cMessage& m = Messages().emplace_back(kMessageText, "abcd", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kMessageUntilKey, 0, 0, 0,
                                        0, 0, 0, 0, 1, 0, 0);
  ASSERT_EQ(m.m_bOpening, 1);
  const int w = m.m_nWidth, h = m.m_nHeight;  // 66 x 18
  const int x = -w / 2 + 320, y = -h / 2 + 240;
  // The surface holds the framed window with the text.
  ASSERT_NE(m.m_lpSD, nullptr);
  EXPECT_EQ(Get(*m.m_lpSD, 0, 0), kFrameColour);
  EXPECT_EQ(Get(*m.m_lpSD, 1, 1), kSkinColour);
  for (int n = 1; n <= 10; ++n) {
    SCOPED_TRACE(n);
    FillAll(BackBuffer, 0);
    ASSERT_EQ(UpdateMessages(m, &BackBuffer, 0), 0);
    const int ow = plat::TruncToInt(n * 0.1 * w), oh = plat::TruncToInt(n * 0.1 * h);
    const int left = x + w / 2 - ow / 2, top = y + h / 2 - oh / 2;
    // The window's skin grows from the centre, framed just outside.
    EXPECT_EQ(At(left, top), kSkinColour);
    EXPECT_EQ(At(left + ow - 1, top + oh - 1), kSkinColour);
    EXPECT_EQ(At(left - 1, top), kFrameColour);
    EXPECT_EQ(At(left - 2, top), 0u);
  }
  FillAll(BackBuffer, 0);
  ASSERT_EQ(UpdateMessages(m, &BackBuffer, 0), 0);
  EXPECT_EQ(m.m_bOpening, 0);
  EXPECT_EQ(At(x, y), kFrameColour);
  EXPECT_EQ(At(x + w - 1, y + h - 1), kFrameColour);
  EXPECT_EQ(At(x + 1, y + 1), kSkinColour);
  EXPECT_EQ(At(x - 1, y), 0u);

  // Timed messages and those asked not to open show at once.
  cMessage plain(kMessageText, "abcd", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kMessageUntilKey, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0);
  EXPECT_EQ(plain.m_bOpening, 0);
  FillAll(BackBuffer, 0);
  UpdateMessages(plain, &BackBuffer, 0);
  EXPECT_EQ(At(x, y), kFrameColour);
  plain.ReleaseSurface();
}

TEST_F(MessageTest, ALostSurfaceIsDrawnAgain) {
  cMessage& m = Messages().emplace_back(kMessageText, "ab", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, kMessageUntilStageEnd, 0,
                                        0, 0, 1, 0, 0, 0, 1, 0, 0);
  DDFillSurface(m.m_lpSD, 99);
  m.m_lpSD->bLost = 1;
  stage_.Scene().UpdateMessageList(&BackBuffer, 0);
  EXPECT_EQ(m.m_lpSD->bLost, 0);
  EXPECT_EQ(Get(*m.m_lpSD, 0, 0), kFrameColour);
  EXPECT_EQ(Get(*m.m_lpSD, 1, 1), kSkinColour);
}

TEST_F(MessageTest, AGameWaitMessageCountsOnlyWhileTheStageRunsUnlessToldOtherwise) {
  // The wait's own form: no text, counting while paused.
  cMessage& wait = Messages().emplace_back(kMessageWait, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, kMessageTimed, 3, 1,
                                           0, 0, 0, 0, 0, 0, 0, 0);
  cMessage& timed = Add(kMessageSystemIcon, nullptr, 7, kMessageTimed, 3);
  EXPECT_EQ(wait.m_lpSD, nullptr);
  for (int n = 0; n < 3; ++n) stage_.Scene().UpdateMessageList(&BackBuffer, 1);
  EXPECT_EQ(Messages().size(), 2u);
  stage_.Scene().UpdateMessageList(&BackBuffer, 1);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(&Messages().front(), &timed);
  EXPECT_EQ(timed.m_nFramesLeft, 3);
}

}  // namespace
