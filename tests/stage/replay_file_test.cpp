// Replay files in process: what a saved file holds, the older layouts that
// still load, the files that are refused with a box (and change nothing),
// the save chooser's numbered default name and the F1/F2 keys.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/input.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/paths.h"
#include "platform/video.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/file_chooser.h"
#include "services/game_threads.h"
#include "services/input.h"
#include "services/window_requests.h"
#include "stage/replay_data.h"
#include "stage/scene_manager.h"
#include "flow/ed_move.h"
#include "support/flow_writer.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/replay_runs.h"
#include "support/stage_writer.h"

namespace {

std::vector<std::string> g_boxes;

int CaptureBox(std::string_view text, std::string_view, unsigned type) {
  g_boxes.emplace_back(text);
  return plat::DefaultAnswer(type);
}

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(s[at + i])) << (8 * i);
  return v;
}

cInput Frame(uint16_t dir, uint16_t buttons) {
  cInput in;
  in.m_wDir = dir;
  in.m_wButton = buttons;
  return in;
}

// The record body as the file stores it, built here byte by byte.
std::string ReplayBody(int32_t seed, const std::vector<uint16_t>& dir, const std::vector<uint16_t>& buttons,
                       const std::vector<int32_t>& dirRuns, const std::vector<int32_t>& buttonRuns) {
  std::string out;
  Put32(out, 1);
  Put32(out, static_cast<uint32_t>(seed));
  Put32(out, 0);
  auto list16 = [&](const std::vector<uint16_t>& v) {
    Put32(out, static_cast<uint32_t>(v.size()));
    for (uint16_t x : v) {
      out += static_cast<char>(x & 0xFF);
      out += static_cast<char>(x >> 8);
    }
  };
  auto list32 = [&](const std::vector<int32_t>& v) {
    Put32(out, static_cast<uint32_t>(v.size()));
    for (int32_t x : v) Put32(out, static_cast<uint32_t>(x));
  };
  list16(dir);
  list16(buttons);
  list32(dirRuns);
  list32(buttonRuns);
  return out;
}

class ReplayFile : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    plat::RegisterMainThread();
    plat::ResetRuntimeForTest();
    g_boxes.clear();
    // Boxes go to the handler only outside headless runs.
    savedHeadless_ = plat::IsHeadless();
    plat::SetHeadless(false);
    plat::SetMessageBoxHandler(&CaptureBox);
    ASSERT_TRUE(plat::CreateDirectory("user_data"));
    ASSERT_TRUE(plat::CreateDirectory("user_data\\rpl4"));
    report.NewLines();

    // The stage as played: a flow has changed its time limit since it
    // started; the start copy holds the settings as loaded.
    stage = MakeTestStage(24, 15, "played");
    for (int x = 0; x < 24; ++x) PlaceBlock(stage, x, 14);
    PlaceHero(stage, 2, 13);
    PlaceChara(stage, 9, 13, 3);
    PlaceItem(stage, 5, 12);
    stage.m_nTimeLimit = 300;
    stage.Normalize();
    start.CopySettingsFrom(stage);
    stage.m_nTimeLimit = 17;

    for (int f = 0; f < 40; ++f) replay.RecordFrame(Frame(f < 25 ? 2 : 0, f >= 30 ? 1 : 0));
    replay.m_nSeed = 123456;

    progress.m_strStageFile = "data\\stg4\\played.";
    progress.m_nLives = 3;
    progress.m_nStartLives = 4;
    progress.m_vecVar.At(5) = 77;
  }
  void TearDown() override {
    plat::SetMessageBoxHandler(nullptr);
    plat::SetHeadless(savedHeadless_);
    plat::ResetRuntimeForTest();
    g_dwDataVersion = kRecordDataVersion;
  }
  bool savedHeadless_ = false;

  // Targets of a load that must stay as they are when it is refused.
  struct Targets {
    cStageData stage, start;
    cProgressData progress;
    cReplayData replay;
    Targets() {
      stage = MakeTestStage(30, 16, "before");
      PlaceHero(stage, 1, 1);
      progress.m_nLives = 42;
      replay.RecordFrame(Frame(8, 8));
      replay.m_nSeed = 5;
    }
    int Load(const char* path) { return replay.LoadFile(path, &stage, &start, &progress); }
    void ExpectUnchanged() const {
      EXPECT_EQ(stage.m_strName, "before");
      EXPECT_EQ(stage.m_nWidth, 30);
      EXPECT_EQ(progress.m_nLives, 42);
      EXPECT_EQ(replay.m_nSeed, 5);
      EXPECT_EQ(replay.m_vecDirValue, (std::vector<uint16_t>{8}));
    }
  };

  // Saves into user_data\rpl4\<name> and reads the file back.
  std::string Saved(const std::string& name) {
    EXPECT_EQ(replay.SaveFile(("user_data\\rpl4\\" + name).c_str(), stage, start, progress), 1);
    return t4test::ReadFile(dir / ("user_data/rpl4/" + name));
  }
  // The bytes of the progress body as the program writes it.
  size_t ProgressBytes() {
    cProgressData copy(progress);
    cRecordWriter out;
    copy.Save(out);
    return out.Data().size();
  }

  TempFolder dir{true};
  ReportLogCapture report{dir.path()};
  cStageData stage, start;
  cReplayData replay;
  cProgressData progress;
};

