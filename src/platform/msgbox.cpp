#include "platform/msgbox.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/answers.h"
#include "platform/messages.h"
#include "platform/signals.h"
#include "platform/text.h"
#include "platform/video.h"

namespace plat {
namespace {
std::atomic<MessageBoxHandler> g_handler{nullptr};

struct Button {
  int id;
  const char* label;
};

int ButtonsFor(unsigned type, Button out[3]) {
  switch (type & 0xF) {
    case MB_OKCANCEL: out[0] = {IDOK, "OK"}; out[1] = {IDCANCEL, "Cancel"}; return 2;
    case MB_YESNOCANCEL: out[0] = {IDYES, "Yes"}; out[1] = {IDNO, "No"}; out[2] = {IDCANCEL, "Cancel"}; return 3;
    case MB_YESNO: out[0] = {IDYES, "Yes"}; out[1] = {IDNO, "No"}; return 2;
    default: out[0] = {IDOK, "OK"}; return 1;
  }
}

int AnswerFromScript(unsigned type) {
  std::string a;
  if (!NextAnswer(&a)) return DefaultAnswer(type);
  Button buttons[3];
  int n = ButtonsFor(type, buttons);
  for (int i = 0; i < n; ++i)
    if (AnswerMatches(a, buttons[i].label)) return buttons[i].id;
  std::fprintf(stderr, "answer '%s' does not fit this box; using its default\n", a.c_str());
  return DefaultAnswer(type);
}
}  // namespace

int DefaultAnswer(unsigned type) {
  Button buttons[3];
  int n = ButtonsFor(type, buttons);
  int def = (type & MB_DEFBUTTON3) ? 2 : (type & MB_DEFBUTTON2) ? 1 : 0;
  if (def >= n) def = 0;
  return buttons[def].id;
}

void SetMessageBoxHandler(MessageBoxHandler handler) { g_handler = handler; }

int ShowMessageBox(std::string_view text, std::string_view caption, unsigned type) {
  if (IsHeadless()) {
    int answer = AnswerFromScript(type);
    std::fprintf(stderr, "[%s] %s\n", Cp932ToUtf8(caption).c_str(), Cp932ToUtf8(text).c_str());
    return answer;
  }
  if (MessageBoxHandler h = g_handler.load()) {
    // 0: the drawn box had no window to show in, unless the game closed
    // while it was up (the box then has no answer).
    const int answer = h(text, caption, type);
    if (answer != 0 || IsClosing() || CloseRequestedBeforeWindow()) return answer;
  }
  int result = DefaultAnswer(type);
  std::string t = Cp932ToUtf8(text), c = Cp932ToUtf8(caption);
  CallOnMainThread([&] {
    Button buttons[3];
    int n = ButtonsFor(type, buttons);
    SDL_MessageBoxButtonData data[3];
    int def = DefaultAnswer(type);
    for (int i = 0; i < n; ++i) {
      data[i].flags = 0;
      if (buttons[i].id == def) data[i].flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
      if (buttons[i].id == IDCANCEL || (n == 1)) data[i].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
      data[i].buttonid = buttons[i].id;
      data[i].text = buttons[i].label;
    }
    unsigned icon = type & 0xF0;
    SDL_MessageBoxData box{};
    box.flags = icon == MB_ICONERROR     ? SDL_MESSAGEBOX_ERROR
                : icon == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING
                                         : SDL_MESSAGEBOX_INFORMATION;
    box.title = c.c_str();
    box.message = t.c_str();
    box.numbuttons = n;
    box.buttons = data;
    int pressed = 0;
    if (SDL_ShowMessageBox(&box, &pressed) == 0 && pressed > 0) result = pressed;
  });
  return result;
}

}  // namespace plat
