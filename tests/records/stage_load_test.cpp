#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "services/game_threads.h"
#include "platform/messages.h"
#include "platform/msgbox.h"
#include "platform/paths.h"
#include "records/stage_data.h"
#include "records/stage_test_bytes.h"
#include "stage/stage_load.h"
#include "support/box_route.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"

namespace {

using namespace stagebytes;

std::vector<std::string> g_boxes;  // "caption|text", CP932

int CaptureBox(std::string_view text, std::string_view caption, unsigned type) {
  g_boxes.push_back(std::string(caption) + "|" + std::string(text));
  return plat::DefaultAnswer(type);
}

class StageLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bDeleteCR = 1;
    plat::RegisterMainThread();
    plat::ResetRuntimeForTest();
    DrainCloses();
    g_boxes.clear();
    plat::SetMessageBoxHandler(&CaptureBox);
    ASSERT_TRUE(plat::CreateDirectory("data"));
    ASSERT_TRUE(plat::CreateDirectory("data\\stg4"));
    g_Stage = cStageData();
    g_StageStart = cStageData();
    g_StageStart.m_strName = "untouched";
    report.NewLines();
  }
  void TearDown() override {
    plat::SetMessageBoxHandler(nullptr);
    plat::ResetRuntimeForTest();
    g_Stage = cStageData();
    g_StageStart = cStageData();
  }
  int DrainCloses() {
    int n = 0;
    MSG m;
    while (plat::PeekMessage(&m, true))
      if (m.message == WM_CLOSE) ++n;
    return n;
  }
  void WriteBytes(const std::string& stored, const ByteBuilder& b) {
    ASSERT_TRUE(b.WriteTo(plat::ResolvePath(stored)));
  }

  // The error boxes reach CaptureBox whatever ran before in this process.
  t4test::BoxesToHandler boxes_{&CaptureBox};
  TempFolder dir{true};
  ReportLogCapture report{dir.path()};
};

TEST_F(StageLoad, NewestNumberedFileIsLoadedAndCopiedToTheStart) {
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_120", "old"));
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_778", "new"));
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_1000", "four digits"));
  ASSERT_TRUE(WriteTestStage("data\\stg4\\xy.stg4_999", "another stage"));
  // The stored name's extension is replaced and its case does not matter.
  for (const char* name : {"data\\stg4\\x.stg4", "data\\stg4\\X.STG4_001", "DATA\\STG4\\x.txt"}) {
    SCOPED_TRACE(name);
    g_Stage = cStageData();
    ASSERT_EQ(LoadPlayStage(name, 1, &g_StageStart), 1);
    EXPECT_EQ(g_Stage.m_strName, "new");
    EXPECT_EQ(g_Stage.m_bLoaded, 1);
    EXPECT_EQ(plat::ResolvePath(g_Stage.m_strPath), plat::ResolvePath("data\\stg4\\x.stg4_778"));
    EXPECT_EQ(g_Stage.m_vecBlock.size(), 20u);
    EXPECT_EQ(g_StageStart.m_strName, "new");
    EXPECT_EQ(g_StageStart.m_nWidth, 20);
    EXPECT_TRUE(g_StageStart.m_vecChara.empty() && g_StageStart.m_vecBlock.empty());
    EXPECT_TRUE(g_StageStart.m_vecPaletteChara.empty());
  }
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_FALSE(thLoad.IsRunning());

  // Without the lookup the path is read as it is.
  ASSERT_EQ(LoadPlayStage("data\\stg4\\x.stg4_120", 0, &g_StageStart), 1);
  EXPECT_EQ(g_StageStart.m_strName, "old");
  EXPECT_EQ(g_Stage.m_strPath, "data\\stg4\\x.stg4_120");
}

TEST_F(StageLoad, AbsolutePathIsStoredRelative) {
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_778"));
  std::string absolute = plat::GetCurrentDirectory() + "/data/stg4/x.stg4_778";
  ASSERT_EQ(LoadPlayStage(absolute, 0, nullptr), 1);
  EXPECT_FALSE(plat::IsAbsolutePath(g_Stage.m_strPath)) << g_Stage.m_strPath;
  EXPECT_EQ(plat::ResolvePath(g_Stage.m_strPath), plat::ResolvePath("data\\stg4\\x.stg4_778"));
  EXPECT_EQ(g_StageStart.m_strName, "untouched");
}

