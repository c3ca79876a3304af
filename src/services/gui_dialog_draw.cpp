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
  // Text whose cells start at (x, y), inked only inside the clip rectangle
  // [x0, x1) x [y0, y1) (and the canvas). Returns the advance.
  int Text(const std::string& cp932, int x, int y, uint32_t c, int x0 = 0, int y0 = 0, int x1 = 1 << 30,
           int y1 = 1 << 30) const {
    if (cp932.empty()) return 0;
    x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, w), y1 = std::min(y1, h);
    plat::TextMask m = Font().Render(cp932);
    for (int yy = std::max(0, y0 - y); yy < m.height && y + yy < y1; ++yy)
      for (int xx = std::max(0, x0 - x); xx < m.width && x + xx < x1; ++xx)
        if (m.At(xx, yy) == plat::kGlyphInk) px[static_cast<size_t>(y + yy) * pitch + x + xx] = c;
    return m.width;
  }
  // A mask of rows of characters: each character's colour by a callback.
  template <typename ColourOf>
  void Pattern(int x, int y, const char* const* rows, int count, ColourOf colourOf) const {
    for (int r = 0; r < count; ++r)
      for (int k = 0; rows[r][k]; ++k) {
        uint32_t c;
        if (colourOf(rows[r][k], &c)) Fill(x + k, y + r, 1, 1, c);
      }
  }
  static const plat::Font& Font() { return DialogFont(); }
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
      case eItemKind::Static: {
        const int lineH = Canvas::Font().CellHeight();
        int ly = y;
        for (const std::string& line : WrapDialogText(it.text, it.cx)) {
          if (ly >= y + it.cy) break;
          cv.Text(line, x, ly, ink, x, y, x + it.cx, y + it.cy);
          ly += lineH;
        }
        break;
      }
      case eItemKind::Group: {
        // An etched frame whose top edge runs through the caption's middle.
        const int lineH = Canvas::Font().CellHeight();
        int top = y + lineH / 2;
        int fh = it.cy - (top - y);
        cv.Frame(x, top, it.cx, fh, kShadow, kLight);
        cv.Frame(x + 1, top + 1, it.cx - 2, fh - 2, kLight, kShadow);
        if (!it.text.empty()) {
          int tw = std::min(Canvas::Font().Measure(it.text).cx, std::max(0, it.cx - 16));
          cv.Fill(x + 6, y, tw + 4, lineH, kFace);
          cv.Text(it.text, x + 8, y, ink, x + 8, y, x + 8 + tw, y + it.cy);
        }
        break;
      }
      case eItemKind::Picture:
        if (const sDialogBitmap* bmp = it.desc.bitmap;
            bmp && bmp->width > 0 && bmp->height > 0 &&
            bmp->argb.size() >= static_cast<size_t>(bmp->width) * bmp->height) {
          int x0 = std::max(x, 0), x1 = std::min(x + bmp->width, width);
          for (int yy = std::max(y, 0); yy < std::min(y + bmp->height, height) && x0 < x1; ++yy)
            std::copy_n(bmp->argb.data() + static_cast<size_t>(yy - y) * bmp->width + (x0 - x), x1 - x0,
                        argb + static_cast<size_t>(yy) * pitch + x0);
        }
        break;
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
      case eItemKind::CheckBox: {
        // A sunken square; checked, a tick.
        static const char* const kTick[] = {"......#", ".....##", "#...###", "##.###.",
                                            "#####..", ".###...", "..#...."};
        int by = y + std::max(0, (it.cy - 13) / 2);
        cv.Frame(x, by, 13, 13, kShadow, kLight);
        cv.Frame(x + 1, by + 1, 11, 11, kDark, kFace);
        cv.Fill(x + 2, by + 2, 9, 9, it.enabled ? kLight : kFace);
        if (it.check)
          cv.Pattern(x + 3, by + 3, kTick, 7, [&](char ch, uint32_t* c) {
            *c = ink;
            return ch == '#';
          });
        int tw = cv.Text(it.text, x + 17, textY, ink);
        if (focused) cv.Dotted(x + 15, textY - 1, tw + 4, 14);
        break;
      }
      case eItemKind::Radio: {
        // A sunken round button; checked, a dot in its middle.
        static const char* const kRound[] = {
            "....ssss....", "..ssddddss..", ".sddwwwwdfl.", ".sdwwwwwwfl.", "sdwwwwwwwwfl", "sdwwwwwwwwfl",
            "sdwwwwwwwwfl", "sdwwwwwwwwfl", ".sdwwwwwwfl.", ".sdfwwwwffl.", "..llffffll..", "....llll....",
        };
        static const char* const kDot[] = {".##.", "####", "####", ".##."};
        int by = y + std::max(0, (it.cy - 12) / 2);
        cv.Pattern(x, by, kRound, 12, [&](char ch, uint32_t* c) {
          switch (ch) {
            case 's': *c = kShadow; return true;
            case 'd': *c = kDark; return true;
            case 'l': *c = kLight; return true;
            case 'f': *c = kFace; return true;
            case 'w': *c = it.enabled ? kLight : kFace; return true;
            default: return false;
          }
        });
        if (it.check)
          cv.Pattern(x + 4, by + 4, kDot, 4, [&](char ch, uint32_t* c) {
            *c = ink;
            return ch == '#';
          });
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
  // The game behind the dialog is dimmed so that the dialog stands out (a
  // dialog in a window of its own covers all of it).
  if (!m_bOwnWindow)
    for (uint32_t& p : frame) p = 0xFF000000u | ((p >> 1) & 0x7F7F7Fu);
  Render(frame.data(), m_nFrozenW, m_nFrozenH, m_nFrozenW);
  plat::ShowDialogFrame(frame.data(), m_nFrozenW, m_nFrozenH, m_nFrozenW);
}
