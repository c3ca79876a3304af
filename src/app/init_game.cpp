#include "app/init_game.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/boot_dialog.h"
#include "graphics/builtin_tables.h"
#include "services/game_threads.h"
#include "app/globals.h"
#include "stage/hbt_palette.h"
#include "app/main_window.h"
#include "app/project_paths.h"
#include "stage/game_scene.h"
#include "stage/scene_manager.h"
#include "app/screen_mode.h"
#include "platform/messages.h"
#include "records/start_option.h"
#include "records/window_data.h"
#include "flow/cmd_param_table.h"
#include "flow/flow_records.h"
#include "stage/free_stage.h"
#include "graphics/bitmap_load.h"
#include "graphics/colorkey.h"
#include "graphics/display.h"
#include "graphics/font.h"
#include "graphics/palette.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/random.h"
#include "platform/video.h"
#include "records/database.h"
#include "records/effect_state.h"
#include "records/option_data.h"
#include "records/palette_data.h"
#include "records/record.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "services/bgm.h"
#include "services/input.h"
#include "services/keyboard_hook.h"
#include "services/keyconfig.h"
#include "services/log.h"
#include "services/sound.h"
#include "services/strings.h"

namespace {

// Show commands of the window.
constexpr int kShowMaximized = 3;
// The resizable frame of the main window's style.
constexpr uint32_t kStyleThickFrame = 0x00040000u;

constexpr const char* kSystemDataPath = "data\\System.dat";
constexpr const char* kWorldMapPath = "data\\WorldMap.dat";
constexpr const char* kCommonPalettePath = "data\\CommonPalette.cplt4";
constexpr const char* kWindowDataPath = "user_data\\Window.dat";
constexpr const char* kKeyConfigPath = "user_data\\KeyConfig.dat";
constexpr const char* kOptionDataPath = "user_data\\Option.dat";
constexpr const char* kTextureErrorText =
    "テクスチャの作成に失敗しました！\nビデオカードの性能が十分ではないかもしれません。\n"
    "System.iniファイルで「Direct3D=0」に変更してDirect3Dを無効にすれば改善される可能性があります。";

// The display exists (UnInitGame releases it only then).
bool g_bDisplayUp = false;

// A failure the start-up would only write to the switched-off debug log:
// it goes to the report log too, so a player can see why the game ended.
bool Fail(const char* what) {
  WriteECLog(what);
  ReportError("%s", what);
  return false;
}

void ShowMainWindow(HWND hwnd, int showCmd, bool fullScreen) {
  if (fullScreen) plat::SetFullscreen(hwnd, true);
  plat::ShowWindow(hwnd);
  if (!fullScreen && showCmd == kShowMaximized) plat::MaximizeWindow(hwnd);
}

bool InitDisplay(HWND hwnd, const ScreenMode& mode, int showCmd) {
  const int depth = mode.depth;
  auto init = [&] {
    return DDInit(g_StartOption.Direct3D, hwnd, 640, 480, depth, mode.vsync, g_bWindowMode, 1, 60, mode.vsync, g_SD,
                  g_SDDef, kBuiltInSurfaceCount, 0);
  };
  if (init()) return true;
  if (!g_StartOption.Direct3D) return Fail("DDInit失敗");
  // Direct3D could not be set up: the same mode with DirectDraw, silently.
  DDRelease();
  g_StartOption.Direct3D = 0;
  ShowMainWindow(hwnd, g_bWindowMode ? showCmd : kShowMaximized, !g_bWindowMode);
  if (init()) return true;
  return Fail("DDInit失敗");
}

// Every backend: palette numbers are how the game names its colours, so a
// DirectDraw display at 16 or 32 bits without the loaded palette would draw
// every text, window and fill in black, and its sheets need their key too.
bool InitPaletteAndKey() {
  if (!DDLoadPaletteFromFile(g_Palette, g_SDDef, g_bWindowMode)) return Fail("DDLoadPaletteFromFile失敗");
  std::copy(g_Palette, g_Palette + 256, g_PaletteWork);
  const cSystemData& sys = g_SystemData;
  if (sys.m_nPaletteMode == 0) {
    if (!DDSetTransmitFromFile(g_SDDef)) return Fail("DDSetTransmit失敗");
  } else if (g_nBpp == 16) {
    if (!DDSetTransmitFromFile(g_SDDef)) return Fail("DDSetTransmit失敗");
    // The sheets are 24-bit: the key they were drawn with is the project's
    // colour, whatever the palette bitmap's corner holds.
    const RGBTRIPLE key{sys.m_cbTransmitBlue, sys.m_cbTransmitGreen, sys.m_cbTransmitRed};
    if (lpDTCon)
      lpDTCon->rgbTransmitSrc = key;
    else if (g_lpDDCon)
      g_lpDDCon->rgbTransmitSrc = key;
  } else {
    DDSetTransmit(sys.m_cbTransmitRed, sys.m_cbTransmitGreen, sys.m_cbTransmitBlue);
  }
  return true;
}

bool InitFonts() {
  const char* face = GetFontFaceName(g_SystemData.m_nFontFace);
  for (FONTDEF& def : g_FontDef) {
    std::strncpy(def.szFace, face, sizeof(def.szFace) - 1);
    def.szFace[sizeof(def.szFace) - 1] = '\0';
    if (def.bFastFont == 2) def.bFastFont = g_bD3D ? g_StartOption.D3D_FontCache : g_StartOption.DD_FontCache;
  }
  if (!CreateFonts(g_TextRenderer, g_FontDef, kBuiltInFontCount)) return Fail("CreateFonts失敗");
  g_TextRenderer[1].bIcon = g_SystemData.m_bTextIcon;
  g_TextRenderer[1].bCentre = g_SystemData.m_bGlyphCentre;
  if (!CreateNumberSurfaces(g_NumberSD, g_NumberSDDef, kBuiltInFontCount, g_TextRenderer, g_FontDef))
    return Fail("CreateNumberSurfaces失敗");
  return true;
}

// The stage path of the command line or the FreeStage option. True when
// start-up goes on (to the title or into the stage), false when the stage
// was found but could not be loaded.
bool StartStagePath() {
  std::string path = g_StartOption.FreeStage;
  if (path.empty()) return true;
  // Only the newest numbered file of the name is ever loaded, so that is
  // the file that has to exist.
  std::string resolved;
  if (!FindLastNumberedFile(resolved, path, "stg4") || !plat::FileExists(resolved)) {
    ReportError("「%s」の読み込みに失敗しました！", path.c_str());
    g_StartOption.FreeStage[0] = '\0';
    return true;
  }
  std::strncpy(g_StartOption.FreeStage, resolved.c_str(), kFreeStageSize - 1);
  g_StartOption.FreeStage[kFreeStageSize - 1] = '\0';
  g_bCmdLineStage = 1;
  if (!StartFreeStage(g_StartOption.FreeStage, 1)) return false;
  g_bChallengePlay = 0;
  g_SceneManager.m_nGameMode = 2;
  g_SceneManager.m_bRanking = 1;
  g_SceneManager.m_nTitleChoice = 3;
  g_SceneManager.m_nScene = 4;
  g_SceneManager.m_nPrevScene = 0;
  return true;
}

}  // namespace

