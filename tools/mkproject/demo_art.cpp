// The demo's pictures drawn here, from integers and our own fonts only,
// laid out where the player cuts each part: the small sheet of cursors,
// marks, icons, the world-map hero and the gauges (bmp\Accessory.bmp), the
// title picture with the game's name, the title menu's words, the world
// map's chips and stage points, the sea around the map and the stages' sky.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "demo_game.h"
#include "graphics/bmp_bytes.h"
#include "platform/files.h"
#include "platform/fonts.h"

namespace demo {

namespace {

// Black is the sheets' transparent colour: the art uses a dark grey ink.
constexpr uint32_t kKey = 0x000000, kInk = 0x202028;
constexpr uint32_t kYellow = 0xF8D030, kOrange = 0xF08020, kRed = 0xD83020, kSkin = 0xF8C098;
constexpr uint32_t kBlue = 0x3060D0, kGreen = 0x30B040, kLightGreen = 0x90E070, kWhite = 0xF8F8F8, kGrey = 0x606060;
constexpr uint32_t kBrown = 0x804020;

struct Sheet {
  int width, height;
  std::vector<std::vector<uint32_t>> rows;

  Sheet(int w, int h) : width(w), height(h), rows(static_cast<size_t>(h), std::vector<uint32_t>(static_cast<size_t>(w), kKey)) {}