TEST_F(ReplayFile, ASavedReplayHoldsTheStageAsStartedTheRecordingAndTheProgress) {
  const std::string bytes = Saved("run.rpl4_778");
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(Get32(bytes, 0), 778u);
  // After the stage body: the record (direction right for 25 frames then
  // none for 15; no button for 30 frames then button 1 for 10), then the
  // progress body.
  const std::string body = ReplayBody(123456, {2, 0}, {0, 1}, {25, 15}, {30, 10});
  const size_t progressAt = bytes.size() - ProgressBytes();
  ASSERT_GT(progressAt, body.size());
  EXPECT_EQ(bytes.substr(progressAt - body.size(), body.size()), body);
  // The stage body ends with its marker right before the record.
  EXPECT_EQ(Get32(bytes, progressAt - body.size() - 4), kStageEndMarker);

  cStageData loaded, loadedStart;
  cProgressData loadedProgress;
  cReplayData back;
  ASSERT_EQ(back.LoadFile("user_data\\rpl4\\run.rpl4_778", &loaded, &loadedStart, &loadedProgress), 1);
  EXPECT_TRUE(g_boxes.empty());
  // Settings of the start, objects of the stage as played.
  EXPECT_EQ(loaded.m_nTimeLimit, 300);
  EXPECT_EQ(loaded.m_strName, "played");
  EXPECT_EQ(loaded.m_vecChara.size(), 2u);
  EXPECT_EQ(loaded.m_vecItem.size(), 1u);
  EXPECT_EQ(loaded.m_vecBlock.size(), 24u);
  EXPECT_EQ(loaded.FindHero(), 0);
  EXPECT_EQ(loadedStart.m_nTimeLimit, 300);
  EXPECT_TRUE(loadedStart.m_vecChara.empty());
  EXPECT_EQ(back.m_nSeed, 123456);
  EXPECT_EQ(back.m_vecDirRun, replay.m_vecDirRun);
  EXPECT_EQ(back.m_vecButtonValue, replay.m_vecButtonValue);
  EXPECT_EQ(loadedProgress.m_nLives, 3);
  EXPECT_EQ(loadedProgress.m_vecVar.At(5), 77);
  EXPECT_EQ(loadedProgress.m_strStageFile, "data\\stg4\\played.");
  // Saving changed nothing of what it was given.
  EXPECT_EQ(stage.m_nTimeLimit, 17);
}

