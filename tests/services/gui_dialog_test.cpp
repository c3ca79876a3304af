// Modal dialogs driven by injected key and text events, and by answers.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/answers.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "services/gui_controls.h"
#include "services/gui_dialog.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

enum : uint16_t { kWindowed = 101, kFull = 102, kNoAsk = 103, kName = 104 };

const sDialogResource kOptions{
    300, 160, 100, "Options",
    {
        {eItemKind::Static, 100, 10, 0, 100, 8, "Mode", false},
        {eItemKind::Radio, kWindowed, 10, 10, 80, 10, "Window", true},
        {eItemKind::Radio, kFull, 10, 22, 80, 10, "Full screen", false},
        {eItemKind::CheckBox, kNoAsk, 10, 36, 80, 10, "Do not ask", true},
        {eItemKind::Edit, kName, 10, 50, 100, 12, "", false},
        {eItemKind::DefButton, IDOK, 20, 80, 50, 14, "OK", false},
        {eItemKind::Button, IDCANCEL, 80, 80, 50, 14, "Cancel", false},
    }};

struct Options {
  int mode = 0;  // 1 window, 0 full screen
  int noAsk = 0;
  std::string name;
};

// Records where the focus is whenever a key reaches the bound controls.
class cFocusProbe : public cControl {
 public:
  std::vector<uint16_t> seen;
  void OnKey(int, LPARAM, bool) override { seen.push_back(m_pDialog->FocusId()); }
};

class cOptionsDialog : public cDialog {
 public:
  explicit cOptionsDialog(Options* data) : m_pOptions(data) { Init(&kOptions, nullptr, data); }
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cDialog::OnInitDialog(w, l);
    m_Windowed.Attach(this, kWindowed, &m_pOptions->mode, 1);
    m_Full.Attach(this, kFull, &m_pOptions->mode, 0);
    m_NoAsk.Attach(this, kNoAsk, &m_pOptions->noAsk);
    m_Name.Attach(this, kName, &m_pOptions->name, 3, 3, 1, 1);
    m_Probe.Attach(this, 0);
    DataToControls();
  }
  void OnCommand(WPARAM w, LPARAM l) override {
    uint16_t id = static_cast<uint16_t>(w & 0xFFFF);
    commands.push_back(id);
    if (id == IDOK) {
      ControlsToData();
      Close(IDOK);
    } else if (id == IDCANCEL) {
      Close(IDCANCEL);
    } else {
      cDialog::OnCommand(w, l);
    }
  }
  std::vector<uint16_t> commands;
  cFocusProbe m_Probe;

 private:
  Options* m_pOptions;
  cRadioButton m_Windowed, m_Full;
  cCheckBox m_NoAsk;
  cEdit m_Name;
};

struct Key {
  int vk;
  bool shift;
};

void Inject(const std::vector<Key>& keys) {
  for (const Key& k : keys) plat::InjectDialogKey(k.vk, k.shift);
}

class GuiDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::ClearDialogInput();
    // No answers left over from elsewhere: the dialogs here end by their keys.
    std::string unused;
    while (plat::NextAnswer(&unused)) {}
  }
};

TEST_F(GuiDialog, TabOrderVisitsEachStopOnceAndARadioGroupOnce) {
  Options data;  // full screen: the group's stop is its checked button
  cOptionsDialog dlg(&data);
  // Tab itself never reaches the bound controls; F1 (re-posted to them)
  // after each Tab shows where the focus went.
  Inject({{VK_TAB, false}, {VK_F1, false}, {VK_TAB, false}, {VK_F1, false}, {VK_TAB, false},
          {VK_F1, false}, {VK_TAB, false}, {VK_F1, false}, {VK_TAB, false}, {VK_F1, false},
          {VK_TAB, true}, {VK_F1, false}, {VK_TAB, true}, {VK_F1, false}, {VK_ESCAPE, false}});
  EXPECT_EQ(dlg.DoModal(0), IDCANCEL);
  std::vector<uint16_t> expected{kNoAsk, kName, IDOK, IDCANCEL, kFull, IDCANCEL, IDOK};
  EXPECT_EQ(dlg.m_Probe.seen, expected);
  EXPECT_FALSE(dlg.IsOpen());
  EXPECT_FALSE(plat::DialogInputActive());
}

