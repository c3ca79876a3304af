#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/colorkey.h"
#include "graphics/number.h"
#include "graphics/sheet_text.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;

namespace {
// 32-bit modes, where a cell's code survives every copy unchanged.
const int kTextModes[] = {2, 3, 6};  // DD32Full, DD32Window, D3D32Full

uint32_t Code(int column, int row) { return 0xFF000000u | uint32_t(0x010000 * (row + 1) + column + 1); }
uint32_t Rgb(uint32_t p) { return p & 0xFFFFFFu; }
}  // namespace

class SheetTextTest : public DisplayTest {
 protected:
  static constexpr int kCw = 64, kCh = 2;
  void Setup(int mode) {
    ASSERT_TRUE(Init(kDisplayModes[mode])) << kDisplayModes[mode].name;
    DDSetTransmit(255, 0, 255);
    // 16 x 16 cells of 64 x 2, each cell one code.
    ASSERT_TRUE(DDCreateSurface(&sheet_, 16 * kCw, 16 * kCh, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    for (int y = 0; y < sheet_.nHeight; ++y)
      for (int x = 0; x < sheet_.nWidth; ++x) Put(sheet_, x, y, Code(x / kCw, y / kCh));
    ASSERT_TRUE(DDCreateSurface(&dst_, 640, 8, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    FillAll(dst_, 0);
  }
  // The cell drawn at character position (column, line) of the text.
  uint32_t At(int column, int line) { return Rgb(Get(dst_, column * kCw, line * kCh)); }
  void Done() {
    DDReleaseSurface(&sheet_);
    DDReleaseSurface(&dst_);
    DDRelease();
  }
  DDSURFACEDATA sheet_, dst_;
};

TEST_F(SheetTextTest, BytesTakeTheirSheetCellsAndNewlinesStartALine) {
  for (int mode : kTextModes) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(mode);
    DDDrawSheetText(&dst_, 0, 0, kCw, kCh, &sheet_, "A\nB");
    EXPECT_EQ(At(0, 0), Rgb(Code(1, 4)));
    EXPECT_EQ(At(0, 1), Rgb(Code(2, 4)));
    EXPECT_EQ(At(1, 0), 0u);  // the newline takes no cell
    // Half-width katakana fold into the rows the sheet has free.
    FillAll(dst_, 0);
    DDDrawSheetText(&dst_, 0, 0, kCw, kCh, &sheet_, "\xB1\xC1\xA5\xDE\x7F");
    EXPECT_EQ(At(0, 0), Rgb(Code(1, 1)));
    EXPECT_EQ(At(1, 0), Rgb(Code(1, 8)));
    EXPECT_EQ(At(2, 0), Rgb(Code(5, 10)));
    EXPECT_EQ(At(3, 0), Rgb(Code(14, 13)));
    EXPECT_EQ(At(4, 0), Rgb(Code(15, 7)));
    Done();
  }
}

TEST_F(SheetTextTest, TextWrapsAtTheDisplaysRightEdgeAndHasNoLengthLimit) {
  for (int mode : kTextModes) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(mode);
    // Ten 64-pixel cells fill the 640-pixel display; the eleventh starts
    // the next row at x.
    DDDrawSheetText(&dst_, 0, 0, kCw, kCh, &sheet_, "0123456789X");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(At(i, 0), Rgb(Code(i, 3))) << i;
    EXPECT_EQ(At(0, 1), Rgb(Code(8, 5)));
    EXPECT_EQ(At(1, 1), 0u);
    // Far past any fixed buffer: the rows beyond the surface are cut.
    FillAll(dst_, 0);
    const std::string text(10000, 'Z');
    DDDrawSheetTextF(&dst_, 0, 0, kCw, kCh, &sheet_, "%s%d", text.c_str(), 7);
    EXPECT_EQ(At(9, 3), Rgb(Code(10, 5)));
    Done();
  }
}

TEST_F(SheetTextTest, TheFrameOverlayDrawsOnTheBackBufferBelowTheFirstRow) {
  ASSERT_TRUE(Init(kDisplayModes[2]));
  DDSetTransmit(255, 0, 255);
  ASSERT_TRUE(DDCreateSurface(&sheet_, 128, 256, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 128; ++x) Put(sheet_, x, y, Code(x / 8, y / 16));
  FillAll(BackBuffer, 0);
  DDDrawFrameOverlay(&sheet_, "F\nn");
  EXPECT_EQ(Rgb(Get(BackBuffer, 0, 16)), Rgb(Code(6, 4)));
  EXPECT_EQ(Rgb(Get(BackBuffer, 7, 31)), Rgb(Code(6, 4)));
  EXPECT_EQ(Rgb(Get(BackBuffer, 0, 32)), Rgb(Code(14, 6)));
  EXPECT_EQ(Rgb(Get(BackBuffer, 0, 15)), 0u);
  DDReleaseSurface(&sheet_);
  DDRelease();
}

class NumberTest : public DisplayTest {
 protected:
  void Setup(int mode) {
    ASSERT_TRUE(Init(kDisplayModes[mode])) << kDisplayModes[mode].name;
    DDSetTransmit(255, 0, 255);
    // Digits 0 to 9 in 8 x 2 cells at (8, 2) of a sheet whose other pixels
    // hold a code no digit has.
    ASSERT_TRUE(DDCreateSurface(&sheet_, 96, 4, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 96; ++x) Put(sheet_, x, y, (y >= 2 && x >= 8 && x < 88) ? Code((x - 8) / 8, 0) : Code(0, 9));
    ASSERT_TRUE(DDCreateSurface(&dst_, 160, 2, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  }
  DDSURFACEDATA sheet_, dst_;
};

TEST_F(NumberTest, DigitsAreRightAlignedOrCentredInTheirField) {
  struct Case {
    int value, n, centre;
    int firstX;  // x of the first digit for a call at x = 16
    const char* digits;
  } cases[] = {
      {0, 3, 0, 32, "0"},           {0, 3, 1, 24, "0"},        {12345, 3, 0, 16, "12345"},
      {42, 5, 1, 28, "42"},          {7, 1, 0, 16, "7"},        {INT_MAX, 3, 0, 16, "2147483647"},
      {-5, 3, 0, 32, "0"},  // a negative value draws 0, never a cell left of the digits
      {INT_MIN, 2, 0, 24, "0"},
  };
  for (int mode : kTextModes) {
    Setup(mode);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kDisplayModes[mode].name) + " " + std::to_string(c.value));
      FillAll(dst_, 0);
      DDDrawNumber(&dst_, 16, 0, 8, 2, &sheet_, 8, 2, 1, c.value, c.n, c.centre, 0);
      const std::string digits = c.digits;
      for (int x = 0; x < 160; ++x) {
        const int i = (x - c.firstX) / 8;
        const bool drawn = x >= c.firstX && i < static_cast<int>(digits.size());
        const uint32_t expected = drawn ? Rgb(Code(digits[static_cast<size_t>(i)] - '0', 0)) : 0u;
        ASSERT_EQ(Rgb(Get(dst_, x, 1)), expected) << "x " << x;
      }
    }
    DDReleaseSurface(&sheet_);
    DDReleaseSurface(&dst_);
    DDRelease();
  }
}
