#include "platform/fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <string>
#include <thread>
#include <vector>

#include "services/log.h"
#include "support/headless_runner.h"
#include "support/temp_folder.h"

using plat::Font;
using plat::FontDesc;
using plat::IpaFont;
using plat::TextMask;

namespace {

// A font as the text renderers make one: the faces it could not open go to
// the report log.
Font Gothic(int height) {
  Font font(FontDesc{"ＭＳ ゴシック", height, 0, plat::kDefaultPitch});
  for (const std::string& line : font.OpenReports()) WriteReport("%s", line.c_str());
  return font;
}

uint64_t Fnv1a(const TextMask& m) {
  uint64_t h = 14695981039346656037ull;
  auto mix = [&h](uint8_t b) { h = (h ^ b) * 1099511628211ull; };
  for (int v : {m.width, m.height})
    for (int i = 0; i < 4; ++i) mix(static_cast<uint8_t>(v >> (8 * i)));
  for (uint8_t b : m.pixels) mix(b);
  return h;
}

int InkCount(const TextMask& m) {
  int n = 0;
  for (uint8_t b : m.pixels) n += b != 0;
  return n;
}

bool OnlyZeroOrInk(const TextMask& m) {
  for (uint8_t b : m.pixels)
    if (b != 0 && b != plat::kGlyphInk) return false;
  return true;
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

}  // namespace

TEST(FontFaces, FaceNamesChooseTheIpaFile) {
  struct Case {
    const char* face;
    int pitch;
    IpaFont expected;
  } cases[] = {
      {"ＭＳ ゴシック", plat::kDefaultPitch, IpaFont::Gothic},
      {"ＭＳ Ｐゴシック", plat::kDefaultPitch, IpaFont::PGothic},
      {"ＭＳ 明朝", plat::kDefaultPitch, IpaFont::Mincho},
      {"ＭＳ Ｐ明朝", plat::kDefaultPitch, IpaFont::Mincho},
      {"HGP明朝E", plat::kDefaultPitch, IpaFont::Mincho},
      {"MS UI Gothic", plat::kDefaultPitch, IpaFont::PGothic},
      {"ms ui GOTHIC", plat::kDefaultPitch, IpaFont::PGothic},  // GDI ignores case
      {"メイリオ", plat::kDefaultPitch, IpaFont::PGothic},
      {"Courier New", plat::kDefaultPitch, IpaFont::Gothic},
      {"Times New Roman", plat::kDefaultPitch, IpaFont::Mincho},
      {"IPAPMincho", plat::kDefaultPitch, IpaFont::Mincho},
      {"No Such Face", plat::kDefaultPitch, IpaFont::Gothic},
      {"", plat::kDefaultPitch, IpaFont::Gothic},
      // Ｐ is 82 6F and ０ is 82 4F: folding case inside a double-byte
      // character would make this unknown face the proportional one.
      {"ＭＳ ０ゴシック", plat::kDefaultPitch, IpaFont::Gothic},
      {"ＭＳ ゴシック", plat::kVariablePitch, IpaFont::PGothic},
      {"ＭＳ Ｐゴシック", plat::kFixedPitch | 0x30, IpaFont::Gothic},
      {"ＭＳ 明朝", plat::kVariablePitch, IpaFont::Mincho},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "face #" << (&c - cases) << " pitch " << c.pitch);
    EXPECT_EQ(plat::IpaFontForFace(c.face, c.pitch), c.expected);
    Font font(FontDesc{c.face, -16, 0, c.pitch});
    EXPECT_EQ(font.FilePath(), plat::IpaFontPath(c.expected));
  }
  EXPECT_EQ(FileName(plat::IpaFontPath(IpaFont::Gothic)), "ipag.ttf");
  EXPECT_EQ(FileName(plat::IpaFontPath(IpaFont::PGothic)), "ipagp.ttf");
  EXPECT_EQ(FileName(plat::IpaFontPath(IpaFont::Mincho)), "ipam.ttf");
}

