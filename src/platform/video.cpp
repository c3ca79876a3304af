#include "platform/video.h"

#include <SDL.h>
#include <png.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "platform/audio.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/video_fit.h"
#include "platform/video_window.h"
#include "platform/video_x11.h"

namespace plat {
namespace {

std::atomic<bool> g_headless{false};
std::atomic<bool> g_active{true};
std::atomic<bool> g_videoUp{false};
uint32_t g_wakeEvent = 0;

SDL_Window* g_window = nullptr;
SDL_Renderer* g_renderer = nullptr;
SDL_Texture* g_texture = nullptr;
// The size of the frames the window shows (the texture's size).
int g_pictureW = 0, g_pictureH = 0;
WindowProc g_proc = nullptr;
HWND g_hwnd = nullptr;

// Full screen without a window manager: the window covers the screen, and
// goes back to this place and size when it leaves full screen.
struct CoverScreen {
  bool covering = false;
  int x = 0, y = 0, w = 0, h = 0;
} g_coverScreen;

// The window of a drawn box (main thread only).
struct BoxWindow {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int width = 0, height = 0;
  bool ownsVideo = false;  // video was started for the box alone
  std::vector<uint32_t> shown;
} g_box;

bool IsBoxWindowEvent(uint32_t windowId) {
  return g_box.window && windowId == SDL_GetWindowID(g_box.window);
}

void ShowBoxFrame() {
  if (!g_box.renderer || !g_box.texture || g_box.shown.empty()) return;
  SDL_UpdateTexture(g_box.texture, nullptr, g_box.shown.data(), g_box.width * 4);
  SDL_RenderClear(g_box.renderer);
  SDL_RenderCopy(g_box.renderer, g_box.texture, nullptr, nullptr);
  SDL_RenderPresent(g_box.renderer);
}

// The newest finished frame, waiting for the window thread.
struct Mailbox {
  std::mutex lock;
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  bool fresh = false;
} g_mailbox;
// What is on screen now, for expose events.
std::vector<uint32_t> g_shown;
int g_shownW = 0, g_shownH = 0;

struct Capture {
  std::mutex lock;
  uint64_t count = 0;
  uint64_t limit = 0;
  bool limitPosted = false;
  std::map<uint64_t, std::vector<std::string>> shots;
  FILE* hashes = nullptr;
  // A headless player's frames are looked at only for the hashes and the
  // screenshots.
  bool unseenHeadless = false;
} g_capture;

int VirtualKeyFromScancode(SDL_Scancode sc) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
  if (sc == SDL_SCANCODE_0) return '0';
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + (sc - SDL_SCANCODE_KP_1);
  switch (sc) {
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
    case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL: return VK_RCONTROL;
    case SDL_SCANCODE_LALT: return VK_LMENU;
    case SDL_SCANCODE_RALT: return VK_RMENU;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    default: return -1;
  }
}

void SetKey(int vk, bool down) {
  SetKeyDown(vk, down);
  // The generic modifier is held while either side is.
  auto both = [](int generic, int l, int r) { SetKeyDown(generic, IsKeyDown(l) || IsKeyDown(r)); };
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) both(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) both(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  if (vk == VK_LMENU || vk == VK_RMENU) both(VK_MENU, VK_LMENU, VK_RMENU);
}

// Where the picture lies in the renderer's output (which may have more
// pixels than the window has points).
PictureRect PictureOnScreen() {
  int ow = 0, oh = 0;
  if (!g_renderer || SDL_GetRendererOutputSize(g_renderer, &ow, &oh) != 0) return {};
  return FitPicture(g_pictureW, g_pictureH, ow, oh);
}

// A point of the window (in its own units, as events and the pointer give
// it) to the frame pixel under it.
void WindowToPicture(int wx, int wy, int* px, int* py) {
  int ww = 0, wh = 0, ow = 0, oh = 0;
  SDL_GetWindowSize(g_window, &ww, &wh);
  if (!g_renderer || SDL_GetRendererOutputSize(g_renderer, &ow, &oh) != 0 || ww <= 0 || wh <= 0) {
    *px = wx;
    *py = wy;
    return;
  }
  const int ox = static_cast<int>(int64_t{wx} * ow / ww), oy = static_cast<int>(int64_t{wy} * oh / wh);
  AreaToPicture(FitPicture(g_pictureW, g_pictureH, ow, oh), g_pictureW, g_pictureH, ox, oy, px, py);
}

// The renderer's output size the last picture was shown at.
int g_shownAtW = 0, g_shownAtH = 0;

void ShowOnScreen() {
  if (!g_renderer || !g_texture || g_shown.empty()) return;
  SDL_UpdateTexture(g_texture, nullptr, g_shown.data(), g_shownW * 4);
  const PictureRect r = PictureOnScreen();
  const SDL_Rect dst{r.x, r.y, r.w, r.h};
  int ow = 0, oh = 0;
  SDL_GetRendererOutputSize(g_renderer, &ow, &oh);
  // The first picture after the window's size changed is shown twice: a
  // renderer may take up the new drawable size only with its next frame,
  // and a still picture (a box, a dialog) would stay at the old one.
  const int times = (ow != g_shownAtW || oh != g_shownAtH) ? 2 : 1;
  g_shownAtW = ow;
  g_shownAtH = oh;
  for (int i = 0; i < times; ++i) {
    SDL_SetRenderDrawColor(g_renderer, 0, 0, 0, 255);
    SDL_RenderClear(g_renderer);
    SDL_RenderCopy(g_renderer, g_texture, nullptr, &dst);
    SDL_RenderPresent(g_renderer);
  }
}

// The refresh clock follows the display the window is on.
void UpdateRefreshRate() {
  SDL_DisplayMode mode{};
  const int display = g_window ? SDL_GetWindowDisplayIndex(g_window) : 0;
  if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0)
    detail::SetRealRefreshRate(mode.refresh_rate);
  else
    detail::SetRealRefreshRate(0);
}

