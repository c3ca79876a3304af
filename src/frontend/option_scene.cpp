#include "frontend/option_scene.h"

#include <string>

#include "frontend/menu_scene.h"
#include "frontend/title_scene.h"
#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/font.h"
#include "graphics/surface.h"
#include "records/cmd_entry.h"
#include "records/option_data.h"
#include "records/system_data.h"
#include "services/bgm.h"
#include "services/log.h"
#include "services/sound.h"
#include "services/strings.h"
#include "services/window_requests.h"
#include "stage/hbt_palette.h"
#include "stage/menu_cursor.h"
#include "stage/scene_manager.h"

namespace {

constexpr int kOptionPictures[] = {49, 45};  // bmp\Accessory.bmp, bmp\Window.bmp
constexpr const char* kOptionDataPath = "user_data\\Option.dat";
constexpr int kSoundSaveFailed = 3;
constexpr int kMenuX = 48, kMenuY = 96, kRowHeight = 16;
constexpr int kCaptionX = 64, kValueX = 208, kValueCursorX = 192;

struct EditRange {
  int* value;
  int minimum, maximum;
};

EditRange RangeOf(int kind) {
  cOptionData& o = g_OptionData;
  switch (kind) {
    case OPTION_COLOR_SET: return {&o.m_nColorSet, 0, 23};
    case OPTION_MUSIC: return {&o.m_bMusic, 0, 1};
    case OPTION_SE_VOLUME: return {&o.m_nSeVolume, 0, kSeVolumeStepCount - 1};
    case OPTION_ENTRY_MODE: return {&o.m_nEntryMode, 0, 3};
    default: return {nullptr, 0, 0};
  }
}

std::string ValueText(int kind) {
  const cOptionData& o = g_OptionData;
  switch (kind) {
    case OPTION_COLOR_SET: return std::to_string(o.m_nColorSet);
    case OPTION_MUSIC: return o.m_bMusic ? "ON" : "OFF";
    case OPTION_SE_VOLUME: return std::to_string(o.m_nSeVolume);
    case OPTION_ENTRY_MODE: {
      // Option.dat is not checked when it is read: a mode the project has
      // no text for shows none rather than closing the game.
      const cCheckedVector<std::string>& texts = g_SystemData.m_vecEntryModeText;
      const int mode = o.m_nEntryMode;
      return mode >= 0 && mode < texts.Size() ? texts[static_cast<size_t>(mode)] : std::string();
    }
    case OPTION_PLAYER_NAME: return o.m_strPlayerName;
    default: return std::string();
  }
}

// Music switched on or off takes effect when the screen is left; the next
// scene then asks for its music again.
void ApplyMusicSetting() {
  const bool active = g_Bgm.IsInitialised();
  if (active && !g_OptionData.m_bMusic) {
    g_Bgm.Release();
    g_SceneManager.m_nBgm = 0;
  } else if (!active && g_OptionData.m_bMusic) {
    g_Bgm.Release();
    g_Bgm.Init(1, g_szBgmOggFile, g_szBgmMidiFile, kBgmSlotCount);
    g_SceneManager.m_nBgm = 0;
  }
}

}  // namespace

const cOptionScene::StateHandler cOptionScene::m_StateTable[3] = {&cOptionScene::FadeIn, &cOptionScene::StateMenu,
                                                                    &cOptionScene::FadeOut};

cOptionScene::~cOptionScene() {
  ReleaseScenePictures(kOptionPictures, static_cast<int>(std::size(kOptionPictures)));
}

void cOptionScene::Update() { RunMenuSceneFrame(*this, 3); }

void cOptionScene::ApplyOption(int kind) {
  if (kind == OPTION_COLOR_SET) {
    LoadHbtPalette(g_OptionData.m_nColorSet);
  } else if (kind == OPTION_SE_VOLUME) {
    const int volume = GetSeVolume(g_OptionData.m_nSeVolume);
    for (DSSOUNDDATA& sound : g_vecSound) DSSetVolume(&sound, 0, volume, 0);
  }
}

void cOptionScene::Enter() {
  RequestSceneMusic(3);
  LoadScenePictures(kOptionPictures, static_cast<int>(std::size(kOptionPictures)));
  g_Cursor.Reset();
  m_nItemCount = 0;
  const cCheckedVector<cCmd>& menu = g_SystemData.m_vecOptionMenu;
  for (int kind = 0; kind < OPTION_ITEM_KINDS && kind < menu.Size(); ++kind)
    if (menu.At(kind).m_bEnable) m_nItemKind[m_nItemCount++] = kind;
  if (m_nItemCount == 0) {
    m_nItemKind[0] = OPTION_COLOR_SET;
    m_nItemCount = 1;
  }
  if (CreateSceneSurface(640, 480, 0)) DrawScreen();
  m_nSubState = 0;
}

