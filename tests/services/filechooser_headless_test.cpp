#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/surface.h"
#include "platform/answers.h"
#include "platform/video.h"
#include "services/file_chooser.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

using t4test::TempFolder;
using t4test::U8;

const char kStageFilter[] = "StageFile ( *.stg4_*;*.rpl4_* )\0stg4_*;rpl4_*\0";
const char kReplayFilter[] = "ReplayFile ( *.rpl4_778 )\0*.rpl4_778\0";

class FileChooserHeadless : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    ASSERT_TRUE(dir.Enter());
    wasHeadless = plat::IsHeadless();
    plat::SetHeadless(true);
    ASSERT_TRUE(dir.MakeDir("data"));
    ASSERT_TRUE(dir.MakeDir("data/stg4"));
    ASSERT_TRUE(dir.MakeDir("data/stg4/sub"));
    ASSERT_TRUE(dir.MakeFile("data/stg4/Town.stg4_002"));
    ASSERT_TRUE(dir.MakeFile(std::string("data/stg4/sub/") + U8(u8"ステージ.stg4_001")));
    ASSERT_TRUE(dir.MakeDir("user_data"));
    ASSERT_TRUE(dir.MakeDir("user_data/rpl4"));
    ASSERT_TRUE(dir.MakeFile("user_data/rpl4/old.rpl4_778", "keep"));
  }
  void TearDown() override {
    Answers({});
    plat::SetHeadless(wasHeadless);
  }
  void Answers(const std::vector<std::string>& lines) {
    const std::string path = dir / "answers.txt";
    std::ofstream out(path, std::ios::trunc);
    for (const std::string& l : lines) out << l << "\n";
    out.close();
    ASSERT_TRUE(plat::LoadAnswers(path, nullptr));
  }
  static int OpenStage(std::string* file, std::vector<std::string>* names = nullptr) {
    return ShowOpenFileDialog(nullptr, file, 260, "data\\stg4\\", "Load stage file", kStageFilter, nullptr, 0, names);
  }
  static int SaveReplay(std::string* file) {
    return ShowSaveFileDialog(nullptr, file, "user_data\\rpl4\\", "Save replay file", kReplayFilter, "rpl4_778");
  }
  TempFolder dir;
  ReportLogCapture report{dir.path()};
  bool wasHeadless = false;
};

TEST_F(FileChooserHeadless, OpenFollowsTheScriptThroughRefusalsAndFolders) {
  // A name that is not there is refused with a box (answered "ok"), a folder
  // is entered, a UTF-8 name is taken as CP932.
  Answers({"missing.stg4_001", "ok", "sub", U8(u8"ステージ.stg4_001"), "left over"});
  std::string file = "stale";
  std::vector<std::string> names;
  ASSERT_EQ(OpenStage(&file, &names), 1);
  EXPECT_EQ(file, "data\\stg4\\sub\\ステージ.stg4_001");
  EXPECT_EQ(names, std::vector<std::string>{file});
  const std::vector<std::string> lines = report.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), U8(u8"[Load stage file] data\\stg4\\sub\\ステージ.stg4_001")),
            lines.end());
  // The refusal box went to the report log too.
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("missing.stg4_001") != std::string::npos; }));
  std::string next;
  ASSERT_TRUE(plat::NextAnswer(&next));  // the chooser took only what it needed
  EXPECT_EQ(next, "left over");
}

TEST_F(FileChooserHeadless, CancelAndTheDefaultButton) {
  std::string file = "stale";
  Answers({"cancel"});
  EXPECT_EQ(OpenStage(&file), 0);
  EXPECT_EQ(file, "");
  // Without answers an open dialog has no name to take: cancelled.
  Answers({});
  EXPECT_EQ(OpenStage(&file), 0);
  const std::vector<std::string> lines = report.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "[Load stage file] cancel"), 2);

  // An empty line presses OK on the save dialog's starting name.
  Answers({""});
  file = "town_00.rpl4_778";
  ASSERT_EQ(SaveReplay(&file), 1);
  EXPECT_EQ(file, "user_data\\rpl4\\town_00.rpl4_778");
  // No script at all: the default button takes the starting name once.
  Answers({});
  file = "fresh";
  ASSERT_EQ(SaveReplay(&file), 1);
  EXPECT_EQ(file, "user_data\\rpl4\\fresh.rpl4_778");
}