void FillSoundSlots() {
  const int entries = static_cast<int>(g_Database.m_vecSound.size());
  // Entry 0 is never a slot, so an (unusual) empty database must still
  // leave room for every system sound.
  const int n = std::max(entries + 16, kSystemSoundCount);
  g_vecSound.resize(static_cast<size_t>(n));
  g_vecSoundFile.resize(static_cast<size_t>(n));
  auto fill = [](DSSOUNDDEF& def, const std::string& file) {
    def = DSSOUNDDEF{};
    std::strncpy(def.szFileName, file.c_str(), sizeof(def.szFileName) - 1);
    def.nBufferNum = 1;
    def.nVolume = 0;
    def.bChecked = 1;
  };
  const auto& files = g_SystemData.m_vecSoundFile;
  for (int id = 0; id < kSystemSoundCount; ++id)
    fill(g_vecSoundFile[static_cast<size_t>(id)], id < static_cast<int>(files.size()) ? files.At(id) : std::string());
  for (int k = 1; k < entries; ++k) fill(g_vecSoundFile[static_cast<size_t>(16 + k)], g_Database.m_vecSound.At(k).m_strFile);
}

bool InitGame(const char* cmdLine, int showCmd) {
  plat::SeedRand(plat::timeGetTime());
  g_dwDataVersion = 778;
  g_bDeleteCR = 1;
  InitCmdParamTable();

  HWND hwnd = g_MainWindow.m_hWnd;
  if (!CreateDefaultData(hwnd)) {
    // Closed while it asked: nothing failed.
    if (plat::IsClosing()) return false;
    ReportErrorBox("「data」フォルダの作成に失敗…\n「default」フォルダに問題がある可能性があります。");
    return false;
  }
  CreateProjectFolders();
  RemoveSaveLeftovers();

  if (!g_Database.LoadAll()) {
    ReportErrorBox("データベースの読み込みに失敗…");
    return false;
  }
  g_Database.FillReverseCopies();
  BuildAnimePatternTable(g_AnimePatternTable);
  BuildEffectPatternTable(g_EffectPatternTable);
  BuildCharaEffectStates(g_CharaEffectStates.forward, g_CharaEffectStates.reverse);
  BuildScrEffectStates(g_ScrEffectStates.forward, g_ScrEffectStates.reverse);

  if (!g_SystemData.LoadFromFile(kSystemDataPath)) {
    ReportErrorBox("%s の読み込みに失敗…", kSystemDataPath);
    return false;
  }
  // Before any chara template or stage is read.
  g_bKeepTestPlayFlows = g_SystemData.m_bKeepTestFlow;

  SetStartOptionDefaults(g_StartOption, g_SystemData.m_vecStartOption);
  if (!ReadSystemIni("System.ini", g_StartOption, g_SystemData.m_vecStartOption)) {
    ReportErrorBox("System.ini の読み込みに失敗しました！");
    SetStartOptionDefaults(g_StartOption, g_SystemData.m_vecStartOption);
  }
  // The start-up dialog is drawn inside the game window, which must be on
  // screen for the player to answer it.
  if (g_StartOption.Direct3D >= 2) plat::ShowWindow(hwnd);
  if (!ChooseDrawMode(g_StartOption, g_SystemData.m_strTitle)) return false;

  if (cmdLine && *cmdLine) {
    // The option field holds 259 bytes and its terminator: a longer path
    // would name another file once cut, so it is refused.
    if (std::strlen(cmdLine) >= static_cast<size_t>(kFreeStageSize)) {
      ReportError("「%s」の読み込みに失敗しました！", cmdLine);
      g_StartOption.FreeStage[0] = '\0';
    } else {
      std::strcpy(g_StartOption.FreeStage, cmdLine);
    }
  }

  g_SceneManager.m_nFps = 60;
  g_SceneManager.m_nFadeSpeed = 10;
  InitMenuAnchors();
  for (cInput& input : g_vecInput) input.SetRepeat(18, 6);

  ScreenModeRequest request;
  request.direct3D = g_StartOption.Direct3D;
  request.windowMode = g_StartOption.WindowMode;
  request.bpp = g_StartOption.Bpp;
  request.vsync = g_StartOption.VSync;
  request.paletteMode = g_SystemData.m_nPaletteMode;
  request.d3dDepth = g_SystemData.m_nD3DDepth;
  request.ddDepth = g_SystemData.m_nDDDepth;
  request.desktopBpp = request.windowMode ? DDGetDesktopBpp() : 0;
  request.osAtLeast60 = IsOSVersionAtLeast(6, 0);
  const ScreenMode mode = CheckScreenMode(request);
  g_bWindowMode = mode.windowMode;
  if (mode.error) {
    ErrorBoxf("%s", mode.error);
    return false;
  }
  if (g_StartOption.Direct3D && g_StartOption.WindowMode == 2) {
    g_MainWindow.AddStyle(kStyleThickFrame);
    plat::SetResizable(hwnd, true);
  }

  g_MainWindow.Setup(hwnd);
  g_hWnd = hwnd;
  plat::SetWindowTitle(hwnd, g_SystemData.m_strTitle);

  if (mode.depth == 8) g_StartOption.DD_VideoStretch = 0;
  if (!InitDisplay(hwnd, mode, showCmd)) return false;
  g_bDisplayUp = true;
  if (g_bD3D) {
    if (lpDTCon) lpDTCon->strError = kTextureErrorText;
    LinkBaseSurfaces();
  }

  if (g_bWindowMode) {
    int desktopW = 0, desktopH = 0;
    plat::GetDesktopSize(&desktopW, &desktopH);
    if (g_WindowData.Load(kWindowDataPath, desktopW, desktopH)) {
      plat::SetWindowPos(hwnd, g_WindowData.m_nX, g_WindowData.m_nY);
      if (g_bD3D && g_StartOption.WindowMode == 2)
        plat::SetClientSize(hwnd, g_WindowData.m_nWidth, g_WindowData.m_nHeight);
      if (g_WindowData.m_bMaximized) showCmd = kShowMaximized;
    }
  }
  ShowMainWindow(hwnd, showCmd, !g_bWindowMode);
  WriteDisplayReport(1);
  WriteECLog("DDInit成功");

  if (!InitPaletteAndKey()) return false;
  WriteECLog("1");
  if (!g_bD3D) {
    if (g_bWindowMode)
      g_bBlitPresent = 1;
    else
      g_bBlitPresent = !mode.vsync || DDGetMonitorFrequency() < static_cast<unsigned>(g_SceneManager.m_nFps);
  }

  const int first[] = {1};
  if (!DDLoadSurfaces(g_SD, first, 1)) return Fail("DDLoadSurfaces失敗");
  if (!InitFonts()) return false;

  WriteECLog("3");
  for (cInput& input : g_vecInput) input.InitJoyButtons();
  if (!LoadKeyConfig(kKeyConfigPath, &g_KeyConfig)) SetDefaultKeyConfig(&g_KeyConfig);
  g_OptionData.LoadFromFile(kOptionDataPath);

  if (g_nBpp == 8) {
    const int colourSet = std::clamp(g_OptionData.m_nColorSet, 0, 23);
    if (!LoadHbtPalette(colourSet)) return Fail("LoadHbtPalette失敗");
  }
  if (g_OptionData.m_bMusic) g_Bgm.Init(1, g_szBgmOggFile, g_szBgmMidiFile, kBgmSlotCount);

  FillSoundSlots();
  if (!DS_Init(hwnd, 22050, 8, 1)) return Fail("DS_Init失敗！");
  WriteECLog("DSCreate");
  DSCreate(&g_vecSound, &g_vecSoundFile, GetSeVolume(g_OptionData.m_nSeVolume));

  if (!g_WorldMap.LoadFromFile(kWorldMapPath)) {
    ReportErrorBox("%s のロードに失敗！", kWorldMapPath);
    return false;
  }
  if (!g_CommonPalette.LoadFromFile(kCommonPalettePath)) {
    ReportErrorBox("%s のロードに失敗！", kCommonPalettePath);
    return false;
  }
  WriteECLog("4");
  return StartStagePath();
}

