// Test projects for the story and challenge screens, run through the real
// program headless: the default project with its System.dat and world map
// changed by the test, the system sounds that the test listens for, and
// what a run leaves behind (the sound dump, the state log, save slots).
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "records/option_data.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"
#include "support/stage_writer.h"
#include "support/wave_bytes.h"

namespace frontend_test {

using t4test::TempFolder;

// The system sounds a test listens for; each plays a short steady level of
// its own bit, so overlapping plays still tell which sounded.
inline constexpr int kListenedSounds[] = {1, 2, 3, 4, 5, 6};
inline int SoundLevel(int id) { return 256 << id; }

// A world map of w x h passable cells (chip kind 5) starting at (sx, sy).
inline cWorldMapData OpenMap(int w, int h, int sx, int sy) {
  cWorldMapData map;
  map.SetSize(w, h);
  for (int& cell : map.m_vecCell) cell = 5;
  map.m_nStartX = sx;
  map.m_nStartY = sy;
  return map;
}

inline void SetChip(cWorldMapData& map, int x, int y, int kind) { map.m_vecCell.At(map.CellIndex(x, y)) = kind; }

// A node at (x, y) with one entry.
inline cWorldStageData& AddNode(cWorldMapData& map, int x, int y, int kind, int clearFlag, const char* file) {
  cWorldNodeData node;
  node.m_nX = x;
  node.m_nY = y;
  cWorldStageData& e = node.m_vecStage.At(0);
  e.m_nKind = kind;
  e.m_nClearFlag = clearFlag;
  e.m_strStageFile = file;
  e.m_strTitle = "Stage";
  map.m_vecNode.push_back(node);
  return map.m_vecNode.back().m_vecStage.At(0);
}

// A playable stage whose hero stands on column heroCol of row 13.
inline bool WriteHeroStage(const std::string& osPath, int heroCol) {
  cStageData stage = MakeTestStage(20, 15, "Stage");
  for (int x = 0; x < 20; ++x) PlaceBlock(stage, x, 14);
  PlaceHero(stage, heroCol, 13);
  return WriteStage(osPath, stage);
}

// The default project with the listened sounds, full sound volume, and
// System.dat and the world map as `edit` leaves them.
inline bool WriteFrontEndProject(const TempFolder& dir, cWorldMapData& map,
                                 const std::function<void(cSystemData&)>& edit = {}) {
  if (!WriteProject(dir.path())) return false;
  cSystemData system;
  if (!system.LoadFromFile((dir / "data/System.dat").c_str())) return false;
  dir.MakeDir("wave");  // the project may have made it already
  for (int id : kListenedSounds) {
    wave_test::Bytes data;
    for (int i = 0; i < 200; ++i) wave_test::Put16(data, static_cast<uint16_t>(SoundLevel(id)));
    const wave_test::Bytes wav =
        wave_test::Riff({wave_test::Fmt(1, 1, 44100, 16), wave_test::Chunk("data", data)});
    const std::string name = "wave/System0" + std::to_string(id) + ".wav";
    if (!t4test::WriteFile(dir / name, std::string(wav.begin(), wav.end()))) return false;
    system.m_vecSoundFile.At(id) = "wave\\System0" + std::to_string(id) + ".wav";
  }
  if (edit) edit(system);
  // Without the frame-rate overlay, equal pictures give equal frame hashes.
  if (!t4test::WriteFile(dir / "System.ini", "Direct3D=1\r\nWindowMode=1\r\nBpp=0\r\nShowFps=0\r\nExit\r\n"))
    return false;
  cOptionData option;
  option.m_nSeVolume = 10;
  return system.SaveToFile((dir / "data/System.dat").c_str()) && map.SaveToFile((dir / "data/WorldMap.dat").c_str()) &&
         option.SaveToFile((dir / "user_data/Option.dat").c_str());
}

// Which listened sounds a sound dump holds (a 44-byte header, then 16-bit
// stereo frames).
inline std::set<int> SoundsPlayed(const std::string& wav) {
  int seen = 0;
  for (size_t at = 44; at + 4 <= wav.size(); at += 4) {
    const int16_t left = static_cast<int16_t>(uint8_t(wav[at]) | uint8_t(wav[at + 1]) << 8);
    seen |= left;
  }
  std::set<int> ids;
  for (int id : kListenedSounds)
    if (seen & SoundLevel(id)) ids.insert(id);
  return ids;
}

// One input-script line: keys held on a single frame.
inline std::string Press(int frame, const char* keys) { return std::to_string(frame) + " " + keys + "\n"; }

// Runs the player headless in `dir` for `frames` frames with `script` and
// any `more` arguments; the run's sound dump and state log are written
// beside.
inline t4test::RunResult RunScript(const TempFolder& dir, int frames, const std::string& script,
                                   const std::vector<std::string>& more = {}) {
  EXPECT_TRUE(t4test::WriteFile(dir / "input.txt", script));
  std::vector<std::string> args = {"--headless", "--frames",  std::to_string(frames), "--input",
                                   "input.txt",  "--audio-out", "sound.wav",           "--state-log",
                                   "state.jsonl"};
  args.insert(args.end(), more.begin(), more.end());
  t4test::RunResult r = t4test::RunPlayer(args, dir.path(), std::chrono::seconds(180));
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r;
}

// A progress file as the program reads it; false when it does not load.
inline bool ReadProgress(const std::string& osPath, cProgressData& out) { return out.LoadFromFile(osPath.c_str()); }

}  // namespace frontend_test
