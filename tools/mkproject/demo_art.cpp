// The demo's pictures drawn here, from integers only: the small sheet of
// cursors, marks, icons, the world-map hero and the gauges
// (bmp\Accessory.bmp), laid out where the player cuts each part.
#include <cstdlib>
#include <string>
#include <vector>

#include "demo_game.h"
#include "graphics/bmp_bytes.h"
#include "platform/files.h"

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
  // views show one eye, the walk frame swaps the legs.
  void Hero(int x, int y, int facing, bool step) {
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
    Rect(x + 7, y + 17, 2, 5, kSkin);   // hands
    Rect(x + 23, y + 17, 2, 5, kSkin);
    const int left = step ? 3 : 0, right = step ? 0 : 3;
    Rect(x + 10, y + 24, 5, 5 - left, kBrown);  // legs
    Rect(x + 17, y + 24, 5, 5 - right, kBrown);
    Rect(x + 9, y + 29 - left, 6, 2, kInk);  // shoes
    Rect(x + 17, y + 29 - right, 6, 2, kInk);
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

}  // namespace

bool WriteDemoPictures() {
  const std::vector<uint8_t> bytes = Accessory().Bytes();
  return plat::WriteFileAtomic("bmp\\Accessory.bmp", bytes.data(), bytes.size());
}

}  // namespace demo
