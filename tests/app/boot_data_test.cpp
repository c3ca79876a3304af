#include <gtest/gtest.h>

#include "records/boot_data.h"
#include "records/record_dump.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

class BootFile : public ::testing::Test {
 protected:
  void SetUp() override { g_dwDataVersion = kRecordDataVersion; }
  std::string PathOf(const char* name) const { return dir / name; }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

TEST_F(BootFile, DefaultChoiceSavesTheExact20Bytes) {
  cBootData boot;
  EXPECT_EQ(boot.m_nDrawMode, 1);
  EXPECT_EQ(boot.m_bNoAsk, 0);
  ASSERT_TRUE(boot.SaveToFile(PathOf("Boot.dat").c_str()));
  const std::vector<uint8_t> expected = {0x0A, 0x03, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ReadOsFile(PathOf("Boot.dat")), expected) << HexBytes(ReadOsFile(PathOf("Boot.dat")));
}

TEST_F(BootFile, HandBuiltFileLoadsAndSavedChoiceRoundTrips) {
  ByteBuilder b;
  b.U32(778).I32(2).I32(0).I32(1).I32(0);
  ASSERT_TRUE(b.WriteTo(PathOf("b.dat")));
  cBootData boot;
  ASSERT_TRUE(boot.LoadFromFile(PathOf("b.dat").c_str()));
  EXPECT_EQ(boot.m_nDrawMode, 0);
  EXPECT_EQ(boot.m_bNoAsk, 1);

  ASSERT_TRUE(boot.SaveToFile(PathOf("again.dat").c_str()));
  EXPECT_EQ(ReadOsFile(PathOf("again.dat")), b.Bytes());
  cBootData back;
  ASSERT_TRUE(back.LoadFromFile(PathOf("again.dat").c_str()));
  EXPECT_EQ(back.m_nDrawMode, 0);
  EXPECT_EQ(back.m_bNoAsk, 1);
}

TEST_F(BootFile, MissingTruncatedOrCorruptFilesLeaveTheDefaults) {
  cBootData boot;
  EXPECT_FALSE(boot.LoadFromFile(PathOf("none.dat").c_str()));

  ByteBuilder full, tooMany, negative, hugeString;
  full.U32(778).I32(2).I32(0).I32(1).I32(0);
  tooMany.U32(778).I32(3).I32(0).I32(1).I32(0);
  negative.U32(778).I32(-2).I32(0).I32(1).I32(0);
  hugeString.U32(778).I32(2).I32(0).I32(1).I32(1).U32(0x7FFFFFF0u);
  std::vector<std::vector<uint8_t>> bad;
  for (size_t n = 0; n < full.Size(); ++n) bad.emplace_back(full.Bytes().begin(), full.Bytes().begin() + long(n));
  bad.push_back(tooMany.Bytes());
  bad.push_back(negative.Bytes());
  bad.push_back(hugeString.Bytes());
  for (size_t i = 0; i < bad.size(); ++i) {
    ByteBuilder b;
    b.Append(bad[i]);
    ASSERT_TRUE(b.WriteTo(PathOf("bad.dat")));
    EXPECT_FALSE(boot.LoadFromFile(PathOf("bad.dat").c_str())) << "case " << i;
    EXPECT_EQ(boot.m_nDrawMode, 1) << "case " << i;  // Direct3D, and ask
    EXPECT_EQ(boot.m_bNoAsk, 0) << "case " << i;
  }
}

TEST_F(BootFile, DumpToolKnowsBootAndWindowFiles) {
  cBootData boot;
  boot.m_bNoAsk = 1;
  ASSERT_TRUE(boot.SaveToFile(PathOf("Boot.dat").c_str()));
  ASSERT_NE(FindRecordFileType("user_data\\BOOT.DAT"), nullptr);
  ASSERT_NE(FindRecordFileType("user_data\\Window.dat"), nullptr);
  std::string json;
  ASSERT_TRUE(FindRecordFileType("Boot.dat")->dump(PathOf("Boot.dat"), &json));
  EXPECT_EQ(json, R"({"m_nDrawMode":1,"m_bNoAsk":1})");
}

}  // namespace
