#include "frontend/world_menu_scene.h"

#include <algorithm>
#include <string>

#include "frontend/menu_scene.h"
#include "frontend/save_slot.h"
#include "graphics/builtin_tables.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "records/progress_data.h"
#include "records/system_data.h"
#include "services/log.h"
#include "services/sound.h"
#include "services/strings.h"
#include "stage/hbt_palette.h"
#include "stage/menu_cursor.h"
#include "stage/scene_manager.h"
#include "stage/system_menu.h"

namespace {

constexpr int kMusicSlot = 1;
constexpr int kPictures[] = {45, 50, 49};  // window skin, symbols, accessories
constexpr int kPictureCount = static_cast<int>(sizeof kPictures / sizeof kPictures[0]);

constexpr int kMenuX = 264, kMenuY = 192;
constexpr int kListX = 152, kListY = 160, kListStep = 16;
constexpr int kCentreX = 320;
constexpr int kTotalY = 260, kSaveQuestionY = 400, kAutoSaveY = 224, kNoSlotY = 232, kTitleQuestionY = 224;
// System texts.
constexpr int kTextTotal = 4;
constexpr int kTextSave = 12;      // "セーブする", "やっぱりやめる"
constexpr int kTextAutoSave = 14;  // "オートセーブＯＮ", "オートセーブＯＦＦ"
constexpr int kTextNoSlot = 16;    // "保存先が不明です！…"
constexpr int kTextToTitle = 17;   // "タイトルへ戻る", "やっぱりやめる"

constexpr int kButtonConfirm = 1, kButtonCancel = 2;
constexpr int kSoundCursor = 0, kSoundConfirm = 1, kSoundCancel = 2, kSoundError = 3, kSoundSaved = 5;

// Every slot file has a header, so the list always has this many rows.
constexpr int kVisibleSlots = 10;

const std::string& Caption(int kind) { return g_SystemData.m_vecWorldMenu.At(kind).m_strCaption; }

// A two-line question box of System texts centred on x 320, its cursor
// moved by player 0's input.
int MoveQuestion(int text, int y) {
  const int x = g_SystemData.GetSystemMenuLeft(kCentreX, text, 2, 1);
  const uint16_t dir = MenuDir();
  g_Cursor.Move(dir, x, y, 0, 16, 1, 2);
  PlayCursorSE(&dir, 2, kSoundCursor);
  return x;
}

void DrawQuestion(int x, int y, int text, int count, int cursor) {
  DrawSystemMenu(g_SystemData, g_TextRenderer[1], &BackBuffer, x, y, text, count, cursor);
  if (cursor) DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
}

}  // namespace

const cWorldMenuScene::StateHandler cWorldMenuScene::m_StateTable[7] = {
    &cWorldMenuScene::FadeIn,        &cWorldMenuScene::StateMenu,      &cWorldMenuScene::StateSave,
    &cWorldMenuScene::StateAutoSave, &cWorldMenuScene::StateBackToMap, &cWorldMenuScene::StateToTitle,
    &cWorldMenuScene::FadeOut};

cWorldMenuScene::cWorldMenuScene() = default;

cWorldMenuScene::~cWorldMenuScene() { ReleaseScenePictures(kPictures, kPictureCount); }

void cWorldMenuScene::Update() { RunMenuSceneFrame(*this, 3); }

int cWorldMenuScene::SaveRun(int slot) {
  cProgressData& p = g_Progress;
  const int previous = p.m_nSaveSlot;
  // The file records the slot it is saved in.
  p.m_nSaveSlot = slot;
  if (SaveStorySlot(slot)) return 1;
  p.m_nSaveSlot = previous;
  return 0;
}

void cWorldMenuScene::Enter() {
  RequestSceneMusic(kMusicSlot);
  LoadScenePictures(kPictures, kPictureCount);
  const cCheckedVector<cCmd>& list = g_SystemData.m_vecWorldMenu;
  m_nItemCount = 0;
  for (int i = 0; i < list.Size() && m_nItemCount < 4; ++i)
    if (list.At(i).m_bEnable) m_nItemKind[m_nItemCount++] = i;
  if (m_nItemCount == 0) {
    m_nItemCount = 1;
    m_nItemKind[0] = kItemSave;
  }
  g_Cursor.Reset();
}

// ---- drawing --------------------------------------------------------------------

