#include <gtest/gtest.h>

#include "font_fixture.h"
#include "graphics/blit.h"

using fonttest::FontTest;
using fonttest::InkColumns;

namespace {

// Modes the layout is checked in: both backends, indexed and packed pixels.
const int kLayoutModes[] = {0, 1, 4, 7};

// The picture of `b` drawn over the picture of `a` (both on the background).
std::vector<uint32_t> Over(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, uint32_t background) {
  std::vector<uint32_t> out = a;
  for (size_t i = 0; i < b.size(); ++i)
    if (b[i] != background) out[i] = b[i];
  return out;
}

}  // namespace

TEST_F(FontTest, Pitch16FontAdvancesSixteenForHalfAndFullWidthCharacters) {
  for (int mode : kLayoutModes) {
    for (int fast : {0, 1}) {
      SCOPED_TRACE(std::string(kDisplayModes[mode].name) + (fast ? " sheets" : " glyphs"));
      Setup(kDisplayModes[mode]);
      cFont* font = NewFont(16, 16, 16, fast);
      const uint32_t bg = Background();
      const auto a = Draw(font, 8, 8, "A");
      const auto b16 = Draw(font, 24, 8, "B");
      const auto wideA = Draw(font, 8, 8, "Ａ");
      EXPECT_EQ(Draw(font, 8, 8, "AB"), Over(a, b16, bg));
      EXPECT_EQ(Draw(font, 8, 8, "ＡB"), Over(wideA, b16, bg));
      // Each glyph has ink, inside its own cell.
      const auto aCols = InkColumns(a, dst_->nWidth, bg);
      const auto bCols = InkColumns(b16, dst_->nWidth, bg);
      const auto wideCols = InkColumns(wideA, dst_->nWidth, bg);
      EXPECT_GE(aCols.first, 8);
      EXPECT_LT(aCols.second, 24);
      EXPECT_GE(bCols.first, 24);
      EXPECT_LT(bCols.second, 40);
      EXPECT_GE(wideCols.first, 8);
      EXPECT_LT(wideCols.second, 24);
      // A newline goes back to the first column, one line height down.
      const auto b2 = Draw(font, 8, 24, "B");
      EXPECT_EQ(Draw(font, 8, 8, "A\nB"), Over(a, b2, bg));
    }
  }
}

TEST_F(FontTest, IconLettersDrawIconCellsInsteadOfGlyphs) {
  for (int mode : kLayoutModes) {
    for (int fast : {0, 1}) {
      SCOPED_TRACE(std::string(kDisplayModes[mode].name) + (fast ? " sheets" : " glyphs"));
      Setup(kDisplayModes[mode]);
      DDSURFACEDATA* icons = NewSurface(26 * 16, 16, 1);
      ASSERT_NE(icons, nullptr);
      for (int i = 0; i < 26; ++i) DDFillRect(icons, i * 16, 0, 16, 16, fonttest::kIconPal + i);
      cFont* font = NewFont(16, 16, 16, fast, nullptr, icons);
      ASSERT_EQ(font->bIcon, 1);
      const uint32_t bg = Background();
      const auto pic = Draw(font, 8, 4, "xay");
      const int w = dst_->nWidth;
      const int cells[] = {23, 0, 24};
      for (int k = 0; k < 3; ++k) {
        const uint32_t icon = Stored(fonttest::kIconPal + cells[k]);
        // The whole cell is the icon: no glyph was drawn over it.
        for (int y = 4; y < 20; ++y)
          for (int x = 8 + 16 * k; x < 24 + 16 * k; ++x)
            ASSERT_EQ(pic[static_cast<size_t>(y) * w + x], icon) << "cell " << k << " at " << x << "," << y;
      }
      EXPECT_EQ(InkColumns(pic, w, bg), std::make_pair(8, 55));
      // Icons switched off for one call: the letters are glyphs in the text colour.
      const auto plain = Draw(font, 8, 4, "xay", 1);
      const uint32_t text = Stored(fonttest::kTextPal);
      int ink = 0;
      for (uint32_t p : plain) {
        ASSERT_TRUE(p == bg || p == text);
        ink += p == text;
      }
      EXPECT_GT(ink, 20);
    }
  }
}

