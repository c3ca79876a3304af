#include "fuzz_seeds.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "fuzz_entries.h"
#include "graphics/bmp_bytes.h"
#include "records/boot_data.h"
#include "records/database.h"
#include "records/option_data.h"
#include "records/palette_data.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/window_data.h"
#include "records/worldmap_data.h"
#include "services/input.h"
#include "services/keyconfig.h"
#include "stage/replay_data.h"
#include "support/midi_bytes.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"
#include "support/temp_folder.h"
#include "support/wave_bytes.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

fs::path g_out;
int g_written = 0;
std::string g_error;  // the first failure

void Fail(const std::string& what) {
  if (g_error.empty()) g_error = what;
}

void Put(const char* target, const std::string& name, const Bytes& bytes) {
  if (!FindFuzzEntry(target)) return Fail(std::string("no target ") + target);
  fs::path dir = g_out / target;
  std::error_code ec;
  fs::create_directories(dir, ec);
  std::ofstream f(dir / name, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) return Fail("cannot write " + (dir / name).string());
  ++g_written;
}

Bytes ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void PutFile(const char* target, const std::string& name, const fs::path& from) {
  Bytes b = ReadFile(from);
  if (b.empty()) return Fail("nothing in " + from.string());
  Put(target, name, b);
}

// Saves through `save` into a scratch file at each data version and keeps
// each result as a seed.
template <class Save>
void PutVersions(const char* target, const std::string& stem, const fs::path& scratch, Save save,
                 std::initializer_list<uint32_t> versions = {778, 500, 200, 150}) {
  for (uint32_t v : versions) {
    g_dwDataVersion = v;
    const std::string path = (scratch / (stem + ".tmp")).string();
    if (!save(path)) {
      Fail("cannot save " + stem + " at version " + std::to_string(v));
      continue;
    }
    Put(target, stem + "-v" + std::to_string(v), ReadFile(path));
  }
  g_dwDataVersion = kRecordDataVersion;
}

template <class T>
void PutList(const char* target, const std::string& stem, const fs::path& scratch, std::vector<T> list) {
  PutVersions(target, stem, scratch, [&](const std::string& path) { return SaveRecordListFile(path, list); });
}

// --- databases -----------------------------------------------------------------

cAnimeData MakeAnime(const char* name, int frames) {
  cAnimeData a;
  a.m_strName = name;
  for (int k = 0; k < frames; ++k) {
    cAnimeFrameData& f = a.m_vecFrame.emplace_back();
    f.m_nGraphic = k * 3;
    f.m_nTime = 1 + k;
    f.m_nLock = k == frames - 1;
  }
  return a;
}

