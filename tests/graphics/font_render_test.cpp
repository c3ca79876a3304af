#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <set>
#include <string>

#include "font_fixture.h"
#include "graphics/display.h"
#include "graphics/blit.h"
#include "graphics/restore.h"

using fonttest::FontTest;

namespace {

// `count` distinct double-byte characters (JIS level 1 kanji rows).
std::string Kanji(int count, int first = 0) {
  std::string out;
  int n = 0;
  for (int lead = 0x89; lead <= 0x97 && n < first + count; ++lead)
    for (int trail = 0x40; trail <= 0xFC && n < first + count; ++trail) {
      if (trail == 0x7F) continue;
      if (n++ < first) continue;
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
    }
  return out;
}

uint64_t Fnv1a(const std::vector<uint32_t>& pixels) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t p : pixels)
    for (int i = 0; i < 4; ++i) {
      h ^= (p >> (8 * i)) & 0xFF;
      h *= 1099511628211ull;
    }
  return h;
}

}  // namespace

TEST_F(FontTest, GlyphSheetsDrawExactlyWhatTheFontDraws) {
  // Half-width katakana (0xB1 comes from half-sheet cell (1, 11)), preloaded
  // and new full-width characters, spaces and a full-width space.
  const std::string text = std::string("Ab1 \xb1\xb2 ") + "あＡ漢字　ｚ\n" + Kanji(5) + "?";
  for (size_t mode = 0; mode < std::size(kDisplayModes); ++mode) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(kDisplayModes[mode]);
    cFont* direct = NewFont(16, 16, 16, 0);
    cFont* cached = NewFont(16, 16, 16, 1);
    ASSERT_NE(cached->m_lpFastFont_Half, nullptr);
    ASSERT_NE(cached->m_lpFastFont_FullAdd, nullptr);
    const int preloaded = cached->m_lpFastFont_FullAdd->nCount;
    const auto expected = Draw(direct, 3, 5, text.c_str());
    EXPECT_EQ(Draw(cached, 3, 5, text.c_str()), expected);
    // "漢", "字" and the five kanji joined the sheet; the full-width space did not.
    EXPECT_EQ(cached->m_lpFastFont_FullAdd->nCount, preloaded + 7);
    EXPECT_EQ(Draw(cached, 3, 5, text.c_str()), expected);  // now all from the sheet
    EXPECT_EQ(cached->m_lpFastFont_FullAdd->nCount, preloaded + 7);
  }
}

TEST_F(FontTest, SheetCellsHoldOnlyTheirOwnGlyph) {
  // The small built-in font: its glyphs reach past the line above their
  // cell, and the lone lead bytes of rows 8 and 14 of the half sheet have a
  // fallback glyph, so characters of rows 7 and 13 would carry their ink.
  const std::string text = std::string("Title: stage file, replay ~\x7f \xd0\xdf ") + "漢あ";
  for (size_t mode = 0; mode < std::size(kDisplayModes); ++mode) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(kDisplayModes[mode]);
    cFont* direct = NewFont(9, 10, 10, 0);
    cFont* cached = NewFont(9, 10, 10, 1);
    const auto expected = Draw(direct, 2, 12, text.c_str(), 1);
    EXPECT_EQ(Draw(cached, 2, 12, text.c_str(), 1), expected);
  }
}

TEST_F(FontTest, SystemMemoryDestinationGoesThroughWorkWithTheSameResult) {
  for (int mode : {4, 6}) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    const std::string text = "Hello ＡＢ\nあいう 123";
    std::vector<uint32_t> target;
    for (DWORD mem : {DTMEMORYTYPE_VIDEO_RT, DTMEMORYTYPE_SYSTEM}) {
      for (int fast : {0, 1}) {
        Setup(kDisplayModes[mode], 320, 48, mem);
        cFont* font = NewFont(16, 16, 16, fast);
        const auto pic = Draw(font, 4, 4, text.c_str());
        if (target.empty())
          target = pic;
        else
          EXPECT_EQ(pic, target) << "memory type " << mem << " sheets " << fast;
      }
    }
  }
}

