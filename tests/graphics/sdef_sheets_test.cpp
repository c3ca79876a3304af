#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/builtin_tables.h"
#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/bitmap_load.h"
#include "graphics/number.h"
#include "support/sheet_writer.h"
#include "support/temp_folder.h"

using drawtest::FillAll;
using drawtest::Get;

namespace {
uint32_t Rgb(uint32_t p) { return p & 0xFFFFFFu; }

const BuiltInSheet* SheetOf(const std::string& file) {
  for (const BuiltInSheet& s : BuiltInSheets())
    if (s.file == file) return &s;
  return nullptr;
}
}  // namespace

class BuiltInSheetTest : public DisplayTest {
 protected:
  // The built-in table handed to the display, linked and loaded as the
  // stage play loads it, from sheets written at `bpp`.
  void LoadStageSheets(const DisplayMode& mode, int bpp) {
    ASSERT_TRUE(WriteBuiltInSheets(folder_.path(), bpp));
    ASSERT_TRUE(DDInit(mode.bD3D, nullptr, 640, 480, mode.bpp, 0, mode.windowMode, 1, 60, 0, g_SD, g_SDDef,
                       kBuiltInSurfaceCount, 0));
    LinkBaseSurfaces();
    std::vector<int> indices;
    for (int i = 1; i <= 62; ++i)
      if (i != 48 && i != 52 && i != 53 && i != 54) indices.push_back(i);
    ASSERT_TRUE(DDLoadSurfaces(g_SD, indices.data(), static_cast<int>(indices.size())));
  }
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_TRUE(folder_.ok());
    ASSERT_TRUE(folder_.Enter());
  }
  void TearDown() override {
    for (DDSURFACEDATA& sd : g_SD) {
      DDReleaseSurface(&sd);
      sd.lpBaseSD = nullptr;
    }
    DisplayTest::TearDown();
  }
  t4test::TempFolder folder_;
};

TEST_F(BuiltInSheetTest, EverySheetLoadsAtItsSizeWithItsCellColours) {
  struct Case {
    int mode, bpp;
  } cases[] = {{2, 8}, {2, 24}, {6, 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(kDisplayModes[c.mode].name) + " " + std::to_string(c.bpp));
    LoadStageSheets(kDisplayModes[c.mode], c.bpp);
    for (int i = 1; i <= 62; ++i) {
      const BuiltInSheet* s = SheetOf(g_SDDef[i].szFileName);
      ASSERT_NE(s, nullptr) << i;
      if (!g_SD[i].Pixels() && !g_SD[i].lpBaseSD) continue;  // not in the list loaded
      EXPECT_EQ(g_SD[i].nWidth, s->width) << i;
      EXPECT_EQ(g_SD[i].nHeight, s->height) << i;
    }
    // The bottom-right pixel of a cell shows the cell's colour; the index
    // is drawn in white from the top left.
    for (int i : {1, 2, 20, 51, 55}) {
      const BuiltInSheet* s = SheetOf(g_SDDef[i].szFileName);
      const int cols = s->width / s->cellWidth;
      for (int k : {0, 5, 3 * cols + 2}) {
        const int x = (k % cols) * s->cellWidth, y = (k / cols) * s->cellHeight;
        EXPECT_EQ(Rgb(Get(g_SD[i], x + s->cellWidth - 1, y + s->cellHeight - 1)), SheetCellColor(k))
            << i << " cell " << k;
        EXPECT_EQ(Rgb(Get(g_SD[i], x + 1, y + 1)), kSheetInk) << i << " cell " << k;
      }
    }
    for (DDSURFACEDATA& sd : g_SD) DDReleaseSurface(&sd);
    DDRelease();
  }
}

TEST_F(BuiltInSheetTest, TimeLimitDigitsComeFromTheWordSheetsDigitRow) {
  LoadStageSheets(kDisplayModes[2], 24);  // DD32Full
  const int cell = 32;
  const int digitRow = 160 / cell * (320 / cell);  // the cell index of digit 0
  struct Case {
    int value;
    const char* shown;  // the three digit positions, '-' where nothing is drawn
  } cases[] = {{123, "123"}, {7, "--7"}, {40, "-40"}, {-3, "--0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    FillAll(BackBuffer, 0);
    DDDrawNumber(&BackBuffer, 272, 24, 32, 32, &g_SD[51], 0, 160, 1, c.value, 3, 0, 0);
    for (int i = 0; i < 3; ++i) {
      const int x = 272 + 32 * i;
      if (c.shown[i] == '-') {
        EXPECT_EQ(Get(BackBuffer, x + 31, 24 + 31), 0u) << i;
        continue;
      }
      const int d = c.shown[i] - '0';
      EXPECT_EQ(Rgb(Get(BackBuffer, x + 31, 24 + 31)), SheetCellColor(digitRow + d)) << i;
      EXPECT_EQ(Rgb(Get(BackBuffer, x + 1, 24 + 1)), kSheetInk) << i;
    }
    EXPECT_EQ(Get(BackBuffer, 271, 30), 0u);
    EXPECT_EQ(Get(BackBuffer, 368, 30), 0u);
  }
}
