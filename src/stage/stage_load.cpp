#include "stage/stage_load.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "services/game_threads.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "records/stage_data.h"
#include "services/log.h"
#include "services/strings.h"

namespace {
// The stage file extension (entry 1 of the extension table).
constexpr const char* kStageExtension = "stg4";
// The first version whose files end with the marker for certain.
constexpr uint32_t kMarkerCheckedFrom = 174;

// Set by the loading thread as its last step; polled by the caller.
std::atomic<bool> g_bLoadThreadDone{false};
}  // namespace

unsigned LoadStageThreadProc(void*) {
  const bool ok = g_Stage.LoadFromFile(g_Stage.m_strPath.c_str());
  if (ok) g_Stage.m_bLoaded = 1;
  g_bLoadThreadDone = true;
  return ok ? 1u : 0u;
}

int CheckStageFileMarker(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!plat::ReadWholeFile(path, bytes) || bytes.size() < 4) return 1;
  uint32_t version = 0;
  std::memcpy(&version, bytes.data(), 4);
  if (version < kMarkerCheckedFrom) return 1;
  uint32_t marker = 0;
  // A file holding no more than its version has no marker either.
  if (bytes.size() >= 8) std::memcpy(&marker, bytes.data() + bytes.size() - 4, 4);
  if (marker == kStageEndMarker) return 1;
  ErrorBoxf("ステージファイル %s が破損しています！", path.c_str());
  plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
  return 0;
}

int LoadPlayStage(const std::string& path, int numbered, cStageData* target) {
  std::string file = path;
  if (numbered && !FindLastNumberedFile(file, path, kStageExtension)) return 0;
  AbsToRelPath(file);
  if (!CheckStageFileMarker(file)) return 0;

  g_Stage.m_strPath = file;
  g_Stage.m_bLoaded = 0;
  g_bLoadThreadDone = false;
  if (!thLoad.Start(&LoadStageThreadProc, nullptr)) return 0;
  // The caller keeps serving: on the window thread Sleep answers the sends
  // of the game-side threads; a quit stops the reader at its next record.
  for (;;) {
    if (plat::QuitRequested()) {
      WriteECLog("msg.message == WM_QUIT");
      thLoad.Exit();
      return 0;
    }
    if (g_bLoadThreadDone) break;
    plat::Sleep(1);
  }
  thLoad.Exit();

  if (!g_Stage.m_bLoaded) {
    ErrorBoxf("ステージファイル %s の読み込みに失敗しました！", file.c_str());
    return 0;
  }
  if (!g_Stage.HasHero()) {
    ErrorBox("主人公が配置されていないのでプレイできません！");
    plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
    return 0;
  }
  if (target) target->CopySettingsFrom(g_Stage);
  return 1;
}
