// The start-up dialog and the drawing-mode choice, driven by injected keys
// and by the headless answers script.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "records/boot_data.h"
#include "app/boot_dialog.h"
#include "records/start_option.h"
#include "platform/answers.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/text.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

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

}  // namespace
