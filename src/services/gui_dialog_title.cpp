// The program's title picture for the dialogs: a small side-scrolling
// scene (sky, clouds, hills, a brick ground and a floating ledge, a little
// runner) under the program's name. Drawn here once, from integers only,
// so it is the same on every machine.
#include <algorithm>

#include "platform/fonts.h"
#include "services/gui_dialog.h"

namespace {

constexpr int kW = 312, kH = 104;
constexpr int kGroundY = 86;

uint32_t Rgb(int r, int g, int b) {
  return 0xFF000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}

// a + (b - a) * num / den per channel.
uint32_t Mix(uint32_t a, uint32_t b, int num, int den) {
  auto ch = [&](int shift) {
    int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
    return static_cast<uint32_t>(ca + (cb - ca) * num / den) << shift;
  };
  return 0xFF000000u | ch(16) | ch(8) | ch(0);
}

struct Picture {
  sDialogBitmap bmp;

  void Put(int x, int y, uint32_t c) {
    if (x >= 0 && y >= 0 && x < bmp.width && y < bmp.height) bmp.argb[static_cast<size_t>(y) * bmp.width + x] = c;
  }
  void Rect(int x, int y, int w, int h, uint32_t c) {
    for (int yy = y; yy < y + h; ++yy)
      for (int xx = x; xx < x + w; ++xx) Put(xx, yy, c);
  }
  // Filled ellipse with centre (cx, cy) and radii rx, ry.
  void Ellipse(int cx, int cy, int rx, int ry, uint32_t c) {
    for (int y = cy - ry; y <= cy + ry; ++y)
      for (int x = cx - rx; x <= cx + rx; ++x) {
        long dx = x - cx, dy = y - cy;
        if (dx * dx * ry * ry + dy * dy * rx * rx <= static_cast<long>(rx) * rx * ry * ry) Put(x, y, c);
      }
  }
  void Cloud(int x, int y) {
    const uint32_t shade = Rgb(214, 228, 244), white = Rgb(255, 255, 255);
    Ellipse(x + 1, y + 2, 14, 6, shade);
    Ellipse(x - 9, y, 8, 5, white);
    Ellipse(x + 1, y - 3, 9, 7, white);
    Ellipse(x + 11, y, 8, 5, white);
  }
  // 16 x 16 bricks over [x, x + w) x [y, y + h).
  void Bricks(int x, int y, int w, int h) {
    const uint32_t brick = Rgb(184, 100, 52), light = Rgb(222, 150, 96), mortar = Rgb(92, 46, 22);
    for (int yy = y; yy < y + h; ++yy)
      for (int xx = x; xx < x + w; ++xx) {
        int row = (yy - y) / 8, ry = (yy - y) % 8;
        int rx = (xx - x + (row % 2) * 8) % 16;
        uint32_t c = brick;
        if (ry == 7 || rx == 15) c = mortar;
        else if (ry == 0 || rx == 0) c = light;
        Put(xx, yy, c);
      }
  }
  void Sprite(int x, int y, const char* const* rows, int count) {
    for (int r = 0; r < count; ++r)
      for (int k = 0; rows[r][k]; ++k) {
        uint32_t c;
        switch (rows[r][k]) {
          case 'k': c = Rgb(24, 24, 40); break;    // outline, hair
          case 's': c = Rgb(250, 206, 160); break;  // skin
          case 'r': c = Rgb(216, 40, 48); break;    // scarf
          case 'b': c = Rgb(48, 88, 200); break;    // tunic
          case 'w': c = Rgb(255, 255, 255); break;  // eye
          case 'n': c = Rgb(120, 72, 32); break;    // boots
          default: continue;
        }
        Put(x + k, y + r, c);
      }
  }
  // The text with a dark rim, filled top to bottom from one colour to another.
  void Title(const char* text, int y, uint32_t top, uint32_t bottom) {
    const plat::Font font(plat::FontDesc{"ＭＳ Ｐゴシック", -34, 0, plat::kDefaultPitch});
    plat::TextMask m = font.Render(text);
    int x = (kW - m.width) / 2;
    const uint32_t rim = Rgb(20, 28, 72);
    for (int yy = 0; yy < m.height; ++yy)
      for (int xx = 0; xx < m.width; ++xx)
        if (m.At(xx, yy) == plat::kGlyphInk)
          for (int oy = -2; oy <= 2; ++oy)
            for (int ox = -2; ox <= 3; ++ox)
              if (ox * ox + oy * oy <= 5) Put(x + xx + ox, y + yy + oy, rim);
    for (int yy = 0; yy < m.height; ++yy)
      for (int xx = 0; xx < m.width; ++xx)
        if (m.At(xx, yy) == plat::kGlyphInk) {
          uint32_t c = Mix(top, bottom, yy, std::max(1, m.height - 1));
          // One pixel wider than the font draws it: a bolder face.
          Put(x + xx, y + yy, c);
          Put(x + xx + 1, y + yy, c);
        }
  }
};

sDialogBitmap Draw() {
  Picture p;
  p.bmp.width = kW;
  p.bmp.height = kH;
  p.bmp.argb.assign(static_cast<size_t>(kW) * kH, 0);
  const uint32_t skyTop = Rgb(40, 96, 184), skyLow = Rgb(168, 212, 244);
  for (int y = 0; y < kH; ++y) p.Rect(0, y, kW, 1, Mix(skyTop, skyLow, std::min(y, kGroundY), kGroundY));
  p.Cloud(40, 22);
  p.Cloud(262, 16);
  p.Cloud(196, 40);
  p.Ellipse(64, kGroundY + 8, 64, 30, Rgb(104, 170, 88));
  p.Ellipse(250, kGroundY + 10, 84, 36, Rgb(128, 188, 104));
  p.Ellipse(150, kGroundY + 6, 40, 18, Rgb(88, 152, 76));
  // The ground: a strip of grass over bricks; a ledge of three bricks.
  p.Bricks(0, kGroundY + 2, kW, kH - kGroundY - 2);
  p.Rect(0, kGroundY - 2, kW, 4, Rgb(92, 180, 64));
  p.Rect(0, kGroundY + 1, kW, 1, Rgb(52, 120, 40));
  p.Bricks(224, 58, 48, 8);
  p.Rect(224, 56, 48, 2, Rgb(92, 180, 64));
  static const char* const kRunner[] = {
      "...kkkk.....", "..kkkkkk....", ".kksssskk...", ".ksswsws....", ".kssssss....", "..ssss......",
      "rrrrrrr.....", "..rbbbbs....", ".sbbbbbbs...", "s.bbbbbb.s..", "..bbbbbb....", "..nn..nn....",
      ".nn....nn...", "nn......nn..",
  };
  p.Sprite(92, kGroundY - 2 - 14, kRunner, 14);
  p.Title("Tarvamo4", 6, Rgb(255, 246, 150), Rgb(255, 150, 40));
  return p.bmp;
}

}  // namespace

const sDialogBitmap& ProgramTitleBitmap() {
  static const sDialogBitmap bitmap = Draw();
  return bitmap;
}
