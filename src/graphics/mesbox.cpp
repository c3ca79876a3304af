#include "graphics/mesbox.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/blit.h"
#include "graphics/color.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/sheet_text.h"
#include "platform/dialog_input.h"
#include "platform/fonts.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/video.h"
#include "services/gui_msgbox.h"
#include "services/log.h"

namespace {

struct Button {
  int id;
  const char* label;
};

// The program's own texts are Japanese; the start option English turns them
// to English, the box's buttons with them.
std::atomic<bool> g_english{false};

const char* Label(int id) {
  const bool en = g_english.load();
  switch (id) {
    case IDCANCEL: return en ? "Cancel" : "キャンセル";
    case IDYES: return en ? "Yes" : "はい";
    case IDNO: return en ? "No" : "いいえ";
    default: return "OK";
  }
}

// The button sets of the box types, as the platform's boxes have them.
int ButtonsOf(unsigned type, Button out[3]) {
  int ids[3] = {IDOK, 0, 0};
  int n = 1;
  switch (type & 0xF) {
    case MB_OKCANCEL: ids[1] = IDCANCEL; n = 2; break;
    case MB_YESNOCANCEL: ids[0] = IDYES; ids[1] = IDNO; ids[2] = IDCANCEL; n = 3; break;
    case MB_YESNO: ids[0] = IDYES; ids[1] = IDNO; n = 2; break;
    default: break;
  }
  for (int i = 0; i < n; ++i) out[i] = {ids[i], Label(ids[i])};
  return n;
}

constexpr uint32_t kBoxBack = 0x102050;
constexpr uint32_t kBoxCaption = 0x3050A0;
constexpr uint32_t kBoxFrame = 0xF0F0F0;
constexpr uint32_t kBoxText = 0xF8F8F8;
constexpr int kMargin = 16;
constexpr int kButtonMinWidth = 80;
constexpr int kButtonHeight = 22;

// An RGB colour as the fills of the running backend take it.
DWORD DeviceColor(uint32_t rgb) {
  if (lpDTCon) return 0xFF000000u | rgb;
  if (g_nBpp == 8) return NearestPaletteIndex(g_Palette, 256, rgb);
  if (g_nBpp == 16) return PackScaled(g_ColorBits, rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
  return rgb;
}

void Fill(int x, int y, int w, int h, uint32_t rgb) { DDFillRectColor(&BackBuffer, x, y, w, h, DeviceColor(rgb)); }

void Frame(int x, int y, int w, int h, uint32_t rgb) {
  Fill(x, y, w, 1, rgb);
  Fill(x, y + h - 1, w, 1, rgb);
  Fill(x, y, 1, h, rgb);
  Fill(x + w - 1, y, 1, h, rgb);
}

// The glyph pixels of a mask in one colour, a run of ink per fill.
void DrawMask(const plat::TextMask& mask, int x, int y, uint32_t rgb) {
  const DWORD color = DeviceColor(rgb);
  for (int my = 0; my < mask.height; ++my) {
    for (int mx = 0; mx < mask.width;) {
      if (!mask.At(mx, my)) {
        ++mx;
        continue;
      }
      int end = mx;
      while (end < mask.width && mask.At(end, my)) ++end;
      DDFillRectColor(&BackBuffer, x + mx, y + my, end - mx, 1, color);
      mx = end;
    }
  }
}

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The text's lines, broken between characters where a line is wider than
// maxWidth, at most maxLines of them.
std::vector<std::string> WrapLines(const plat::Font& font, std::string_view text, int maxWidth, size_t maxLines) {
  std::vector<std::string> lines;
  std::string line;
  size_t i = 0;
  while (i < text.size() && lines.size() < maxLines) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
      ++i;
      continue;
    }
    if (c == '\r') {
      ++i;
      continue;
    }
    const size_t n = (IsLeadByte(c) && i + 1 < text.size()) ? 2 : 1;
    std::string next = line + std::string(text.substr(i, n));
    if (!line.empty() && font.Measure(next).cx > maxWidth) {
      lines.push_back(line);
      line.clear();
      continue;
    }
    line = std::move(next);
    i += n;
  }
  if (!line.empty() && lines.size() < maxLines) lines.push_back(line);
  return lines;
}

struct BoxLayout {
  int x = 0, y = 0, w = 0, h = 0;
  int lineHeight = 16;
  std::string caption;
  std::vector<std::string> lines;
  Button buttons[3] = {};
  int buttonCount = 0;
  int buttonWidth = kButtonMinWidth;
};

