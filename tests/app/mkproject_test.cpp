// The project maker run as a user runs it: the project it writes is complete,
// every file in it loads with the program's own readers, and it refuses to
// write over a folder in use.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "graphics/bitmap_file.h"
#include "platform/text.h"
#include "records/option_data.h"
#include "records/system_data.h"
#include "services/log.h"
#include "services/midi.h"
#include "services/wave.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/sheet_writer.h"

namespace fs = std::filesystem;
using t4test::RunProgram;
using t4test::TempFolder;

namespace {

fs::path BuildDir() { return fs::path(T4_PLAYER_PATH).parent_path(); }
std::string MakerPath() { return (BuildDir() / "tarvamo4-mkproject").string(); }
std::string DumpPath() { return (BuildDir() / "tools/dump/tarvamo4-dump").string(); }

std::string Os(std::string stored) {
  for (char& c : stored)
    if (c == '\\') c = '/';
  return stored;
}

// The data files of default\ and the loader that must accept each.
const char* const kDataFiles[] = {
    "default/database/AnimeSet.dat", "default/database/Anime.dat",       "default/database/Bmp_CharaExc.dat",
    "default/database/SwordType.dat", "default/database/Effect.dat",     "default/database/CharaEffect.dat",
    "default/database/ScrEffect.dat", "default/database/Picture.dat",    "default/database/Sound.dat",
    "default/database/Bgm.dat",       "default/System.dat",              "default/WorldMap.dat",
    "default/CommonPalette.cplt4",    "default/stg4/Stage1.stg4_778",    "user_data/Option.dat",
};

class MkProject : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(MakerPath())) << "tarvamo4-mkproject is built with the tests";
    project_ = dir_ / "demo";
    made_ = RunProgram(MakerPath(), {project_}, dir_.path());
    ASSERT_FALSE(made_.timedOut);
    ASSERT_EQ(made_.exitCode, 0) << made_.err;
  }

  TempFolder dir_;
  std::string project_;
  t4test::RunResult made_;
};

}  // namespace

TEST_F(MkProject, WritesEveryDataFileLoadableByTheDumpTool) {
  EXPECT_FALSE(fs::exists(project_ + "/data")) << "the first start makes data\\ from default\\";
  for (const char* file : kDataFiles) {
    SCOPED_TRACE(file);
    const std::string path = project_ + "/" + file;
    ASSERT_TRUE(fs::is_regular_file(path));
    EXPECT_NE(made_.out.find(fs::path(file).filename().string()), std::string::npos) << "listed in the output";
    auto r = RunProgram(DumpPath(), {path}, dir_.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
  }
  for (const BuiltInSheet& sheet : BuiltInSheets())
    EXPECT_TRUE(fs::is_regular_file(project_ + "/" + Os(plat::Cp932ToUtf8(sheet.file)))) << plat::Cp932ToUtf8(sheet.file);
}

TEST_F(MkProject, SoundsAndTitleMusicAreNamedByTheProjectAndLoad) {
  ReportLogCapture log(dir_.path());
  cSystemData system;
  ASSERT_TRUE(system.LoadFromFile((project_ + "/default/System.dat").c_str()));
  for (int id = 0; id < kSystemSoundCount; ++id) {
    const std::string file = system.m_vecSoundFile.At(id);
    SCOPED_TRACE(file);
    ASSERT_FALSE(file.empty());
    WAVEDATA wave{};
    ASSERT_TRUE(LoadWaveFile((project_ + "/" + Os(file)).c_str(), &wave));
    EXPECT_EQ(wave.wf.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wave.wf.nSamplesPerSec, 22050u);
    EXPECT_GT(wave.dwSize, 1000u);
    FreeWaveData(&wave);
  }
  // The title slot plays Bgm database entry 1, the generated tune.
  EXPECT_EQ(system.m_vecBgm.At(0), 1);
  const std::string midi = t4test::ReadFile(project_ + "/bgm/Title.mid");
  ASSERT_FALSE(midi.empty());
  std::vector<uint8_t> image =
      cMidi::Convert("Title.mid", reinterpret_cast<const uint8_t*>(midi.data()), midi.size());
  EXPECT_GT(image.size(), static_cast<size_t>(kMidiImageFirstEvent + 16));
  EXPECT_TRUE(log.Lines().empty());
}

TEST_F(MkProject, EachOptionRowIsNamedForTheValueItEdits) {
  cSystemData system;
  ASSERT_TRUE(system.LoadFromFile((project_ + "/default/System.dat").c_str()));
  // The option screen's row kinds: 0 colour set, 1 music on or off, 2 sound
  // volume, 3 ranking entry mode, 4 ranking name, 5 back to the title.
  const char8_t* const captions[] = {u8"カラーセット", u8"BGM", u8"SE", u8"ランキング登録", u8"ランキング登録名", u8"もどる"};
  ASSERT_GE(system.m_vecOptionMenu.Size(), 6);
  for (int kind = 0; kind < 6; ++kind) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(plat::Cp932ToUtf8(system.m_vecOptionMenu.At(kind).m_strCaption), t4test::U8(captions[kind]));
    EXPECT_EQ(system.m_vecOptionMenu.At(kind).m_bEnable, 1);
  }
}

