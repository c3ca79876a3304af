// Drawing of an open dialog over the frozen frame.
#include <algorithm>

#include "platform/fonts.h"
#include "platform/video.h"
#include "services/gui_dialog.h"

namespace {

constexpr uint32_t kFace = 0xFFD4D0C8u;
constexpr uint32_t kShadow = 0xFF808080u;
constexpr uint32_t kDark = 0xFF404040u;
constexpr uint32_t kLight = 0xFFFFFFFFu;
constexpr uint32_t kInk = 0xFF000000u;
constexpr uint32_t kGreyInk = 0xFF808080u;
constexpr uint32_t kCaption = 0xFF0A246Au;
constexpr uint32_t kSelect = 0xFF0A246Au;

struct Canvas {
  uint32_t* px;
  int w, h, pitch;

  void Fill(int x, int y, int cx, int cy, uint32_t c) const {
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + cx, w), y1 = std::min(y + cy, h);
    for (int yy = y0; yy < y1; ++yy)
      std::fill(px + static_cast<size_t>(yy) * pitch + x0, px + static_cast<size_t>(yy) * pitch + x1, c);
  }
  void Frame(int x, int y, int cx, int cy, uint32_t topLeft, uint32_t bottomRight) const {
    Fill(x, y, cx, 1, topLeft);
    Fill(x, y, 1, cy, topLeft);
    Fill(x, y + cy - 1, cx, 1, bottomRight);
    Fill(x + cx - 1, y, 1, cy, bottomRight);
  }
  void Dotted(int x, int y, int cx, int cy) const {
    for (int i = 0; i < cx; i += 2) {
      Fill(x + i, y, 1, 1, kInk);
      Fill(x + i, y + cy - 1, 1, 1, kInk);
    }
    for (int i = 0; i < cy; i += 2) {
      Fill(x, y + i, 1, 1, kInk);
      Fill(x + cx - 1, y + i, 1, 1, kInk);
    }
  }
  int Text(const std::string& cp932, int x, int y, uint32_t c) const {
    if (cp932.empty()) return 0;
    const plat::Font& font = Font();
    plat::TextMask m = font.Render(cp932);
    for (int yy = 0; yy < m.height; ++yy)
      for (int xx = 0; xx < m.width; ++xx)
        if (m.At(xx, yy) == plat::kGlyphInk && x + xx >= 0 && x + xx < w && y + yy >= 0 &&
            y + yy < h)
          px[static_cast<size_t>(y + yy) * pitch + x + xx] = c;
    return m.width;
  }
  static const plat::Font& Font() {
    static const plat::Font font(plat::FontDesc{"ＭＳ ゴシック", -12, 0, plat::kFixedPitch});
    return font;
  }
};

}  // namespace

void cDialog::Render(uint32_t* argb, int width, int height, int pitch) const {
  Canvas cv{argb, width, height, pitch};
  const sWindowLayout& l = Layout();
  int wx = PosX(), wy = PosY();
  int frame = l.frameLeft, caption = l.frameTop - l.frameLeft;
  int ww = l.windowW, wh = l.windowH;
  cv.Fill(wx, wy, ww, wh, kFace);
  cv.Frame(wx, wy, ww, wh, kLight, kDark);
  if (caption > 2) cv.Fill(wx + frame, wy + frame, ww - 2 * frame, caption - 2, kCaption);
  if (m_pResource && m_pResource->title)
    cv.Text(m_pResource->title, wx + frame + 4, wy + frame + 3, kLight);
  int ox = wx + frame, oy = wy + frame + caption;
  for (size_t i = 0; i < m_Items.size(); ++i) {
    const cDialogItem& it = m_Items[i];
    int x = ox + it.x, y = oy + it.y;
    bool focused = static_cast<int>(i) == m_nFocus;
    uint32_t ink = it.enabled ? kInk : kGreyInk;
    int textY = y + std::max(0, (it.cy - 12) / 2);
    switch (it.desc.kind) {
      case eItemKind::Static: cv.Text(it.text, x, y, ink); break;
      case eItemKind::Button:
      case eItemKind::DefButton: {
        bool isDefault = it.desc.kind == eItemKind::DefButton;
        if (isDefault) cv.Frame(x - 1, y - 1, it.cx + 2, it.cy + 2, kInk, kInk);
        cv.Frame(x, y, it.cx, it.cy, kLight, kDark);
        cv.Frame(x + 1, y + 1, it.cx - 2, it.cy - 2, kFace, kShadow);
        int tw = Canvas::Font().Measure(it.text).cx;
        cv.Text(it.text, x + (it.cx - tw) / 2, textY, ink);
        if (focused) cv.Dotted(x + 3, y + 3, it.cx - 6, it.cy - 6);
        break;
      }
      case eItemKind::CheckBox:
      case eItemKind::Radio: {
        int by = y + std::max(0, (it.cy - 13) / 2);
        cv.Fill(x, by, 13, 13, kLight);
        cv.Frame(x, by, 13, 13, kShadow, kLight);
        if (it.check) {
          if (it.desc.kind == eItemKind::CheckBox) {
            for (int k = 0; k < 7; ++k) cv.Fill(x + 3 + k, by + 3 + k, 1, 1, ink), cv.Fill(x + 9 - k, by + 3 + k, 1, 1, ink);
          } else {
            cv.Fill(x + 4, by + 4, 5, 5, ink);
          }
        }
        int tw = cv.Text(it.text, x + 17, textY, ink);
        if (focused) cv.Dotted(x + 15, textY - 1, tw + 4, 14);
        break;
      }
      case eItemKind::Edit: {
        cv.Fill(x, y, it.cx, it.cy, it.enabled ? kLight : kFace);
        cv.Frame(x, y, it.cx, it.cy, kShadow, kLight);
        int tx = x + 3;
        int a = std::clamp(std::min(it.selStart, it.selEnd), 0, static_cast<int>(it.text.size()));
        int b = std::clamp(std::max(it.selStart, it.selEnd), 0, static_cast<int>(it.text.size()));
        std::string head = it.text.substr(0, static_cast<size_t>(a));
        std::string mid = it.text.substr(static_cast<size_t>(a), static_cast<size_t>(b - a));
        std::string tail = it.text.substr(static_cast<size_t>(b));
        tx += cv.Text(head, tx, textY, ink);
        if (focused && !mid.empty()) {
          int mw = Canvas::Font().Measure(mid).cx;
          cv.Fill(tx, textY, mw, 12, kSelect);
          tx += cv.Text(mid, tx, textY, kLight);
        } else {
          tx += cv.Text(mid, tx, textY, ink);
        }
        if (focused && a == b) cv.Fill(tx, textY, 1, 12, kInk);
        cv.Text(tail, tx, textY, ink);
        break;
      }
    }
  }
}

void cDialog::ShowFrame() {
  std::vector<uint32_t> frame = m_Frozen;
  // The game behind the dialog is dimmed so that the dialog stands out.
  for (uint32_t& p : frame) p = 0xFF000000u | ((p >> 1) & 0x7F7F7Fu);
  Render(frame.data(), m_nFrozenW, m_nFrozenH, m_nFrozenW);
  plat::ShowDialogFrame(frame.data(), m_nFrozenW, m_nFrozenH, m_nFrozenW);
}
