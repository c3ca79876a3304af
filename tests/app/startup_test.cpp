// The start-up and shutdown of the real player on written projects,
// headless: the first start that makes data\, the options file, the
// drawing-mode dialog, the screen-mode check, the command-line stage, the
// test play's notices and every drawing mode.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/init_game.h"
#include "app/project_paths.h"
#include "records/window_data.h"
#include "platform/video.h"
#include "records/database.h"
#include "records/option_data.h"
#include "records/system_data.h"
#include "services/sound.h"
#include "support/bytes.h"
#include "support/editor_socket.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/sheet_writer.h"
#include "support/stage_writer.h"

namespace fs = std::filesystem;
using t4test::ReadFile;
using t4test::ReadLines;
using t4test::RunPlayer;
using t4test::U8;

namespace {

class Startup : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteProject(dir.path())); }

  void WriteIni(const std::string& text) { ASSERT_TRUE(t4test::WriteFile(dir / "System.ini", text)); }
  std::string Report() const { return ReadFile(dir / "Report_Game.txt"); }
  bool ReportHas(const std::string& text) const { return Report().find(text) != std::string::npos; }
  bool ReportHas(const char8_t* text) const { return ReportHas(std::string(U8(text))); }
  t4test::RunResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), "--headless");
    return RunPlayer(args, dir.path(), std::chrono::seconds(60));
  }

  TempFolder dir;
};

const char* const kBadWindowDepth =
    U8(u8"画面モードが不正です！\nウインドウモードではSystem.iniの設定と画面の色の設定を合わせて下さい！");
const char* const kBadMode = U8(u8"画面モードが不正です！\nSystem.iniと画面の設定を見直して下さい！");

// The hashes a frame of one colour has, as the frame-hash file writes them.
std::string HashOfPlainFrame(uint32_t argb) {
  std::vector<uint32_t> px(640 * 480, argb);
  char text[32];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(plat::HashFrame(px.data(), 640, 480, 640)));
  return text;
}

}  // namespace

TEST_F(Startup, FirstStartCopiesDefaultDataAndClosesOnEscape) {
  fs::rename(dir / "data", dir / "default");
  fs::remove_all(dir / "user_data");
  ASSERT_TRUE(t4test::WriteFile(dir / "answers.txt", "yes\n"));
  ASSERT_TRUE(t4test::WriteFile(dir / "input.txt", "30 ESC\n"));
  auto r = Run({"--answers", "answers.txt", "--input", "input.txt", "--frames", "600", "--frame-hashes", "h.txt"});
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_LT(ReadLines(dir / "h.txt").size(), 600u) << "Esc closes";
  EXPECT_EQ(Report().rfind("App : ver 778\n", 0), 0u);
  EXPECT_TRUE(ReportHas(u8"データが存在しません！デフォルトデータを作成しますか？"));
  for (const auto& e : fs::recursive_directory_iterator(dir / "default")) {
    if (!e.is_regular_file()) continue;
    const fs::path copy = dir / "data" / fs::relative(e.path(), dir / "default");
    EXPECT_EQ(ReadFile(copy), ReadFile(e.path().string())) << copy;
  }
  for (int i = 0; g_szFolderList[i]; ++i) {
    std::string folder = g_szFolderList[i];
    for (char& c : folder)
      if (c == '\\') c = '/';
    EXPECT_TRUE(fs::is_directory(dir / folder)) << folder;
  }
}

TEST_F(Startup, WithoutDataOrDefaultDataTheStartFails) {
  fs::remove_all(dir / "data");
  auto r = Run({"--frames", "30"});
  ASSERT_FALSE(r.timedOut);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(ReportHas(u8"「data」フォルダの作成に失敗…\n「default」フォルダに問題がある可能性があります。")) << Report();
  EXPECT_FALSE(fs::exists(dir / "data"));
}

