#include <cstring>
#include <string>
#include <vector>

#include "display_fixture.h"
#include "graphics/restore.h"

namespace {

std::vector<std::string> g_reloaded;
bool RecordReload(DDSURFACEDATA* sd) {
  g_reloaded.push_back(sd->szFileName);
  return true;
}
int g_fontsLost = 0, g_fontsRestored = 0;

class RestoreTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    g_reloaded.clear();
    g_fontsLost = g_fontsRestored = 0;
    RestoreHooks hooks;
    hooks.reloadFromFile = &RecordReload;
    hooks.reloadSurface = &RecordReload;
    hooks.fontsLost = [] { ++g_fontsLost; };
    hooks.fontsRestore = [] { ++g_fontsRestored; };
    SetRestoreHooks(hooks);
  }
  void TearDown() override {
    SetRestoreHooks(RestoreHooks{});
    DisplayTest::TearDown();
  }
};

uint32_t Pixel32(DDSURFACEDATA& sd, int x, int y) { return reinterpret_cast<uint32_t*>(sd.Pixels()->Row(y))[x]; }

}  // namespace

TEST_F(RestoreTest, Direct3DDeviceComesBackOnlyOnceItCanBeReset) {
  ASSERT_TRUE(Init(kDisplayModes[7]));  // Direct3D 32-bit window
  lpDTCon->dwTransmitARGB = 0xFF00FF00;
  DDSURFACEDATA target, system, fromFile;
  ASSERT_TRUE(DDCreateSurface(&target, 8, 8, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&system, 8, 8, 0, 0, DTMEMORYTYPE_SYSTEM, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&fromFile, 8, 8, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
  std::strcpy(fromFile.szFileName, "bmp\\chara.bmp");
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
  // The file surface went to the loader, its flag untouched.
  EXPECT_EQ(g_reloaded, std::vector<std::string>{"bmp\\chara.bmp"});
  EXPECT_EQ(fromFile.bLost, 0);
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
  ASSERT_TRUE(Init(kDisplayModes[0]));  // 8 bits: the palette is set again
  std::strcpy(surfaces_[0].szFileName, "bmp\\plt\\Palette.bmp");
  ASSERT_TRUE(DDCreateSurface(&surfaces_[0], 4, 4, 0, 0, 0, nullptr, 0));
  std::strcpy(surfaces_[0].szFileName, "bmp\\plt\\Palette.bmp");
  ASSERT_TRUE(DDCreateSurface(&surfaces_[1], 4, 4, 0, 0, 0, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&surfaces_[2], 4, 4, 0, 1, 1, nullptr, 0));
  surfaces_[2].Pixels()->Row(0)[0] = 77;
  g_PaletteWork[3] = {1, 2, 3, 0};

  // Nothing lost: nothing done.
  EXPECT_TRUE(DDRestore());
  EXPECT_EQ(g_fontsRestored, 0);

  DDLoseSurfacesForTest();
  EXPECT_TRUE(DDIsSurfaceLost(&g_PrimarySD));
  EXPECT_TRUE(DDIsSurfaceLost(&BackBuffer));
  EXPECT_FALSE(DDIsSurfaceLost(&surfaces_[2]));  // system memory is never lost
  cSurfaceLock lock;
  EXPECT_FALSE(lock.Lock(&surfaces_[1]));
  EXPECT_FALSE(DDFlip());

  EXPECT_TRUE(DDRestore());
  EXPECT_FALSE(DDIsSurfaceLost(&g_PrimarySD));
  EXPECT_FALSE(DDIsSurfaceLost(&BackBuffer));
  EXPECT_FALSE(DDIsSurfaceLost(&surfaces_[0]));
  EXPECT_EQ(g_reloaded, std::vector<std::string>{"bmp\\plt\\Palette.bmp"});
  EXPECT_EQ(surfaces_[0].bLost, 0);
  EXPECT_EQ(surfaces_[1].bLost, 1);
  EXPECT_EQ(surfaces_[2].bLost, 0);
  EXPECT_EQ(surfaces_[2].Pixels()->Row(0)[0], 77);
  EXPECT_EQ(g_lpDDPal->entries[3].peBlue, 3);
  EXPECT_EQ(g_fontsRestored, 1);
  EXPECT_TRUE(DDFlip());
  g_PaletteWork[3] = {};
}