TEST(FontMetrics, FixedPitchAdvancesAndCellSizes) {
  struct Case {
    int height, width;
    const char* text;
    int cx;
  } cases[] = {
      {-16, 0, "A", 8},   {-16, 0, "AB", 16},  {-16, 0, "Ａ", 16}, {-16, 0, "あ漢", 32},
      {-16, 0, "ｱｲ", 16}, {-16, 0, " ", 8},    {-16, 0, "　", 16},
      {16, 0, "AB", 16},  {16, 0, "Ａ", 16},  // the IPA cell is one em high
      {9, 0, "AB", 10},   {9, 0, "Ａ", 9},     {30, 0, "AB", 30},  {30, 0, "Ａ", 30},
      {16, 4, "AB", 8},   {16, 4, "Ａ", 8},   // width: the half-width advance
      {-16, 0, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "height " << c.height << " width " << c.width << " case #" << (&c - cases));
    Font font(FontDesc{"ＭＳ ゴシック", c.height, c.width, 0});
    plat::TextSize size = font.Measure(c.text);
    EXPECT_EQ(size.cx, c.cx);
    EXPECT_EQ(size.cy, font.CellHeight());
  }
  struct Cell {
    int height, ascent, descent;
  } cells[] = {{-16, 14, 2}, {16, 14, 2}, {9, 8, 1}, {30, 26, 4}};
  for (const Cell& c : cells) {
    Font font = Gothic(c.height);
    EXPECT_EQ(font.Ascent(), c.ascent) << c.height;
    EXPECT_EQ(font.Descent(), c.descent) << c.height;
  }
  // The proportional face really is proportional.
  Font p(FontDesc{"ＭＳ Ｐゴシック", 16, 0, 0});
  EXPECT_LT(p.Measure("i").cx, p.Measure("W").cx);
}

TEST(FontDrawing, DrawingAdvancesExactlyAsMeasured) {
  const char* texts[] = {"Hello, World!", "あいうえお漢字", "ﾃｽﾄ ＡＢＣ abc", "iiiWWW\r\n\t1", "\x82\x20z"};
  const char* faces[] = {"ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝"};
  for (const char* face : faces) {
    for (int height : {9, 16, -21, 30}) {
      Font font(FontDesc{face, height, 0, 0});
      for (const char* text : texts) {
        SCOPED_TRACE(testing::Message() << "height " << height << " text " << (&text - texts));
        TextMask whole = font.Render(text);
        plat::TextSize size = font.Measure(text);
        EXPECT_EQ(whole.width, size.cx);
        EXPECT_EQ(whole.height, size.cy);
        EXPECT_TRUE(OnlyZeroOrInk(whole));
        EXPECT_GT(InkCount(whole), 0);

        // Drawn one character at a time with the measured advances, the
        // text comes out pixel for pixel the same.
        std::string s = text;
        TextMask pieces{whole.width, whole.height, std::vector<uint8_t>(whole.pixels.size(), 0)};
        plat::MaskView view{pieces.pixels.data(), pieces.width, pieces.height, pieces.width};
        int x = 0;
        for (size_t i = 0; i < s.size();) {
          unsigned b = static_cast<unsigned char>(s[i]);
          bool pair = ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < s.size() &&
                      static_cast<unsigned char>(s[i + 1]) >= 0x40;
          std::string ch = s.substr(i, pair ? 2 : 1);
          int advance = font.Draw(ch, view, x, 0);
          EXPECT_EQ(advance, font.Measure(ch).cx);
          x += advance;
          i += ch.size();
        }
        EXPECT_EQ(x, size.cx);
        EXPECT_EQ(pieces.pixels, whole.pixels);
      }
    }
  }
}

