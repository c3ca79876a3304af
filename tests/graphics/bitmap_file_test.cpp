#include <gtest/gtest.h>

#include <string>

#include "bmp_bytes.h"
#include "graphics/bitmap_file.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

bool Parse(const std::vector<uint8_t>& b, BitmapImage* img, std::string* err = nullptr) {
  std::string e;
  return ParseBitmap(b.data(), b.size(), img, err ? err : &e);
}

}  // namespace

TEST(BitmapFile, EveryDepthAndRowOrderGivesTheSamePicture) {
  // 3 x 2 picture (widths that need row padding at every depth).
  const uint32_t colours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0x102030, 0xFFFFFF, 0x000000}};
  const std::vector<uint32_t> pal = {0xFF0000, 0x00FF00, 0x0000FF, 0x102030, 0xFFFFFF, 0x000000};
  const std::vector<std::vector<uint32_t>> idx = {{0, 1, 2}, {3, 4, 5}};
  std::vector<std::vector<uint32_t>> rgb = {{colours[0][0], colours[0][1], colours[0][2]},
                                            {colours[1][0], colours[1][1], colours[1][2]}};
  struct Case {
    const char* name;
    bmptest::Spec spec;
  } cases[] = {
      {"8 bottom-up", {3, 2, 8, 0, 0, pal, {}, idx}},
      {"8 top-down", {3, -2, 8, 0, 0, pal, {}, idx}},
      {"8 clrUsed 6", {3, 2, 8, 0, 6, pal, {}, idx}},
      {"4 bottom-up", {3, 2, 4, 0, 6, pal, {}, idx}},
      {"24 bottom-up", {3, 2, 24, 0, 0, {}, {}, rgb}},
      {"24 top-down", {3, -2, 24, 0, 0, {}, {}, rgb}},
      {"32 bottom-up", {3, 2, 32, 0, 0, {}, {}, rgb}},
      {"32 bit fields", {3, -2, 32, 3, 0, {}, {0xFF0000, 0xFF00, 0xFF}, rgb}},
  };
  for (auto& c : cases) {
    if (c.spec.bitCount == 8 && c.spec.clrUsed == 0) {
      c.spec.palette.resize(256, 0);
    }
    BitmapImage img;
    std::string err;
    ASSERT_TRUE(Parse(bmptest::Build(c.spec), &img, &err)) << c.name << ": " << err;
    EXPECT_EQ(img.width, 3) << c.name;
    EXPECT_EQ(img.height, 2) << c.name;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(img.At(x, y), colours[y][x]) << c.name << " at " << x << "," << y;
        if (img.Paletted()) {
          EXPECT_EQ(img.IndexAt(x, y), idx[y][x]) << c.name;
        }
      }
  }
}

TEST(BitmapFile, OneBitAndSixteenBitPixels) {
  bmptest::Spec one{9, 1, 1, 0, 0, {0x000000, 0xFFFFFF}, {}, {{1, 0, 1, 1, 0, 0, 0, 0, 1}}};
  BitmapImage img;
  ASSERT_TRUE(Parse(bmptest::Build(one), &img));
  const int expect[9] = {1, 0, 1, 1, 0, 0, 0, 0, 1};
  for (int x = 0; x < 9; ++x) EXPECT_EQ(img.IndexAt(x, 0), expect[x]) << x;
  EXPECT_EQ(img.At(8, 0), 0xFFFFFFu);

  // 16 bits without masks is X1R5G5B5; with masks R5G6B5.
  bmptest::Spec x555{2, 1, 16, 0, 0, {}, {}, {{0x7C00, 0x001F}}};
  ASSERT_TRUE(Parse(bmptest::Build(x555), &img));
  EXPECT_EQ(img.At(0, 0), 0xFF0000u);
  EXPECT_EQ(img.At(1, 0), 0x0000FFu);
  bmptest::Spec r565{2, 1, 16, 3, 0, {}, {0xF800, 0x07E0, 0x001F}, {{0x07E0, 0x0400}}};
  ASSERT_TRUE(Parse(bmptest::Build(r565), &img));
  EXPECT_EQ(img.At(0, 0), 0x00FF00u);
  EXPECT_EQ(img.At(1, 0), static_cast<uint32_t>(32 * 255 / 63) << 8);
}

