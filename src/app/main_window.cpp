#include "app/main_window.h"

#include "app/editor_link.h"

// (being written)
std::atomic<int> g_bNameDone{0};
std::atomic<int> g_bReplyDone{0};
std::atomic<int> g_nReplyResult{0};
int g_bBgmLoop = 1;

void cMainWindow::Setup(HWND hwnd) { m_hWnd = hwnd; }
LRESULT cMainWindow::Proc(HWND, uint32_t, WPARAM, LPARAM) { return 0; }
int cMainWindow::OnCreate() {
  m_bCreated = true;
  return 0;
}
void cMainWindow::NotifyEditorStart() { ::NotifyEditorStart(); }
void cMainWindow::NotifyEditorEnd(int value) { ::NotifyEditorEnd(value); }
LRESULT WndProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l) { return g_MainWindow.Proc(hwnd, msg, w, l); }
void PlaySE(int id) { plat::SendMessage(g_MainWindow.m_hWnd, WM_T4_PLAYSE, static_cast<WPARAM>(id), 0); }
void PlayDbSE(int16_t id) {
  if (id != 0) PlaySE(id + 16);
}
