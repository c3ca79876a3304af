#include <list>
#include <vector>

#include "display_fixture.h"

using SurfaceTest = DisplayTest;

TEST_F(SurfaceTest, EmptySurfacesHaveTheNativeFormatAndPitch) {
  struct Case {
    int mode;
    PixelFormat format;
    int pitch;  // bytes for a 101-pixel row, rounded to 4
    int lockPitch;
  };
  const Case cases[] = {
      {0, PixelFormat::Index8, 104, 104},  {1, PixelFormat::R5G6B5, 204, 102},
      {2, PixelFormat::X8R8G8B8, 404, 101}, {3, PixelFormat::X8R8G8B8, 404, 101},
      {4, PixelFormat::A1R5G5B5, 204, 102}, {5, PixelFormat::A1R5G5B5, 204, 102},
      {6, PixelFormat::A8R8G8B8, 404, 101}, {7, PixelFormat::A8R8G8B8, 404, 101},
  };
  for (const Case& c : cases) {
    const DisplayMode& m = kDisplayModes[c.mode];
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(Init(m));
    DDSURFACEDATA sd;
    ASSERT_TRUE(DDCreateSurface(&sd, 101, 3, 0, 0, 0, nullptr, 0));
    PixelBuffer* b = sd.Pixels();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->format, c.format);
    EXPECT_EQ(b->pitch, c.pitch);
    EXPECT_EQ(sd.nWidth, 101);
    EXPECT_EQ(sd.nHeight, 3);
    EXPECT_EQ(sd.nTexWidth, 101);
    cSurfaceLock lock;
    ASSERT_TRUE(lock.Lock(&sd));
    EXPECT_EQ(lock.m_nPitch, c.lockPitch);
    EXPECT_EQ(lock.m_nBpp, BitsPerPixel(c.format));
    EXPECT_EQ(lock.m_lpSD, &sd);
    if (m.bD3D) {
      EXPECT_STREQ(sd.szName, "OffScreen");
      EXPECT_STREQ(sd.szFileName, "E");
      EXPECT_EQ(sd.lpDT->bRenderTarget, 1);
      EXPECT_EQ(g_lstSurface.back(), &sd);
    } else {
      EXPECT_TRUE(b->videoMemory);
      EXPECT_EQ(sd.dwMemType, 0u);
    }
    DDUnlock(lock);
    DDRelease();
  }
}

TEST_F(SurfaceTest, NewSurfacesStartWithTheirClearColour) {
  // DirectDraw fills with palette colour 0 packed field by field (no
  // scaling); Direct3D clears render targets to the opaque key colour.
  g_Palette[0] = {0xFF, 0x80, 0x08, 0};
  struct Case {
    int mode;
    uint32_t expected;
  };
  const Case cases[] = {
      {0, 0},
      {1, ((0xFFu & 31) << 11) | ((0x80u & 63) << 5) | (0x08u & 31)},
      {2, 0x00FF8008},
      {5, 0x8000u | (0x12u >> 3 << 10) | (0x34u >> 3 << 5) | (0x56u >> 3)},
      {6, 0xFF123456},
  };
  for (const Case& c : cases) {
    const DisplayMode& m = kDisplayModes[c.mode];
    SCOPED_TRACE(m.name);
    ASSERT_TRUE(Init(m));
    if (lpDTCon) lpDTCon->dwTransmitARGB = 0xFF123456;
    DDSURFACEDATA sd;
    ASSERT_TRUE(DDCreateSurface(&sd, 3, 2, 0, 0, 0, nullptr, 0));
    PixelBuffer* b = sd.Pixels();
    uint32_t got = 0;
    switch (BytesPerPixel(b->format)) {
      case 1: got = b->Row(1)[2]; break;
      case 2: got = reinterpret_cast<uint16_t*>(b->Row(1))[2]; break;
      case 4: got = reinterpret_cast<uint32_t*>(b->Row(1))[2]; break;
    }
    EXPECT_EQ(got, c.expected);
    DDRelease();
  }
  g_Palette[0] = {};
}

TEST_F(SurfaceTest, KeyedDirectDrawSurfacesTakeTheCurrentKey) {
  ASSERT_TRUE(Init(kDisplayModes[2]));
  g_dwTransmit = 0x00FF00FF;
  DDSURFACEDATA keyed, plain;
  ASSERT_TRUE(DDCreateSurface(&keyed, 8, 8, 1, 1, 1, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&plain, 8, 8, 0, 1, 1, nullptr, 0));
  EXPECT_TRUE(keyed.Pixels()->hasColorKey);
  EXPECT_EQ(keyed.Pixels()->colorKey, 0x00FF00FFu);
  EXPECT_FALSE(plain.Pixels()->hasColorKey);
  EXPECT_FALSE(keyed.Pixels()->videoMemory);
  EXPECT_EQ(keyed.dwMemType, 1u);
  g_dwTransmit = 0;
}

