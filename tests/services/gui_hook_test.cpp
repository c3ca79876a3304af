// Dialog keys as the keyboard hook decides them: what the focused control,
// the dialog's bound controls and the game's key table each see.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/answers.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "services/gui_dialog.h"
#include "services/keyboard_hook.h"

namespace {

constexpr uint16_t kName = 201;

const sDialogResource kEntry = {
    300, 160, 60, "Entry",
    {
        {eItemKind::Edit, kName, 8, 8, 100, 12, "", false},
        {eItemKind::DefButton, IDOK, 8, 40, 50, 14, "OK", false},
        {eItemKind::Button, IDCANCEL, 70, 40, 50, 14, "Cancel", false},
    }};

// Records the hook's posts as the dialog receives them, and what the bound
// controls are handed.
class cKeyProbe : public cControl {
 public:
  std::vector<int> keys;
  std::vector<bool> ctrl;
  void OnKey(int key, LPARAM, bool ctrlHeld) override {
    keys.push_back(key);
    ctrl.push_back(ctrlHeld);
  }
};

class cEntryDialog : public cDialog {
 public:
  cEntryDialog() { Init(&kEntry, nullptr, nullptr); }
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cDialog::OnInitDialog(w, l);
    probe.Attach(this, 0);
    SetItemText(kName, "abc");
    SetFocusId(kName);
  }
  void OnHookMessage(uint32_t message, WPARAM wParam, LPARAM lParam, bool ctrl) override {
    hookMessages.push_back({message, static_cast<int>(wParam)});
    cDialog::OnHookMessage(message, wParam, lParam, ctrl);
  }
  void OnKeyDown(int vk, LPARAM lParam, bool ctrl) override {
    keyDowns.push_back(vk);
    focusAtKey.push_back(FocusId());
    cDialog::OnKeyDown(vk, lParam, ctrl);
  }
  void OnCommand(WPARAM w, LPARAM l) override {
    uint16_t id = static_cast<uint16_t>(w & 0xFFFF);
    if (id == IDOK || id == IDCANCEL) {
      nameAtClose = GetItemText(kName);
      Close(id);
    } else {
      cDialog::OnCommand(w, l);
    }
  }
  std::vector<std::pair<uint32_t, int>> hookMessages;
  std::vector<int> keyDowns;
  std::vector<uint16_t> focusAtKey;
  std::string nameAtClose;
  cKeyProbe probe;
};

class GuiHook : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::ClearDialogInput();
    plat::ClearKeys();
    std::string unused;
    while (plat::NextAnswer(&unused)) {}
  }
  void TearDown() override {
    plat::SetDialogComposing(false);
    UnhookKeyboard();
  }
};

TEST_F(GuiHook, SpecialKeysComeAsTheHookMessageUnlessAComposition) {
  const std::vector<int> special{VK_SPACE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_DELETE,
                                 VK_F1,    VK_F1 + 1, VK_F1 + 2, VK_F1 + 3, VK_F1 + 4,
                                 VK_F1 + 5, VK_F1 + 6, VK_F1 + 7};
  for (bool composing : {false, true}) {
    SCOPED_TRACE(composing ? "composing" : "no composition");
    plat::ClearDialogInput();
    cEntryDialog dlg;
    plat::SetDialogComposing(composing);
    for (int vk : special) plat::InjectDialogKey(vk);
    plat::InjectDialogKey(VK_F1 + 8);  // F9 is no special key: a plain key-down
    plat::InjectDialogKey(VK_ESCAPE);
    EXPECT_EQ(dlg.DoModal(0), IDCANCEL);

    std::vector<std::pair<uint32_t, int>> messages;
    if (!composing)
      for (int vk : special) messages.push_back({kHookSpecialKeyMessage, vk});
    EXPECT_EQ(dlg.hookMessages, messages);
    // Either way the dialog handles them as key-downs and its controls get them.
    std::vector<int> downs = special;
    downs.push_back(VK_F1 + 8);
    EXPECT_EQ(dlg.keyDowns, downs);
    EXPECT_EQ(dlg.probe.keys, downs);
    // The focused edit took them as well: Left and Right moved its caret
    // to after "a", Delete removed the "b".
    EXPECT_EQ(dlg.nameAtClose, "ac");
  }
}

