// The picture of an open dialog, drawn over a frame of the game.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/dialog_input.h"
#include "platform/fonts.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/video.h"
#include "services/gui_controls.h"
#include "services/gui_dialog.h"

namespace {

const sDialogResource kPictured{
    302, 160, 80, "画面モード",
    {
        {eItemKind::Radio, 11, 10, 8, 100, 10, "ウィンドウ", true},
        {eItemKind::Radio, 12, 10, 20, 100, 10, "フルスクリーン", false},
        {eItemKind::CheckBox, 13, 10, 34, 100, 10, "次回から表示しない", true},
        {eItemKind::Edit, 14, 10, 48, 80, 12, "", false},
        {eItemKind::DefButton, IDOK, 100, 62, 50, 14, "OK", false},
    }};

constexpr int kW = 640, kH = 480;

// Draws the dialog whenever F1 reaches it.
class cCamera : public cControl {
 public:
  std::vector<std::vector<uint32_t>> shots;
  void OnKey(int key, LPARAM, bool) override {
    if (key != VK_F1) return;
    std::vector<uint32_t> frame(static_cast<size_t>(kW) * kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) frame[static_cast<size_t>(y) * kW + x] = 0xFF000000u | (x << 8) | y;
    m_pDialog->Render(frame.data(), kW, kH, kW);
    shots.push_back(std::move(frame));
  }
};

class cPictured : public cDialog {
 public:
  cPictured() { Init(&kPictured, nullptr, nullptr); }
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cDialog::OnInitDialog(w, l);
    m_Mode.Attach(this, 11, &mode, 1);
    m_Full.Attach(this, 12, &mode, 0);
    m_Check.Attach(this, 13, &check);
    m_Edit.Attach(this, 14, &name, 8, 8, 1, 1);
    camera.Attach(this, 0);
    DataToControls();
  }
  void OnCommand(WPARAM w, LPARAM l) override {
    if ((w & 0xFFFF) == IDOK || (w & 0xFFFF) == IDCANCEL) Close(static_cast<int>(w & 0xFFFF));
    else cDialog::OnCommand(w, l);
  }
  int mode = 1, check = 1;
  std::string name = "あB";
  cCamera camera;

 private:
  cRadioButton m_Mode, m_Full;
  cCheckBox m_Check;
  cEdit m_Edit;
};

TEST(GuiRender, DialogPictureIsCentredAndMatchesItsGolden) {
  plat::ClearDialogInput();
  cPictured dlg;
  plat::InjectDialogKey(VK_F1);
  plat::InjectDialogKey(VK_TAB);
  plat::InjectDialogKey(VK_TAB);
  plat::InjectDialogKey(VK_F1);
  plat::InjectDialogKey(VK_ESCAPE);
  EXPECT_EQ(dlg.DoModal(0), IDCANCEL);
  ASSERT_EQ(dlg.camera.shots.size(), 2u);
  const std::vector<uint32_t>& shot = dlg.camera.shots[0];
  // 160 x 80 dialog units are 240 x 120 pixels; with the frame and the
  // caption the dialog is 246 x 146, centred in 640 x 480.
  int left = (kW - 246) / 2, top = (kH - 146) / 2;
  EXPECT_EQ(shot[static_cast<size_t>(top) * kW + left], 0xFFFFFFFFu);       // light frame edge
  EXPECT_EQ(shot[static_cast<size_t>(top + 5) * kW + left + 240], 0xFF0A246Au);  // caption
  EXPECT_EQ(shot[static_cast<size_t>(top - 1) * kW + left], 0xFF000000u | (left << 8) | (top - 1));
  // Moving the focus changes the picture.
  EXPECT_NE(dlg.camera.shots[0], dlg.camera.shots[1]);
  uint64_t hash = plat::HashFrame(shot.data(), kW, kH, kW);
  // Our own drawing with the pinned IPA fonts; a change means the dialog
  // picture changed.
  EXPECT_EQ(hash, 0xe8d320bf860213c1ull) << std::hex << hash;
}

