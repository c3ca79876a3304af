// The file chooser drawn inside the game window, driven by injected keys and
// text as a player drives it; boxes are answered from the answers script.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "platform/answers.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/video.h"
#include "services/file_chooser_ui.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

using t4test::TempFolder;
using t4test::U8;

const char kStageFilter[] = "StageFile ( *.stg4_*;*.rpl4_* )\0stg4_*;rpl4_*\0All ( *.* )\0*.*\0";

// What the dialog shows whenever F1 reaches it.
struct Shot {
  std::string folder;
  std::vector<std::string> rows;  // the visible rows, empty ones left off
  std::string name;
  uint16_t focus = 0;
};

class cProbe : public cControl {
 public:
  std::vector<Shot> shots;
  void OnKey(int key, LPARAM, bool) override {
    if (key != VK_F1) return;
    Shot s;
    s.folder = m_pDialog->GetItemText(kFileChooserFolderId);
    for (int i = 0; i < kFileChooserRows; ++i) {
      std::string row = m_pDialog->GetItemText(static_cast<uint16_t>(kFileChooserRowId + i));
      if (!row.empty()) s.rows.push_back(row);
    }
    s.name = m_pDialog->GetItemText(kFileChooserNameId);
    s.focus = m_pDialog->FocusId();
    shots.push_back(s);
  }
};

class cProbedChooser : public cFileChooserDialog {
 public:
  using cFileChooserDialog::cFileChooserDialog;
  void OnInitDialog(WPARAM w, LPARAM l) override {
    cFileChooserDialog::OnInitDialog(w, l);
    probe.Attach(this, 0);
  }
  cProbe probe;
};

class FileChooserUi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    ASSERT_TRUE(dir.Enter());
    wasHeadless = plat::IsHeadless();
    plat::SetHeadless(true);
    plat::ClearDialogInput();
    Answers({});
    ASSERT_TRUE(dir.MakeDir("data"));
    ASSERT_TRUE(dir.MakeDir("data/stg4"));
    ASSERT_TRUE(dir.MakeDir("data/stg4/sub"));
    ASSERT_TRUE(dir.MakeDir("data/stg4/Alpha"));
    ASSERT_TRUE(dir.MakeDir(U8(u8"data/stg4/表")));  // its CP932 name ends in the byte 0x5C
    for (const char* f : {"b.stg4_001", "A.stg4_002", "c.txt", "Z.RPL4_778", "sub/deep.stg4_001"})
      ASSERT_TRUE(dir.MakeFile(std::string("data/stg4/") + f));
    ASSERT_TRUE(dir.MakeFile(U8(u8"data/stg4/ステージ.stg4_003")));
    ASSERT_TRUE(dir.MakeFile(U8(u8"data/stg4/表/x.stg4_001")));
    ASSERT_TRUE(dir.MakeDir("user_data"));
    ASSERT_TRUE(dir.MakeDir("user_data/rpl4"));
    ASSERT_TRUE(dir.MakeFile("user_data/rpl4/old.rpl4_778", "keep"));
  }
  void TearDown() override {
    Answers({});
    plat::ClearDialogInput();
    plat::SetHeadless(wasHeadless);
  }
  void Answers(const std::vector<std::string>& lines) {
    const std::string path = dir / "answers.txt";
    std::ofstream out(path, std::ios::trunc);
    for (const std::string& l : lines) out << l << "\n";
    out.close();
    ASSERT_TRUE(plat::LoadAnswers(path, nullptr));
  }
  static void Keys(std::initializer_list<int> vks) {
    for (int vk : vks) plat::InjectDialogKey(vk);
  }
  cFileChooser Open() {
    return cFileChooser(cFileChooser::kOpen, "data\\stg4\\", ParseFileFilter(kStageFilter, sizeof kStageFilter), "",
                        "");
  }
  cFileChooser Save() {
    return cFileChooser(cFileChooser::kSave, "user_data\\rpl4\\",
                        {cFileFilter{"ReplayFile ( *.rpl4_778 )", "*.rpl4_778"}}, "rpl4_778", "old.rpl4_778");
  }
  // Runs the dialog on the keys already injected.
  int Run(cFileChooser& chooser, std::vector<Shot>* shots, const char* title = "Load stage file") {
    cProbedChooser dlg(chooser, title);
    const int r = dlg.DoModal(0) == 1 ? 1 : 0;
    *shots = dlg.probe.shots;
    return r;
  }
  bool ReportHas(const std::string& piece) {
    const std::vector<std::string> lines = report.Lines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(piece) != std::string::npos; });
  }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
  bool wasHeadless = false;
};

