// Where the ranking list, the results panel and the save-slot list put
// their window, texts and marks.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "frontend/save_slot.h"
#include "graphics/builtin_tables.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "graphics/palette.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/start_option.h"
#include "records/system_data.h"
#include "services/game_threads.h"
#include "stage/ranking_view.h"
#include "stage/scene_manager.h"

using drawtest::FillAll;
using drawtest::Get;

namespace {

constexpr DWORD kFrame = 240, kText = 241, kSkin = 7, kMark = 50;
constexpr int kMarkSheet = 49;

class RankingView : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_TRUE(Init(kDisplayModes[2]));  // DD32Full
    for (PALETTEENTRY& e : g_Palette) e = PALETTEENTRY{0, 0, 0, 0};
    g_Palette[kFrame] = {255, 0, 0, 0};
    g_Palette[kText] = {255, 255, 255, 0};
    g_Palette[kSkin] = {0x20, 0x30, 0x40, 0};
    g_Palette[kMark] = {0, 255, 0, 0};
    ASSERT_TRUE(DDCreateSurface(&skin_, 640, 480, 0, 0, 0, nullptr, 0));
    DDFillSurface(&skin_, kSkin);
    ASSERT_TRUE(DDCreateSurface(&g_SD[kMarkSheet], 64, 64, 0, 0, 0, nullptr, 0));
    DDFillSurface(&g_SD[kMarkSheet], kMark);
    g_TextRenderer[1].Create("ＭＳ ゴシック", 0, 16, 16, 16, kText, &skin_, 1, kFrame, nullptr, 0);
    FillAll(BackBuffer, 0);
    saved_.system = g_SystemData;
    saved_.progress = g_Progress;
    saved_.stageKinds = g_Stage.m_vecRanking;
    saved_.mode = g_SceneManager.m_nGameMode;
    saved_.cmdLine = g_bCmdLineStage;
    g_SystemData = cSystemData();
    g_Progress = cProgressData();
    g_SceneManager.m_nGameMode = 0;
    g_bCmdLineStage = 0;
  }
  void TearDown() override {
    g_SystemData = saved_.system;
    g_Progress = saved_.progress;
    g_Stage.m_vecRanking = saved_.stageKinds;
    g_SceneManager.m_nGameMode = saved_.mode;
    g_bCmdLineStage = saved_.cmdLine;
    g_TextRenderer[1].Release();
    DDReleaseSurface(&g_SD[kMarkSheet]);
    DDReleaseSurface(&skin_);
    DisplayTest::TearDown();
  }
  bool Has(int x, int y, int w, int h, DWORD n) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i)
        if (i >= 0 && j >= 0 && i < 640 && j < 480 && Get(BackBuffer, i, j) == PalNumToRGB(n)) return true;
    return false;
  }
  bool All(int x, int y, int w, int h, DWORD n) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i)
        if (Get(BackBuffer, i, j) != PalNumToRGB(n)) return false;
    return true;
  }
  // Text in a 16 x 16 cell of column c (from x) in row r (from y).
  bool TextAt(int x, int y, int c, int r) { return Has(x + 16 * c, y + 16 * r, 16, 16, kText); }
  void Modes(std::vector<BYTE> kinds) { g_SystemData.m_vecModeRanking.At(0).m_vecKind = std::move(kinds); }

  DDSURFACEDATA skin_;
  struct {
    cSystemData system;
    cProgressData progress;
    cCheckedVector<int> stageKinds;
    int mode = 0, cmdLine = 0;
  } saved_;
};