TEST_F(GuiDialog, BoundValuesAreCopiedBackOnlyByTheAcceptButton) {
  struct Case {
    const char* what;
    std::vector<Key> finish;
    int result;
    bool copied;
  } cases[] = {
      {"Enter presses the default button", {{VK_RETURN, false}}, IDOK, true},
      {"Esc cancels", {{VK_ESCAPE, false}}, IDCANCEL, false},
      {"Enter on the focused Cancel button", {{VK_TAB, false}, {VK_TAB, false}, {VK_RETURN, false}},
       IDCANCEL, false},
      {"Space on the focused OK button", {{VK_TAB, false}, {VK_SPACE, false}}, IDOK, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    plat::ClearDialogInput();
    Options data;
    data.name = "Al";
    cOptionsDialog dlg(&data);
    // Up picks "Window" in the radio group, Space ticks the check box, the
    // edit (entered with its text selected) takes "Bob".
    Inject({{VK_UP, false}, {VK_TAB, false}, {VK_SPACE, false}, {VK_TAB, false}});
    plat::InjectDialogText("Bob");
    Inject(c.finish);
    EXPECT_EQ(dlg.DoModal(0), c.result);
    if (c.copied) {
      EXPECT_EQ(data.mode, 1);
      EXPECT_EQ(data.noAsk, 1);
      EXPECT_EQ(data.name, "Bob");
    } else {
      EXPECT_EQ(data.mode, 0);
      EXPECT_EQ(data.noAsk, 0);
      EXPECT_EQ(data.name, "Al");
    }
  }
}

TEST_F(GuiDialog, RadioPairAndCheckBoxShowTheirData) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    plat::ClearDialogInput();
    Options data;
    data.mode = mode;
    data.noAsk = 1;
    cOptionsDialog dlg(&data);
    // Space on the checked radio keeps it; Tab, Space unticks; Enter accepts.
    Inject({{VK_SPACE, false}, {VK_TAB, false}, {VK_SPACE, false}, {VK_RETURN, false}});
    EXPECT_EQ(dlg.DoModal(0), IDOK);
    EXPECT_EQ(data.mode, mode);
    EXPECT_EQ(data.noAsk, 0);
    // The first stop is the checked button of the group.
    ASSERT_FALSE(dlg.m_Probe.seen.empty());
    EXPECT_EQ(dlg.m_Probe.seen[0], mode ? kWindowed : kFull);
  }
}

// A point of the options dialog's client area, in dialog units, as a
// position in the game window (the dialog is centred there).
std::pair<int, int> At(int x, int y) {
  int ww = DialogUnitsToPixelsX(kOptions.cx) + 2 * kDlgFrame;
  int wh = DialogUnitsToPixelsY(kOptions.cy) + kCaptionHeight + 2 * kDlgFrame;
  int left = (cWindow::DesktopWidth() - ww) / 2, top = (cWindow::DesktopHeight() - wh) / 2;
  return {left + kDlgFrame + DialogUnitsToPixelsX(x),
          top + kDlgFrame + kCaptionHeight + DialogUnitsToPixelsY(y)};
}

void Click(int x, int y) {
  auto [px, py] = At(x, y);
  plat::InjectDialogClick(px, py);
}

