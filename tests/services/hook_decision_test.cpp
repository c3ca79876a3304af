#include <gtest/gtest.h>

#include <cstdint>

#include "platform/input.h"
#include "services/keyboard_hook.h"

namespace {

HWND Handle(uintptr_t n) { return reinterpret_cast<HWND>(n); }

TEST(KeyboardHook, SpecialKeys) {
  for (int vk = 0; vk < 256; ++vk) {
    const bool special = vk == VK_SPACE || (vk >= 0x25 && vk <= 0x28) || vk == VK_DELETE || (vk >= 0x70 && vk <= 0x77);
    EXPECT_EQ(cHook::IsSpecialKey(vk), special) << vk;
  }
}

TEST(KeyboardHook, DecisionTable) {
  constexpr int kA = 'A', kF8 = 0x77, kF9 = 0x78;
  struct Case {
    int vk;
    bool release, composing;
    eHookPost post;
    bool toComposition, toGame;
  } cases[] = {
      {VK_LEFT, false, false, eHookPost::SpecialKey, false, false},
      {VK_DOWN, false, false, eHookPost::SpecialKey, false, false},
      {VK_SPACE, false, false, eHookPost::SpecialKey, false, false},
      {VK_DELETE, false, false, eHookPost::SpecialKey, false, false},
      {kF8, false, false, eHookPost::SpecialKey, false, false},
      {kF9, false, false, eHookPost::KeyDown, false, false},
      {VK_LEFT, false, true, eHookPost::KeyDown, false, false},  // while composing: a plain key-down
      {VK_RETURN, false, true, eHookPost::None, true, false},    // Enter is the composition's
      {VK_RETURN, false, false, eHookPost::KeyDown, false, false},
      {VK_TAB, false, false, eHookPost::None, false, false},     // never re-posted
      {VK_TAB, false, true, eHookPost::None, false, false},
      {VK_ESCAPE, false, false, eHookPost::KeyDown, false, false},  // to the dialog, never the game
      {kA, false, false, eHookPost::KeyDown, false, false},
      {VK_ESCAPE, true, false, eHookPost::KeyUp, false, true},   // releases still clear the key table
      {VK_RETURN, true, true, eHookPost::KeyUp, false, true},
      {VK_LEFT, true, false, eHookPost::KeyUp, false, true},
  };
  for (const Case& c : cases) {
    bool ctrl = false;
    const cHookDecision d = cHook::Decide(c.vk, c.release, c.composing, false, &ctrl);
    EXPECT_EQ(d.post, c.post) << c.vk << " release " << c.release << " composing " << c.composing;
    EXPECT_TRUE(d.toControl) << c.vk;  // the focused control always gets the key as well
    EXPECT_EQ(d.toComposition, c.toComposition) << c.vk;
    EXPECT_EQ(d.toGame, c.toGame) << c.vk;
    EXPECT_FALSE(ctrl);
  }
}

TEST(KeyboardHook, CtrlHeldSilencesAModelessDialogOnly) {
  for (bool modeless : {false, true}) {
    bool ctrl = false;
    EXPECT_EQ(cHook::Decide(VK_CONTROL, false, false, modeless, &ctrl).post,
              modeless ? eHookPost::None : eHookPost::KeyDown);
    EXPECT_TRUE(ctrl);
    EXPECT_EQ(cHook::Decide('C', false, false, modeless, &ctrl).post, modeless ? eHookPost::None : eHookPost::KeyDown);
    EXPECT_EQ(cHook::Decide('C', true, false, modeless, &ctrl).post, modeless ? eHookPost::None : eHookPost::KeyUp);
    // Special keys go to the dialog even with Ctrl held.
    EXPECT_EQ(cHook::Decide(VK_UP, false, false, modeless, &ctrl).post, eHookPost::SpecialKey);
    // Ctrl's release clears the flag first, so it is re-posted.
    EXPECT_EQ(cHook::Decide(VK_CONTROL, true, false, modeless, &ctrl).post, eHookPost::KeyUp);
    EXPECT_FALSE(ctrl);
    EXPECT_EQ(cHook::Decide('C', false, false, modeless, &ctrl).post, eHookPost::KeyDown);
  }
}

TEST(KeyboardHook, OnlyTheActiveHookedDialogIsServed) {
  const HWND dialog = Handle(0x1000), other = Handle(0x2000);
  {
    cHook hook;
    ASSERT_TRUE(hook.Hook(dialog, 0));
    EXPECT_TRUE(IsKeyboardHooked());
    cHookDecision d = cHook::HookProc(dialog, VK_LEFT, false, false);
    EXPECT_EQ(d.post, eHookPost::SpecialKey);
    EXPECT_EQ(d.dialog, dialog);
    EXPECT_FALSE(d.toGame);
    // Another active window (the game's own): untouched.
    d = cHook::HookProc(other, VK_ESCAPE, false, false);
    EXPECT_EQ(d.post, eHookPost::None);
    EXPECT_EQ(d.dialog, nullptr);
    EXPECT_TRUE(d.toGame);
    // Hooking again to another window unties the first.
    ASSERT_TRUE(hook.Hook(other, 0));
    EXPECT_EQ(cHook::HookProc(dialog, VK_ESCAPE, false, false).post, eHookPost::None);
    EXPECT_EQ(cHook::HookProc(other, VK_ESCAPE, false, false).post, eHookPost::KeyDown);
  }
  // A destroyed hook leaves nothing behind for a reused handle.
  EXPECT_TRUE(cHook::HookProc(other, VK_ESCAPE, false, false).toGame);

  cHook hook;
  ASSERT_TRUE(hook.Hook(dialog, 0));
  UnhookKeyboard();
  EXPECT_FALSE(IsKeyboardHooked());
  EXPECT_EQ(cHook::HookProc(dialog, VK_ESCAPE, false, false).post, eHookPost::None);
  ASSERT_TRUE(hook.Hook(dialog, 0));  // the next dialog installs it again
  EXPECT_EQ(cHook::HookProc(dialog, VK_ESCAPE, false, false).post, eHookPost::KeyDown);
  UnhookKeyboard();
}

}  // namespace
