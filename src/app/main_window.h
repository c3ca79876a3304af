// The main window: its procedure (close, destroy, activation, paint,
// palette, Escape) and the private messages through which the game-side
// threads get work done on the window thread (dialogs, file choosers, sound
// effects, music, the Direct3D device restore).
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/messages.h"
#include "services/gui_window.h"

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

class cMainWindow : public cWindow {
 public:
  cMainWindow() = default;
  // Sets the window object up and installs WndProc as the window's
  // procedure; called by start-up once the window exists.
  void Setup(HWND hwnd);
  LRESULT Proc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l);
  int OnCreate();
  // The editor notices of a test play (no-ops without an editor socket).
  void NotifyEditorStart();
  void NotifyEditorEnd(int value);

  HWND m_hWnd = nullptr;
  bool m_bCreated = false;
};

extern cMainWindow g_MainWindow;

// The registered procedure of the main window: forwards to g_MainWindow.
LRESULT WndProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l);

// Sound effect `id` (slot of g_vecSound) through message 1029.
void PlaySE(int id);
// Sound database entry `id`: 0 plays nothing, else slot id + 16.
void PlayDbSE(int16_t id);