void Databases(const fs::path& project, const fs::path& scratch) {
  const char* targets[kDatabaseFileCount] = {"db_animeset",    "db_anime",     "db_bmp_charaexc", "db_swordtype",
                                             "db_effect",      "db_charaeffect", "db_screffect",  "db_picture",
                                             "db_sound",       "db_bgm"};
  for (int i = 0; i < kDatabaseFileCount; ++i)
    PutFile(targets[i], "project", project / "data" / "database" / g_DatabaseFiles[i].fileName);

  std::vector<cAnimeSetData> sets(2);
  sets[1].m_strName = "走る";
  for (int k = 0; k < 4; ++k) sets[1].m_vecAnime.push_back(MakeAnime("歩き", k + 1));
  PutList("db_animeset", "sets", scratch, sets);

  PutList("db_anime", "frames", scratch, std::vector<cAnimeData>{MakeAnime("なし", 0), MakeAnime("A", 3), MakeAnime("B", 5)});

  std::vector<cBmpCharaExcData> bitmaps(3);
  bitmaps[1].m_strFile = "bmp\\chara\\big.bmp";
  bitmaps[1].m_bLargeCells = 1;
  bitmaps[1].m_nCellSize = 3;
  PutList("db_bmp_charaexc", "cells", scratch, bitmaps);

  std::vector<cSwordTypeData> swords(2);
  swords[1].m_strLeftImage = "bmp\\sword\\l.bmp";
  swords[1].m_strRightImage = "bmp\\sword\\r.bmp";
  for (int k = 0; k < 3; ++k) {
    cSwordFrameData& f = swords[1].m_vecFrame.emplace_back();
    f.m_nX = k * 4;
    f.m_nWidth = 16;
    f.m_nHeight = 8;
    f.m_nTime = 2;
    f.m_nPosition = k;
  }
  PutList("db_swordtype", "frames", scratch, swords);

  std::vector<cEffectData> effects(2);
  effects[1].m_strFile = "bmp\\effect\\e.bmp";
  effects[1].m_nCellWidth = 48;
  for (int k = 0; k < 4; ++k) {
    cEffectFrameData& f = effects[1].m_vecFrame.emplace_back();
    f.m_nGraphic = k;
    f.m_nTime = 1 + k % 2;
  }
  PutList("db_effect", "frames", scratch, effects);

  // Every kind once, with a time and a range.
  std::vector<cCharaEffectData> chara(18);
  for (int k = 0; k < 18; ++k) {
    chara[static_cast<size_t>(k)].m_nKind = k;
    chara[static_cast<size_t>(k)].m_nParam[0] = 10 + k;
    chara[static_cast<size_t>(k)].m_nParam[1] = k * 7;
    chara[static_cast<size_t>(k)].m_nParam[2] = 100 - k;
    chara[static_cast<size_t>(k)].m_nParam[3] = k % 3;
  }
  PutList("db_charaeffect", "kinds", scratch, chara);
  std::vector<cScrEffectData> screen(16);
  for (int k = 0; k < 16; ++k) {
    screen[static_cast<size_t>(k)].m_nKind = k;
    screen[static_cast<size_t>(k)].m_nParam[0] = 5 + k;
    screen[static_cast<size_t>(k)].m_nParam[1] = k * 11;
    screen[static_cast<size_t>(k)].m_nParam[2] = 64 - k;
    screen[static_cast<size_t>(k)].m_nParam[4] = 1;
  }
  PutList("db_screffect", "kinds", scratch, screen);

  std::vector<cPictureData> pictures(3);
  pictures[1].m_strName = "絵";
  pictures[1].m_strFile = "bmp\\picture\\p.bmp";
  PutList("db_picture", "named", scratch, pictures);
  std::vector<cSoundData> sounds(3);
  sounds[2].m_strFile = "wave\\Sound01.wav";
  PutList("db_sound", "named", scratch, sounds);
  std::vector<cBgmData> tunes(3);
  tunes[1].m_strFile = "bgm\\Title.mid";
  tunes[2].m_strFile = "bgm\\Field.ogg";
  PutList("db_bgm", "named", scratch, tunes);
}

// --- project-wide files ----------------------------------------------------------

void SystemFiles(const fs::path& project, const fs::path& scratch) {
  PutFile("system_dat", "project", project / "data" / "System.dat");
  PutVersions("system_dat", "default", scratch, [](const std::string& p) {
    cSystemData s;
    return s.SaveToFile(p.c_str());
  }, {500, 200, 190, 150, 100});

  PutFile("worldmap_dat", "project", project / "data" / "WorldMap.dat");
  PutVersions("worldmap_dat", "nodes", scratch, [](const std::string& p) {
    cWorldMapData map;
    map.SetSize(9, 6);
    for (size_t i = 0; i < map.m_vecCell.size(); ++i) map.m_vecCell[i] = static_cast<int>(i % 3);
    map.m_vecChip.resize(3);
    for (int n = 0; n < 3; ++n) {
      cWorldNodeData& node = map.m_vecNode.emplace_back();
      node.m_nX = n * 3;
      node.m_nY = n;
      node.m_strName = "点";
      cWorldStageData& stage = node.m_vecStage.emplace_back();
      stage.m_strStageFile = "data\\stg4\\Stage1.stg4";
      stage.m_nKind = n % 3;
    }
    map.m_nStartX = 3;
    map.m_nStartY = 1;
    return map.SaveToFile(p.c_str());
  });

  PutFile("option_dat", "project", project / "user_data" / "Option.dat");
  PutVersions("option_dat", "named", scratch, [](const std::string& p) {
    cOptionData option;
    option.m_nColorSet = 5;
    option.m_nSeVolume = 10;
    option.m_strPlayerName = "プレイヤー";
    return option.SaveToFile(p.c_str());
  }, {778});

  PutVersions("boot_dat", "noask", scratch, [](const std::string& p) {
    cBootData boot;
    boot.m_bNoAsk = 1;
    return boot.SaveToFile(p.c_str());
  }, {778});
  PutVersions("window_dat", "placed", scratch, [](const std::string& p) {
    cWindowData window;
    window.Set(120, 80, 640, 480, 0);
    return window.SaveToFile(p.c_str());
  }, {778});

  KEYCONFIG keys{};
  SetDefaultKeyConfig(&keys);
  const std::string keyPath = (scratch / "KeyConfig.dat").string();
  if (SaveKeyConfig(keyPath.c_str(), &keys)) Put("keyconfig_dat", "default", ReadFile(keyPath));
  keys.joysticks = 2;
  keys.use = 1;
  keys.assign[4] = KEYASSIGN{0, 1, 0};
  keys.assign[5] = KEYASSIGN{1, 2, 0};
  keys.assign[0] = KEYASSIGN{0, 256, 0};
  if (SaveKeyConfig(keyPath.c_str(), &keys)) Put("keyconfig_dat", "joysticks", ReadFile(keyPath));

  PutFile("system_ini", "project", project / "System.ini");
  auto text = [](const char* s) { return Bytes(s, s + std::char_traits<char>::length(s)); };
  Put("system_ini", "every-key",
      text("Direct3D=2\nWindowMode=2\nBpp=16\nVSync=1\nD3D_FontCache=1\nDD_FontCache=0\nDD_VideoStretch=1\n"
           "ShowFps=2\nFreeStage=data\\stg4\\Stage1.stg4\nEnglish=1\n// comment\nExit"));
  Put("system_ini", "blanks", text("Bpp = 16\r\n\tWindowMode=1 /window\r\n\r\nExit\r\n"));
}

