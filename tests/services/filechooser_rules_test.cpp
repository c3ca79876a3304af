#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/file_chooser.h"
#include "services/log.h"
#include "support/temp_folder.h"

namespace {

using t4test::TempFolder;
using t4test::U8;

const char kStageFilter[] = "StageFile ( *.stg4_*;*.rpl4_* )\0stg4_*;rpl4_*\0";

TEST(FileChooserFilter, MatchesNamesByPatternAndExtension) {
  struct Case {
    std::string name;
    std::string patterns;
    bool match;
  } cases[] = {
      {"town.stg4_002", "stg4_*;rpl4_*", true},     // bare pattern matches the extension
      {"TOWN.STG4_002", "*.stg4_*", true},          // letters in either case
      {"a.rpl4_778", "stg4_*;rpl4_*", true},        // second pattern of the list
      {"town.stg3_002", "stg4_*;rpl4_*", false},
      {"town.stg4", "*.stg4_*", false},
      {"stg4_x", "stg4_*", true},                   // the whole name still counts
      {"a.b.stg4_1", "*.stg4_*", true},
      {"町.stg4_001", "*.stg4_*", true},
      {"表.txt", "?.txt", true},                    // a double-byte character is one '?'
      {"表.txt", "??.txt", false},
      {"\x83\x41.txt", "\x83\x61.txt", false},      // trail bytes are not letters to fold
      {"\x83\x41.txt", "\x83\x41.TXT", true},
      {"README", "*.*", true},
      {"a.txt", " *.txt ; *.dat", true},
      {"town.stg4_002", "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchFilePattern(c.name, c.patterns), c.match) << c.name << " / " << c.patterns;
}

TEST(FileChooserFilter, ParsesThePackedFilterList) {
  const char packed[] = "StageFile ( *.stg4_* )\0stg4_*\0All\0*.*\0";
  std::vector<cFileFilter> f = ParseFileFilter(packed, sizeof packed);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].text, "StageFile ( *.stg4_* )");
  EXPECT_EQ(f[0].pattern, "stg4_*");
  EXPECT_EQ(f[1].pattern, "*.*");
  // A list cut short (no final NUL within the limit) yields what is whole.
  const char cut[] = {'A', '\0', 'x', '*'};
  EXPECT_TRUE(ParseFileFilter(cut, sizeof cut).empty());
  EXPECT_TRUE(ParseFileFilter(nullptr).empty());
}

class FileChooserFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    ASSERT_TRUE(dir.Enter());
    ASSERT_TRUE(dir.MakeDir("data"));
    ASSERT_TRUE(dir.MakeDir("data/stg4"));
    ASSERT_TRUE(dir.MakeDir("data/stg4/sub"));
    ASSERT_TRUE(dir.MakeDir("data/stg4/Alpha"));
    for (const char* f : {"b.stg4_001", "A.stg4_002", "c.txt", "Z.RPL4_778", "sub/deep.stg4_001"})
      ASSERT_TRUE(dir.MakeFile(std::string("data/stg4/") + f));
    ASSERT_TRUE(dir.MakeFile(std::string("data/stg4/") + U8(u8"ステージ.stg4_003")));
    ASSERT_TRUE(dir.MakeDir("user_data"));
    ASSERT_TRUE(dir.MakeDir("user_data/rpl4"));
    ASSERT_TRUE(dir.MakeFile("user_data/rpl4/old.rpl4_778"));
  }
  cFileChooser Open(const char* folder = "data\\stg4\\") {
    return cFileChooser(cFileChooser::kOpen, folder, ParseFileFilter(kStageFilter, sizeof kStageFilter), "", "");
  }
  cFileChooser Save() {
    return cFileChooser(cFileChooser::kSave, "user_data\\rpl4\\",
                        {cFileFilter{"ReplayFile ( *.rpl4_778 )", "*.rpl4_778"}}, "rpl4_778", "");
  }
  static std::vector<std::string> Names(const cFileChooser& c) {
    std::vector<std::string> out;
    for (const cFileChooser::Entry& e : c.Entries()) out.push_back((e.folder ? "[" : "") + e.name + (e.folder ? "]" : ""));
    return out;
  }
  TempFolder dir;
};