const sDialogBitmap kTiny{3, 2, {0xFF112233u, 0xFF445566u, 0xFF778899u, 0xFFAABBCCu, 0xFFDDEEFFu, 0xFF010203u}};

const sDialogResource kTexts{
    303, 160, 100, "",
    {
        // 90 x 24 pixels: two lines of a text that needs three.
        {eItemKind::Static, 21, 4, 4, 60, 16, "あいうえおかきくけこさしすせそたちつてとなにぬねの", false},
        {eItemKind::Picture, 22, 4, 40, 40, 20, "", false},  // no bitmap
        {eItemKind::Picture, 23, 80, 40, 40, 20, "", false, &kTiny},
        {eItemKind::DefButton, IDOK, 100, 80, 50, 14, "OK", false},
    }};

class cTexts : public cDialog {
 public:
  cTexts() { Init(&kTexts, nullptr, nullptr); }
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cDialog::OnInitDialog(w, l);
    camera.Attach(this, 0);
    for (uint16_t id : {21, 22, 23}) items.push_back(*GetItem(id));
    originX = PosX() + Layout().frameLeft;
    originY = PosY() + Layout().frameTop;
  }
  void OnCommand(WPARAM w, LPARAM l) override {
    if ((w & 0xFFFF) == IDOK || (w & 0xFFFF) == IDCANCEL) Close(static_cast<int>(w & 0xFFFF));
    else cDialog::OnCommand(w, l);
  }
  cCamera camera;
  std::vector<cDialogItem> items;
  int originX = 0, originY = 0;
};

TEST(GuiRender, StaticTextLinesStackAndStopAtTheBottomPicturesShowTheirBitmapOrNothing) {
  constexpr uint32_t kFace = 0xFFD4D0C8u, kInk = 0xFF000000u;
  plat::ClearDialogInput();
  cTexts dlg;
  plat::InjectDialogKey(VK_F1);
  plat::InjectDialogKey(VK_ESCAPE);
  EXPECT_EQ(dlg.DoModal(0), IDCANCEL);
  ASSERT_EQ(dlg.camera.shots.size(), 1u);
  const std::vector<uint32_t>& shot = dlg.camera.shots[0];
  auto at = [&](int x, int y) { return shot[static_cast<size_t>(dlg.originY + y) * kW + dlg.originX + x]; };

  // The text: the lines the layout gives, one cell height apart, as far as
  // the control reaches; below it the face, though a third line exists.
  const cDialogItem& text = dlg.items[0];
  const std::vector<std::string> lines = WrapDialogText(text.text, text.cx);
  const int lineH = DialogFont().CellHeight();
  ASSERT_GE(static_cast<int>(lines.size()) * lineH, text.cy + lineH);
  int bad = 0;
  for (int y = 0; y < text.cy + lineH; ++y) {
    const int line = y / lineH;
    const plat::TextMask m = DialogFont().Render(lines[static_cast<size_t>(line)]);
    for (int x = 0; x < text.cx; ++x) {
      const bool ink = y < text.cy && x < m.width && m.At(x, y % lineH) == plat::kGlyphInk;
      bad += at(text.x + x, text.y + y) != (ink ? kInk : kFace);
    }
  }
  EXPECT_EQ(bad, 0);

  // A picture without a bitmap keeps its place and shows nothing.
  const cDialogItem& empty = dlg.items[1];
  EXPECT_EQ(empty.x, DialogUnitsToPixelsX(4));
  EXPECT_EQ(empty.cx, DialogUnitsToPixelsX(40));
  int notFace = 0;
  for (int y = 0; y < empty.cy; ++y)
    for (int x = 0; x < empty.cx; ++x) notFace += at(empty.x + x, empty.y + y) != kFace;
  EXPECT_EQ(notFace, 0);
  // One with a bitmap takes the bitmap's size and shows it.
  const cDialogItem& tiny = dlg.items[2];
  EXPECT_EQ(tiny.cx, 3);
  EXPECT_EQ(tiny.cy, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(at(tiny.x + x, tiny.y + y), kTiny.argb[static_cast<size_t>(y) * 3 + x]);
  EXPECT_EQ(at(tiny.x + 3, tiny.y), kFace);
}

}  // namespace
