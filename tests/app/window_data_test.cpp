#include <gtest/gtest.h>

#include <climits>

#include "records/window_data.h"
#include "records/record_dump.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

class WindowFile : public ::testing::Test {
 protected:
  void SetUp() override { g_dwDataVersion = kRecordDataVersion; }
  std::string PathOf(const char* name) const { return dir / name; }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

TEST_F(WindowFile, PlacementSavesTheExact32BytesAndRoundTrips) {
  cWindowData w;
  EXPECT_EQ(w.m_nX | w.m_nY | w.m_nWidth | w.m_nHeight | w.m_bMaximized, 0);
  w.Set(-8, 300, 640, 480, 1);
  ASSERT_TRUE(w.SaveToFile(PathOf("Window.dat").c_str()));
  ByteBuilder expected;
  expected.U32(778).I32(5).I32(-8).I32(300).I32(640).I32(480).I32(1).I32(0);
  ASSERT_EQ(expected.Size(), 32u);
  EXPECT_EQ(ReadOsFile(PathOf("Window.dat")), expected.Bytes()) << HexBytes(ReadOsFile(PathOf("Window.dat")));

  cWindowData back;
  ASSERT_TRUE(back.LoadFromFile(PathOf("Window.dat").c_str()));
  EXPECT_EQ(back.m_nX, -8);  // the record itself keeps what was stored
  EXPECT_EQ(back.m_nY, 300);
  EXPECT_EQ(back.m_nWidth, 640);
  EXPECT_EQ(back.m_nHeight, 480);
  EXPECT_EQ(back.m_bMaximized, 1);

  std::string json;
  ASSERT_TRUE(FindRecordFileType("Window.dat")->dump(PathOf("Window.dat"), &json));
  EXPECT_EQ(json, R"({"m_nX":-8,"m_nY":300,"m_nWidth":640,"m_nHeight":480,"m_bMaximized":1})");
}

TEST(WindowPlacement, FitToDesktopKeepsTheWindowPartlyVisibleWithSaneSizes) {
  struct {
    const char* name;
    int in[5];
    int desktop[2];
    int out[5];
  } cases[] = {
      {"an ordinary placement stays", {100, 50, 640, 480, 0}, {1920, 1080}, {100, 50, 640, 480, 0}},
      {"left of and above the screen", {-500, -20, 640, 480, 0}, {1920, 1080}, {0, 0, 640, 480, 0}},
      {"past the right and bottom edges", {5000, 3000, 640, 480, 1}, {1920, 1080}, {1820, 980, 640, 480, 1}},
      {"just inside the edge keeps 100 pixels", {1820, 980, 640, 480, 0}, {1920, 1080}, {1820, 980, 640, 480, 0}},
      {"zero and negative sizes", {10, 10, 0, -5, 0}, {1920, 1080}, {10, 10, 100, 100, 0}},
      {"sizes beyond the desktop", {0, 0, 100000, 5000, 0}, {1920, 1080}, {0, 0, 1920, 1080, 0}},
      {"extreme values", {INT_MIN, INT_MAX, INT_MAX, INT_MIN, 7}, {1920, 1080}, {0, 980, 1920, 100, 7}},
      {"desktop smaller than the smallest window", {30, 30, 640, 480, 0}, {50, 40}, {0, 0, 100, 100, 0}},
  };
  for (const auto& c : cases) {
    cWindowData w;
    w.Set(c.in[0], c.in[1], c.in[2], c.in[3], c.in[4]);
    w.FitToDesktop(c.desktop[0], c.desktop[1]);
    const int got[5] = {w.m_nX, w.m_nY, w.m_nWidth, w.m_nHeight, w.m_bMaximized};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(got[i], c.out[i]) << c.name << " value " << i;
  }
}

TEST_F(WindowFile, LoadFitsAReadPlacementAndLeavesTheRecordOnFailure) {
  ByteBuilder off;
  off.U32(778).I32(5).I32(-4000).I32(9000).I32(20).I32(99999).I32(0).I32(0);
  ASSERT_TRUE(off.WriteTo(PathOf("Window.dat")));
  cWindowData w;
  ASSERT_TRUE(w.Load(PathOf("Window.dat").c_str(), 1280, 720));
  EXPECT_EQ(w.m_nX, 0);
  EXPECT_EQ(w.m_nY, 620);
  EXPECT_EQ(w.m_nWidth, 100);
  EXPECT_EQ(w.m_nHeight, 720);

  ByteBuilder full, tooMany, negative;
  full.U32(778).I32(5).I32(1).I32(2).I32(300).I32(400).I32(1).I32(0);
  tooMany.U32(778).I32(6).I32(1).I32(2).I32(300).I32(400).I32(1).I32(0);
  negative.U32(778).I32(INT_MIN).I32(0);
  std::vector<std::vector<uint8_t>> bad;
  for (size_t n = 0; n < full.Size(); ++n) bad.emplace_back(full.Bytes().begin(), full.Bytes().begin() + long(n));
  bad.push_back(tooMany.Bytes());
  bad.push_back(negative.Bytes());
  for (size_t i = 0; i < bad.size(); ++i) {
    ByteBuilder b;
    b.Append(bad[i]);
    ASSERT_TRUE(b.WriteTo(PathOf("bad.dat")));
    cWindowData keep;
    keep.Set(5, 6, 700, 500, 0);
    EXPECT_FALSE(keep.Load(PathOf("bad.dat").c_str(), 1280, 720)) << "case " << i;
    const int got[5] = {keep.m_nX, keep.m_nY, keep.m_nWidth, keep.m_nHeight, keep.m_bMaximized};
    const int want[5] = {5, 6, 700, 500, 0};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(got[k], want[k]) << "case " << i << " value " << k;
  }
  EXPECT_FALSE(w.Load(PathOf("none.dat").c_str(), 1280, 720));
}

}  // namespace
