#include <cstring>
#include <string>
#include <vector>

#include "bmp_bytes.h"
#include "display_fixture.h"
#include "graphics/bitmap_load.h"
#include "graphics/restore.h"
#include "platform/files.h"

namespace {

int g_fontsLost = 0, g_fontsRestored = 0;

class RestoreTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    g_fontsLost = g_fontsRestored = 0;
    RestoreHooks hooks;
    hooks.fontsLost = [] { ++g_fontsLost; };
    hooks.fontsRestore = [] { ++g_fontsRestored; };
    SetRestoreHooks(hooks);
  }
  void TearDown() override {
    SetRestoreHooks(RestoreHooks{});
    DisplayTest::TearDown();
    std::remove(bitmapPath_.c_str());
  }
  // A 2 x 2 true-colour bitmap: red, green / blue, white.
  const char* WriteBitmap() {
    bmptest::Spec spec;
    spec.width = 2;
    spec.height = 2;
    spec.bitCount = 24;
    spec.rows = {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}};
    std::vector<uint8_t> bytes = bmptest::Build(spec);
    bitmapPath_ = ::testing::TempDir() + "t4_restore_" + std::to_string(::getpid()) + ".bmp";
    EXPECT_TRUE(plat::WriteFileAtomic(bitmapPath_, bytes.data(), bytes.size()));
    return bitmapPath_.c_str();
  }
  std::string bitmapPath_;
};

uint32_t Pixel32(DDSURFACEDATA& sd, int x, int y) { return reinterpret_cast<uint32_t*>(sd.Pixels()->Row(y))[x]; }

}  // namespace