TEST_F(ReplayFile, OlderLayoutsLoadWithAndWithoutTheProgressRecord) {
  struct Case {
    uint32_t version;
    bool progressRead;
  };
  for (const Case c : {Case{172, false}, Case{173, true}, Case{500, true}}) {
    SCOPED_TRACE(c.version);
    g_dwDataVersion = c.version;
    cStageData body(stage), settings(start);
    cReplayData rec(replay);
    cProgressData prog(progress);
    std::string bytes;
    {
      cRecordWriter out;
      out.WriteHeader();
      body.SaveForReplay(out, settings);
      bytes.assign(out.Data().begin(), out.Data().end());
    }
    // Stage files before 173 end without the marker.
    if (c.version < 173) bytes.resize(bytes.size() - 4);
    {
      cRecordWriter out;
      rec.Save(out);
      if (c.progressRead) prog.Save(out);
      bytes.append(out.Data().begin(), out.Data().end());
    }
    g_dwDataVersion = kRecordDataVersion;
    ASSERT_TRUE(t4test::WriteFile(dir / "user_data/rpl4/old.rpl4_778", bytes));
    plat::FlushPathCache();

    Targets t;
    ASSERT_EQ(t.Load("user_data\\rpl4\\old.rpl4_778"), 1) << (g_boxes.empty() ? "" : g_boxes.back());
    EXPECT_EQ(t.stage.m_strName, "played");
    EXPECT_EQ(t.stage.FindHero(), 0);
    EXPECT_EQ(t.replay.m_vecDirValue, replay.m_vecDirValue);
    EXPECT_EQ(t.replay.m_nSeed, 123456);
    EXPECT_EQ(t.progress.m_nLives, c.progressRead ? 3 : 42);
  }
}

TEST_F(ReplayFile, DamagedOrUnplayableFilesAreRefusedWithABoxAndChangeNothing) {
  const std::string good = Saved("good.rpl4_778");
  const size_t progressAt = good.size() - ProgressBytes();
  const size_t recordAt = progressAt - ReplayBody(123456, {2, 0}, {0, 1}, {25, 15}, {30, 10}).size();
  auto withRecord = [&](const std::string& body) { return good.substr(0, recordAt) + body + good.substr(progressAt); };
  std::string newer = good;
  newer[0] = static_cast<char>(779 & 0xFF);
  newer[1] = static_cast<char>(779 >> 8);

  cStageData heroless = MakeTestStage(20, 15, "nobody");
  PlaceChara(heroless, 3, 3);
  cStageData heroStart;
  heroStart.CopySettingsFrom(heroless);
  ASSERT_EQ(replay.SaveFile("user_data\\rpl4\\nohero.rpl4_778", heroless, heroStart, progress), 1);

  struct Case {
    const char* name;
    std::string bytes;  // empty: the file is not there
    const char* box;    // the start of the box's text
  };
  const Case cases[] = {
      {"missing", "", "リプレイファイル"},
      {"only a version", good.substr(0, 4), "リプレイファイル"},
      {"cut in the stage", good.substr(0, recordAt / 2), "リプレイファイル"},
      {"cut in the record", good.substr(0, recordAt + 20), "リプレイファイル"},
      {"cut in the progress", good.substr(0, progressAt + 8), "リプレイファイル"},
      {"newer than this program", newer, "リプレイファイル"},
      {"unpaired counts", withRecord(ReplayBody(1, {2, 0, 4}, {0, 1}, {25, 15}, {30, 10})), "リプレイファイル"},
      {"a zero run", withRecord(ReplayBody(1, {2, 0}, {0, 1}, {25, 0}, {30, 10})), "リプレイファイル"},
      {"a count past the end", withRecord(ReplayBody(1, {2, 0}, {0, 1}, {25, 15}, {30, 10}).replace(12, 4, "\xff\xff\xff\x07")),
       "リプレイファイル"},
      {"no hero", t4test::ReadFile(dir / "user_data/rpl4/nohero.rpl4_778"), "主人公が配置されていない"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string os = dir / "user_data/rpl4/bad.rpl4_778";
    std::filesystem::remove(os);
    if (!c.bytes.empty()) {
      ASSERT_TRUE(t4test::WriteFile(os, c.bytes));
    }
    plat::FlushPathCache();
    g_boxes.clear();
    Targets t;
    EXPECT_EQ(t.Load("user_data\\rpl4\\bad.rpl4_778"), 0);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].rfind(c.box, 0), 0u) << g_boxes[0];
    t.ExpectUnchanged();
  }
  // The newer file is refused by its version, not read as far as it goes.
  Targets t;
  ASSERT_TRUE(t4test::WriteFile(dir / "user_data/rpl4/bad.rpl4_778", newer));
  g_boxes.clear();
  EXPECT_EQ(t.Load("user_data\\rpl4\\bad.rpl4_778"), 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("779"), std::string::npos) << g_boxes[0];
}

