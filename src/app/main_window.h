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
#include "services/window_requests.h"

class cMainWindow : public cWindow {
 public:
  cMainWindow() = default;
  // Stores the handle and installs WndProc as the window's procedure and
  // the handler that answers sends once closing has begun; called by
  // start-up once the window exists and the start options are read (the
  // drawn boxes take their language from them).
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