TEST_F(MkProject, EveryPartOfTheDemoSheetsThePlayerCutsIsDrawn) {
  struct Part {
    const char* what;
    int x, y, w, h;
  };
  struct SheetParts {
    const char* file;
    int minW, minH, maxH;
    std::vector<Part> parts;
  };
  // Accessory.bmp: the world-map hero is cut from rows 64-127; the gauges'
  // rows start at 128, 16 apart, on a sheet no taller than 208.
  SheetParts accessory{"bmp/Accessory.bmp", 128, 195, 208,
                       {{"menu cursor", 0, 0, 32, 32},
                        {"list cursor", 64, 0, 16, 16},
                        {"item mark", 80, 0, 16, 16},
                        {"cleared mark", 96, 0, 32, 32},
                        {"score icon", 0, 32, 16, 16},
                        {"stage score icon", 16, 32, 16, 16},
                        {"life icon", 0, 48, 16, 16},
                        {"ranking mark", 16, 48, 16, 16}}};
  for (int x = 0; x < 128; x += 32) {
    accessory.parts.push_back({"hero down or up", x, 64, 32, 32});
    accessory.parts.push_back({"hero right or left", x, 96, 32, 32});
  }
  for (int row = 0; row < 5; ++row)
    for (int x : {0, 64}) accessory.parts.push_back({"gauge row", x, 128 + 16 * row, 50, 2});
  // GameMode.bmp: one 32-pixel row of words for each of the seven title
  // items, quit included.
  SheetParts menu{"bmp/GameMode.bmp", 128, 224, 1 << 20, {}};
  for (int kind = 0; kind < 7; ++kind) menu.parts.push_back({"title item", 0, 32 * kind, 256, 32});
  // WorldEvent.bmp: the stage points of the demo's three icon rows, not
  // cleared (x 0) and cleared (x 32).
  SheetParts points{"bmp/WorldEvent.bmp", 64, 96, 1 << 20, {}};
  for (int row = 0; row < 3; ++row)
    for (int x : {0, 32}) points.parts.push_back({"stage point", x, 32 * row, 32, 32});

  // Block.bmp, Character1.bmp, Item.bmp: the graphics the demo's stages
  // place (blocks 1-3, 5-6 and 9-10; charas 1-5 in every step; items 1 and 2
  // in both frames); Shot.bmp: the hero's and the boss's shots.
  SheetParts blocks{"bmp/Block.bmp", 32, 352, 1 << 20, {}};
  for (int a : {1, 2, 3, 5, 6, 9, 10}) blocks.parts.push_back({"block", 0, 32 * a, 32, 32});
  SheetParts charas{"bmp/Character1.bmp", 256, 192, 1 << 20, {}};
  for (int a = 1; a <= 5; ++a)
    for (int b = 0; b < 8; ++b) charas.parts.push_back({"chara", 32 * b, 32 * a, 32, 32});
  SheetParts items{"bmp/Item.bmp", 64, 96, 1 << 20, {}};
  for (int a : {1, 2})
    for (int c : {0, 1}) items.parts.push_back({"item", 32 * c, 32 * a, 32, 32});
  // Item_Mini.bmp: the small icons of items 1 and 2 that pop up when the
  // hero takes them.
  SheetParts itemIcons{"bmp/Item_Mini.bmp", 16, 48, 1 << 20, {{"coin icon", 0, 16, 16, 16}, {"goal icon", 0, 32, 16, 16}}};
  SheetParts shots{"bmp/Shot.bmp", 32, 48, 1 << 20, {}};
  for (int a : {1, 2})
    for (int k : {0, 1}) shots.parts.push_back({"shot", 16 * k, 16 * a, 16, 16});

  // Word.bmp: the stage, replay, clear, game-over and start banners and
  // both rows of big digits.
  SheetParts words{"bmp/Word.bmp", 320, 192, 1 << 20,
                   {{"stage banner", 0, 0, 128, 32},
                    {"replay banner", 0, 32, 128, 32},
                    {"clear banner", 0, 64, 128, 32},
                    {"game-over banner", 0, 96, 144, 32},
                    {"start banner", 160, 0, 80, 32}}};
  for (int d = 0; d < 10; ++d)
    for (int y : {128, 160}) words.parts.push_back({"digit", 32 * d, y, 32, 32});

  for (const SheetParts& sheetParts : {accessory, menu, points, blocks, charas, items, itemIcons, shots, words}) {
    SCOPED_TRACE(sheetParts.file);
    BitmapImage sheet;
    ASSERT_TRUE(ReadBitmapFile((project_ + "/" + sheetParts.file).c_str(), &sheet));
    ASSERT_GE(sheet.width, sheetParts.minW);
    ASSERT_GE(sheet.height, sheetParts.minH);
    ASSERT_LE(sheet.height, sheetParts.maxH);
    for (const Part& p : sheetParts.parts) {
      SCOPED_TRACE(std::string(p.what) + " at " + std::to_string(p.x) + ", " + std::to_string(p.y));
      int drawn = 0;
      for (int y = p.y; y < p.y + p.h; ++y)
        for (int x = p.x; x < p.x + p.w; ++x) drawn += sheet.At(x, y) != kSheetKey;
      EXPECT_GT(drawn, p.w * p.h / 16);
    }
  }
}

