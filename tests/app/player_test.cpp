// The player run as a user runs it, headless.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"
#include "support/virtual_display.h"

using t4test::ReadFile;
using t4test::ReadLines;
using t4test::RunPlayer;
using t4test::TempFolder;

namespace {

// Width and height from a PNG's header.
bool PngSize(const std::string& bytes, uint32_t* w, uint32_t* h) {
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0)
    return false;
  auto be = [&](size_t o) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[o])) << 24 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[o + 1])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[o + 2])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[o + 3]));
  };
  *w = be(16);
  *h = be(20);
  return true;
}

}  // namespace

TEST(Player, HeadlessRunWritesTheReportScreenshotAndHashes) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  auto r = RunPlayer({"--headless", "--frames", "120", "--screenshot", "60:shot.png", "--frame-hashes", "hashes.txt"},
                     dir.path());
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << r.err;

  std::vector<std::string> report = ReadLines(dir / "Report_Game.txt");
  const char* prefixes[] = {"App : ver 778", "OS : ",      "CPU : ",     "Mem Total : ",
                            "Mem Free : ",   "Vir Total : ", "Vir Free : ", "HD Free : "};
  ASSERT_GE(report.size(), std::size(prefixes));
  EXPECT_EQ(report[0], "App : ver 778");
  for (size_t i = 0; i < std::size(prefixes); ++i) EXPECT_EQ(report[i].rfind(prefixes[i], 0), 0u) << report[i];
  EXPECT_NE(report[3].find("MB"), std::string::npos);

  uint32_t w = 0, h = 0;
  ASSERT_TRUE(PngSize(ReadFile(dir / "shot.png"), &w, &h));
  EXPECT_EQ(w, 640u);
  EXPECT_EQ(h, 480u);

  std::vector<std::string> hashes = ReadLines(dir / "hashes.txt");
  ASSERT_EQ(hashes.size(), 120u);
  EXPECT_EQ(hashes.front().rfind("1 ", 0), 0u);
  EXPECT_EQ(hashes.back().rfind("120 ", 0), 0u);
  // The title fades in from black, a step each frame; the frame-rate overlay
  // shows the first second's count from the second on.
  EXPECT_NE(hashes[0].substr(hashes[0].find(' ')), hashes[1].substr(hashes[1].find(' ')));
  EXPECT_NE(hashes.front().substr(hashes.front().find(' ')), hashes.back().substr(hashes.back().find(' ')));
}

TEST(Player, AHeadlessRunWithoutHashesTakesTheSameScreenshots) {
  // Without hashes only the screenshots' frames are converted: they show
  // what a run that converts every frame shows, at the same frames.
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  auto all = RunPlayer(
      {"--headless", "--frames", "30", "--screenshot", "2:a2.png", "--screenshot", "3:a3.png", "--frame-hashes", "h.txt"},
      dir.path());
  ASSERT_EQ(all.exitCode, 0) << all.err;
  auto some = RunPlayer({"--headless", "--frames", "30", "--screenshot", "2:b2.png", "--screenshot", "3:b3.png"},
                        dir.path());
  ASSERT_EQ(some.exitCode, 0) << some.err;
  const std::string a2 = ReadFile(dir / "a2.png"), a3 = ReadFile(dir / "a3.png");
  ASSERT_FALSE(a2.empty());
  EXPECT_TRUE(a2 != a3) << "the title fades in a step each frame";
  EXPECT_TRUE(ReadFile(dir / "b2.png") == a2);
  EXPECT_TRUE(ReadFile(dir / "b3.png") == a3);
}

TEST(Player, HeadlessSoundFollowsTheFrameClock) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  auto r = RunPlayer({"--headless", "--frames", "60", "--audio-out", "sound.wav"}, dir.path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string wav = ReadFile(dir / "sound.wav");
  // 44-byte header, then 60 frames of 735 stereo 16-bit samples.
  ASSERT_EQ(wav.size(), 44u + 60u * 735u * 4u);
  EXPECT_EQ(wav.compare(0, 4, "RIFF"), 0);
  EXPECT_EQ(wav.compare(8, 4, "WAVE"), 0);
}

TEST(Player, TwoHeadlessRunsShowTheSameFrames) {
  TempFolder a, b;
  ASSERT_TRUE(WriteProject(a.path()));
  ASSERT_TRUE(WriteProject(b.path()));
  ASSERT_EQ(RunPlayer({"--headless", "--frames", "30", "--frame-hashes", "h.txt"}, a.path()).exitCode, 0);
  ASSERT_EQ(RunPlayer({"--headless", "--frames", "30", "--frame-hashes", "h.txt"}, b.path()).exitCode, 0);
  EXPECT_EQ(ReadFile(a / "h.txt"), ReadFile(b / "h.txt"));
}