void TakeMailbox() {
  {
    std::lock_guard<std::mutex> g(g_mailbox.lock);
    if (!g_mailbox.fresh) return;
    g_mailbox.fresh = false;
    g_shown.swap(g_mailbox.pixels);
    g_shownW = g_mailbox.width;
    g_shownH = g_mailbox.height;
  }
  ShowOnScreen();
}

std::map<SDL_JoystickID, std::pair<SDL_Joystick*, int>> g_joysticks;

// A message for the window procedure, as the operating system dispatches
// it: straight into the procedure installed now on the window thread.
void Deliver(uint32_t msg, WPARAM w, LPARAM l) {
  if (IsMainThread())
    SendMessage(g_hwnd, msg, w, l);
  else
    PostMessage(g_hwnd, msg, w, l);
}

// The activation state the procedure was last told (WM_ACTIVATEAPP), so
// that focus events that change nothing are not passed on.
bool g_activationDelivered = false;  // window thread only

void DeliverActivation(bool active) {
  if (g_activationDelivered == active) return;
  g_activationDelivered = active;
  Deliver(WM_ACTIVATEAPP, active ? 1 : 0, 0);
}

// Scripted keys: which were down after the last frame's script, so a key
// that goes down reaches the procedure as WM_KEYDOWN, as a real press does.
struct ScriptedKeys {
  std::mutex lock;
  bool down[256] = {};
} g_scriptedKeys;

void PostScriptedKeyDowns() {
  if (!HasInputScript()) return;
  std::lock_guard<std::mutex> g(g_scriptedKeys.lock);
  for (int vk = 1; vk < 256; ++vk) {
    const bool now = IsKeyDown(vk);
    if (now && !g_scriptedKeys.down[vk]) PostMessage(MainWindowHandle(), WM_KEYDOWN, static_cast<WPARAM>(vk), 0);
    g_scriptedKeys.down[vk] = now;
  }
}

