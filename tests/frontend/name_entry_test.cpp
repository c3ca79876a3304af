// The ranking-name dialog: what typing, OK and Escape leave in the name it
// edits, and which name that is.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "frontend/name_entry_dialog.h"
#include "platform/answers.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/text.h"
#include "platform/video.h"
#include "records/option_data.h"
#include "records/start_option.h"
#include "stage/game_scene.h"
#include "stage/scene_manager.h"
#include "support/project_writer.h"

namespace {

// One thing typed into the dialog: text, or a key when vk is set.
struct Typed {
  std::string text;
  int vk = 0;
};
Typed Key(int vk) { return {"", vk}; }
Typed Text(const char8_t* utf8) { return {plat::Utf8ToCp932(reinterpret_cast<const char*>(utf8)), 0}; }

class NameEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    savedOption_ = g_OptionData;
    savedChoice_ = g_SceneManager.m_nTitleChoice;
    savedEnglish_ = g_StartOption.English;
    g_StartOption.English = 0;
    plat::ClearDialogInput();
    std::string unused;
    while (plat::NextAnswer(&unused)) {}
  }
  void TearDown() override {
    plat::ClearDialogInput();
    g_OptionData = savedOption_;
    g_SceneManager.m_nTitleChoice = savedChoice_;
    g_StartOption.English = savedEnglish_;
  }
  static int Run(const std::vector<Typed>& typed) {
    plat::ClearDialogInput();
    for (const Typed& t : typed) {
      if (t.vk)
        plat::InjectDialogKey(t.vk);
      else
        plat::InjectDialogText(t.text);
    }
    return RunNameEntryDialog();
  }

  t4test::TempFolder dir_{true};
  ReportLogCapture report_{dir_.path()};
  cOptionData savedOption_;
  int savedChoice_ = 0;
  int savedEnglish_ = 0;
};

TEST_F(NameEntry, TypingReplacesTheNameWithinThreeCharacters) {
  // Narrow literals are compiled to CP932.
  const std::string threeWide = "あいう";
  ASSERT_EQ(threeWide.size(), 6u);
  struct Case {
    const char* what;
    std::vector<Typed> typed;
    int result;
    std::string name;
  } cases[] = {
      {"the stored name is selected, so typing replaces it", {Text(u8"ABCD"), Key(VK_RETURN)}, 1, "ABC"},
      {"a fourth character typed alone is cut at once",
       {Text(u8"A"), Text(u8"B"), Text(u8"C"), Text(u8"D"), Key(VK_RETURN)}, 1, "ABC"},
      {"double-byte characters count one each", {Text(u8"あいうえ"), Key(VK_RETURN)}, 1, threeWide},
      {"mixed widths", {Text(u8"aあbい"), Key(VK_RETURN)}, 1, std::string("aあb")},
      {"Enter alone keeps the name", {Key(VK_RETURN)}, 1, "xyz"},
      {"OK with an empty edit stores an empty name", {Key(VK_BACK), Key(VK_RETURN)}, 1, ""},
      {"Escape keeps the old name", {Text(u8"QQ"), Key(VK_ESCAPE)}, 0, "xyz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_SceneManager.m_nTitleChoice = 5;
    g_OptionData.m_strPlayerName = "xyz";
    plat::MovePointer(-1, -1);
    EXPECT_EQ(Run(c.typed), c.result);
    EXPECT_EQ(g_OptionData.m_strPlayerName, c.name);
    // The dialog opens at (240, 220) and puts the pointer 80 right and 65
    // down from there.
    int px = 0, py = 0;
    ASSERT_TRUE(plat::PointerMovedTo(&px, &py));
    EXPECT_EQ(px, 240 + 80);
    EXPECT_EQ(py, 220 + 65);
  }
}

TEST_F(NameEntry, StagePlayEditsTheScenesRankingName) {
  g_SceneManager.m_nTitleChoice = 0;
  g_OptionData.m_strPlayerName = "opt";
  {
    auto scene = std::make_unique<cGameScene>();
    g_pGameScene = scene.get();
    scene->m_strRankingName = "aaa";
    EXPECT_EQ(Run({Text(u8"Bob!"), Key(VK_RETURN)}), 1);
    EXPECT_EQ(scene->m_strRankingName, "Bob");
    EXPECT_EQ(Run({Text(u8"Zed"), Key(VK_ESCAPE)}), 0);
    EXPECT_EQ(scene->m_strRankingName, "Bob");
    EXPECT_EQ(g_OptionData.m_strPlayerName, "opt");
  }
  EXPECT_EQ(g_pGameScene, nullptr);
  // Neither the options nor a play scene: the dialog edits nothing.
  EXPECT_EQ(NameEntryTarget(), nullptr);
  EXPECT_EQ(Run({Text(u8"Bob"), Key(VK_RETURN)}), 1);
  EXPECT_EQ(g_OptionData.m_strPlayerName, "opt");
}

TEST_F(NameEntry, HeadlessAnswersFillTheNameOrCancel) {
  g_SceneManager.m_nTitleChoice = 5;
  const std::string answers = dir_ / "answers.txt";
  ASSERT_TRUE(dir_.MakeFile("answers.txt", "ok;1003=WXYZ\ncancel;1003=QQQ\n\n"));
  std::string error;
  ASSERT_TRUE(plat::LoadAnswers(answers, &error)) << error;
  struct Case {
    int result;
    const char* name;
  } cases[] = {{1, "WXY"}, {0, "WXY"}, {1, "WXY"}};  // the last: no answer line, the default OK
  for (const Case& c : cases) {
    plat::ClearDialogInput();
    EXPECT_EQ(RunNameEntryDialog(), c.result);
    EXPECT_EQ(g_OptionData.m_strPlayerName, c.name);
  }
}

}  // namespace
