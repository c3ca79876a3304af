#include "stage/replay_data.h"

#include "platform/input.h"
#include "records/system_data.h"
#include "services/input.h"
#include "services/sound.h"
#include "services/window_requests.h"
#include "stage/scene_manager.h"

#include "services/log.h"

namespace {
constinit const RecordField kReplayFields[] = {
    T4_FIELD(cReplayData, m_nSeed),
};
}  // namespace

// The vectors and the playback position start empty and zero by their
// initialisers; Clear zeroes the seed.
cReplayData::cReplayData() { Clear(); }

void cReplayData::Reset() {
  m_nSeed = 0;
  m_vecDirValue.clear();
  m_vecButtonValue.clear();
  m_vecDirRun.clear();
  m_vecButtonRun.clear();
  m_nDirIndex = m_nButtonIndex = m_nDirCounter = m_nButtonCounter = 0;
}
RecordFieldTable cReplayData::FieldTable() const { return kReplayFields; }

int cReplayData::LoadFile(const char* path, cStageData*, cStageData*, cProgressData*) {
  WriteReport("Replay files are not supported yet: %s was not loaded", path ? path : "");
  return 0;
}

int cReplayData::SaveFile(const char* path, const cProgressData&, const cStageData&, const cStageData&) {
  WriteReport("Replay files are not supported yet: %s was not saved", path ? path : "");
  return 0;
}

// STAND-IN: the chooser comes with the replay files; until then there is
// nothing to save, and the request counts as cancelled.
int ShowSaveReplayDialog(std::string*, const char*) { return 0; }

namespace {
void AppendRun(std::vector<uint16_t>& values, std::vector<int32_t>& runs, uint16_t value) {
  if (!values.empty() && !runs.empty() && values.back() == value) {
    ++runs.back();
    return;
  }
  values.push_back(value);
  runs.push_back(1);
}

uint16_t NextRun(const std::vector<uint16_t>& values, const std::vector<int32_t>& runs, int32_t& index,
                 int32_t& counter) {
  const uint16_t value = values[static_cast<size_t>(index)];
  const int32_t run = static_cast<size_t>(index) < runs.size() ? runs[static_cast<size_t>(index)] : 1;
  if (++counter >= run) {
    counter = 0;
    ++index;
  }
  return value;
}

int g_nReplayKeyGuard = 0;
}  // namespace

void cReplayData::RecordFrame(const cInput& input) {
  AppendRun(m_vecDirValue, m_vecDirRun, input.m_wDir);
  AppendRun(m_vecButtonValue, m_vecButtonRun, input.m_wButton);
}

int cReplayData::PlayFrame(cInput& input) {
  if (m_nDirIndex < 0 || m_nButtonIndex < 0 || static_cast<size_t>(m_nDirIndex) >= m_vecDirValue.size() ||
      static_cast<size_t>(m_nButtonIndex) >= m_vecButtonValue.size())
    return 1;
  input.m_wDir = NextRun(m_vecDirValue, m_vecDirRun, m_nDirIndex, m_nDirCounter);
  input.m_wButton = NextRun(m_vecButtonValue, m_vecButtonRun, m_nButtonIndex, m_nButtonCounter);
  return 0;
}

int CheckReplayKeys() {
  if (g_SceneManager.m_nTitleChoice == 4 || !g_SystemData.m_bReplay) return 0;
  if (g_nReplayKeyGuard > 0) --g_nReplayKeyGuard;
  const cReplayData* replay = nullptr;
  WPARAM which = 0;
  if (plat::IsKeyDown(VK_F1)) {
    replay = &g_Replay;
  } else if (plat::IsKeyDown(VK_F2)) {
    replay = &g_ReplayPrev;
    which = 1;
  } else {
    return 0;
  }
  if (replay->m_vecDirValue.empty()) {
    if (g_nReplayKeyGuard <= 0) {
      PlaySE(3);
      g_nReplayKeyGuard = 60;
    }
    return 0;
  }
  PlaySE(1);
  SendWindowRequest(WM_T4_SAVEREPLAY, which);
  return 1;
}