TEST(FontDrawing, GoldenImagesOfShortTexts) {
  // Hashes of our own renderings with the IPA fonts of Debian 12
  // (fonts-ipafont 00303) and its FreeType; a change means text looks different.
  struct Case {
    const char* face;
    int height;
    const char* text;
    uint64_t hash;
  } cases[] = {
      {"ＭＳ ゴシック", 16, "Aあ漢ｱ1", 11893523349701552321ull},
      {"ＭＳ Ｐゴシック", 9, "Score 0123", 4579898582741768232ull},
      {"ＭＳ 明朝", -30, "明朝体", 5153726900536123436ull},
  };
  for (const Case& c : cases) {
    TextMask m = Font(FontDesc{c.face, c.height, 0, 0}).Render(c.text);
    EXPECT_EQ(Fnv1a(m), c.hash) << "case #" << (&c - cases) << " " << m.width << "x" << m.height;
  }
  // Text hangs from its top left: "A" stands on the baseline at the
  // ascent, "g" reaches below it, and drawing lower moves the image down.
  Font font = Gothic(16);
  auto inkRows = [](const TextMask& m) {
    int top = m.height, bottom = -1;
    for (int y = 0; y < m.height; ++y)
      for (int x = 0; x < m.width; ++x)
        if (m.At(x, y)) top = std::min(top, y), bottom = y;
    return std::pair<int, int>(top, bottom);
  };
  auto [aTop, aBottom] = inkRows(font.Render("A"));
  auto [gTop, gBottom] = inkRows(font.Render("g"));
  EXPECT_GT(aTop, 0);
  EXPECT_LT(aBottom, font.Ascent());
  EXPECT_GE(gBottom, font.Ascent());
  EXPECT_LT(gBottom, font.CellHeight());
  TextMask low{8, 24, std::vector<uint8_t>(8 * 24, 0)};
  font.Draw("A", plat::MaskView{low.pixels.data(), 8, 24, 8}, 0, 5);
  EXPECT_EQ(inkRows(low), std::make_pair(aTop + 5, aBottom + 5));
}

TEST(FontDrawing, BadBytesAndLongTextsStayInBounds) {
  Font font = Gothic(16);
  struct Case {
    std::string text;
    int cx;
  } cases[] = {
      {"A\x82", 8 + 16},                 // lone lead byte at the end: the missing-character box
      {std::string("\x82\x20", 2), 16 + 8},  // lead byte before a byte that cannot follow it
      {"\xF0\x40", 16},                  // user-defined character: no glyph, one box
      {"\x80\xA0\xFD", 48},              // single bytes that are no character
      {std::string("A\0B", 3), 16},      // control bytes have no width
      {"\r\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case #" << (&c - cases));
    EXPECT_EQ(font.Measure(c.text).cx, c.cx);
    TextMask m = font.Render(c.text);
    EXPECT_TRUE(OnlyZeroOrInk(m));
  }
  EXPECT_GT(InkCount(font.Render("\x82")), 0);  // the box is visible

  // 10,000 bytes of every kind, cut off after a lead byte: the sanitizers
  // catch any read past the end.
  std::string longText;
  for (int i = 0; longText.size() < 9999; ++i) longText.push_back(static_cast<char>((i * 37 + 11) % 256));
  longText.push_back('\x88');
  ASSERT_EQ(longText.size(), 10000u);
  // In a heap block of exactly its size, so a read past the end hits the
  // sanitizer's red zone rather than a string's terminator.
  std::vector<char> exact(longText.begin(), longText.end());
  std::string_view view(exact.data(), exact.size());
  std::vector<char> lone{'A', '\x82'};
  EXPECT_EQ(font.Measure(std::string_view(lone.data(), lone.size())).cx, 24);
  plat::TextSize size = font.Measure(view);
  TextMask m = font.Render(view);
  EXPECT_EQ(m.width, size.cx);
  EXPECT_TRUE(OnlyZeroOrInk(m));
  EXPECT_GT(size.cx, 10000 * 8 / 2);
}

TEST(FontDrawing, DrawingClipsToTheMask) {
  Font font = Gothic(16);
  TextMask whole = font.Render("漢字AB");
  // A 20 x 10 mask in rows of 24 bytes; the padding must stay untouched and
  // the pixels already set must be kept.
  const int w = 20, h = 10, pitch = 24, dx = -7, dy = -3;
  std::vector<uint8_t> buf(pitch * (h + 1), 0xAA);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) buf[y * pitch + x] = 0;
  buf[0] = 7;
  EXPECT_EQ(font.Draw("漢字AB", plat::MaskView{buf.data(), w, h, pitch}, dx, dy), whole.width);
  for (int y = 0; y <= h; ++y) {
    for (int x = 0; x < pitch; ++x) {
      uint8_t got = buf[y * pitch + x];
      if (y == h || x >= w) {
        ASSERT_EQ(got, 0xAA) << x << "," << y;
      } else if (x == 0 && y == 0) {
        ASSERT_EQ(got, whole.At(-dx, -dy) ? plat::kGlyphInk : 7);
      } else {
        ASSERT_EQ(got, whole.At(x - dx, y - dy)) << x << "," << y;
      }
    }
  }
  // Entirely outside: nothing written, the advance still given.
  EXPECT_EQ(font.Draw("AB", plat::MaskView{buf.data(), w, h, pitch}, -100, 100), 16);
  EXPECT_EQ(Font().Measure("AB").cx, 0);
}