TEST_F(MkProject, TheDemoCharasShowAPoseForEachColumnTheirAnimationsShow) {
  // Moving, a chara alternates columns 0 and 1 of its row: the hero stands
  // in one and strides in the other, the enemies step and flap. The hero's
  // jump shows column 2, its shot column 3: four different poses.
  BitmapImage sheet;
  ASSERT_TRUE(ReadBitmapFile((project_ + "/bmp/Character1.bmp").c_str(), &sheet));
  const auto differ = [&](int graphic, int colA, int colB) {
    int n = 0;
    for (int y = 32 * graphic; y < 32 * graphic + 32; ++y)
      for (int x = 0; x < 32; ++x) n += sheet.At(32 * colA + x, y) != sheet.At(32 * colB + x, y);
    return n;
  };
  for (int graphic : {1, 2, 3, 5}) EXPECT_GT(differ(graphic, 0, 1), 8) << graphic;
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b) EXPECT_GT(differ(1, a, b), 8) << "hero columns " << a << ", " << b;
}

TEST_F(MkProject, RefusesAFolderThatIsNotEmpty) {
  auto again = RunProgram(MakerPath(), {project_}, dir_.path());
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("not an empty folder"), std::string::npos) << again.err;

  // An empty folder is fine.
  ASSERT_TRUE(dir_.MakeDir("empty"));
  EXPECT_EQ(RunProgram(MakerPath(), {dir_ / "empty"}, dir_.path()).exitCode, 0);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "empty/default/System.dat"));
}

TEST_F(MkProject, ThePlayerStartsHeadlessInTheProject) {
  // As made: asks for the drawing mode (Start takes Direct3D) and plays in
  // a window.
  auto r = t4test::RunPlayer({"--headless", "--frames", "30", "--project", project_}, dir_.path());
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string report = t4test::ReadFile(project_ + "/Report_Game.txt");
  EXPECT_NE(report.find("answer : 1000"), std::string::npos) << report;
  EXPECT_NE(report.find("Mode : Window\n"), std::string::npos) << report;
  EXPECT_EQ(report.find(t4test::U8(u8"[エラー]")), std::string::npos) << report;
  EXPECT_EQ(report.find(t4test::U8(u8"の読み込みに失敗")), std::string::npos) << report;
  EXPECT_TRUE(fs::is_directory(project_ + "/data/database"));
}

TEST_F(MkProject, EveryDrawingModeAndColourSetStarts) {
  // The first start makes data\ and leaves the drawing-mode choice.
  ASSERT_EQ(t4test::RunPlayer({"--headless", "--frames", "2", "--project", project_}, dir_.path()).exitCode, 0);
  for (int set = 0; set < 24; ++set)
    EXPECT_EQ(fs::file_size(project_ + "/" + Os(Format("bmp\\hbt\\hbt%02d.dat", set))), 65536u) << set;
  struct Case {
    const char* ini;
    int colourSet;
  } cases[] = {
      {"Direct3D=1\r\nWindowMode=0\r\nBpp=16\r\nExit\r\n", 0},
      {"Direct3D=1\r\nWindowMode=1\r\nBpp=32\r\nExit\r\n", 0},
      {"Direct3D=0\r\nWindowMode=0\r\nBpp=8\r\nExit\r\n", 0},
      {"Direct3D=0\r\nWindowMode=0\r\nBpp=8\r\nExit\r\n", 23},
      {"Direct3D=0\r\nWindowMode=0\r\nBpp=16\r\nExit\r\n", 0},
      {"Direct3D=0\r\nWindowMode=1\r\nBpp=32\r\nExit\r\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    SCOPED_TRACE(c.colourSet);
    ASSERT_TRUE(t4test::WriteFile(project_ + "/System.ini", c.ini));
    cOptionData option;
    option.m_nColorSet = c.colourSet;
    ASSERT_TRUE(option.SaveToFile((project_ + "/user_data/Option.dat").c_str()));
    auto r = t4test::RunPlayer({"--headless", "--frames", "20", "--project", project_}, dir_.path());
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string report = t4test::ReadFile(project_ + "/Report_Game.txt");
    EXPECT_EQ(report.find(t4test::U8(u8"[エラー]")), std::string::npos) << report;
    EXPECT_EQ(report.find(t4test::U8(u8"の読み込みに失敗")), std::string::npos) << report;
  }
}
