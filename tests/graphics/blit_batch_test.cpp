#include <gtest/gtest.h>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/fill.h"

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;
using drawtest::Row;

class BatchTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_TRUE(Init(kDisplayModes[6]));  // D3D32Full
    for (DDSURFACEDATA* s : {&a_, &b_, &c_, &dst_}) {
      ASSERT_TRUE(DDCreateSurface(s, 4, 1, 0, 0, 0, nullptr, 0));
      FillAll(*s, 0);
    }
    // Each sheet: four opaque cells of its own colours.
    for (int x = 0; x < 4; ++x) {
      Put(a_, x, 0, 0xFFA00000u + x);
      Put(b_, x, 0, 0xFFB00000u + x);
      Put(c_, x, 0, 0xFFC00000u + x);
    }
  }
  DDSURFACEDATA a_, b_, c_, dst_;
};

TEST_F(BatchTest, OrderedBatchDrawsUnregisteredFirstThenSheetsInRegistrationOrder) {
  DDBeginSpriteBatch(1);
  DDSetSpriteOrder(&a_);
  DDSetSpriteOrder(&b_);
  DDSetSpriteOrder(&a_);  // listed once
  // Each later draw covers fewer columns, so the final row shows the order.
  DDBlt(&dst_, 2, 0, 2, 1, &b_, 0, 0, 1);  // B1
  DDBlt(&dst_, 1, 0, 3, 1, &a_, 0, 0, 1);  // A1
  DDBlt(&dst_, 3, 0, 1, 1, &b_, 1, 0, 1);  // B2
  DDBlt(&dst_, 0, 0, 4, 1, &c_, 0, 0, 1);  // C1, never registered
  EXPECT_EQ(Row(dst_, 0, 0, 4), (std::vector<uint32_t>(4, 0)));  // nothing drawn yet
  DDEndSpriteBatch();
  EXPECT_EQ(Row(dst_, 0, 0, 4), (std::vector<uint32_t>{0xFFC00000, 0xFFA00000, 0xFFB00000, 0xFFB00001}));
  EXPECT_EQ(DDLastSpriteRunCount(), 3);  // C1 | A1 | B1 B2
  EXPECT_FALSE(DDSpriteBatchOpen());
}

TEST_F(BatchTest, UnorderedBatchKeepsSubmissionOrderAndRunsShareState) {
  DDBeginSpriteBatch(0);
  DDSetSpriteOrder(&b_);  // ignored without the order flag
  DDBlt(&dst_, 0, 0, 4, 1, &c_, 0, 0, 1);
  DDBlt(&dst_, 1, 0, 3, 1, &a_, 0, 0, 1);
  DDBlt(&dst_, 2, 0, 2, 1, &a_, 1, 0, 1);
  DDSetDrawColor(0xFF808080);  // another state starts another run
  DDBlt(&dst_, 3, 0, 1, 1, &a_, 0, 0, 1);
  DDResetDrawColor();
  DDEndSpriteBatch();
  EXPECT_EQ(Row(dst_, 0, 0, 4), (std::vector<uint32_t>{0xFFC00000, 0xFFA00000, 0xFFA00001, 0xFF500000}));
  EXPECT_EQ(DDLastSpriteRunCount(), 3);
  // An empty batch draws nothing.
  DDBeginSpriteBatch(1);
  DDEndSpriteBatch();
  EXPECT_EQ(DDLastSpriteRunCount(), 0);
}

TEST_F(BatchTest, RectBatchCollectsFillsUntilItsEnd) {
  DDSURFACEDATA other;
  ASSERT_TRUE(DDCreateSurface(&other, 4, 1, 0, 0, 0, nullptr, 0));
  DDBeginRectBatch();
  DDFillRectColor(&dst_, 0, 0, 4, 1, 0xFF112233);
  DDFillRectColor(&dst_, 2, 0, 2, 1, 0xFF445566);
  DDFillRectColor(&other, 0, 0, 1, 1, 0xFF778899);
  DDFillRectColor(&dst_, 3, 0, 1, 1, 0x80FFFFFF);  // blends over the fill before it; alpha too
  EXPECT_EQ(Get(dst_, 0, 0), 0u);
  DDEndRectBatch();
  EXPECT_EQ(Row(dst_, 0, 0, 4), (std::vector<uint32_t>{0xFF112233, 0xFF112233, 0xFF445566, 0xBFA2AAB3}));
  EXPECT_EQ(Get(other, 0, 0), 0xFF778899u);
  EXPECT_EQ(DDLastRectRunCount(), 3);
}

class BatchDirectDraw : public DisplayTest {};

TEST_F(BatchDirectDraw, BatchesDoNothingAndBlitsDrawAtOnce) {
  ASSERT_TRUE(Init(kDisplayModes[2]));  // DD32Full
  DDSURFACEDATA src, dst;
  ASSERT_TRUE(DDCreateSurface(&src, 2, 1, 0, 1, 0, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&dst, 2, 1, 0, 1, 0, nullptr, 0));
  Put(src, 0, 0, 0x123456);
  DDBeginSpriteBatch(1);
  EXPECT_FALSE(DDSpriteBatchOpen());
  DDBlt(&dst, 0, 0, 1, 1, &src, 0, 0, 0);
  EXPECT_EQ(Get(dst, 0, 0), 0x123456u);
  DDBeginRectBatch();
  DDFillRectColor(&dst, 1, 0, 1, 1, 0x654321);
  EXPECT_EQ(Get(dst, 1, 0), 0x654321u);
  DDEndRectBatch();
  DDEndSpriteBatch();
}

TEST_F(BatchTest, BatchOfUnkeyedCopiesClearsEachRectangleOfAKeyedSheet) {
  DDSURFACEDATA keyed;
  ASSERT_TRUE(DDCreateSurface(&keyed, 2, 1, 1, 0, 0, nullptr, 0));
  Put(keyed, 0, 0, 0xFF010203);
  Put(keyed, 1, 0, 0);  // transparent
  FillAll(dst_, 0xFFFFFFFF);
  DDBeginSpriteBatch(0);
  DDBlt(&dst_, 0, 0, 2, 1, &keyed, 0, 0, 0);
  DDBlt(&dst_, 2, 0, 2, 1, &keyed, 0, 0, 0);
  DDEndSpriteBatch();
  EXPECT_EQ(Row(dst_, 0, 0, 4), (std::vector<uint32_t>{0xFF010203, 0, 0xFF010203, 0}));
}
