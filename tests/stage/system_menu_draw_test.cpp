#include <gtest/gtest.h>

#include "stage/system_menu.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/fill.h"
#include "graphics/palette.h"

using drawtest::FillAll;
using drawtest::Get;

class SystemMenuDrawTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_TRUE(Init(kDisplayModes[2]));  // DD32Full
    for (PALETTEENTRY& e : g_Palette) e = PALETTEENTRY{0, 0, 0, 0};
    g_Palette[240] = {255, 0, 0, 0};      // frame
    g_Palette[241] = {255, 255, 255, 0};  // text
    g_Palette[7] = {0x20, 0x30, 0x40, 0};  // the window skin
    ASSERT_TRUE(DDCreateSurface(&skin_, 640, 480, 0, 0, 0, nullptr, 0));
    DDFillSurface(&skin_, 7);
    font_.Create("ＭＳ ゴシック", 0, 16, 16, 16, 241, &skin_, 1, 240, nullptr, 0);
    FillAll(BackBuffer, 0);
  }
  void TearDown() override {
    DDReleaseSurface(&skin_);
    DisplayTest::TearDown();
  }
  // Whether any pixel of the rectangle holds palette colour n.
  bool Has(int x, int y, int w, int h, DWORD n) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i)
        if (Get(BackBuffer, i, j) == PalNumToRGB(n)) return true;
    return false;
  }
  bool All(int x, int y, int w, int h, DWORD n) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i)
        if (Get(BackBuffer, i, j) != PalNumToRGB(n)) return false;
    return true;
  }
  cSystemData system_;
  cFont font_;
  DDSURFACEDATA skin_;
};

TEST_F(SystemMenuDrawTest, RetryMenuIsAFramedWindowWithACursorColumn) {
  // "リトライ" and "マップへ戻る": six characters plus the cursor column.
  const int x = system_.GetSystemMenuLeft(320, 23, 2, 1);
  ASSERT_EQ(x, 264);
  DrawSystemMenu(system_, font_, &BackBuffer, x, 100, 23, 2, 1);
  const int w = 7 * 16, h = 2 * 16;
  // One-pixel frame around the window.
  EXPECT_TRUE(All(x - 1, 99, w + 2, 1, 240));
  EXPECT_TRUE(All(x - 1, 100 + h, w + 2, 1, 240));
  EXPECT_TRUE(All(x - 1, 99, 1, h + 2, 240));
  EXPECT_TRUE(All(x + w, 99, 1, h + 2, 240));
  EXPECT_EQ(Get(BackBuffer, x + w + 1, 110), 0u);
  // The cursor column shows only the skin; both lines have text after it.
  EXPECT_TRUE(All(x, 100, 16, h, 7));
  EXPECT_TRUE(Has(x + 16, 100, 4 * 16, 16, 241));
  EXPECT_TRUE(Has(x + 16, 116, 6 * 16, 16, 241));
  EXPECT_FALSE(Has(x + 16 + 4 * 16, 100, 2 * 16, 16, 241));  // the first text is shorter
}

TEST_F(SystemMenuDrawTest, WithoutCursorTheBoxIsNarrowerAndCountZeroDrawsNothing) {
  const int x = system_.GetSystemMenuLeft(320, 23, 2, 0);
  ASSERT_EQ(x, 272);
  DrawSystemMenu(system_, font_, &BackBuffer, x, 100, 23, 2, 0);
  EXPECT_TRUE(All(x + 6 * 16, 99, 1, 34, 240));
  EXPECT_TRUE(Has(x, 100, 16, 16, 241));

  FillAll(BackBuffer, 0);
  DrawSystemMenu(system_, font_, &BackBuffer, x, 100, 23, 0, 1);
  EXPECT_TRUE(All(0, 0, 640, 480, 0));
}