TEST_F(FontTest, ExtentsCountDoubleByteCharactersOnceAndEveryLine) {
  Setup(kDisplayModes[7]);
  cFont* mono = NewFont(16, 16, 16, 0);
  struct Case {
    const char* text;
    int cx, cy;
  } cases[] = {
      {"AB", 32, 16},
      {"Ａあ", 32, 16},
      {"ab\nＡＢＣ\n", 48, 48},  // a trailing newline starts an empty line
      {"", 0, 16},
      {"ab\x82", 48, 16},        // a lone lead byte at the end is a character
      {"\x81\x20z", 48, 16},     // a lead byte before a non-trail byte is one too
      {"\xb1\xb2", 32, 16},      // half-width katakana: single bytes
  };
  for (const Case& c : cases) {
    SIZE s{};
    mono->GetSheetTextExtent(&s, c.text);
    EXPECT_EQ(s.cx, c.cx) << c.text;
    EXPECT_EQ(s.cy, c.cy) << c.text;
  }
  // Without a pitch the widest measured line counts.
  cFont* prop = NewFont(16, 0, 20, 0);
  SIZE one{}, two{};
  prop->GetTextExtent(&one, "iiii");
  prop->GetTextExtent(&two, "iiii\nWWWWWW");
  EXPECT_GT(one.cx, 0);
  EXPECT_GT(two.cx, one.cx);
  EXPECT_EQ(one.cy, 20);
  EXPECT_EQ(two.cy, 40);
}

TEST_F(FontTest, WindowsAreMeasuredFromTheTextAndCentredOnTheSkin) {
  for (int mode : {1, 7}) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(kDisplayModes[mode], 640, 40);
    DDSURFACEDATA* skin = NewSurface(640, 480, 0);
    ASSERT_NE(skin, nullptr);
    DDFillRect(skin, 0, 0, 640, 480, fonttest::kSkinPal);
    cFont* font = NewFont(12, 10, 16, 1, skin);
    const uint32_t bg = Background(), skinColour = Stored(fonttest::kSkinPal),
                   frame = Stored(fonttest::kFramePal), text = Stored(fonttest::kTextPal);

    // Ten characters of pitch 10 and a margin of 8: a window 108 wide, the text at x + 8.
    Clear();
    font->DrawWindowText(dst_, 20, 10, 0, 0, "0123456789", 8);
    EXPECT_EQ(drawtest::Get(*dst_, 19, 12), frame);
    EXPECT_EQ(drawtest::Get(*dst_, 20, 12), skinColour);
    EXPECT_EQ(drawtest::Get(*dst_, 127, 12), skinColour);
    EXPECT_EQ(drawtest::Get(*dst_, 128, 12), frame);
    EXPECT_EQ(drawtest::Get(*dst_, 129, 12), bg);
    EXPECT_EQ(drawtest::Get(*dst_, 60, 9), frame);   // one line high: frame above
    EXPECT_EQ(drawtest::Get(*dst_, 60, 26), frame);  // and below
    int firstInk = -1, lastInk = -1;
    for (int x = 0; x < 640; ++x)
      for (int y = 10; y < 26; ++y)
        if (drawtest::Get(*dst_, x, y) == text) {
          if (firstInk < 0) firstInk = x;
          lastInk = x;
        }
    EXPECT_GE(firstInk, 28);
    EXPECT_LT(lastInk, 128);

    // x = 10000 centres a 200-wide window on the 640-wide skin: it starts at 220.
    Clear();
    font->DrawWindow(dst_, 10000, 5, 200, 10);
    EXPECT_EQ(drawtest::Get(*dst_, 219, 8), frame);
    EXPECT_EQ(drawtest::Get(*dst_, 220, 8), skinColour);
    EXPECT_EQ(drawtest::Get(*dst_, 419, 8), skinColour);
    EXPECT_EQ(drawtest::Get(*dst_, 420, 8), frame);
    EXPECT_EQ(drawtest::Get(*dst_, 218, 8), bg);
  }
}

TEST_F(FontTest, FormattedTextHasNoLengthLimit) {
  Setup(kDisplayModes[7], 640, 40);
  cFont* font = NewFont(16, 16, 16, 1);
  const std::string longWord(2000, 'W');
  const uint32_t bg = Background();
  // The formatted text reaches far past the 256 bytes a fixed buffer held:
  // what comes after the long part still lands where it belongs.
  Clear();
  font->DrawTextF(dst_, -16 * 2000, 4, "%s%s", longWord.c_str(), "AB");
  const auto formatted = Snap();
  const auto direct = Draw(font, 0, 4, "AB");
  EXPECT_EQ(formatted, direct);
  EXPECT_NE(InkColumns(direct, 640, bg).first, -1);
}

TEST_F(FontTest, ProportionalTextLeftOfTheSurfaceIsCutNotShifted) {
  for (int mode : kLayoutModes) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(kDisplayModes[mode]);
    cFont* prop = NewFont(16, 0, 16, 0);
    const int w = dst_->nWidth;
    const auto whole = Draw(prop, 3, 2, "Proportional text あいう");
    const auto cut = Draw(prop, -37, 2, "Proportional text あいう");
    ASSERT_NE(InkColumns(whole, w, Background()).first, -1);
    for (size_t i = 0; i < cut.size(); ++i) {
      const int x = static_cast<int>(i % w);
      const uint32_t shifted = x + 40 < w ? whole[i + 40] : Background();
      ASSERT_EQ(cut[i], shifted) << "at " << x << "," << i / w;
    }
  }
}