TEST_F(SurfaceTest, TextureSizesFollowTheDeviceRules) {
  ASSERT_TRUE(Init(kDisplayModes[6]));
  DDSURFACEDATA a, b, c, d;
  lpDTCon->bPow2 = 1;
  lpDTCon->bSquareOnly = 1;
  ASSERT_TRUE(DDCreateSurface(&a, 100, 60, 0, 0, 0, nullptr, 0));
  EXPECT_EQ(a.nTexWidth, 128);
  EXPECT_EQ(a.nTexHeight, 128);
  EXPECT_EQ(a.nWidth, 100);
  EXPECT_EQ(a.nHeight, 60);
  int w = 64, h = 1;
  DDAdjustTextureSize(&w, &h);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 64);
  lpDTCon->bPow2 = 0;
  lpDTCon->bSquareOnly = 0;
  ASSERT_TRUE(DDCreateSurface(&b, 300, 200, 0, 0, 0, nullptr, 0));
  EXPECT_EQ(b.nTexWidth, 300);
  EXPECT_EQ(b.nTexHeight, 200);
  // Memory type 2 is made as type 0.
  ASSERT_TRUE(DDCreateSurface(&c, 16, 16, 1, 0, DTMEMORYTYPE_VIDEO_NORT, nullptr, 0));
  EXPECT_EQ(c.lpDT->dwMemType, 0u);
  EXPECT_EQ(c.lpDT->bRenderTarget, 1);
  EXPECT_EQ(c.lpDT->bTransmit, 1);
  ASSERT_TRUE(DDCreateSurface(&d, 16, 16, 0, 0, DTMEMORYTYPE_SYSTEM, nullptr, 0));
  EXPECT_EQ(d.lpDT->bRenderTarget, 0);
  // Too large for the device: reported, still made.
  lpDTCon->d3dCaps.MaxTextureWidth = 256;
  DDSURFACEDATA e;
  EXPECT_TRUE(DDCreateSurface(&e, 300, 10, 0, 0, 0, nullptr, 0));
  EXPECT_NE(Report().find(U8(u8"このビデオカードでは横幅256を超える画像はサポートされていません！")), std::string::npos);
  // Ids count up from after the display's own surfaces.
  EXPECT_EQ(a.lpDT->dwID, 3u);
  EXPECT_EQ(e.lpDT->dwID, 7u);
}

TEST_F(SurfaceTest, MirrorAliasesShareTheirBase) {
  ASSERT_TRUE(Init(kDisplayModes[7]));
  DDSURFACEDATA base, alias;
  ASSERT_TRUE(DDCreateSurface(&base, 64, 32, 1, 0, 0, nullptr, 0));
  size_t listed = g_lstSurface.size();
  ASSERT_TRUE(DDCreateSurface(&alias, 64, 32, 1, 0, 0, &base, 0));
  alias.lpBaseSD = &base;
  EXPECT_EQ(alias.lpDT->lpTexture, nullptr);
  EXPECT_EQ(g_lstSurface.size(), listed);  // aliases are not restored on their own
  DDSURFACEDATA* resolved = &alias;
  DDResolveBaseSD(&resolved);
  EXPECT_EQ(resolved, &base);
  cSurfaceLock lock;
  ASSERT_TRUE(lock.Lock(&alias));
  EXPECT_EQ(lock.m_lpSD, &base);
  DDUnlock(lock);
  DDReleaseSurface(&alias);
  EXPECT_EQ(alias.lpDT, nullptr);
  ASSERT_NE(base.Pixels(), nullptr);
  EXPECT_EQ(base.Pixels()->width, 64);
}

TEST_F(SurfaceTest, UnlockTwiceAndReleaseTwiceDoNothingMore) {
  ASSERT_TRUE(Init(kDisplayModes[1]));
  DDSURFACEDATA sd;
  ASSERT_TRUE(DDCreateSurface(&sd, 4, 4, 0, 0, 0, nullptr, 0));
  cSurfaceLock lock;
  ASSERT_TRUE(lock.Lock(&sd));
  DDUnlock(lock);
  EXPECT_EQ(lock.m_lpSD, nullptr);
  EXPECT_EQ(lock.m_lpBits, nullptr);
  DDUnlock(lock);
  DDReleaseSurface(&sd);
  DDReleaseSurface(&sd);
  DDReleaseSurface(nullptr);
  EXPECT_FALSE(lock.Lock(&sd));  // nothing left to lock
  DDSURFACEDATA never;
  DDReleaseSurface(&never);
  // A released record can be created again.
  EXPECT_TRUE(DDCreateSurface(&sd, 2, 2, 0, 0, 0, nullptr, 0));
}

