// Replay files: user_data\rpl4\<name>.rpl4_778, written when the player
// saves a recording and read when one is watched. Layout: the data version,
// a stage body (the settings of the stage as it started with the palette
// and placed lists as played), the replay record, and from version 173 on
// the progress record as it was when the attempt began.
#include <atomic>
#include <cstdio>
#include <vector>

#include "graphics/mesbox.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/start_option.h"
#include "services/file_chooser.h"
#include "services/game_threads.h"
#include "services/log.h"
#include "services/strings.h"
#include "services/window_requests.h"
#include "stage/replay_data.h"

namespace {

// Files before this version end after the replay record.
constexpr uint32_t kProgressFromVersion = 173;
constexpr const char* kReplayFolder = "user_data\\rpl4\\";
constexpr const char* kNoHeroText = "主人公が配置されていないのでプレイできません！";

std::atomic<bool> g_bReloadFailed{false};

}  // namespace

std::string ReplayExtension() { return Format("rpl4_%u", CurrentDataVersion()); }

int cReplayData::LoadFile(const char* path, cStageData* stage, cStageData* stageStart, cProgressData* progress) {
  const std::string file = path ? path : "";
  std::vector<uint8_t> bytes;
  if (file.empty() || !plat::ReadWholeFile(file, bytes)) {
    ErrorBoxf("リプレイファイル %s を開けません！", file.c_str());
    return 0;
  }
  // Everything is read into fresh records and kept only when the whole
  // file was good: a refused replay leaves the stage being played (or the
  // title's) as it was. Fresh, not copies of what is loaded now: a field an
  // older layout lacks must not take its value from whatever was played
  // before, or the same file would not always play the same.
  cStageData newStage;
  newStage.m_strPath = stage->m_strPath;
  cReplayData newReplay;
  cProgressData newProgress;
  bool progressRead = false;
  cRecordReader in(bytes, file);
  bool newer = false;
  bool ok = in.ReadHeader();
  if (ok && in.Version() > kRecordDataVersion) {
    // A later layout may hold anything after the stage; playing a guess
    // would not be the recorded play.
    newer = true;
    ok = in.Fail("このプログラムより新しいバージョンのリプレイです");
  }
  ok = ok && newStage.Load(in) && newReplay.Load(in);
  if (ok && in.Version() >= kProgressFromVersion) ok = progressRead = newProgress.Load(in);
  if (!ok || in.Failed()) {
    if (!in.Failed()) in.Fail("読み込みに失敗しました");
    in.ReportFailure();
    if (newer)
      ErrorBoxf("リプレイファイル %s はこのプログラムより新しいバージョン (%u) で保存されています！", file.c_str(),
                in.Version());
    else
      ErrorBoxf("リプレイファイル %s の読み込みに失敗しました！", file.c_str());
    return 0;
  }
  if (!newStage.HasHero()) {
    WriteReport("リプレイファイル %s : %s", file.c_str(), kNoHeroText);
    ErrorBox(kNoHeroText);
    return 0;
  }
  *stage = std::move(newStage);
  if (stageStart) stageStart->CopySettingsFrom(*stage);
  *this = newReplay;
  Rewind();
  // Files before 173 hold no progress: the one in use goes on.
  if (progressRead) *progress = std::move(newProgress);
  return 1;
}

int cReplayData::SaveFile(const char* path, const cStageData& stage, const cStageData& stageStart,
                          const cProgressData& progress) {
  const std::string file = path ? path : "";
  // Writing normalises what it writes; copies keep the stage being played
  // exactly as it is, so saving mid-play cannot change the play.
  cStageData body(stage);
  cStageData start(stageStart);
  cReplayData replay(*this);
  cProgressData atStart(progress);
  const bool ok = !file.empty() && SaveRecordFile(file, [&](cRecordWriter& out) {
    body.SaveForReplay(out, start);
    replay.Save(out);
    atStart.Save(out);
  });
  if (!ok) {
    ReportError("リプレイファイル %s の保存に失敗しました！", file.c_str());
    ErrorBoxf("リプレイファイル %s の保存に失敗しました！", file.c_str());
    return 0;
  }
  return 1;
}

std::string DefaultReplayName(const char* defaultName, const cProgressData& progress) {
  if (!defaultName || !*defaultName) return std::string();
  const std::string ext = ReplayExtension();
  std::string name = defaultName;
  StripPath(name);
  std::string base = kReplayFolder + name;
  AppendMapPosition(base, progress.m_bMapStage, progress.m_nStageX, progress.m_nStageY);
  std::string withExt;
  // A stage name without an extension still gets the replay's.
  if (!ChangeExtension(withExt, base, ext.c_str())) withExt = base + "." + ext;
  std::string chosen = withExt;
  for (int i = 0; i <= 8; ++i) {
    for (int j = 0; j <= 8; ++j) {
      std::string candidate;
      if (!MakeNumberedFileName(candidate, withExt, i, j)) continue;
      chosen = candidate;
      if (!plat::FileExists(candidate)) {
        StripPath(chosen);
        return chosen;
      }
    }
  }
  // All 81 taken: the last one is offered (and overwritten when accepted).
  StripPath(chosen);
  return chosen;
}

int ShowSaveReplayDialog(std::string* path, const char* defaultName) {
  const std::string ext = ReplayExtension();
  std::string file = DefaultReplayName(defaultName, g_Progress);
  // Saving lists the files of this version only (opening lists them all).
  std::string filter = Format("ReplayFile ( *.%s )", ext.c_str());
  filter += '\0';
  filter += Format("*.%s", ext.c_str());
  filter += '\0';
  DDSetDialogBoxMode(1);
  const int chosen = ShowSaveFileDialog(g_hWnd.load(), &file, kReplayFolder,
                                        g_StartOption.English ? "Save replay file" : "リプレイファイルの保存",
                                        filter.c_str(), ext.c_str());
  DDSetDialogBoxMode(0);
  if (!chosen) return 0;
  *path = file;
  return 1;
}

int LoadReplayForPlay(const char* path) {
  if (!g_Replay.LoadFile(path, &g_Stage, &g_StageStart, &g_Progress)) return 0;
  // The stage's path names the replay: every restart reads it again.
  g_Stage.m_strPath = path;
  return 1;
}

int RequestLoadReplay() { return SendWindowRequest(WM_T4_LOADREPLAY) != 0 ? 1 : 0; }

void ReloadWatchedReplay() {
  cStageData start;
  if (!g_Replay.LoadFile(g_Stage.m_strPath.c_str(), &g_Stage, &start, &g_Progress)) g_bReloadFailed = true;
}

bool TakeReplayReloadFailure() { return g_bReloadFailed.exchange(false); }
