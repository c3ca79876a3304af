#include "frontend/save_slot.h"

#include <cstring>
#include <ctime>
#include <vector>

#include "graphics/fill.h"
#include "graphics/font.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "records/path_table.h"
#include "records/progress_data.h"
#include "records/ranking_data.h"
#include "records/system_data.h"
#include "services/log.h"
#include "services/sound.h"

namespace {

constinit const RecordField kSaveSlotFields[] = {
    T4_FIELD(cSaveSlot, m_bExists),
};

constexpr int kStorySlotPathEntry = 41;  // user_data\story\Story
constexpr int kChallengePathEntry = 42;  // user_data\challenge\Challenge.dat
constexpr int kSoundError = 3;
constexpr int kModeStory = 0;
constexpr int kModeChallenge = 1;

// The save time as the slot files store it (the layout of a SYSTEMTIME).
// Under the virtual clock (headless runs) it is that clock's time from the
// start of 2000, so two runs of one script save, and show, the same time.
void LocalSaveTime(uint16_t out[8]) {
  constexpr std::time_t kVirtualEpoch = 946684800;  // 2000-01-01 00:00:00 UTC
  const bool virtualClock = plat::VirtualClockActive();
  const std::time_t now = virtualClock ? kVirtualEpoch + static_cast<std::time_t>(plat::timeGetTime() / 1000)
                                       : std::time(nullptr);
  std::tm tm{};
  if (!(virtualClock ? gmtime_r(&now, &tm) : localtime_r(&now, &tm))) {
    std::memset(out, 0, 8 * sizeof(uint16_t));
    return;
  }
  out[0] = static_cast<uint16_t>(tm.tm_year + 1900);
  out[1] = static_cast<uint16_t>(tm.tm_mon + 1);
  out[2] = static_cast<uint16_t>(tm.tm_wday);
  out[3] = static_cast<uint16_t>(tm.tm_mday);
  out[4] = static_cast<uint16_t>(tm.tm_hour);
  out[5] = static_cast<uint16_t>(tm.tm_min);
  out[6] = static_cast<uint16_t>(tm.tm_sec);
  out[7] = 0;
}

// Unlimited lives of the mode give 999999 at the start and now; otherwise a
// stored "unlimited" becomes the mode's lives count.
void ApplyLivesRule(cProgressData& p, int mode) {
  const cSystemData& s = g_SystemData;
  const bool unlimited = mode < s.m_vecInfiniteLives.Size() && s.m_vecInfiniteLives[static_cast<size_t>(mode)];
  if (unlimited) {
    p.m_nStartLives = p.m_nLives = kUnlimitedLives;
  } else if (p.m_nLives == kUnlimitedLives) {
    p.m_nLives = mode < s.m_vecStartLives.Size() ? s.m_vecStartLives[static_cast<size_t>(mode)] : 0;
  }
}

// The file into a copy of g_Progress, taken only when it is whole. A file
// that cannot be read is reported here; a damaged one by the reader, with
// its offset.
bool LoadProgressFile(const std::string& path, bool reportMissing) {
  std::vector<uint8_t> bytes;
  if (!plat::ReadWholeFile(path, bytes)) {
    if (reportMissing) ReportError("%s が読み込めません！", path.c_str());
    return false;
  }
  cProgressData scratch = g_Progress;
  if (!LoadRecordFile(path, [&](cRecordReader& in) { return scratch.Load(in); })) return false;
  g_Progress = std::move(scratch);
  return true;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kSaveSlotCount; }

}  // namespace

cSaveSlot::cSaveSlot() { Clear(); }
RecordFieldTable cSaveSlot::FieldTable() const { return kSaveSlotFields; }

std::string MakeStorySlotFileName(int slot) {
  std::string number, name;
  FormatNumber(number, slot + 1, 2, 1, 0);
  FormatString(&name, "%s%s.dat", g_szPathTable[kStorySlotPathEntry], number.c_str());
  return name;
}

bool SaveStorySlot(int slot) {
  if (slot == -1) return false;  // an autosave before any slot was chosen
  if (!ValidSlot(slot)) {
    ReportError("セーブスロット %d はありません！", slot);
    return false;
  }
  const std::string path = MakeStorySlotFileName(slot);
  uint16_t previous[8];
  std::memcpy(previous, g_Progress.m_stSaveTime, sizeof previous);
  LocalSaveTime(g_Progress.m_stSaveTime);
  if (!g_Progress.SaveToFile(path.c_str())) {
    std::memcpy(g_Progress.m_stSaveTime, previous, sizeof previous);
    ReportError("%s の保存に失敗しました！", path.c_str());
    return false;
  }
  if (slot < g_vecSaveSlot.Size()) {
    cSaveSlot& header = g_vecSaveSlot[static_cast<size_t>(slot)];
    header.m_bExists = 1;
    std::memcpy(header.m_stTime, g_Progress.m_stSaveTime, sizeof header.m_stTime);
  }
  return true;
}

bool LoadStorySlot(int slot) {
  if (!ValidSlot(slot)) {
    PlaySE(kSoundError);
    ReportError("セーブスロット %d はありません！", slot);
    return false;
  }
  if (!LoadProgressFile(MakeStorySlotFileName(slot), true)) {
    PlaySE(kSoundError);
    return false;
  }
  // The run keeps the slot number stored in its file.
  ApplyLivesRule(g_Progress, kModeStory);
  return true;
}

bool LoadChallenge() {
  if (!LoadProgressFile(g_szPathTable[kChallengePathEntry], false)) return false;
  ApplyLivesRule(g_Progress, kModeChallenge);
  return true;
}

void ScanSaveSlots(cCheckedVector<cSaveSlot>& slots) {
  cProgressData blank;
  for (int i = 0; i < kSaveSlotCount && i < slots.Size(); ++i) {
    cSaveSlot& header = slots[static_cast<size_t>(i)];
    const std::string path = MakeStorySlotFileName(i);
    std::vector<uint8_t> bytes;
    if (!plat::ReadWholeFile(path, bytes)) {
      header.m_bExists = 0;
      std::memset(header.m_stTime, 0, sizeof header.m_stTime);
      continue;
    }
    cProgressData scratch = blank;
    LoadRecordFile(path, [&](cRecordReader& in) { return scratch.Load(in); });
    header.m_bExists = 1;
    std::memcpy(header.m_stTime, scratch.m_stSaveTime, sizeof header.m_stTime);
  }
}

void DrawSaveSlots(DDSURFACEDATA* dst, int x, int y, const cCheckedVector<cSaveSlot>& slots, int top, int rows) {
  if (rows <= 0) return;
  cFont& font = g_TextRenderer[1];
  font.DrawWindow(dst, x, y, 320, rows * 16);
  for (int i = 0; i < rows; ++i) {
    const int row = y + i * 16;
    if (i + 1 < rows) DDFillRect(dst, x, row + 15, 320, 1, 240);
    const int slot = top + i;
    if (slot < 0 || slot >= slots.Size()) continue;
    font.DrawTextF(dst, x + 16, row, "%d", slot + 1);
    const cSaveSlot& header = slots[static_cast<size_t>(slot)];
    if (!header.m_bExists) continue;
    const uint16_t* t = header.m_stTime;
    font.DrawTextF(dst, x + 64, row, "%04d/%02d/%02d %02d:%02d\n", t[0], t[1], t[3], t[4], t[5]);
  }
}
