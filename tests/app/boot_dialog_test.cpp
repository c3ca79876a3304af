// The start-up dialog and the drawing-mode choice, driven by injected keys
// and by the headless answers script.
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "records/boot_data.h"
#include "app/boot_dialog.h"
#include "records/start_option.h"
#include "records/system_data.h"
#include "platform/answers.h"
#include "platform/dialog_input.h"
#include "platform/fonts.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/video.h"
#include "services/gui_dialog.h"
#include "support/background_player.h"
#include "support/bytes.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"
#include "support/virtual_display.h"
#include "support/xvfb_screen.h"

namespace {

const std::vector<uint8_t> kDefaultBoot = {0x0A, 0x03, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

std::vector<uint8_t> BootBytes(int drawMode, int noAsk) {
  ByteBuilder b;
  b.U32(778).I32(2).I32(drawMode).I32(noAsk).I32(0);
  return b.Bytes();
}

class BootDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_Boot.m_nDrawMode = 1;
    g_Boot.m_bNoAsk = 0;
    g_StartOption.English = 0;
    plat::ClearDialogInput();
    std::string unused;
    while (plat::NextAnswer(&unused)) {}
    ASSERT_TRUE(dir.MakeDir("user_data"));
  }
  void TearDown() override {
    plat::ClearDialogInput();
    g_StartOption.English = 0;
  }
  std::string BootPath() const { return dir / "user_data/Boot.dat"; }
  bool BootExists() const { return ::access(BootPath().c_str(), F_OK) == 0; }
  bool Logged(const std::string& text) const {
    for (const std::string& l : report.Lines())
      if (l.find(text) != std::string::npos) return true;
    return false;
  }

  t4test::TempFolder dir{true};
  ReportLogCapture report{dir.path()};
};

void Inject(const std::vector<int>& keys) {
  for (int vk : keys) plat::InjectDialogKey(vk, false);
}

TEST_F(BootDialog, KeysChooseTheModeAndStartSavesBootDat) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    int result;
    std::vector<uint8_t> file;  // empty: none written
    int direct3D;               // the option afterwards
  } cases[] = {
      {"Enter on the untouched dialog starts with the defaults", {VK_RETURN}, 1, kDefaultBoot, 1},
      {"the other drawing mode", {VK_TAB, VK_TAB, VK_DOWN, VK_RETURN}, 1, BootBytes(0, 0), 0},
      {"do not ask again", {VK_TAB, VK_TAB, VK_TAB, VK_SPACE, VK_RETURN}, 1, BootBytes(1, 1), 1},
      {"both, Space on the focused Start",
       {VK_TAB, VK_TAB, VK_DOWN, VK_TAB, VK_SPACE, VK_TAB, VK_SPACE}, 1, BootBytes(0, 1), 0},
      {"Cancel after changes", {VK_TAB, VK_TAB, VK_DOWN, VK_TAB, VK_TAB, VK_TAB, VK_RETURN}, 0, {}, 2},
      {"Esc", {VK_TAB, VK_TAB, VK_DOWN, VK_ESCAPE}, 0, {}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(BootPath().c_str());
    g_Boot.m_nDrawMode = 1;
    g_Boot.m_bNoAsk = 0;
    plat::ClearDialogInput();
    Inject(c.keys);
    STARTOPTION option;
    option.Direct3D = 2;
    EXPECT_EQ(ChooseDrawMode(option, "Game"), c.result);
    if (c.file.empty()) {
      EXPECT_FALSE(BootExists());
    } else {
      EXPECT_EQ(ReadOsFile(BootPath()), c.file) << HexBytes(ReadOsFile(BootPath()));
    }
    EXPECT_EQ(option.Direct3D, c.direct3D);
  }
}