TEST_F(FileChooserFolder, ListsParentFoldersThenFilteredFilesSortedWithoutCase) {
  cFileChooser c = Open();
  EXPECT_EQ(c.Folder(), "data\\stg4");
  const std::vector<std::string> expected = {"[..]",      "[Alpha]",   "[sub]", "A.stg4_002", "b.stg4_001",
                                             "Z.RPL4_778", "ステージ.stg4_003"};
  EXPECT_EQ(Names(c), expected);

  // Another filter of the list: every file.
  cFileChooser all(cFileChooser::kOpen, "data\\stg4", {{"x", "stg4_*"}, {"All", "*.*"}}, "", "");
  all.SetFilterIndex(1);
  EXPECT_EQ(all.Entries().size(), expected.size() + 1);  // c.txt too
  all.SetFilterIndex(5);                                 // out of range: kept
  EXPECT_EQ(all.FilterIndex(), 1);
}

TEST_F(FileChooserFolder, WalksIntoSubfoldersAndUpThroughDotDot) {
  cFileChooser c = Open();
  ASSERT_TRUE(c.EnterFolder("SUB"));  // folders are found without regard to case
  EXPECT_EQ(Names(c), (std::vector<std::string>{"[..]", "deep.stg4_001"}));
  EXPECT_EQ(c.Submit("deep.stg4_001"), cFileChooser::kAccepted);
  EXPECT_EQ(c.Path(), "data\\stg4\\SUB\\deep.stg4_001");

  EXPECT_EQ(c.Submit(".."), cFileChooser::kFolderEntered);
  EXPECT_EQ(c.Folder(), "data\\stg4");
  ASSERT_TRUE(c.EnterFolder(".."));
  ASSERT_TRUE(c.EnterFolder(".."));
  EXPECT_EQ(c.Folder(), "");  // the current directory
  ASSERT_TRUE(c.EnterFolder(".."));
  EXPECT_EQ(c.Folder(), "..");  // above it the path piles up ".."
  EXPECT_FALSE(c.EnterFolder("no such folder"));

  // A folder whose name ends in the byte 0x5C ("表") is one component.
  ASSERT_TRUE(dir.MakeDir(U8(u8"data/stg4/表")));
  ASSERT_TRUE(dir.MakeFile(U8(u8"data/stg4/表/x.stg4_001")));
  cFileChooser k = Open();
  ASSERT_TRUE(k.EnterFolder("表"));
  EXPECT_EQ(Names(k), (std::vector<std::string>{"[..]", "x.stg4_001"}));
  EXPECT_EQ(k.Submit("x.stg4_001"), cFileChooser::kAccepted);
  EXPECT_EQ(k.Path(), "data\\stg4\\表\\x.stg4_001");
  ASSERT_TRUE(k.EnterFolder(".."));
  EXPECT_EQ(k.Folder(), "data\\stg4");

  // A starting folder that is not there falls back to the current directory.
  cFileChooser missing = Open("data\\nothing\\");
  EXPECT_EQ(missing.Folder(), "");
  EXPECT_EQ(Names(missing), (std::vector<std::string>{"[..]", "[data]", "[user_data]"}));

  // A root has no "..".
  cFileChooser root(cFileChooser::kOpen, "/", {}, "", "");
  ASSERT_FALSE(root.Entries().empty());
  EXPECT_NE(root.Entries().front().name, "..");
  EXPECT_FALSE(root.EnterFolder(".."));
}