// --- stages and palettes ---------------------------------------------------------

cFlow MakeFlow(int firstKind) {
  cFlow flow;
  flow.m_byTrigger = 1;
  cCond& cond = flow.m_vecCond.emplace_back();
  cond.m_byKind = 1;
  cond.m_nConst = 3;
  cKeyTrigger& key = flow.m_vecKeyTrigger.emplace_back();
  key.m_vecKey.assign(cKeyTrigger::kKeyStateCount, 0);
  key.m_vecKey[4] = 1;
  for (int k = firstKind; k < firstKind + 8; ++k) {
    cFlowCmd& cmd = flow.m_vecCmd.emplace_back();
    cmd.m_byKind = static_cast<BYTE>(k);
    cmd.m_sTime = 5;
    cmd.Validate();
  }
  return flow;
}

void Stages(const fs::path& project, const fs::path& scratch) {
  PutVersions("stage", "floor", scratch, [](const std::string& p) { return WriteTestStage(p); });
  PutVersions("stage", "objects", scratch, [](const std::string& p) {
    cStageData stage = MakeTestStage(30, 20, "もの");
    for (int x = 0; x < 30; ++x) PlaceBlock(stage, x, 19, 1 + x % 4);
    PlaceHero(stage, 2, 18).m_vecFlow.push_back(MakeFlow(0));
    cCharaData& enemy = PlaceChara(stage, 10, 18, 3);
    enemy.m_vecFlow.push_back(MakeFlow(8));
    enemy.m_vecFlow.push_back(MakeFlow(16));
    enemy.m_nCarryItem = 0;
    PlaceItem(stage, 12, 17, 2).m_vecCmd.emplace_back().m_byCategory = 1;
    // Palette entries inheriting from the stage's own palette and the common one.
    stage.m_vecPaletteChara.resize(3);
    stage.m_vecPaletteChara[2].m_byInheritSource = 2;
    stage.m_vecPaletteChara[2].m_sInheritIndex = 1;
    stage.m_vecPaletteChara[2].m_vecInheritFlag.assign(cCharaData::kInheritGroupCount, 1);
    stage.m_vecPaletteBlock.resize(3);
    stage.m_vecPaletteBlock[2].m_byInheritSource = 1;
    stage.m_vecPaletteBlock[2].m_sInheritIndex = 1;
    stage.m_vecPaletteItem.resize(2);
    stage.m_vecBackground.resize(2);
    stage.m_vecBackground[1].m_strPicture = "bmp\\back\\sky.bmp";
    stage.m_vecStageString.resize(3);
    stage.m_vecStageString[1].m_strName = "鍵";
    stage.m_bTimeLimit = 1;
    stage.m_nHitLevel = 15;
    return WriteStage(p, stage);
  });

  PutFile("common_palette", "project", project / "data" / "CommonPalette.cplt4");
  PutVersions("common_palette", "entries", scratch, [](const std::string& p) {
    cPaletteData palette;
    palette.m_vecBlock.resize(3);
    palette.m_vecChara.resize(3);
    palette.m_vecChara[1].m_vecFlow.push_back(MakeFlow(24));
    palette.m_vecChara[2].m_byInheritSource = 1;
    palette.m_vecChara[2].m_sInheritIndex = 1;
    palette.m_vecChara[2].m_vecInheritFlag.assign(cCharaData::kInheritGroupCount, 1);
    palette.m_vecItem.resize(3);
    palette.m_vecItem[2].m_vecCmd.emplace_back().m_byCategory = 1;
    return WriteCommonPalette(palette, p);
  });
}