void cWorldMenuScene::DrawMenu() {
  cFont& font = g_TextRenderer[1];
  DDFillSurface(&BackBuffer, 16);
  int widest = 0;
  for (int i = 0; i < m_nItemCount; ++i) widest = std::max(widest, GetCharCount(Caption(m_nItemKind[i])));
  font.DrawWindow(&BackBuffer, kMenuX, kMenuY, (widest + 1) * 16, m_nItemCount * 16);
  for (int i = 0; i < m_nItemCount; ++i)
    font.DrawText(&BackBuffer, kMenuX + 16, kMenuY + i * 16, Caption(m_nItemKind[i]).c_str());
  const int total = g_Progress.m_nTotalScore;
  if (g_SystemData.m_bMenuShowTotal && total > 0) {
    const std::string& label = g_SystemData.m_vecText.At(kTextTotal);
    const std::string text = Format("%s%d", label.c_str(), total);
    const int w = (GetCharCount(label) + (static_cast<int>(text.size()) - static_cast<int>(label.size())) + 1) * 16;
    font.DrawWindowText(&BackBuffer, kCentreX - w / 2, kTotalY, w, 16, text.c_str());
  }
  CycleColors();
}

void cWorldMenuScene::DrawSlotList() {
  DDFillSurface(&BackBuffer, 16);
  DrawSaveSlots(&BackBuffer, kListX, kListY, g_vecSaveSlot, m_nListTop, m_nListRows);
}

// ---- states ---------------------------------------------------------------------

void cWorldMenuScene::FadeIn() {
  DrawMenu();
  DrawListCursor(kMenuX, kMenuY);
  if (StepSceneFadeIn()) m_nState = 1;
}

void cWorldMenuScene::StateMenu() {
  const uint16_t dir = MenuDir();
  const uint16_t buttons = MenuButtons();
  g_Cursor.Move(dir, kMenuX, kMenuY, 0, 16, 1, m_nItemCount);
  PlayCursorSE(&dir, 2, kSoundCursor);
  if (buttons & kButtonConfirm) {
    PlaySE(kSoundConfirm);
    const int row = std::clamp(g_Cursor.m_lpCur->nRow, 0, m_nItemCount - 1);
    m_nState = m_nItemKind[row] + 2;
    g_Cursor.Push(0);
  } else if (buttons & kButtonCancel) {
    PlaySE(kSoundCancel);
    m_nState = 4;
  }
  DrawMenu();
  DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
}

void cWorldMenuScene::StateSave() {
  const uint16_t dir = MenuDir();
  const uint16_t buttons = MenuButtons();
  if (m_nSubState == 0) {
    *g_Cursor.m_lpCur = MENUCURSOR{};
    g_Cursor.m_lpCur->nRow = g_Progress.m_nSaveSlot;
    ScanSaveSlots(g_vecSaveSlot);
    m_nListRows = std::min(kSaveSlotCount, kVisibleSlots);
    // The list cursor keeps the window inside the list on its first move.
    m_nListTop = g_Progress.m_nSaveSlot;
    m_nSubState = 1;
  }
  if (m_nSubState == 1) {
    g_Cursor.MoveList(dir, 1, &m_nListTop, kListY, kListStep, kListX, m_nListRows, kSaveSlotCount, 1);
    PlayCursorSE(&dir, 3, kSoundCursor);
    if (buttons & kButtonConfirm) {
      // The question answers presses from the next frame on.
      PlaySE(kSoundConfirm);
      g_Cursor.Push(0);
      g_Cursor.m_lpCur->nRow = 1;
      m_nSubState = 2;
      DrawSlotList();
      if (g_Cursor.m_lpPrev) DrawListCursor(g_Cursor.m_lpPrev->nX, g_Cursor.m_lpPrev->nY);
      CycleColors();
      return;
    } else if (buttons & kButtonCancel) {
      PlaySE(kSoundCancel);
      g_Cursor.Pop(1);
      m_nState = 1;
      m_nSubState = 0;
      DrawMenu();
      DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
      return;
    } else {
      DrawSlotList();
      DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
      CycleColors();
      return;
    }
  }
  if (m_nSubState != 2) return;
  const int x = MoveQuestion(kTextSave, kSaveQuestionY);
  bool close = true;
  if (buttons & kButtonConfirm) {
    if (g_Cursor.m_lpCur->nRow == 0) {
      // The slot under the list cursor, below the question's entry.
      const int slot = g_Cursor.m_lpPrev ? g_Cursor.m_lpPrev->nRow : 0;
      PlaySE(SaveRun(slot) ? kSoundSaved : kSoundError);
    } else {
      PlaySE(kSoundConfirm);
    }
  } else if (buttons & kButtonCancel) {
    PlaySE(kSoundCancel);
  } else {
    close = false;
  }
  if (close) {
    g_Cursor.Pop(1);
    m_nSubState = 1;
  }
  DrawSlotList();
  if (close) {
    DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
  } else {
    DrawQuestion(x, kSaveQuestionY, kTextSave, 2, 1);
    if (g_Cursor.m_lpPrev) DrawChosenMark(g_Cursor.m_lpPrev->nX, g_Cursor.m_lpPrev->nY);
  }
  CycleColors();
}

