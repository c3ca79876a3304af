#include <cstring>

#include "display_fixture.h"

namespace {

struct ModeExpectation {
  DisplayMode mode;
  PixelFormat back;     // BackBuffer's pixels
  PixelFormat surface;  // an empty surface's pixels
  COLORBITS colorBits;
  COLORBITS backBits;  // g_BackBufferColorBits (Direct3D 16-bit only)
};

const ModeExpectation kExpect[] = {
    {kDisplayModes[0], PixelFormat::Index8, PixelFormat::Index8, {}, {}},
    {kDisplayModes[1], PixelFormat::R5G6B5, PixelFormat::R5G6B5, {11, 5, 0, 0, 31, 63, 31, 0}, {}},
    {kDisplayModes[2], PixelFormat::X8R8G8B8, PixelFormat::X8R8G8B8, {16, 8, 0, 0, 255, 255, 255, 0}, {}},
    {kDisplayModes[3], PixelFormat::X8R8G8B8, PixelFormat::X8R8G8B8, {16, 8, 0, 0, 255, 255, 255, 0}, {}},
    {kDisplayModes[4], PixelFormat::R5G6B5, PixelFormat::A1R5G5B5, {10, 5, 0, 15, 31, 31, 31, 1},
     {11, 5, 0, 16, 31, 63, 31, 0}},
    {kDisplayModes[5], PixelFormat::A1R5G5B5, PixelFormat::A1R5G5B5, {10, 5, 0, 15, 31, 31, 31, 1},
     {10, 5, 0, 15, 31, 31, 31, 1}},
    {kDisplayModes[6], PixelFormat::X8R8G8B8, PixelFormat::A8R8G8B8, {16, 8, 0, 24, 255, 255, 255, 255}, {}},
    {kDisplayModes[7], PixelFormat::X8R8G8B8, PixelFormat::A8R8G8B8, {16, 8, 0, 24, 255, 255, 255, 255}, {}},
};

bool SameBits(const COLORBITS& a, const COLORBITS& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST_F(DisplayTest, InitAndReleaseInEveryMode) {
  for (const ModeExpectation& e : kExpect) {
    SCOPED_TRACE(e.mode.name);
    g_ColorBits = {};
    g_BackBufferColorBits = {};
    ASSERT_TRUE(Init(e.mode));
    EXPECT_EQ(g_bDisplayReady, 1);
    EXPECT_EQ(lpDTCon != nullptr, e.mode.bD3D == 1);
    EXPECT_EQ(g_lpDDCon != nullptr, e.mode.bD3D == 0);
    PixelBuffer* back = BackBuffer.Pixels();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->format, e.back);
    EXPECT_EQ(back->width, 640);
    EXPECT_EQ(back->height, 480);
    EXPECT_EQ(BackBuffer.nWidth, 640);
    EXPECT_EQ(DDSurfaceFormat(), e.surface);
    EXPECT_TRUE(SameBits(g_ColorBits, e.colorBits));
    EXPECT_TRUE(SameBits(g_BackBufferColorBits, e.backBits));
    if (e.mode.bD3D) {
      EXPECT_STREQ(BackBuffer.szName, "BackBuffer");
      EXPECT_EQ(BackBuffer.lpDT->bRenderTarget, 1);
      EXPECT_EQ(BackBuffer.lpDT->dwID, 0u);
      ASSERT_NE(VirBackBuffer.Pixels(), nullptr);
      EXPECT_STREQ(VirBackBuffer.szName, "VirBackBuffer");
      EXPECT_STREQ(WorkSD.szName, "WorkSD");
      EXPECT_EQ(VirBackBuffer.Pixels()->format, e.surface);
      EXPECT_EQ(lpDTCon->nSurfaceID, 3);  // BackBuffer 0, VirBackBuffer 1, WorkSD 2
      EXPECT_EQ(lpDTCon->dwDrawColor, 0xFFFFFFFFu);
      EXPECT_EQ(lpDTCon->dwColorOp, 4u);
      EXPECT_EQ(lpDTCon->dwAlphaOp, 2u);
      EXPECT_EQ(g_PrimarySD.Pixels(), nullptr);
      EXPECT_EQ(g_ScreenSD.Pixels(), nullptr);
    } else {
      ASSERT_NE(g_PrimarySD.Pixels(), nullptr);
      ASSERT_NE(g_ScreenSD.Pixels(), nullptr);
      EXPECT_FALSE(g_ScreenSD.Pixels()->videoMemory);
      EXPECT_EQ(g_ScreenSD.dwMemType, 1u);
      ASSERT_NE(g_lpDDPal, nullptr);
      EXPECT_EQ(g_PrimarySD.Pixels()->palette == g_lpDDPal, e.mode.bpp == 8);
    }
    DDRelease();
    EXPECT_EQ(lpDTCon, nullptr);
    EXPECT_EQ(g_lpDDCon, nullptr);
    EXPECT_EQ(g_lpDDPal, nullptr);
    EXPECT_EQ(BackBuffer.lpDT, nullptr);
    EXPECT_EQ(BackBuffer.lpDD, nullptr);
    EXPECT_EQ(VirBackBuffer.lpDT, nullptr);
    EXPECT_EQ(g_PrimarySD.lpDD, nullptr);
    EXPECT_TRUE(g_lstSurface.empty());
    EXPECT_TRUE(DDTrackedVideoBuffers().empty());
  }
}

TEST_F(DisplayTest, DepthsOutsideTheBackendFailAndTheShellFallsBack) {
  // Direct3D takes only 16 and 32 bits; the control record stays until the
  // release that the shell's fallback runs.
  EXPECT_FALSE(DDInit(1, nullptr, 640, 480, 24, 0, 0, 1, 60, 0, surfaces_, defs_, 4, 0));
  EXPECT_NE(lpDTCon, nullptr);
  EXPECT_EQ(g_bDisplayReady, 0);
  DDRelease();
  EXPECT_EQ(lpDTCon, nullptr);
  EXPECT_TRUE(DDInit(0, nullptr, 640, 480, 16, 0, 0, 1, 60, 0, surfaces_, defs_, 4, 0));
  EXPECT_EQ(lpDTCon, nullptr);
  EXPECT_EQ(BackBuffer.Pixels()->format, PixelFormat::R5G6B5);
  DDRelease();
  // DirectDraw has no 24-bit display here.
  EXPECT_FALSE(DDInit(0, nullptr, 640, 480, 24, 0, 0, 1, 60, 0, surfaces_, defs_, 4, 0));
  EXPECT_NE(Report().find("SetDisplayMode Err"), std::string::npos);
}

TEST_F(DisplayTest, VSyncLineAndDeviceLinesGoToTheReport) {
  ASSERT_TRUE(DDInit(1, nullptr, 640, 480, 16, 1, 1, 1, 60, 1, surfaces_, defs_, 4, 0));
  std::string r = Report();
  EXPECT_NE(r.find("VSync : 1\n"), std::string::npos);
  EXPECT_NE(r.find("RefreshRate : 60\n"), std::string::npos);
  EXPECT_NE(r.find("Device HAL-HARD\nA1R5G5B5\n"), std::string::npos);
  EXPECT_EQ(g_bVSync, 1);
  EXPECT_EQ(lpDTCon->d3dpp.PresentationInterval, PRESENT_INTERVAL_DEFAULT);
  EXPECT_EQ(lpDTCon->d3dpp.Windowed, 1);
}

TEST_F(DisplayTest, DisplayReportNamesModeDepthAndRefresh) {
  ASSERT_TRUE(Init(kDisplayModes[3]));  // DirectDraw window, 32 bits
  ASSERT_EQ(WriteDisplayReport(1), 1);
  std::string r = Report();
  EXPECT_NE(r.find("Mode : Window\nBpp : 32\nVRAM Total : "), std::string::npos);
  EXPECT_NE(r.find("RR : 60\n"), std::string::npos);
  DDRelease();

  ASSERT_TRUE(InitReportLog(reportPath_.c_str()));
  ASSERT_TRUE(Init(kDisplayModes[4]));  // Direct3D full screen, 16 bits: no DirectDraw object
  ASSERT_EQ(WriteDisplayReport(0), 1);
  r = Report();
  EXPECT_NE(r.find("Mode : Fullscreen\nBpp : 16\n"), std::string::npos);
  EXPECT_EQ(r.find("VRAM"), std::string::npos);
  EXPECT_EQ(r.find("RR : "), std::string::npos);
}

TEST_F(DisplayTest, WindowModeSurfacesFollowTheDesktopDepth) {
  DDSetDesktopBppForTest(16);
  ASSERT_TRUE(DDInit(0, nullptr, 640, 480, 16, 0, 1, 1, 60, 0, surfaces_, defs_, 4, 0));
  EXPECT_EQ(g_nDesktopBpp, 16);
  EXPECT_EQ(g_PrimarySD.Pixels()->format, PixelFormat::R5G6B5);
  EXPECT_EQ(BackBuffer.Pixels()->format, PixelFormat::R5G6B5);
  EXPECT_EQ(g_rcWindow.right, 640);
  EXPECT_EQ(g_rcWindow.bottom, 480);
  // The window palette keeps the system entries as explicit references.
  EXPECT_EQ(g_lpDDPal->entries[9].peFlags, PC_EXPLICIT);
  EXPECT_EQ(g_lpDDPal->entries[10].peFlags, PC_RESERVED);
  EXPECT_EQ(g_lpDDPal->entries[10].peGreen, 10);
  EXPECT_EQ(g_lpDDPal->entries[246].peFlags, PC_EXPLICIT);
}

TEST_F(DisplayTest, SecondDirectDrawInitReleasesTheFirst) {
  // Full screen and window in turn: each set-up releases the one before, so
  // only its own primary and back surface are in video memory.
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(Init(kDisplayModes[i % 2 ? 3 : 1]));
    ASSERT_NE(BackBuffer.Pixels(), nullptr);
    EXPECT_EQ(DDTrackedVideoBuffers().size(), 2u);
  }
  // Two back surfaces make a chain of three.
  ASSERT_TRUE(Init(kDisplayModes[1], 2));
  EXPECT_EQ(DDFlipChain()->size(), 3u);
  ASSERT_TRUE(Init(kDisplayModes[1], 1));
  EXPECT_EQ(DDFlipChain()->size(), 2u);
}