TEST(Player, EscapeFromAnInputScriptClosesInOrder) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  ASSERT_TRUE(t4test::WriteFile(dir / "input.txt", "# hold right, then Esc\n1-9 RIGHT\n10 ESC\n"));
  auto r = RunPlayer({"--headless", "--frames", "600", "--input", "input.txt", "--frame-hashes", "h.txt"}, dir.path());
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // Esc reaches the window as frame 9 is shown; frame 10 may or may not
  // come before the close.
  size_t frames = ReadLines(dir / "h.txt").size();
  EXPECT_GE(frames, 9u);
  EXPECT_LT(frames, 600u);
}

TEST(Player, ASecondRunStartsTheReportAfresh) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  ASSERT_TRUE(t4test::WriteFile(dir / "Report_Game.txt", "old line\nold line\n"));
  ASSERT_EQ(RunPlayer({"--headless", "--frames", "2"}, dir.path()).exitCode, 0);
  std::string report = ReadFile(dir / "Report_Game.txt");
  EXPECT_EQ(report.rfind("App : ver 778\n", 0), 0u);
  EXPECT_EQ(report.find("old line"), std::string::npos);
}

TEST(Player, ProjectOptionRunsInThatFolder) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir / "game"));
  auto r = RunPlayer({"--headless", "--frames", "3", "--project", dir / "game", "--frame-hashes", "h.txt"}, dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "game/Report_Game.txt"));
  // Output paths on the command line stay relative to where the player was started.
  EXPECT_EQ(ReadLines(dir / "h.txt").size(), 3u);
}

// A stage file on the command line is found from where the player was
// started, like every other path there, not from the project folder.
TEST(Player, AStageFileBesideTheStartFolderIsPlayedWithAProject) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir / "game"));
  std::filesystem::create_directories(dir / "mine");
  ASSERT_TRUE(WriteTestStage(dir / "mine/Stage1.stg4_778"));
  auto r = RunPlayer({"--headless", "--frames", "40", "--project", dir / "game", "--test-play", "--state-log",
                      "s.jsonl", "mine/Stage1.stg4"},
                     dir.path());
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // The stage was set up: the log has the hero of the written stage.
  const std::vector<std::string> log = ReadLines(dir / "s.jsonl");
  ASSERT_EQ(log.size(), 40u);
  EXPECT_NE(log.back().find("\"hero\":{"), std::string::npos) << log.back();
  EXPECT_EQ(ReadFile(dir / "game/Report_Game.txt").find("mine/Stage1.stg4"), std::string::npos);
}

TEST(Player, BadCommandLinesAreRefusedWithAMessage) {
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* says;
  } cases[] = {
      {{"--frames"}, 2, "--frames needs a value"},
      {{"--frames", "0"}, 2, "positive number"},
      {{"--frames", "ten"}, 2, "positive number"},
      {{"--screenshot", "abc.png"}, 2, "N:FILE"},
      {{"--bogus"}, 2, "unknown option --bogus"},
      {{"--soundfont"}, 2, "--soundfont needs a value"},
      {{"a.stg4_000", "b.stg4_000"}, 2, "only one stage file"},
      {{"--headless", "--input", "missing.txt"}, 2, "cannot open input script"},
      {{"--headless", "--project", "no/such/folder"}, 1, "cannot enter the project folder"},
  };
  TempFolder dir;
  for (const Case& c : cases) {
    auto r = RunPlayer(c.args, dir.path());
    EXPECT_EQ(r.exitCode, c.code) << c.args[0];
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  auto help = RunPlayer({"--help"}, dir.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--frame-hashes"), std::string::npos);
}

TEST(Player, BadInputScriptNamesTheLine) {
  TempFolder dir;
  ASSERT_TRUE(t4test::WriteFile(dir / "input.txt", "1 LEFT\n2 NOSUCHKEY\n"));
  auto r = RunPlayer({"--headless", "--input", "input.txt"}, dir.path());
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("input.txt:2: unknown key 'NOSUCHKEY'"), std::string::npos) << r.err;
}

// A real window on a virtual X display, paced in real time.
TEST(Player, WindowedRunOpensAndClosesOnEscape) {
  if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  t4test::VirtualDisplay xvfb;
  ASSERT_TRUE(xvfb.Start("800x600x24")) << "Xvfb did not start";
  std::string display = xvfb.Name();
  ASSERT_TRUE(t4test::WriteFile(dir / "input.txt", "20 ESC\n"));
  auto r = RunPlayer({"--input", "input.txt", "--frame-hashes", "h.txt", "--frames", "600"}, dir.path(),
                     std::chrono::seconds(30),
                     // The X libraries SDL loads and unloads again keep allocations the
                     // leak checker can no longer attribute; they are not ours.
                     {"DISPLAY=" + display, "SDL_AUDIODRIVER=dummy", "ASAN_OPTIONS=detect_leaks=0"});
  xvfb.Stop();
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // The key held from frame 20 on reaches the window as the 19th frame is
  // shown; the close it asks for may come before or after the 20th.
  size_t frames = ReadLines(dir / "h.txt").size();
  EXPECT_GE(frames, 19u);
  EXPECT_LT(frames, 600u);
  EXPECT_EQ(ReadLines(dir / "Report_Game.txt").at(0), "App : ver 778");
}
