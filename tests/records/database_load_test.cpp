// Loading the ten database files of a project: the order, the stop at the
// first file that is missing or damaged with its error box, the fix-up of
// the first entries, and damaged files of every kind.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/project_paths.h"
#include "platform/msgbox.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/video.h"
#include "records/database.h"
#include "support/box_route.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

std::vector<std::string> g_boxes;  // texts (CP932) of the boxes shown

int CaptureBox(std::string_view text, std::string_view caption, unsigned) {
  g_boxes.push_back(std::string(caption) + "|" + std::string(text));
  return IDOK;
}

// How many elements a list holds and what its first one is called tell a
// list read from the test files (3 elements, first named "file N") from a
// list at its defaults.
struct ListView {
  std::function<size_t(cDatabase&)> size;
  std::function<std::string(cDatabase&)> firstName;
};

const ListView kLists[kDatabaseFileCount] = {
    {[](cDatabase& d) { return d.m_vecAnimeSet.size(); }, [](cDatabase& d) { return d.m_vecAnimeSet.At(0).m_strName; }},
    {[](cDatabase& d) { return d.m_vecAnime.size(); }, [](cDatabase& d) { return d.m_vecAnime.At(0).m_strName; }},
    {[](cDatabase& d) { return d.m_vecBmpCharaExc.size(); }, [](cDatabase& d) { return d.m_vecBmpCharaExc.At(0).m_strName; }},
    {[](cDatabase& d) { return d.m_vecSwordType.size(); }, [](cDatabase& d) { return d.m_vecSwordType.At(0).m_strName; }},
    {[](cDatabase& d) { return d.m_vecEffect.size(); }, [](cDatabase& d) { return d.m_vecEffect.At(0).m_strName; }},
    {[](cDatabase& d) { return d.m_vecCharaEffect.size(); }, [](cDatabase& d) { return d.m_vecCharaEffect.At(0).m_strName; }},
    {[](cDatabase& d) { return d.m_vecScrEffect.size(); }, [](cDatabase& d) { return d.m_vecScrEffect.At(0).m_strName; }},
    {[](cDatabase& d) { return d.m_vecPicture.size(); }, [](cDatabase& d) { return d.m_vecPicture.At(0).m_strName; }},
    {[](cDatabase& d) { return d.m_vecSound.size(); }, [](cDatabase& d) { return d.m_vecSound.At(0).m_strName; }},
    {[](cDatabase& d) { return d.m_vecBgm.size(); }, [](cDatabase& d) { return d.m_vecBgm.At(0).m_strName; }},
};

template <class T>
void MakeDistinct(cCheckedVector<T>& list, int n) {
  list.assign(3, T());
  list[0].m_strName = "file " + std::to_string(n);
}

std::string FilePath(int i) { return g_szPathTable[g_DatabaseFiles[i].pathEntry]; }

std::string ExpectedBox(int i) { return std::string("エラー|") + FilePath(i) + " のロードに失敗！"; }

class DatabaseLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bDeleteCR = 0;
    g_boxes.clear();
    plat::SetMessageBoxHandler(&CaptureBox);
    ASSERT_TRUE(plat::CreateDirectory("data"));
    ASSERT_TRUE(plat::CreateDirectory("data\\database"));
    cDatabase files;
    MakeDistinct(files.m_vecAnimeSet, 0);
    MakeDistinct(files.m_vecAnime, 1);
    MakeDistinct(files.m_vecBmpCharaExc, 2);
    MakeDistinct(files.m_vecSwordType, 3);
    MakeDistinct(files.m_vecEffect, 4);
    MakeDistinct(files.m_vecCharaEffect, 5);
    MakeDistinct(files.m_vecScrEffect, 6);
    MakeDistinct(files.m_vecPicture, 7);
    MakeDistinct(files.m_vecSound, 8);
    MakeDistinct(files.m_vecBgm, 9);
    files.m_vecCharaEffect[0].m_nKind = 5;
    files.m_vecScrEffect[0].m_nKind = 9;
    ASSERT_TRUE(files.SaveAll("data\\database"));
    for (int i = 0; i < kDatabaseFileCount; ++i) valid[i] = ReadOsFile(plat::ResolvePath(FilePath(i)));
  }
  void TearDown() override { plat::SetMessageBoxHandler(nullptr); }

  void Overwrite(int i, const std::vector<uint8_t>& bytes) {
    ByteBuilder b;
    b.Append(bytes);
    ASSERT_TRUE(b.WriteTo(plat::ResolvePath(FilePath(i))));
  }

  // Lists before `stop` hold their files, the others their defaults.
  void ExpectLoadedUpTo(cDatabase& db, int stop) {
    cDatabase defaults;
    for (int i = 0; i < kDatabaseFileCount; ++i) {
      SCOPED_TRACE(g_DatabaseFiles[i].fileName);
      if (i < stop) {
        EXPECT_EQ(kLists[i].size(db), 3u);
        EXPECT_EQ(kLists[i].firstName(db), "file " + std::to_string(i));
      } else {
        EXPECT_EQ(kLists[i].size(db), kLists[i].size(defaults));
        EXPECT_EQ(kLists[i].firstName(db), kLists[i].firstName(defaults));
      }
    }
  }

  // The error boxes reach CaptureBox whatever ran before in this process.
  t4test::BoxesToHandler boxes_{&CaptureBox};
  TempFolder dir{true};
  ReportLogCapture report{dir.path()};
  std::vector<uint8_t> valid[kDatabaseFileCount];
};

TEST_F(DatabaseLoading, AllTenFilesLoadAndTheFirstEffectEntriesBecomeNoEffect) {
  cDatabase db;
  EXPECT_EQ(db.LoadAll(), 1);
  EXPECT_TRUE(g_boxes.empty());
  ExpectLoadedUpTo(db, kDatabaseFileCount);
  EXPECT_EQ(db.m_vecCharaEffect[0].m_nKind, 0);
  EXPECT_EQ(db.m_vecScrEffect[0].m_nKind, 0);
  EXPECT_EQ(db.m_vecCharaEffect[1].m_nKind, 1);
  // Each file starts with the version this program writes.
  for (auto& bytes : valid) {
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, 778);
  }
}

// The start-up sequence on the global database: load, reverse copies, the
// four tables, each as long as its list.
TEST_F(DatabaseLoading, AfterLoadingTheFourTablesHaveOneEntryPerListEntry) {
  ASSERT_EQ(g_Database.LoadAll(), 1);
  g_Database.FillReverseCopies();
  BuildAnimePatternTable(g_AnimePatternTable);
  BuildEffectPatternTable(g_EffectPatternTable);
  BuildCharaEffectStates(g_CharaEffectStates.forward, g_CharaEffectStates.reverse);
  BuildScrEffectStates(g_ScrEffectStates.forward, g_ScrEffectStates.reverse);
  EXPECT_EQ(g_AnimePatternTable.size(), 3u);
  EXPECT_EQ(g_EffectPatternTable.size(), 3u);
  EXPECT_EQ(g_Database.m_vecCharaEffectRev.size(), 3u);
  EXPECT_EQ(g_Database.m_vecScrEffectRev.size(), 3u);
  for (auto* t : {&g_CharaEffectStates.forward, &g_CharaEffectStates.reverse}) EXPECT_EQ(t->size(), 3u);
  for (auto* t : {&g_ScrEffectStates.forward, &g_ScrEffectStates.reverse}) EXPECT_EQ(t->size(), 3u);
  EXPECT_EQ(g_Database.m_vecCharaEffectRev[0].m_nKind, 0);

  g_Database.SetDefault();
  g_Database.m_vecCharaEffectRev.clear();
  g_Database.m_vecScrEffectRev.clear();
  g_AnimePatternTable.clear();
  g_EffectPatternTable.clear();
  g_CharaEffectStates.forward.clear();
  g_CharaEffectStates.reverse.clear();
  g_ScrEffectStates.forward.clear();
  g_ScrEffectStates.reverse.clear();
}

