// A dialog's modal loop in a real (dummy-driver) window: events arrive while
// it waits, its pictures go to the window, and it ends on its buttons.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/video.h"
#include "services/gui_controls.h"
#include "services/gui_dialog.h"

namespace {

const sDialogResource kAsk{
    303, 120, 50, "Ask",
    {
        {eItemKind::Edit, 5, 5, 5, 100, 12, "", false},
        {eItemKind::DefButton, IDOK, 5, 25, 40, 14, "OK", false},
        {eItemKind::Button, IDCANCEL, 50, 25, 40, 14, "Cancel", false},
    }};

class cAsk : public cDialog {
 public:
  explicit cAsk(std::string* text) : m_pText(text) { Init(&kAsk, nullptr, text); }
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cDialog::OnInitDialog(w, l);
    m_Edit.Attach(this, 5, m_pText, 8, 0, 1, 1);
    DataToControls();
  }
  void OnCommand(WPARAM w, LPARAM l) override {
    int id = static_cast<int>(w & 0xFFFF);
    if (id == IDOK) ControlsToData();
    if (id == IDOK || id == IDCANCEL) Close(id);
    else cDialog::OnCommand(w, l);
  }
  int loops = 0;

 private:
  std::string* m_pText;
  cEdit m_Edit;
};

LRESULT NoProc(HWND, uint32_t, WPARAM, LPARAM) { return 0; }

TEST(GuiWindowLoop, ModalLoopInAWindowTakesEventsWhileItWaits) {
  plat::RegisterMainThread();
  ::setenv("SDL_VIDEODRIVER", "dummy", 1);
  std::string error;
  ASSERT_TRUE(plat::InitVideo(plat::VideoSettings{}, &error)) << error;
  ASSERT_NE(plat::CreateMainWindow("test", 640, 480, NoProc), nullptr);
  ASSERT_TRUE(plat::HasVideoWindow());
  plat::ClearDialogInput();
  plat::SetKeyDown(VK_ESCAPE, true);  // held when the dialog opens

  std::string text = "x";
  cAsk dlg(&text);
  std::atomic<bool> done{false};
  std::thread typist([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(plat::DialogInputActive());
    plat::InjectDialogText("abc");
    plat::InjectDialogKey(VK_RETURN);
    // Should the loop not end, cancel it rather than hang the test.
    for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!done) plat::InjectDialogKey(VK_ESCAPE);
  });
  int result = dlg.DoModal(0);
  done = true;
  typist.join();
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(text, "abc");
  // The game never saw the dialog's keys, and the key held at the start is up.
  EXPECT_FALSE(plat::IsKeyDown(VK_ESCAPE));
  EXPECT_FALSE(plat::DialogInputActive());
  // The dialog's picture reached the window.
  std::vector<uint32_t> shown;
  int w = 0, h = 0;
  EXPECT_TRUE(plat::CopyShownFrame(&shown, &w, &h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  plat::ShutdownVideo();
}

}  // namespace
