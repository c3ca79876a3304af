#include "app/main_window.h"

#include <atomic>
#include <string>
#include <thread>

#include "app/editor_link.h"
#include "frontend/name_entry_dialog.h"
#include "services/game_threads.h"
#include "records/start_option.h"
#include "records/window_data.h"
#include "stage/free_stage.h"
#include "records/progress_data.h"
#include "graphics/display.h"
#include "graphics/mesbox.h"
#include "graphics/restore.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/video.h"
#include "records/checked.h"
#include "records/database.h"
#include "records/option_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/bgm.h"
#include "services/file_chooser.h"
#include "services/log.h"
#include "services/sound.h"
#include "stage/game_scene.h"
#include "stage/replay_data.h"


namespace {

constexpr char kWindowDataFile[] = "user_data\\Window.dat";
// The open-file dialogs' paths fit this buffer, as the stage and replay
// paths stored elsewhere do.
constexpr size_t kPathBufferSize = 260;

// The filters in their packed form: text, NUL, patterns, NUL, NUL.
// Stage files only: a replay chosen here would be read as a stage.
const char kStageFilter[] = "StageFile ( *.stg4_* )\0stg4_*\0";
const char kReplayFilter[] = "ReplayFile ( *.rpl4_* )\0*.rpl4_*\0";

const char* Title(const char* english, const char* japanese) {
  return g_StartOption.English ? english : japanese;
}

// The open-file dialog between the display's switches to and from dialog
// mode; 1 with the chosen path.
int ChooseFile(HWND hwnd, std::string* path, const char* folder, const char* title, const char* filter) {
  DDSetDialogBoxMode(1);
  const int chosen = ShowOpenFileDialog(hwnd, path, kPathBufferSize, folder, title, filter, nullptr, 0, nullptr);
  DDSetDialogBoxMode(0);
  return chosen;
}

}  // namespace

void cMainWindow::Setup(HWND hwnd) {
  m_hWnd = hwnd;
  // The start options are read by now; the drawn boxes speak their language.
  DDSetMesBoxEnglish(g_StartOption.English);
  plat::SetSendCancelHandler(&cMainWindow::CancelSend);
  plat::SetWindowProc(hwnd, WndProc);
}

void cMainWindow::ResetForTest() {
  m_hWnd = nullptr;
  m_bCreated = false;
  m_bClosing = false;
  m_nClientX = m_nClientY = m_nClientW = m_nClientH = 0;
}

int cMainWindow::OnCreate() {
  m_bCreated = true;
  return 0;
}

void cMainWindow::NotifyEditorStart() { ::NotifyEditorStart(); }
void cMainWindow::NotifyEditorEnd(int value) { ::NotifyEditorEnd(value); }

LRESULT cMainWindow::CancelSend(uint32_t msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_T4_NAMEENTRY:
      g_bNameDone = 1;
      break;
    case WM_T4_LOADSTAGE:
    case WM_T4_LOADREPLAY:
    case WM_T4_SAVEREPLAY:
      // The result before the flag: the sender reads it once the flag is set.
      g_nReplyResult = 0;
      g_bReplyDone = 1;
      break;
    default:
      break;
  }
  return 0;
}