TEST_F(SurfaceTest, LockInDirect3DFollowsTheVirtualBackBuffer) {
  ASSERT_TRUE(Init(kDisplayModes[6]));
  cSurfaceLock lock;
  ASSERT_TRUE(lock.Lock(&BackBuffer));
  EXPECT_EQ(lock.m_lpSD, &BackBuffer);
  EXPECT_EQ(lock.m_Format, PixelFormat::X8R8G8B8);
  DDSetVirtualBackBuffer(1);
  ASSERT_TRUE(lock.Lock(&BackBuffer));
  EXPECT_EQ(lock.m_lpSD, &VirBackBuffer);
  EXPECT_EQ(lock.m_Format, PixelFormat::A8R8G8B8);
  // DirectDraw's own lock is not there in Direct3D: it succeeds doing nothing.
  BYTE* bits = nullptr;
  EXPECT_TRUE(DDLock(&BackBuffer, nullptr, &bits, 32));
  EXPECT_EQ(bits, nullptr);
}

TEST_F(SurfaceTest, DirectDrawLockDescribesTheSurface) {
  ASSERT_TRUE(Init(kDisplayModes[1]));
  DDSURFACEDATA sd;
  ASSERT_TRUE(DDCreateSurface(&sd, 7, 5, 0, 0, 0, nullptr, 0));
  DDLOCKDESC desc;
  BYTE* bits = nullptr;
  ASSERT_TRUE(DDLock(&sd, &desc, &bits, 16));
  EXPECT_EQ(bits, sd.Pixels()->Bits());
  EXPECT_EQ(desc.dwWidth, 7);
  EXPECT_EQ(desc.dwHeight, 5);
  EXPECT_EQ(desc.lPitch, 16);
  EXPECT_EQ(desc.format, PixelFormat::R5G6B5);
}

TEST_F(SurfaceTest, PictureListsKeepSurfacesAndDefinitionsTogether) {
  ASSERT_TRUE(Init(kDisplayModes[6]));
  std::list<DDSURFACEDATA> surfaces;
  std::list<DDSURFACEDEF> defs;
  ASSERT_TRUE(DDInsertSurfaceList(surfaces, defs, 0, 10, 10, 1, 0, 0, nullptr));  // empty: appends
  ASSERT_TRUE(DDAddSurfaceList(surfaces, defs, 20, 10, 0, 0, 1, nullptr));
  ASSERT_TRUE(DDAddSurfaceList(surfaces, defs, 30, 10, 0, 0, 0, nullptr));
  ASSERT_TRUE(DDInsertSurfaceList(surfaces, defs, 1, 40, 10, 0, 1, 1, nullptr));
  ASSERT_TRUE(DDInsertSurfaceList(surfaces, defs, -1, 50, 10, 0, 0, 0, nullptr));
  std::vector<int> widths;
  for (auto& s : surfaces) widths.push_back(s.nWidth);
  EXPECT_EQ(widths, (std::vector<int>{10, 40, 20, 30, 50}));
  auto def = std::next(defs.begin());
  EXPECT_STREQ(def->szFileName, "E");
  EXPECT_EQ(def->dwDDMemType, 1u);
  EXPECT_EQ(def->dwDTMemType, 1u);
  EXPECT_EQ(defs.front().bTransmit, 1);

  DDSURFACEDATA* second = &*std::next(surfaces.begin());
  EXPECT_EQ(DDRemoveSurfaceList(surfaces, defs, second), 1);
  EXPECT_EQ(surfaces.size(), 4u);
  EXPECT_EQ(defs.size(), 4u);
  EXPECT_EQ(std::next(defs.begin())->dwDTMemType, 1u);  // the 20-wide one's definition moved up
  DDSURFACEDATA stranger;
  EXPECT_EQ(DDRemoveSurfaceList(surfaces, defs, &stranger), 0);

  DDReleaseSurfaceList(surfaces);
  EXPECT_EQ(surfaces.size(), 4u);  // released, not removed
  for (auto& s : surfaces) EXPECT_EQ(s.lpDT, nullptr);
}

TEST_F(SurfaceTest, RestoreListFollowsRecordsWhenAVectorGrows) {
  // Records in a growing vector move; the restore list must not keep the
  // old addresses.
  ASSERT_TRUE(Init(kDisplayModes[7]));
  std::vector<DDSURFACEDATA> surfaces;
  std::vector<DDSURFACEDEF> defs;
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(DDAddSurface(surfaces, defs, 8 + i, 8, 0, 0, 0, nullptr));
  int found = 0;
  for (DDSURFACEDATA* sd : g_lstSurface)
    for (auto& s : surfaces)
      if (sd == &s) ++found;
  EXPECT_EQ(found, 20);
  EXPECT_EQ(g_lstSurface.size(), 22u);  // and VirBackBuffer, WorkSD
  surfaces.erase(surfaces.begin() + 3);
  EXPECT_EQ(g_lstSurface.size(), 21u);
  DDReleaseSurfaceVector(surfaces);
  EXPECT_EQ(g_lstSurface.size(), 2u);
}
