// Where the 640 x 480 picture goes on a full screen or a resized window:
// as large as fits with its shape kept, centred between black bars.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/video_fit.h"

namespace {

using plat::PictureRect;

TEST(PictureFit, LargestFourToThreePictureCentredOnEachDesktop) {
  struct Case {
    int areaW, areaH;
    PictureRect expected;
    int wholeScale;  // 0: the scale is not a whole number
  } cases[] = {
      // 768 / 480 = 1.6 limits: 1024 wide, (1366 - 1024) / 2 = 171 on each side.
      {1366, 768, {171, 0, 1024, 768}, 0},
      // 1080 / 480 = 2.25 limits: 1440 wide, bars of 240.
      {1920, 1080, {240, 0, 1440, 1080}, 0},
      // 1280 / 640 = 2 limits: 960 high, bars of 32 above and below.
      {1280, 1024, {0, 32, 1280, 960}, 2},
      // 1440 / 480 = 3: 1920 wide, bars of 320.
      {2560, 1440, {320, 0, 1920, 1440}, 3},
      // The window of the usual size shows the picture as it is.
      {640, 480, {0, 0, 640, 480}, 1},
      // A resized window narrower than 4:3.
      {800, 700, {0, 50, 800, 600}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.areaW << " x " << c.areaH);
    const PictureRect r = plat::FitPicture(640, 480, c.areaW, c.areaH);
    EXPECT_EQ(r, c.expected) << r.x << "," << r.y << " " << r.w << "x" << r.h;
    // The shape is kept to the pixel and one side fills the area.
    EXPECT_LE(std::abs(r.w * 480 - r.h * 640), 640);
    EXPECT_TRUE(r.w == c.areaW || r.h == c.areaH);
    // Bars of the same size on both sides (one more pixel on the far side
    // when the rest is odd).
    EXPECT_EQ(r.x, (c.areaW - r.w) / 2);
    EXPECT_EQ(r.y, (c.areaH - r.h) / 2);
    if (c.wholeScale) {
      EXPECT_EQ(r.w, 640 * c.wholeScale);
      EXPECT_EQ(r.h, 480 * c.wholeScale);
    } else {
      EXPECT_NE(r.w % 640, 0);
    }
  }
}

TEST(PictureFit, EmptyPictureOrAreaGivesNothing) {
  EXPECT_EQ(plat::FitPicture(640, 480, 0, 768), PictureRect{});
  EXPECT_EQ(plat::FitPicture(640, 480, 1366, -1), PictureRect{});
  EXPECT_EQ(plat::FitPicture(0, 480, 1366, 768), PictureRect{});
}

TEST(PictureFit, PointsMapToThePixelUnderThemAndBarsLieOutside) {
  for (const auto& [w, h] : {std::pair{1366, 768}, {1920, 1080}, {1280, 1024}, {2560, 1440}, {640, 480}}) {
    SCOPED_TRACE(testing::Message() << w << " x " << h);
    const PictureRect r = plat::FitPicture(640, 480, w, h);
    // Every pixel's centre on the screen maps back to that pixel.
    for (int px = 0; px < 640; ++px) {
      int ax = 0, ay = 0, bx = 0, by = 0;
      plat::PictureToArea(r, 640, 480, px, px * 3 / 4, &ax, &ay);
      plat::AreaToPicture(r, 640, 480, ax, ay, &bx, &by);
      ASSERT_EQ(bx, px);
      ASSERT_EQ(by, px * 3 / 4);
    }
    // The picture's corners and the bars beside them.
    int x = 0, y = 0;
    plat::AreaToPicture(r, 640, 480, r.x, r.y, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    plat::AreaToPicture(r, 640, 480, r.x + r.w - 1, r.y + r.h - 1, &x, &y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    plat::AreaToPicture(r, 640, 480, r.x - 1, r.y - 1, &x, &y);
    EXPECT_LT(x, 0);
    EXPECT_LT(y, 0);
    plat::AreaToPicture(r, 640, 480, r.x + r.w, r.y + r.h, &x, &y);
    EXPECT_GE(x, 640);
    EXPECT_GE(y, 480);
  }
}

}  // namespace