void cOptionScene::DrawScreen() {
  DDSURFACEDATA* screen = SceneSurface();
  if (!screen) return;
  cFont& large = g_TextRenderer[2];
  cFont& small = g_TextRenderer[1];
  large.DrawWindow(screen, 1, 1, 638, 478);
  const std::string& title = g_SystemData.m_vecTitleMenu.At(TITLE_OPTIONS).m_strCaption;
  large.DrawTextF(screen, 320 - GetCharCount(title) * 16, 32, "%s", title.c_str());
  const cCheckedVector<cCmd>& menu = g_SystemData.m_vecOptionMenu;
  for (int i = 0; i < m_nItemCount; ++i) {
    const int kind = m_nItemKind[i];
    const int y = kMenuY + kRowHeight * i;
    small.DrawText(screen, kCaptionX, y, menu.At(kind).m_strCaption.c_str());
    small.DrawText(screen, kValueX, y, ValueText(kind).c_str());
  }
  screen->bLost = 0;
}

void cOptionScene::ShowScreen() {
  DDSURFACEDATA* screen = SceneSurface();
  if (!screen) return;
  if (screen->bLost) DrawScreen();
  DDBlt(&BackBuffer, 0, 0, 640, 480, screen, 0, 0, 0);
}

void cOptionScene::FadeIn() {
  // The screen's colours come from the palette the fade is changing.
  if (!g_bD3D && g_nBpp == 8) DrawScreen();
  ShowScreen();
  CycleColors();
  if (StepSceneFadeIn()) m_nState = 1;
}

void cOptionScene::FadeOut() {
  if (!StepSceneFadeOut()) return;
  ApplyMusicSetting();
  if (!g_OptionData.SaveToFile(kOptionDataPath)) {
    PlaySE(kSoundSaveFailed);
    ReportError("%s の保存に失敗しました！", kOptionDataPath);
  }
  FinishSceneFadeOut(SCENE_OPTION, true);
}

void cOptionScene::StateMenu() {
  if (m_nSubState == 0) {
    *g_Cursor.m_lpCur = MENUCURSOR{};
    m_nSubState = 1;
  }
  if (m_nSubState == 1)
    ChooseItem();
  else if (m_nSubState == 2)
    EditValue();
}

void cOptionScene::ChooseItem() {
  const uint16_t dir = MenuDir();
  g_Cursor.Move(dir, kMenuX, kMenuY, 0, kRowHeight, 1, m_nItemCount);
  PlayCursorSE(&dir, 2, 0);
  const uint16_t buttons = MenuButtons();
  if (buttons & 1) {
    PlaySE(1);
    const int row = g_Cursor.m_lpCur->nRow;
    m_nEditKind = row >= 0 && row < m_nItemCount ? m_nItemKind[row] : OPTION_EXIT;
    const EditRange range = RangeOf(m_nEditKind);
    if (range.value) {
      m_pEditValue = range.value;
      m_nEditMin = range.minimum;
      m_nEditMax = range.maximum;
      m_nEditOld = *m_pEditValue;
      g_Cursor.Push(0);
      m_nSubState = 2;
      DrawEditFrame();
      return;
    }
    if (m_nEditKind == OPTION_PLAYER_NAME) {
      // The name dialog runs on the window thread while this one waits.
      SendWindowRequest(WM_T4_NAMEENTRY);
      DrawScreen();
    } else {
      g_SceneManager.m_nNextScene = SCENE_TITLE;
      m_nSubState = 0;
      m_nState = 2;
      return;
    }
  } else if (buttons & 2) {
    PlaySE(2);
    g_SceneManager.m_nNextScene = SCENE_TITLE;
    m_nSubState = 0;
    m_nState = 2;
    return;
  }
  ShowScreen();
  DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
}

void cOptionScene::EditValue() {
  if (!m_pEditValue) return;
  // Held directions repeat here: the value runs while the key is held.
  const uint16_t dir = MenuDir();
  int value = *m_pEditValue;
  if (dir & 4)
    ++value;
  else if (dir & 8)
    --value;
  if (value != *m_pEditValue) {
    if (value > m_nEditMax)
      value = m_nEditMin;
    else if (value < m_nEditMin)
      value = m_nEditMax;
    *m_pEditValue = value;
    ApplyOption(m_nEditKind);
    DrawScreen();
  }
  PlayCursorSE(&dir, 2, 0);
  const uint16_t buttons = MenuButtons();
  if (buttons & 1) {
    PlaySE(1);
    g_Cursor.Pop(1);
    m_nSubState = 1;
  } else if (buttons & 2) {
    PlaySE(2);
    *m_pEditValue = m_nEditOld;
    ApplyOption(m_nEditKind);
    g_Cursor.Pop(1);
    m_nSubState = 1;
    DrawScreen();
  }
  if (m_nSubState == 1) {
    ShowScreen();
    DrawListCursor(g_Cursor.m_lpCur->nX, g_Cursor.m_lpCur->nY);
    return;
  }
  DrawEditFrame();
}

void cOptionScene::DrawEditFrame() {
  ShowScreen();
  // The item keeps its mark at the menu's cursor, one entry down the stack.
  const MENUCURSOR* item = g_Cursor.m_lpPrev ? g_Cursor.m_lpPrev : g_Cursor.m_lpCur;
  DrawChosenMark(item->nX, item->nY);
  DrawListCursor(kValueCursorX, item->nY);
}