TEST_F(ReplayFile, AFailedSaveShowsABoxReturnsZeroAndKeepsWhatWasThere) {
  // No such folder.
  EXPECT_EQ(replay.SaveFile("user_data\\none\\x.rpl4_778", stage, start, progress), 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("x.rpl4_778"), std::string::npos);
  // A folder where the file would go cannot be replaced.
  ASSERT_TRUE(dir.MakeDir("user_data/rpl4/taken.rpl4_778"));
  ASSERT_TRUE(dir.MakeFile("user_data/rpl4/taken.rpl4_778/keep", "kept"));
  plat::FlushPathCache();
  EXPECT_EQ(replay.SaveFile("user_data\\rpl4\\taken.rpl4_778", stage, start, progress), 0);
  EXPECT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(t4test::ReadFile(dir / "user_data/rpl4/taken.rpl4_778/keep"), "kept");
  EXPECT_EQ(std::filesystem::directory_iterator(dir / "user_data/rpl4") != std::filesystem::directory_iterator(),
            true);
  for (const auto& e : std::filesystem::directory_iterator(dir / "user_data/rpl4"))
    EXPECT_EQ(e.path().filename(), "taken.rpl4_778") << "left behind: " << e.path();
}

TEST_F(ReplayFile, TheDefaultNameIsTheFirstFreeNumberedNameInTheReplayFolder) {
  cProgressData onMap;
  onMap.m_bMapStage = 1;
  onMap.m_nStageX = 7;
  onMap.m_nStageY = 12;
  struct Case {
    const char* name;
    const char* stage;
    const cProgressData* progress;
    std::vector<std::string> taken;
    std::string want;
  };
  std::vector<std::string> all;
  for (int i = 0; i <= 8; ++i)
    for (int j = 0; j <= 8; ++j) all.push_back("full_" + std::to_string(i) + std::to_string(j) + ".rpl4_778");
  const Case cases[] = {
      {"nothing taken", "data\\stg4\\default.", &progress, {}, "default_00.rpl4_778"},
      {"_00 and _01 taken", "data\\stg4\\default.", &progress, {"default_00.rpl4_778", "default_01.rpl4_778"},
       "default_02.rpl4_778"},
      {"j runs fastest", "data\\stg4\\nine.", &progress,
       {"nine_00.rpl4_778", "nine_01.rpl4_778", "nine_02.rpl4_778", "nine_03.rpl4_778", "nine_04.rpl4_778",
        "nine_05.rpl4_778", "nine_06.rpl4_778", "nine_07.rpl4_778", "nine_08.rpl4_778"},
       "nine_10.rpl4_778"},
      {"all 81 taken", "data\\stg4\\full.", &progress, all, "full_88.rpl4_778"},
      {"a map stage", "data\\stg4\\town.", &onMap, {}, "town_c007_12_00.rpl4_778"},
      {"a full stage file name", "data\\stg4\\cave.stg4_002", &progress, {}, "cave_00.rpl4_778"},
      {"no name", "", &progress, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& t : c.taken) ASSERT_TRUE(dir.MakeFile("user_data/rpl4/" + t));
    plat::FlushPathCache();
    EXPECT_EQ(DefaultReplayName(c.stage, *c.progress), c.want);
  }
}

// ---- the save keys ------------------------------------------------------------

std::vector<uint32_t>* g_sent = nullptr;
LRESULT RecordRequests(HWND, uint32_t msg, WPARAM w, LPARAM) {
  if (!g_sent) return 0;
  if (msg == WM_T4_PLAYSE) g_sent->push_back(static_cast<uint32_t>(w));
  if (msg == WM_T4_SAVEREPLAY) {
    g_sent->push_back(1000 + static_cast<uint32_t>(w));
    g_nReplyResult = 1;
    g_bReplyDone = 1;
  }
  return 0;
}

class ReplayKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::RegisterMainThread();
    plat::ResetRuntimeForTest();
    g_hWnd = kWnd;
    plat::SetWindowProc(kWnd, RecordRequests);
    g_sent = &sent;
    savedReplay = g_SystemData.m_bReplay;
    savedChoice = g_SceneManager.m_nTitleChoice;
    g_SystemData.m_bReplay = 1;
    g_SceneManager.m_nTitleChoice = 3;
    g_Replay.Reset();
    g_ReplayPrev.Reset();
    // Whatever guard an earlier test left has run out.
    for (int i = 0; i < 61; ++i) CheckReplayKeys();
  }
  void TearDown() override {
    plat::SetKeyDown(VK_F1, false);
    plat::SetKeyDown(VK_F2, false);
    g_sent = nullptr;
    g_Replay.Reset();
    g_ReplayPrev.Reset();
    g_SystemData.m_bReplay = savedReplay;
    g_SceneManager.m_nTitleChoice = savedChoice;
    g_hWnd = nullptr;
    plat::ResetRuntimeForTest();
  }
  static inline HWND const kWnd = reinterpret_cast<HWND>(0x5150);
  std::vector<uint32_t> sent;
  int savedReplay = 0, savedChoice = 0;
};

TEST_F(ReplayKeys, HeldKeysSaveTheirRecordingAndAnEmptyOneBuzzesOncePerSixtyFrames) {
  g_Replay.RecordFrame(Frame(1, 0));
  // F1 held for three frames asks three times (the key is read as held).
  plat::SetKeyDown(VK_F1, true);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(CheckReplayKeys(), 1);
  EXPECT_EQ(sent, (std::vector<uint32_t>{1, 1000, 1, 1000, 1, 1000}));
  plat::SetKeyDown(VK_F1, false);
  sent.clear();
  // F2 in the first attempt: nothing recorded before it.
  plat::SetKeyDown(VK_F2, true);
  int saved = 0;
  for (int i = 0; i < 121; ++i) saved += CheckReplayKeys();
  EXPECT_EQ(saved, 0);
  EXPECT_EQ(sent, (std::vector<uint32_t>{3, 3, 3}));
  sent.clear();
  g_ReplayPrev = g_Replay;
  EXPECT_EQ(CheckReplayKeys(), 1);
  EXPECT_EQ(sent, (std::vector<uint32_t>{1, 1001}));
  plat::SetKeyDown(VK_F2, false);
}

TEST_F(ReplayKeys, WatchingAReplayOrRecordingOffLeavesTheKeysInert) {
  g_Replay.RecordFrame(Frame(1, 0));
  g_ReplayPrev.RecordFrame(Frame(1, 0));
  for (int vk : {VK_F1, VK_F2}) {
    plat::SetKeyDown(vk, true);
    g_SceneManager.m_nTitleChoice = 4;
    EXPECT_EQ(CheckReplayKeys(), 0);
    g_SceneManager.m_nTitleChoice = 3;
    g_SystemData.m_bReplay = 0;
    EXPECT_EQ(CheckReplayKeys(), 0);
    g_SystemData.m_bReplay = 1;
    plat::SetKeyDown(vk, false);
  }
  EXPECT_TRUE(sent.empty());
}

// The save chooser lists the replays of the version this program writes;
// only the open chooser lists every version.
std::vector<cFileFilter> g_saveFilters;
std::string g_saveExtension;
int SeeSaveChooser(cFileChooser& chooser, const char*) {
  g_saveFilters = chooser.Filters();
  g_saveExtension = chooser.DefaultExtension();
  return 0;
}

TEST(ReplaySaveChooser, ListsOnlyTheReplaysOfThisVersion) {
  const bool headless = plat::IsHeadless();
  plat::SetHeadless(false);
  SetFileChooserUi(SeeSaveChooser);
  std::string path;
  EXPECT_EQ(ShowSaveReplayDialog(&path, "Stage1"), 0);
  SetFileChooserUi(nullptr);
  plat::SetHeadless(headless);
  ASSERT_EQ(g_saveFilters.size(), 1u);
  EXPECT_EQ(g_saveFilters[0].text, "ReplayFile ( *.rpl4_778 )");
  EXPECT_EQ(g_saveFilters[0].pattern, "*.rpl4_778");
  EXPECT_EQ(g_saveExtension, "rpl4_778");
}

}  // namespace

