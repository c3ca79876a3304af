// Headless runs of a small scene in every drawing mode, presented through
// the real frame end into the frame-hash file: two runs give the same hashes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bmp_bytes.h"
#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/bitmap_load.h"
#include "graphics/blit.h"
#include "graphics/colorkey.h"
#include "graphics/fill.h"
#include "support/temp_folder.h"

namespace {

// A sheet of four 8 x 8 cells of distinct colours, each with a magenta
// (key) corner.
std::vector<uint8_t> Sheet() {
  bmptest::Spec s;
  s.width = 32;
  s.height = 8;
  s.bitCount = 24;
  const uint32_t cells[4] = {0xE02010, 0x10C040, 0x3050F0, 0xF0F020};
  for (int y = 0; y < 8; ++y) {
    std::vector<uint32_t> row;
    for (int x = 0; x < 32; ++x) row.push_back(x % 8 + y < 4 ? 0xFF00FFu : cells[x / 8] ^ uint32_t(x * 3 + y));
    s.rows.push_back(row);
  }
  return bmptest::Build(s);
}

}  // namespace

class GfxFrames : public DisplayTest {
 protected:
  // Draws and presents `frames` frames of the scene; the hashes written.
  std::vector<std::string> Run(const DisplayMode& m, const std::string& sheetPath, const std::string& hashPath,
                               int frames) {
    std::vector<std::string> hashes;
    EXPECT_TRUE(Init(m));
    for (int i = 0; i < 256; ++i) g_Palette[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i * 5), 0};
    g_Palette[0] = PALETTEENTRY{255, 0, 255, 0};
    if (g_lpDDPal) g_lpDDPal->SetEntries(0, 256, g_Palette);
    DDSetTransmit(255, 0, 255);
    if (lpDTCon) lpDTCon->rgbTransmitSrc = RGBTRIPLE{255, 0, 255};
    if (g_lpDDCon) g_lpDDCon->rgbTransmitSrc = RGBTRIPLE{255, 0, 255};
    DDSURFACEDATA sheet;
    EXPECT_EQ(DDCreateSurfaceFromFile(&sheet, sheetPath.c_str(), 1, g_nBpp, 0, 0, nullptr, 0, 0, 0, 0), 0);
    EXPECT_TRUE(plat::SetFrameHashFile(hashPath));
    for (int f = 0; f < frames; ++f) {
      DDFillRect(&BackBuffer, 0, 0, 640, 480, 40 + f);
      for (int i = 0; i < 12; ++i)
        DDBlt(&BackBuffer, i * 53 - 4 + f, (i * 37 + f * 11) % 480 - 4, 8, 8, &sheet, (i % 4) * 8, 0, 1);
      DDStretchBlt(&BackBuffer, 100 + f, 200, 64, 16, &sheet, 0, 0, 32, 8, 1);
      DDStretchBlt(&BackBuffer, 300, 100 + f, 96, 40, &sheet, 8, 0, 24, 8, 0);  // unkeyed, rows repeat
      DDStretchBlt(&BackBuffer, 420, 300, 24, 24, &sheet, 16 + f, 0, -8, 8, 1);   // mirrored (Direct3D)
      DDBltMode(&BackBuffer, 500 - f, 400, 32, 8, &sheet, 0, 0, 1, BLTMODE{0x80FF8040u, 4});  // tinted
      DDFillRect(&BackBuffer, -6, 470, 20, 20, 200);
      DDFillRect(&BackBuffer, 630 - f, -3, 20, 9, 120);
      const bool shown = lpDTCon ? DDPresent(60, 0, nullptr) == 1 : g_bWindowed ? DDBltToPrimary() : DDFlip();
      EXPECT_TRUE(shown);
      const std::vector<uint32_t>& frame = DDLastPresentedFrame();
      // The hash file reads the very frame that was shown.
      hashes.push_back(Format("%016llx", static_cast<unsigned long long>(plat::HashFrame(frame.data(), 640, 480, 640))));
    }
    plat::SetFrameHashFile("");  // closes the file
    DDReleaseSurface(&sheet);
    DDRelease();
    std::ifstream in(hashPath);
    std::vector<std::string> written;
    std::string number, hash;
    while (in >> number >> hash) written.push_back(hash);
    EXPECT_EQ(written, hashes);
    return written;
  }
};

TEST_F(GfxFrames, HeadlessFrameHashesAreTheSameInTwoRuns) {
  t4test::TempFolder dir;
  ASSERT_TRUE(dir.ok());
  drawtest::TempFile sheet("frames_sheet.bmp", Sheet());
  for (const DisplayMode& m : kDisplayModes) {
    SCOPED_TRACE(m.name);
    const std::vector<std::string> first = Run(m, sheet.path(), dir / "first.txt", 4);
    const std::vector<std::string> second = Run(m, sheet.path(), dir / "second.txt", 4);
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(first, second);
    // Each frame drew something of its own.
    for (size_t i = 1; i < first.size(); ++i) EXPECT_NE(first[i], first[i - 1]);
  }
}

TEST(GfxPresentConversion, EverySixteenBitValueWidensByRepeatingItsTopBits) {
  auto e5 = [](uint32_t v) { return (v << 3) | (v >> 2); };
  auto e6 = [](uint32_t v) { return (v << 2) | (v >> 4); };
  for (PixelFormat f : {PixelFormat::R5G6B5, PixelFormat::A1R5G5B5}) {
    SCOPED_TRACE(PixelFormatName(f));
    PixelBuffer b;
    ASSERT_TRUE(b.Allocate(f, 256, 256));
    for (uint32_t v = 0; v < 65536; ++v) reinterpret_cast<uint16_t*>(b.Row(v >> 8))[v & 255] = static_cast<uint16_t>(v);
    std::vector<uint32_t> argb(65536);
    ConvertToArgb(b, nullptr, argb.data());
    for (uint32_t v = 0; v < 65536; ++v) {
      const uint32_t want = f == PixelFormat::R5G6B5
                                ? 0xFF000000u | e5(v >> 11) << 16 | e6(v >> 5 & 63) << 8 | e5(v & 31)
                                : 0xFF000000u | e5(v >> 10 & 31) << 16 | e5(v >> 5 & 31) << 8 | e5(v & 31);
      ASSERT_EQ(argb[v], want) << std::hex << v;
    }
  }
}

TEST(GfxPresentConversion, EightBitFramesOfOddWidthGoThroughThePalette) {
  DDPALETTE pal;
  for (int i = 0; i < 256; ++i) pal.entries[i] = {BYTE(i), BYTE(i ^ 0x5A), BYTE(255 - i), 0};
  PixelBuffer b;
  ASSERT_TRUE(b.Allocate(PixelFormat::Index8, 7, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) b.Row(y)[x] = static_cast<uint8_t>(y * 90 + x * 13);
  std::vector<uint32_t> argb(21);
  ConvertToArgb(b, &pal, argb.data());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) {
      const int i = (y * 90 + x * 13) & 255;
      EXPECT_EQ(argb[y * 7 + x], 0xFF000000u | uint32_t(i) << 16 | uint32_t(i ^ 0x5A) << 8 | uint32_t(255 - i));
    }
}
