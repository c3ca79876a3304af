// The start-up dialog puts the pointer on its Start button.
#include <gtest/gtest.h>

#include "app/boot_dialog.h"
#include "platform/answers.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/video.h"
#include "records/boot_data.h"
#include "records/start_option.h"
#include "support/temp_folder.h"

namespace {

// The dialog's place and Start's rectangle in game-window pixels, and where
// the pointer was put, all seen right after the set-up.
struct cPointerProbe : cBootDialog {
  using cBootDialog::cBootDialog;
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cBootDialog::OnInitDialog(w, l);
    x = PosX();
    y = PosY();
    if (const cDialogItem* start = GetItem(kBootStartId)) {
      startX = PosX() + Layout().frameLeft + start->x;
      startY = PosY() + Layout().frameTop + start->y;
      startW = start->cx;
      startH = start->cy;
    }
    moved = plat::PointerMovedTo(&pointerX, &pointerY);
  }
  int x = 0, y = 0, startX = 0, startY = 0, startW = 0, startH = 0;
  bool moved = false;
  int pointerX = -1, pointerY = -1;
};

TEST(BootDialogPointer, ThePointerIsPutOnStartInBothLanguages) {
  t4test::TempFolder dir(true);
  const int english = g_StartOption.English;
  for (int e : {0, 1}) {
    SCOPED_TRACE(e);
    g_StartOption.English = e;
    plat::MovePointer(-1, -1);
    plat::ClearDialogInput();
    std::string unused;
    while (plat::NextAnswer(&unused)) {
    }
    cPointerProbe dlg("Game");
    plat::InjectDialogKey(VK_ESCAPE, false);
    EXPECT_EQ(dlg.DoModal(0), 0);
    ASSERT_TRUE(dlg.moved);
    // (181, 198) from the dialog's top-left.
    EXPECT_EQ(dlg.pointerX, dlg.x + 181);
    EXPECT_EQ(dlg.pointerY, dlg.y + 198);
    EXPECT_GE(dlg.pointerX, dlg.startX);
    EXPECT_LT(dlg.pointerX, dlg.startX + dlg.startW);
    EXPECT_GE(dlg.pointerY, dlg.startY);
    EXPECT_LT(dlg.pointerY, dlg.startY + dlg.startH);
  }
  g_StartOption.English = english;
  plat::ClearDialogInput();
}

}  // namespace
