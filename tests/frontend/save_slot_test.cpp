// The story slots and the challenge file: what a save writes, what a load
// takes back, and what a failed save or a damaged slot leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/save_slot.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "records/option_data.h"
#include "records/progress_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/unwritable_folder.h"

namespace {

constexpr uint32_t kPlaySoundMessage = 1029;
std::vector<int>* g_sounds = nullptr;

LRESULT RecordSounds(HWND, uint32_t msg, WPARAM w, LPARAM) {
  if (msg == kPlaySoundMessage && g_sounds) g_sounds->push_back(static_cast<int>(w));
  return 0;
}

int32_t IntAt(const std::vector<uint8_t>& bytes, size_t offset) {
  int32_t v = 0;
  if (offset + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + offset, 4);
  return v;
}

class SaveSlots : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    g_dwDataVersion = kRecordDataVersion;
    savedProgress_ = g_Progress;
    savedSlots_ = g_vecSaveSlot;
    savedSystem_ = g_SystemData;
    savedMap_ = g_WorldMap;
    savedOption_ = g_OptionData;
    g_Progress = cProgressData();
    g_vecSaveSlot.assign(kSaveSlotCount, cSaveSlot());
    g_SystemData = cSystemData();
    g_SystemData.m_vecInfiniteLives.assign({0, 0, 0, 1});
    g_SystemData.m_vecStartLives.assign({3, 5, 3, 3});
    g_WorldMap = cWorldMapData();
    g_WorldMap.SetSize(40, 30);
    plat::RegisterMainThread();
    plat::SetWindowProc(nullptr, RecordSounds);
    g_sounds = &sounds_;
    ASSERT_TRUE(plat::CreateDirectory("user_data"));
    ASSERT_TRUE(plat::CreateDirectory("user_data\\story"));
    ASSERT_TRUE(plat::CreateDirectory("user_data\\challenge"));
    report_.NewLines();
  }
  void TearDown() override {
    g_sounds = nullptr;
    plat::ResetRuntimeForTest();
    g_Progress = savedProgress_;
    g_vecSaveSlot = savedSlots_;
    g_SystemData = savedSystem_;
    g_WorldMap = savedMap_;
    g_OptionData = savedOption_;
  }
  // A run with something in every part of the file.
  static void FillRun(cProgressData& p) {
    p.m_bCarryStored = 1;
    p.m_nMapX = 12;
    p.m_nMapY = 7;
    p.m_nMapStage = 2;
    p.m_nWorld = 3;
    p.SetStageFile("data\\stg4\\town.stg4_002", 1, 5, 6);
    p.m_nStageNo = 9;
    p.m_nLives = 4;
    p.m_nScore = 4321;
    p.m_nSaveSlot = 40;
    p.m_strRankingName = "xyz";
    p.m_vecWorldFlag.At(9) = 1;
    p.m_vecVar.At(1000) = -77;
    p.UpdateBestScore("data\\stg4\\town.", p.m_strRankingKey, 1, 5, 6, 900);
  }
  std::string SlotOs(int number) const {
    char name[40];
    std::snprintf(name, sizeof name, "user_data/story/Story%02d.dat", number);
    return dir_ / name;
  }
  bool Reported(const std::vector<std::string>& lines, const char* text) const {
    return std::any_of(lines.begin(), lines.end(),
                       [text](const std::string& l) { return l.find(text) != std::string::npos; });
  }

  t4test::TempFolder dir_{true};
  ReportLogCapture report_{dir_.path()};
  std::vector<int> sounds_;
  cProgressData savedProgress_;
  cCheckedVector<cSaveSlot> savedSlots_;
  cSystemData savedSystem_;
  cWorldMapData savedMap_;
  cOptionData savedOption_;
};

TEST_F(SaveSlots, SlotFileNamesHaveTwoDigits) {
  EXPECT_EQ(MakeStorySlotFileName(0), "user_data\\story\\Story01.dat");
  EXPECT_EQ(MakeStorySlotFileName(8), "user_data\\story\\Story09.dat");
  EXPECT_EQ(MakeStorySlotFileName(98), "user_data\\story\\Story99.dat");
}