LRESULT cMainWindow::Proc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l) {
  m_hWnd = hwnd;
  UpdateMouse(false, 7);
  switch (msg) {
    case WM_CREATE:
      return OnCreate();
    case WM_DESTROY:
      WriteECLog("WM_DESTROY");
      m_hWnd = nullptr;
      g_hWnd = nullptr;
      if (g_bTestPlay) NotifyEditorEnd(1);
      plat::PostQuitMessage(0);
      return 0;
    case WM_MOVE:
      // The client rectangle on the desktop.
      plat::GetWindowPos(hwnd, &m_nClientX, &m_nClientY);
      plat::GetClientSize(hwnd, &m_nClientW, &m_nClientH);
      return 0;
    case WM_SIZE:
      UpdateStyle();
      plat::GetClientSize(hwnd, &m_nClientW, &m_nClientH);
      return 0;
    case WM_PAINT:
      // The platform shows the last frame again on every expose.
      return 0;
    case WM_CLOSE:
      return OnClose(hwnd);
    case WM_ACTIVATEAPP:
      OnActivateApp(hwnd, w);
      return 0;
    case WM_KEYDOWN:
      // A box or dialog that is up owns the keyboard: its Escape answers it
      // and must not close the game as well.
      if (w == VK_ESCAPE && !plat::DialogInputActive()) plat::PostMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_GETMINMAXINFO:
    case WM_COMMAND:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      return 0;
    case WM_PALETTECHANGED:
    case WM_QUERYNEWPALETTE:
      // The 8-bit palette is applied to every frame when it is shown; no
      // other program shares it.
      return 0;
    case WM_T4_NAMEENTRY:
      OnNameEntry();
      return 0;
    case WM_T4_LOADSTAGE:
      OnLoadStage();
      return 0;
    case WM_T4_LOADREPLAY:
      OnLoadReplay();
      return 0;
    case WM_T4_SAVEREPLAY:
      OnSaveReplay(w);
      return 0;
    case WM_T4_PLAYSE:
      OnPlaySE(w);
      return 0;
    case WM_T4_PLAYBGM:
      OnPlayBgm(w, l);
      return 0;
    case WM_T4_RESTORE:
      DDRestoreSurface();
      return 0;
    default:
      return 0;
  }
}

void cMainWindow::SaveWindowPlacement(HWND hwnd) {
  if (g_StartOption.WindowMode == 0 || !g_bRunning.load() || plat::IsIconic(hwnd)) return;
  int x = 0, y = 0, width = 0, height = 0;
  // A platform that cannot tell leaves the last placement kept as it is.
  if (!plat::GetWindowPos(hwnd, &x, &y) || !plat::GetClientSize(hwnd, &width, &height)) return;
  g_WindowData.Set(x, y, width, height, plat::IsZoomed(hwnd) ? 1 : 0);
  // A placement that cannot be kept costs nothing but the next start's place.
  g_WindowData.SaveToFile(kWindowDataFile);
}

LRESULT cMainWindow::OnClose(HWND hwnd) {
  if (m_bClosing) return 0;
  if (plat::InSentMessage()) {
    // A modal loop inside a send (a file chooser, a box) must see the close
    // and return before the threads are ended: from now on every send is
    // refused, and the close is finished at the top of the message loop.
    plat::BeginClosing();
    plat::PostMessage(hwnd, WM_CLOSE, 0, 0);
    return 0;
  }
  SaveWindowPlacement(hwnd);
  // Once closing has begun (a second close, a refused send) nobody waits
  // for the play scene to ask again.
  if (thPause.IsRunning() && !plat::IsClosing()) {
    WriteECLog("WM_CLOSE thPause.m_hThread");
    if (g_pGameScene) g_pGameScene->m_bQuit = 1;
    plat::PostThreadMessage(thPause.m_dwThreadId, WM_QUIT, 0, 0);
    return 0;
  }
  plat::BeginClosing();
  m_bClosing = true;
  WriteECLog("WM_CLOSE 成功！");
  g_Bgm.Stop();
  thLoad.Exit();
  thPause.Exit();
  thRanking.Exit();
  WriteECLog("thPause.Exit()");
  thGame.Exit();
  WriteECLog("thGame.Exit()");
  plat::DestroyWindow(hwnd);
  return 0;
}

void cMainWindow::OnActivateApp(HWND hwnd, WPARAM active) {
  // Back from another program in Direct3D full screen: the device comes
  // back before the next frame. Only a device that was lost is reset; an
  // intact one has nothing to restore.
  if (!g_bActive.load() && active && lpDTCon && !g_bWindowed && DDGetDeviceStateForTest() != DeviceState::Ok)
    plat::SendMessage(hwnd, WM_T4_RESTORE, 0, 0);
  g_bActive = active ? 1 : 0;
}

void cMainWindow::OnNameEntry() {
  DDSetDialogBoxMode(1);
  SuspendGameThreads();
  RunNameEntryDialog();
  DDSetDialogBoxMode(0);
  ResumeGameThreads();
  g_bNameDone = 1;
}