void UpdateJoystick(SDL_JoystickID id) {
  auto it = g_joysticks.find(id);
  if (it == g_joysticks.end() || HasInputScript()) return;
  SDL_Joystick* j = it->second.first;
  JoyState s;
  s.present = true;
  s.x = static_cast<uint32_t>(SDL_JoystickGetAxis(j, 0) + 32768);
  s.y = static_cast<uint32_t>(SDL_JoystickGetAxis(j, 1) + 32768);
  int nb = SDL_JoystickNumButtons(j);
  for (int b = 0; b < nb && b < 32; ++b)
    if (SDL_JoystickGetButton(j, b)) s.buttons |= 1u << b;
  SetJoyState(it->second.second, s);
}

void Dispatch(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:
      Deliver(WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT:
      if (IsBoxWindowEvent(e.window.windowID)) {
        // The box's own close button answers it as Escape does.
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) InjectDialogKey(VK_ESCAPE);
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) ShowBoxFrame();
        break;
      }
      // The box taking the focus leaves the game active: it is the game's
      // own box, and without a window manager nothing would give the focus
      // back afterwards.
      if (g_box.window && e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) break;
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        Deliver(WM_CLOSE, 0, 0);
      } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
        // The procedure has nothing to draw: the shown frame is put back here.
        Deliver(WM_PAINT, 0, 0);
        ShowOnScreen();
      } else if (e.window.event == SDL_WINDOWEVENT_MOVED) {
        UpdateRefreshRate();
        Deliver(WM_MOVE, 0, 0);
      } else if (e.window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED) {
        UpdateRefreshRate();
      } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        Deliver(WM_SIZE, 0, 0);
        // The picture is fitted to the new size at once, not at the next frame.
        ShowOnScreen();
      } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        g_active = true;
        DeliverActivation(true);
      } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        if (!HasInputScript()) ClearKeys();
        // A headless run has no other application to lose the focus to.
        if (!g_headless.load()) {
          g_active = false;
          DeliverActivation(false);
        }
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (DialogInputActive()) {
        // An open dialog takes the keyboard; its hook passes releases on.
        int vk = VirtualKeyFromScancode(e.key.keysym.scancode);
        if (vk >= 0 && e.type == SDL_KEYDOWN)
          InjectDialogKey(vk, (e.key.keysym.mod & KMOD_SHIFT) != 0,
                          (e.key.keysym.mod & KMOD_CTRL) != 0);
        else if (vk >= 0)
          InjectDialogKeyUp(vk);
        break;
      }
      if (!HasInputScript()) {
        int vk = VirtualKeyFromScancode(e.key.keysym.scancode);
        if (vk >= 0) SetKey(vk, e.type == SDL_KEYDOWN);
        if (vk >= 0 && e.type == SDL_KEYDOWN) Deliver(WM_KEYDOWN, static_cast<WPARAM>(vk), 0);
      }
      break;
    case SDL_TEXTINPUT:
      if (DialogInputActive()) {
        SetDialogComposing(false);
        InjectDialogText(Utf8ToCp932(e.text.text));
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (g_box.window) {
        // Only the box takes clicks while it is up; its pixels are its points.
        if (DialogInputActive() && e.button.button == SDL_BUTTON_LEFT && IsBoxWindowEvent(e.button.windowID))
          InjectDialogClick(e.button.x, e.button.y);
        break;
      }
      if (DialogInputActive() && e.button.button == SDL_BUTTON_LEFT) {
        int x = 0, y = 0;
        WindowToPicture(e.button.x, e.button.y, &x, &y);
        InjectDialogClick(x, y);
      }
      break;
    case SDL_TEXTEDITING:
      if (DialogInputActive()) SetDialogComposing(e.edit.text[0] != '\0');
      break;
    case SDL_JOYDEVICEADDED: {
      SDL_Joystick* j = SDL_JoystickOpen(e.jdevice.which);
      if (!j) break;
      int slot = 0;
      for (bool used = true; used && slot < kMaxJoysticks; ) {
        used = false;
        for (auto& [id, v] : g_joysticks) if (v.second == slot) { used = true; ++slot; break; }
      }
      if (slot >= kMaxJoysticks) { SDL_JoystickClose(j); break; }
      g_joysticks[SDL_JoystickInstanceID(j)] = {j, slot};
      UpdateJoystick(SDL_JoystickInstanceID(j));
      break;
    }
    case SDL_JOYDEVICEREMOVED: {
      auto it = g_joysticks.find(e.jdevice.which);
      if (it != g_joysticks.end()) {
        if (!HasInputScript()) SetJoyState(it->second.second, JoyState{});
        SDL_JoystickClose(it->second.first);
        g_joysticks.erase(it);
      }
      break;
    }
    case SDL_JOYAXISMOTION: UpdateJoystick(e.jaxis.which); break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: UpdateJoystick(e.jbutton.which); break;
    default: break;
  }
}