void UnInitGame() {
  if (g_bDisplayUp) {
    for (int i = 0; i < 2; ++i) {
      const cFont& font = g_TextRenderer[i];
      if (!font.hFont.IsValid()) continue;
      const int count = font.m_lpFastFont_FullAdd ? font.m_lpFastFont_FullAdd->nCount : 0;
      WriteReport(i == 0 ? "Font10 : %d" : "Font16 : %d", count);
    }
  }
  DS_UnInit();
  g_Bgm.Release();
  g_SceneManager.DeleteScenes();
  for (cFont& font : g_TextRenderer) font.Release();
  for (DDSURFACEDATA& sd : g_NumberSD) DDReleaseSurface(&sd);
  // Also after a set-up that failed half-way.
  if (g_bDisplayUp || lpDTCon || g_lpDDCon) {
    if (g_bWindowMode)
      DDReInit();
    else
      DDRelease();
    g_bDisplayUp = false;
  }
  UnhookKeyboard();
}

unsigned GameLoop(void*) {
  for (;;) {
    MSG m;
    if (plat::PeekMessage(&m, true)) {
      if (m.message == WM_QUIT) {
        WriteECLog("GameLoop WM_QUIT!");
        return 1;
      }
      continue;
    }
    if (plat::QuitRequested()) return 1;
    if (!g_bActive) {
      plat::Sleep(1);
      continue;
    }
    if (!g_SceneManager.Frame()) {
      plat::PostMessage(g_hWnd, WM_CLOSE, 0, 0);
      return 1;
    }
  }
}