TEST_F(BootDialog, StoredChoiceIsShownAndDoNotAskSkipsTheDialog) {
  // A stored DirectDraw choice is the one checked: Enter keeps it.
  ByteBuilder stored;
  stored.Append(BootBytes(0, 0));
  ASSERT_TRUE(stored.WriteTo(BootPath()));
  Inject({VK_RETURN});
  STARTOPTION option;
  option.Direct3D = 3;
  EXPECT_EQ(ChooseDrawMode(option, "Game"), 1);
  EXPECT_EQ(option.Direct3D, 0);
  EXPECT_EQ(ReadOsFile(BootPath()), BootBytes(0, 0));

  // Do not ask: no dialog (nothing logged, no key taken), the file is not
  // written again, its mode is used.
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    ByteBuilder noAsk;
    noAsk.Append(BootBytes(mode, 1));
    ASSERT_TRUE(noAsk.WriteTo(BootPath()));
    plat::ClearDialogInput();
    Inject({VK_ESCAPE});
    option.Direct3D = 2;
    EXPECT_EQ(ChooseDrawMode(option, "Game"), 1);
    EXPECT_EQ(option.Direct3D, mode);
    EXPECT_EQ(ReadOsFile(BootPath()), BootBytes(mode, 1));
  }
  EXPECT_FALSE(Logged("Dialog :"));

  // A fixed drawing mode neither reads Boot.dat nor asks.
  for (int d3d : {0, 1}) {
    g_Boot.m_nDrawMode = 1;
    g_Boot.m_bNoAsk = 0;
    option.Direct3D = d3d;
    EXPECT_EQ(ChooseDrawMode(option, "Game"), 1);
    EXPECT_EQ(option.Direct3D, d3d);
    EXPECT_EQ(g_Boot.m_bNoAsk, 0);
  }
  EXPECT_FALSE(Logged("Dialog :"));
}

