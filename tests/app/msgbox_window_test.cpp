// The message boxes of window mode in the real player on a virtual X
// display: the first start's question (make data\ from default\?) comes up
// in a small window of its own, drawn with our own font, and is answered by
// a key or a click; a SIGTERM while it is up, or while the question of a
// second instance is up before any window, ends the player in order.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/fonts.h"
#include "platform/instance.h"
#include "platform/msgbox.h"
#include "platform/text.h"
#include "services/gui_msgbox.h"
#include "support/background_player.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"
#include "support/virtual_display.h"
#include "support/x_client.h"

#include <X11/keysym.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using t4test::TempFolder;
using t4test::XPicture;
using t4test::XWindowId;

constexpr uint32_t kFace = 0xD4D0C8, kInk = 0x000000;

std::string Cp932(const char8_t* s) { return plat::Utf8ToCp932(t4test::U8(s)); }

class WindowedBox : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
    if (!x_.Load()) GTEST_SKIP() << "libX11 is not installed";
    ASSERT_TRUE(display_.Start("800x600x24")) << "Xvfb did not start";
    ASSERT_TRUE(x_.Open(display_.Name()));
    // A project as the maker writes it: default\ only, so the first start asks.
    ASSERT_TRUE(WriteProject(dir_.path()));
    fs::rename(dir_ / "data", dir_ / "default");
    question_ = LayOutMessageBox(Cp932(u8"データが存在しません！デフォルトデータを作成しますか？\n"),
                                 Cp932(u8"デフォルトデータ作成の確認"), MB_YESNO, false);
  }

  std::unique_ptr<t4test::BackgroundPlayer> Start(const std::string& lock) {
    return std::make_unique<t4test::BackgroundPlayer>(
        std::vector<std::string>{}, dir_.path(),
        std::vector<std::string>{"DISPLAY=" + display_.Name(), "SDL_AUDIODRIVER=dummy", "T4_INSTANCE_LOCK=" + lock,
                                 // The X libraries SDL loads and unloads keep allocations the
                                 // leak checker can no longer attribute; they are not ours.
                                 "ASAN_OPTIONS=detect_leaks=0"},
        dir_ / "stderr.txt");
  }

  // Waits for a window of the box's size showing the box, its face colour
  // over most of it, and the same picture twice in a row (a window is
  // mapped before its first picture, and one taken while it is being put up
  // can hold part of it).
  bool WaitForBox(const sMessageBoxLayout& box, XWindowId* w, XPicture* p) {
    XPicture last;
    return t4test::WaitUntil(
        [&] {
          std::this_thread::sleep_for(50ms);
          for (XWindowId id : x_.TopWindows()) {
            int x = 0, y = 0, width = 0, height = 0;
            if (!x_.Geometry(id, &x, &y, &width, &height) || width != box.windowW || height != box.windowH) continue;
            if (!x_.Grab(id, p)) continue;
            *w = id;
            const bool same = p->rgb == last.rgb;
            last = *p;
            const auto face = std::count(p->rgb.begin(), p->rgb.end(), kFace);
            return same && face * 2 > static_cast<std::ptrdiff_t>(p->rgb.size());
          }
          return false;
        },
        30s);
  }

  // Pixels of the box's text lines that differ from the lines drawn by our
  // dialog font in ink on the dialog face.
  static int TextMismatches(const sMessageBoxLayout& box, const XPicture& p) {
    int bad = 0;
    for (size_t i = 0; i < box.lines.size(); ++i) {
      const plat::TextMask m = DialogFont().Render(box.lines[i]);
      const int top = box.textY + static_cast<int>(i) * box.lineHeight;
      for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
          bad += p.At(box.textX + x, top + y) != (m.At(x, y) == plat::kGlyphInk ? kInk : kFace);
    }
    return bad;
  }

  const sMessageBoxLayout::Button& ButtonOf(const sMessageBoxLayout& box, int id) {
    for (const auto& b : box.buttons)
      if (b.id == id) return b;
    ADD_FAILURE() << "no button " << id;
    return box.buttons.front();
  }

  std::string Report() const { return t4test::ReadFile(dir_ / "Report_Game.txt"); }

  // The server outlives the connection to it.
  t4test::VirtualDisplay display_;
  t4test::XClient x_;
  TempFolder dir_;
  sMessageBoxLayout question_;
};