// --- the player's files: story slots, rankings, replays ----------------------------

// A run with something in every part of the record: a keyed stage, a best
// score, flags and variables, two carried heroes (one with a flow).
cProgressData MakeRun() {
  cProgressData p;
  p.m_bCarryStored = 1;
  p.m_nMapX = 12;
  p.m_nMapY = 7;
  p.m_nMapStage = 1;
  p.m_nWorld = 2;
  p.SetStageFile("data\\stg4\\town.stg4_002", 1, 5, 6);
  p.m_nStageNo = 9;
  p.m_nLives = 4;
  p.m_nScore = 4321;
  p.m_nSaveSlot = 0;
  p.m_nChallengeOpen = 3;
  p.m_strRankingName = "なまえ";
  p.m_vecCarryFlag.Fill(1);
  p.m_vecCharaSave.resize(2);
  p.m_vecCharaSave[0].m_Chara.m_vecFlow.push_back(MakeFlow(0));
  p.m_vecCharaSave[1].m_nCarry23 = 5;
  p.m_vecWorldFlag[9] = 1;
  p.m_vecVar[1000] = -77;
  p.UpdateBestScore("data\\stg4\\town.", p.m_strRankingKey, 1, 5, 6, 900);
  p.UpdateBestScore("data\\stg4\\cave.", "data\\stg4\\cave.", 0, 0, 0, 120);
  return p;
}

cInput MakeInput(uint16_t dir, uint16_t buttons) {
  cInput in;
  in.m_wDir = dir;
  in.m_wButton = buttons;
  return in;
}

void PlayerFiles(const fs::path& scratch) {
  // Before 754 the variables were 1000, before 501 no carry marks, before
  // 759 no best-score keys, and so on down the gates.
  PutVersions("story_slot", "run", scratch, [](const std::string& p) {
    cProgressData run = MakeRun();
    return run.SaveToFile(p.c_str());
  }, {778, 758, 724, 500, 190, 160});
  PutVersions("story_slot", "new", scratch, [](const std::string& p) {
    cProgressData run;
    return run.SaveToFile(p.c_str());
  }, {778});

  // Lists 3 and 4 changed their order with 181; a short file is fitted.
  PutVersions("ranking", "places", scratch, [](const std::string& p) {
    cRankingData ranking;
    ranking.SetDefault();
    for (int k = 0; k < kRankingKindCount; ++k)
      for (int i = 0; i < 6; ++i) ranking.m_vecList[static_cast<size_t>(k)].Insert("名前", 100 * i + k);
    return ranking.SaveToFile(p.c_str());
  }, {778, 180});
  PutVersions("ranking", "short", scratch, [](const std::string& p) {
    cRankingData ranking;
    ranking.m_vecList.resize(3);
    ranking.m_vecList[1].m_vecEntry.resize(4);
    ranking.m_vecList[1].Insert("abc", 7);
    return ranking.SaveToFile(p.c_str());
  }, {778});

  // A stage as played with its start copy, 40 frames of input and the
  // progress, laid out as each version's program wrote it: before 173 the
  // stage part ends without its marker and the file after the record.
  cStageData stage = MakeTestStage(24, 15, "played");
  for (int x = 0; x < 24; ++x) PlaceBlock(stage, x, 14);
  PlaceHero(stage, 2, 13).m_vecFlow.push_back(MakeFlow(0));
  PlaceChara(stage, 9, 13, 3);
  PlaceItem(stage, 5, 12);
  stage.m_nTimeLimit = 300;
  stage.Normalize();
  cStageData start;
  start.CopySettingsFrom(stage);
  stage.m_nTimeLimit = 17;
  cReplayData replay;
  for (int f = 0; f < 40; ++f)
    replay.RecordFrame(MakeInput(static_cast<uint16_t>(f < 25 ? 2 : f % 3), static_cast<uint16_t>(f >= 30 ? 1 : 0)));
  replay.m_nSeed = 123456;
  constexpr uint32_t kProgressFrom = 173;
  for (uint32_t v : {778u, 500u, 173u, 172u, 150u}) {
    g_dwDataVersion = v;
    cStageData body(stage), settings(start);
    cReplayData record(replay);
    cProgressData progress = MakeRun();
    cRecordWriter head;
    head.WriteHeader();
    body.SaveForReplay(head, settings);
    Bytes bytes = head.Data();
    if (v < kProgressFrom) bytes.resize(bytes.size() - 4);
    cRecordWriter tail;
    record.Save(tail);
    if (v >= kProgressFrom) progress.Save(tail);
    bytes.insert(bytes.end(), tail.Data().begin(), tail.Data().end());
    Put("replay", "attempt-v" + std::to_string(v), bytes);
  }
  g_dwDataVersion = kRecordDataVersion;
}

