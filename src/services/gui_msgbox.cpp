#include "services/gui_msgbox.h"

#include <algorithm>
#include <atomic>

#include "platform/fonts.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/video.h"

namespace {

constexpr uint32_t kFace = 0xFFD4D0C8u;
constexpr int kIconSize = 32;
// In dialog units (a unit is 1.5 pixels both ways).
constexpr int kMargin = 8;
constexpr int kGap = 6;
constexpr int kButtonW = 50, kButtonH = 14;
constexpr int kTextMaxPixels = 420;

std::atomic<bool> g_english{false};

// Pixels to dialog units, rounded up so that the pixels always fit.
int UnitsX(int px) { return (px * 4 + 5) / 6; }
int UnitsY(int px) { return (px * 8 + 11) / 12; }

const char* Label(int id, bool english) {
  switch (id) {
    case IDCANCEL: return english ? "Cancel" : "キャンセル";
    case IDYES: return english ? "Yes" : "はい";
    case IDNO: return english ? "No" : "いいえ";
    default: return "OK";
  }
}

// The button ids of the box types, as the platform's boxes have them.
std::vector<int> ButtonIds(unsigned type) {
  switch (type & 0xF) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    default: return {IDOK};
  }
}

uint32_t Rgb(int r, int g, int b) {
  return 0xFF000000u | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}

// A round or triangular sign with a white mark (a glyph of the dialog font,
// drawn twice side by side to be bold) in its middle.
sDialogBitmap DrawIcon(bool triangle, uint32_t fill, uint32_t rim, const char* mark, uint32_t markColour) {
  sDialogBitmap bmp;
  bmp.width = bmp.height = kIconSize;
  bmp.argb.assign(static_cast<size_t>(kIconSize) * kIconSize, kFace);
  auto put = [&](int x, int y, uint32_t c) { bmp.argb[static_cast<size_t>(y) * kIconSize + x] = c; };
  for (int y = 0; y < kIconSize; ++y)
    for (int x = 0; x < kIconSize; ++x) {
      // Twice the distance from the centre (15.5, 15.5), in integers.
      const int dx = 2 * x - 31, dy = 2 * y - 31;
      bool inside, edge;
      if (triangle) {
        // Apex at the top middle, base along the bottom row.
        const int half = (y * 16) / 31;  // half width at this row
        inside = y >= 1 && std::abs(dx) <= 2 * half;
        edge = inside && (std::abs(dx) > 2 * half - 4 || y >= 30);
      } else {
        const int d2 = dx * dx + dy * dy;
        inside = d2 <= 31 * 31;
        edge = inside && d2 > 27 * 27;
      }
      if (inside) put(x, y, edge ? rim : fill);
    }
  const plat::TextMask m = DialogFont().Render(mark);
  const int ox = (kIconSize - m.width) / 2, oy = (kIconSize - m.height) / 2 + (triangle ? 4 : 0);
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x)
      if (m.At(x, y) == plat::kGlyphInk)
        for (int k = 0; k < 2; ++k)
          if (ox + x + k < kIconSize && oy + y >= 0 && oy + y < kIconSize) put(ox + x + k, oy + y, markColour);
  return bmp;
}

class cMessageBox : public cDialog {
 public:
  explicit cMessageBox(const sMessageBoxLayout& layout) : m_Layout(layout) {
    Init(&m_Layout.resource, nullptr, nullptr);
    UseOwnWindow();
  }

  void OnInitDialog(WPARAM w, LPARAM l) override {
    cDialog::OnInitDialog(w, l);
    SetFocusId(static_cast<uint16_t>(m_Layout.defaultId));
  }

  void OnCommand(WPARAM w, LPARAM l) override {
    int id = static_cast<int>(w & 0xFFFF);
    // Escape without a Cancel button takes the default one, as the
    // full-screen box does.
    if (id == IDCANCEL && !Has(IDCANCEL)) id = m_Layout.defaultId;
    if (Has(id)) {
      Close(id);
      return;
    }
    cDialog::OnCommand(w, l);
  }

  // The arrows move the focus from button to button, as in the full-screen box.
  void OnKeyDown(int vk, LPARAM l, bool ctrl) override {
    const int step = (vk == VK_LEFT || vk == VK_UP) ? -1 : (vk == VK_RIGHT || vk == VK_DOWN) ? 1 : 0;
    if (step == 0) {
      cDialog::OnKeyDown(vk, l, ctrl);
      return;
    }
    const auto& b = m_Layout.buttons;
    int at = 0;
    for (size_t i = 0; i < b.size(); ++i)
      if (b[i].id == FocusId()) at = static_cast<int>(i);
    at = std::clamp(at + step, 0, static_cast<int>(b.size()) - 1);
    SetFocusId(static_cast<uint16_t>(b[static_cast<size_t>(at)].id));
  }

 private:
  bool Has(int id) const {
    for (const auto& b : m_Layout.buttons)
      if (b.id == id) return true;
    return false;
  }

  sMessageBoxLayout m_Layout;
};

int ShowOnThisThread(std::string_view text, std::string_view caption, unsigned type) {
  // Once the game is closing a box would only flash up and go.
  if (plat::IsClosing()) return 0;
  cMessageBox box(LayOutMessageBox(text, caption, type, g_english.load()));
  return box.DoModal(0);
}

int HandleBox(std::string_view text, std::string_view caption, unsigned type) {
  if (plat::IsMainThread()) return ShowOnThisThread(text, caption, type);
  int answer = 0;
  // Refused once closing has begun: no answer.
  plat::CallOnMainThread([&] { answer = ShowOnThisThread(text, caption, type); });
  return answer;
}

}  // namespace

