// The full-screen message box answered by a player: keys and clicks reach it
// through the dialog input (as the window thread routes them while it is
// up), never the game; the pointer shows while it is up.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "display_fixture.h"
#include "draw_helpers.h"
#include "graphics/color.h"
#include "graphics/mesbox.h"
#include "platform/dialog_input.h"
#include "platform/fonts.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/video.h"
#include "support/background_player.h"

namespace {

constexpr uint32_t kFrameRgb = 0xF0F0F0;   // box and button frames
constexpr uint32_t kMarkedRgb = 0x3050A0;  // caption bar and the marked button

uint32_t BackRgb(int x, int y) {
  const Rgba8 c = DecodePixel(drawtest::Buf(BackBuffer).format, drawtest::Get(BackBuffer, x, y));
  return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
}

struct Key {
  int vk;
  bool release = false;
};

class MesBoxInput : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    plat::RegisterMainThread();
    plat::ResetRuntimeForTest();
    plat::ClearDialogInput();
    ASSERT_TRUE(Init(kDisplayModes[2]));  // DirectDraw 32-bit full screen
    // A player at the screen: the box reads its input instead of a script.
    plat::SetHeadless(false);
  }
  void TearDown() override {
    plat::SetHeadless(true);
    plat::SetFramePresentedHook(nullptr);
    plat::ClearDialogInput();
    plat::ClearKeys();
    DDSetMesBoxEnglish(0);
    plat::ResetRuntimeForTest();
    DisplayTest::TearDown();
  }
  static void Inject(const std::vector<Key>& keys) {
    for (const Key& k : keys) {
      if (k.release)
        plat::InjectDialogKeyUp(k.vk);
      else
        plat::InjectDialogKey(k.vk);
    }
  }
  // Where a two-button box marks its default (first) button: a row inside
  // the buttons, below their labels, and the x of the first button's inside
  // and of the second button's left frame, found from the pixels.
  struct Row {
    int y = -1, first = -1, second = -1;
  };
  static Row ButtonRow() {
    Row r;
    for (int y = 479; y >= 0 && r.y < 0; --y)
      for (int x = 0; x < 640; ++x)
        if (BackRgb(x, y) == kMarkedRgb) {
          r.y = y;
          r.first = x;
          break;
        }
    if (r.y < 0) return r;
    int x = r.first;
    while (x < 640 && BackRgb(x, r.y) == kMarkedRgb) ++x;  // the marked inside
    while (x < 640 && BackRgb(x, r.y) == kFrameRgb) ++x;   // its right frame
    while (x < 640 && BackRgb(x, r.y) != kFrameRgb) ++x;   // the gap
    r.second = x < 640 ? x : -1;
    return r;
  }
};