// --- bitmaps, waves, tunes -------------------------------------------------------

void Bitmaps() {
  using bmptest::Spec;
  auto rows = [](int w, int h, uint32_t scale) {
    std::vector<std::vector<uint32_t>> r(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) r[static_cast<size_t>(y)].push_back(static_cast<uint32_t>(x + y * w) * scale);
    return r;
  };
  Spec s;
  s.width = 4, s.height = 3, s.bitCount = 8, s.clrUsed = 4, s.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  s.rows = rows(4, 3, 1);
  for (auto& row : s.rows)
    for (uint32_t& v : row) v %= 6;  // two indices past the table
  Put("bmp", "8bit", bmptest::Build(s));

  Spec one;
  one.width = 9, one.height = 2, one.bitCount = 1, one.palette = {0x000000, 0xFFFFFF};
  one.rows = rows(9, 2, 1);
  for (auto& row : one.rows)
    for (uint32_t& v : row) v &= 1;
  Put("bmp", "1bit", bmptest::Build(one));

  Spec four;
  four.width = 5, four.height = 3, four.bitCount = 4, four.clrUsed = 3, four.palette = {0x102030, 0x405060, 0x708090};
  four.rows = rows(5, 3, 1);
  Put("bmp", "4bit", bmptest::Build(four));

  Spec rgb;
  rgb.width = 3, rgb.height = -2, rgb.bitCount = 24, rgb.rows = rows(3, 2, 0x010203);
  Put("bmp", "24bit-topdown", bmptest::Build(rgb));
  rgb.bitCount = 32, rgb.height = 2;
  Put("bmp", "32bit", bmptest::Build(rgb));

  Spec hi;
  hi.width = 3, hi.height = 2, hi.bitCount = 16, hi.rows = rows(3, 2, 0x0421);
  Put("bmp", "16bit", bmptest::Build(hi));
  hi.compression = 3, hi.masks = {0xF800, 0x07E0, 0x001F};
  Put("bmp", "16bit-fields", bmptest::Build(hi));
  Spec fields;
  fields.width = 2, fields.height = 2, fields.bitCount = 32, fields.compression = 3;
  fields.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
  fields.rows = rows(2, 2, 0x00100401);
  Put("bmp", "32bit-fields", bmptest::Build(fields));

  // Run-length data: a run, a literal run, a delta, line ends, the picture end.
  Spec rle8;
  rle8.width = 6, rle8.height = 4, rle8.bitCount = 8, rle8.compression = 1, rle8.clrUsed = 3;
  rle8.palette = {0, 0xFFFFFF, 0xFF00FF};
  rle8.raw = {3, 1, 0, 0, 0, 3, 2, 1, 2, 0, 0, 2, 1, 1, 4, 2, 0, 0, 0, 1};
  Put("bmp", "rle8", bmptest::Build(rle8));
  Spec rle4 = rle8;
  rle4.bitCount = 4, rle4.compression = 2;
  rle4.raw = {5, 0x12, 0, 0, 0, 4, 0x21, 0x10, 0, 2, 1, 1, 3, 0x22, 0, 1};
  Put("bmp", "rle4", bmptest::Build(rle4));

  // The old core header: 16-bit sizes and 3-byte colours.
  Bytes core{'B', 'M'};
  bmptest::Put32(core, 0);
  bmptest::Put32(core, 0);
  bmptest::Put32(core, 14 + 12 + 6);
  bmptest::Put32(core, 12);
  bmptest::Put16(core, 2);
  bmptest::Put16(core, 2);
  bmptest::Put16(core, 1);
  bmptest::Put16(core, 1);
  core.insert(core.end(), {0, 0, 0, 255, 255, 255});
  core.insert(core.end(), {0x40, 0, 0, 0, 0x80, 0, 0, 0});
  Put("bmp", "core-header", core);

  // A version-5 header with its masks inside.
  Bytes v5{'B', 'M'};
  bmptest::Put32(v5, 0);
  bmptest::Put32(v5, 0);
  bmptest::Put32(v5, 14 + 124);
  bmptest::Put32(v5, 124);
  bmptest::Put32(v5, 2);
  bmptest::Put32(v5, 1);
  bmptest::Put16(v5, 1);
  bmptest::Put16(v5, 32);
  bmptest::Put32(v5, 3);
  v5.resize(14 + 40, 0);
  for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) bmptest::Put32(v5, m);
  v5.resize(14 + 124, 0);
  for (uint32_t p : {0x11223344u, 0x55667788u}) bmptest::Put32(v5, p);
  Put("bmp", "v5-header", v5);
}