// ---- recording and watching in the real program ----------------------------

namespace {

using t4test::PlayLine;

class ReplayPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteProject(dir.path()));
    // A floor, the hero walking right while the key is held.
    stage = MakeTestStage(40, 15, "Stage1");
    for (int x = 0; x < 40; ++x) PlaceBlock(stage, x, 14);
    cCharaData& hero = PlaceHero(stage, 2, 13);
    t4test::AddStraightMove(t4test::AddFlow(hero, 0, {t4test::KeyHeld({t4test::kKeyRight})}), kMoveDirRight, 20, 1);
    ASSERT_TRUE(WriteStage(dir / "data/stg4/Stage1.stg4_778", stage));
  }

  // A headless run from the title with the input and answers given; the
  // state log and frame hashes are left as <tag>.jsonl and <tag>.txt.
  std::vector<PlayLine> Run(const std::string& tag, int frames, const std::string& input, const std::string& answers) {
    EXPECT_TRUE(t4test::WriteFile(dir / (tag + "-input.txt"), input));
    EXPECT_TRUE(t4test::WriteFile(dir / (tag + "-answers.txt"), answers));
    result = t4test::RunPlayer({"--headless", "--frames", std::to_string(frames), "--input", tag + "-input.txt",
                                "--answers", tag + "-answers.txt", "--state-log", tag + ".jsonl", "--frame-hashes",
                                tag + ".txt"},
                               dir.path(), std::chrono::seconds(150));
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(t4test::ReadLines(dir / (tag + ".txt")).size(), static_cast<size_t>(frames)) << "the run ended early";
    return t4test::ReadPlayLines(dir / (tag + ".jsonl"));
  }
  std::string Report() { return t4test::ReadFile(dir / "Report_Game.txt"); }

  // A replay of `frames` frames without input, written by the program's
  // own writer with the progress of a fresh free play.
  void WriteQuietReplay(const std::string& name, int frames) {
    cStageData loaded(stage);
    cStageData settings;
    settings.CopySettingsFrom(loaded);
    cReplayData quiet;
    for (int f = 0; f < frames; ++f) quiet.RecordFrame(Frame(0, 0));
    quiet.m_nSeed = 77;
    cProgressData progress;
    progress.m_strStageFile = "data\\stg4\\Stage1.";
    progress.m_nStartLives = progress.m_nLives = kUnlimitedLives;
    const std::string stored = "user_data\\rpl4\\" + name;
    const std::string old = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(quiet.SaveFile(stored.c_str(), loaded, settings, progress), 1);
    std::filesystem::current_path(old);
  }

  TempFolder dir;
  cStageData stage;
  t4test::RunResult result;
};