TEST_F(RankingView, AListShowsPlacesNamesAndRightAlignedValues) {
  const int x = 100, y = 40;
  cRankingData r;
  r.SetDefault();
  cRankingList& scores = r.m_vecList.At(0);
  scores.Insert("AAA", 9000);
  scores.Insert("BBB", 500);
  scores.Insert("CCC", 70);
  Modes({1, 0, 0, 0, 0});  // one kind: no hint to switch
  DrawRanking(r, &BackBuffer, x, y, 0, -1);

  // The window over (x + 1, y + 1, 270, 350), its frame one pixel outside.
  EXPECT_TRUE(All(x, y + 20, 1, 300, kFrame));
  EXPECT_TRUE(All(x + 271, y + 20, 1, 300, kFrame));
  EXPECT_TRUE(TextAt(x, y, 0, 0));  // the header
  // The last digit lies at x + (digits of place 1 + 8) x 16 = x + 192.
  for (int row = 1; row <= 3; ++row) {
    SCOPED_TRACE(row);
    EXPECT_TRUE(TextAt(x, y, 1, row));   // place number
    EXPECT_TRUE(TextAt(x, y, 4, row));   // name
    EXPECT_TRUE(TextAt(x, y, 12, row));  // last digit
    EXPECT_FALSE(TextAt(x, y, 13, row));
  }
  EXPECT_FALSE(TextAt(x, y, 8, 1));
  EXPECT_TRUE(TextAt(x, y, 9, 1));    // 9000 starts at x + 144, as clear times do
  EXPECT_FALSE(TextAt(x, y, 9, 2));   // 500 one cell later
  EXPECT_TRUE(TextAt(x, y, 10, 2));
  EXPECT_FALSE(TextAt(x, y, 10, 3));  // 70 two cells later
  EXPECT_TRUE(TextAt(x, y, 11, 3));
  // Empty places leave their rows blank, and there is no mark.
  EXPECT_FALSE(Has(x + 2, y + 16 * 4, 268, 16 * 17, kText));
  EXPECT_FALSE(Has(0, 0, 640, 480, kMark));
}

TEST_F(RankingView, TheSlowFontSwitchKeepsNamesOffTheGlyphSheets) {
  cRankingData r;
  r.SetDefault();
  const std::string name = "龍鳳麒";  // narrow literals are CP932
  r.m_vecList.At(0).Insert(name, 10);
  Modes({1, 0, 0, 0, 0});
  const int english = g_StartOption.English;
  // The double-byte characters of the texts drawn through the glyph
  // sheets: each is added once to the sheet of added characters.
  auto wide = [](const std::string& text, std::set<std::string>* out) {
    for (size_t i = 0; i < text.size(); ++i)
      if (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) {
        out->insert(text.substr(i, 2));
        ++i;
      }
  };
  const std::string kind = g_SystemData.m_vecText.Size() > 5 ? g_SystemData.m_vecText[5] : std::string();
  for (int slow : {0, 1})
    for (int e : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "slow " << slow << " english " << e);
      g_SystemData.m_bRankingNameSlowFont = slow;
      g_StartOption.English = e;
      // A fresh font with glyph sheets for each case.
      g_TextRenderer[1].Release();
      g_TextRenderer[1].Create("ＭＳ ゴシック", 0, 16, 16, 16, kText, &skin_, 1, kFrame, nullptr, 1);
      ASSERT_TRUE(g_TextRenderer[1].m_lpFastFont_FullAdd);
      // The sheet starts with the common characters; those added come after.
      const cFastFont& added = *g_TextRenderer[1].m_lpFastFont_FullAdd;
      std::set<std::string> known;
      for (int i = 0; i < added.nCount; ++i) known.insert(added.m_Entries[static_cast<size_t>(i)].szChar);
      const int before = added.nCount;
      FillAll(BackBuffer, 0);
      DrawRanking(r, &BackBuffer, 100, 40, 0, -1);
      EXPECT_EQ(g_TextRenderer[1].bFastFont, 1);
      EXPECT_TRUE(TextAt(100, 40, 4, 1));  // the name is drawn either way
      std::set<std::string> expected;
      // The Japanese header always goes through the sheets; the English one
      // and the names not with the switch.
      if (!(slow && e)) wide(std::string(e ? "Ranking     " : "ランキング    ") + kind, &expected);
      if (!slow) wide(name, &expected);
      std::erase_if(expected, [&](const std::string& ch) { return known.count(ch) != 0; });
      EXPECT_EQ(added.nCount - before, static_cast<int>(expected.size()));
      if (!slow) EXPECT_GT(added.nCount, before);  // the name's characters are not among the common ones
    }
  g_StartOption.English = english;
}