TEST(BitmapFile, BrokenFilesFailWithTheirOffsetAndLeaveTheImage) {
  bmptest::Spec good{4, 4, 8, 0, 0, std::vector<uint32_t>(256, 0x123456),
                     {}, std::vector<std::vector<uint32_t>>(4, {1, 2, 3, 4})};
  const std::vector<uint8_t> file = bmptest::Build(good);
  BitmapImage keep;
  keep.width = 77;
  // Every truncation fails cleanly (and runs under the sanitizers).
  for (size_t n = 0; n < file.size(); ++n) {
    std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<long>(n));
    std::string err;
    ASSERT_FALSE(Parse(cut, &keep, &err)) << n;
    EXPECT_NE(err.find("offset"), std::string::npos) << err;
  }
  EXPECT_EQ(keep.width, 77);

  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> f = file;
    for (size_t i = 0; i < bytes.size(); ++i) f[at + i] = bytes[i];
    return f;
  };
  struct Bad {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;
  } bad[] = {
      {"magic", patched(0, {'P', 'N'}), "not a bitmap"},
      {"header size", patched(14, {41, 0, 0, 0}), "header size"},
      {"zero width", patched(18, {0, 0, 0, 0}), "width"},
      {"negative width", patched(18, {0xFF, 0xFF, 0xFF, 0xFF}), "width"},
      {"huge height", patched(22, {0, 0, 0, 0x40}), "width or height"},
      {"planes", patched(26, {2, 0}), "planes"},
      {"bit count", patched(28, {7, 0}), "bits per pixel"},
      {"RLE4 on 8 bits", patched(30, {2, 0, 0, 0}), "run-length"},
      {"bit fields on 8 bits", patched(30, {3, 0, 0, 0}), "bit fields"},
      {"pixels past the end", patched(10, {0xF0, 0xFF, 0, 0}), "pixel data"},
      {"pixels inside the header", patched(10, {20, 0, 0, 0}), "pixel data"},
  };
  for (const Bad& b : bad) {
    std::string err;
    EXPECT_FALSE(Parse(b.bytes, &keep, &err)) << b.name;
    EXPECT_NE(err.find(b.reason), std::string::npos) << b.name << ": " << err;
  }
  EXPECT_EQ(keep.width, 77);
}

TEST(BitmapFile, IndexPastTheColourTableShowsBlackAndOversizedCountIsCapped) {
  bmptest::Spec s{2, 1, 8, 0, 2, {0xABCDEF, 0x111111}, {}, {{1, 200}}};
  BitmapImage img;
  ASSERT_TRUE(Parse(bmptest::Build(s), &img));
  EXPECT_EQ(img.palette.size(), 2u);
  EXPECT_EQ(img.At(0, 0), 0x111111u);
  EXPECT_EQ(img.IndexAt(1, 0), 200);
  EXPECT_EQ(img.At(1, 0), 0u);

  bmptest::Spec four{1, 1, 4, 0, 5000, std::vector<uint32_t>(16, 0x010203), {}, {{3}}};
  ASSERT_TRUE(Parse(bmptest::Build(four), &img));
  EXPECT_EQ(img.palette.size(), 16u);
}

TEST(BitmapFile, MissingFileFailsWithItsNameAndAnEmptyNameWithoutALine) {
  t4test::TempFolder dir;
  ReportLogCapture log(dir.path());
  ASSERT_TRUE(dir.MakeFile("broken.bmp", "BM"));
  BitmapImage img;
  EXPECT_FALSE(ReadBitmapFile("no\\such\\file.bmp", &img));
  EXPECT_FALSE(ReadBitmapFile((dir / "broken.bmp").c_str(), &img));
  EXPECT_FALSE(ReadBitmapFile("", &img));
  const std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Bitmap no\\such\\file.bmp : cannot be read");
  EXPECT_EQ(lines[1].rfind("Bitmap " + (dir / "broken.bmp") + " : ", 0), 0u) << lines[1];
}

TEST(BitmapFile, RunLengthCompressedFiles) {
  const std::vector<uint32_t> pal = {0x000000, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555};
  // 6 x 3, bottom row first: a run, a literal run (odd: padded), end of line;
  // a delta over two pixels and a row; end of picture.
  bmptest::Spec rle8{6, 3, 8, 1, 6, pal, {}, {},
                     {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 2, 1, 2, 5, 0, 1}};
  BitmapImage img;
  std::string err;
  const std::vector<uint8_t> f8 = bmptest::Build(rle8);
  ASSERT_TRUE(ParseBitmap(f8.data(), f8.size(), &img, &err)) << err;
  const uint8_t expect8[3][6] = {{0, 0, 5, 5, 0, 0}, {0, 0, 0, 0, 0, 0}, {1, 1, 1, 2, 3, 4}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(img.IndexAt(x, y), expect8[y][x]) << x << "," << y;
  EXPECT_EQ(img.At(2, 0), 0x555555u);

  // 4 bits: a run alternates the two nibbles; a literal of 3 nibbles.
  bmptest::Spec rle4{5, 1, 4, 2, 6, pal, {}, {}, {2, 0x12, 0, 3, 0x34, 0x50, 0, 1}};
  const std::vector<uint8_t> f4 = bmptest::Build(rle4);
  ASSERT_TRUE(ParseBitmap(f4.data(), f4.size(), &img, &err)) << err;
  const uint8_t expect4[5] = {1, 2, 3, 4, 5};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(img.IndexAt(x, 0), expect4[x]) << x;

  // Every cut before the end of the picture fails, under the sanitizers.
  for (size_t n = 0; n + 2 < f8.size(); ++n) {
    BitmapImage keep;
    EXPECT_FALSE(ParseBitmap(f8.data(), n, &keep, &err)) << n;
  }
  // Runs past the row end and deltas past the picture are dropped, not written.
  bmptest::Spec wild{2, 2, 8, 1, 6, pal, {}, {}, {200, 1, 0, 2, 250, 250, 9, 3, 0, 1}};
  const std::vector<uint8_t> fw = bmptest::Build(wild);
  ASSERT_TRUE(ParseBitmap(fw.data(), fw.size(), &img, &err)) << err;
  EXPECT_EQ(img.IndexAt(0, 1), 1);
  EXPECT_EQ(img.IndexAt(0, 0), 0);
}