TEST_F(ReplayPlay, F1SavesTheAttemptAndTheTitleWatchesItFrameForFrameAndAgain) {
  // Play: right held in frames 200-260, button 1 in 240-250, F1 in 300.
  const std::vector<PlayLine> rec = Run("rec", 320, t4test::TitleFreeStageScript() + "200-260 RIGHT\n240-250 Z\n300 F1\n",
                                        "Stage1.stg4_778\n\n");
  const std::vector<long> recFrames = t4test::FirstAttemptPlayFrames(rec);
  ASSERT_FALSE(recFrames.empty());
  const long first = recFrames.front();
  ASSERT_LT(first, 200) << "play began too late for the script";
  // The frame F1 was held in is not played: it ends at once.
  ASSERT_EQ(recFrames.back(), 299);
  const long frames = 299 - first + 1;

  // The name: the stage's, numbered, with the replay extension; the file
  // starts with the version and holds the runs of what was held.
  const std::string bytes = t4test::ReadFile(dir / "user_data/rpl4/Stage1_00.rpl4_778");
  ASSERT_GT(bytes.size(), 64u);
  EXPECT_EQ(Get32(bytes, 0), 778u);
  const int lead = static_cast<int>(first);
  const std::string body = ReplayBody(0, {0, 2, 0}, {0, 1, 0}, {200 - lead, 61, 39}, {240 - lead, 11, 49});
  // Everything after the seed (the seed is the virtual clock's).
  const size_t at = bytes.find(body.substr(8));
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(Get32(bytes, at - 8), 1u);
  EXPECT_EQ(Get32(bytes, at - 12), kStageEndMarker);
  EXPECT_NE(t4test::ReadFile(dir / "Report_Game.txt").find("user_data\\rpl4\\Stage1_00.rpl4_778"), std::string::npos);

  // Watching: the replay banner, then the stage's start banner (its switch
  // is on), the same frames, then the attempt again.
  const int total = 200 + 2 * static_cast<int>(frames) + 200 + 79;
  const std::vector<PlayLine> play = Run("play", total, t4test::TitleReplayScript() + "250-400 LEFT Z F1 F2\n",
                                         "Stage1_00.rpl4_778\n");
  const std::vector<long> playFrames = t4test::FirstAttemptPlayFrames(play);
  ASSERT_EQ(static_cast<long>(playFrames.size()), frames);
  int banner = 0;
  for (const PlayLine& l : play)
    if (l.state == 1 && l.frame < playFrames.front()) ++banner;
  ASSERT_EQ(stage.m_bStartBanner, 1);
  EXPECT_EQ(banner, 79 + 79 + 1);

  const std::vector<std::string> recHashes = t4test::ReadFrameHashes(dir / "rec.txt");
  const std::vector<std::string> playHashes = t4test::ReadFrameHashes(dir / "play.txt");
  auto line = [](const std::vector<PlayLine>& lines, long frame) -> const PlayLine& {
    return lines[static_cast<size_t>(frame - lines.front().frame)];
  };
  for (long i = 0; i < frames; ++i) {
    const long r = first + i, p = playFrames.front() + i;
    ASSERT_EQ(playHashes[static_cast<size_t>(p)], recHashes[static_cast<size_t>(r)]) << "play frame " << i + 1;
    ASSERT_EQ(line(play, p).rest, line(rec, r).rest) << "play frame " << i + 1;
  }
  // The keys of whoever watches change nothing, F1 and F2 save nothing.
  EXPECT_FALSE(std::filesystem::exists(dir / "user_data/rpl4/Stage1_01.rpl4_778"));
  // At its end the attempt starts again with the banner, and plays the same.
  const long end = playFrames.back() + 1;
  EXPECT_EQ(line(play, end).state, 1);
  EXPECT_EQ(line(play, end).play, 0);
  long again = -1;
  for (const PlayLine& l : play)
    if (l.frame > end && l.state == 2 && l.play == 1) {
      again = l.frame;
      break;
    }
  // The restart frame, 79 frames of each banner, the frame that moves on
  // to play.
  ASSERT_EQ(again, end + 1 + 79 + 79 + 1);
  for (long p = again; p <= total && p - again < frames; ++p)
    ASSERT_EQ(playHashes[static_cast<size_t>(p)], recHashes[static_cast<size_t>(first + p - again)]) << p;
}

TEST_F(ReplayPlay, ReplaysOfOlderVersionsPlayTheirFramesAndStartAgain) {
  for (const uint32_t version : {172u, 173u}) {
    SCOPED_TRACE(version);
    // Written in that version's layout; before 173 without the stage's end
    // marker and without the progress record.
    g_dwDataVersion = version;
    cStageData body(stage), settings;
    settings.CopySettingsFrom(stage);
    cReplayData rec;
    for (int f = 0; f < 60; ++f) rec.RecordFrame(Frame(f < 30 ? 2 : 0, 0));
    cProgressData progress;
    progress.m_nStartLives = progress.m_nLives = kUnlimitedLives;
    cRecordWriter out;
    out.WriteHeader();
    body.SaveForReplay(out, settings);
    std::string bytes(out.Data().begin(), out.Data().end());
    if (version < 173) bytes.resize(bytes.size() - 4);
    cRecordWriter tail;
    rec.Save(tail);
    if (version >= 173) progress.Save(tail);
    bytes.append(tail.Data().begin(), tail.Data().end());
    g_dwDataVersion = kRecordDataVersion;
    const std::string name = "old" + std::to_string(version) + ".rpl4_" + std::to_string(version);
    ASSERT_TRUE(t4test::WriteFile(dir / ("user_data/rpl4/" + name), bytes));

    const std::vector<PlayLine> lines = Run("old", 400, t4test::TitleReplayScript(), name + "\n");
    const std::vector<long> frames = t4test::FirstAttemptPlayFrames(lines);
    ASSERT_EQ(frames.size(), 60u);
    const PlayLine& after = lines[static_cast<size_t>(frames.back() + 1 - lines.front().frame)];
    EXPECT_EQ(after.state, 1);
    EXPECT_EQ(after.play, 0);
  }
}