TEST_F(MesBoxInput, KeysAnswerTheBoxEscapeTakesCancelOrTheDefault) {
  struct Case {
    const char* name;
    unsigned type;
    std::vector<Key> keys;
    int answer;
  } cases[] = {
      {"Escape, Yes/No", MB_YESNO, {{VK_ESCAPE}}, IDYES},
      {"Escape, Yes/No with No the default", MB_YESNO | MB_DEFBUTTON2, {{VK_ESCAPE}}, IDNO},
      {"Escape, OK/Cancel", MB_OKCANCEL, {{VK_ESCAPE}}, IDCANCEL},
      {"Escape, Yes/No/Cancel with No the default", MB_YESNOCANCEL | MB_DEFBUTTON2, {{VK_ESCAPE}}, IDCANCEL},
      {"Escape, OK", MB_OK | MB_ICONERROR, {{VK_ESCAPE}}, IDOK},
      {"Return takes the default", MB_YESNO | MB_DEFBUTTON2, {{VK_RETURN}}, IDNO},
      {"Right then Return", MB_YESNO, {{VK_RIGHT}, {VK_RETURN}}, IDNO},
      {"Right stops at the last button, Space", MB_YESNOCANCEL, {{VK_RIGHT}, {VK_RIGHT}, {VK_RIGHT}, {VK_SPACE}}, IDCANCEL},
      {"Left stops at the first button", MB_OKCANCEL | MB_DEFBUTTON2, {{VK_LEFT}, {VK_LEFT}, {VK_RETURN}}, IDOK},
      {"other keys and releases do not answer", MB_OKCANCEL, {{'Z'}, {VK_RETURN, true}, {VK_F1}, {VK_ESCAPE}}, IDCANCEL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Inject(c.keys);
    EXPECT_EQ(DDMesBox("Continue?", "Question", c.type), c.answer);
    EXPECT_FALSE(plat::DialogInputActive());
    // A press is the box's alone; the game's key table never sees it.
    EXPECT_FALSE(plat::IsKeyDown(VK_ESCAPE));
    EXPECT_FALSE(plat::IsKeyDown(VK_RETURN));
  }
}

TEST_F(MesBoxInput, ALeftClickOnAButtonAnswersAndOneBesideThemDoesNot) {
  // The first box shows where the buttons are.
  Inject({{VK_ESCAPE}});
  ASSERT_EQ(DDMesBox("Overwrite the file?", "Question", MB_YESNO), IDYES);
  const Row row = ButtonRow();
  ASSERT_GE(row.y, 0);
  ASSERT_GT(row.second, row.first);

  plat::InjectDialogClick(row.second + 5, row.y);
  EXPECT_EQ(DDMesBox("Overwrite the file?", "Question", MB_YESNO), IDNO);
  plat::InjectDialogClick(row.first + 5, row.y);
  EXPECT_EQ(DDMesBox("Overwrite the file?", "Question", MB_YESNO | MB_DEFBUTTON2), IDYES);
  // Between the buttons and above them nothing is hit; the key after answers.
  plat::InjectDialogClick(row.second - 3, row.y);
  plat::InjectDialogClick(row.first + 5, row.y - 40);
  plat::InjectDialogKey(VK_RETURN);
  EXPECT_EQ(DDMesBox("Overwrite the file?", "Question", MB_YESNO | MB_DEFBUTTON2), IDNO);
}

// The buttons speak the program's language: Japanese, or English with the
// start option. The ink inside the Cancel button is that of its label.
TEST_F(MesBoxInput, ButtonLabelsAreJapaneseUnlessEnglishIsChosen) {
  const plat::Font font(plat::FontDesc{"ＭＳ ゴシック", 16, 0, plat::kFixedPitch});
  auto inkOf = [](const plat::TextMask& m) {
    int n = 0;
    for (int y = 0; y < m.height; ++y)
      for (int x = 0; x < m.width; ++x) n += m.At(x, y) ? 1 : 0;
    return n;
  };
  struct Case {
    int english;
    const char* cancel;
  } cases[] = {{0, "キャンセル"}, {1, "Cancel"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cancel);
    DDSetMesBoxEnglish(c.english);
    Inject({{VK_ESCAPE}});
    ASSERT_EQ(DDMesBox("Retry?", "Question", MB_OKCANCEL), IDCANCEL);
    const Row row = ButtonRow();
    ASSERT_GT(row.second, 0);
    // The second button's inside: from its left frame to the right one.
    int right = row.second + 1;
    while (right < 640 && BackRgb(right, row.y) != kFrameRgb) ++right;
    int top = row.y;
    while (top > 0 && BackRgb(row.second + 1, top - 1) != kFrameRgb) --top;
    int ink = 0;
    for (int y = top; y <= row.y; ++y)
      for (int x = row.second + 1; x < right; ++x) ink += BackRgb(x, y) == 0xF8F8F8 ? 1 : 0;
    EXPECT_EQ(ink, inkOf(font.Render(c.cancel)));
    EXPECT_NE(inkOf(font.Render("キャンセル")), inkOf(font.Render("Cancel")));
  }
}

// The box on a game-side thread, as an error box of the game thread: the
// window thread keeps serving, the keyboard is the box's while it is up and
// the pointer shows over the full-screen game only then.
std::atomic<int> g_presents{0};
std::atomic<bool> g_pointerWhileUp{false}, g_routedWhileUp{false};

TEST_F(MesBoxInput, OnAGameThreadTheBoxOwnsTheKeyboardAndShowsThePointer) {
  plat::ShowPointer(false);
  g_presents = 0;
  plat::SetFramePresentedHook([](uint64_t) {
    // The second picture is the box redrawn after a key, inside its loop.
    if (++g_presents == 2) {
      g_pointerWhileUp = plat::PointerShown();
      g_routedWhileUp = plat::DialogInputActive();
    }
  });
  std::atomic<int> answer{-1};
  std::thread game([&] { answer = DDMesBox("Quit the game?", "Question", MB_YESNO | MB_DEFBUTTON2); });
  // Keys are the box's once it routes them.
  ASSERT_TRUE(t4test::WaitUntil([] {
    plat::PumpMessages(1);
    return plat::DialogInputActive();
  }, std::chrono::seconds(10)));
  plat::InjectDialogKey(VK_LEFT);
  plat::InjectDialogKey(VK_ESCAPE);
  ASSERT_TRUE(t4test::WaitUntil([&] {
    plat::PumpMessages(1);
    return answer.load() != -1;
  }, std::chrono::seconds(10)));
  game.join();
  // Escape takes the default button, not the one Left marked.
  EXPECT_EQ(answer.load(), IDNO);
  EXPECT_TRUE(g_pointerWhileUp.load());
  EXPECT_TRUE(g_routedWhileUp.load());
  EXPECT_FALSE(plat::PointerShown());
  EXPECT_FALSE(plat::DialogInputActive());
}

}  // namespace
