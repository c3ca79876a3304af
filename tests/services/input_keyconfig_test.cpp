#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <unistd.h>

#include "platform/paths.h"
#include "services/keyconfig.h"
#include "support/temp_folder.h"

namespace {

class KeyConfigFile : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::FlushPathCache();
    path_ = (dir_ / "KeyConfig.dat").string();
  }
  void WriteBytes(const std::vector<uint8_t>& bytes) {
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    plat::FlushPathCache();
  }
  std::vector<uint8_t> ReadBytes() {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void Put32(std::vector<uint8_t>& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
  }
  t4test::TempFolder folder_;
  std::filesystem::path dir_{folder_.path()};
  std::string path_;
};

TEST_F(KeyConfigFile, DefaultsAreTheArrowsAndEightLetters) {
  KEYCONFIG c;
  std::memset(&c, 0xAB, sizeof c);
  SetDefaultKeyConfig(&c);
  const uint16_t codes[12] = {37, 39, 38, 40, 90, 88, 67, 86, 65, 83, 68, 70};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(c.assign[i].device, 8);
    EXPECT_EQ(c.assign[i].code, codes[i]);
    EXPECT_EQ(c.assign[i].reserved, 0xABAB);  // not written
  }
  EXPECT_EQ(c.count, 12);
  EXPECT_EQ(c.joysticks, 1);
  EXPECT_EQ(c.use, 0);
}

TEST_F(KeyConfigFile, RoundTripsAtExactly108Bytes) {
  KEYCONFIG c{};
  SetDefaultKeyConfig(&c);
  c.joysticks = 2;
  c.use = 1;
  c.assign[0] = KEYASSIGN{1, 256, 0x1234};
  c.assign[7] = KEYASSIGN{0, 0x80, 0};
  ASSERT_EQ(SaveKeyConfig(path_.c_str(), &c), 1);
  std::vector<uint8_t> bytes = ReadBytes();
  ASSERT_EQ(bytes.size(), 108u);
  // An independent look at the layout: little-endian, no header.
  const uint8_t first[8] = {1, 0, 0, 0, 0x00, 0x01, 0x34, 0x12};
  EXPECT_EQ(std::memcmp(bytes.data(), first, 8), 0);
  EXPECT_EQ(bytes[7 * 8 + 4], 0x80);
  EXPECT_EQ(bytes[96], 12);
  EXPECT_EQ(bytes[100], 2);
  EXPECT_EQ(bytes[104], 1);

  KEYCONFIG back{};
  ASSERT_EQ(LoadKeyConfig(path_.c_str(), &back), 1);
  EXPECT_EQ(std::memcmp(&back, &c, sizeof c), 0);
}

TEST_F(KeyConfigFile, AMissingFileGivesZero) {
  KEYCONFIG c{};
  c.count = 7;
  EXPECT_EQ(LoadKeyConfig((dir_ / "none.dat").string().c_str(), &c), 0);
  EXPECT_EQ(c.count, 7);
}

std::vector<uint8_t> GoodFile() {
  std::vector<uint8_t> good(108, 0);
  auto put = [&good](size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) good[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
  };
  for (int i = 0; i < 12; ++i) put(i * 8, 8);
  put(96, 12);
  put(100, 1);
  put(104, 1);
  return good;
}

TEST_F(KeyConfigFile, ShortFilesFallBackToTheDefaults) {
  for (size_t size : {size_t{0}, size_t{60}, size_t{104}}) {
    SCOPED_TRACE(size);
    std::vector<uint8_t> bytes = GoodFile();
    bytes.resize(size);
    WriteBytes(bytes);
    KEYCONFIG config{};
    config.use = 77;
    EXPECT_EQ(LoadKeyConfig(path_.c_str(), &config), 0);
    EXPECT_EQ(config.use, 77);  // left as it was
  }
  // Longer files and odd key codes are read as they are.
  std::vector<uint8_t> longer = GoodFile();
  longer.resize(200, 0xFF);
  longer[4] = 0xFF;
  WriteBytes(longer);
  KEYCONFIG config{};
  EXPECT_EQ(LoadKeyConfig(path_.c_str(), &config), 1);
  EXPECT_EQ(config.use, 1);
  EXPECT_EQ(config.assign[0].code, 0xFF);
}

// A file cut inside the use flag is read as far as it goes: the bytes of
// the flag it has count, the missing high bytes are the default's zeros.
TEST_F(KeyConfigFile, AFileCutInsideTheUseFlagIsReadAsFarAsItGoes) {
  struct Case {
    size_t size;
    uint32_t flagOnDisk;
    int32_t use;
  } cases[] = {
      {105, 0x01, 1},        {106, 0x0100, 0x0100}, {107, 0x010000, 0x010000},
      {105, 0x0100, 0},      {107, 0x01000000, 0},  {108, 0x01000000, 0x01000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.size << " bytes, flag " << c.flagOnDisk);
    std::vector<uint8_t> bytes = GoodFile();
    Put32(bytes, 104, static_cast<int32_t>(c.flagOnDisk));
    bytes[0] = 1;  // left on joystick 1 of two
    Put32(bytes, 100, 2);
    bytes.resize(c.size);
    WriteBytes(bytes);
    KEYCONFIG config{};
    config.use = 77;
    EXPECT_EQ(LoadKeyConfig(path_.c_str(), &config), 1);
    EXPECT_EQ(config.use, c.use);
    // Everything before the cut is the file's own.
    EXPECT_EQ(config.assign[0].device, 1);
    EXPECT_EQ(config.joysticks, 2);
    EXPECT_EQ(config.count, 12);
  }
}

TEST_F(KeyConfigFile, DamagedCountsAreClampedAndBadDevicesKept) {
  struct Case {
    const char* name;
    size_t at;
    int32_t value;
    int32_t count, joysticks;  // as loaded
  } cases[] = {
      {"count 99", 96, 99, 12, 1},
      {"count above twelve", 96, 13, 12, 1},
      {"negative count", 96, -1, 0, 1},
      {"negative joysticks", 100, -5, 12, 0},
      {"too many joysticks", 100, 1000, 12, 16},
      {"device beyond the joysticks", 5 * 8, 1, 12, 1},
      {"negative device", 0, -1, 12, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = GoodFile();
    Put32(bytes, c.at, c.value);
    WriteBytes(bytes);
    KEYCONFIG config{};
    EXPECT_EQ(LoadKeyConfig(path_.c_str(), &config), 1);
    EXPECT_EQ(config.count, c.count);
    EXPECT_EQ(config.joysticks, c.joysticks);
    EXPECT_EQ(config.use, 1);  // the player's mapping stays in use
    if (c.at < 96) {
      EXPECT_EQ(config.assign[c.at / 8].device, c.value);
    }
  }
}

}  // namespace