TEST_F(BootDialog, DamagedOrOddBootDatStillGivesAShownChoice) {
  struct Case {
    const char* what;
    std::vector<uint8_t> stored;
    std::vector<uint8_t> saved;  // after Enter; empty: the dialog is not shown
    int direct3D;
  } cases[] = {
      {"truncated: the defaults, asked", {0x0A, 0x03, 0x00, 0x00, 0x02}, kDefaultBoot, 1},
      {"a mode that is neither choice: the default is shown and saved", BootBytes(7, 0), kDefaultBoot, 1},
      {"the same, not to be asked: anything but 1 is DirectDraw", BootBytes(7, 1), {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ByteBuilder b;
    b.Append(c.stored);
    ASSERT_TRUE(b.WriteTo(BootPath()));
    g_Boot.m_nDrawMode = 1;
    g_Boot.m_bNoAsk = 0;
    plat::ClearDialogInput();
    Inject({VK_RETURN});
    STARTOPTION option;
    option.Direct3D = 2;
    EXPECT_EQ(ChooseDrawMode(option, "Game"), 1);
    EXPECT_EQ(option.Direct3D, c.direct3D);
    EXPECT_EQ(ReadOsFile(BootPath()), c.saved.empty() ? c.stored : c.saved);
  }
}

// Records the items' texts as the dialog shows them.
class cBootProbe : public cBootDialog {
 public:
  using cBootDialog::cBootDialog;
  std::map<uint16_t, std::string> texts;
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cBootDialog::OnInitDialog(w, l);
    for (uint16_t id : {kBootStartId, kBootCancelId, kBootModeGroupId, kBootDirect3DId, kBootDirectDrawId,
                        kBootNoteId, kBootNoAskId})
      texts[id] = plat::Cp932ToUtf8(GetItemText(id));
  }
};

TEST_F(BootDialog, TextsFollowTheEnglishOption) {
  auto u8 = [](const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); };
  struct Case {
    int english;
    std::map<uint16_t, std::string> texts;
  } cases[] = {
      {0,
       {{kBootStartId, u8(u8"ゲーム開始")},
        {kBootCancelId, u8(u8"ゲーム中止")},
        {kBootModeGroupId, u8(u8"描画モード")},
        {kBootDirect3DId, "Direct3D"},
        {kBootDirectDrawId, "DirectDraw"},
        {kBootNoteId, u8(u8"詳細な設定は環境設定ファイル「System.ini」で行って下さい。")},
        {kBootNoAskId, u8(u8"次回からこのダイアログを表示しない")}}},
      {1,
       {{kBootStartId, "Start"},
        {kBootCancelId, "Cancel"},
        {kBootModeGroupId, "Drawing mode"},
        {kBootDirect3DId, "Direct3D"},
        {kBootDirectDrawId, "DirectDraw"},
        {kBootNoteId, "Configure the detail settings at \"System.ini\"."},
        {kBootNoAskId, "Do not ask this dialog again"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.english);
    g_StartOption.English = c.english;
    plat::ClearDialogInput();
    cBootProbe dlg("Game");
    Inject({VK_ESCAPE});
    EXPECT_EQ(dlg.DoModal(0), 0);
    EXPECT_EQ(dlg.texts, c.texts);
  }
  EXPECT_FALSE(BootExists());
}

TEST_F(BootDialog, AClickWhereThePointerIsPutPressesStart) {
  struct cClickAtStart : cBootDialog {
    using cBootDialog::cBootDialog;
    void OnInitDialog(WPARAM w, LPARAM l) override {
      cBootDialog::OnInitDialog(w, l);
      plat::InjectDialogClick(PosX() + 181, PosY() + 198);
    }
  } dlg("Game");
  // Should the click miss, the script cancels.
  ASSERT_TRUE(dir.MakeFile("answers.txt", "cancel\n"));
  ASSERT_TRUE(plat::LoadAnswers(dir / "answers.txt", nullptr));
  EXPECT_EQ(dlg.DoModal(0), 1);
  EXPECT_EQ(ReadOsFile(BootPath()), kDefaultBoot);
}

TEST_F(BootDialog, HeadlessAnswersPickTheButtonAndTheControls) {
  // The script is UTF-8, as a player writes it.
  ASSERT_TRUE(dir.MakeFile("answers.txt", reinterpret_cast<const char*>(u8"Cancel\n"
                                                                        u8"ゲーム開始;1003=1;1004=1\n"
                                                                        u8"1000;1002=1\n"
                                                                        u8"Start;1004=1\n"
                                                                        u8"ゲーム中止;1004=1\n")));
  ASSERT_TRUE(plat::LoadAnswers(dir / "answers.txt", nullptr));
  struct Case {
    int english;
    int result;
    std::vector<uint8_t> file;  // empty: none written
  } cases[] = {
      {0, 0, {}},
      {0, 1, BootBytes(0, 1)},
      {0, 1, BootBytes(1, 0)},
      {1, 1, BootBytes(1, 1)},  // the English label
      {0, 0, {}},
      {0, 1, kDefaultBoot},     // script used up: the default button
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n++);
    ::unlink(BootPath().c_str());
    g_Boot.m_nDrawMode = 1;
    g_Boot.m_bNoAsk = 0;
    g_StartOption.English = c.english;
    STARTOPTION option;
    option.Direct3D = 2;
    EXPECT_EQ(ChooseDrawMode(option, "My Game"), c.result);
    if (c.file.empty()) {
      EXPECT_FALSE(BootExists());
    } else {
      EXPECT_EQ(ReadOsFile(BootPath()), c.file) << HexBytes(ReadOsFile(BootPath()));
    }
  }
  EXPECT_TRUE(Logged("Dialog : My Game"));
  EXPECT_FALSE(Logged("names no button"));
  EXPECT_TRUE(Logged(reinterpret_cast<const char*>(u8"描画モード")));
  EXPECT_TRUE(Logged("Configure the detail settings at \"System.ini\"."));
}

// The picture of the start-up dialog: what a player sees first.

constexpr uint32_t kFace = 0xFFD4D0C8u, kShadow = 0xFF808080u, kLight = 0xFFFFFFFFu, kInk = 0xFF000000u;
constexpr int kFrameW = 640, kFrameH = 480;

// The dialog drawn over a black game window when F1 reaches it, with where
// its items lie on that picture.
class cBootCamera : public cBootDialog {
 public:
  using cBootDialog::cBootDialog;
  std::vector<uint32_t> shot;
  std::map<uint16_t, cDialogItem> items;  // in picture pixels

  void OnInitDialog(WPARAM w, LPARAM l) override {
    cBootDialog::OnInitDialog(w, l);
    m_Camera.owner = this;
    m_Camera.Attach(this, 0);
  }

 private:
  struct Camera : cControl {
    cBootCamera* owner = nullptr;
    void OnKey(int key, LPARAM, bool) override {
      if (key == VK_F1) owner->Take();
    }
  } m_Camera;

  void Take() {
    shot.assign(static_cast<size_t>(kFrameW) * kFrameH, 0xFF000000u);
    Render(shot.data(), kFrameW, kFrameH, kFrameW);
    for (uint16_t id : {kBootPictureId, kBootStartId, kBootCancelId, kBootModeGroupId, kBootDirect3DId,
                        kBootDirectDrawId, kBootNoteId, kBootNoAskId}) {
      cDialogItem item = *GetItem(id);
      item.x += PosX() + Layout().frameLeft;
      item.y += PosY() + Layout().frameTop;
      items[id] = item;
    }
  }
};

// The start-up dialog as drawn after the keys.
void ShootBootDialog(cBootCamera* dlg, int english, const std::vector<int>& keys) {
  cWindow::SetDesktopRect(kFrameW, kFrameH);
  g_StartOption.English = english;
  g_Boot.m_nDrawMode = 1;
  g_Boot.m_bNoAsk = 0;
  plat::ClearDialogInput();
  Inject(keys);
  Inject({VK_F1, VK_ESCAPE});
  EXPECT_EQ(dlg->DoModal(0), 0);
  g_StartOption.English = 0;
}

// Pixels of the picture that differ from a text drawn whole at the item's
// top left on the dialog face, over the item's whole rectangle.
int TextMismatches(const std::vector<uint32_t>& shot, const cDialogItem& item, const std::string& text, int* textWidth) {
  plat::TextMask m = DialogFont().Render(text);
  *textWidth = m.width;
  int bad = 0;
  for (int y = 0; y < item.cy; ++y)
    for (int x = 0; x < item.cx; ++x) {
      bool ink = x < m.width && y < m.height && m.At(x, y) == plat::kGlyphInk;
      if (shot[static_cast<size_t>(item.y + y) * kFrameW + item.x + x] != (ink ? kInk : kFace)) ++bad;
    }
  return bad;
}

TEST_F(BootDialog, PictureShowsTheWholeNoteTheGroupFrameAndRoundButtons) {
  struct Case {
    const char* what;
    int english;
    std::vector<int> keys;
    bool direct3D, noAsk;
    uint64_t hash;
  } cases[] = {
      {"Japanese, as first shown", 0, {}, true, false, 0x129e5c510ffd38c6ull},
      {"English, DirectDraw picked and do not ask checked", 1, {VK_TAB, VK_TAB, VK_DOWN, VK_TAB, VK_SPACE}, false, true,
       0xafb529b6b8e9e3deull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cBootCamera dlg("Game");
    ShootBootDialog(&dlg, c.english, c.keys);
    ASSERT_EQ(dlg.shot.size(), static_cast<size_t>(kFrameW) * kFrameH);
    const std::vector<uint32_t>& shot = dlg.shot;
    auto at = [&](int x, int y) { return shot[static_cast<size_t>(y) * kFrameW + x]; };

    // The note in full on one line: nothing of it cut off at the right.
    const cDialogItem& note = dlg.items[kBootNoteId];
    int noteWidth = 0;
    EXPECT_EQ(TextMismatches(shot, note, note.text, &noteWidth), 0);
    EXPECT_LE(noteWidth, note.cx);
    EXPECT_GT(noteWidth, note.cx / 2);

    // The group box: an etched frame (a grey line with a white one inside
    // it, white and grey again at the bottom and right) whose top edge
    // breaks for the caption.
    const cDialogItem& g = dlg.items[kBootModeGroupId];
    const int top = g.y + DialogFont().CellHeight() / 2;
    const int right = g.x + g.cx - 1, bottom = g.y + g.cy - 1;
    int frameBad = 0;
    for (int y = top + 2; y < bottom - 1; ++y)
      frameBad += (at(g.x, y) != kShadow) + (at(g.x + 1, y) != kLight) + (at(right - 1, y) != kShadow) +
                  (at(right, y) != kLight);
    for (int x = g.x + 2; x < right - 1; ++x) frameBad += (at(x, bottom - 1) != kShadow) + (at(x, bottom) != kLight);
    const int captionW = DialogFont().Measure(g.text).cx;
    for (int x = g.x + 8 + captionW + 2; x < right - 1; ++x) frameBad += (at(x, top) != kShadow) + (at(x, top + 1) != kLight);
    EXPECT_EQ(frameBad, 0);
    EXPECT_EQ(at(g.x + 7, top), kFace);  // the gap the caption sits in
    cDialogItem caption = g;
    caption.x += 8;
    caption.cx = captionW;
    caption.cy = DialogFont().CellHeight();
    int w = 0;
    EXPECT_EQ(TextMismatches(shot, caption, g.text, &w), 0);

    // Radio buttons are round (their box's corners show the face, the
    // middles of its sides the ring) with a round dot when picked.
    for (auto [id, picked] : {std::pair{kBootDirect3DId, c.direct3D}, std::pair{kBootDirectDrawId, !c.direct3D}}) {
      SCOPED_TRACE(id);
      const cDialogItem& r = dlg.items[id];
      const int bx = r.x, by = r.y + (r.cy - 12) / 2;
      auto px = [&](int x, int y) { return at(bx + x, by + y); };
      EXPECT_EQ(px(0, 0), kFace);
      EXPECT_EQ(px(11, 0), kFace);
      EXPECT_EQ(px(0, 11), kFace);
      EXPECT_EQ(px(11, 11), kFace);
      EXPECT_EQ(px(0, 5), kShadow);
      EXPECT_EQ(px(5, 0), kShadow);
      EXPECT_EQ(px(11, 6), kLight);
      EXPECT_EQ(px(6, 11), kLight);
      EXPECT_EQ(px(5, 5), picked ? kInk : kLight);
      EXPECT_EQ(px(6, 6), picked ? kInk : kLight);
      EXPECT_EQ(px(4, 5), picked ? kInk : kLight);
      EXPECT_EQ(px(4, 4), kLight);  // the dot's corner: round, not square
    }
    // The check box is square (sharp corners) with a tick, not a cross.
    const cDialogItem& cb = dlg.items[kBootNoAskId];
    const int bx = cb.x, by = cb.y + (cb.cy - 13) / 2;
    auto px = [&](int x, int y) { return at(bx + x, by + y); };
    EXPECT_EQ(px(0, 0), kShadow);
    EXPECT_EQ(px(12, 12), kLight);
    EXPECT_EQ(px(9, 3), c.noAsk ? kInk : kLight);  // the tick's upper end
    EXPECT_EQ(px(5, 9), c.noAsk ? kInk : kLight);  // its bottom
    EXPECT_EQ(px(3, 3), kLight);                    // a cross would ink this corner

    // The picture control shows the title picture, whole, at (7, 7).
    const cDialogItem& pic = dlg.items[kBootPictureId];
    const sDialogBitmap& title = ProgramTitleBitmap();
    ASSERT_EQ(pic.cx, title.width);
    ASSERT_EQ(pic.cy, title.height);
    int picBad = 0;
    for (int y = 0; y < title.height; ++y)
      for (int x = 0; x < title.width; ++x)
        picBad += at(pic.x + x, pic.y + y) != title.argb[static_cast<size_t>(y) * title.width + x];
    EXPECT_EQ(picBad, 0);
    // Below it, the group and the buttons: the picture covers none of them.
    EXPECT_LT(pic.y + pic.cy, g.y);

    const uint64_t hash = plat::HashFrame(shot.data(), kFrameW, kFrameH, kFrameW);
    if (hash != c.hash) {
      const std::string png = ::testing::TempDir() + "t4_boot_dialog_" + std::to_string(c.english) + ".png";
      plat::WritePng(png, shot.data(), kFrameW, kFrameH, kFrameW);
      ADD_FAILURE() << std::hex << "picture 0x" << hash << " (golden 0x" << c.hash << "), see " << png;
    }
  }
}

TEST_F(BootDialog, AClickOnARadioButtonInsideTheGroupPicksIt) {
  struct cClickRadio : cBootDialog {
    using cBootDialog::cBootDialog;
    void OnInitDialog(WPARAM w, LPARAM l) override {
      cBootDialog::OnInitDialog(w, l);
      const cDialogItem* r = GetItem(kBootDirectDrawId);
      plat::InjectDialogClick(PosX() + Layout().frameLeft + r->x + 4, PosY() + Layout().frameTop + r->y + r->cy / 2);
      plat::InjectDialogKey(VK_RETURN);
    }
  } dlg("Game");
  ASSERT_NE(g_Boot.m_nDrawMode, 0);
  EXPECT_EQ(dlg.DoModal(0), 1);
  EXPECT_EQ(ReadOsFile(BootPath()), BootBytes(0, 0)) << HexBytes(ReadOsFile(BootPath()));
}

// The real player in a window of a virtual screen: the start-up dialog is
// on screen as drawn here, pixel for pixel, at 24-bit and 16-bit colour;
// closing the window then ends the start without writing Boot.dat.
TEST(BootDialogWindow, RealWindowShowsTheDialogAsDrawn) {
  struct Case {
    int depth;
    int english;
  } cases[] = {{24, 0}, {16, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.depth) + (c.english ? " English" : " Japanese"));
    TempFolder dir;
    ASSERT_TRUE(WriteProject(dir.path()));
    ASSERT_TRUE(t4test::WriteFile(dir / "System.ini", std::string("Direct3D=2\r\nWindowMode=1\r\nBpp=") +
                                                          (c.depth == 16 ? "16" : "32") +
                                                          "\r\nEnglish=" + std::to_string(c.english) + "\r\nExit\r\n"));
    ASSERT_TRUE(dir.MakeDir("fb"));

    // What the dialog looks like, drawn here with the project's title.
    cSystemData system;
    ASSERT_TRUE(system.LoadFromFile((dir / "data/System.dat").c_str()));
    cBootCamera expected(system.m_strTitle);
    ShootBootDialog(&expected, c.english, {});
    ASSERT_FALSE(expected.shot.empty());
    // Two points inside the title picture find candidate places quickly.
    const int p1x = expected.items[kBootPictureId].x + 5, p1y = expected.items[kBootPictureId].y + 5;
    const int p2x = p1x + 150, p2y = p1y + 60;

    t4test::VirtualDisplay xvfb;
    ASSERT_TRUE(xvfb.StartWithScreenFile("800x600x" + std::to_string(c.depth), dir / "fb")) << "Xvfb did not start";
    t4test::BackgroundPlayer player({}, dir.path(),
                                    {"DISPLAY=" + xvfb.Name(), "SDL_AUDIODRIVER=dummy", "ASAN_OPTIONS=detect_leaks=0",
                                     "T4_INSTANCE_LOCK=" + (dir / "instance.lock")},
                                    dir / "err.txt");
    // Where the game window's client area is on the screen once the dialog
    // shows: found by the dialog's picture itself.
    t4test::XvfbScreen screen;
    int worst = -1;
    auto shown = [&] {
      // Between looks the player has the processor to itself.
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (!t4test::ReadXvfbScreen(dir / "fb", &screen) || screen.depth != c.depth) return false;
      auto want = [&](int x, int y) {
        return t4test::AsShownAtDepth(expected.shot[static_cast<size_t>(y) * kFrameW + x], c.depth);
      };
      for (int oy = 0; oy + kFrameH <= screen.height; ++oy)
        for (int ox = 0; ox + kFrameW <= screen.width; ++ox) {
          if (screen.At(ox + p1x, oy + p1y) != want(p1x, p1y) || screen.At(ox + p2x, oy + p2y) != want(p2x, p2y))
            continue;
          int bad = 0;
          for (int y = 0; y < kFrameH; ++y)
            for (int x = 0; x < kFrameW; ++x) bad += screen.At(ox + x, oy + y) != want(x, y);
          if (worst < 0 || bad < worst) worst = bad;
          if (bad == 0) return true;
        }
      return false;
    };
    const bool found = t4test::WaitUntil(shown, std::chrono::seconds(30));
    EXPECT_TRUE(found) << "closest match differs in " << worst << " pixels; " << t4test::ReadFile(dir / "err.txt");
    if (!found && screen.width > 0) {
      std::vector<uint32_t> argb(screen.rgb.size());
      for (size_t i = 0; i < argb.size(); ++i) argb[i] = 0xFF000000u | screen.rgb[i];
      const std::string png = ::testing::TempDir() + "t4_boot_window_" + std::to_string(c.depth) + "_" +
                              std::to_string(c.english) + ".png";
      plat::WritePng(png, argb.data(), screen.width, screen.height, screen.width);
      ADD_FAILURE() << "screen left in " << png;
    }
    ASSERT_TRUE(player.Running());
    ::kill(player.Pid(), SIGTERM);
    EXPECT_NE(player.Wait(std::chrono::seconds(30)), -1);
    EXPECT_FALSE(::access((dir / "user_data/Boot.dat").c_str(), F_OK) == 0);
  }
}

}  // namespace
