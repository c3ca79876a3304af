// An input script played frame by frame through the default poll, as a
// replay or a headless run sees it: key repeat, the trigger latch and the
// histories, checked frame by frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/input.h"
#include "services/input.h"
#include "services/keyconfig.h"
#include "support/temp_folder.h"

namespace {

TEST(InputScript, RepeatTriggerAndHistoriesFollowTheScript) {
  t4test::TempFolder folder;
  const std::string path = (std::filesystem::path(folder.path()) / "input.txt").string();
  std::ofstream(path) << "# held left, then buttons\n"
                         "1-40 LEFT\n"
                         "1-3 Z\n"
                         "5 X\n"
                         "6-8 z x\n";
  std::string error;
  ASSERT_TRUE(plat::LoadInputScript(path, &error)) << error;
  g_KeyConfig = KEYCONFIG{};
  SetDefaultKeyConfig(&g_KeyConfig);

  // Frame -> direction after repeat (18, 6), buttons after the trigger latch.
  struct Frame {
    int frame;
    uint16_t repeated, triggered;
  };
  const Frame expected[] = {
      {1, 1, 1},  {2, 0, 0},  {3, 0, 0},  {4, 0, 0},  {5, 0, 2},  {6, 0, 0},  {7, 0, 0},  {8, 0, 0},
      {9, 0, 0},  {18, 0, 0}, {19, 1, 0}, {20, 0, 0}, {24, 0, 0}, {25, 1, 0}, {31, 1, 0}, {36, 0, 0},
      {37, 1, 0}, {40, 0, 0},
  };
  cInput menu, play;
  for (cInput* in : {&menu, &play}) {
    in->SetRepeat(18, 6);
    in->InitJoyButtons();
  }
  size_t next = 0;
  for (int frame = 1; frame <= 40; ++frame) {
    plat::ApplyInputScript(static_cast<uint64_t>(frame));
    ASSERT_EQ(menu.Poll(0, 3, 60), 1);
    menu.ApplyRepeat();
    menu.ApplyTrigger(0);
    ASSERT_EQ(play.Poll(0, 3, 60), 1);
    play.RecordHistory();
    play.RecordPressHistory();
    if (next < std::size(expected) && expected[next].frame == frame) {
      EXPECT_EQ(menu.m_wDir, expected[next].repeated) << "frame " << frame;
      EXPECT_EQ(menu.m_wButton, expected[next].triggered) << "frame " << frame;
      ++next;
    } else {
      EXPECT_EQ(menu.m_wDir, 0) << "frame " << frame;
      EXPECT_EQ(menu.m_wButton, 0) << "frame " << frame;
    }
  }
  EXPECT_EQ(next, std::size(expected));

  // Buttons over the 40 frames: Z x3, none, X, Z+X x3, none x32.
  const struct {
    int framesAgo;
    uint16_t buttons;
  } history[] = {{0, 0}, {31, 0}, {32, 3}, {34, 3}, {35, 2}, {36, 0}, {37, 1}, {39, 1}};
  for (const auto& h : history) EXPECT_EQ(play.GetHistory(1, h.framesAgo), h.buttons) << h.framesAgo;
  EXPECT_EQ(play.GetHistory(0, 0), 1);
  EXPECT_EQ(play.GetHistory(0, 39), 1);
  // Press histories, newest run first: left held 40 frames; button 1 (Z)
  // released for 32 frames after 3 held, after 2 released (X alone), after 3 held.
  EXPECT_EQ(play.DirPressHistory(1)[0].pressed, 1);
  EXPECT_EQ(play.DirPressHistory(1)[0].frames, 40);
  const std::vector<PRESSRUN>& z = play.ButtonPressHistory(1);
  const int runs[][2] = {{0, 32}, {1, 3}, {0, 2}, {1, 3}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(z[static_cast<size_t>(i)].pressed, runs[i][0]) << i;
    EXPECT_EQ(z[static_cast<size_t>(i)].frames, runs[i][1]) << i;
  }

  // The script is over: an empty one leaves every key up.
  std::ofstream(path, std::ios::trunc) << "";
  ASSERT_TRUE(plat::LoadInputScript(path, &error)) << error;
  plat::ApplyInputScript(41);
  EXPECT_FALSE(plat::IsKeyDown(VK_LEFT));
}

}  // namespace
