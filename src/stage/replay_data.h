// The replay record: player 0's input of one attempt at a stage, run-length
// encoded per channel, with the attempt's random seed; its files (the stage
// as played, the record and the progress at the attempt's start); and the
// operations around them: the F1/F2 save keys, the save chooser, the open
// request of the title and the reload when a watched replay starts again.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "records/record.h"

class cStageData;
class cProgressData;
class cInput;

class cReplayData : public cRecordOf<cReplayData> {
 public:
  std::vector<uint16_t> m_vecDirValue;     // direction channel: values
  std::vector<uint16_t> m_vecButtonValue;  // button channel: values
  std::vector<int32_t> m_vecDirRun;        // frames each direction value holds
  std::vector<int32_t> m_vecButtonRun;     // frames each button value holds
  int32_t m_nSeed = 0;                     // the record's one field
  // Playback position (not in the file).
  int32_t m_nDirIndex = 0;
  int32_t m_nButtonIndex = 0;
  int32_t m_nDirCounter = 0;
  int32_t m_nButtonCounter = 0;

  cReplayData();
  cReplayData(const cReplayData&) = default;
  // The recording and its seed; the playback position stays this record's.
  cReplayData& operator=(const cReplayData& source);

  RecordFieldTable FieldTable() const override;
  // The body: the seed, then the two channels' values and their runs. A
  // channel whose runs do not pair with its values, or a run below 1, fails
  // the load and leaves this record as it was.
  bool Load(cRecordReader& in) override;
  void Save(cRecordWriter& out) override;

  // Seed 0, both channels and their runs empty, playback at the start.
  void Reset();
  // Appends one frame of player 0's direction and button bits.
  void RecordFrame(const cInput& input);
  // 0 when the next frame went into the input's two channels, 1 at the end.
  int PlayFrame(cInput& input);
  // Playback from the first frame again.
  void Rewind();

  // Reads a replay file into this record, the stage, its start copy and the
  // progress record. A file that cannot be read, is newer than this
  // program, is damaged or holds a stage without a hero is refused with an
  // error box; 0 then, and nothing was changed.
  int LoadFile(const char* path, cStageData* stage, cStageData* stageStart, cProgressData* progress);
  // Writes a replay file through the atomic writer: the stage's placed and
  // palette lists with the start copy's settings, this record and the
  // progress. 0 (with an error box) when it could not be written; the old
  // file is then untouched. Nothing passed in is changed.
  int SaveFile(const char* path, const cStageData& stage, const cStageData& stageStart,
               const cProgressData& progress);
};

extern cReplayData g_Replay;      // being recorded or played back
extern cReplayData g_ReplayPrev;  // the previous attempt

// "rpl4_778": the extension replays are written with.
std::string ReplayExtension();

// The name the save chooser starts with for the stage whose name is
// `defaultName` (the progress record's stage file): its file part in
// user_data\rpl4\ with the map position of `progress` and the replay
// extension, numbered _00 to _88 (the first that does not exist, else _88),
// without its folder. "" for an empty name.
std::string DefaultReplayName(const char* defaultName, const cProgressData& progress);

// The save-replay chooser: 1 with the chosen path (stored form) in *path,
// 0 when cancelled. `defaultName` is the current stage's name.
int ShowSaveReplayDialog(std::string* path, const char* defaultName);

// F1 (this attempt) and F2 (the previous one) held during play: the replay
// is offered for saving through the main window. 1 when it was sent.
int CheckReplayKeys();

// The window thread's side of the open request (message 1027), after the
// chooser: the replay at `path` into g_Replay, g_Stage, g_StageStart and
// g_Progress, and the path kept as the stage's path. 1 when it was loaded.
int LoadReplayForPlay(const char* path);
// The title's replay item: asks the window thread to choose and load a
// replay (message 1027) and waits. 1 when one was loaded; the caller then
// sets game mode 3 and title choice 4 and goes to stage play.
int RequestLoadReplay();

// A watched replay starting again reads its file again (stage, record and
// progress exactly as saved). When that fails the box has been shown, the
// stage is set up from what is in memory, and the next call of
// TakeReplayReloadFailure says so once: the play scene then goes back to
// the title.
void ReloadWatchedReplay();
bool TakeReplayReloadFailure();