TEST_F(FileChooserUi, ListsDotDotThenFoldersThenFilteredFilesAndStepsThroughFilters) {
  cFileChooser c = Open();
  // Shown; two steps down; the filter button (Tab from the name) pressed
  // with Space shows every file; Esc.
  Keys({VK_F1, VK_DOWN, VK_DOWN, VK_F1, VK_TAB, VK_SPACE, VK_F1, VK_ESCAPE});
  std::vector<Shot> shots;
  EXPECT_EQ(Run(c, &shots), 0);
  ASSERT_EQ(shots.size(), 3u);
  EXPECT_EQ(shots[0].folder, "data\\stg4");
  const std::vector<std::string> listed = {"> [..]",       "  [Alpha]",    "  [sub]",
                                           "  [表]",       "  A.stg4_002", "  b.stg4_001",
                                           "  Z.RPL4_778", "  ステージ.stg4_003"};
  EXPECT_EQ(shots[0].rows, listed);
  EXPECT_EQ(shots[0].focus, kFileChooserNameId);
  EXPECT_EQ(shots[0].name, "");
  EXPECT_EQ(shots[1].rows[0], "  [..]");
  EXPECT_EQ(shots[1].rows[2], "> [sub]");
  EXPECT_EQ(shots[1].name, "");  // a folder is not put in the name
  // Every file: c.txt comes in between, the list back at its top.
  EXPECT_EQ(shots[2].focus, kFileChooserFilterId);
  ASSERT_EQ(shots[2].rows.size(), listed.size() + 1);
  EXPECT_EQ(shots[2].rows[0], "> [..]");
  EXPECT_EQ(shots[2].rows[6], "  c.txt");
  EXPECT_EQ(c.FilterIndex(), 1);
  EXPECT_TRUE(c.Path().empty());
}

TEST_F(FileChooserUi, KeysWalkIntoFoldersAndBackAndEnterOnAFileReturnsIt) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    std::string path;
  } cases[] = {
      // Into sub, down to its file, up to "..", back out, then A.stg4_002.
      {"sub and back",
       {VK_DOWN, VK_DOWN, VK_RETURN, VK_F1, VK_DOWN, VK_UP, VK_RETURN, VK_F1, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN,
        VK_RETURN},
       "data\\stg4\\A.stg4_002"},
      // A CP932 folder name ending in 0x5C, and a file in it.
      {"cp932 folder", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN, VK_DOWN, VK_RETURN}, "data\\stg4\\表\\x.stg4_001"},
      // A CP932 file name, picked with the list and confirmed with Enter.
      {"cp932 file", {VK_NEXT, VK_RETURN}, "data\\stg4\\ステージ.stg4_003"},
      // A typed name with another case; a typed folder name is entered too.
      {"typed", {}, "data\\stg4\\SUB\\deep.stg4_001"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    cFileChooser c = Open();
    for (int vk : k.keys) plat::InjectDialogKey(vk);
    if (k.keys.empty()) {
      plat::InjectDialogText("SUB");
      plat::InjectDialogKey(VK_RETURN);
      plat::InjectDialogText("deep.stg4_001");
      plat::InjectDialogKey(VK_RETURN);
    }
    std::vector<Shot> shots;
    ASSERT_EQ(Run(c, &shots), 1);
    EXPECT_EQ(c.Path(), k.path);
    if (std::string(k.what) == "sub and back") {
      ASSERT_EQ(shots.size(), 2u);
      EXPECT_EQ(shots[0].folder, "data\\stg4\\sub");
      EXPECT_EQ(shots[0].rows, (std::vector<std::string>{"> [..]", "  deep.stg4_001"}));
      EXPECT_EQ(shots[1].folder, "data\\stg4");
      EXPECT_EQ(shots[1].rows[0], "> [..]");
    }
  }
}

TEST_F(FileChooserUi, OpenRefusesAMissingFileWithItsBoxAndStaysOpen) {
  Answers({"ok"});
  cFileChooser c = Open();
  plat::InjectDialogText("missing.stg4_001");
  Keys({VK_RETURN, VK_F1, VK_ESCAPE});
  std::vector<Shot> shots;
  EXPECT_EQ(Run(c, &shots), 0);
  ASSERT_EQ(shots.size(), 1u);  // still open after the box, the name kept
  EXPECT_EQ(shots[0].name, "missing.stg4_001");
  EXPECT_TRUE(ReportHas("[Load stage file]"));
  EXPECT_TRUE(ReportHas("missing.stg4_001"));
  std::string left;
  EXPECT_FALSE(plat::NextAnswer(&left));  // the box took its answer
}