TEST_F(WindowedBox, TheQuestionShowsItsJapaneseTextInOurFontAndReturnTakesYes) {
  // Two lines would not fit the width the boxes wrap at: the text is on one.
  ASSERT_EQ(question_.lines.size(), 1u);
  ASSERT_EQ(question_.defaultId, IDYES);
  auto player = Start(dir_ / "instance.lock");
  XWindowId w = 0;
  XPicture p;
  ASSERT_TRUE(WaitForBox(question_, &w, &p))
      << question_.windowW << "x" << question_.windowH << " " << t4test::ReadFile(dir_ / "stderr.txt");
  EXPECT_EQ(TextMismatches(question_, p), 0);
  // The default button (Yes) is marked by its black outline; No is not.
  const auto& yes = ButtonOf(question_, IDYES);
  const auto& no = ButtonOf(question_, IDNO);
  EXPECT_EQ(p.At(yes.x - 1, yes.y + yes.h / 2), kInk);
  EXPECT_EQ(p.At(no.x - 1, no.y + no.h / 2), kFace);
  // The label of each button in our font, centred.
  for (const auto* b : {&yes, &no}) {
    const std::string label = b->id == IDYES ? Cp932(u8"はい") : Cp932(u8"いいえ");
    const plat::TextMask m = DialogFont().Render(label);
    const int lx = b->x + (b->w - m.width) / 2, ly = b->y + std::max(0, (b->h - 12) / 2);
    int bad = 0;
    for (int y = 0; y < m.height; ++y)
      for (int x = 0; x < m.width; ++x)
        if (m.At(x, y) == plat::kGlyphInk) bad += p.At(lx + x, ly + y) != kInk;
    EXPECT_EQ(bad, 0) << b->id;
  }

  x_.SendKey(w, XK_Return);
  // Yes: data\ is made and the game starts in its window.
  EXPECT_TRUE(t4test::WaitUntil([&] { return Report().find("Mode : Window") != std::string::npos; }, 60s))
      << Report();
  EXPECT_TRUE(fs::is_regular_file(dir_ / "data/System.dat"));
  ::kill(player->Pid(), SIGTERM);
  EXPECT_EQ(player->Wait(60s), 0) << t4test::ReadFile(dir_ / "stderr.txt");
}

