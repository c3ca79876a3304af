#include <gtest/gtest.h>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/blit.h"
#include "graphics/colorkey.h"
#include "graphics/fill.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;
using drawtest::Row;

namespace {

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

// An opaque pixel value for column c in the mode's surface format.
uint32_t Opaque(int c) {
  if (!lpDTCon) return g_nBpp == 8 ? uint32_t(c + 1) : uint32_t(c + 1);
  return g_nBpp == 32 ? 0xFF000000u | uint32_t(c + 1) : 0x8000u | uint32_t(c + 1);
}

}  // namespace

class BlitTest : public DisplayTest {
 protected:
  // An empty surface (a render target with Direct3D) of w x h.
  void Make(DDSURFACEDATA& sd, int w, int h, int key = 0, DWORD dtMem = DTMEMORYTYPE_VIDEO_RT) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, key, 0, dtMem, nullptr, 0));
    FillAll(sd, 0);
  }
  DDSURFACEDATA dst_, src_;
};

TEST_F(BlitTest, NegativeXClipsTheSourceInEveryMode) {
  for (const DisplayMode& m : kDisplayModes) {
    ASSERT_TRUE(Init(m)) << m.name;
    Make(dst_, 30, 2);
    Make(src_, 40, 2);
    for (int x = 0; x < 40; ++x) Put(src_, x, 1, Opaque(x));
    EXPECT_EQ(DDBlt(&dst_, -8, 1, 32, 1, &src_, 0, 1, 0), 1) << m.name;
    for (int x = 0; x < 24; ++x) EXPECT_EQ(Get(dst_, x, 1), Opaque(x + 8)) << m.name << " column " << x;
    for (int x = 24; x < 30; ++x) EXPECT_EQ(Get(dst_, x, 1), 0u) << m.name << " column " << x;
    // Entirely outside: nothing left after clipping.
    EXPECT_EQ(DDBlt(&dst_, 30, 0, 4, 1, &src_, 0, 0, 0), 0) << m.name;
    EXPECT_EQ(DDBlt(&dst_, 0, 0, 0, 1, &src_, 0, 0, 0), 0) << m.name;
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);
    DDRelease();
  }
}

TEST_F(BlitTest, DirectDrawKeyIsEqualityWithTheSourceKey) {
  for (const char* name : {"DD8Full", "DD16Full", "DD32Full"}) {
    ASSERT_TRUE(Init(Mode(name)));
    g_dwTransmit = 5;  // set before the keyed surface is created
    Make(src_, 4, 1, 1);
    Make(dst_, 4, 1);
    const uint32_t pixels[4] = {5, 6, 5, 7};
    for (int x = 0; x < 4; ++x) Put(src_, x, 0, pixels[x]);
    FillAll(dst_, 9);
    DDBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 1);
    EXPECT_EQ(Row(dst_, 0, 0, 4), (std::vector<uint32_t>{9, 6, 9, 7})) << name;
    DDBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 0);
    EXPECT_EQ(Row(dst_, 0, 0, 4), (std::vector<uint32_t>{5, 6, 5, 7})) << name;
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);
    DDRelease();
  }
}

TEST_F(BlitTest, DirectDrawStretchAndProportionalClip) {
  ASSERT_TRUE(Init(Mode("DD32Full")));
  Make(src_, 4, 1);
  Make(dst_, 8, 1);
  for (int x = 0; x < 4; ++x) Put(src_, x, 0, 10 + x);
  DDStretchBlt(&dst_, 0, 0, 8, 1, &src_, 0, 0, 4, 1, 0);
  EXPECT_EQ(Row(dst_, 0, 0, 8), (std::vector<uint32_t>{10, 10, 11, 11, 12, 12, 13, 13}));
  FillAll(dst_, 0);
  // Two columns stick out on the left: the source loses 2 x 4 / 8 = 1
  // column and its other three spread over the six that are left.
  DDStretchBlt(&dst_, -2, 0, 8, 1, &src_, 0, 0, 4, 1, 0);
  EXPECT_EQ(Row(dst_, 0, 0, 8), (std::vector<uint32_t>{11, 11, 12, 12, 13, 13, 0, 0}));
  // Sticking out on the right (3 of 8): the source loses 3 x 4 / 8 = 1.
  FillAll(dst_, 0);
  DDStretchBlt(&dst_, 3, 0, 8, 1, &src_, 0, 0, 4, 1, 0);
  EXPECT_EQ(Row(dst_, 0, 0, 8), (std::vector<uint32_t>{0, 0, 0, 10, 10, 11, 11, 12}));
}