void WaitAndDispatch(uint32_t timeoutMs) {
  SDL_Event e;
  if (SDL_WaitEventTimeout(&e, static_cast<int>(timeoutMs))) {
    do {
      if (e.type != g_wakeEvent) Dispatch(e);
    } while (SDL_PollEvent(&e));
  }
  TakeMailbox();
}

void WakeEvents() {
  if (!g_videoUp.load()) return;
  SDL_Event e{};
  e.type = g_wakeEvent;
  SDL_PushEvent(&e);
}

}  // namespace

namespace detail {
SDL_Window* SdlWindow() { return g_window; }
}  // namespace detail

bool IsHeadless() { return g_headless.load(); }
void SetHeadless(bool headless) { g_headless = headless; }

bool InitVideo(const VideoSettings& settings, std::string* error) {
  SetHeadless(settings.headless);
  if (settings.headless) {
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  Uint32 flags = SDL_INIT_VIDEO | SDL_INIT_EVENTS;
  if (!settings.headless) flags |= SDL_INIT_JOYSTICK;
  if (SDL_Init(flags) != 0) {
    if (error) *error = SDL_GetError();
    return false;
  }
  g_wakeEvent = SDL_RegisterEvents(1);
  g_videoUp = true;
  UpdateRefreshRate();
  SetEventSource(WaitAndDispatch, WakeEvents);
  return true;
}

void ShutdownVideo() {
  SetEventSource(nullptr, nullptr);
  g_videoUp = false;
  for (auto& [id, v] : g_joysticks) SDL_JoystickClose(v.first);
  g_joysticks.clear();
  if (g_texture) SDL_DestroyTexture(g_texture);
  if (g_renderer) SDL_DestroyRenderer(g_renderer);
  if (g_window) SDL_DestroyWindow(g_window);
  g_texture = nullptr;
  g_renderer = nullptr;
  g_window = nullptr;
  g_pictureW = g_pictureH = 0;
  g_shownAtW = g_shownAtH = 0;
  g_coverScreen = CoverScreen{};
  detail::SetRealRefreshRate(0);
  SDL_Quit();
  std::lock_guard<std::mutex> g(g_capture.lock);
  if (g_capture.hashes) std::fclose(g_capture.hashes);
  g_capture.hashes = nullptr;
  g_capture.unseenHeadless = false;
}

HWND CreateMainWindow(std::string_view titleCp932, int width, int height, WindowProc proc) {
  std::string title = Cp932ToUtf8(titleCp932);
  // A fixed frame: only the resizable window mode of Direct3D lets the
  // player change the size (SetResizable).
  g_window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                              SDL_WINDOW_HIDDEN);
  if (!g_window) return nullptr;
  g_pictureW = width;
  g_pictureH = height;
  if (!g_headless.load()) {
    // The game thread keeps its own time with the refresh clock; the
    // renderer's vertical sync only keeps a shown frame from tearing.
    g_renderer = SDL_CreateRenderer(g_window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!g_renderer) g_renderer = SDL_CreateRenderer(g_window, -1, 0);
    if (!g_renderer) g_renderer = SDL_CreateRenderer(g_window, -1, SDL_RENDERER_SOFTWARE);
    if (g_renderer) {
      g_texture = SDL_CreateTexture(g_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
      // Sharp pixels at every scale (PictureOnScreen).
      if (g_texture) SDL_SetTextureScaleMode(g_texture, SDL_ScaleModeNearest);
    }
  }
  UpdateRefreshRate();
  g_proc = proc;
  g_hwnd = reinterpret_cast<HWND>(g_window);
  g_activationDelivered = false;
  detail::ResetVirtualPlacement(width, height);
  SetWindowProc(g_hwnd, proc);
  if (proc) proc(g_hwnd, WM_CREATE, 0, 0);
  return g_hwnd;
}

void ShowWindow(HWND) {
  if (!g_window) return;
  SDL_ShowWindow(g_window);
  if (g_headless.load()) detail::VirtualWindowShown();
  // A window shown is the active one, as when a program starts; focus
  // events tell of later changes. Posted, so the procedure installed by
  // then gets it from the message loop.
  if (IsWindowActive()) {
    g_activationDelivered = true;
    PostMessage(g_hwnd, WM_ACTIVATEAPP, 1, 0);
  }
}

void SetWindowTitle(HWND, std::string_view titleCp932) {
  std::string title = Cp932ToUtf8(titleCp932);
  if (!g_window) return;
  if (IsMainThread())
    SDL_SetWindowTitle(g_window, title.c_str());
  else
    CallOnMainThread([&] { SDL_SetWindowTitle(g_window, title.c_str()); });
}

void SetFullscreen(HWND, bool fullscreen) {
  if (!g_window) return;
  auto apply = [fullscreen] {
    if (fullscreen && !g_headless.load() && detail::WithoutWindowManager(g_window)) {
      // Nobody would carry out the request, and SDL would take the window
      // for the screen's size while it stays as it is: instead the window
      // itself, without a frame, is made to cover the screen.
      SDL_Rect bounds{};
      const int display = SDL_GetWindowDisplayIndex(g_window);
      if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
        if (!g_coverScreen.covering) {
          SDL_GetWindowPosition(g_window, &g_coverScreen.x, &g_coverScreen.y);
          SDL_GetWindowSize(g_window, &g_coverScreen.w, &g_coverScreen.h);
          g_coverScreen.covering = true;
        }
        SDL_SetWindowBordered(g_window, SDL_FALSE);
        SDL_SetWindowPosition(g_window, bounds.x, bounds.y);
        SDL_SetWindowSize(g_window, bounds.w, bounds.h);
        UpdateRefreshRate();
        ShowOnScreen();
        return;
      }
    }
    if (g_coverScreen.covering) {
      g_coverScreen.covering = false;
      SDL_SetWindowBordered(g_window, SDL_TRUE);
      SDL_SetWindowSize(g_window, g_coverScreen.w, g_coverScreen.h);
      SDL_SetWindowPosition(g_window, g_coverScreen.x, g_coverScreen.y);
    }
    SDL_SetWindowFullscreen(g_window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    UpdateRefreshRate();
    ShowOnScreen();
  };
  if (!g_videoUp.load() || IsMainThread())
    apply();
  else
    CallOnMainThread(apply);
}

bool IsWindowActive() { return g_headless.load() || g_active.load(); }

void DestroyWindow(HWND hwnd) {
  if (IsMainThread())
    SendMessage(hwnd, WM_DESTROY, 0, 0);
  else if (g_proc)
    g_proc(hwnd, WM_DESTROY, 0, 0);
  if (g_window) SDL_HideWindow(g_window);
}

uint64_t HashFrame(const uint32_t* argb, int width, int height, int pitchPixels) {
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = argb + static_cast<size_t>(y) * static_cast<size_t>(pitchPixels);
    for (int x = 0; x < width; ++x) {
      uint32_t p = row[x];
      for (int b = 0; b < 4; ++b) {
        h ^= (p >> (8 * b)) & 0xFF;
        h *= 1099511628211ull;
      }
    }
  }
  return h;
}