TEST_F(WindowedBox, AClickOnNoLeavesDataUnmadeAndTheNextBoxTakesEscape) {
  auto player = Start(dir_ / "instance.lock");
  XWindowId w = 0;
  XPicture p;
  ASSERT_TRUE(WaitForBox(question_, &w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
  const auto& no = ButtonOf(question_, IDNO);
  x_.Click(w, no.x + no.w / 2, no.y + no.h / 2);
  // No: start-up fails with its error box, which Escape answers.
  const sMessageBoxLayout failed =
      LayOutMessageBox(Cp932(u8"「data」フォルダの作成に失敗…\n「default」フォルダに問題がある可能性があります。"),
                       Cp932(u8"エラー"), MB_OK, false);
  ASSERT_TRUE(WaitForBox(failed, &w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
  EXPECT_EQ(TextMismatches(failed, p), 0);
  x_.SendKey(w, XK_Escape);
  EXPECT_EQ(player->Wait(60s), 1) << t4test::ReadFile(dir_ / "stderr.txt");
  EXPECT_FALSE(fs::exists(dir_ / "data"));
}

TEST_F(WindowedBox, TheArrowsMoveTheFocusBetweenTheButtonsAndReturnTakesTheFocusedOne) {
  auto player = Start(dir_ / "instance.lock");
  XWindowId w = 0;
  XPicture p;
  ASSERT_TRUE(WaitForBox(question_, &w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
  const auto& yes = ButtonOf(question_, IDYES);
  const auto& no = ButtonOf(question_, IDNO);
  // The focused button shows a dotted frame 3 pixels inside its edge (its
  // top-left dot inked), the other none; Yes keeps the default's outline.
  const auto focusIsOn = [&](const sMessageBoxLayout::Button& on, const sMessageBoxLayout::Button& off) {
    return t4test::WaitUntil(
        [&] {
          XPicture now;
          return x_.Grab(w, &now) && now.At(on.x + 3, on.y + 3) == kInk && now.At(off.x + 3, off.y + 3) == kFace &&
                 now.At(yes.x - 1, yes.y + yes.h / 2) == kInk;
        },
        30s);
  };
  ASSERT_TRUE(focusIsOn(yes, no));
  // Right moves to No, and at the last button stays there; Left goes back.
  for (unsigned long key : {XK_Right, XK_Right}) {
    x_.SendKey(w, key);
    EXPECT_TRUE(focusIsOn(no, yes)) << key;
  }
  x_.SendKey(w, XK_Left);
  EXPECT_TRUE(focusIsOn(yes, no));
  x_.SendKey(w, XK_Down);
  EXPECT_TRUE(focusIsOn(no, yes));
  // Return answers No: start-up fails with its error box, data\ unmade.
  x_.SendKey(w, XK_Return);
  const sMessageBoxLayout failed =
      LayOutMessageBox(Cp932(u8"「data」フォルダの作成に失敗…\n「default」フォルダに問題がある可能性があります。"),
                       Cp932(u8"エラー"), MB_OK, false);
  ASSERT_TRUE(WaitForBox(failed, &w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
  x_.SendKey(w, XK_Return);
  EXPECT_EQ(player->Wait(60s), 1) << t4test::ReadFile(dir_ / "stderr.txt");
  EXPECT_FALSE(fs::exists(dir_ / "data"));
}

TEST_F(WindowedBox, SigtermWhileABoxIsUpEndsThePlayerInOrder) {
  // The first start's question, with the game window made but not shown.
  {
    auto player = Start(dir_ / "instance.lock");
    XWindowId w = 0;
    XPicture p;
    ASSERT_TRUE(WaitForBox(question_, &w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
    ::kill(player->Pid(), SIGTERM);
    EXPECT_EQ(player->Wait(60s), 0) << t4test::ReadFile(dir_ / "stderr.txt");
    EXPECT_FALSE(fs::exists(dir_ / "data"));
  }
  // The question of a second instance, asked before any window: this test
  // holds the lock as a running player does.
  const std::string lock = dir_ / "held.lock";
  plat::InstanceLock held;
  ASSERT_EQ(held.Acquire(lock), plat::InstanceLock::Result::kAcquired);
  const sMessageBoxLayout again = LayOutMessageBox(
      Cp932(u8"既に起動しています。\n実行中のプログラムを閉じて再起動しますか？\n\nRunning this program now. Restart?"),
      Cp932(u8"二重起動"), MB_YESNO, false);
  auto second = Start(lock);
  XWindowId w = 0;
  XPicture p;
  ASSERT_TRUE(WaitForBox(again, &w, &p)) << t4test::ReadFile(dir_ / "stderr.txt");
  EXPECT_EQ(TextMismatches(again, p), 0);
  ::kill(second->Pid(), SIGTERM);
  EXPECT_EQ(second->Wait(60s), 0) << t4test::ReadFile(dir_ / "stderr.txt");
}

// On a video driver without a screen nobody could answer a box: it takes
// its default answer (yes, make data\ from default\) at once instead of
// waiting in a window nobody sees.
TEST(DrawnBox, WithoutAScreenTheBoxTakesItsDefaultAnswer) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  fs::rename(dir / "data", dir / "default");
  t4test::BackgroundPlayer player({"--frames", "5"}, dir.path(),
                                  {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy",
                                   "T4_INSTANCE_LOCK=" + (dir / "instance.lock")},
                                  dir / "err.txt");
  EXPECT_EQ(player.Wait(60s), 0) << t4test::ReadFile(dir / "err.txt");
  EXPECT_TRUE(fs::is_regular_file(dir / "data/System.dat"));
}

}  // namespace