TEST_F(DatabaseLoading, StopsAtTheFirstMissingFileWithItsBox) {
  for (int missing = 0; missing < kDatabaseFileCount; ++missing) {
    SCOPED_TRACE(g_DatabaseFiles[missing].fileName);
    SetUp();
    ASSERT_TRUE(plat::DeleteFile(FilePath(missing)));
    // A later file missing too must not be reached.
    if (missing + 1 < kDatabaseFileCount) {
      ASSERT_TRUE(plat::DeleteFile(FilePath(kDatabaseFileCount - 1)));
    }
    cDatabase db;
    EXPECT_EQ(db.LoadAll(), 0);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], ExpectedBox(missing));
    ExpectLoadedUpTo(db, missing);
    // No fix-up after a failure.
    if (missing <= 6) {
      EXPECT_EQ(db.m_vecScrEffect[0].m_nKind, 1);
    }
  }
}

TEST_F(DatabaseLoading, TheAnimeBoxTextAsTheReportLogShowsItInHeadlessRuns) {
  const bool wasHeadless = plat::IsHeadless();
  plat::SetHeadless(true);
  ASSERT_TRUE(plat::DeleteFile("data\\database\\Anime.dat"));
  cDatabase db;
  EXPECT_EQ(db.LoadAll(), 0);
  plat::SetHeadless(wasHeadless);
  const std::string expected = reinterpret_cast<const char*>(u8"[エラー] data\\database\\Anime.dat のロードに失敗！");
  auto lines = report.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end());
  EXPECT_EQ(db.m_vecAnimeSet[0].m_strName, "file 0");
  EXPECT_EQ(db.m_vecAnime[0].m_strName, "なし");
  EXPECT_EQ(db.m_vecAnime[1].m_strName, "アクションA");
}

// Damaged contents of every kind, in every one of the ten files: the load
// fails with the box naming the file and a report line naming the offset,
// and the list keeps its defaults.
TEST_F(DatabaseLoading, DamagedFilesStopTheLoadAndLeaveTheirListAlone) {
  for (int i = 0; i < kDatabaseFileCount; ++i) {
    SCOPED_TRACE(g_DatabaseFiles[i].fileName);
    const std::vector<uint8_t>& good = valid[i];
    std::vector<std::pair<std::string, std::vector<uint8_t>>> damaged;
    damaged.push_back({"empty", {}});
    damaged.push_back({"version only", {good.begin(), good.begin() + 4}});
    damaged.push_back({"cut in the last element", {good.begin(), good.end() - 3}});
    auto huge = good;
    huge[4] = 0xFF, huge[5] = 0xFF, huge[6] = 0xFF, huge[7] = 0x7F;
    damaged.push_back({"count far beyond the file", huge});
    auto negative = good;
    negative[7] = 0x80;
    damaged.push_back({"negative count", negative});
    std::mt19937 gen(1234u + static_cast<unsigned>(i));
    for (int k = 0; k < 4; ++k) {
      std::vector<uint8_t> noise(16 + gen() % 200);
      for (auto& b : noise) b = static_cast<uint8_t>(gen());
      damaged.push_back({"random bytes " + std::to_string(k), noise});
    }
    for (auto& [what, bytes] : damaged) {
      SCOPED_TRACE(what);
      Overwrite(i, bytes);
      g_boxes.clear();
      report.NewLines();
      cDatabase db;
      EXPECT_EQ(db.LoadAll(), 0);
      ASSERT_EQ(g_boxes.size(), 1u);
      EXPECT_EQ(g_boxes[0], ExpectedBox(i));
      ExpectLoadedUpTo(db, i);
      const auto lines = report.NewLines();
      ASSERT_FALSE(lines.empty());
      EXPECT_NE(lines[0].find(g_DatabaseFiles[i].fileName), std::string::npos) << lines[0];
    }
    Overwrite(i, good);
  }
}