TEST_F(FileChooserUi, SaveAsksBeforeOverwritingNoKeepsTheDialogYesReturnsThePath) {
  // No (and no answer at all: the default No) keeps the dialog open; Yes takes the file.
  Answers({"no", "yes"});
  cFileChooser c = Save();
  Keys({VK_F1, VK_RETURN, VK_F1, VK_RETURN});
  std::vector<Shot> shots;
  ASSERT_EQ(Run(c, &shots, "Save replay file"), 1);
  ASSERT_EQ(shots.size(), 2u);
  EXPECT_EQ(shots[0].name, "old.rpl4_778");
  EXPECT_EQ(shots[0].rows, (std::vector<std::string>{"> [..]", "  old.rpl4_778"}));
  EXPECT_EQ(shots[1].name, "old.rpl4_778");
  EXPECT_EQ(c.Path(), "user_data\\rpl4\\old.rpl4_778");
  EXPECT_TRUE(ReportHas("[Save replay file]"));

  // The default answer is No: the dialog stays until Esc.
  Answers({});
  cFileChooser d = Save();
  Keys({VK_RETURN, VK_F1, VK_ESCAPE});
  EXPECT_EQ(Run(d, &shots, "Save replay file"), 0);
  EXPECT_EQ(shots.size(), 1u);
  // A new name is taken at once, with the default extension.
  cFileChooser e = Save();
  plat::InjectDialogText("new");
  Keys({VK_RETURN});
  ASSERT_EQ(Run(e, &shots, "Save replay file"), 1);
  EXPECT_EQ(e.Path(), "user_data\\rpl4\\new.rpl4_778");
  std::ifstream kept(dir / "user_data/rpl4/old.rpl4_778");
  std::string content;
  kept >> content;
  EXPECT_EQ(content, "keep");
}

TEST_F(FileChooserUi, EscCancelsWithoutAPath) {
  cFileChooser c = Save();
  plat::InjectDialogText("other");
  Keys({VK_ESCAPE, VK_RETURN});
  std::vector<Shot> shots;
  EXPECT_EQ(Run(c, &shots), 0);
  EXPECT_TRUE(c.Path().empty());
}

TEST_F(FileChooserUi, TheListScrollsToKeepTheSelectionInView) {
  ASSERT_TRUE(dir.MakeDir("many"));
  for (int i = 0; i < 14; ++i) ASSERT_TRUE(dir.MakeFile("many/f" + std::to_string(10 + i) + ".stg4_001"));
  cFileChooser c(cFileChooser::kOpen, "many", ParseFileFilter(kStageFilter, sizeof kStageFilter), "", "");
  // A page down, then past the end (kept at the last), then back to the top.
  Keys({VK_NEXT, VK_F1, VK_NEXT, VK_NEXT, VK_F1, VK_PRIOR, VK_PRIOR, VK_F1, VK_ESCAPE});
  std::vector<Shot> shots;
  EXPECT_EQ(Run(c, &shots), 0);
  ASSERT_EQ(shots.size(), 3u);
  ASSERT_EQ(shots[0].rows.size(), static_cast<size_t>(kFileChooserRows));
  EXPECT_EQ(shots[0].rows.front(), "  f10.stg4_001");  // ".." scrolled off
  EXPECT_EQ(shots[0].rows.back(), "> f19.stg4_001");
  EXPECT_EQ(shots[0].name, "f19.stg4_001");
  EXPECT_EQ(shots[1].rows.back(), "> f23.stg4_001");
  EXPECT_EQ(shots[1].rows.front(), "  f14.stg4_001");
  EXPECT_EQ(shots[2].rows.front(), "> [..]");
}

TEST_F(FileChooserUi, InstalledItAnswersTheOpenFileDialog) {
  plat::SetHeadless(false);
  InstallDrawnFileChooser();
  Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
  std::string file = "stale";
  std::vector<std::string> names;
  const int r = ShowOpenFileDialog(nullptr, &file, 260, "data\\stg4\\", "Load stage file", kStageFilter, nullptr, 0,
                                   &names);
  SetFileChooserUi(nullptr);
  plat::SetHeadless(true);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(file, "data\\stg4\\A.stg4_002");
  EXPECT_EQ(names, std::vector<std::string>{file});
}

}  // namespace