TEST_F(BlitTest, Direct3DKeyedTextureAndTheClearOfAnUnkeyedCopy) {
  for (const char* name : {"D3D32Full", "D3D16Window"}) {
    ASSERT_TRUE(Init(Mode(name)));
    DDSetTransmit(255, 0, 255);
    Make(src_, 3, 1, 1);
    Make(dst_, 3, 1);
    const uint32_t red = g_nBpp == 32 ? 0xFFFF0000u : 0xFC00u;
    const uint32_t texels[3] = {Opaque(1), 0, Opaque(2)};  // the middle one transparent
    for (int x = 0; x < 3; ++x) Put(src_, x, 0, texels[x]);
    FillAll(dst_, red);
    DDBlt(&dst_, 0, 0, 3, 1, &src_, 0, 0, 1);
    EXPECT_EQ(Row(dst_, 0, 0, 3), (std::vector<uint32_t>{Opaque(1), red, Opaque(2)})) << name;
    FillAll(dst_, red);
    DDBlt(&dst_, 0, 0, 3, 1, &src_, 0, 0, 0);
    EXPECT_EQ(Row(dst_, 0, 0, 3), (std::vector<uint32_t>{Opaque(1), 0, Opaque(2)})) << name;
    DDReleaseSurface(&dst_);
    DDReleaseSurface(&src_);
    DDRelease();
  }
}