class FontFiles : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    report_ = dir_ / "Report_Game.txt";
    ASSERT_EQ(InitReportLog(report_.c_str()), 1);
  }
  void TearDown() override {
    for (IpaFont f : {IpaFont::Gothic, IpaFont::PGothic, IpaFont::Mincho}) plat::SetIpaFontPath(f, "");
  }
  t4test::TempFolder dir_;
  std::string report_;
};

TEST_F(FontFiles, MissingFileIsReportedOnceAndAnotherFileStandsIn) {
  std::string missing = dir_ / "missing.ttf";
  std::string broken = dir_ / "broken.ttf";
  ASSERT_TRUE(dir_.MakeFile("broken.ttf", "not a font at all"));
  plat::SetIpaFontPath(IpaFont::Gothic, missing);
  Font first = Gothic(16);
  Font again = Gothic(-16);
  EXPECT_EQ(first.FilePath(), plat::IpaFontPath(IpaFont::PGothic));
  EXPECT_EQ(again.FilePath(), first.FilePath());
  std::vector<std::string> lines = t4test::ReadLines(report_);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(missing), std::string::npos);
  EXPECT_NE(lines[0].find(t4test::U8(u8"のフォントを開けません")), std::string::npos);
  EXPECT_NE(lines[0].find("ipagp.ttf"), std::string::npos);
  EXPECT_GT(InkCount(first.Render("Aあ")), 0);

  // With no file at all, text is drawn as boxes of the usual widths.
  plat::SetIpaFontPath(IpaFont::PGothic, broken);
  plat::SetIpaFontPath(IpaFont::Mincho, missing);
  Font boxes = Gothic(16);
  EXPECT_EQ(boxes.FilePath(), "");
  lines = t4test::ReadLines(report_);
  ASSERT_EQ(lines.size(), 2u);  // only the broken file is new
  EXPECT_NE(lines[1].find(broken), std::string::npos);
  EXPECT_NE(lines[1].find(t4test::U8(u8"枠で表示します")), std::string::npos);
  EXPECT_EQ(boxes.Measure("AB").cx, 16);
  EXPECT_EQ(boxes.Measure("Ａ\x82").cx, 32);
  EXPECT_EQ(boxes.CellHeight(), 16);
  TextMask m = boxes.Render("A Ａ");
  EXPECT_TRUE(OnlyZeroOrInk(m));
  EXPECT_GT(InkCount(m), 0);
  for (int y = 0; y < m.height; ++y)
    for (int x = 8; x < 16; ++x) EXPECT_EQ(m.At(x, y), 0) << "the space has no box";
}

TEST(FontThreads, TwoThreadsDrawAtOnceAsOneDoesAlone) {
  const char* texts[] = {"ステージ 1-1", "Score 0012345", "ＧＡＭＥ ＯＶＥＲ", "残り時間 999", "ｺﾝﾃｨﾆｭｰ?"};
  const int heights[] = {9, 16, 30, -12, 20};
  // Expected images from this thread first, on fonts the workers create anew
  // (and so with their own glyph caches for the sizes not seen yet).
  std::vector<uint64_t> expected;
  for (int i = 0; i < 5; ++i) expected.push_back(Fnv1a(Font(FontDesc{"ＭＳ Ｐゴシック", heights[i], 0, 0}).Render(texts[i])));
  std::vector<int> mismatches(2, 0);
  std::vector<std::thread> workers;
  for (int t = 0; t < 2; ++t)
    workers.emplace_back([&, t] {
      for (int round = 0; round < 40; ++round) {
        int i = (round + t * 2) % 5;
        // Fresh sizes too, so faces are opened while the other thread draws.
        Font fresh(FontDesc{"ＭＳ ゴシック", 40 + round + t * 40, 0, 0});
        fresh.Render("漢字かな交じり文");
        Font font(FontDesc{"ＭＳ Ｐゴシック", heights[i], 0, 0});
        if (Fnv1a(font.Render(texts[i])) != expected[i]) ++mismatches[t];
      }
    });
  for (auto& w : workers) w.join();
  EXPECT_EQ(mismatches[0], 0);
  EXPECT_EQ(mismatches[1], 0);
}
