#include "stage/replay_data.h"

#include <climits>

#include "platform/input.h"
#include "records/system_data.h"
#include "services/input.h"
#include "services/sound.h"
#include "services/window_requests.h"
#include "stage/scene_manager.h"

namespace {

constinit const RecordField kReplayFields[] = {
    T4_FIELD(cReplayData, m_nSeed),
};

void AppendRun(std::vector<uint16_t>& values, std::vector<int32_t>& runs, uint16_t value) {
  // A run at its limit starts a new one rather than wrapping into a
  // negative length, which playback could not follow.
  if (!values.empty() && !runs.empty() && values.back() == value && runs.back() < INT32_MAX) {
    ++runs.back();
    return;
  }
  values.push_back(value);
  runs.push_back(1);
}

uint16_t NextRun(const std::vector<uint16_t>& values, const std::vector<int32_t>& runs, int32_t& index,
                 int32_t& counter) {
  const size_t i = static_cast<size_t>(index);
  const uint16_t value = values[i];
  const int32_t run = i < runs.size() ? runs[i] : 1;
  if (++counter >= run) {
    counter = 0;
    ++index;
  }
  return value;
}

// A channel as stored: a count and that many values, then (later in the
// file) a count and that many runs.
template <class T>
bool ReadChannel(cRecordReader& in, std::vector<T>& out) {
  int32_t n = 0;
  if (!in.ReadCount(n, sizeof(T))) return false;
  std::vector<T> values(static_cast<size_t>(n));
  if (!in.Read(values.data(), values.size() * sizeof(T))) return false;
  out = std::move(values);
  return true;
}

template <class T>
void WriteChannel(cRecordWriter& out, const std::vector<T>& values) {
  out.WriteInt32(static_cast<int32_t>(values.size()));
  out.Write(values.data(), values.size() * sizeof(T));
}

bool RunsFit(const std::vector<uint16_t>& values, const std::vector<int32_t>& runs) {
  if (values.size() != runs.size()) return false;
  for (int32_t run : runs)
    if (run < 1) return false;
  return true;
}

int g_nReplayKeyGuard = 0;

}  // namespace

// The vectors and the playback position start empty and zero by their
// initialisers; Clear zeroes the seed.
cReplayData::cReplayData() { Clear(); }

cReplayData& cReplayData::operator=(const cReplayData& source) {
  if (this == &source) return *this;
  m_vecDirValue = source.m_vecDirValue;
  m_vecButtonValue = source.m_vecButtonValue;
  m_vecDirRun = source.m_vecDirRun;
  m_vecButtonRun = source.m_vecButtonRun;
  m_nSeed = source.m_nSeed;
  return *this;
}

RecordFieldTable cReplayData::FieldTable() const { return kReplayFields; }

bool cReplayData::Load(cRecordReader& in) {
  cReplayData read;
  if (!read.LoadFields(in)) return false;
  const size_t dirAt = in.Offset();
  if (!ReadChannel(in, read.m_vecDirValue) || !ReadChannel(in, read.m_vecButtonValue)) return false;
  const size_t runsAt = in.Offset();
  if (!ReadChannel(in, read.m_vecDirRun) || !ReadChannel(in, read.m_vecButtonRun)) return false;
  // Playback walks values and runs side by side and holds each value for
  // its run: unpaired lists or an empty run would read past the recording
  // or never move on.
  if (read.m_vecDirValue.size() != read.m_vecDirRun.size() ||
      read.m_vecButtonValue.size() != read.m_vecButtonRun.size())
    return in.FailAt(dirAt, "リプレイの入力と長さの個数が一致しません");
  if (!RunsFit(read.m_vecDirValue, read.m_vecDirRun) || !RunsFit(read.m_vecButtonValue, read.m_vecButtonRun))
    return in.FailAt(runsAt, "リプレイの入力の長さが 1 未満です");
  *this = read;
  Rewind();
  return true;
}

void cReplayData::Save(cRecordWriter& out) {
  SaveFields(out);
  WriteChannel(out, m_vecDirValue);
  WriteChannel(out, m_vecButtonValue);
  WriteChannel(out, m_vecDirRun);
  WriteChannel(out, m_vecButtonRun);
}

void cReplayData::Reset() {
  Clear();
  m_vecDirValue.clear();
  m_vecButtonValue.clear();
  m_vecDirRun.clear();
  m_vecButtonRun.clear();
  Rewind();
}

void cReplayData::Rewind() { m_nDirIndex = m_nButtonIndex = m_nDirCounter = m_nButtonCounter = 0; }

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