TEST_F(FileChooserHeadless, OverwriteNeedsAYes) {
  struct Case {
    std::vector<std::string> answers;
    int result;
    std::string file;
  } cases[] = {
      {{"old", "yes"}, 1, "user_data\\rpl4\\old.rpl4_778"},
      {{"old", "no", "other"}, 1, "user_data\\rpl4\\other.rpl4_778"},
      {{"old", "no", "cancel"}, 0, ""},
      {{}, 0, ""},  // nobody there: the question's default is No, then cancel
  };
  for (const Case& c : cases) {
    Answers(c.answers);
    std::string file = "old.rpl4_778";
    EXPECT_EQ(SaveReplay(&file), c.result);
    if (c.result) {
      EXPECT_EQ(file, c.file);
    }
  }
  std::ifstream in(dir / "user_data/rpl4/old.rpl4_778");
  std::string content;
  in >> content;
  EXPECT_EQ(content, "keep");  // choosing never writes
}

TEST_F(FileChooserHeadless, MultiSelectionGivesEachFileWithItsFolder) {
  ASSERT_TRUE(dir.MakeFile("data/stg4/a.stg4_001"));
  ASSERT_TRUE(dir.MakeFile("data/stg4/b.stg4_001"));
  auto open = [](std::string* file, std::vector<std::string>* names) {
    return ShowOpenFileDialog(nullptr, file, 260, "data\\stg4", "t", kStageFilter, nullptr, 1, names);
  };
  // A missing name refuses the whole pick (its box answered "ok").
  Answers({"a.stg4_001|gone.stg4_001", "ok", "a.stg4_001|b.stg4_001"});
  std::string file;
  std::vector<std::string> names{"kept"};
  ASSERT_EQ(open(&file, &names), 1);
  EXPECT_EQ(names, (std::vector<std::string>{"kept", "data\\stg4\\a.stg4_001", "data\\stg4\\b.stg4_001"}));
  EXPECT_EQ(file, "data\\stg4\\a.stg4_001");
  // One name is a plain pick, folders included.
  Answers({"sub", U8(u8"ステージ.stg4_001")});
  names.clear();
  ASSERT_EQ(open(&file, &names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"data\\stg4\\sub\\ステージ.stg4_001"});
  // Without multi-selection '|' is no separator but a character no name has.
  Answers({"a.stg4_001|b.stg4_001", "ok", "cancel"});
  EXPECT_EQ(OpenStage(&file), 0);
}

// The drawn chooser, for the palette rule: records colour 0 while open.
PALETTEENTRY g_seen{};
int g_uiResult = 0;
int RecordingUi(cFileChooser& chooser, const char*) {
  g_seen = g_lpDDPal ? g_lpDDPal->entries[0] : PALETTEENTRY{1, 1, 1, 1};
  if (!g_uiResult) return 0;
  const std::string name = chooser.InitialName().empty() ? "Town.stg4_002" : chooser.InitialName();
  return chooser.Choose(name, "t") == cFileChooser::kAccepted;
}

TEST_F(FileChooserHeadless, ColourZeroIsBlackWhileOpenOnAnEightBitDirectDrawPalette) {
  const int oldD3D = g_bD3D, oldBpp = g_nBpp;
  DDPALETTE* oldPal = g_lpDDPal;
  const PALETTEENTRY oldWork = g_PaletteWork[0];
  DDPALETTE pal;
  g_lpDDPal = &pal;
  g_PaletteWork[0] = PALETTEENTRY{10, 20, 30, 0};
  plat::SetHeadless(false);
  SetFileChooserUi(RecordingUi);

  struct Case {
    int d3d, bpp, uiResult;
    bool black;
  } cases[] = {{0, 8, 1, true}, {0, 8, 0, true}, {0, 16, 0, false}, {1, 8, 0, false}};
  for (const Case& c : cases) {
    g_bD3D = c.d3d;
    g_nBpp = c.bpp;
    g_uiResult = c.uiResult;
    pal.entries[0] = PALETTEENTRY{10, 20, 30, 0};
    std::string file;
    EXPECT_EQ(OpenStage(&file), c.uiResult);
    EXPECT_EQ(g_seen.peRed + g_seen.peGreen + g_seen.peBlue, c.black ? 0 : 60) << c.d3d << "/" << c.bpp;
    EXPECT_EQ(pal.entries[0].peRed, 10);  // the program's colour again, by OK or cancel
    EXPECT_EQ(pal.entries[0].peBlue, 30);
    pal.entries[0] = PALETTEENTRY{10, 20, 30, 0};
    file = "x";
    SaveReplay(&file);
    EXPECT_EQ(pal.entries[0].peGreen, 20);
    if (c.uiResult) {
      EXPECT_EQ(file, "user_data\\rpl4\\x.rpl4_778");
    }
  }

  SetFileChooserUi(nullptr);
  g_bD3D = oldD3D;
  g_nBpp = oldBpp;
  g_lpDDPal = oldPal;
  g_PaletteWork[0] = oldWork;
}

}  // namespace