TEST_F(DisplayTest, FullScreenPaletteIsTheRedGreenRamp) {
  ASSERT_TRUE(Init(kDisplayModes[0]));
  EXPECT_EQ(g_lpDDPal->entries[0].peBlue, 255);
  EXPECT_EQ(g_lpDDPal->entries[1].peBlue, 0);
  EXPECT_EQ(g_lpDDPal->entries[200].peRed, 200);
  EXPECT_EQ(g_lpDDPal->entries[200].peGreen, 200);
  EXPECT_EQ(g_lpDDPal->entries[200].peFlags, PC_RESERVED);
}

TEST_F(DisplayTest, DrawStatesSetAndResetOnlyInDirect3D) {
  ASSERT_TRUE(Init(kDisplayModes[6]));
  DDSetDrawColor(0x80FF0000);
  DDSetColorOp(D3DTOP_SELECTARG2);
  DDSetAlphaOp(D3DTOP_DISABLE);
  EXPECT_EQ(lpDTCon->dwDrawColor, 0x80FF0000u);
  EXPECT_EQ(lpDTCon->dwColorOp, 3u);
  EXPECT_EQ(lpDTCon->dwAlphaOp, 1u);
  DDResetDrawColor();
  DDResetColorOp();
  DDResetAlphaOp();
  EXPECT_EQ(lpDTCon->dwDrawColor, 0xFFFFFFFFu);
  EXPECT_EQ(lpDTCon->dwColorOp, 4u);
  EXPECT_EQ(lpDTCon->dwAlphaOp, 2u);
  DDRelease();
  ASSERT_TRUE(Init(kDisplayModes[2]));
  DDSetDrawColor(0x12345678);  // DirectDraw: nothing to set, nothing breaks
  EXPECT_EQ(lpDTCon, nullptr);
}
