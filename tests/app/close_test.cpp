// The main window through the real program: the window placement kept in
// user_data\Window.dat between runs, the title's stage and replay choosers,
// and closing while the game thread waits in one.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <cstdint>
#include <string>
#include <vector>

#include "support/background_player.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"

using namespace std::chrono_literals;
using t4test::ReadFile;
using t4test::ReadLines;
using t4test::RunPlayer;
using t4test::TempFolder;
using t4test::WriteFile;

namespace {

// Window.dat: the data version and the field count, then x, y, width,
// height and maximised, as little-endian 32-bit values, then the record's end.
constexpr size_t kWindowDatSize = 32;
constexpr size_t kFieldsAt = 8;

struct Placement {
  int32_t x, y, width, height, maximised;
  bool operator==(const Placement&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Placement& p) {
  return os << "(" << p.x << ", " << p.y << ", " << p.width << " x " << p.height << ", max " << p.maximised << ")";
}

Placement ReadPlacement(const std::string& bytes) {
  auto at = [&](size_t i) {
    const size_t o = kFieldsAt + i * 4;
    return static_cast<int32_t>(static_cast<uint8_t>(bytes[o]) | static_cast<uint8_t>(bytes[o + 1]) << 8 |
                                static_cast<uint8_t>(bytes[o + 2]) << 16 |
                                static_cast<uint32_t>(static_cast<uint8_t>(bytes[o + 3])) << 24);
  };
  return {at(0), at(1), at(2), at(3), at(4)};
}

// The saved file with its fields replaced: the header stays the program's.
std::string WithPlacement(std::string bytes, const Placement& p) {
  const int32_t v[5] = {p.x, p.y, p.width, p.height, p.maximised};
  for (size_t i = 0; i < 5; ++i)
    for (size_t b = 0; b < 4; ++b)
      bytes[kFieldsAt + i * 4 + b] = static_cast<char>(static_cast<uint32_t>(v[i]) >> (8 * b) & 0xFF);
  return bytes;
}

class MainWindowRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteProject(dir.path())); }
  void WriteIni(const char* text) { ASSERT_TRUE(WriteFile(dir / "System.ini", text)); }
  std::string Report() const { return ReadFile(dir / "Report_Game.txt"); }
  std::string WindowDat() const { return ReadFile(dir / "user_data/Window.dat"); }

  TempFolder dir;
};

TEST_F(MainWindowRun, WindowPlacementIsKeptOnCloseAndTakenAtTheNextStart) {
  // The headless desktop is 1920 x 1080 and a new window is centred on it.
  const Placement centred{640, 300, 640, 480, 0};
  struct Case {
    const char* name;
    const char* ini;
    Placement stored;  // written before the run
    Placement saved;   // found after it
  } cases[] = {
      {"a position is taken", "Direct3D=1\r\nWindowMode=1\r\nBpp=0\r\nExit\r\n", {100, 50, 700, 500, 0},
       {100, 50, 640, 480, 0}},
      {"the resizable window takes the size too", "Direct3D=1\r\nWindowMode=2\r\nBpp=0\r\nExit\r\n",
       {100, 50, 700, 500, 0}, {100, 50, 700, 500, 0}},
      {"off screen comes back to the nearest edge", "Direct3D=0\r\nWindowMode=1\r\nBpp=32\r\nExit\r\n",
       {5000, -300, 640, 480, 0}, {1820, 0, 640, 480, 0}},
      {"maximised", "Direct3D=1\r\nWindowMode=1\r\nBpp=0\r\nExit\r\n", {10, 20, 640, 480, 1},
       {10, 20, 1920, 1080, 1}},
  };

  // A first run in a window writes the file.
  WriteIni("Direct3D=1\r\nWindowMode=1\r\nBpp=0\r\nExit\r\n");
  auto first = RunPlayer({"--headless", "--frames", "5"}, dir.path());
  ASSERT_FALSE(first.timedOut);
  ASSERT_EQ(first.exitCode, 0) << first.err;
  const std::string saved = WindowDat();
  ASSERT_EQ(saved.size(), kWindowDatSize);
  EXPECT_EQ(ReadPlacement(saved), centred);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteIni(c.ini);
    ASSERT_TRUE(WriteFile(dir / "user_data/Window.dat", WithPlacement(saved, c.stored)));
    auto r = RunPlayer({"--headless", "--frames", "5"}, dir.path());
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string after = WindowDat();
    ASSERT_EQ(after.size(), kWindowDatSize);
    EXPECT_EQ(ReadPlacement(after), c.saved);
  }

  // Full screen keeps the file as it was.
  WriteIni("Direct3D=0\r\nWindowMode=0\r\nBpp=32\r\nExit\r\n");
  const std::string before = WindowDat();
  auto full = RunPlayer({"--headless", "--frames", "5"}, dir.path());
  EXPECT_EQ(full.exitCode, 0) << full.err;
  EXPECT_EQ(WindowDat(), before);
}