const sDialogBitmap& MessageBoxIcon(unsigned type) {
  static const sDialogBitmap none;
  static const sDialogBitmap error = DrawIcon(false, Rgb(208, 32, 32), Rgb(128, 0, 0), "×", Rgb(255, 255, 255));
  static const sDialogBitmap question = DrawIcon(false, Rgb(40, 96, 208), Rgb(16, 48, 128), "?", Rgb(255, 255, 255));
  static const sDialogBitmap warning = DrawIcon(true, Rgb(248, 208, 32), Rgb(96, 72, 0), "!", Rgb(0, 0, 0));
  static const sDialogBitmap information =
      DrawIcon(false, Rgb(40, 96, 208), Rgb(16, 48, 128), "i", Rgb(255, 255, 255));
  switch (type & 0xF0) {
    case MB_ICONERROR: return error;
    case MB_ICONQUESTION: return question;
    case MB_ICONWARNING: return warning;
    case MB_ICONINFORMATION: return information;
    default: return none;
  }
}

sMessageBoxLayout LayOutMessageBox(std::string_view text, std::string_view caption, unsigned type, bool english) {
  sMessageBoxLayout out;
  out.texts = std::make_shared<std::vector<std::string>>();
  // A line feed at the end shows nothing.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  out.lines = WrapDialogText(text, kTextMaxPixels);
  const plat::Font& font = DialogFont();
  out.lineHeight = font.CellHeight();
  int textW = 0;
  std::string joined;
  for (size_t i = 0; i < out.lines.size(); ++i) {
    textW = std::max(textW, font.Measure(out.lines[i]).cx);
    if (i > 0) joined += '\n';
    joined += out.lines[i];
  }
  const int textH = static_cast<int>(out.lines.size()) * out.lineHeight;
  const std::vector<int> ids = ButtonIds(type);
  out.defaultId = plat::DefaultAnswer(type);

  const sDialogBitmap& icon = MessageBoxIcon(type);
  const int iconUnits = icon.width > 0 ? UnitsX(kIconSize) + kMargin : 0;
  const int textUnitsW = UnitsX(textW), textUnitsH = UnitsY(textH);
  const int iconUnitsH = icon.width > 0 ? UnitsY(kIconSize) : 0;
  // A short text stands level with the icon's middle.
  const int textTop = kMargin + std::max(0, (iconUnitsH - textUnitsH) / 2);
  const int buttonsW = static_cast<int>(ids.size()) * kButtonW + (static_cast<int>(ids.size()) - 1) * kGap;
  const int clientW = std::max({kMargin + iconUnits + textUnitsW + kMargin, buttonsW + 2 * kMargin, 120});
  const int buttonsY = kMargin + std::max(iconUnitsH, textTop - kMargin + textUnitsH) + kMargin;
  const int clientH = buttonsY + kButtonH + kMargin;

  auto& texts = *out.texts;
  texts.reserve(ids.size() + 2);
  texts.emplace_back(caption);
  texts.push_back(joined);
  for (int id : ids) texts.emplace_back(Label(id, english));

  sDialogResource& r = out.resource;
  r.cx = clientW;
  r.cy = clientH;
  r.title = texts[0].c_str();
  if (icon.width > 0)
    r.items.push_back({eItemKind::Picture, 0xFFF0, kMargin, kMargin, UnitsX(kIconSize), UnitsY(kIconSize), "", false,
                       &icon});
  r.items.push_back({eItemKind::Static, 0xFFFF, kMargin + iconUnits, textTop, textUnitsW, textUnitsH,
                     texts[1].c_str(), false, nullptr});
  int bx = (clientW - buttonsW) / 2;
  for (size_t i = 0; i < ids.size(); ++i) {
    const bool isDefault = ids[i] == out.defaultId;
    r.items.push_back({isDefault ? eItemKind::DefButton : eItemKind::Button, static_cast<uint16_t>(ids[i]), bx,
                       buttonsY, kButtonW, kButtonH, texts[2 + i].c_str(), false, nullptr});
    bx += kButtonW + kGap;
  }

  // The same frame every dialog of ours has: a caption and a dialog frame.
  const int frameLeft = kDlgFrame, frameTop = kCaptionHeight + kDlgFrame;
  out.windowW = DialogUnitsToPixelsX(clientW) + 2 * kDlgFrame;
  out.windowH = DialogUnitsToPixelsY(clientH) + frameTop + kDlgFrame;
  out.textX = frameLeft + DialogUnitsToPixelsX(kMargin + iconUnits);
  out.textY = frameTop + DialogUnitsToPixelsY(textTop);
  for (size_t i = 0; i < ids.size(); ++i) {
    const sDialogItemDesc& d = r.items[r.items.size() - ids.size() + i];
    out.buttons.push_back({ids[i], frameLeft + DialogUnitsToPixelsX(d.x), frameTop + DialogUnitsToPixelsY(d.y),
                           DialogUnitsToPixelsX(d.cx), DialogUnitsToPixelsY(d.cy)});
  }
  return out;
}

int ShowDrawnMessageBox(std::string_view text, std::string_view caption, unsigned type) {
  return HandleBox(text, caption, type);
}

void SetMessageBoxEnglish(bool english) { g_english = english; }

void InstallDrawnMessageBoxes() { plat::SetMessageBoxHandler(&HandleBox); }