TEST_F(GuiDialog, ClicksPickTheControlUnderThePointer) {
  Options data;
  data.name = "Al";
  cOptionsDialog dlg(&data);
  Click(12, 12);    // "Window"
  Click(12, 38);    // "Do not ask"
  Click(150, 38);   // beside the controls: nothing
  Click(12, 52);    // the edit: caret at the end
  plat::InjectDialogText("Q");
  Click(22, 82);    // OK
  EXPECT_EQ(dlg.DoModal(0), IDOK);
  EXPECT_EQ(data.mode, 1);
  EXPECT_EQ(data.noAsk, 1);
  EXPECT_EQ(data.name, "AlQ");
}

TEST_F(GuiDialog, EnterIsLeftToAnOpenComposition) {
  Options data;
  cOptionsDialog dlg(&data);
  plat::SetDialogComposing(true);
  Inject({{VK_RETURN, false}, {VK_ESCAPE, false}});
  EXPECT_EQ(dlg.DoModal(0), IDCANCEL);
  EXPECT_FALSE(plat::DialogComposing());
  EXPECT_EQ(dlg.commands, std::vector<uint16_t>{IDCANCEL});
}

TEST_F(GuiDialog, AWindowThatIsAlreadyOpenRefusesASecondModalRun) {
  Options data;
  struct cNested : cOptionsDialog {
    using cOptionsDialog::cOptionsDialog;
    int inner = -1;
    void OnInitDialog(WPARAM w, LPARAM l) override {
      cOptionsDialog::OnInitDialog(w, l);
      inner = DoModal(0);
    }
  } dlg(&data);
  Inject({{VK_ESCAPE, false}});
  EXPECT_EQ(dlg.DoModal(0), IDCANCEL);
  EXPECT_EQ(dlg.inner, 0);
}

TEST_F(GuiDialog, WithoutAWindowTheAnswersScriptDecides) {
  t4test::TempFolder tmp;
  std::string path = tmp / "answers.txt";
  ASSERT_TRUE(tmp.MakeFile("answers.txt",
                           "ok;104=Zed;103=1;101=1\n"
                           "cancel;104=Q\n"
                           "nonsense\n"
                           "Cancel\n"));
  ASSERT_TRUE(plat::LoadAnswers(path, nullptr));
  ReportLogCapture log(tmp.path());
  struct Case {
    int result;
    int mode, noAsk;
    const char* name;
  } cases[] = {
      {IDOK, 1, 1, "Zed"},      // buttons and values from the line
      {IDCANCEL, 0, 0, "Al"},   // nothing copied back on cancel
      {IDOK, 0, 0, "Al"},       // an unknown button: the default one
      {IDCANCEL, 0, 0, "Al"},   // a button found by its label
      {IDOK, 0, 0, "Al"},       // script used up: the default button
  };
  for (const Case& c : cases) {
    Options data;
    data.name = "Al";
    cOptionsDialog dlg(&data);
    EXPECT_EQ(dlg.DoModal(0), c.result);
    EXPECT_EQ(data.mode, c.mode);
    EXPECT_EQ(data.noAsk, c.noAsk);
    EXPECT_EQ(data.name, c.name);
  }
  // The dialog's title and texts and each answer are in the report log.
  std::vector<std::string> lines = log.Lines();
  auto has = [&](const std::string& text) {
    for (const std::string& l : lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("Dialog : Options"));
  EXPECT_TRUE(has("Mode"));
  EXPECT_TRUE(has("answer : 2"));
  EXPECT_TRUE(has("\"nonsense\" names no button"));
}

TEST(GuiWindow, LocateCentresOnTheOwnerAndKeepsInsideTheDesktop) {
  cWindow owner;
  owner.SetLayout(640, 480, 100, 100, 640, 480, 0, 0, 0, 0, 0, 0);
  owner.SetPos(0, 0);
  cWindow w;
  w.SetLayout(200, 100, 100, 100, 640, 480, kWsCaption, 0, 0, 0, 0, 0);
  EXPECT_EQ(w.Layout().windowW, 200 + 2 * kDlgFrame);
  EXPECT_EQ(w.Layout().windowH, 100 + kCaptionHeight + 2 * kDlgFrame);
  w.SetOwner(&owner, true);
  w.Locate();
  EXPECT_EQ(w.PosX(), 220);
  EXPECT_EQ(w.PosY(), 190);
  owner.SetPos(600, 450);  // would put the window past the desktop's edge
  w.Locate();
  EXPECT_EQ(w.PosX(), 640 - w.Layout().windowW);
  EXPECT_EQ(w.PosY(), 480 - w.Layout().windowH);

  cWindow alone;  // no owner, no stored position: left where it is
  alone.SetLayout(100, 100, 100, 100, 640, 480, 0, 0, 0, 0, 0, 0);
  alone.SetPos(7, 9);
  alone.Locate();
  EXPECT_EQ(alone.PosX(), 7);
  EXPECT_EQ(alone.PosY(), 9);
}

TEST(GuiWindow, ACommandSentFromInsideACommandIsRefused) {
  struct cRecorder : cWindow {
    std::vector<int> seen;
    int inner = -1;
    void OnCommand(WPARAM w, LPARAM) override {
      seen.push_back(static_cast<int>(w & 0xFFFF));
      if (seen.size() == 1) inner = SendCommand(9, 0);
    }
  } win;
  EXPECT_EQ(win.SendCommand(5, 0), 1);
  EXPECT_EQ(win.inner, 0);
  EXPECT_EQ(win.SendCommand(6, 0), 1);
  EXPECT_EQ(win.seen, (std::vector<int>{5, 6}));
}

}  // namespace

