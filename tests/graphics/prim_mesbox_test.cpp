#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/color.h"
#include "graphics/mesbox.h"
#include "platform/answers.h"
#include "platform/msgbox.h"
#include "support/temp_folder.h"

using drawtest::FillAll;
using drawtest::Get;

namespace {
// A back-buffer pixel as 0x00RRGGBB, through the palette at 8 bits.
uint32_t BackRgb(int x, int y) {
  const uint32_t p = Get(BackBuffer, x, y);
  const PixelFormat f = drawtest::Buf(BackBuffer).format;
  if (f == PixelFormat::Index8) return uint32_t{g_Palette[p].peRed} << 16 | g_Palette[p].peGreen << 8 | g_Palette[p].peBlue;
  const Rgba8 c = DecodePixel(f, p);
  return c.r << 16 | c.g << 8 | c.b;
}

bool Near(uint32_t a, uint32_t b) {
  for (int s : {0, 8, 16})
    if (std::abs(int(a >> s & 0xFF) - int(b >> s & 0xFF)) > 16) return false;
  return true;
}
}  // namespace

class MesBoxTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    ASSERT_TRUE(folder_.ok());
  }
  void TearDown() override {
    Answers("");
    DisplayTest::TearDown();
  }
  void Answers(const std::string& lines) {
    const std::string path = folder_ / "answers.txt";
    std::ofstream(path) << lines;
    ASSERT_TRUE(plat::LoadAnswers(path, nullptr));
  }
  t4test::TempFolder folder_;
};

TEST_F(MesBoxTest, FullScreenDrawsTheBoxAndTakesTheScriptedAnswerThenTheDefault) {
  for (int mode : {0, 1, 2, 4, 6}) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    ASSERT_TRUE(Init(kDisplayModes[mode]));
    // The box's colours exist in the 8-bit palette; the rest is black.
    for (PALETTEENTRY& e : g_Palette) e = PALETTEENTRY{0, 0, 0, 0};
    g_Palette[1] = {0x10, 0x20, 0x50, 0};
    g_Palette[2] = {0xF0, 0xF0, 0xF0, 0};
    g_Palette[3] = {0x30, 0x50, 0xA0, 0};
    g_Palette[4] = {0xF8, 0xF8, 0xF8, 0};
    FillAll(BackBuffer, 0);
    Answers("no\n");
    EXPECT_EQ(DDMesBox("Save the game?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    // Row 240 from the left: black, then the box's light frame, then its
    // dark-blue inside.
    int x = 0;
    while (x < 640 && BackRgb(x, 240) == 0) ++x;
    ASSERT_LT(x, 320);
    EXPECT_TRUE(Near(BackRgb(x, 240), 0xF0F0F0)) << std::hex << BackRgb(x, 240);
    EXPECT_TRUE(Near(BackRgb(x + 1, 240), 0x102050)) << std::hex << BackRgb(x + 1, 240);
    // Centred: the right edge is as far from the screen's.
    int r = 639;
    while (r > x && BackRgb(r, 240) == 0) --r;
    EXPECT_TRUE(Near(BackRgb(r, 240), 0xF0F0F0));
    EXPECT_LE(std::abs((639 - r) - x), 1);
    if (g_nBpp == 32) {
      const auto& frame = DDLastPresentedFrame();
      ASSERT_EQ(frame.size(), 640u * 480u);
      EXPECT_EQ(frame[240 * 640 + x], 0xFFF0F0F0u);
    }
    // The script is used up: each box's default button answers.
    EXPECT_EQ(DDMesBox("Quit?", "Question", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(DDMesBox("Retry?", "Question", MB_OKCANCEL), IDOK);
    DDRelease();
  }
}

TEST_F(MesBoxTest, LongTextStaysOnTheScreenAndWindowModeLeavesTheFrameAlone) {
  ASSERT_TRUE(Init(kDisplayModes[2]));
  FillAll(BackBuffer, 0);
  std::string text = std::string(3000, 'W') + "\n";
  for (int i = 0; i < 100; ++i) text += "ファイルが見つかりません。\n";
  Answers("cancel\n");
  // The caption ends on a lone lead byte.
  EXPECT_EQ(DDMesBox(text.c_str(), "Error\x82", MB_OKCANCEL), IDCANCEL);
  // The box takes the screen's width less a margin, and never more.
  int x = 0;
  while (x < 640 && BackRgb(x, 240) == 0) ++x;
  EXPECT_GE(x, 16);
  EXPECT_LE(x, 24);
  // Lines past the screen's height are left out: the box reaches from near
  // the top to near the bottom.
  EXPECT_EQ(BackRgb(20, 8), 0u);
  EXPECT_NE(BackRgb(20, 32), 0u);
  EXPECT_NE(BackRgb(20, 446), 0u);
  EXPECT_EQ(BackRgb(20, 472), 0u);
  DDRelease();

  ASSERT_TRUE(Init(kDisplayModes[3]));  // DD32Window
  FillAll(BackBuffer, 0);
  Answers("yes\n");
  EXPECT_EQ(DDMesBox("Overwrite?", "Question", MB_YESNO), IDYES);
  for (int y = 0; y < 480; y += 8)
    for (int x = 0; x < 640; x += 8) ASSERT_EQ(Get(BackBuffer, x, y), 0u);
  DDRelease();
  // Without a display there is no dialog mode to enter.
  EXPECT_EQ(DDMesBox("text", "caption", MB_OK), 0);
}
