#include <gtest/gtest.h>

#include "records/option_data.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

class OptionFile : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bDeleteCR = 1;
  }
  std::string PathOf(const char* name) const { return dir / name; }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

TEST_F(OptionFile, DefaultRecordSavesTheExact36Bytes) {
  cOptionData o;
  ASSERT_TRUE(o.SaveToFile(PathOf("Option.dat").c_str()));
  const std::vector<uint8_t> expected = {0x0A, 0x03, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 7, 0,
                                         0,    0,    0, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 'a', 'a', 'a', 0};
  EXPECT_EQ(ReadOsFile(PathOf("Option.dat")), expected) << HexBytes(ReadOsFile(PathOf("Option.dat")));
}

TEST_F(OptionFile, LoadsEveryFieldOfAHandBuiltFileAndKeepsOutOfRangeValues) {
  ByteBuilder b;
  b.U32(778).I32(4).I32(23).I32(0).I32(12).I32(3).I32(1).Str("名前\r");
  ASSERT_TRUE(b.WriteTo(PathOf("o.dat")));
  cOptionData o;
  ASSERT_TRUE(o.LoadFromFile(PathOf("o.dat").c_str()));
  EXPECT_EQ(o.m_nColorSet, 23);
  EXPECT_EQ(o.m_bMusic, 0);
  EXPECT_EQ(o.m_nSeVolume, 12);  // not validated: taken as stored
  EXPECT_EQ(o.m_nEntryMode, 3);
  EXPECT_EQ(o.m_strPlayerName, "名前");
  // The volume look-up never reads outside its table.
  EXPECT_EQ(GetSeVolume(o.m_nSeVolume), 0);
  EXPECT_EQ(GetSeVolume(-4), -10000);
}

TEST(OptionVolume, StepsGiveTheAttenuationTable) {
  const int expected[] = {-10000, -3000, -2000, -1300, -800, -500, -300, -150, -80, -30, 0};
  for (int step = 0; step < 11; ++step) EXPECT_EQ(GetSeVolume(step), expected[step]) << step;
}

TEST_F(OptionFile, MissingFileKeepsTheDefaults) {
  cOptionData o;
  EXPECT_FALSE(o.LoadFromFile(PathOf("none.dat").c_str()));
  EXPECT_EQ(o.m_nColorSet, 0);
  EXPECT_EQ(o.m_bMusic, 1);
  EXPECT_EQ(o.m_nSeVolume, 7);
  EXPECT_EQ(o.m_nEntryMode, 0);
  EXPECT_EQ(o.m_strPlayerName, "aaa");
}

TEST_F(OptionFile, TruncatedOrCorruptFilesFailAndLeaveTheRecordUnchanged) {
  cOptionData saved;
  saved.m_nColorSet = 5;
  saved.m_strPlayerName = "bob";
  ASSERT_TRUE(saved.SaveToFile(PathOf("full.dat").c_str()));
  const std::vector<uint8_t> full = ReadOsFile(PathOf("full.dat"));

  std::vector<std::vector<uint8_t>> bad;
  for (size_t n = 0; n < full.size(); ++n) bad.emplace_back(full.begin(), full.begin() + long(n));
  ByteBuilder tooMany, hugeString, negative;
  tooMany.U32(778).I32(5).I32(1).I32(1).I32(1).I32(1).I32(1).I32(0);
  hugeString.U32(778).I32(4).I32(1).I32(1).I32(1).I32(1).I32(1).U32(0xFFFFFFF0u);
  negative.U32(778).I32(-1).I32(0);
  bad.push_back(tooMany.Bytes());
  bad.push_back(hugeString.Bytes());
  bad.push_back(negative.Bytes());

  for (size_t i = 0; i < bad.size(); ++i) {
    ByteBuilder b;
    b.Append(bad[i]);
    ASSERT_TRUE(b.WriteTo(PathOf("bad.dat")));
    cOptionData o;
    o.m_nSeVolume = 9;
    if (bad[i].empty()) {
      // An empty file has no header at all.
      EXPECT_FALSE(o.LoadFromFile(PathOf("bad.dat").c_str()));
    } else {
      EXPECT_FALSE(o.LoadFromFile(PathOf("bad.dat").c_str())) << "case " << i;
    }
    EXPECT_EQ(o.m_nSeVolume, 9) << "case " << i;
    EXPECT_EQ(o.m_strPlayerName, "aaa") << "case " << i;
  }
}

}  // namespace
