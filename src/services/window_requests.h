// The private messages through which the game-side threads get work done on
// the window thread (dialogs, file choosers, sound effects, music, the
// Direct3D device restore), with the flags their senders wait on.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/messages.h"

// Sent with SendMessage to g_hWnd; the sender waits until the window thread
// has handled them.
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

// The sender's side of 1025-1028: clears the message's done flag, sends it
// to the main window and waits in 1 ms steps until the flag is set; returns
// g_nReplyResult (1025: 1).
int SendWindowRequest(uint32_t msg, WPARAM w = 0);
