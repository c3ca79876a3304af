#include <cstring>

#include "display_fixture.h"

namespace {

template <class T>
void Put(PixelBuffer* b, int x, int y, T value) {
  reinterpret_cast<T*>(b->Row(y))[x] = value;
}

uint32_t Shown(int x, int y) { return DDLastPresentedFrame().at(static_cast<size_t>(y) * 640 + x); }

}  // namespace

TEST_F(DisplayTest, Direct3DPresentConvertsTheBackBufferExactly) {
  struct Case {
    DisplayMode mode;
    uint32_t raw[4];
    uint32_t argb[4];
  };
  const Case cases[] = {
      // X8R8G8B8: the unused byte never reaches the frame.
      {kDisplayModes[6], {0x00123456, 0x7FFFFFFF, 0xAA000000, 0x00808080},
       {0xFF123456, 0xFFFFFFFF, 0xFF000000, 0xFF808080}},
      // R5G6B5 full screen: 5 and 6-bit fields widened by repeating their top bits.
      {kDisplayModes[4], {0xF800, 0x07E0, 0x001F, 0x8410}, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF848284}},
      // A1R5G5B5 window: the alpha bit is no colour.
      {kDisplayModes[5], {0x7C00, 0x83E0, 0x0421, 0xFFFF}, {0xFFFF0000, 0xFF00FF00, 0xFF080808, 0xFFFFFFFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode.name);
    ASSERT_TRUE(Init(c.mode));
    PixelBuffer* back = BackBuffer.Pixels();
    for (int i = 0; i < 4; ++i) {
      if (BytesPerPixel(back->format) == 4)
        Put<uint32_t>(back, 100 + i, 200, c.raw[i]);
      else
        Put<uint16_t>(back, 100 + i, 200, static_cast<uint16_t>(c.raw[i]));
    }
    uint64_t before = plat::PresentedFrameCount();
    EXPECT_EQ(DDPresent(60, 0, nullptr), 1);
    EXPECT_EQ(plat::PresentedFrameCount(), before + 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Shown(100 + i, 200), c.argb[i]) << i;
    EXPECT_EQ(Shown(0, 0), 0xFF000000u);
    DDRelease();
  }
}

TEST_F(DisplayTest, EightBitFramesAreShownThroughTheHardwarePalette) {
  ASSERT_TRUE(Init(kDisplayModes[0]));
  PALETTEENTRY entries[2] = {{0x10, 0x20, 0x30, 0}, {0xFE, 0x01, 0x80, 0}};
  g_lpDDPal->SetEntries(5, 2, entries);
  PixelBuffer* back = BackBuffer.Pixels();
  Put<uint8_t>(back, 0, 0, 5);
  Put<uint8_t>(back, 639, 479, 6);
  Put<uint8_t>(back, 1, 0, 0);
  uint64_t before = plat::PresentedFrameCount();
  EXPECT_EQ(DDPresent(60, 0, nullptr), 1);  // DirectDraw: the shell presents
  EXPECT_EQ(plat::PresentedFrameCount(), before);
  ASSERT_TRUE(DDFlip());
  EXPECT_EQ(plat::PresentedFrameCount(), before + 1);
  EXPECT_EQ(Shown(0, 0), 0xFF102030u);
  EXPECT_EQ(Shown(639, 479), 0xFFFE0180u);
  EXPECT_EQ(Shown(1, 0), 0xFF0000FFu);  // the start-up ramp's entry 0
  // The flip handed the old front back: draw again, recolour entry 5, and
  // the copying present shows the new colour.
  Put<uint8_t>(BackBuffer.Pixels(), 0, 0, 5);
  PALETTEENTRY green = {0, 0xFF, 0, 0};
  g_lpDDPal->SetEntries(5, 1, &green);
  ASSERT_TRUE(DDCopyBackToPrimary());
  EXPECT_EQ(Shown(0, 0), 0xFF00FF00u);
}