// Every cut of every file, through the one-list loader: never loaded, never
// a change to the list.
TEST_F(DatabaseLoading, EveryTruncationOfEveryFileFails) {
  cDatabase db;
  for (int i = 0; i < kDatabaseFileCount; ++i) {
    SCOPED_TRACE(g_DatabaseFiles[i].fileName);
    for (size_t cut = 0; cut < valid[i].size(); ++cut) {
      Overwrite(i, {valid[i].begin(), valid[i].begin() + static_cast<long>(cut)});
      const std::string path = FilePath(i);
      DatabaseLoad r = DatabaseLoad::Loaded;
      switch (i) {
        case 0: r = LoadDatabaseFile(db.m_vecAnimeSet, path.c_str()); break;
        case 1: r = LoadDatabaseFile(db.m_vecAnime, path.c_str()); break;
        case 2: r = LoadDatabaseFile(db.m_vecBmpCharaExc, path.c_str()); break;
        case 3: r = LoadDatabaseFile(db.m_vecSwordType, path.c_str()); break;
        case 4: r = LoadDatabaseFile(db.m_vecEffect, path.c_str()); break;
        case 5: r = LoadDatabaseFile(db.m_vecCharaEffect, path.c_str()); break;
        case 6: r = LoadDatabaseFile(db.m_vecScrEffect, path.c_str()); break;
        case 7: r = LoadDatabaseFile(db.m_vecPicture, path.c_str()); break;
        case 8: r = LoadDatabaseFile(db.m_vecSound, path.c_str()); break;
        default: r = LoadDatabaseFile(db.m_vecBgm, path.c_str()); break;
      }
      ASSERT_EQ(r, DatabaseLoad::Damaged) << "cut at " << cut;
    }
    ExpectLoadedUpTo(db, 0);
  }
}

TEST_F(DatabaseLoading, AnEmptyListIsGivenOneDefaultEntryAndLogged) {
  for (int i = 0; i < kDatabaseFileCount; ++i) Overwrite(i, {0x0A, 0x03, 0, 0, 0, 0, 0, 0});
  report.NewLines();
  cDatabase db;
  EXPECT_EQ(db.LoadAll(), 1);
  for (int i = 0; i < kDatabaseFileCount; ++i) EXPECT_EQ(kLists[i].size(db), 1u) << g_DatabaseFiles[i].fileName;
  EXPECT_EQ(db.m_vecAnime[0].m_strName, "");
  ASSERT_EQ(db.m_vecAnime[0].m_vecFrame.size(), 1u);
  EXPECT_EQ(db.m_vecCharaEffect[0].m_nKind, 0);
  EXPECT_EQ(db.m_vecScrEffect[0].m_nKind, 0);
  EXPECT_EQ(report.NewLines().size(), static_cast<size_t>(kDatabaseFileCount));
}

TEST_F(DatabaseLoading, CarriageReturnsAreDroppedFromEveryStringIncludingNestedOnes) {
  cDatabase files;
  files.m_vecAnimeSet[0].m_strName = "set\r\nname";
  files.m_vecAnimeSet[0].m_vecAnime[1].m_strName = "walk\r\n";
  files.m_vecPicture[1].m_strFile = "bmp\\picture\\a\r.bmp";
  ASSERT_TRUE(files.SaveAll("data\\database"));
  g_bDeleteCR = 1;
  cDatabase db;
  EXPECT_EQ(db.LoadAll(), 1);
  g_bDeleteCR = 0;
  EXPECT_EQ(db.m_vecAnimeSet[0].m_strName, "set\nname");
  EXPECT_EQ(db.m_vecAnimeSet[0].m_vecAnime[1].m_strName, "walk\n");
  EXPECT_EQ(db.m_vecPicture[1].m_strFile, "bmp\\picture\\a.bmp");
}

}  // namespace