TEST_F(RestoreTest, Direct3DDeviceComesBackOnlyOnceItCanBeReset) {
  ASSERT_TRUE(Init(kDisplayModes[7]));  // Direct3D 32-bit window
  lpDTCon->dwTransmitARGB = 0xFF00FF00;
  DDSURFACEDATA target, system, fromFile;
  ASSERT_TRUE(DDCreateSurface(&target, 8, 8, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&system, 8, 8, 0, 0, DTMEMORYTYPE_SYSTEM, nullptr, 0));
  ASSERT_EQ(DDCreateSurfaceFromFile(&fromFile, WriteBitmap(), 0, 32, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0, 0, 0, 0), 0);
  ASSERT_EQ(Pixel32(fromFile, 1, 0), 0xFF00FF00u);
  reinterpret_cast<uint32_t*>(fromFile.Pixels()->Row(0))[1] = 0;
  reinterpret_cast<uint32_t*>(target.Pixels()->Row(1))[1] = 0xFF123456;
  reinterpret_cast<uint32_t*>(system.Pixels()->Row(2))[2] = 0xFF654321;
  DWORD targetId = target.lpDT->dwID;

  DDSetDeviceStateForTest(DeviceState::Lost);
  EXPECT_EQ(DDPresent(60, 0, nullptr), 0);
  // Still lost: the attempt gives up after releasing the video textures.
  EXPECT_EQ(DDRestoreSurface(), 0);
  EXPECT_EQ(target.Pixels(), nullptr);
  EXPECT_EQ(BackBuffer.Pixels(), nullptr);
  EXPECT_NE(system.Pixels(), nullptr);
  EXPECT_EQ(g_fontsLost, 1);
  EXPECT_EQ(g_fontsRestored, 0);

  DDSetDeviceStateForTest(DeviceState::NotReset);
  size_t listed = g_lstSurface.size();
  EXPECT_EQ(DDRestoreSurface(), 1);
  EXPECT_EQ(DDGetDeviceStateForTest(), DeviceState::Ok);
  EXPECT_EQ(g_lstSurface.size(), listed);
  // The empty render target is back, cleared to the key colour, and marked.
  ASSERT_NE(target.Pixels(), nullptr);
  EXPECT_EQ(Pixel32(target, 1, 1), 0xFF00FF00u);
  EXPECT_EQ(target.bLost, 1);
  EXPECT_EQ(target.lpDT->dwID, targetId);
  EXPECT_STREQ(target.szName, "OffScreen");
  EXPECT_EQ(target.lpDT->bTransmit, 1);
  // System memory kept its pixels.
  EXPECT_EQ(Pixel32(system, 2, 2), 0xFF654321u);
  // The file surface was read again, its flag untouched.
  ASSERT_NE(fromFile.Pixels(), nullptr);
  EXPECT_EQ(Pixel32(fromFile, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(Pixel32(fromFile, 0, 1), 0xFF0000FFu);
  EXPECT_EQ(fromFile.bLost, 0);
  EXPECT_STREQ(fromFile.szName, "OffScreenFromFile");
  EXPECT_EQ(g_fontsRestored, 1);
  ASSERT_NE(BackBuffer.Pixels(), nullptr);
  EXPECT_EQ(BackBuffer.Pixels()->format, PixelFormat::X8R8G8B8);
  EXPECT_EQ(DDPresent(60, 0, nullptr), 1);
}

TEST_F(RestoreTest, EachRestoreWorksOnlyInItsOwnBackend) {
  ASSERT_TRUE(Init(kDisplayModes[2]));
  EXPECT_EQ(DDRestoreSurface(), 1);
  DDRelease();
  ASSERT_TRUE(Init(kDisplayModes[6]));
  DDSetDeviceStateForTest(DeviceState::Lost);
  EXPECT_TRUE(DDRestore());
  EXPECT_NE(BackBuffer.Pixels(), nullptr);  // untouched
  EXPECT_EQ(g_fontsRestored, 0);
}

TEST_F(RestoreTest, DirectDrawRestoresLostSurfacesAndReloadsTheirFiles) {
  ASSERT_TRUE(Init(kDisplayModes[2]));
  ASSERT_EQ(DDCreateSurfaceFromFile(&surfaces_[0], WriteBitmap(), 0, 32, 0, 0, nullptr, 0, 0, 0, 0), 0);
  ASSERT_TRUE(DDCreateSurface(&surfaces_[1], 4, 4, 0, 0, 0, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&surfaces_[2], 4, 4, 0, 1, 1, nullptr, 0));
  reinterpret_cast<uint32_t*>(surfaces_[2].Pixels()->Row(0))[0] = 0x777777;
  ASSERT_EQ(Pixel32(surfaces_[0], 0, 0) & 0xFFFFFF, 0xFF0000u);

  // Nothing lost: nothing done.
  EXPECT_TRUE(DDRestore());
  EXPECT_EQ(g_fontsRestored, 0);

  DDLoseSurfacesForTest();
  EXPECT_TRUE(DDIsSurfaceLost(&g_PrimarySD));
  EXPECT_TRUE(DDIsSurfaceLost(&BackBuffer));
  EXPECT_TRUE(DDIsSurfaceLost(&surfaces_[0]));
  EXPECT_FALSE(DDIsSurfaceLost(&surfaces_[2]));  // system memory is never lost
  cSurfaceLock lock;
  EXPECT_FALSE(lock.Lock(&surfaces_[1]));
  EXPECT_FALSE(DDFlip());

  EXPECT_TRUE(DDRestore());
  EXPECT_FALSE(DDIsSurfaceLost(&g_PrimarySD));
  EXPECT_FALSE(DDIsSurfaceLost(&BackBuffer));
  EXPECT_FALSE(DDIsSurfaceLost(&surfaces_[0]));
  EXPECT_FALSE(DDIsSurfaceLost(&surfaces_[1]));
  // The bitmap was read again; the empty surface is marked for its owner.
  EXPECT_EQ(Pixel32(surfaces_[0], 0, 0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Pixel32(surfaces_[0], 1, 1) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(surfaces_[0].bLost, 0);
  EXPECT_EQ(surfaces_[1].bLost, 1);
  EXPECT_EQ(surfaces_[2].bLost, 0);
  EXPECT_EQ(Pixel32(surfaces_[2], 0, 0), 0x777777u);
  EXPECT_EQ(g_fontsRestored, 1);
  EXPECT_TRUE(DDFlip());
}

TEST_F(RestoreTest, EightBitRestoreSetsTheWorkingPaletteAgain) {
  ASSERT_TRUE(Init(kDisplayModes[0]));
  g_PaletteWork[3] = {1, 2, 3, 0};
  DDLoseSurfacesForTest();
  EXPECT_TRUE(DDRestore());
  EXPECT_EQ(g_lpDDPal->entries[3].peRed, 1);
  EXPECT_EQ(g_lpDDPal->entries[3].peBlue, 3);
  g_PaletteWork[3] = {};
}