TEST_F(Startup, FailuresOfTheDisplaySetUpAreReportedAndEndTheStart) {
  struct Case {
    const char* ini;
    const char* missing;  // removed from the project
    const char8_t* line;  // in the report log
  } cases[] = {
      {"Direct3D=1\r\nWindowMode=1\r\nExit\r\n", "bmp/plt/Palette.bmp", u8"DDLoadPaletteFromFile失敗\n"},
      {"Direct3D=0\r\nWindowMode=1\r\nExit\r\n", "bmp/Debug.bmp", u8"DDLoadSurfaces失敗\n"},
      {"Direct3D=0\r\nWindowMode=0\r\nBpp=8\r\nExit\r\n", "bmp/hbt/hbt00.dat", u8"LoadHbtPalette失敗\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    ASSERT_TRUE(WriteProject(dir.path()));
    WriteIni(c.ini);
    fs::remove(dir / c.missing);
    auto r = Run({"--frames", "5"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(ReportHas(c.line)) << Report();
  }
}

TEST_F(Startup, SystemIniWithCrLfChoosesDirectDrawInAWindowWithoutTheDialog) {
  WriteIni("Direct3D=0\r\nWindowMode=1\r\nBpp=32\r\nExit");
  auto r = Run({"--frames", "5"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(ReportHas("Dialog :")) << Report();
  EXPECT_TRUE(ReportHas("Mode : Window\n")) << Report();
  EXPECT_FALSE(ReportHas(u8"System.ini の読み込みに失敗しました！"));
  EXPECT_FALSE(fs::exists(dir / "user_data/Boot.dat"));
}

TEST_F(Startup, SystemIniWithoutExitFallsBackToTheProjectsOptions) {
  // The project's own options ask for the drawing mode in full screen.
  WriteIni("Direct3D=0\r\nWindowMode=1\r\nBpp=32\r\n");
  auto r = Run({"--frames", "5"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(ReportHas(u8"System.ini の読み込みに失敗しました！")) << Report();
  EXPECT_TRUE(ReportHas("Dialog :")) << Report();
  EXPECT_TRUE(ReportHas("Mode : Fullscreen\n")) << Report();
}

TEST_F(Startup, StartWithTheDialogsDefaultsWritesBootDat) {
  WriteIni("Direct3D=2\r\nWindowMode=1\r\nExit\r\n");
  auto r = Run({"--frames", "5"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(ReportHas("answer : 1000")) << Report();
  const std::vector<uint8_t> expected = {0x0A, 0x03, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ReadOsFile(dir / "user_data/Boot.dat"), expected) << HexBytes(ReadOsFile(dir / "user_data/Boot.dat"));
  // Direct3D was chosen.
  EXPECT_TRUE(ReportHas("D3DCAPS2_DYNAMICTEXTURES")) << Report();
}

TEST_F(Startup, CancellingTheDialogEndsTheStartWithoutAMessage) {
  WriteIni("Direct3D=2\r\nWindowMode=1\r\nExit\r\n");
  ASSERT_TRUE(t4test::WriteFile(dir / "answers.txt", "cancel\n"));
  auto r = Run({"--answers", "answers.txt", "--frames", "5"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_FALSE(fs::exists(dir / "user_data/Boot.dat"));
  EXPECT_FALSE(ReportHas(u8"[エラー]")) << Report();
}

TEST_F(Startup, ScreenModesThatCannotBeShownAreRefusedWithTheirBox) {
  struct Case {
    const char* ini;
    const char* text;
  } cases[] = {
      {"Direct3D=0\r\nWindowMode=1\r\nBpp=16\r\nExit\r\n", kBadWindowDepth},
      {"Direct3D=1\r\nWindowMode=1\r\nBpp=16\r\nExit\r\n", kBadWindowDepth},
      {"Direct3D=0\r\nWindowMode=1\r\nBpp=8\r\nExit\r\n", kBadMode},
      {"Direct3D=1\r\nWindowMode=0\r\nBpp=8\r\nExit\r\n", kBadMode},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    WriteIni(c.ini);
    auto r = Run({"--frames", "5"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(ReportHas(U8(u8"[エラー] ") + std::string(c.text) + "\n"))
        << Report();
    EXPECT_FALSE(ReportHas("Mode : ")) << "no display was set up";
  }
}

TEST_F(Startup, AMissingCommandLineStageIsReportedAndTheTitleRuns) {
  struct Case {
    const char* arg;
    bool make;  // an un-numbered file of that name exists
  } cases[] = {{"data\\stg4\\NoSuchStage.stg4", false}, {"data\\stg4\\Plain.stg4", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    if (c.make) {
      ASSERT_TRUE(t4test::WriteFile(dir / "data/stg4/Plain.stg4", "not numbered"));
    }
    auto r = Run({"--frames", "10", "--frame-hashes", "h.txt", c.arg});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReportHas(U8(u8"「") + std::string(c.arg) + U8(u8"」の読み込みに失敗しました！\n")))
        << Report();
    EXPECT_EQ(ReadLines(dir / "h.txt").size(), 10u);
  }
}

TEST_F(Startup, AnExistingCommandLineStageOpensStagePlayAtOnce) {
  ASSERT_TRUE(WriteTestStage((dir / "data/stg4/Stage1.stg4_778"), "Stage1"));
  ASSERT_TRUE(Run({"--frames", "10", "--frame-hashes", "title.txt"}).exitCode == 0);
  // The path names the stage without its number: the newest file is played.
  auto r = Run({"--frames", "10", "--frame-hashes", "stage.txt", "data\\stg4\\Stage1.stg4"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(ReportHas(u8"」の読み込みに失敗しました！")) << Report();
  // From its first frame on it shows another scene than the title: every
  // scene's fade-in starts from black, so the first step is the first frame
  // with anything of the picture in it.
  EXPECT_NE(ReadLines(dir / "stage.txt").at(1), ReadLines(dir / "title.txt").at(1));
}

TEST_F(Startup, ACommandLineStageTooLongForTheOptionIsRefused) {
  const std::string path = "data\\stg4\\" + std::string(260, 'a') + ".stg4";
  auto r = Run({"--frames", "3", path});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(ReportHas(u8"」の読み込みに失敗しました！")) << Report();
}

TEST_F(Startup, EveryDrawingModeStartsOnTheTestProject) {
  struct Case {
    const char* what;
    const char* ini;
    const char* mode;  // the display report's mode line
    bool fullColour;   // 8 and 32 bits show the very frame Direct3D 32 shows
  } cases[] = {
      {"Direct3D 32 window", "Direct3D=1\r\nWindowMode=1\r\nBpp=32\r\nShowFps=2\r\nExit\r\n", "Mode : Window", true},
      {"Direct3D 16 full screen", "Direct3D=1\r\nWindowMode=0\r\nBpp=16\r\nShowFps=2\r\nExit\r\n", "Mode : Fullscreen",
       false},
      {"DirectDraw 8 full screen", "Direct3D=0\r\nWindowMode=0\r\nBpp=8\r\nShowFps=2\r\nExit\r\n", "Mode : Fullscreen",
       true},
      {"DirectDraw 16 full screen", "Direct3D=0\r\nWindowMode=0\r\nBpp=16\r\nShowFps=2\r\nExit\r\n", "Mode : Fullscreen",
       false},
      {"DirectDraw 32 window", "Direct3D=0\r\nWindowMode=1\r\nBpp=32\r\nShowFps=2\r\nExit\r\n", "Mode : Window", true},
      {"DirectDraw 32 full screen", "Direct3D=0\r\nWindowMode=0\r\nBpp=32\r\nShowFps=2\r\nExit\r\n", "Mode : Fullscreen",
       true},
  };
  const std::string black[] = {HashOfPlainFrame(0xFF000000u), HashOfPlainFrame(0)};
  // The placeholder title's fill alone (palette colour 16), without its
  // name and the frame-rate line.
  const std::string plainTitle = HashOfPlainFrame(0xFF000000u | SheetCellColor(15));
  std::string fullColourFrame;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteIni(c.ini);
    auto r = Run({"--frames", "30", "--frame-hashes", "h.txt"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReportHas(std::string(c.mode) + "\n")) << Report();
    EXPECT_FALSE(ReportHas(u8"[エラー]")) << Report();
    std::vector<std::string> hashes = ReadLines(dir / "h.txt");
    ASSERT_EQ(hashes.size(), 30u);
    auto frame = [&](size_t n) { return hashes[n - 1].substr(hashes[n - 1].find(' ') + 1); };
    // The title fades in from black, one step a frame.
    EXPECT_NE(frame(1), frame(2));
    const std::string last = frame(30);
    EXPECT_NE(last, black[0]);
    EXPECT_NE(last, black[1]);
    EXPECT_NE(last, plainTitle);
    if (!c.fullColour) continue;
    if (fullColourFrame.empty())
      fullColourFrame = last;
    else
      EXPECT_EQ(last, fullColourFrame) << "text, overlay or colours differ from Direct3D";
  }
}

TEST_F(Startup, OutOfRangeSettingsOfTheProjectAndThePlayerAreKeptInRange) {
  // A damaged Option.dat (colour set, volume) and System.dat (font face) at
  // 8-bit DirectDraw, where the colour set picks the blend table.
  WriteIni("Direct3D=0\r\nWindowMode=0\r\nBpp=8\r\nExit\r\n");
  ASSERT_TRUE(WriteBlendTables(dir.path(), 23, 23));
  for (int bad : {99, -7}) {
    SCOPED_TRACE(bad);
    cOptionData option;
    option.m_nColorSet = bad;
    option.m_nSeVolume = bad;
    ASSERT_TRUE(option.SaveToFile((dir / "user_data/Option.dat").c_str()));
    cSystemData system;
    ASSERT_TRUE(system.LoadFromFile((dir / "data/System.dat").c_str()));
    system.m_nFontFace = bad * 1000;
    ASSERT_TRUE(system.SaveToFile((dir / "data/System.dat").c_str()));
    auto r = Run({"--frames", "10", "--frame-hashes", "h.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(ReportHas(u8"[エラー]")) << Report();
    EXPECT_EQ(ReadLines(dir / "h.txt").size(), 10u);
  }
}

using t4test::EditorSocket;

TEST_F(Startup, ATestPlayWhoseStartFailsTellsTheEditorZero) {
  EditorSocket editor(dir / "editor.sock");
  ASSERT_TRUE(editor.Bound());
  fs::remove(dir / "data/WorldMap.dat");
  auto r = Run({"--frames", "5", "--test-play", "--editor-socket", "editor.sock"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(ReportHas(u8"data\\WorldMap.dat のロードに失敗！")) << Report();
  EXPECT_EQ(editor.Drain(), (EditorSocket::Notices{{1, 4, 1}, {0, 4, 0}}));
}

TEST_F(Startup, TheWindowPlacementIsRestoredAndKeptOnScreen) {
  struct Case {
    const char* what;
    const char* ini;
    int x, y, w, h, maximized;       // user_data\Window.dat before the run
    int ex, ey, ew, eh, emaximized;  // and after it
  } cases[] = {
      {"window", "Direct3D=1\r\nWindowMode=1\r\nExit\r\n", 150, 60, 640, 480, 0, 150, 60, 640, 480, 0},
      {"the size only in a resizable window", "Direct3D=1\r\nWindowMode=1\r\nExit\r\n", 150, 60, 800, 600, 0, 150, 60,
       640, 480, 0},
      {"resizable window", "Direct3D=1\r\nWindowMode=2\r\nExit\r\n", 150, 60, 800, 600, 0, 150, 60, 800, 600, 0},
      {"off the desktop", "Direct3D=0\r\nWindowMode=1\r\nExit\r\n", 5000, -3000, 640, 480, 0, 1820, 0, 640, 480, 0},
      // Maximised on the headless 1920 x 1080 desktop.
      {"maximised", "Direct3D=0\r\nWindowMode=1\r\nExit\r\n", 150, 60, 640, 480, 1, 150, 60, 1920, 1080, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteIni(c.ini);
    cWindowData stored;
    stored.Set(c.x, c.y, c.w, c.h, c.maximized);
    ASSERT_TRUE(stored.SaveToFile((dir / "user_data/Window.dat").c_str()));
    auto r = Run({"--frames", "3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(fs::file_size(dir / "user_data/Window.dat"), 32u);
    cWindowData kept;
    ASSERT_TRUE(kept.LoadFromFile((dir / "user_data/Window.dat").c_str()));
    EXPECT_EQ(kept.m_nX, c.ex);
    EXPECT_EQ(kept.m_nY, c.ey);
    EXPECT_EQ(kept.m_nWidth, c.ew);
    EXPECT_EQ(kept.m_nHeight, c.eh);
    EXPECT_EQ(kept.m_bMaximized, c.emaximized);
  }
}

TEST(StartupSoundSlots, EverySystemSoundHasASlotWhateverTheDatabaseHolds) {
  const auto savedSounds = g_Database.m_vecSound;
  const auto savedFiles = g_SystemData.m_vecSoundFile;
  for (int id = 0; id < kSystemSoundCount; ++id) g_SystemData.m_vecSoundFile.At(id) = "wave\\System" + std::to_string(id) + ".wav";
  struct Case {
    int entries;
    size_t slots;
  } cases[] = {{0, 17}, {1, 17}, {2, 18}, {5, 21}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entries);
    g_Database.m_vecSound.resize(static_cast<size_t>(c.entries));
    for (int k = 0; k < c.entries; ++k) g_Database.m_vecSound.At(k).m_strFile = "wave\\Db" + std::to_string(k) + ".wav";
    g_vecSoundFile.assign(40, DSSOUNDDEF{});
    FillSoundSlots();
    ASSERT_EQ(g_vecSoundFile.size(), c.slots);
    EXPECT_EQ(g_vecSound.size(), c.slots);
    for (int id = 0; id < kSystemSoundCount; ++id) {
      EXPECT_EQ(std::string(g_vecSoundFile[static_cast<size_t>(id)].szFileName),
                "wave\\System" + std::to_string(id) + ".wav");
      EXPECT_EQ(g_vecSoundFile[static_cast<size_t>(id)].nBufferNum, 1);
    }
    for (int k = 1; k < c.entries; ++k)
      EXPECT_EQ(std::string(g_vecSoundFile[static_cast<size_t>(16 + k)].szFileName), "wave\\Db" + std::to_string(k) + ".wav");
  }
  g_Database.m_vecSound = savedSounds;
  g_SystemData.m_vecSoundFile = savedFiles;
}