TEST_F(FileChooserFolder, OpenTakesOnlyExistingFiles) {
  const std::string tooLong(300, 'x');
  struct Case {
    std::string typed;
    cFileChooser::eResult result;
    std::string path;     // after kAccepted
    std::string message;  // after kRefused
  } cases[] = {
      {"A.stg4_002", cFileChooser::kAccepted, "data\\stg4\\A.stg4_002", ""},
      {"a.STG4_002", cFileChooser::kAccepted, "data\\stg4\\a.STG4_002", ""},
      {"ステージ.stg4_003", cFileChooser::kAccepted, "data\\stg4\\ステージ.stg4_003", ""},
      {"sub\\deep.stg4_001", cFileChooser::kAccepted, "data\\stg4\\sub\\deep.stg4_001", ""},
      {"c.txt", cFileChooser::kAccepted, "data\\stg4\\c.txt", ""},  // typed names are not filtered
      {"missing.stg4_001", cFileChooser::kRefused, "", Format(cFileChooser::kNotFoundText, "missing.stg4_001")},
      {"", cFileChooser::kRefused, "", ""},
      {"*.stg4_*", cFileChooser::kRefused, "", Format(cFileChooser::kBadNameText, "*.stg4_*")},
      {"nosub\\", cFileChooser::kRefused, "", Format(cFileChooser::kNoFolderText, "nosub\\")},
      {tooLong, cFileChooser::kRefused, "", Format(cFileChooser::kTooLongText, tooLong.c_str())},
      {"sub", cFileChooser::kFolderEntered, "", ""},
  };
  for (const Case& c : cases) {
    cFileChooser ch = Open();
    EXPECT_EQ(ch.Submit(c.typed), c.result) << c.typed;
    EXPECT_EQ(ch.Path(), c.path) << c.typed;
    EXPECT_EQ(ch.Message(), c.message) << c.typed;
  }
  // The default extension is added when the name as typed is not there.
  cFileChooser withExt(cFileChooser::kOpen, "data\\stg4", {}, "stg4_002", "");
  EXPECT_EQ(withExt.Submit("A"), cFileChooser::kAccepted);
  EXPECT_EQ(withExt.Path(), "data\\stg4\\A.stg4_002");
  // The caller's buffer bounds the path.
  cFileChooser small(cFileChooser::kOpen, "data\\stg4", {}, "", "", 10);
  EXPECT_EQ(small.Submit("A.stg4_002"), cFileChooser::kRefused);
}

TEST_F(FileChooserFolder, SaveAddsTheExtensionAndAsksBeforeOverwriting) {
  struct Case {
    std::string typed;
    cFileChooser::eResult result;
    std::string path;
    std::string message;
  } cases[] = {
      {"new", cFileChooser::kAccepted, "user_data\\rpl4\\new.rpl4_778", ""},
      {"new.dat", cFileChooser::kAccepted, "user_data\\rpl4\\new.dat", ""},
      {"リプレイ", cFileChooser::kAccepted, "user_data\\rpl4\\リプレイ.rpl4_778", ""},
      {"old", cFileChooser::kAskOverwrite, "user_data\\rpl4\\old.rpl4_778",
       Format(cFileChooser::kOverwriteText, "old.rpl4_778")},
      {"OLD.RPL4_778", cFileChooser::kAskOverwrite, "user_data\\rpl4\\OLD.RPL4_778",
       Format(cFileChooser::kOverwriteText, "OLD.RPL4_778")},
      {"nofolder\\x", cFileChooser::kRefused, "", Format(cFileChooser::kNoFolderText, "user_data\\rpl4\\nofolder\\")},
      {"a|b", cFileChooser::kRefused, "", Format(cFileChooser::kBadNameText, "a|b")},
  };
  for (const Case& c : cases) {
    cFileChooser ch = Save();
    EXPECT_EQ(ch.Submit(c.typed), c.result) << c.typed;
    EXPECT_EQ(ch.Path(), c.path) << c.typed;
    EXPECT_EQ(ch.Message(), c.message) << c.typed;
  }
  EXPECT_EQ(Format(cFileChooser::kOverwriteText, "old.rpl4_778"), "old.rpl4_778 は既に存在します。\n上書きしますか?");
}

}  // namespace
