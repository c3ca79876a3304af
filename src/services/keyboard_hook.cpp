#include "services/keyboard_hook.h"

#include <map>
#include <mutex>

#include "platform/input.h"

namespace {
// The thread's hook and the windows tied to hooks. The system kept the tie as
// a window property that outlived the hook object; here a hook unties itself
// when destroyed, so a window handle reused later never finds a dead hook.
std::mutex g_lock;
bool g_hooked = false;
bool g_ctrlHeld = false;
std::map<HWND, cHook*> g_ties;
}  // namespace

cHook::cHook() = default;

cHook::~cHook() {
  std::lock_guard<std::mutex> g(g_lock);
  auto it = g_ties.find(m_hWnd);
  if (it != g_ties.end() && it->second == this) g_ties.erase(it);
}

bool cHook::Hook(HWND window, int modeless) {
  std::lock_guard<std::mutex> g(g_lock);
  auto old = g_ties.find(m_hWnd);
  if (old != g_ties.end() && old->second == this) g_ties.erase(old);
  m_hWnd = window;
  m_bModeless = modeless;
  if (window) g_ties[window] = this;
  g_hooked = true;  // our hook is a decision on the window thread: it cannot fail to install
  return true;
}

bool cHook::IsSpecialKey(int vk) {
  return vk == VK_SPACE || (vk >= VK_LEFT && vk <= VK_DOWN) || vk == VK_DELETE || (vk >= VK_F1 && vk <= VK_F1 + 7);
}

cHookDecision cHook::Decide(int vk, bool release, bool compositionOpen, bool modeless, bool* ctrlHeld) {
  cHookDecision d;
  d.toGame = release;
  if (release) {
    if (vk == VK_CONTROL) *ctrlHeld = false;
    if (!(modeless && *ctrlHeld)) d.post = eHookPost::KeyUp;
    return d;
  }
  if (vk == VK_RETURN && compositionOpen) {
    d.toComposition = true;
    return d;
  }
  if (vk == VK_TAB) return d;
  if (IsSpecialKey(vk) && !compositionOpen) {
    d.post = eHookPost::SpecialKey;
    return d;
  }
  if (vk == VK_CONTROL) *ctrlHeld = true;
  if (!(modeless && *ctrlHeld)) d.post = eHookPost::KeyDown;
  return d;
}

cHookDecision cHook::HookProc(HWND active, int vk, bool release, bool compositionOpen) {
  std::lock_guard<std::mutex> g(g_lock);
  if (!g_hooked || !active) return cHookDecision{};
  auto it = g_ties.find(active);
  if (it == g_ties.end() || it->second->m_hWnd != active) return cHookDecision{};
  cHookDecision d = Decide(vk, release, compositionOpen, it->second->m_bModeless != 0, &g_ctrlHeld);
  if (d.post != eHookPost::None) d.dialog = active;
  return d;
}

void UnhookKeyboard() {
  std::lock_guard<std::mutex> g(g_lock);
  g_hooked = false;
  g_ctrlHeld = false;
}

bool IsKeyboardHooked() {
  std::lock_guard<std::mutex> g(g_lock);
  return g_hooked;
}