const plat::Font& BoxFont() {
  static const plat::Font font(plat::FontDesc{"ＭＳ ゴシック", 16, 0, plat::kFixedPitch});
  return font;
}

BoxLayout LayOut(const char* text, const char* caption, unsigned type) {
  const plat::Font& font = BoxFont();
  const int screenW = g_nScreenWidth > 0 ? g_nScreenWidth : 640;
  const int screenH = g_nScreenHeight > 0 ? g_nScreenHeight : 480;
  BoxLayout b;
  b.lineHeight = std::max(font.CellHeight(), 16);
  b.buttonCount = ButtonsOf(type, b.buttons);
  // One width for all buttons, with room around the longest label.
  for (int i = 0; i < b.buttonCount; ++i)
    b.buttonWidth = std::max(b.buttonWidth, font.Measure(b.buttons[i].label).cx + 16);
  const int maxInner = screenW - 4 * kMargin;
  const int fixedH = 2 * kMargin + b.lineHeight + 8 + kButtonHeight + kMargin;
  const int maxLines = std::max(1, (screenH - 2 * kMargin - fixedH) / b.lineHeight);
  std::vector<std::string> captionLines = WrapLines(font, caption ? caption : "", maxInner, 1);
  b.caption = captionLines.empty() ? "" : captionLines[0];
  b.lines = WrapLines(font, text ? text : "", maxInner, static_cast<size_t>(maxLines));
  int inner = b.buttonCount * (b.buttonWidth + 8) - 8;
  inner = std::max(inner, font.Measure(b.caption).cx);
  for (const std::string& l : b.lines) inner = std::max(inner, font.Measure(l).cx);
  b.w = std::min(inner + 2 * kMargin, screenW);
  b.h = std::min(fixedH + static_cast<int>(b.lines.size()) * b.lineHeight, screenH);
  b.x = (screenW - b.w) / 2;
  b.y = (screenH - b.h) / 2;
  return b;
}

// Top-left of button i, in frame pixels.
void ButtonPos(const BoxLayout& b, int i, int* x, int* y) {
  const int rowW = b.buttonCount * (b.buttonWidth + 8) - 8;
  *x = b.x + (b.w - rowW) / 2 + i * (b.buttonWidth + 8);
  *y = b.y + b.h - kMargin - kButtonHeight;
}

// The button under a point, or -1.
int ButtonAt(const BoxLayout& b, int x, int y) {
  for (int i = 0; i < b.buttonCount; ++i) {
    int bx = 0, by = 0;
    ButtonPos(b, i, &bx, &by);
    if (x >= bx && x < bx + b.buttonWidth && y >= by && y < by + kButtonHeight) return i;
  }
  return -1;
}

void DrawBox(const BoxLayout& b, int selected) {
  const plat::Font& font = BoxFont();
  Fill(b.x, b.y, b.w, b.h, kBoxBack);
  Fill(b.x, b.y, b.w, b.lineHeight + 8, kBoxCaption);
  Frame(b.x, b.y, b.w, b.h, kBoxFrame);
  DrawMask(font.Render(b.caption), b.x + 8, b.y + 4, kBoxText);
  int y = b.y + b.lineHeight + 8 + kMargin;
  for (const std::string& l : b.lines) {
    DrawMask(font.Render(l), b.x + kMargin, y, kBoxText);
    y += b.lineHeight;
  }
  for (int i = 0; i < b.buttonCount; ++i) {
    int bx = 0, by = 0;
    ButtonPos(b, i, &bx, &by);
    if (i == selected) Fill(bx, by, b.buttonWidth, kButtonHeight, kBoxCaption);
    Frame(bx, by, b.buttonWidth, kButtonHeight, kBoxFrame);
    plat::TextMask label = font.Render(b.buttons[i].label);
    DrawMask(label, bx + (b.buttonWidth - label.width) / 2, by + (kButtonHeight - label.height) / 2, kBoxText);
  }
}

void ShowBackBuffer() {
  if (lpDTCon)
    DDPresent(0, 0, nullptr);
  else
    DDCopyBackToPrimary();
}

int DefaultIndex(unsigned type, const BoxLayout& b) {
  const int id = plat::DefaultAnswer(type);
  for (int i = 0; i < b.buttonCount; ++i)
    if (b.buttons[i].id == id) return i;
  return 0;
}

