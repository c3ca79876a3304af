// A dialog drawn over a frame of each drawing mode: the frame goes through
// the display's present path, the dialog is drawn over the shown picture,
// and the composed picture is pinned by its hash (the golden pictures were
// made by this program; a mismatch leaves a PNG beside the test's temp dir).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "../graphics/display_fixture.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/video.h"
#include "services/gui_controls.h"
#include "services/gui_dialog.h"

namespace {

const sDialogResource kSmall{
    304, 150, 60, "確認",
    {
        {eItemKind::Static, 20, 8, 6, 130, 10, "ステージを読み込みますか？", false},
        {eItemKind::CheckBox, 21, 8, 20, 120, 10, "次回から表示しない", true},
        {eItemKind::DefButton, IDOK, 20, 38, 50, 14, "OK", false},
        {eItemKind::Button, IDCANCEL, 80, 38, 50, 14, "キャンセル", false},
    }};

// Draws the dialog over the picture it is given when F1 reaches it.
class cCamera : public cControl {
 public:
  std::vector<uint32_t>* picture = nullptr;
  void OnKey(int key, LPARAM, bool) override {
    if (key == VK_F1 && picture) m_pDialog->Render(picture->data(), 640, 480, 640);
  }
};

class cSmall : public cDialog {
 public:
  cSmall() { Init(&kSmall, nullptr, nullptr); }
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cDialog::OnInitDialog(w, l);
    camera.Attach(this, 0);
  }
  void OnCommand(WPARAM w, LPARAM l) override {
    if ((w & 0xFFFF) == IDOK || (w & 0xFFFF) == IDCANCEL) Close(static_cast<int>(w & 0xFFFF));
    else cDialog::OnCommand(w, l);
  }
  cCamera camera;
};

class GuiModes : public DisplayTest {};

TEST_F(GuiModes, DialogOverAFrameOfEachDrawingModeMatchesItsGoldenPicture) {
  struct Golden {
    const char* mode;
    uint64_t hash;
  };
  const Golden golden[] = {
      {"DD8Full", 0x61e210ab1a626836ull},     {"DD16Full", 0xdd558d0dda375e6dull},
      {"DD32Full", 0xa2da253d21a7bcaaull},    {"DD32Window", 0xa2da253d21a7bcaaull},
      {"D3D16Full", 0xdd558d0dda375e6dull},   {"D3D16Window", 0xde4f07286ef9a3a9ull},
      {"D3D32Full", 0xa2da253d21a7bcaaull},   {"D3D32Window", 0xa2da253d21a7bcaaull},
  };
  std::vector<uint32_t> firstDialogPixels;
  int dx = 0, dy = 0, dw = 0, dh = 0;
  for (size_t m = 0; m < std::size(kDisplayModes); ++m) {
    const DisplayMode& mode = kDisplayModes[m];
    SCOPED_TRACE(mode.name);
    ASSERT_STREQ(golden[m].mode, mode.name);
    ASSERT_TRUE(Init(mode));
    // A pattern of bytes: every pixel format shows it its own way.
    PixelBuffer* back = BackBuffer.Pixels();
    const int rowBytes = back->width * BytesPerPixel(back->format);
    for (int y = 0; y < back->height; ++y)
      for (int i = 0; i < rowBytes; ++i) back->Row(y)[i] = static_cast<uint8_t>(i * 3 + y);
    const uint64_t before = plat::PresentedFrameCount();
    ASSERT_EQ(DDPresent(60, 0, nullptr), 1);
    if (plat::PresentedFrameCount() == before) {
      ASSERT_TRUE(mode.windowMode ? DDBltToPrimary() : DDFlip());
    }
    ASSERT_EQ(plat::PresentedFrameCount(), before + 1);
    std::vector<uint32_t> picture = DDLastPresentedFrame();
    ASSERT_EQ(picture.size(), 640u * 480u);
    const std::vector<uint32_t> shown = picture;

    cSmall dlg;
    dlg.camera.picture = &picture;
    plat::ClearDialogInput();
    plat::InjectDialogKey(VK_TAB);  // the focus from the check box to OK
    plat::InjectDialogKey(VK_F1);
    plat::InjectDialogKey(VK_ESCAPE);
    EXPECT_EQ(dlg.DoModal(0), IDCANCEL);

    const uint64_t hash = plat::HashFrame(picture.data(), 640, 480, 640);
    if (hash != golden[m].hash) {
      const std::string png = ::testing::TempDir() + "t4_gui_mode_" + mode.name + ".png";
      plat::WritePng(png, picture.data(), 640, 480, 640);
      ADD_FAILURE() << std::hex << "composed picture 0x" << hash << " (golden 0x" << golden[m].hash << "), see "
                    << png;
    }
    // The dialog looks the same in every mode; the frame around it is the
    // shown frame untouched.
    if (m == 0) {
      dx = dlg.PosX(), dy = dlg.PosY(), dw = dlg.Layout().windowW, dh = dlg.Layout().windowH;
      ASSERT_GT(dw, 0);
      ASSERT_GT(dh, 0);
    }
    std::vector<uint32_t> dialogPixels;
    for (int y = dy; y < dy + dh; ++y)
      for (int x = dx; x < dx + dw; ++x) dialogPixels.push_back(picture[static_cast<size_t>(y) * 640 + x]);
    if (m == 0) firstDialogPixels = dialogPixels;
    EXPECT_EQ(dialogPixels, firstDialogPixels);
    size_t outsideChanged = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        if ((x < dx || x >= dx + dw || y < dy || y >= dy + dh) && picture[y * 640 + x] != shown[y * 640 + x])
          ++outsideChanged;
    EXPECT_EQ(outsideChanged, 0u);
    DDRelease();
  }
}

}  // namespace