TEST_F(GuiHook, TabMovesTheFocusButIsNeverRePosted) {
  for (bool composing : {false, true}) {
    SCOPED_TRACE(composing ? "composing" : "no composition");
    plat::ClearDialogInput();
    cEntryDialog dlg;
    plat::SetDialogComposing(composing);
    plat::InjectDialogKey(VK_TAB);
    plat::InjectDialogKey(VK_F1);
    plat::InjectDialogKey(VK_TAB, true);
    plat::InjectDialogKey(VK_F1 + 1);
    plat::InjectDialogKey(VK_ESCAPE);
    EXPECT_EQ(dlg.DoModal(0), IDCANCEL);
    EXPECT_EQ(dlg.keyDowns, (std::vector<int>{VK_F1, VK_F1 + 1}));
    EXPECT_EQ(dlg.focusAtKey, (std::vector<uint16_t>{IDOK, kName}));
  }
}

TEST_F(GuiHook, EnterBelongsToAnOpenCompositionElseToTheDefaultButton) {
  for (bool composing : {false, true}) {
    SCOPED_TRACE(composing ? "composing" : "no composition");
    plat::ClearDialogInput();
    cEntryDialog dlg;
    plat::SetDialogComposing(composing);
    plat::InjectDialogKey(VK_RETURN);
    plat::InjectDialogKey(VK_ESCAPE);
    EXPECT_EQ(dlg.DoModal(0), composing ? IDCANCEL : IDOK);
    // Neither the dialog nor its controls saw the composition's Enter.
    EXPECT_TRUE(dlg.keyDowns.empty());
  }
}

TEST_F(GuiHook, PressesNeverReachTheGameAndReleasesDo) {
  // Keys held when the dialog opened.
  plat::SetKeyDown('Z', true);
  plat::SetKeyDown(VK_LCONTROL, true);
  plat::SetKeyDown(VK_CONTROL, true);
  cEntryDialog dlg;
  plat::InjectDialogKey('A');
  plat::InjectDialogKeyUp('Z');
  plat::InjectDialogKeyUp(VK_LCONTROL);
  plat::InjectDialogKey(VK_ESCAPE);
  EXPECT_EQ(dlg.DoModal(0), IDCANCEL);
  // Esc cancelled the dialog and is not down for the game's own Esc close.
  EXPECT_FALSE(plat::IsKeyDown(VK_ESCAPE));
  EXPECT_FALSE(plat::IsKeyDown('A'));
  // The releases cleared the key table, the generic Ctrl with its side.
  EXPECT_FALSE(plat::IsKeyDown('Z'));
  EXPECT_FALSE(plat::IsKeyDown(VK_LCONTROL));
  EXPECT_FALSE(plat::IsKeyDown(VK_CONTROL));
  // 'A' and Esc were re-posted to the dialog; releases reach no control.
  EXPECT_EQ(dlg.keyDowns, (std::vector<int>{'A'}));
}

TEST_F(GuiHook, CtrlSilencesOnlyAModelessDialog) {
  // Our dialogs are modal: with Ctrl held keys still reach their controls.
  cEntryDialog dlg;
  plat::InjectDialogKey(VK_LCONTROL, false, true);
  plat::InjectDialogKey('C', false, true);
  plat::InjectDialogKeyUp('C');
  plat::InjectDialogKeyUp(VK_LCONTROL);
  plat::InjectDialogKey(VK_ESCAPE);
  EXPECT_EQ(dlg.DoModal(0), IDCANCEL);
  // The hook sees (and re-posts) the generic Ctrl, as either side.
  EXPECT_EQ(dlg.probe.keys, (std::vector<int>{VK_CONTROL, 'C'}));
  EXPECT_EQ(dlg.probe.ctrl, (std::vector<bool>{true, true}));

  // A modeless tie on the same thread is silent while Ctrl is held.
  const HWND modeless = reinterpret_cast<HWND>(uintptr_t{0x3000});
  cHook hook;
  ASSERT_TRUE(hook.Hook(modeless, 1));
  EXPECT_EQ(cHook::HookProc(modeless, VK_CONTROL, false, false).post, eHookPost::None);
  cHookDecision d = cHook::HookProc(modeless, 'C', false, false);
  EXPECT_EQ(d.post, eHookPost::None);
  EXPECT_FALSE(d.toGame);
  EXPECT_EQ(cHook::HookProc(modeless, VK_CONTROL, true, false).post, eHookPost::KeyUp);
  EXPECT_EQ(cHook::HookProc(modeless, 'C', false, false).post, eHookPost::KeyDown);
}

}  // namespace