TEST_F(FontTest, TextLeavesOnlyTheTextColourBehind) {
  // A keyed copy of anti-aliased or blended glyphs would leave pixels of
  // other colours at the glyph edges.
  const std::string text = "The quick ＡＢＣ あいう 漢字\nfox 0123 \xb1\xb2";
  for (size_t mode = 0; mode < std::size(kDisplayModes); ++mode) {
    for (int pitch : {0, 16}) {
      SCOPED_TRACE(std::string(kDisplayModes[mode].name) + " pitch " + std::to_string(pitch));
      Setup(kDisplayModes[mode]);
      cFont* font = NewFont(16, pitch, 18, pitch ? 1 : 0);
      const uint32_t bg = Background(), ink = Stored(fonttest::kTextPal);
      const auto pic = Draw(font, 2, 3, text.c_str());
      std::set<uint32_t> seen(pic.begin(), pic.end());
      EXPECT_EQ(seen, (std::set<uint32_t>{bg, ink}));
    }
  }
}

TEST_F(FontTest, LongAndMalformedTextIsDrawnWithinBounds) {
  // 10,000 bytes: one line far wider than any surface, then many lines,
  // kanji enough to fill a full-width sheet, invalid pairs and a lone lead
  // byte at the very end.
  std::string text(4000, 'x');
  for (int i = 0; text.size() < 9000; ++i) text += (i % 40 == 0) ? std::string("\n\x81\x20\x9f\x7f") : Kanji(1, i);
  while (text.size() < 9999) text += "\xfc\xfd";
  text.resize(9999);
  text += '\x82';
  ASSERT_EQ(text.size(), 10000u);
  const char* tails[] = {"\x82", "ab\x9f", "\x81\x20", "\xe0"};
  for (size_t mode = 0; mode < std::size(kDisplayModes); ++mode) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(kDisplayModes[mode], 200, 60);
    cFont* fonts[] = {NewFont(16, 16, 16, 1), NewFont(16, 16, 16, 0), NewFont(16, 0, 16, 0), NewFont(9, 10, 10, 1)};
    for (cFont* font : fonts) {
      for (int pos : {-40, 0, 150}) {
        font->DrawText(dst_, pos, pos / 2, text.c_str());
        font->DrawTextF(dst_, pos, pos, "%s", text.c_str());
        font->DrawWindowTextF(dst_, pos, 0, 0, 0, "%s%d", text.c_str(), 7);
      }
      for (const char* tail : tails) font->DrawText(dst_, 5, 5, tail);
      SIZE s{};
      font->GetSheetTextExtent(&s, text.c_str());
      EXPECT_EQ(s.cy, static_cast<int>(std::count(text.begin(), text.end(), '\n') + 1) * font->nLineHeight);
      font->GetTextExtent(&s, text.c_str());
    }
    // The full-width sheet filled up and stayed within its cells.
    cFastFont* full = fonts[0]->m_lpFastFont_FullAdd.get();
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->nCount, full->nCapacity);
    EXPECT_EQ(static_cast<int>(full->m_Entries.size()), full->nCapacity);
  }
}

TEST_F(FontTest, FullSheetDrawsFurtherCharactersDirectly) {
  Setup(kDisplayModes[7]);  // Direct3D 32-bit: a 32 x 32 cell sheet at 16 x 16
  cFont* cached = NewFont(16, 16, 16, 1);
  cFont* direct = NewFont(16, 16, 16, 0);
  cFastFont* full = cached->m_lpFastFont_FullAdd.get();
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->nCapacity, 1024);
  const int room = full->nCapacity - full->nCount;
  const std::string filler = Kanji(room);
  cached->DrawText(dst_, 0, 0, filler.c_str());
  ASSERT_EQ(full->nCount, 1024);
  const std::string more = Kanji(3, room);
  const auto expected = Draw(direct, 10, 10, more.c_str());
  EXPECT_EQ(Draw(cached, 10, 10, more.c_str()), expected);
  EXPECT_EQ(Draw(cached, 10, 10, more.c_str()), expected);
  EXPECT_EQ(full->nCount, 1024);
  EXPECT_EQ(full->Find(more.c_str()), nullptr);
}