// While the box is up the keyboard and the clicks are the box's alone: they
// are routed to the dialog input (the window thread starts and stops that),
// so no key reaches the game's key table or the main window, whose Escape
// would close the game.
bool BeginBoxInput() {
  if (!plat::IsMainThread()) return plat::CallOnMainThread([] { plat::BeginDialogInput(); });
  plat::BeginDialogInput();
  return true;
}

void EndBoxInput(bool begun) {
  plat::ClearDialogInput();
  if (!begun) return;
  // Once closing has begun the window thread serves no calls: the routing
  // is left on, as nothing reads keys any more.
  if (plat::IsMainThread())
    plat::EndDialogInput();
  else
    plat::CallOnMainThread([] { plat::EndDialogInput(); });
}

// Left and right move the mark; Return or Space take the marked button;
// Escape takes Cancel, or the default button of a box without one; a left
// click takes the button under it. A key's release goes on to the game.
int RunBox(const BoxLayout& b, unsigned type) {
  const int defaultIndex = DefaultIndex(type, b);
  int selected = defaultIndex;
  int escape = defaultIndex;
  for (int i = 0; i < b.buttonCount; ++i)
    if (b.buttons[i].id == IDCANCEL) escape = i;
  const bool begun = BeginBoxInput();
  int chosen = -1;
  while (chosen < 0) {
    for (const plat::DialogInput& in : plat::TakeDialogInput()) {
      if (chosen >= 0) break;
      if (in.kind == plat::DialogInput::Click) {
        chosen = ButtonAt(b, in.x, in.y);
        continue;
      }
      if (in.kind != plat::DialogInput::Key) continue;
      if (in.release) {
        plat::PassKeyToGame(in.vk, false);
        continue;
      }
      int moved = selected;
      switch (in.vk) {
        case VK_RETURN:
        case VK_SPACE: chosen = selected; break;
        case VK_ESCAPE: chosen = escape; break;
        case VK_LEFT: moved = selected > 0 ? selected - 1 : selected; break;
        case VK_RIGHT: moved = selected + 1 < b.buttonCount ? selected + 1 : selected; break;
        default: break;
      }
      if (chosen < 0 && moved != selected) {
        selected = moved;
        DrawBox(b, selected);
        ShowBackBuffer();
      }
    }
    if (chosen >= 0) break;
    if (plat::IsClosing()) {
      chosen = defaultIndex;
      break;
    }
    if (plat::IsMainThread()) {
      // After a quit the outer loop sees it too: the box just gives way.
      if (!plat::PumpMessages(16)) chosen = defaultIndex;
    } else {
      plat::Sleep(16);
    }
  }
  EndBoxInput(begun);
  return b.buttons[chosen].id;
}

struct InstallAtStart {
  InstallAtStart() { DDInstallDrawnBoxes(); }
} g_installAtStart;

}  // namespace

int DDSetDialogBoxMode(int on) {
  if (!g_bDisplayReady || (!lpDTCon && !g_lpDDCon)) return 0;
  if (g_bWindowed) return 1;
  // Our display has no separate dialog surface to flip to: the box is drawn
  // into the frame itself, so only the open scene has to be closed.
  if (on && lpDTCon) DDEndScene();
  // The pointer is hidden over the full-screen game and shown for a box or
  // dialog, which is answered with it too.
  plat::ShowPointer(on != 0);
  return 1;
}

void DDSetMesBoxEnglish(int english) {
  g_english = english != 0;
  SetMessageBoxEnglish(english != 0);
}

int DDMesBox(const char* text, const char* caption, unsigned type) {
  if (!DDSetDialogBoxMode(1)) {
    WriteECLogf("DDMesBox 失敗! %s, %s", text ? text : "", caption ? caption : "");
    return 0;
  }
  int answer;
  if (g_bWindowed) {
    answer = plat::ShowMessageBox(text ? text : "", caption ? caption : "", type);
  } else {
    const BoxLayout box = LayOut(text, caption, type);
    DrawBox(box, DefaultIndex(type, box));
    ShowBackBuffer();
    // Headless: the scripted answer or the default, as every box gets.
    answer = plat::IsHeadless() ? plat::ShowMessageBox(text ? text : "", caption ? caption : "", type)
                                : RunBox(box, type);
  }
  DDSetDialogBoxMode(0);
  return answer;
}

void DDInstallDrawnBoxes() {
  DDSetMesBoxProvider(&DDMesBox);
  DDSetFrameOverlay(&DDDrawFrameOverlay);
}
