#include <gtest/gtest.h>

#include <vector>

#include "platform/input.h"
#include "services/input.h"
#include "services/keyconfig.h"

namespace {

// Keys, joysticks and the key configuration are process-wide: each test
// starts from the default configuration with nothing held and no joystick.
class InputPoll : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    plat::ClearKeys();
    for (int i = 0; i < plat::kMaxJoysticks; ++i) plat::SetJoyState(i, plat::JoyState{});
    g_KeyConfig = KEYCONFIG{};
    SetDefaultKeyConfig(&g_KeyConfig);
  }
  static void Joy(int id, uint32_t x, uint32_t y, uint32_t buttons) {
    plat::JoyState s;
    s.present = true;
    s.x = x;
    s.y = y;
    s.buttons = buttons;
    plat::SetJoyState(id, s);
  }
  cInput MakeInput() {
    cInput in;
    in.SetRepeat(18, 6);
    in.InitJoyButtons();
    return in;
  }
};

TEST_F(InputPoll, DefaultPollCombinesKeyboardAndJoystick) {
  struct Case {
    const char* name;
    std::vector<int> keys;
    bool joy;
    uint32_t x, y, buttons;
    uint16_t dir, button;
    int code;
  } cases[] = {
      {"arrows", {VK_LEFT, VK_UP}, false, 0, 0, 0, 5, 0, 1},
      {"both horizontal keys cancel in the code", {VK_LEFT, VK_RIGHT}, false, 0, 0, 0, 3, 0, 5},
      {"both vertical keys", {VK_UP, VK_DOWN, VK_RIGHT}, false, 0, 0, 0, 14, 0, 6},
      {"button keys", {'Z', 'X', 'C', 'V', 'A', 'S', 'D', 'F'}, false, 0, 0, 0, 0, 0xFF, 5},
      {"some button keys", {'X', 'F'}, false, 0, 0, 0, 0, 0x82, 5},
      {"joystick direction hides the arrows", {VK_RIGHT, 'Z'}, true, 10000, 55535, 0, 9, 1, 7},
      {"centred joystick leaves the arrows", {VK_RIGHT}, true, 32768, 32768, 0, 2, 0, 6},
      {"joystick buttons hide the button keys", {'Z', VK_DOWN}, true, 32768, 32768, 6, 8, 6, 8},
      {"x 10000 is left", {}, true, 10000, 32768, 0, 1, 0, 4},
      {"x 10001 is not left", {}, true, 10001, 32768, 0, 0, 0, 5},
      {"x 55534 is not right", {}, true, 55534, 32768, 0, 0, 0, 5},
      {"x 55535 is right, y 0 is up", {}, true, 55535, 0, 0, 6, 0, 3},
      {"joystick buttons beyond eight are ignored", {}, true, 32768, 32768, 0x100, 0, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    for (int k : c.keys) plat::SetKeyDown(k, true);
    if (c.joy) Joy(0, c.x, c.y, c.buttons);
    cInput in = MakeInput();
    EXPECT_EQ(in.Poll(0, 3, 60), 1);
    EXPECT_EQ(in.m_wDir, c.dir);
    EXPECT_EQ(in.m_wButton, c.button);
    EXPECT_EQ(in.m_nDirCode, c.code);
  }
}

TEST_F(InputPoll, SourcesSelectJoystickOrKeyboard) {
  plat::SetKeyDown(VK_LEFT, true);
  Joy(0, 55535, 32768, 1);
  cInput in = MakeInput();
  in.Poll(0, 1, 60);
  EXPECT_EQ(in.m_wDir, 2);
  EXPECT_EQ(in.m_wButton, 1);
  plat::SetJoyState(0, plat::JoyState{});
  in.Poll(0, 2, 60);
  EXPECT_EQ(in.m_wDir, 1);
  EXPECT_EQ(in.m_wButton, 0);
  // Joystick only and the joystick gone: the last values stand.
  in.m_wDir = 8;
  EXPECT_EQ(in.Poll(0, 1, 60), 1);
  EXPECT_EQ(in.m_wDir, 8);
}

TEST_F(InputPoll, AMissingJoystickIsRetriedEveryTwiceRetryPolls) {
  cInput in = MakeInput();
  in.Poll(0, 3, 3);  // fails: next try after 6 polls
  Joy(0, 0, 32768, 0);
  std::vector<int> seenLeft;
  for (int i = 1; i <= 8; ++i) {
    in.Poll(0, 3, 3);
    if (in.m_wDir & 1) seenLeft.push_back(i);
  }
  EXPECT_EQ(seenLeft, (std::vector<int>{7, 8}));
}

TEST_F(InputPoll, AMissingJoystickDoesNotSilenceAnotherOne) {
  g_KeyConfig.use = 1;
  g_KeyConfig.joysticks = 2;
  g_KeyConfig.assign[0] = KEYASSIGN{0, JOYAXIS_LEFT, 0};
  g_KeyConfig.assign[4] = KEYASSIGN{1, 0x1, 0};
  Joy(0, 0, 32768, 0);
  cInput in = MakeInput();
  for (int i = 0; i < 5; ++i) {
    in.PollKeyConfig(1, 60);
    EXPECT_EQ(in.m_wDir, 1) << i;
  }
}

TEST_F(InputPoll, ThePollsTakeTurnsByTheUseFlag) {
  plat::SetKeyDown(VK_LEFT, true);
  cInput in = MakeInput();
  EXPECT_EQ(in.PollKeyConfig(1, 60), 0);
  EXPECT_EQ(in.m_wDir, 0);
  g_KeyConfig.use = 1;
  in.m_wDir = 0;
  EXPECT_EQ(in.Poll(0, 3, 60), 0);
  EXPECT_EQ(in.m_wDir, 0);
  EXPECT_EQ(in.PollKeyConfig(1, 60), 1);
  EXPECT_EQ(in.m_wDir, 1);
}

TEST_F(InputPoll, ConfiguredPollFollowsTheAssignments) {
  g_KeyConfig.use = 1;
  g_KeyConfig.joysticks = 1;
  g_KeyConfig.assign[2] = KEYASSIGN{0, JOYAXIS_UP, 0};
  g_KeyConfig.assign[5] = KEYASSIGN{0, 0x4, 0};   // button 2 = joystick button 3
  g_KeyConfig.assign[11] = KEYASSIGN{8, 'Q', 0};  // button 8 = Q
  struct Case {
    const char* name;
    std::vector<int> keys;
    uint32_t x, y, buttons;
    int count;
    uint16_t dir, button;
    int code;
  } cases[] = {
      {"left wins over right", {VK_LEFT, VK_RIGHT}, 32768, 32768, 0, 12, 1, 0, 4},
      {"up from the joystick wins over down", {VK_DOWN}, 32768, 10000, 0, 12, 4, 0, 2},
      {"y 55535 is not up", {VK_DOWN}, 32768, 55535, 0, 12, 8, 0, 8},
      {"joystick button mask", {'Z'}, 32768, 32768, 0x4, 12, 0, 3, 5},
      {"reassigned key", {'F', 'Q'}, 32768, 32768, 0, 12, 0, 0x80, 5},
      {"count limits the buttons", {'Z', 'Q'}, 32768, 32768, 0x4, 6, 0, 3, 5},
      {"count 4 reads no buttons", {'Z'}, 32768, 32768, 0, 4, 0, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plat::ClearKeys();
    for (int k : c.keys) plat::SetKeyDown(k, true);
    Joy(0, c.x, c.y, c.buttons);
    g_KeyConfig.count = c.count;
    cInput in = MakeInput();
    EXPECT_EQ(in.PollKeyConfig(1, 60), 1);
    EXPECT_EQ(in.m_wDir, c.dir);
    EXPECT_EQ(in.m_wButton, c.button);
    EXPECT_EQ(in.m_nDirCode, c.code);
  }
}

TEST_F(InputPoll, BadAssignmentsAreNeverPressed) {
  g_KeyConfig.use = 1;
  g_KeyConfig.joysticks = 1;
  g_KeyConfig.count = 1000;
  g_KeyConfig.assign[0] = KEYASSIGN{5, 1, 0};        // joystick beyond the count
  g_KeyConfig.assign[1] = KEYASSIGN{-3, 1, 0};
  g_KeyConfig.assign[4] = KEYASSIGN{8, 0x1234, 0};   // not a virtual key
  Joy(0, 32768, 32768, 0xFFFF);
  Joy(5, 0, 0, 0xFFFF);
  cInput in = MakeInput();
  EXPECT_EQ(in.PollKeyConfig(1, 60), 1);
  EXPECT_EQ(in.m_wDir, 0);
  EXPECT_EQ(in.m_wButton, 0);
}

TEST(InputJoyAxis, ThresholdsOfTheFourAxisCodes) {
  struct Case {
    uint32_t x, y;
    int code;
    bool expected;
  } cases[] = {{10000, 32768, 256, true},  {10001, 32768, 256, false}, {55535, 32768, 512, true},
               {55534, 32768, 512, false}, {32768, 10000, 1024, true}, {32768, 55535, 2048, true},
               {32768, 55534, 2048, false}, {0, 0, 1, false},          {0, 0, 768, false}};
  for (const Case& c : cases) {
    plat::JoyState s;
    s.present = true;
    s.x = c.x;
    s.y = c.y;
    EXPECT_EQ(cInput::IsJoyAxis(s, c.code), c.expected) << c.x << "," << c.y << " " << c.code;
  }
}

TEST(InputDirCode, KeypadCodesOfDirectionBits) {
  const int expected[16] = {5, 4, 6, 4, 2, 1, 3, 1, 8, 7, 9, 7, 2, 1, 3, 1};
  for (int bits = 0; bits < 16; ++bits) EXPECT_EQ(GetDirCode(bits), expected[bits]) << bits;
}

TEST(InputRepeat, HeldDirectionsRepeatPerAxis) {
  cInput in;
  in.SetRepeat(18, 6);
  std::vector<int> passed;
  for (int frame = 0; frame <= 31; ++frame) {
    in.m_wDir = 1;
    in.ApplyRepeat();
    if (in.m_wDir & 1) passed.push_back(frame);
  }
  EXPECT_EQ(passed, (std::vector<int>{0, 18, 24, 30}));

  // Pressing up keeps the horizontal repeat going; releasing is a change too.
  in.m_wDir = 5;
  in.ApplyRepeat();
  EXPECT_EQ(in.m_wDir, 4);  // frame 32 of left: 32 is not a multiple of 6
  in.m_wDir = 4;
  in.ApplyRepeat();
  EXPECT_EQ(in.m_wDir, 0);  // left released: a change, but nothing to pass; up held 1
  in.m_wDir = 6;
  in.ApplyRepeat();
  EXPECT_EQ(in.m_wDir, 2);
  EXPECT_EQ(in.m_wDirTrail, 0x1546);  // the last four raw polls, newest lowest
}

TEST(InputRepeat, AnIntervalOfZeroActsAsOne) {
  cInput in;
  in.SetRepeat(2, 0);
  std::vector<int> passed;
  for (int frame = 0; frame < 5; ++frame) {
    in.m_wDir = 8;
    in.ApplyRepeat();
    if (in.m_wDir) passed.push_back(frame);
  }
  EXPECT_EQ(passed, (std::vector<int>{0, 2, 3, 4}));
}

TEST(InputTrigger, APressPassesOnceUntilEveryButtonIsReleased) {
  struct Step {
    uint16_t held, passed;
  };
  struct Case {
    const char* name;
    int mask;
    std::vector<Step> steps;
  } cases[] = {
      {"all buttons", 0, {{1, 1}, {1, 0}, {3, 0}, {2, 0}, {0, 0}, {2, 2}, {2, 0}}},
      {"the first press lets every button through", 0, {{0x81, 0x81}, {0x81, 0}}},
      {"masked buttons only", 1, {{1, 1}, {3, 2}, {2, 2}, {3, 3}, {0, 0}}},
      {"unmasked buttons never latch", 2, {{1, 1}, {1, 1}, {3, 3}, {1, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cInput in;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      in.m_wButton = c.steps[i].held;
      in.ApplyTrigger(c.mask);
      EXPECT_EQ(in.m_wButton, c.steps[i].passed) << "step " << i;
    }
  }
}

TEST(InputHistory, RingsKeepRunsOfValues) {
  cInput in;
  auto hold = [&](uint16_t dir, uint16_t button, int frames) {
    for (int i = 0; i < frames; ++i) {
      in.m_wDir = dir;
      in.m_wButton = button;
      in.RecordHistory();
    }
  };
  hold(1, 0, 5);
  hold(2, 4, 3);
  struct Case {
    int n;
    uint16_t dir;
  } cases[] = {{0, 2}, {2, 2}, {3, 1}, {7, 1}};
  for (const Case& c : cases) EXPECT_EQ(in.GetHistory(0, c.n), c.dir) << c.n;
  EXPECT_EQ(in.GetHistory(1, 2), 4);
  EXPECT_EQ(in.GetHistory(1, 3), 0);
  EXPECT_EQ(in.GetHistory(0, 2147483647), in.GetHistory(0, 2147483646));

  // The ring reaches back 32 changes: the 33rd-newest value is gone.
  in.ClearHistory();
  for (int v = 1; v <= 40; ++v) hold(static_cast<uint16_t>(v), 0, 1);
  EXPECT_EQ(in.GetHistory(0, 0), 40);
  EXPECT_EQ(in.GetHistory(0, 31), 9);
  // Further back the walk goes once round the ring and ends where it began.
  EXPECT_EQ(in.GetHistory(0, 32), 40);

  in.ClearHistory();
  EXPECT_EQ(in.m_nHistoryIndex[0], 0);
  EXPECT_EQ(in.GetHistory(0, 0), 0);
}

TEST(InputHistory, FramesSaturate) {
  cInput in;
  in.m_History[0][0] = INPUTHISTORY{0, 2147483647};
  in.RecordHistory();
  EXPECT_EQ(in.m_History[0][0].frames, 2147483647);
  std::vector<PRESSRUN> h(32, PRESSRUN{1, 2147483647});
  cInput::UpdatePressRun(h, 1, 1, 1);
  EXPECT_EQ(h[0].frames, 2147483647);
}

TEST(InputPressHistory, RunsOfEachStateNewestFirst) {
  cInput in;
  for (int i = 0; i < cInput::kDirStates; ++i) ASSERT_EQ(in.DirPressHistory(i).size(), 32u);
  for (int i = 0; i < cInput::kButtonStates; ++i) ASSERT_EQ(in.ButtonPressHistory(i).size(), 32u);
  auto hold = [&](uint16_t dir, uint16_t button, int frames) {
    for (int i = 0; i < frames; ++i) {
      in.m_wDir = dir;
      in.m_wButton = button;
      in.RecordPressHistory();
    }
  };
  hold(5, 2, 4);  // up-left, button 2
  hold(1, 0, 2);  // left
  auto run = [](const std::vector<PRESSRUN>& h, int k) { return std::make_pair(h[k].pressed, h[k].frames); };
  using P = std::pair<int, int>;
  EXPECT_EQ(run(in.DirPressHistory(1), 0), P(1, 2));  // left: exact value
  EXPECT_EQ(run(in.DirPressHistory(1), 1), P(0, 4));
  EXPECT_EQ(run(in.DirPressHistory(5), 0), P(0, 2));  // up-left
  EXPECT_EQ(run(in.DirPressHistory(5), 1), P(1, 4));
  EXPECT_EQ(run(in.DirPressHistory(5), 2), P(0, 0));
  EXPECT_EQ(run(in.DirPressHistory(9), 0), P(1, 6));  // any direction
  EXPECT_EQ(run(in.DirPressHistory(0), 0), P(0, 6));  // neutral never entered: the zero run grows
  EXPECT_EQ(run(in.ButtonPressHistory(2), 0), P(0, 2));
  EXPECT_EQ(run(in.ButtonPressHistory(2), 1), P(1, 4));
  EXPECT_EQ(run(in.ButtonPressHistory(0), 0), P(1, 2));  // no button
  EXPECT_EQ(run(in.ButtonPressHistory(0), 1), P(0, 4));

  // Alternating for long keeps 32 runs; trimming restores the length.
  for (int i = 0; i < 50; ++i) hold(i % 2 ? 2 : 0, 0, 1);
  EXPECT_EQ(in.DirPressHistory(2).size(), 32u);
  in.m_vecDirPress[2].resize(3);
  in.m_vecButtonPress[8].resize(40, PRESSRUN{1, 1});
  in.TrimPressHistory();
  EXPECT_EQ(in.DirPressHistory(2).size(), 32u);
  EXPECT_EQ(run(in.DirPressHistory(2), 31), P(0, 0));
  EXPECT_EQ(in.ButtonPressHistory(8).size(), 32u);
}

TEST(InputPressHistory, UpdateRuleOfOneHistory) {
  struct Case {
    int value, state, flag;
    int32_t newestPressed;
    PRESSRUN first, second;
  } cases[] = {
      {3, 1, 1, 0, {1, 1}, {0, 7}},  // bit test: active
      {3, 1, 0, 0, {0, 8}, {0, 0}},  // exact: not active, run grows
      {1, 1, 0, 1, {1, 8}, {0, 0}},
      {0, 1, 1, 1, {0, 1}, {1, 7}},
      {0, 0, 0, 2, {2, 8}, {0, 0}},  // any non-zero pressed field counts as pressed
  };
  for (const Case& c : cases) {
    std::vector<PRESSRUN> h(32, PRESSRUN{0, 0});
    h[0] = PRESSRUN{c.newestPressed, 7};
    h[31] = PRESSRUN{1, 99};
    cInput::UpdatePressRun(h, c.value, c.state, c.flag);
    ASSERT_EQ(h.size(), 32u);
    EXPECT_EQ(h[0].pressed, c.first.pressed) << c.value << c.state << c.flag;
    EXPECT_EQ(h[0].frames, c.first.frames);
    EXPECT_EQ(h[1].pressed, c.second.pressed);
    EXPECT_EQ(h[1].frames, c.second.frames);
  }
}

}  // namespace