TEST_F(FontTest, GoldenPicturesOfEachDrawingMode) {
  // Hashes of our own drawings with the pinned IPA fonts; a change means the
  // text looks different in that mode.
  const uint64_t golden[] = {
      0x67bc38bff488cff5ull, 0x83566567d33e29f1ull,  // DirectDraw 8, 16
      0xdaa57189d30bdf32ull, 0xdaa57189d30bdf32ull,  // DirectDraw 32 full screen, window
      0xd27479f03ff9b715ull, 0xd27479f03ff9b715ull,  // Direct3D 16
      0x4c70e55a93385c5eull, 0x4c70e55a93385c5eull,  // Direct3D 32
  };
  const std::string text = "Score 0123 ＨＰ\nあいう 漢字 \xb1\xb2";
  for (size_t mode = 0; mode < std::size(kDisplayModes); ++mode) {
    Setup(kDisplayModes[mode], 240, 56);
    cFont* mono = NewFont(16, 16, 18, 1);
    cFont* prop = NewFont(12, 0, 14, 0);
    Clear();
    mono->DrawText(dst_, 2, 1, text.c_str());
    prop->DrawText(dst_, 2, 38, "Proportional あいう");
    const uint64_t hash = Fnv1a(Snap());
    EXPECT_EQ(hash, golden[mode]) << kDisplayModes[mode].name << " 0x" << std::hex << hash;
  }
}

TEST_F(FontTest, SheetsAreRedrawnAfterTheDisplayComesBack) {
  const std::string text = "Restore ＡＢ 漢字";
  for (int mode : {1, 7}) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(kDisplayModes[mode]);
    cFont* font = NewFont(16, 16, 16, 1);
    const auto before = Draw(font, 2, 2, text.c_str());
    if (lpDTCon) {
      DDSetDeviceStateForTest(DeviceState::NotReset);
      ASSERT_EQ(DDRestoreSurface(), 1);
      EXPECT_EQ(font->m_lpFastFont_Half->m_Sheet.bLost, 0);
      EXPECT_EQ(font->m_lpFastFont_FullAdd->m_Sheet.bLost, 0);
    } else {
      DDLoseSurfacesForTest();
      ASSERT_TRUE(DDRestore());
      if (DDIsSurfaceLost(dst_)) DDRestoreSurfacePart(dst_);
    }
    EXPECT_EQ(Draw(font, 2, 2, text.c_str()), before);
  }
}

TEST_F(FontTest, NumberSurfacesHoldTheTenDigitsOfTheirFont) {
  for (int mode : {0, 7}) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    Setup(kDisplayModes[mode]);
    const FONTDEF defs[2] = {{"ＭＳ ゴシック", 0, 9, 10, 10, fonttest::kTextPal, 0, 1, fonttest::kFramePal, -1, 1},
                             {"ＭＳ ゴシック", 0, 16, 16, 16, fonttest::kTextPal, 0, 1, fonttest::kFramePal, -1, 0}};
    cFont fonts[2];
    EXPECT_EQ(CreateFonts(fonts, defs, 2), 1);
    EXPECT_EQ(fonts[1].m_lpFastFont_Half, nullptr);
    ASSERT_NE(fonts[0].m_lpFastFont_Half, nullptr);
    DDSURFACEDEF numberDefs[2] = {};
    numberDefs[0].bTransmit = numberDefs[1].bTransmit = 1;
    DDSURFACEDATA strips[2];
    EXPECT_EQ(CreateNumberSurfaces(strips, numberDefs, 2, fonts, defs), 1);
    EXPECT_EQ(strips[0].nWidth, 100);
    EXPECT_EQ(strips[0].nHeight, 10);
    EXPECT_EQ(strips[1].nWidth, 160);
    EXPECT_EQ(strips[1].nHeight, 16);
    // Each cell of the strip is the digit the font draws there.
    for (int f = 0; f < 2; ++f) {
      const int pitch = defs[f].nPitchX;
      for (int d = 0; d < 10; ++d) {
        const char digit[2] = {static_cast<char>('0' + d), 0};
        const auto expected = Draw(&fonts[f], 0, 0, digit);
        Clear();
        DDBlt(dst_, 0, 0, pitch, defs[f].nLineHeight, &strips[f], pitch * d, 0, 1);
        EXPECT_EQ(Snap(), expected) << "font " << f << " digit " << d;
      }
    }
  }
}