TEST_F(BlitTest, Direct3DDrawColourStageOperationsAndDestinationAlpha) {
  ASSERT_TRUE(Init(Mode("D3D32Window")));
  Make(src_, 1, 1);
  Make(dst_, 1, 1);
  Put(src_, 0, 0, 0xFFFFFFFF);
  struct Case {
    D3DCOLOR drawColor;
    DWORD colorOp, alphaOp;
    uint32_t dstBefore, expected;
  } cases[] = {
      // Modulate by a red draw colour; texture alpha (select argument 1).
      {0xFF800000, D3DTOP_MODULATE, D3DTOP_SELECTARG1, 0xFF000000, 0xFF800000},
      // Half alpha from the draw colour: colours blend and so does alpha.
      {0x80FFFFFF, D3DTOP_MODULATE, D3DTOP_MODULATE, 0xFF000000, 0xBF808080},
      {0x80FFFFFF, D3DTOP_MODULATE, D3DTOP_MODULATE, 0x00000000, 0x40808080},
      // Alpha stage off: the diffuse alpha (opaque) passes, texture alpha ignored.
      {0xFFFFFFFF, D3DTOP_SELECTARG2, D3DTOP_DISABLE, 0xFF000000, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    Put(dst_, 0, 0, c.dstBefore);
    DDSetAlphaOp(c.alphaOp);
    DDBltMode(&dst_, 0, 0, 1, 1, &src_, 0, 0, 1, BLTMODE{c.drawColor, c.colorOp});
    DDResetAlphaOp();
    EXPECT_EQ(Get(dst_, 0, 0), c.expected) << std::hex << c.drawColor << " op " << c.colorOp;
  }
  // DDBltMode restores the draw colour and colour operation.
  EXPECT_EQ(lpDTCon->dwDrawColor, 0xFFFFFFFFu);
  EXPECT_EQ(lpDTCon->dwColorOp, static_cast<DWORD>(D3DTOP_MODULATE));
}

TEST_F(BlitTest, Direct3DMirrorAliasReadsTheBaseFlipped) {
  ASSERT_TRUE(Init(Mode("D3D32Full")));
  Make(src_, 64, 1);
  for (int x = 0; x < 64; ++x) Put(src_, x, 0, Opaque(x));
  DDSURFACEDATA alias;
  ASSERT_TRUE(DDCreateSurface(&alias, 64, 1, 0, 0, 0, &src_, 0));
  alias.lpBaseSD = &src_;
  alias.nMirrorX = 32;
  Make(dst_, 32, 1);
  DDBlt(&dst_, 0, 0, 32, 1, &alias, 32, 0, 0);  // the whole second cell
  for (int x = 0; x < 32; ++x) EXPECT_EQ(Get(dst_, x, 0), Opaque(63 - x)) << x;
  FillAll(dst_, 0);
  DDBlt(&dst_, 0, 0, 16, 1, &alias, 4, 0, 0);  // 16 pixels from cell offset 4
  for (int x = 0; x < 16; ++x) EXPECT_EQ(Get(dst_, x, 0), Opaque(27 - x)) << x;
  EXPECT_EQ(Get(dst_, 16, 0), 0u);
  DDReleaseSurface(&alias);
  EXPECT_NE(src_.Pixels(), nullptr);  // the base keeps its texture
}

TEST_F(BlitTest, Direct3DSoftwareCopyKeyBitsAndDoubledGreen) {
  ASSERT_TRUE(Init(Mode("D3D16Full")));
  Make(src_, 4, 1, 1, DTMEMORYTYPE_SYSTEM);
  Make(dst_, 4, 1, 0, DTMEMORYTYPE_SYSTEM);
  // Skipped only when bits 15 and 13 are both clear.
  const uint32_t texels[4] = {0x0000, 0x2001, 0x8002, 0x1003};
  for (int x = 0; x < 4; ++x) Put(src_, x, 0, texels[x]);
  FillAll(dst_, 0x7777);
  DDBlt(&dst_, 0, 0, 4, 1, &src_, 0, 0, 1);
  EXPECT_EQ(Row(dst_, 0, 0, 4), (std::vector<uint32_t>{0x7777, 0x2001, 0x8002, 0x7777}));
  // Mirrored stretch reads leftwards from the start column.
  FillAll(dst_, 0);
  DDStretchBlt(&dst_, 0, 0, 4, 1, &src_, 4, 0, -4, 1, 0);
  EXPECT_EQ(Row(dst_, 0, 0, 4), (std::vector<uint32_t>{0x1003, 0x8002, 0x2001, 0x0000}));
  // Into the full-screen R5G6B5 back buffer the green field is doubled.
  Put(src_, 0, 0, 0x8000u | 31u << 5 | 3);
  DDBlt(&BackBuffer, 5, 5, 1, 1, &src_, 0, 0, 0);
  EXPECT_EQ(Get(BackBuffer, 5, 5), 62u << 5 | 3);
}

TEST_F(BlitTest, Direct3DTextureIntoR5G6B5BackBufferConvertsAsTheDevice) {
  ASSERT_TRUE(Init(Mode("D3D16Full")));
  Make(src_, 2, 1);
  Put(src_, 0, 0, 0x8000u | 31u << 10 | 31u << 5 | 31);
  Put(src_, 1, 0, 0x8000u | 16u << 10 | 1u << 5 | 0);
  DDBlt(&BackBuffer, 0, 0, 2, 1, &src_, 0, 0, 1);
  EXPECT_EQ(Get(BackBuffer, 0, 0), 0xFFFFu);
  EXPECT_EQ(Get(BackBuffer, 1, 0), 16u << 11 | 2u << 5);
}

TEST_F(BlitTest, ScenesOpenOnceAndCloseOnPresent) {
  ASSERT_TRUE(Init(Mode("D3D32Window")));
  EXPECT_EQ(DDBeginScene(), 1);
  EXPECT_EQ(DDBeginScene(), 1);
  EXPECT_EQ(lpDTCon->bInScene, 1);
  DDEndScene();
  EXPECT_EQ(lpDTCon->bInScene, 0);
  DDRelease();
  ASSERT_TRUE(Init(Mode("DD32Full")));
  EXPECT_EQ(DDBeginScene(), 0);
  EXPECT_EQ(DDSetRenderTarget(0, &BackBuffer), 0);
}

TEST_F(BlitTest, VirtualBackBufferTakesTheBackBuffersDrawing) {
  ASSERT_TRUE(Init(Mode("D3D32Window")));
  Make(src_, 2, 1);
  Put(src_, 0, 0, 0xFF0000AA);
  Put(src_, 1, 0, 0xFF0000BB);
  FillAll(BackBuffer, 0xFF000000);
  DDSetVirtualBackBuffer(1);
  DDBlt(&BackBuffer, 3, 3, 2, 1, &src_, 0, 0, 1);
  DDFillRectColor(&BackBuffer, 0, 0, 1, 1, 0xFF00CC00);
  EXPECT_EQ(Get(BackBuffer, 3, 3), 0xFF000000u);
  EXPECT_EQ(Get(VirBackBuffer, 3, 3), 0xFF0000AAu);
  EXPECT_EQ(Get(VirBackBuffer, 4, 3), 0xFF0000BBu);
  EXPECT_EQ(Get(VirBackBuffer, 0, 0), 0xFF00CC00u);
  // A blit from the back buffer reads the virtual one too.
  Make(dst_, 2, 1);
  DDBlt(&dst_, 0, 0, 2, 1, &BackBuffer, 3, 3, 0);
  EXPECT_EQ(Row(dst_, 0, 0, 2), (std::vector<uint32_t>{0xFF0000AA, 0xFF0000BB}));
  DDSetVirtualBackBuffer(0);
  EXPECT_EQ(Get(BackBuffer, 3, 3) & 0xFFFFFF, 0xAAu);
  DDBlt(&BackBuffer, 0, 5, 1, 1, &src_, 0, 0, 1);
  EXPECT_EQ(Get(BackBuffer, 0, 5), 0xFF0000AAu);
}
