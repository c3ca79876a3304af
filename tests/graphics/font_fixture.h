// Set-up shared by the font tests: a display in one of the drawing modes, a
// palette whose text, frame and background colours are valid in every mode
// (at 16-bit DirectDraw the entries are field values), a destination
// surface, and pixel snapshots to compare drawings.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/colorkey.h"
#include "graphics/fill.h"
#include "graphics/font.h"

namespace fonttest {

constexpr DWORD kTextPal = 241;
constexpr DWORD kFramePal = 240;
constexpr DWORD kBackPal = 7;
constexpr DWORD kSkinPal = 50;
constexpr DWORD kIconPal = 100;  // icon cell i is filled with colour 100 + i

inline const char kFace[] = "ＭＳ ゴシック";

class FontTest : public DisplayTest {
 protected:
  void TearDown() override {
    fonts_.clear();
    extra_.clear();
    DisplayTest::TearDown();
  }
  // memType: the destination's memory type in Direct3D.
  void Setup(const DisplayMode& m, int w = 320, int h = 48, DWORD dtMem = DTMEMORYTYPE_VIDEO_RT) {
    fonts_.clear();
    extra_.clear();
    DDRelease();
    ASSERT_TRUE(Init(m)) << m.name;
    for (int i = 0; i < 256; ++i) g_Palette[i] = PALETTEENTRY{BYTE(i % 32), BYTE(i % 64), BYTE(i % 32), 0};
    g_Palette[0] = PALETTEENTRY{0, 0, 0, 0};
    g_Palette[kTextPal] = PALETTEENTRY{30, 60, 20, 0};
    g_Palette[kFramePal] = PALETTEENTRY{10, 50, 5, 0};
    g_Palette[kBackPal] = PALETTEENTRY{3, 5, 7, 0};
    g_Palette[kSkinPal] = PALETTEENTRY{12, 2, 25, 0};
    for (int i = 0; i < 26; ++i) g_Palette[kIconPal + i] = PALETTEENTRY{BYTE(i + 1), 40, 9, 0};
    for (int i = 0; i < 256; ++i) g_PaletteWork[i] = g_Palette[i];
    DDSetTransmit(255, 0, 255);
    dst_ = NewSurface(w, h, 0, dtMem);
    ASSERT_NE(dst_, nullptr);
  }
  DDSURFACEDATA* NewSurface(int w, int h, int key, DWORD dtMem = DTMEMORYTYPE_VIDEO_RT) {
    extra_.push_back(std::make_unique<DDSURFACEDATA>());
    DDSURFACEDATA* sd = extra_.back().get();
    if (!DDCreateSurface(sd, w, h, key, 0, dtMem, nullptr, 0)) return nullptr;
    return sd;
  }
  cFont* NewFont(int height, int pitch, int lineHeight, int fast, DDSURFACEDATA* skin = nullptr,
                 DDSURFACEDATA* icon = nullptr) {
    fonts_.push_back(std::make_unique<cFont>());
    fonts_.back()->Create(kFace, 0, height, pitch, lineHeight, kTextPal, skin, 1, kFramePal, icon, fast);
    return fonts_.back().get();
  }
  // The destination cleared to the background colour.
  void Clear(DDSURFACEDATA* sd = nullptr) {
    sd = sd ? sd : dst_;
    DDFillRect(sd, 0, 0, sd->nWidth, sd->nHeight, kBackPal);
  }
  std::vector<uint32_t> Snap(DDSURFACEDATA* sd = nullptr) {
    sd = sd ? sd : dst_;
    std::vector<uint32_t> out;
    for (int y = 0; y < sd->nHeight; ++y)
      for (int x = 0; x < sd->nWidth; ++x) out.push_back(drawtest::Get(*sd, x, y));
    return out;
  }
  // Clears, draws the text at (x, y) and returns the picture.
  std::vector<uint32_t> Draw(cFont* font, int x, int y, const char* text, int noIcons = 0) {
    Clear();
    font->DrawText(dst_, x, y, text, noIcons);
    return Snap();
  }
  // How a palette colour is stored by a fill of a surface like the destination.
  uint32_t Stored(DWORD palNum) {
    DDSURFACEDATA* probe = NewSurface(1, 1, 0, dst_->lpDT ? dst_->lpDT->dwMemType : 0);
    DDFillRect(probe, 0, 0, 1, 1, palNum);
    return drawtest::Get(*probe, 0, 0);
  }
  uint32_t Background() { return Stored(kBackPal); }

  DDSURFACEDATA* dst_ = nullptr;
  std::vector<std::unique_ptr<cFont>> fonts_;
  std::vector<std::unique_ptr<DDSURFACEDATA>> extra_;
};

// Columns [first, last] holding anything but the background; {-1, -1} for none.
inline std::pair<int, int> InkColumns(const std::vector<uint32_t>& pic, int width, uint32_t background) {
  int first = -1, last = -1;
  for (size_t i = 0; i < pic.size(); ++i) {
    if (pic[i] == background) continue;
    const int x = static_cast<int>(i % static_cast<size_t>(width));
    if (first < 0 || x < first) first = x;
    last = std::max(last, x);
  }
  return {first, last};
}

}  // namespace fonttest
