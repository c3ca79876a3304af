// KeyConfig.dat as the player's own file, from the bytes on disk to the poll.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/input.h"
#include "services/input.h"
#include "services/keyconfig.h"
#include "support/file_fixture.h"

namespace {

class KeyConfigToPoll : public t4test::FileAndReportTest {
 protected:
  void SetUp() override {
    FileAndReportTest::SetUp();
    Reset();
  }
  void TearDown() override { Reset(); }
  static void Reset() {
    plat::ClearKeys();
    for (int i = 0; i < plat::kMaxJoysticks; ++i) plat::SetJoyState(i, plat::JoyState{});
    g_KeyConfig = KEYCONFIG{};
    SetDefaultKeyConfig(&g_KeyConfig);
  }
  static void Put(std::vector<uint8_t>& b, size_t at, uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  // Reads the file as the start-up does: the file, or else the defaults.
  void Load(const std::string& path) {
    if (!LoadKeyConfig(path.c_str(), &g_KeyConfig)) SetDefaultKeyConfig(&g_KeyConfig);
  }
  static cInput Poll() {
    cInput in;
    in.SetRepeat(18, 6);
    in.InitJoyButtons();
    if (g_KeyConfig.use)
      in.PollKeyConfig(1, 60);
    else
      in.Poll(0, 3, 60);
    return in;
  }
};

TEST_F(KeyConfigToPoll, NoFileMeansArrowsAndLetters) {
  Load((dir_ / "KeyConfig.dat").string());
  plat::SetKeyDown(VK_RIGHT, true);
  plat::SetKeyDown(VK_UP, true);
  plat::SetKeyDown('X', true);
  plat::SetKeyDown('F', true);
  cInput in = Poll();
  EXPECT_EQ(in.m_wDir, 2 | 4);
  EXPECT_EQ(in.m_nDirCode, 3);
  EXPECT_EQ(in.m_wButton, 2 | 128);
  EXPECT_EQ(TakeReport(), "");
}

// A custom mapping as a key configuration tool writes it, with a count of 99
// and one button on a joystick that is not configured: the mapping still
// works, the count is taken as 12 and the stray button never sounds.
TEST_F(KeyConfigToPoll, ACustomMappingWorksEvenWithCountNinetyNine) {
  std::vector<uint8_t> file(108, 0);
  const struct {
    int32_t device;
    uint16_t code;
  } assign[12] = {{8, 'J'}, {8, 'L'}, {0, 1024}, {8, 'K'}, {0, 0x2}, {3, 0x1},
                  {8, '1'}, {8, '2'}, {8, '3'}, {8, '4'}, {8, '5'}, {8, '6'}};
  for (int i = 0; i < 12; ++i) {
    Put(file, i * 8, static_cast<uint32_t>(assign[i].device));
    Put(file, i * 8 + 4, assign[i].code, 2);
  }
  Put(file, 96, 99);
  Put(file, 100, 1);
  Put(file, 104, 1);
  const std::string path = Write("KeyConfig.dat", file);
  Load(path);
  EXPECT_EQ(g_KeyConfig.use, 1);
  EXPECT_EQ(g_KeyConfig.count, 12);
  EXPECT_EQ(TakeReport(), path + reinterpret_cast<const char*>(
                                     u8" の 96 バイト目の値 99 は範囲外のため 12 として読みます。\n") +
                              path + reinterpret_cast<const char*>(
                                     u8" の 40 バイト目の機器 3 はないため、この割り当ては使いません。\n"));

  struct Case {
    const char* name;
    std::vector<int> keys;
    uint32_t y, buttons, stray;  // joystick 0 and the unconfigured joystick 3
    uint16_t dir, button;
    int code;
  } cases[] = {
      {"keys of the mapping", {'J', '3', '6'}, 32768, 0, 0, 1, 0x10 | 0x80, 4},
      {"joystick up and button", {'K'}, 0, 0x2, 0, 4, 0x01, 2},
      {"arrows and letters are not mapped", {VK_LEFT, 'Z', 'X'}, 32768, 0, 0, 0, 0, 5},
      {"a joystick beyond the configured ones", {}, 32768, 0, 0xFFFF, 0, 0, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    plat::ClearKeys();
    for (int k : c.keys) plat::SetKeyDown(k, true);
    plat::JoyState joy;
    joy.present = true;
    joy.y = c.y;
    joy.buttons = c.buttons;
    plat::SetJoyState(0, joy);
    joy.y = 32768;
    joy.buttons = c.stray;
    plat::SetJoyState(3, joy);
    cInput in = Poll();
    EXPECT_EQ(in.m_wDir, c.dir);
    EXPECT_EQ(in.m_wButton, c.button);
    EXPECT_EQ(in.m_nDirCode, c.code);
  }
}

// A file that ends one byte into the use flag still chooses the player's
// mapping: the poll follows it, and one report line says the rest was taken
// from the defaults.
TEST_F(KeyConfigToPoll, AFileCutInsideTheUseFlagStillChoosesTheMapping) {
  std::vector<uint8_t> file(105, 0);
  for (int i = 0; i < 12; ++i) {
    Put(file, i * 8, 8);
    Put(file, i * 8 + 4, static_cast<uint32_t>('A' + i), 2);  // left A, right B, ..., button 1 E
  }
  Put(file, 96, 12);
  Put(file, 100, 1);
  file[104] = 1;
  const std::string path = Write("KeyConfig.dat", file);
  Load(path);
  EXPECT_EQ(g_KeyConfig.use, 1);
  EXPECT_EQ(TakeReport(), path + reinterpret_cast<const char*>(
                                     u8" は 105 バイトしかありません。残りは既定値として読みます。\n"));
  plat::SetKeyDown('B', true);
  plat::SetKeyDown('E', true);
  plat::SetKeyDown('Z', true);  // button 1 of the defaults, not of this mapping
  cInput in = Poll();
  EXPECT_EQ(in.m_wDir, 2);
  EXPECT_EQ(in.m_wButton, 1);
}

TEST_F(KeyConfigToPoll, AShortFileFallsBackToTheDefaults) {
  std::vector<uint8_t> file(60, 0);  // cut inside the assignments; use flag never reached
  const std::string path = Write("KeyConfig.dat", file);
  Load(path);
  EXPECT_EQ(g_KeyConfig.use, 0);
  EXPECT_EQ(g_KeyConfig.assign[4].code, 'Z');
  plat::SetKeyDown('Z', true);
  EXPECT_EQ(Poll().m_wButton, 1);
  EXPECT_EQ(TakeReport(), path + reinterpret_cast<const char*>(
                                     u8" の読み込みに失敗しました（60 バイト目でファイルが終わっています）。\n"));
}

}  // namespace