void cWorldMenuScene::StateAutoSave() {
  const uint16_t buttons = MenuButtons();
  cProgressData& p = g_Progress;
  if (m_nSubState == 0) {
    *g_Cursor.m_lpCur = MENUCURSOR{};
    g_Cursor.m_lpCur->nRow = p.m_bAutoSave ? 0 : 1;
    m_nSubState = p.m_nSaveSlot == -1 ? 2 : 1;
  }
  bool close = false;
  if (m_nSubState == 1) {
    const int x = MoveQuestion(kTextAutoSave, kAutoSaveY);
    if (buttons & kButtonConfirm) {
      close = true;
      if (g_Cursor.m_lpCur->nRow == 0) {
        // The switch is kept in the run's record: it holds only once saved.
        const int previous = p.m_bAutoSave;
        p.m_bAutoSave = 1;
        if (SaveRun(p.m_nSaveSlot)) {
          PlaySE(kSoundConfirm);
        } else {
          p.m_bAutoSave = previous;
          PlaySE(kSoundError);
        }
      } else {
        p.m_bAutoSave = 0;
        PlaySE(kSoundConfirm);
      }
    } else if (buttons & kButtonCancel) {
      close = true;
      PlaySE(kSoundCancel);
    } else {
      DDFillSurface(&BackBuffer, 16);
      DrawQuestion(x, kAutoSaveY, kTextAutoSave, 2, 1);
    }
  } else if (m_nSubState == 2) {
    if (buttons & kButtonConfirm) {
      close = true;
      PlaySE(kSoundConfirm);
    } else if (buttons & kButtonCancel) {
      close = true;
      PlaySE(kSoundCancel);
    } else {
      DDFillSurface(&BackBuffer, 16);
      DrawQuestion(g_SystemData.GetSystemMenuLeft(kCentreX, kTextNoSlot, 1, 0), kNoSlotY, kTextNoSlot, 1, 0);
    }
  }
  if (close) {
    g_Cursor.Pop(1);
    m_nSubState = 0;
    m_nState = 1;
    DrawMenu();
    DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
    return;
  }
  CycleColors();
}

void cWorldMenuScene::StateBackToMap() {
  m_nSubState = 0;
  m_nState = 6;
  g_SceneManager.m_nNextScene = SCENE_WORLDMAP;
  DrawMenu();
}

void cWorldMenuScene::StateToTitle() {
  const uint16_t buttons = MenuButtons();
  if (m_nSubState == 0) {
    *g_Cursor.m_lpCur = MENUCURSOR{};
    g_Cursor.m_lpCur->nRow = 1;
    m_nSubState = 1;
  }
  const int x = MoveQuestion(kTextToTitle, kTitleQuestionY);
  if ((buttons & kButtonConfirm) && g_Cursor.m_lpCur->nRow == 0) {
    PlaySE(kSoundConfirm);
    m_nState = 6;
    g_SceneManager.m_nNextScene = SCENE_TITLE;
  } else if (buttons & (kButtonConfirm | kButtonCancel)) {
    PlaySE((buttons & kButtonConfirm) ? kSoundConfirm : kSoundCancel);
    g_Cursor.Pop(1);
    m_nSubState = 0;
    m_nState = 1;
    DrawMenu();
    DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
    return;
  }
  DDFillSurface(&BackBuffer, 16);
  DrawQuestion(x, kTitleQuestionY, kTextToTitle, 2, 1);
  CycleColors();
}

void cWorldMenuScene::FadeOut() {
  if (!StepSceneFadeOut()) return;
  FinishSceneFadeOut(SCENE_WORLDMENU, false);
  m_nState = -1;
}