TEST_F(RankingView, ClearTimesTheSwitchHintAndTheMark) {
  const int x = 100, y = 40;
  cRankingData r;
  r.SetDefault();
  r.m_vecList.At(2).Insert("AAA", 12345);
  Modes({1, 0, 1, 0, 0});  // two kinds: the hint
  DrawRanking(r, &BackBuffer, x, y, 2, 0);
  // "02:03.45" from x + 144: eight cells.
  EXPECT_FALSE(TextAt(x, y, 8, 1));
  EXPECT_TRUE(TextAt(x, y, 9, 1));
  EXPECT_TRUE(TextAt(x, y, 16, 1));
  // The hint in the row after the last place, centred on x + 136.
  const int hintRow = y + 16 * 21;
  EXPECT_TRUE(Has(x + 136 - 16, hintRow, 32, 16, kText));
  EXPECT_TRUE(All(x, y + 16, 16, 16, kMark));
  EXPECT_FALSE(Has(x, y + 32, 16, 16, kMark));

  // A kind past the lists draws nothing.
  FillAll(BackBuffer, 0);
  DrawRanking(r, &BackBuffer, x, y, 5, 0);
  EXPECT_TRUE(All(0, 0, 640, 480, 0));
}

TEST_F(RankingView, ResultsPanelShowsTheKindsTheStageAndModeRank) {
  const int x = 336, y = 224;
  g_Progress.m_nScore = 12345;
  g_Progress.m_nTimeLeft = 77;
  g_Progress.m_nClearTime = 6000;
  g_Stage.m_vecRanking.assign({1, 1, 1, 0, 0});
  Modes({1, 0, 1, 1, 1});
  struct Case {
    const char* what;
    int cmdLine;
    int rows;
    std::vector<int> positions;
    int marks;
  } cases[] = {
      // Score and clear time: labels up to 5 characters, values up to 8.
      {"story", 0, 2, {0, -1, 3, -1, -1}, 2},
      // A stage from the command line ranks what the stage asks for.
      {"command line", 1, 3, {-1, -1, -1, -1, -1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_bCmdLineStage = c.cmdLine;
    FillAll(BackBuffer, 0);
    DrawModeTotals(&BackBuffer, x, y, c.positions);
    const int w = (8 + 5 + 3) * 16, h = c.rows * 16;
    EXPECT_TRUE(All(x - 1, y - 1, w + 2, 1, kFrame));
    EXPECT_TRUE(All(x - 1, y + h, w + 2, 1, kFrame));
    EXPECT_TRUE(All(x + w, y - 1, 1, h + 2, kFrame));
    for (int row = 0; row < c.rows; ++row) {
      EXPECT_TRUE(Has(x + 16, y + 16 * row, 16, 16, kText)) << row;             // label
      EXPECT_TRUE(Has(x + 32 + 5 * 16, y + 16 * row, 16, 16, kText)) << row;    // value
    }
    for (int m = 0; m < 3; ++m) EXPECT_EQ(All(x, y + 16 * m, 16, 16, kMark), m < c.marks) << m;
  }
  // No kind to show: nothing at all.
  g_bCmdLineStage = 0;
  Modes({0, 1, 0, 0, 0});
  g_Stage.m_vecRanking.assign({1, 0, 1, 1, 1});
  FillAll(BackBuffer, 0);
  DrawModeTotals(&BackBuffer, x, y, {0, 0, 0, 0, 0});
  EXPECT_TRUE(All(0, 0, 640, 480, 0));
}

TEST_F(RankingView, SlotListNumbersEveryRowAndDatesTheUsedOnes) {
  const int x = 160, y = 160;
  cCheckedVector<cSaveSlot> slots(kSaveSlotCount, cSaveSlot());
  slots.At(4).m_bExists = 1;
  const uint16_t when[8] = {2024, 5, 0, 6, 7, 8, 0, 0};
  std::copy(std::begin(when), std::end(when), slots.At(4).m_stTime);
  DrawSaveSlots(&BackBuffer, x, y, slots, 3, 3);  // slots 4, 5, 6
  for (int row = 0; row < 3; ++row) EXPECT_TRUE(TextAt(x, y, 1, row)) << row;
  EXPECT_FALSE(TextAt(x, y, 4, 0));
  EXPECT_TRUE(TextAt(x, y, 4, 1));  // the used slot's date
  EXPECT_FALSE(TextAt(x, y, 4, 2));
  // Lines between the rows, not after the last (seen in the first column,
  // where no text reaches).
  EXPECT_TRUE(All(x, y + 15, 16, 1, kFrame));
  EXPECT_TRUE(All(x, y + 31, 16, 1, kFrame));
  EXPECT_FALSE(Has(x, y + 47, 16, 1, kFrame));
}

}  // namespace