bool WritePng(const std::string& osPath, const uint32_t* argb, int width, int height, int pitchPixels) {
  FILE* f = std::fopen(osPath.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const uint32_t* src = argb + static_cast<size_t>(y) * static_cast<size_t>(pitchPixels);
    for (int x = 0; x < width; ++x) {
      row[static_cast<size_t>(x) * 3 + 0] = static_cast<uint8_t>(src[x] >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>(src[x] >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

namespace {
std::atomic<FramePresentedHook> g_presentedHook{nullptr};
}  // namespace

void PresentFrame(const uint32_t* argb, int width, int height, int pitchPixels) {
  uint64_t frame;
  bool close = false;
  {
    std::lock_guard<std::mutex> g(g_capture.lock);
    // Frames made after the last one asked for, while the close is under
    // way, are neither counted nor shown.
    if (g_capture.limitPosted) return;
    frame = ++g_capture.count;
    if (g_capture.hashes && argb)
      std::fprintf(g_capture.hashes, "%llu %016llx\n", static_cast<unsigned long long>(frame),
                   static_cast<unsigned long long>(HashFrame(argb, width, height, pitchPixels)));
    auto shot = g_capture.shots.find(frame);
    if (shot != g_capture.shots.end() && argb) {
      for (const std::string& path : shot->second)
        if (!WritePng(path, argb, width, height, pitchPixels))
          std::fprintf(stderr, "cannot write screenshot %s\n", path.c_str());
    }
    if (g_capture.limit && frame >= g_capture.limit && !g_capture.limitPosted) {
      g_capture.limitPosted = true;
      close = true;
      if (g_capture.hashes) std::fflush(g_capture.hashes);
    }
  }
  if (FramePresentedHook hook = g_presentedHook.load()) hook(frame);
  // The state of the next frame's input is set before its step reads it.
  ApplyInputScript(frame + 1);
  PostScriptedKeyDowns();
  if (close) PostMessage(MainWindowHandle(), WM_CLOSE, 0, 0);
  if (g_headless.load() || !argb) {
    // Sound follows the frame clock: one frame's worth of samples per frame.
    if (g_headless.load()) MixForFrame();
    return;
  }
  {
    std::lock_guard<std::mutex> g(g_mailbox.lock);
    g_mailbox.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
      std::copy_n(argb + static_cast<size_t>(y) * static_cast<size_t>(pitchPixels), width,
                  g_mailbox.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width));
    g_mailbox.width = width;
    g_mailbox.height = height;
    g_mailbox.fresh = true;
  }
  WakeEvents();
}

void PassKeyToGame(int vk, bool down) {
  if (!HasInputScript()) SetKey(vk, down);
}

void StartTextInputForDialogs(bool on) {
  if (!g_videoUp.load()) return;
  if (on) {
    // Keys held when the dialog opens must not stay down for the game.
    if (!HasInputScript()) ClearKeys();
    SDL_StartTextInput();
  } else {
    SDL_StopTextInput();
  }
}

bool HasVideoWindow() {
  return g_videoUp.load() && (g_window != nullptr || g_box.window != nullptr) && !g_headless.load();
}

bool GetMouseState(int* x, int* y, bool* left, bool* right) {
  *x = *y = 0;
  *left = *right = false;
  if (!HasVideoWindow()) return false;
  if (g_box.window) {
    // Away from the box the pointer is over none of its pixels.
    *x = *y = -1;
    int wx = 0, wy = 0;
    const uint32_t buttons = SDL_GetMouseState(&wx, &wy);
    if (SDL_GetMouseFocus() != g_box.window) return true;
    *x = wx;
    *y = wy;
    *left = (buttons & SDL_BUTTON_LMASK) != 0;
    *right = (buttons & SDL_BUTTON_RMASK) != 0;
    return true;
  }
  if (!g_window) return false;
  int wx = 0, wy = 0;
  uint32_t buttons = SDL_GetMouseState(&wx, &wy);
  *left = (buttons & SDL_BUTTON_LMASK) != 0;
  *right = (buttons & SDL_BUTTON_RMASK) != 0;
  WindowToPicture(wx, wy, x, y);
  return true;
}

bool CopyShownFrame(std::vector<uint32_t>* argb, int* width, int* height) {
  {
    std::lock_guard<std::mutex> g(g_mailbox.lock);
    if (g_mailbox.fresh && g_mailbox.width > 0) {
      *argb = g_mailbox.pixels;
      *width = g_mailbox.width;
      *height = g_mailbox.height;
      return true;
    }
  }
  if (g_shownW <= 0 || g_shownH <= 0) return false;
  *argb = g_shown;
  *width = g_shownW;
  *height = g_shownH;
  return true;
}

void ShowDialogFrame(const uint32_t* argb, int width, int height, int pitchPixels) {
  if (g_headless.load() || !g_videoUp.load()) return;
  if (g_box.window && IsMainThread()) {
    if (width != g_box.width || height != g_box.height) return;
    g_box.shown.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
      std::copy_n(argb + static_cast<size_t>(y) * static_cast<size_t>(pitchPixels), width,
                  g_box.shown.data() + static_cast<size_t>(y) * static_cast<size_t>(width));
    ShowBoxFrame();
    return;
  }
  {
    std::lock_guard<std::mutex> g(g_mailbox.lock);
    g_mailbox.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
      std::copy_n(argb + static_cast<size_t>(y) * static_cast<size_t>(pitchPixels), width,
                  g_mailbox.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width));
    g_mailbox.width = width;
    g_mailbox.height = height;
    g_mailbox.fresh = true;
  }
  WakeEvents();
}

bool OpenBoxWindow(std::string_view captionCp932, int width, int height) {
  if (g_headless.load() || g_box.window || width <= 0 || height <= 0) return false;
  if (!g_videoUp.load()) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    if (g_wakeEvent == 0) g_wakeEvent = SDL_RegisterEvents(1);
    g_videoUp = true;
    g_box.ownsVideo = true;
    SetEventSource(WaitAndDispatch, WakeEvents);
  }
  // A driver without a screen or a keyboard (dummy, offscreen): nobody could
  // see or answer the box, which then takes its default answer.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || SDL_strcmp(driver, "dummy") == 0 || SDL_strcmp(driver, "offscreen") == 0) {
    CloseBoxWindow();
    return false;
  }
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
  if (g_window && (SDL_GetWindowFlags(g_window) & SDL_WINDOW_SHOWN)) {
    int gx = 0, gy = 0, gw = 0, gh = 0;
    SDL_GetWindowPosition(g_window, &gx, &gy);
    SDL_GetWindowSize(g_window, &gw, &gh);
    x = gx + (gw - width) / 2;
    y = gy + (gh - height) / 2;
  }
  const std::string title = Cp932ToUtf8(captionCp932);
  g_box.window = SDL_CreateWindow(title.c_str(), x, y, width, height, SDL_WINDOW_HIDDEN);
  if (g_box.window) {
    g_box.renderer = SDL_CreateRenderer(g_box.window, -1, SDL_RENDERER_SOFTWARE);
    if (g_box.renderer)
      g_box.texture = SDL_CreateTexture(g_box.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                        width, height);
  }
  if (!g_box.texture) {
    CloseBoxWindow();
    return false;
  }
  g_box.width = width;
  g_box.height = height;
  SDL_ShowWindow(g_box.window);
  SDL_RaiseWindow(g_box.window);
  return true;
}

void CloseBoxWindow() {
  if (g_box.texture) SDL_DestroyTexture(g_box.texture);
  if (g_box.renderer) SDL_DestroyRenderer(g_box.renderer);
  if (g_box.window) SDL_DestroyWindow(g_box.window);
  const bool ownsVideo = g_box.ownsVideo;
  g_box = BoxWindow{};
  if (ownsVideo) {
    SetEventSource(nullptr, nullptr);
    g_videoUp = false;
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  }
  // The game window shows its picture again where the box was.
  if (g_window) ShowOnScreen();
}

bool HasBoxWindow() { return g_box.window != nullptr; }

namespace {
std::atomic<bool> g_pointerShown{true};
}  // namespace

void ShowPointer(bool show) {
  g_pointerShown = show;
  if (!g_videoUp.load()) return;
  auto apply = [show] { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); };
  if (IsMainThread())
    apply();
  else
    CallOnMainThread(apply);
}