// The chosen stage is read while this thread goes on serving the window
// (repaints, activation, keys, a close): the free-stage start runs on a
// thread of its own, which waits for the loading thread, and this one pumps.
// The caller that sent the request waits for it all the same.
static int StartChosenStage(const std::string& path) {
  std::atomic<int> result{-1};
  std::thread starter([&] { result = StartFreeStage(path.c_str(), 0) ? 1 : 0; });
  while (result.load() < 0) {
    // Once closing has begun the close waits for this send to return, and
    // the load sees it and gives up; sends are still answered.
    if (plat::IsClosing() || !plat::PumpMessages(1)) plat::Sleep(1);
  }
  starter.join();
  return result.load();
}

void cMainWindow::OnLoadStage() {
  std::string path;
  int result = 0;
  if (ChooseFile(m_hWnd, &path, "data\\stg4\\", Title("Load stage file", "ステージファイルの読み込み"),
                 kStageFilter)) {
    // A stage that cannot be loaded leaves the title running: the loader
    // has reported why.
    result = StartChosenStage(path);
  }
  g_nReplyResult = result;
  g_bReplyDone = 1;
}

void cMainWindow::OnLoadReplay() {
  std::string path;
  int result = 0;
  if (ChooseFile(m_hWnd, &path, "user_data\\rpl4", Title("Load replay file", "リプレイファイルの読み込み"),
                 kReplayFilter)) {
    // A replay that cannot be played has been refused with a box; the
    // title stays and the player may choose another.
    result = LoadReplayForPlay(path.c_str());
  }
  g_nReplyResult = result;
  g_bReplyDone = 1;
}

void cMainWindow::OnSaveReplay(WPARAM which) {
  std::string path;
  int result = 0;
  if (ShowSaveReplayDialog(&path, g_Progress.m_strStageFile.c_str())) {
    const bool previous = which == 1;
    cReplayData& replay = previous ? g_ReplayPrev : g_Replay;
    const cProgressData& progress = previous ? g_ProgressReplayPrev : g_ProgressReplay;
    // A failed save has shown its box; the replay is still in memory, play
    // goes on and the player may try another name.
    result = replay.SaveFile(path.c_str(), g_Stage, g_StageStart, progress);
  }
  g_nReplyResult = result;
  g_bReplyDone = 1;
}

void cMainWindow::OnPlaySE(WPARAM slot) {
  const int count = static_cast<int>(g_vecSound.size());
  if (slot < g_vecSound.size()) {
    DSPlay(&g_vecSound[slot], 0);
    return;
  }
  // Logged and the program closed in order; the first slot still sounds,
  // when there is one.
  ReportBadVectorIndex(static_cast<int>(slot), count, static_cast<int>(sizeof(DSSOUNDDATA)));
  if (count > 0) DSPlay(&g_vecSound[0], 0);
}

void cMainWindow::OnPlayBgm(WPARAM slot, LPARAM number) {
  if (slot > 4) return;
  const int s = static_cast<int>(slot);
  if (s < 4) {
    const int v = g_SystemData.m_vecBgm.At(s);
    if (v == 0) {
      g_Bgm.Stop();
      return;
    }
    g_Bgm.SetFile(s, g_Database.m_vecBgm.At(v).m_strFile.c_str());
    g_Bgm.Play(0, s, g_SystemData.m_vecBgmLoop.At(s), 0, 1);
    return;
  }
  g_nStageBgm = static_cast<int>(number);
  g_Bgm.SetFile(4, g_Database.m_vecBgm.At(g_nStageBgm).m_strFile.c_str());
  if (g_nStageBgm == 0)
    g_Bgm.Stop();
  else
    g_Bgm.Play(0, 4, g_bBgmLoop, 0, 1);
}

LRESULT WndProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l) { return g_MainWindow.Proc(hwnd, msg, w, l); }

void PlaySE(int id) { plat::SendMessage(g_hWnd.load(), WM_T4_PLAYSE, static_cast<WPARAM>(id), 0); }

void PlayDbSE(int16_t id) {
  if (id != 0) PlaySE(id + 16);
}