TEST_F(DisplayTest, FlipRotatesTheChain) {
  ASSERT_TRUE(Init(kDisplayModes[1], 2));  // 16 bits, two back surfaces
  auto frame = [](uint16_t v) {
    PixelBuffer* back = BackBuffer.Pixels();
    Put<uint16_t>(back, 3, 3, v);
    ASSERT_TRUE(DDFlip());
  };
  frame(0xF800);
  EXPECT_EQ(Shown(3, 3), 0xFFFF0000u);
  EXPECT_EQ(reinterpret_cast<uint16_t*>(g_PrimarySD.Pixels()->Row(3))[3], 0xF800);
  // The back surface now holds the frame before the last one (none yet).
  EXPECT_EQ(reinterpret_cast<uint16_t*>(BackBuffer.Pixels()->Row(3))[3], 0);
  frame(0x001F);
  EXPECT_EQ(Shown(3, 3), 0xFF0000FFu);
  frame(0x07E0);
  // Three buffers: the first frame's surface comes back to be drawn on.
  EXPECT_EQ(reinterpret_cast<uint16_t*>(BackBuffer.Pixels()->Row(3))[3], 0xF800);
}

TEST_F(DisplayTest, WindowModeShowsTheBackBufferAtTheClientArea) {
  ASSERT_TRUE(Init(kDisplayModes[3]));
  PixelBuffer* back = BackBuffer.Pixels();
  Put<uint32_t>(back, 10, 20, 0x00ABCDEF);
  ASSERT_TRUE(DDBltToPrimary());
  EXPECT_EQ(Shown(10, 20), 0xFFABCDEFu);
  EXPECT_EQ(reinterpret_cast<uint32_t*>(g_PrimarySD.Pixels()->Row(20))[10], 0x00ABCDEFu);
}

TEST_F(DisplayTest, VirtualBackBufferCopiesOnceWhenSwitchedOff) {
  ASSERT_TRUE(Init(kDisplayModes[4]));  // Direct3D 16 full screen: A1R5G5B5 -> R5G6B5
  DDSetVirtualBackBuffer(1);
  DDSURFACEDATA* target = &BackBuffer;
  EXPECT_EQ(DDRedirectBackBuffer(&target), 1);
  EXPECT_EQ(target, &VirBackBuffer);
  Put<uint16_t>(VirBackBuffer.Pixels(), 5, 5, 0x83FF);  // alpha, green 31, blue 31
  DDSetVirtualBackBuffer(0);
  // Green widened to the six-bit field as a blit does (full stays full);
  // the texture's alpha bit dropped.
  EXPECT_EQ(reinterpret_cast<uint16_t*>(BackBuffer.Pixels()->Row(5))[5], (63 << 5) | 31);
  EXPECT_EQ(lpDTCon->bVirCopy, 0);
  EXPECT_EQ(lpDTCon->dwAlphaOp, 2u);
  target = &BackBuffer;
  EXPECT_EQ(DDRedirectBackBuffer(&target), 0);
  Put<uint16_t>(BackBuffer.Pixels(), 5, 5, 0);
  DDSetVirtualBackBuffer(0);  // already off: nothing copied
  EXPECT_EQ(reinterpret_cast<uint16_t*>(BackBuffer.Pixels()->Row(5))[5], 0);

  // Presenting while it is on shows what was drawn to the virtual buffer.
  DDSetVirtualBackBuffer(1);
  Put<uint16_t>(VirBackBuffer.Pixels(), 7, 7, 0x7C00);
  EXPECT_EQ(DDPresent(60, 0, nullptr), 1);
  EXPECT_EQ(Shown(7, 7), 0xFFFF0000u);
}

TEST_F(DisplayTest, LostDeviceShowsNothingUntilRestored) {
  ASSERT_TRUE(Init(kDisplayModes[7]));
  DDSetDeviceStateForTest(DeviceState::Lost);
  uint64_t before = plat::PresentedFrameCount();
  EXPECT_EQ(DDPresent(60, 0, nullptr), 0);
  EXPECT_EQ(plat::PresentedFrameCount(), before);
}

TEST_F(DisplayTest, PresentIsPacedByTheFrameClock) {
  ASSERT_TRUE(Init(kDisplayModes[6]));
  uint32_t start = plat::timeGetTime();
  for (int i = 0; i < 60; ++i) ASSERT_EQ(DDPresent(60, 0, nullptr), 1);
  // Sixty frames at 60 per second take about one second of the frame clock.
  int32_t elapsed = plat::TimeDiff(plat::timeGetTime(), start);
  EXPECT_GE(elapsed, 983);
  EXPECT_LE(elapsed, 1017);
}