TEST_F(SaveSlots, UnderTheVirtualClockTheSaveTimeCountsFromTheStartOf2000) {
  // Headless runs save the same time every run of a script: the virtual
  // clock's seconds after 2000-01-01 00:00:00, a Saturday.
  plat::UseVirtualClock(((1 * 60 + 2) * 60 + 3) * 1000 + 999);
  FillRun(g_Progress);
  ASSERT_TRUE(SaveStorySlot(2));
  const uint16_t expected[8] = {2000, 1, 6, 1, 1, 2, 3, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(g_vecSaveSlot.At(2).m_stTime[i], expected[i]) << "field " << i;
}

TEST_F(SaveSlots, ASavedSlotIsTheRecordAndLoadsBackAsTheCurrentSlot) {
  FillRun(g_Progress);
  ASSERT_TRUE(SaveStorySlot(2));
  const std::vector<uint8_t> bytes = ReadOsFile(SlotOs(3));
  ASSERT_GT(bytes.size(), 48u);

  // The file: the version, the count of number fields (38 members, three of
  // them strings), then the numbers in member order.
  EXPECT_EQ(IntAt(bytes, 0), 778);
  EXPECT_EQ(IntAt(bytes, 4), 35);
  const int32_t leading[] = {1, 12, 7, 2, 3, /* keyed, x, y */ 1, 5, 6, /* stage number */ 9};
  for (size_t i = 0; i < std::size(leading); ++i) EXPECT_EQ(IntAt(bytes, 8 + 4 * i), leading[i]) << "number " << i;

  // The slot counts as used, with the time the record was stamped with.
  const cSaveSlot& header = g_vecSaveSlot.At(2);
  EXPECT_EQ(header.m_bExists, 1);
  if (!plat::VirtualClockActive()) { EXPECT_GE(header.m_stTime[0], 2020); }
  EXPECT_EQ(std::memcmp(header.m_stTime, g_Progress.m_stSaveTime, sizeof header.m_stTime), 0);

  // Another run in memory; loading slot 2 brings the saved one back.
  const uint16_t savedTime[8] = {g_Progress.m_stSaveTime[0], g_Progress.m_stSaveTime[1], g_Progress.m_stSaveTime[2],
                                 g_Progress.m_stSaveTime[3], g_Progress.m_stSaveTime[4], g_Progress.m_stSaveTime[5],
                                 g_Progress.m_stSaveTime[6], g_Progress.m_stSaveTime[7]};
  g_Progress.Reset();
  ASSERT_TRUE(LoadStorySlot(2));
  EXPECT_TRUE(sounds_.empty());
  const cProgressData& p = g_Progress;
  EXPECT_EQ(p.m_nSaveSlot, 40);  // the number the file held, not the slot loaded
  EXPECT_EQ(p.m_nMapX, 12);
  EXPECT_EQ(p.m_nWorld, 3);
  EXPECT_EQ(p.m_strStageFile, "data\\stg4\\town.");
  EXPECT_EQ(p.m_strRankingKey, "data\\stg4\\town_c005_6.");
  EXPECT_EQ(p.m_strRankingName, "xyz");
  EXPECT_EQ(p.m_nLives, 4);
  EXPECT_EQ(p.m_vecWorldFlag.At(9), 1);
  EXPECT_EQ(p.m_vecVar.At(1000), -77);
  EXPECT_EQ(p.GetBestScore("data\\stg4\\town_c005_6."), 900);
  EXPECT_EQ(std::memcmp(p.m_stSaveTime, savedTime, sizeof savedTime), 0);
}

TEST_F(SaveSlots, LoadingAppliesTheLivesRuleOfStoryMode) {
  struct Case {
    const char* what;
    int unlimited, storedLives;
    int lives, startLives;
  } cases[] = {
      {"lives as stored", 0, 4, 4, 2},
      {"stored unlimited becomes the mode's count", 0, kUnlimitedLives, 3, 2},
      {"unlimited mode", 1, 4, kUnlimitedLives, kUnlimitedLives},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_SystemData.m_vecInfiniteLives.At(0) = c.unlimited;
    g_Progress = cProgressData();
    g_Progress.m_nLives = c.storedLives;
    g_Progress.m_nStartLives = 2;
    ASSERT_TRUE(SaveStorySlot(0));
    g_Progress.m_nLives = -1;
    ASSERT_TRUE(LoadStorySlot(0));
    EXPECT_EQ(g_Progress.m_nLives, c.lives);
    EXPECT_EQ(g_Progress.m_nStartLives, c.startLives);
  }
}

TEST_F(SaveSlots, ASlotFromBefore754GetsAllItsVariables) {
  FillRun(g_Progress);
  g_Progress.m_vecVar.resize(1000);
  g_Progress.m_vecVar.At(999) = 31;
  g_dwDataVersion = 700;
  const bool written = g_Progress.SaveToFile(MakeStorySlotFileName(5).c_str());
  g_dwDataVersion = kRecordDataVersion;
  ASSERT_TRUE(written);
  ASSERT_EQ(IntAt(ReadOsFile(SlotOs(6)), 0), 700);
  g_Progress.Reset();
  ASSERT_TRUE(LoadStorySlot(5));
  EXPECT_EQ(g_Progress.m_vecVar.Size(), 1001);
  EXPECT_EQ(g_Progress.m_vecVar.At(999), 31);
  EXPECT_EQ(g_Progress.m_vecVar.At(1000), 0);
}

TEST_F(SaveSlots, ASaveThatCannotBeWrittenKeepsTheOldFileAndSaysSo) {
  cProgressData old;
  old.m_nMapX = 1;
  ASSERT_TRUE(old.SaveToFile(MakeStorySlotFileName(2).c_str()));
  const std::vector<uint8_t> oldBytes = ReadOsFile(SlotOs(3));
  cOptionData oldOption;
  oldOption.m_strPlayerName = "old";
  ASSERT_TRUE(oldOption.SaveToFile("user_data\\Option.dat"));
  const std::vector<uint8_t> oldOptionBytes = ReadOsFile(dir_ / "user_data/Option.dat");

  FillRun(g_Progress);
  g_Progress.m_stSaveTime[0] = 1999;
  {
    t4test::UnwritableFolder story(dir_ / "user_data/story");
    t4test::UnwritableFolder userData(dir_ / "user_data");
    if (!story.ok() || !userData.ok()) GTEST_SKIP() << "cannot make a folder unwritable here";
    report_.NewLines();
    EXPECT_FALSE(SaveStorySlot(2));
    const std::vector<std::string> lines = report_.NewLines();
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_TRUE(Reported(lines, "Story03.dat"));

    // Option.dat goes through the same writer.
    g_OptionData.m_strPlayerName = "new";
    EXPECT_FALSE(g_OptionData.SaveToFile("user_data\\Option.dat"));
  }
  EXPECT_EQ(ReadOsFile(SlotOs(3)), oldBytes);
  EXPECT_EQ(ReadOsFile(dir_ / "user_data/Option.dat"), oldOptionBytes);
  // Nothing was saved: the slot is not marked used and the record keeps the
  // time of its last real save.
  EXPECT_EQ(g_vecSaveSlot.At(2).m_bExists, 0);
  EXPECT_EQ(g_Progress.m_stSaveTime[0], 1999);
  // No temporary file is left beside the slot.
  EXPECT_EQ(plat::ListDirectory("user_data\\story", false, true).size(), 1u);
}

TEST_F(SaveSlots, NoSlotChosenYetSkipsTheAutosave) {
  FillRun(g_Progress);
  EXPECT_FALSE(SaveStorySlot(-1));
  EXPECT_TRUE(plat::ListDirectory("user_data\\story", false, true).empty());
  EXPECT_TRUE(report_.NewLines().empty());
  // A number past the slots is refused with a report line.
  EXPECT_FALSE(SaveStorySlot(kSaveSlotCount));
  EXPECT_EQ(report_.NewLines().size(), 1u);
  EXPECT_TRUE(plat::ListDirectory("user_data\\story", false, true).empty());
}

TEST_F(SaveSlots, ADamagedOrMissingSlotIsNotLoadedAndChangesNothing) {
  cProgressData saved;
  FillRun(saved);
  ASSERT_TRUE(saved.SaveToFile(MakeStorySlotFileName(4).c_str()));
  const std::vector<uint8_t> whole = ReadOsFile(SlotOs(5));
  struct Case {
    const char* what;
    size_t keep;  // bytes of the good file kept; 0: no file
  } cases[] = {
      {"cut in the variables", whole.size() - 6},
      {"cut in the record body", 40},
      {"only the version", 4},
      {"no file", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(SlotOs(5).c_str());
    if (c.keep) { ASSERT_TRUE(ByteBuilder().Append(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(c.keep))).WriteTo(SlotOs(5))); }
    g_Progress = cProgressData();
    g_Progress.m_nMapX = 3;
    g_Progress.m_nSaveSlot = 8;
    g_Progress.m_vecVar.At(7) = 70;
    const cProgressData before = g_Progress;
    sounds_.clear();
    report_.NewLines();

    EXPECT_FALSE(LoadStorySlot(4));
    EXPECT_EQ(sounds_, std::vector<int>{3});
    const std::vector<std::string> lines = report_.NewLines();
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_TRUE(Reported(lines, "Story05.dat"));
    EXPECT_EQ(g_Progress.m_nMapX, before.m_nMapX);
    EXPECT_EQ(g_Progress.m_nSaveSlot, 8);
    EXPECT_EQ(g_Progress.m_strRankingName, before.m_strRankingName);
    EXPECT_EQ(std::vector<int>(g_Progress.m_vecVar), std::vector<int>(before.m_vecVar));
    EXPECT_EQ(g_Progress.m_vecBestScore.Size(), 0);
  }
}

TEST_F(SaveSlots, TheSlotListShowsWhichSlotsAreUsedAndWhen) {
  cProgressData p;
  p.m_stSaveTime[0] = 2024;
  p.m_stSaveTime[1] = 5;
  ASSERT_TRUE(p.SaveToFile(MakeStorySlotFileName(1).c_str()));
  ASSERT_TRUE(ByteBuilder().U32(778).I32(35).WriteTo(SlotOs(6)));  // damaged
  g_vecSaveSlot.At(0).m_bExists = 1;                                   // no file any more
  ScanSaveSlots(g_vecSaveSlot);
  for (int i = 0; i < kSaveSlotCount; ++i) EXPECT_EQ(g_vecSaveSlot.At(i).m_bExists, i == 1 || i == 5 ? 1 : 0) << i;
  EXPECT_EQ(g_vecSaveSlot.At(1).m_stTime[0], 2024);
  EXPECT_EQ(g_vecSaveSlot.At(1).m_stTime[1], 5);
}

TEST_F(SaveSlots, TheChallengeFileLoadsWithTheLivesOfChallengeMode) {
  EXPECT_FALSE(LoadChallenge());  // none yet: a new challenge run
  g_SystemData.m_nChallengeStages = 4;
  cProgressData p;
  p.m_nChallengeOpen = 3;
  p.m_nLives = kUnlimitedLives;
  ASSERT_TRUE(p.SaveToFile("user_data\\challenge\\Challenge.dat"));
  ASSERT_TRUE(LoadChallenge());
  EXPECT_EQ(g_Progress.m_nChallengeOpen, 3);
  EXPECT_EQ(g_Progress.m_vecChallenge.Size(), 4);
  EXPECT_EQ(g_Progress.m_nLives, 5);  // challenge mode's count
}

}  // namespace
