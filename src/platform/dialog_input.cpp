#include "platform/dialog_input.h"

#include <atomic>
#include <mutex>

namespace plat {

void StartTextInputForDialogs(bool on);  // video.cpp

namespace {
std::mutex g_lock;
std::vector<DialogInput> g_queue;
std::atomic<int> g_depth{0};
std::atomic<bool> g_composing{false};
}  // namespace

void BeginDialogInput() {
  if (g_depth.fetch_add(1) == 0) StartTextInputForDialogs(true);
}

void EndDialogInput() {
  if (g_depth.load() <= 0) return;
  if (g_depth.fetch_sub(1) == 1) {
    g_composing = false;
    StartTextInputForDialogs(false);
  }
}

bool DialogInputActive() { return g_depth.load() > 0; }
bool DialogComposing() { return g_composing.load(); }
void SetDialogComposing(bool composing) { g_composing = composing; }

void InjectDialogInput(const DialogInput& input) {
  std::lock_guard<std::mutex> g(g_lock);
  g_queue.push_back(input);
}

void InjectDialogKey(int vk, bool shift, bool ctrl) {
  DialogInput in;
  in.kind = DialogInput::Key;
  in.vk = vk;
  in.shift = shift;
  in.ctrl = ctrl;
  InjectDialogInput(in);
}

void InjectDialogKeyUp(int vk) {
  DialogInput in;
  in.kind = DialogInput::Key;
  in.vk = vk;
  in.release = true;
  InjectDialogInput(in);
}

void InjectDialogText(const std::string& textCp932) {
  DialogInput in;
  in.kind = DialogInput::Text;
  in.textCp932 = textCp932;
  InjectDialogInput(in);
}

void InjectDialogClick(int x, int y) {
  DialogInput in;
  in.kind = DialogInput::Click;
  in.x = x;
  in.y = y;
  InjectDialogInput(in);
}

std::vector<DialogInput> TakeDialogInput() {
  std::lock_guard<std::mutex> g(g_lock);
  std::vector<DialogInput> out;
  out.swap(g_queue);
  return out;
}

bool HasDialogInput() {
  std::lock_guard<std::mutex> g(g_lock);
  return !g_queue.empty();
}

void ClearDialogInput() {
  std::lock_guard<std::mutex> g(g_lock);
  g_queue.clear();
}

}  // namespace plat
