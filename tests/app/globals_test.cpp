// The global objects as the program finds them when its main function
// starts, and their destruction at exit. Each check runs in a fresh child
// process (a re-run of this test binary), so no other test has touched the
// globals yet.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/builtin_tables.h"
#include "services/game_threads.h"
#include "app/globals.h"
#include "app/main_window.h"
#include "stage/menu_cursor.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "frontend/save_slot.h"
#include "graphics/font.h"
#include "objects/chara.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "records/database.h"
#include "records/effect_state.h"
#include "records/option_data.h"
#include "records/palette_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "services/bgm.h"
#include "services/input.h"
#include "services/sound.h"
#include "stage/block_cell.h"
#include "stage/replay_data.h"

namespace {

// The record's body as it would be written.
template <class R>
std::vector<uint8_t> BodyOf(const R& record) {
  R copy = record;
  cRecordWriter out;
  copy.Save(out);
  return out.Data();
}

bool IsZeroSurface(const DDSURFACEDATA& sd) {
  return !sd.lpDT && !sd.lpDD && !sd.szName[0] && !sd.szFileName[0] && sd.nWidth == 0 && sd.nHeight == 0 &&
         !sd.lpBaseSD && sd.bLost == 0;
}

// Every difference from the state at the start, one line each.
std::string StartStateDifferences() {
  std::string out;
  auto expect = [&out](bool ok, const char* what) {
    if (!ok) out += std::string(what) + "\n";
  };

  expect(g_vecDialog.windows.empty() && g_vecDialog.dialogs.empty(), "g_vecDialog: both lists empty");
  expect(g_MainWindow.m_hWnd == nullptr, "g_MainWindow: no window");
  for (cThread* t : {&thGame, &thPause, &thRanking, &thLoad})
    expect(!t->IsRunning() && t->m_dwThreadId == 0, "thread objects: no thread");

  expect(g_Cursor.m_vecStack.size() == 1, "g_Cursor: exactly one entry");
  if (!g_Cursor.m_vecStack.empty()) {
    const MENUCURSOR& c = g_Cursor.m_vecStack[0];
    expect(c.nCol == 0 && c.nRow == 0 && c.nX == 0 && c.nY == 0, "g_Cursor: the entry is (0, 0, 0, 0)");
    expect(g_Cursor.m_lpCur == &g_Cursor.m_vecStack[0], "g_Cursor: the entry is current");
  }
  expect(g_Cursor.m_lpPrev == nullptr, "g_Cursor: no previous entry");

  expect(g_vecInput.size() == 1, "g_vecInput: exactly one record");
  if (!g_vecInput.empty()) {
    const cInput fresh;
    const cInput& in = g_vecInput[0];
    expect(in.m_wDir == fresh.m_wDir && in.m_nDirCode == fresh.m_nDirCode &&
               in.m_dwRepeatDelay == fresh.m_dwRepeatDelay && in.m_dwRepeatInterval == fresh.m_dwRepeatInterval,
           "g_vecInput: the record as cInput's constructor leaves it");
  }

  expect(g_vecCharaExcSD.empty() && g_vecCharaExcSDDef.empty() && g_vecSwordSD.empty() && g_vecSwordSDDef.empty() &&
             g_vecEffectSD.empty() && g_vecEffectSDDef.empty() && g_vecSceneSD.empty() && g_vecSceneSDDef.empty() &&
             g_lstPictureSD.empty() && g_lstPictureSDDef.empty() && Off_Msg.empty() && g_lstMsgSDDef.empty(),
         "surface containers: empty");
  bool zero = true;
  for (const DDSURFACEDATA& sd : g_SD) zero = zero && IsZeroSurface(sd);
  for (const DDSURFACEDATA& sd : g_NumberSD) zero = zero && IsZeroSurface(sd);
  for (const cFont& f : g_TextRenderer) zero = zero && !f.hFont.IsValid() && IsZeroSurface(f.Work) && !f.lpSkinSD;
  expect(zero, "g_SD, g_NumberSD, g_TextRenderer: every element zero");
  expect(std::strcmp(g_SDDef[0].szFileName, "bmp\\plt\\Palette.bmp") == 0 && std::strcmp(g_SDDef[70].szFileName, "E") == 0 &&
             g_SDDef[70].nWidth == 1024,
         "g_SDDef: filled");
  expect(g_FontDef[0].nHeight == 9 && g_FontDef[2].nHeight == 30 && g_NumberSDDef[2].bTransmit == 1,
         "g_FontDef, g_NumberSDDef: filled");

  expect(g_vecSound.empty() && g_vecSoundFile.empty(), "sound slots: empty");
  expect(g_Bgm.CurrentSlot() == -1, "g_Bgm: no current slot");

  expect(BodyOf(g_CommonPalette) == BodyOf(cPaletteData()), "g_CommonPalette: defaults");
  expect(BodyOf(g_SystemData) == BodyOf(cSystemData()), "g_SystemData: defaults");
  expect(BodyOf(g_Database) == BodyOf(cDatabase()), "g_Database: defaults");
  expect(g_AnimePatternTable.empty() && g_EffectPatternTable.empty(), "pattern tables: empty");
  expect(g_CharaEffectStates.forward.empty() && g_CharaEffectStates.reverse.empty() &&
             g_ScrEffectStates.forward.empty() && g_ScrEffectStates.reverse.empty(),
         "effect state tables: empty");
  for (const cReplayData* r : {&g_Replay, &g_ReplayPrev})
    expect(r->m_nSeed == 0 && r->m_vecDirValue.empty() && r->m_vecButtonValue.empty() && r->m_vecDirRun.empty() &&
               r->m_vecButtonRun.empty() && r->m_nDirIndex == 0 && r->m_nButtonIndex == 0 && r->m_nDirCounter == 0 &&
               r->m_nButtonCounter == 0,
           "replays: empty");
  expect(Player.empty() && g_vecBlockMap.empty() && g_lstChara.empty() && g_lstItem.empty(), "stage objects: none");
  expect(BodyOf(g_Stage) == BodyOf(cStageData()) && BodyOf(g_StageStart) == BodyOf(cStageData()), "stages: defaults");
  expect(BodyOf(g_WorldMap) == BodyOf(cWorldMapData()), "g_WorldMap: defaults");
  for (const cProgressData* p : {&g_Progress, &g_ProgressReplay, &g_ProgressReplayPrev})
    expect(BodyOf(*p) == BodyOf(cProgressData()) && p->m_strRankingName == "aaa" && p->m_nSaveSlot == -1,
           "progress records: defaults");
  expect(BodyOf(g_OptionData) == BodyOf(cOptionData()), "g_OptionData: defaults");

  expect(g_vecSaveSlot.size() == 99, "g_vecSaveSlot: exactly 99 headers");
  for (const cSaveSlot& slot : g_vecSaveSlot) expect(slot.m_bExists == 0, "g_vecSaveSlot: none saved");

  expect(g_Ranking.m_vecList.size() == 5, "g_Ranking: five lists");
  for (size_t k = 0; k < g_Ranking.m_vecList.size(); ++k) {
    const cRankingList& list = g_Ranking.m_vecList[k];
    expect(list.m_vecEntry.empty(), "g_Ranking: every list empty");
    expect(list.m_bHighFirst == (k == 2 ? 0 : 1), "g_Ranking: only list 2 ranks the lower value first");
  }
  return out;
}

TEST(GlobalObjectsDeathTest, EveryObjectIsInItsStartStateWhenTheProgramBegins) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const std::string diff = StartStateDifferences();
        std::fputs(diff.c_str(), stderr);
        std::fflush(stderr);
        std::_Exit(diff.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// A text renderer still in the font list at exit leaves it in its
// destructor, after every static made later is gone: the list must still
// be there (the sanitizer build reports a use after free otherwise).
TEST(GlobalObjectsDeathTest, ExitDestroysARendererStillInTheFontList) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        FontList().push_back(&g_TextRenderer[1]);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