bool PointerShown() { return g_pointerShown.load(); }

namespace {
struct PointerMove {
  std::mutex lock;
  bool moved = false;
  int x = 0, y = 0;
} g_pointerMove;
}  // namespace

void MovePointer(int x, int y) {
  {
    std::lock_guard<std::mutex> g(g_pointerMove.lock);
    g_pointerMove.moved = true;
    g_pointerMove.x = x;
    g_pointerMove.y = y;
  }
  if (!HasVideoWindow()) return;
  auto apply = [x, y] {
    int ww = 0, wh = 0, ow = 0, oh = 0;
    SDL_GetWindowSize(g_window, &ww, &wh);
    if (!g_renderer || SDL_GetRendererOutputSize(g_renderer, &ow, &oh) != 0 || ow <= 0 || oh <= 0) return;
    int ax = 0, ay = 0;
    PictureToArea(PictureOnScreen(), g_pictureW, g_pictureH, x, y, &ax, &ay);
    SDL_WarpMouseInWindow(g_window, static_cast<int>(int64_t{ax} * ww / ow), static_cast<int>(int64_t{ay} * wh / oh));
  };
  if (IsMainThread())
    apply();
  else
    CallOnMainThread(apply);
}

bool PointerMovedTo(int* x, int* y) {
  std::lock_guard<std::mutex> g(g_pointerMove.lock);
  *x = g_pointerMove.x;
  *y = g_pointerMove.y;
  return g_pointerMove.moved;
}