namespace {

TEST(GuiMouse, EachPressAndReleaseIsReportedForExactlyOneUpdate) {
  cMouse::ResetLatches();
  cMouse m;
  struct Step {
    bool down;
    int held, pressed, released;
  } steps[] = {
      {false, 0, 0, 0}, {true, 1, 1, 0}, {true, 1, 0, 0}, {true, 1, 0, 0},
      {false, 0, 0, 1}, {false, 0, 0, 0}, {true, 1, 1, 0}, {false, 0, 0, 1},
  };
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(n++);
    m.UpdateFrom(7, s.down, false);
    EXPECT_EQ(m.left, s.held);
    EXPECT_EQ(m.leftPressed, s.pressed);
    EXPECT_EQ(m.leftReleased, s.released);
    EXPECT_EQ(m.rightPressed, 0);
  }
  // The latch is shared: a second window sees no new press while the button is held.
  cMouse::ResetLatches();
  cMouse a, b;
  a.UpdateFrom(7, true, true);
  b.UpdateFrom(7, true, true);
  EXPECT_EQ(a.leftPressed + a.rightPressed, 2);
  EXPECT_EQ(b.leftPressed + b.rightPressed, 0);
}

TEST(GuiMouse, PointerOutsideTheUsableAreaIsIgnoredUnlessAsked) {
  cMouse::ResetLatches();
  cWindow w;
  w.SetLayout(200, 100, 100, 100, 640, 480, kWsCaption, 0, 1, 0, 0, 0);  // one tool-bar row
  w.SetPos(50, 40);
  int top = 40 + kCaptionHeight + kDlgFrame + 28;
  EXPECT_EQ(w.UpdateMouseAt(false, 7, 50 + kDlgFrame + 10, top + 5, true, false), 1);
  EXPECT_EQ(w.Mouse().x, 10);
  EXPECT_EQ(w.Mouse().y, 5);
  EXPECT_EQ(w.Mouse().left, 1);
  EXPECT_EQ(w.UpdateMouseAt(false, 7, 50 + kDlgFrame + 10, top - 3, false, false), 0);
  EXPECT_EQ(w.Mouse().left, 1);  // untouched
  EXPECT_EQ(w.UpdateMouseAt(true, 7, 50 + kDlgFrame + 10, top - 3, false, false), 1);
  EXPECT_EQ(w.Mouse().y, -3);
  EXPECT_EQ(w.Mouse().leftReleased, 1);
}

}  // namespace
