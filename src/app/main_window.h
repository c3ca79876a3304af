// The main window: its procedure (close, destroy, activation, paint,
// palette, Escape) and the private messages through which the game-side
// threads get work done on the window thread (dialogs, file choosers, sound
// effects, music, the Direct3D device restore).
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/messages.h"
#include "services/gui_window.h"
#include "services/sound.h"

// Private messages, sent with SendMessage to g_hWnd; the sender waits until
// the window thread has handled them.
enum : uint32_t {
  WM_T4_NAMEENTRY = WM_USER + 1,   // 1025: ranking name entry; sets g_bNameDone
  WM_T4_LOADSTAGE = WM_USER + 2,   // 1026: open a stage file; g_bReplyDone, g_nReplyResult
  WM_T4_LOADREPLAY = WM_USER + 3,  // 1027: open a replay; g_bReplyDone, g_nReplyResult
  WM_T4_SAVEREPLAY = WM_USER + 4,  // 1028: wParam 0 current replay, 1 previous attempt
  WM_T4_PLAYSE = WM_USER + 5,      // 1029: wParam sound slot
  WM_T4_PLAYBGM = WM_USER + 6,     // 1030: wParam slot 0-4, lParam the stage BGM number
  WM_T4_RESTORE = WM_USER + 100,   // 1124: restore the Direct3D device
};

// Done flags and result of 1025-1028: the sender clears the flag, sends,
// then sleeps in 1 ms steps until the flag is 1.
extern std::atomic<int> g_bNameDone;
extern std::atomic<int> g_bReplyDone;
// 1 when a file was chosen and handled, 0 when cancelled or it failed.
extern std::atomic<int> g_nReplyResult;
// Loop flag of the next slot-4 music request (written by the stage's
// music start).
extern int g_bBgmLoop;
// The stage music number: the lParam of the last slot-4 music request.
extern int g_nStageBgm;

// SEAM until the stage-play scene exists: the play scene's quit flag. A
// close while thPause runs a modal sequence of stage play sets it and ends
// thPause; the play scene, once its wait returns, sees it and posts WM_CLOSE
// again. The real stage play reads it (and owns it from then on).
extern std::atomic<int> g_bPlayQuit;

class cMainWindow : public cWindow {
 public:
  cMainWindow() = default;
  // Stores the handle and installs WndProc as the window's procedure and
  // the handler that answers sends once closing has begun; called by
  // start-up once the window exists.
  void Setup(HWND hwnd);
  LRESULT Proc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l);
  int OnCreate();
  // The editor notices of a test play (no-ops without an editor socket).
  void NotifyEditorStart();
  void NotifyEditorEnd(int value);

  // What a send refused because the program is closing answers: 1025-1028
  // as cancelled with their done flags set, the others as no-ops.
  static LRESULT CancelSend(uint32_t msg, WPARAM w, LPARAM l);

  HWND m_hWnd = nullptr;
  bool m_bCreated = false;
  // The window is being destroyed: later closes are ignored (window thread).
  bool m_bClosing = false;
  // The client rectangle's top-left and size on the desktop (WM_MOVE).
  int m_nClientX = 0, m_nClientY = 0, m_nClientW = 0, m_nClientH = 0;

  // Tests: a fresh window object state.
  void ResetForTest();

 private:
  LRESULT OnClose(HWND hwnd);
  void SaveWindowPlacement(HWND hwnd);
  void OnActivateApp(HWND hwnd, WPARAM active);
  void OnNameEntry();
  void OnLoadStage();
  void OnLoadReplay();
  void OnSaveReplay(WPARAM which);
  void OnPlaySE(WPARAM slot);
  void OnPlayBgm(WPARAM slot, LPARAM number);
};

extern cMainWindow g_MainWindow;

// The registered procedure of the main window: forwards to g_MainWindow.
LRESULT WndProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l);


// The sender's side of 1025-1028: clears the message's done flag, sends it
// to the main window and waits in 1 ms steps until the flag is set; returns
// g_nReplyResult (1025: 1).
int SendWindowRequest(uint32_t msg, WPARAM w = 0);
