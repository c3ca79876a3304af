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