  void Put(int x, int y, uint32_t c) {
    if (x >= 0 && y >= 0 && x < width && y < height) rows[static_cast<size_t>(y)][static_cast<size_t>(x)] = c;
  }
  void Rect(int x, int y, int w, int h, uint32_t c) {
    for (int yy = y; yy < y + h; ++yy)
      for (int xx = x; xx < x + w; ++xx) Put(xx, yy, c);
  }
  // A filled disc of radius r around (cx, cy) with a one-pixel rim.
  void Disc(int cx, int cy, int r, uint32_t fill, uint32_t rim) {
    for (int y = -r; y <= r; ++y)
      for (int x = -r; x <= r; ++x) {
        const int d = x * x + y * y;
        if (d <= r * r) Put(cx + x, cy + y, d > (r - 1) * (r - 1) ? rim : fill);
      }
  }
  // A triangle pointing right, its tip at (x + w - 1, y + h / 2).
  void Arrow(int x, int y, int w, int h, uint32_t fill) {
    for (int yy = 0; yy < h; ++yy) {
      const int half = std::abs(2 * yy - (h - 1));  // 0 in the middle row
      const int len = w - (w * half) / h;
      for (int xx = 0; xx < len; ++xx) Put(x + xx, y + yy, (xx == 0 || xx == len - 1) ? kInk : fill);
    }
  }
  // The world-map hero in a 32 x 32 cell: cap, face, body and legs; side
  // views show one eye, the walk frame swaps the legs; standing, both feet
  // are down.
  void Hero(int x, int y, int facing, bool step, bool stand = false) {
    HeroPose(x, y, facing, step, stand, false, false);
  }
  // The side views of the stage hero also jump (knees drawn up, an arm
  // raised) and shoot (the arm ahead, a flash at the hand).
  void HeroPose(int x, int y, int facing, bool step, bool stand, bool jump, bool shoot) {
    // facing: 0 down, 1 up, 2 right, 3 left
    Rect(x + 9, y + 3, 14, 5, kRed);                 // cap
    if (facing == 2) Rect(x + 20, y + 6, 6, 2, kRed);  // its peak
    if (facing == 3) Rect(x + 6, y + 6, 6, 2, kRed);
    Rect(x + 10, y + 8, 12, 8, facing == 1 ? kBrown : kSkin);  // face or hair
    if (facing == 0) {
      Put(x + 13, y + 11, kInk);
      Put(x + 18, y + 11, kInk);
    } else if (facing == 2) {
      Put(x + 19, y + 11, kInk);
    } else if (facing == 3) {
      Put(x + 12, y + 11, kInk);
    }
    Rect(x + 9, y + 16, 14, 8, kBlue);  // body
    if (jump) {
      Rect(x + 7, y + 10, 2, 7, kSkin);  // a hand up
      Rect(x + 23, y + 17, 2, 5, kSkin);
      Rect(x + 10, y + 24, 12, 3, kBrown);  // knees up
      Rect(x + 9, y + 27, 6, 2, kInk);
      Rect(x + 17, y + 27, 6, 2, kInk);
      return;
    }
    if (shoot) {
      Rect(x + 1, y + 18, 8, 3, kSkin);  // the arm ahead (left)
      Rect(x + 23, y + 17, 2, 5, kSkin);
      Disc(x + 2, y + 19, 2, kWhite, kYellow);
    } else {
      Rect(x + 7, y + 17, 2, 5, kSkin);  // hands
      Rect(x + 23, y + 17, 2, 5, kSkin);
    }
    const int left = step ? 3 : 0, right = step || stand ? 0 : 3;
    Rect(x + 10, y + 24, 5, 5 - left, kBrown);  // legs
    Rect(x + 17, y + 24, 5, 5 - right, kBrown);
    Rect(x + 9, y + 29 - left, 6, 2, kInk);  // shoes
    Rect(x + 17, y + 29 - right, 6, 2, kInk);
  }
  // Text in our Gothic at `size` pixels, filled and outlined.
  void Text(std::string_view cp932, int size, int x, int y, uint32_t fill, uint32_t outline) {
    const plat::Font font(plat::FontDesc{"ＭＳ ゴシック", -size, 0, plat::kDefaultPitch});
    const plat::TextMask m = font.Render(cp932);
    for (int pass = 0; pass < 2; ++pass)
      for (int yy = 0; yy < m.height; ++yy)
        for (int xx = 0; xx < m.width; ++xx) {
          if (m.At(xx, yy) != plat::kGlyphInk) continue;
          if (pass == 1) {
            Put(x + xx, y + yy, fill);
            continue;
          }
          for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) Put(x + xx + dx, y + yy + dy, outline);
        }
  }
  static int TextWidth(std::string_view cp932, int size) {
    return plat::Font(plat::FontDesc{"ＭＳ ゴシック", -size, 0, plat::kDefaultPitch}).Measure(cp932).cx;
  }
  // A filled ellipse.
  void Ellipse(int cx, int cy, int rx, int ry, uint32_t c) {
    for (int y = -ry; y <= ry; ++y)
      for (int x = -rx; x <= rx; ++x)
        if (int64_t{x} * x * ry * ry + int64_t{y} * y * rx * rx <= int64_t{rx} * rx * ry * ry) Put(cx + x, cy + y, c);
  }
  // Sky from `top` to `bottom` colour down to row `ground`, white clouds,
  // green hills, and from row `ground` on a brick ground, or hills alone.
  void Landscape(uint32_t top, uint32_t bottom, int ground, bool bricks) {
    for (int y = 0; y < height; ++y) Rect(0, y, width, 1, Mix(top, bottom, std::min(y, ground), ground));
    for (int c = 0; c < 5; ++c) {
      const int cx = 60 + c * 130, cy = 50 + (c % 2) * 40;
      Ellipse(cx, cy, 34, 12, 0xF0F4FC);
      Ellipse(cx - 16, cy - 6, 16, 10, 0xFFFFFF);
      Ellipse(cx + 12, cy - 8, 18, 12, 0xFFFFFF);
    }
    Ellipse(120, ground + 40, 190, 150, 0x58A848);
    Ellipse(470, ground + 60, 240, 140, 0x4C9840);
    Ellipse(330, ground + 80, 150, 110, 0x68B858);
    for (int y = ground; bricks && y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int row = (y - ground) / 8, rx = (x + (row % 2) * 8) % 16, ry = (y - ground) % 8;
        Put(x, y, (rx == 0 || ry == 0) ? 0x5C2E16 : (ry == 1 ? 0xDE9660 : 0xB86434));
      }
  }
  static uint32_t Mix(uint32_t a, uint32_t b, int num, int den) {
    auto ch = [&](int shift) {
      const int ca = static_cast<int>(a >> shift & 0xFF), cb = static_cast<int>(b >> shift & 0xFF);
      return static_cast<uint32_t>(ca + (cb - ca) * num / den) << shift;
    };
    return ch(16) | ch(8) | ch(0);
  }
  std::vector<uint8_t> Bytes() const {
    bmptest::Spec spec;
    spec.width = width;
    spec.height = height;
    spec.bitCount = 24;
    spec.rows = rows;
    return bmptest::Build(spec);
  }
};

// 128 x 208: cursors and marks in the top row, icons below, the hero's
// walk from y 64, the gauges' five 2-pixel rows from y 128, 16 apart.
Sheet Accessory() {
  Sheet s(128, 208);
  s.Arrow(4, 4, 24, 24, kYellow);    // (0, 0) the menu cursor
  s.Arrow(66, 2, 12, 12, kYellow);   // (64, 0) the list cursor
  s.Disc(87, 7, 5, kOrange, kInk);   // (80, 0) the chosen item's mark
  s.Disc(111, 15, 13, kGreen, kInk);  // (96, 0) a cleared stage: a check
  for (int i = 0; i < 6; ++i) {
    s.Rect(103 + i, 14 + i, 2, 2, kWhite);
    s.Rect(109 + i, 19 - i * 2, 2, 2, kWhite);
  }
  s.Disc(7, 39, 6, kYellow, kOrange);  // (0, 32) the score: a coin
  s.Rect(5, 36, 2, 6, kWhite);
  s.Rect(20, 34, 2, 12, kInk);         // (16, 32) the stage score: a flag
  s.Rect(22, 34, 8, 6, kRed);
  s.Disc(7, 56, 6, kSkin, kInk);       // (0, 48) a life: the hero's head
  s.Rect(2, 49, 11, 4, kRed);
  s.Arrow(18, 50, 12, 12, kOrange);    // (16, 48) the ranking mark
  for (int f = 0; f < 4; ++f) {
    const bool step = f % 2 == 1;
    s.Hero(32 * f, 64, f < 2 ? 0 : 1, step);  // down (x 0, 32), up (x 64, 96)
    s.Hero(32 * f, 96, f < 2 ? 2 : 3, step);  // right (x 0, 32), left (x 64, 96)
  }
  const uint32_t gauge[5] = {kGrey, kGreen, kRed, kOrange, kLightGreen};
  for (int row = 0; row < 5; ++row) {
    s.Rect(0, 128 + 16 * row, 50, 2, gauge[row]);
    s.Rect(64, 128 + 16 * row, 50, 2, row == 1 ? kBlue : gauge[row]);
  }
  return s;
}

// The top of a chara sheet's row for a graphic.
constexpr int y0(int graphic) { return graphic * 32; }

// Blocks in 32 x 32 cells, graphic a at ((a / 15) x 32, (a % 15) x 32):
// rows 1, 5, 9, ... grassy ground, 2, 6, ... bricks, 3, 7, ... raised
// bonus blocks, 4, 8, ... stone; row 0 (no graphic) stays empty.
Sheet Blocks() {
  Sheet s(320, 480);
  for (int col = 0; col < 10; ++col)
    for (int row = 1; row < 15; ++row) {
      const int x = col * 32, y = row * 32;
      switch ((row - 1) % 4) {
        case 0:
          s.Rect(x, y, 32, 32, 0x9C6434);
          s.Rect(x, y, 32, 8, 0x48B038);
          for (int k = 0; k < 4; ++k) s.Rect(x + 3 + 8 * k, y + 14 + (k % 2) * 8, 3, 2, 0x7C4C24);
          break;
        case 1:
          for (int yy = 0; yy < 32; ++yy)
            for (int xx = 0; xx < 32; ++xx) {
              const int brow = yy / 8, bx = (xx + (brow % 2) * 8) % 16, by = yy % 8;
              s.Put(x + xx, y + yy, (bx == 0 || by == 0) ? 0x5C2E16 : (by == 1 ? 0xDE9660 : 0xB86434));
            }
          break;
        case 2:
          s.Rect(x, y, 32, 32, kInk);
          s.Rect(x + 1, y + 1, 30, 30, 0xF0B030);
          for (int cx : {4, 26})
            for (int cy : {4, 26}) s.Rect(x + cx, y + cy, 2, 2, kInk);
          s.Text("?", 24, x + 10, y + 4, kWhite, kInk);
          break;
        default:
          s.Rect(x, y, 32, 32, 0x707078);
          s.Rect(x + 1, y + 1, 30, 30, 0xA0A0A8);
          s.Rect(x + 2, y + 15, 28, 2, 0x707078);
          s.Rect(x + 15, y + 2, 2, 13, 0x707078);
          break;
      }
    }
  return s;
}

// The charas of Character1.bmp facing left (the program mirrors them), one
// row a graphic: 1 the hero, 2 the walking enemy, 3 the flying enemy, 4 the
// moving platform, 5 the boss. The demo's animation alternates columns 0
// and 1 while a chara moves and shows column 0 at rest: the hero stands in
// column 0, strides in column 1, jumps in column 2 and shoots in column 3
// (its later columns walk on); the others take their two steps (wings up
// and down) in even and odd columns.
Sheet Charas() {
  Sheet s(256, 256);
  for (int col = 0; col < 8; ++col) {
    const bool step = col % 2 == 1;
    const int x = col * 32;
    s.HeroPose(x, 32, 3, step && col != kHeroShotColumn, col == 0 || col == kHeroShotColumn, col == kHeroJumpColumn,
               col == kHeroShotColumn);
    // The walker: a brown cap on a pale body, two feet.
    s.Ellipse(x + 16, y0(2) + 12, 13, 10, 0xA04818);
    s.Rect(x + 9, y0(2) + 18, 14, 8, 0xF0D8B0);
    s.Rect(x + 11, y0(2) + 19, 2, 4, kInk);
    s.Rect(x + 6 + (step ? 2 : 0), y0(2) + 26, 8, 5, kInk);
    s.Rect(x + 18 - (step ? 2 : 0), y0(2) + 26, 8, 5, kInk);
    // The flyer: a purple body with wings up or down.
    s.Ellipse(x + 16, y0(3) + 16, 8, 7, 0x8040C0);
    s.Rect(x + 11, y0(3) + 13, 2, 2, kWhite);
    for (int w = 0; w < 8; ++w) {
      const int dy = step ? w / 2 : -w / 2;
      s.Rect(x + 7 - w, y0(3) + 14 + dy, 1, 4, 0x6030A0);
      s.Rect(x + 24 + w, y0(3) + 14 + dy, 1, 4, 0x6030A0);
    }
    // The platform: a wooden plank.
    s.Rect(x, y0(4) + 8, 32, 16, 0x5C2E16);
    s.Rect(x + 1, y0(4) + 9, 30, 14, 0xC08040);
    s.Rect(x + 1, y0(4) + 15, 30, 2, 0x9C6434);
    // The boss: a red horned monster with a wide mouth.
    s.Ellipse(x + 16, y0(5) + 17, 15, 14, 0xC02020);
    s.Rect(x + 3, y0(5) + 1, 4, 8, kWhite);
    s.Rect(x + 25, y0(5) + 1, 4, 8, kWhite);
    s.Rect(x + 7, y0(5) + 11, 5, 5, kYellow);
    s.Rect(x + 20, y0(5) + 11, 5, 5, kYellow);
    s.Rect(x + 8, y0(5) + 21, 16, 4, kInk);
    s.Rect(x + 6 + (step ? 2 : 0), y0(5) + 29, 8, 3, kInk);
    s.Rect(x + 18 - (step ? 2 : 0), y0(5) + 29, 8, 3, kInk);
  }
  return s;
}

// Items, 64-pixel-wide entries of two 32 x 32 frames, graphic a at
// ((a / 15) x 64, (a % 15) x 32): 1 a coin, 2 the goal flag, others a gem.
Sheet Items() {
  Sheet s(320, 480);
  for (int col = 0; col < 10; ++col)
    for (int row = 1; row < 15; ++row) {
      const int x = col * 32, y = row * 32;
      if (row == 1) {
        s.Ellipse(x + 16, y + 16, col % 2 ? 7 : 10, 12, kOrange);
        s.Ellipse(x + 16, y + 16, col % 2 ? 5 : 8, 10, kYellow);
        s.Rect(x + 15, y + 9, 2, 14, kOrange);
      } else if (row == 2) {
        s.Rect(x + 6, y + 2, 3, 28, kInk);
        s.Rect(x + 9, y + 3, 18, 12, col % 2 ? kGreen : kLightGreen);
        s.Rect(x + 3, y + 28, 10, 4, kGrey);
      } else {
        for (int r = 0; r < 10; ++r) s.Rect(x + 16 - r, y + 6 + r, 2 * r + 1, 1, 0x40C0F0);
        for (int r = 0; r < 10; ++r) s.Rect(x + 16 - (9 - r), y + 16 + r, 2 * (9 - r) + 1, 1, 0x2080D0);
      }
    }
  return s;
}

// The items' small icons, 16 x 16, graphic a at ((a / 15) x 32, (a % 15) x
// 16): what pops up over the hero when it takes an item. Row 1 the coin,
// row 2 the goal flag, the others a gem, as on the item sheet.
Sheet ItemIcons() {
  Sheet s(320, 240);
  for (int x = 0; x < 320; x += 16)
    for (int row = 1; row < 15; ++row) {
      const int y = row * 16;
      if (row == 1) {
        s.Ellipse(x + 8, y + 8, 5, 6, kOrange);
        s.Ellipse(x + 8, y + 8, 3, 5, kYellow);
        s.Rect(x + 8, y + 4, 1, 8, kOrange);
      } else if (row == 2) {
        s.Rect(x + 3, y + 1, 2, 14, kInk);
        s.Rect(x + 5, y + 2, 9, 6, kLightGreen);
      } else {
        for (int r = 0; r < 5; ++r) s.Rect(x + 8 - r, y + 3 + r, 2 * r + 1, 1, 0x40C0F0);
        for (int r = 0; r < 5; ++r) s.Rect(x + 8 - (4 - r), y + 8 + r, 2 * (4 - r) + 1, 1, 0x2080D0);
      }
    }
  return s;
}

// Shots in 16 x 16 cells: round glowing balls, the hero's (row 1) yellow,
// the boss's (row 2) red, the rest blue.
Sheet Shots() {
  Sheet s(128, 480);
  for (int row = 0; row < 30; ++row)
    for (int col = 0; col < 8; ++col) {
      const uint32_t glow = row == 1 ? kYellow : row == 2 ? kRed : kBlue;
      s.Disc(col * 16 + 8, row * 16 + 8, 6, glow, kOrange);
      s.Disc(col * 16 + 8, row * 16 + 8, 3, kWhite, glow);
    }
  return s;
}

// The title picture: a landscape under the game's name.
Sheet Title(std::string_view name) {
  Sheet s(640, 480);
  s.Landscape(0x4878E0, 0xB8DCF8, 400, true);
  const int w = Sheet::TextWidth(name, 56);
  s.Text(name, 56, (640 - w) / 2, 96, kYellow, kInk);
  const std::string sub = "デモゲーム";
  s.Text(sub, 24, (640 - Sheet::TextWidth(sub, 24)) / 2, 168, kWhite, kInk);
  return s;
}

// The title menu's words, one 32-pixel row a kind (row = kind), on the key.
Sheet MenuWords(const std::vector<std::string>& captions) {
  Sheet s(256, 32 * static_cast<int>(captions.size()));
  for (size_t k = 0; k < captions.size(); ++k) s.Text(captions[k], 24, 8, 32 * static_cast<int>(k) + 4, kWhite, kInk);
  return s;
}

// The map's chips, five a row: 0 sea, 1 grass, 2 forest, 3 mountain, 4
// sand (not passable), then road (passable) for every kind from 5 on.
Sheet MapChips() {
  Sheet s(160, 320);
  for (int k = 0; k < 50; ++k) {
    const int x = (k % 5) * 32, y = (k / 5) * 32;
    switch (k) {
      case 0:
        s.Rect(x, y, 32, 32, 0x2060C0);
        for (int w = 0; w < 3; ++w) s.Rect(x + 4 + 8 * w, y + 8 + 9 * w, 8, 2, 0x80B0F0);
        break;
      case 1:
        s.Rect(x, y, 32, 32, 0x58B048);
        for (int t = 0; t < 4; ++t) s.Rect(x + 5 + 7 * t, y + 6 + 5 * (t % 3), 2, 4, 0x3C8030);
        break;
      case 2:
        s.Rect(x, y, 32, 32, 0x58B048);
        s.Ellipse(x + 10, y + 12, 8, 9, 0x2C7028);
        s.Ellipse(x + 22, y + 18, 8, 9, 0x2C7028);
        s.Rect(x + 9, y + 20, 2, 6, kBrown);
        s.Rect(x + 21, y + 26, 2, 5, kBrown);
        break;
      case 3:
        s.Rect(x, y, 32, 32, 0x58B048);
        for (int r = 0; r < 24; ++r) s.Rect(x + 16 - r / 2 - 2, y + 4 + r, r + 4, 1, r < 6 ? kWhite : 0x8C7860);
        break;
      case 4: s.Rect(x, y, 32, 32, 0xE8D090); break;
      default:
        s.Rect(x, y, 32, 32, 0x58B048);
        s.Rect(x + 2, y + 2, 28, 28, 0xD8B070);
        for (int d = 0; d < 3; ++d) s.Rect(x + 6 + 9 * d, y + 10 + 6 * (d % 2), 3, 2, 0xB89050);
        break;
    }
  }
  return s;
}

// Stage points, one 32-pixel row an icon row: column 0 not cleared yet (a
// red flag on a stone), column 32 cleared (a gold star).
Sheet StagePoints() {
  Sheet s(64, 320);
  for (int row = 0; row < 10; ++row) {
    const int y = 32 * row;
    s.Ellipse(16, y + 26, 12, 4, kGrey);
    s.Rect(10, y + 4, 2, 22, kInk);
    s.Rect(12, y + 4, 12, 8, kRed);
    s.Ellipse(48, y + 26, 12, 4, kGrey);
    for (int r = 0; r < 11; ++r) {
      s.Rect(48 - r, y + 6 + r, 2 * r + 1, 1, kYellow);
      s.Rect(48 - r, y + 25 - r, 2 * r + 1, 1, kYellow);
    }
  }
  return s;
}

// The windows' skin, what the text windows show inside their frame: a deep
// blue panel, lighter at the top, with faint diagonal lines.
Sheet WindowSkin() {
  Sheet s(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      s.Put(x, y, (x + y) % 8 == 0 ? 0x283C8C : Sheet::Mix(0x2C48A8, 0x101C50, y, 479));
  return s;
}

// The status line's bar (the player cuts 640 x 20 from the top left).
Sheet StatusBar() {
  Sheet s(640, 64);
  s.Rect(0, 0, 640, 20, 0x182048);
  s.Rect(0, 19, 640, 1, 0x8090D0);
  return s;
}

// The banner words and the big digits: "STAGE" (0, 0), "REPLAY" (0, 32)
// and "CLEAR!" (0, 64) 128 x 32, "GAME OVER" (0, 96) 144 x 32, "START!"
// (160, 0) 80 x 32, and the digits 0-9 in 32 x 32 cells from (0, 128) (the
// stage number) and (0, 160) (the time limit).
Sheet BannerWords() {
  Sheet s(320, 192);
  s.Text("STAGE", 28, 4, 2, kYellow, kInk);
  s.Text("REPLAY", 28, 4, 34, kYellow, kInk);
  s.Text("CLEAR!", 28, 4, 66, kYellow, kInk);
  s.Text("GAME OVER", 24, 4, 100, kRed, kInk);
  s.Text("START!", 24, 162, 4, kWhite, kInk);
  for (int d = 0; d < 10; ++d) {
    const std::string digit(1, static_cast<char>('0' + d));
    s.Text(digit, 28, 32 * d + 9, 130, kYellow, kInk);
    s.Text(digit, 28, 32 * d + 9, 162, kWhite, kInk);
  }
  return s;
}

// The sea the world map lies in.
Sheet Sea() {
  Sheet s(640, 480);
  s.Rect(0, 0, 640, 480, 0x2060C0);
  for (int y = 8; y < 480; y += 24)
    for (int x = (y / 24 % 2) * 20; x < 640; x += 40) s.Rect(x, y, 10, 2, 0x80B0F0);
  return s;
}

bool Write(const char* stored, const Sheet& sheet) {
  const std::vector<uint8_t> bytes = sheet.Bytes();
  return plat::WriteFileAtomic(stored, bytes.data(), bytes.size());
}

}  // namespace

bool WriteDemoPictures(const std::string& titleCp932, const std::vector<std::string>& menuCp932) {
  Sheet stageBack(640, 480);
  stageBack.Landscape(0x60A0F0, 0xD0ECFC, 400, false);
  return Write("bmp\\Accessory.bmp", Accessory()) && Write("bmp\\Block.bmp", Blocks()) &&
         Write("bmp\\Character1.bmp", Charas()) && Write("bmp\\Item.bmp", Items()) && Write("bmp\\Item_Mini.bmp", ItemIcons()) &&
         Write("bmp\\Shot.bmp", Shots()) && Write("bmp\\Window.bmp", WindowSkin()) &&
         Write("bmp\\StatusWindow.bmp", StatusBar()) && Write("bmp\\Word.bmp", BannerWords()) && Write("bmp\\Title.bmp", Title(titleCp932)) &&
         Write("bmp\\GameMode.bmp", MenuWords(menuCp932)) && Write("bmp\\WorldMapChip.bmp", MapChips()) &&
         Write("bmp\\WorldEvent.bmp", StagePoints()) && Write("bmp\\WorldBack.bmp", Sea()) &&
         Write(kStageBackground, stageBack);
}

}  // namespace demo
