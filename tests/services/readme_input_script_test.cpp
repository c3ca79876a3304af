// The input-script example of the README, run as written through the frame
// step's poll: the joystick it names moves the player, and nothing in it
// closes the game before it does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/input.h"
#include "services/input.h"
#include "services/keyconfig.h"
#include "support/temp_folder.h"

namespace {

// The first fenced block after the heading.
std::string ExampleAfter(const std::string& text, const std::string& heading) {
  const size_t at = text.find(heading);
  if (at == std::string::npos) return "";
  const size_t open = text.find("```", at);
  if (open == std::string::npos) return "";
  const size_t body = text.find('\n', open);
  const size_t close = text.find("```", body);
  if (body == std::string::npos || close == std::string::npos) return "";
  return text.substr(body + 1, close - body - 1);
}

void ResetInput() {
  plat::ClearKeys();
  for (int i = 0; i < plat::kMaxJoysticks; ++i) plat::SetJoyState(i, plat::JoyState{});
}

TEST(ReadmeInputScript, TheExampleMovesTheJoystickItNames) {
  std::ifstream readme(std::string(T4_SOURCE_DIR) + "/README.md");
  ASSERT_TRUE(readme) << "README.md not found";
  std::stringstream text;
  text << readme.rdbuf();
  const std::string example = ExampleAfter(text.str(), "### Input scripts");
  ASSERT_FALSE(example.empty()) << "no example under \"### Input scripts\"";

  t4test::TempFolder folder;
  const std::string path = (std::filesystem::path(folder.path()) / "input.txt").string();
  std::ofstream(path) << example;
  ResetInput();
  std::string error;
  ASSERT_TRUE(plat::LoadInputScript(path, &error)) << error;
  g_KeyConfig = KEYCONFIG{};
  SetDefaultKeyConfig(&g_KeyConfig);

  // One poll of player 0 a frame, as the frame step makes with the default
  // assignment.
  cInput in;
  in.SetRepeat(18, 6);
  in.InitJoyButtons();
  int moved = 0, closedAt = 0;
  for (int frame = 1; frame <= 1000 && !closedAt; ++frame) {
    plat::ApplyInputScript(static_cast<uint64_t>(frame));
    ASSERT_EQ(in.Poll(0, 3, 60), 1);
    // Escape closes the game: nothing after it is played.
    if (plat::IsKeyDown(VK_ESCAPE)) closedAt = frame;
    plat::JoyState js;
    if (!plat::GetJoyState(0, &js) || !js.present) continue;
    const uint16_t dir = static_cast<uint16_t>((js.x <= 10000 ? 1 : js.x > 55534 ? 2 : 0) |
                                               (js.y <= 10000 ? 4 : js.y > 55534 ? 8 : 0));
    const uint16_t buttons = static_cast<uint16_t>(js.buttons & 0xFF);
    if (dir == 0 && buttons == 0) continue;
    SCOPED_TRACE(frame);
    ++moved;
    if (dir) {
      EXPECT_EQ(in.m_wDir, dir);
    }
    if (buttons) {
      EXPECT_EQ(in.m_wButton, buttons);
    }
  }
  EXPECT_GT(moved, 0) << "the example moves no joystick 0 before it closes the game";

  std::ofstream(path, std::ios::trunc) << "";
  ASSERT_TRUE(plat::LoadInputScript(path, &error)) << error;
  ResetInput();
}

}  // namespace