void Waves() {
  using namespace wave_test;
  Bytes eight(9);
  for (size_t i = 0; i < eight.size(); ++i) eight[i] = static_cast<uint8_t>(128 + 10 * i);
  Put("wav", "8bit-mono", Riff({Fmt(1, 1, 22050, 8), Chunk("data", eight)}));
  Put("wav", "16bit-stereo-list",
      Riff({Chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'x'}), Fmt(1, 2, 44100, 16),
            Chunk("data", Samples16({0, 1000, -1000, 32767, -32768, 5}))}));
  Put("wav", "fmt18", Riff({Fmt(1, 1, 8000, 16, 18), Chunk("data", Samples16({1, 2, 3, 4}))}));
  Put("wav", "cut-short", Riff({Fmt(1, 2, 11025, 8), Chunk("data", eight, 64)}));
}

void Tunes() {
  using namespace music_test;
  const Bytes tempo = Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
  const Bytes notes = Ev(0, {0xC0, 5}) + Ev(0, {0x90, 60, 100}) + Ev(96, {62, 90}) + Ev(96, {0x80, 60, 0}) +
                      Ev(0, {0xB0, 7, 100}) + Ev(48, {0xE0, 0, 64});
  Put("midi", "format0", Header(0, 1, 96) + Track(tempo + notes + EndOfTrack(10)));
  const Bytes sysex = Ev(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}) + Ev(0, {0xFF, 0x01, 0x02, 'h', 'i'});
  Put("midi", "format1",
      Header(1, 3, 480) + Track(tempo + EndOfTrack()) + Track(sysex + notes + EndOfTrack(4)) +
          Track(Ev(30, {0xF7, 0x02, 0x01, 0x02}) + Ev(0, {0xA0, 60, 10}) + EndOfTrack()));
  // A track without its end event, the chunk's length right.
  Put("midi", "no-end", Header(0, 1, 120) + Track(notes));
}

}  // namespace

int WriteFuzzSeeds(const std::string& dir, std::string* error) {
  g_out = fs::absolute(dir);
  g_written = 0;
  g_error.clear();
  const uint32_t version = g_dwDataVersion;
  const int deleteCR = g_bDeleteCR;
  PrepareFuzzLoaders();
  t4test::TempFolder work;
  if (work.ok()) {
    const fs::path project = fs::path(work.path()) / "project";
    const fs::path scratch = fs::path(work.path()) / "scratch";
    fs::create_directories(scratch);
    if (!WriteProject(project.string())) Fail("the test project could not be written");
    Databases(project, scratch);
    SystemFiles(project, scratch);
    Stages(project, scratch);
    PlayerFiles(scratch);
    Bitmaps();
    Waves();
    Tunes();
    for (const FuzzEntry& e : FuzzEntries())
      if (!fs::is_directory(g_out / e.name)) Fail(std::string("no seed for ") + e.name);
  } else {
    Fail("no scratch folder");
  }
  g_dwDataVersion = version;
  g_bDeleteCR = deleteCR;
  if (error) *error = g_error;
  return g_error.empty() ? g_written : -1;
}