TEST_F(StageLoad, FailuresGiveTheirMessages) {
  Stage noHero = Minimal();
  noHero.charas = {Chara{}};  // a computer chara only
  Stage blindHero = Minimal();
  blindHero.charas[0].graphic = 0;
  Stage badMarker = Minimal();
  badMarker.marker = 123456788;
  Stage badMarker174 = Minimal();
  badMarker174.version = 174;
  badMarker174.marker = 0;
  Stage oldBadMarker = Minimal();
  oldBadMarker.version = 173;
  oldBadMarker.marker = 0;
  std::vector<uint8_t> cut = Build(Minimal()).Bytes();
  cut.resize(cut.size() / 2);
  cut.insert(cut.end(), {0x15, 0xCD, 0x5B, 0x07});  // ends with the marker, but cut short
  Stage oldCut = Minimal();
  oldCut.version = 172;
  std::vector<uint8_t> oldCutBytes = Build(oldCut).Bytes();
  oldCutBytes.resize(oldCutBytes.size() - 10);

  const std::string broken = "エラー|ステージファイル data\\stg4\\s.stg4_778 が破損しています！";
  const std::string unread = "エラー|ステージファイル data\\stg4\\s.stg4_778 の読み込みに失敗しました！";
  const std::string hero = "エラー|主人公が配置されていないのでプレイできません！";
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;  // empty: no file
    int result;
    std::string box;
    int closes;
  } cases[] = {
      {"no hero", Build(noHero).Bytes(), 0, hero, 1},
      {"player chara without a graphic", Build(blindHero).Bytes(), 0, hero, 1},
      {"changed end marker", Build(badMarker).Bytes(), 0, broken, 1},
      {"cut short", cut, 0, unread, 0},
      {"version 174 without the marker", Build(badMarker174).Bytes(), 0, broken, 1},
      {"version 173 without the marker", Build(oldBadMarker).Bytes(), 1, "", 0},
      {"version 172 cut short", oldCutBytes, 0, unread, 0},
      {"no file", {}, 0, unread, 0},
      {"not even a version", {0x0A, 0x03}, 0, unread, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    plat::DeleteFile("data\\stg4\\s.stg4_778");
    if (!c.bytes.empty()) {
      ByteBuilder b;
      b.Append(c.bytes);
      WriteBytes("data\\stg4\\s.stg4_778", b);
    }
    g_boxes.clear();
    g_StageStart.m_strName = "untouched";
    EXPECT_EQ(LoadPlayStage("data\\stg4\\s.stg4_778", 0, &g_StageStart), c.result);
    if (c.box.empty())
      EXPECT_TRUE(g_boxes.empty());
    else
      EXPECT_EQ(g_boxes, std::vector<std::string>{c.box});
    EXPECT_EQ(DrainCloses(), c.closes);
    EXPECT_EQ(g_StageStart.m_strName, c.result ? "test" : "untouched");
    EXPECT_FALSE(thLoad.IsRunning());
  }
}

TEST_F(StageLoad, NoNumberedFileFailsSilently) {
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_12"));
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_abc"));
  EXPECT_EQ(LoadPlayStage("data\\stg4\\x.stg4", 1, &g_StageStart), 0);
  EXPECT_EQ(LoadPlayStage("data\\none\\x.stg4", 1, &g_StageStart), 0);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(DrainCloses(), 0);
  EXPECT_TRUE(report.NewLines().empty());
  EXPECT_EQ(g_StageStart.m_strName, "untouched");
}

TEST_F(StageLoad, QuittingCancelsTheLoadWithoutAMessage) {
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_778"));
  plat::BeginClosing();
  EXPECT_EQ(LoadPlayStage("data\\stg4\\x.stg4_778", 0, &g_StageStart), 0);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_FALSE(thLoad.IsRunning());
  EXPECT_EQ(g_StageStart.m_strName, "untouched");
  EXPECT_EQ(g_Stage.m_bLoaded, 0);
  plat::ResetRuntimeForTest();
  EXPECT_EQ(LoadPlayStage("data\\stg4\\x.stg4_778", 0, &g_StageStart), 1);
}

TEST_F(StageLoad, GameSideCallerLoadsWhileTheWindowThreadServes) {
  ASSERT_TRUE(WriteTestStage("data\\stg4\\x.stg4_778", "from the game thread"));
  std::atomic<int> result{-1};
  cThread game;
  struct Arg {
    std::atomic<int>* result;
  } arg{&result};
  ASSERT_EQ(game.Start(
                [](void* p) -> unsigned {
                  static_cast<Arg*>(p)->result->store(LoadPlayStage("data\\stg4\\x.stg4", 1, &g_StageStart));
                  return 0;
                },
                &arg),
            1);
  game.Wait();
  EXPECT_EQ(result.load(), 1);
  EXPECT_EQ(g_StageStart.m_strName, "from the game thread");
}

}  // namespace
