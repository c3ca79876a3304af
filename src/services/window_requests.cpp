#include "services/window_requests.h"

#include "platform/messages.h"
#include "services/game_threads.h"

std::atomic<int> g_bNameDone{0};
std::atomic<int> g_bReplyDone{0};
std::atomic<int> g_nReplyResult{0};
int g_bBgmLoop = 1;
int g_nStageBgm = 0;

int SendWindowRequest(uint32_t msg, WPARAM w) {
  std::atomic<int>& done = msg == WM_T4_NAMEENTRY ? g_bNameDone : g_bReplyDone;
  done = 0;
  plat::SendMessage(g_hWnd.load(), msg, w, 0);
  // The send returns once the flag is set (or the close refused it and set
  // the flag); the wait is the senders' protocol, kept for their sake.
  while (!done.load() && !plat::QuitRequested()) plat::Sleep(1);
  if (!done.load()) return 0;
  return msg == WM_T4_NAMEENTRY ? 1 : g_nReplyResult.load();
}