void SetFramePresentedHook(FramePresentedHook hook) { g_presentedHook = hook; }

uint64_t PresentedFrameCount() {
  std::lock_guard<std::mutex> g(g_capture.lock);
  return g_capture.count;
}

void SetFrameLimit(uint64_t frames) {
  std::lock_guard<std::mutex> g(g_capture.lock);
  g_capture.limit = frames;
}

void AddScreenshot(uint64_t frame, std::string osPath) {
  std::lock_guard<std::mutex> g(g_capture.lock);
  g_capture.shots[frame].push_back(std::move(osPath));
}

void SetUnseenHeadlessFrames(bool unseen) {
  std::lock_guard<std::mutex> g(g_capture.lock);
  g_capture.unseenHeadless = unseen;
}

bool NextFrameSeen() {
  std::lock_guard<std::mutex> g(g_capture.lock);
  if (!g_headless.load() || !g_capture.unseenHeadless || g_capture.hashes) return true;
  return g_capture.shots.count(g_capture.count + 1) != 0;
}

bool SetFrameHashFile(const std::string& osPath) {
  std::lock_guard<std::mutex> g(g_capture.lock);
  if (g_capture.hashes) std::fclose(g_capture.hashes);
  g_capture.hashes = std::fopen(osPath.c_str(), "w");
  return g_capture.hashes != nullptr;
}

}  // namespace plat