TEST_F(MainWindowRun, TitleChoosersThatFindNothingToLoadLeaveTheTitleRunning) {
  // A stage file with its version and end marker but nothing readable
  // between: the loader reports it and play goes on.
  const std::string brokenStage("\x0a\x03\0\0" "not a stage" "\x15\xcd\x5b\x07", 19);
  ASSERT_TRUE(dir.MakeFile("data/stg4/town.stg4_000", brokenStage));
  ASSERT_TRUE(dir.MakeFile("user_data/rpl4/run.rpl4_778", "not a replay"));
  // The title's fourth item opens the stage file chooser and its fifth the
  // replay chooser; each is answered, and the run goes on to its last frame.
  ASSERT_TRUE(WriteFile(dir / "input.txt", "20 DOWN\n24 DOWN\n28 DOWN\n40 Z\n50 Z\n55 DOWN\n60 Z\n70 Z\n"));
  ASSERT_TRUE(WriteFile(dir / "answers.txt", "cancel\ntown.stg4_000\nok\ncancel\nrun.rpl4_778\n"));
  auto r = RunPlayer({"--headless", "--frames", "100", "--input", "input.txt", "--answers", "answers.txt",
                      "--frame-hashes", "h.txt"},
                     dir.path());
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadLines(dir / "h.txt").size(), 100u);
  const std::string report = Report();
  const char8_t* lines[] = {
      u8"[ステージファイルの読み込み] cancel\n",
      u8"[ステージファイルの読み込み] data\\stg4\\town.stg4_000\n",
      u8"[リプレイファイルの読み込み] cancel\n",
      u8"[リプレイファイルの読み込み] user_data\\rpl4\\run.rpl4_778\n",
  };
  size_t from = 0;
  for (const char8_t* line : lines) {
    const size_t at = report.find(t4test::U8(line), from);
    ASSERT_NE(at, std::string::npos) << t4test::U8(line) << report;
    from = at;
  }
}

TEST_F(MainWindowRun, ClosingWhileTheGameWaitsInTheStageChooserEndsInOrder) {
  // A real (dummy-driver) window, so the drawn chooser stays open until
  // something closes the program.
  // The title's fourth item: the stage file chooser.
  ASSERT_TRUE(WriteFile(dir / "input.txt", "20 DOWN\n24 DOWN\n28 DOWN\n40 Z\n"));
  const std::string optionBefore = ReadFile(dir / "user_data/Option.dat");
  t4test::BackgroundPlayer player({"--input", "input.txt", "--screenshot", "39:f39.png", "--screenshot",
                                   "40:f40.png"},
                                  dir.path(), {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"}, dir / "err.txt");
  // Frame 40 sends the request: while the chooser is open it never comes.
  ASSERT_TRUE(t4test::WaitUntil([&] { return std::filesystem::exists(dir / "f39.png"); }, 30s))
      << ReadFile(dir / "err.txt");
  std::this_thread::sleep_for(500ms);
  ASSERT_TRUE(player.Running());
  EXPECT_FALSE(std::filesystem::exists(dir / "f40.png"));

  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(kill(player.Pid(), SIGTERM), 0);
  EXPECT_EQ(player.Wait(2s), 0) << ReadFile(dir / "err.txt");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  // The files are whole.
  EXPECT_EQ(WindowDat().size(), kWindowDatSize);
  EXPECT_EQ(ReadFile(dir / "user_data/Option.dat"), optionBefore);
}

}  // namespace