TEST_F(ReplayPlay, ADamagedReplayIsRefusedWithABoxAndTheTitleStays) {
  WriteQuietReplay("good.rpl4_778", 30);
  std::string bytes = t4test::ReadFile(dir / "user_data/rpl4/good.rpl4_778");
  ASSERT_TRUE(t4test::WriteFile(dir / "user_data/rpl4/bad.rpl4_778", bytes.substr(0, bytes.size() / 2)));
  // The first choice is refused; the title is still there and takes the
  // second, which plays.
  const std::vector<PlayLine> lines =
      Run("bad", 400, t4test::TitleReplayScript() + t4test::TitleChoiceScript(0).replace(0, 2, "120"),
          "bad.rpl4_778\nok\ngood.rpl4_778\n");
  const std::string report = Report();
  // The report log is UTF-8.
  const std::u8string box = u8"リプレイファイル user_data\\rpl4\\bad.rpl4_778 の読み込みに失敗しました";
  EXPECT_NE(report.find(std::string(box.begin(), box.end())), std::string::npos) << report;
  ASSERT_FALSE(lines.empty());
  EXPECT_GT(lines.front().frame, 120);
}

TEST_F(ReplayPlay, AReplayThatCannotBeReadAgainAtItsRestartGoesBackToTheTitle) {
  WriteQuietReplay("gone.rpl4_778", 200);
  const std::string replay = dir / "user_data/rpl4/gone.rpl4_778";
  // Paused for a long while in the first attempt (after the replay banner
  // and the start banner, 79 frames each); meanwhile the file is damaged,
  // so the restart at its end cannot read it.
  std::atomic<bool> damaged{false}, stop{false};
  std::atomic<long> damagedAt{0}, damagedSize{0};
  std::thread watcher([&] {
    // A plain search: parsing the whole log on every look could take longer
    // than the pause lasts.
    while (!stop) {
      if (t4test::ReadFile(dir / "gone.jsonl").find("\"state\":3") != std::string::npos) {
        const std::string bytes = t4test::ReadFile(replay);
        t4test::WriteFile(replay, bytes.substr(0, bytes.size() / 2));
        damagedAt = static_cast<long>(t4test::ReadLines(dir / "gone.jsonl").size());
        damagedSize = static_cast<long>(bytes.size());
        damaged = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  const std::vector<PlayLine> lines =
      Run("gone", 1000, t4test::TitleReplayScript() + "329 SPACE\n600 X\n", "gone.rpl4_778\nok\n");
  stop = true;
  watcher.join();
  ASSERT_TRUE(damaged) << "the pause was never seen";
  ASSERT_FALSE(lines.empty());
  // The restart: the box, then the fade-out from the ready state and no
  // stage any more.
  const std::u8string box = u8"リプレイファイル user_data\\rpl4\\gone.rpl4_778 の読み込みに失敗しました";
  EXPECT_NE(Report().find(std::string(box.begin(), box.end())), std::string::npos) << Report();
  long restart = -1;
  for (const PlayLine& l : lines)
    if (l.frame > 600 && l.state == 1) {
      restart = l.frame;
      break;
    }
  ASSERT_GT(restart, 0);
  // The states the run went through, for a readable failure.
  std::string states;
  for (size_t i = 0; i < lines.size(); ++i)
    if (i == 0 || lines[i].state != lines[i - 1].state)
      states += " " + std::to_string(lines[i].frame) + ":" + std::to_string(lines[i].state);
  const PlayLine& last = lines.back();
  EXPECT_EQ(last.state, 7) << states << " damaged after " << damagedAt << " lines, " << damagedSize << " bytes";
  EXPECT_LT(last.frame, 950) << "stage play did not end";
}

}  // namespace
