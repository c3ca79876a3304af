#include "services/sound.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "platform/audio.h"
#include "services/log.h"
#include "services/wave.h"

DSDEVICE* g_lpDS = nullptr;
const int g_SoundVolumeTable[11] = {-10000, -3000, -2000, -1300, -800, -500, -300, -150, -80, -30, 0};

namespace {

DSDEVICE g_Device;
std::vector<DSSOUNDDATA>* g_pvecSound = nullptr;
std::vector<DSSOUNDDEF>* g_pvecSoundFile = nullptr;
// The window thread and a menu on the game thread may play at once; the
// round-robin index is theirs to share.
std::mutex g_PlayMutex;

void LogErrorf(const char* format, const char* file) {
  std::string s = Format(format, file);
  LogError(s.c_str());
}

int CopyVoice(const DSSOUNDDATA* slot, int copy) {
  if (!slot || !slot->lpBuffers || copy < 0 || copy >= slot->nBufferNum) return 0;
  return slot->lpBuffers[copy];
}

}  // namespace

bool DS_Init(HWND window, int samplesPerSec, int bitsPerSample, int channels) {
  if (g_lpDS) return true;
  std::string error;
  if (!plat::OpenAudio(&error)) {
    // The game goes on muted: with g_lpDS null every sound call does nothing.
    LogError("DIRECTSOUNDCREATE_ERR!");
    WriteReport("サウンドデバイスを開けません（%s）。音を出さずに続けます。", error.c_str());
    // A machine without a sound device still plays the game.
    return true;
  }
  // The mixer's own format is fixed; the primary format is only remembered.
  g_Device = DSDEVICE{window, samplesPerSec, bitsPerSample, channels};
  g_lpDS = &g_Device;
  g_pvecSound = nullptr;
  g_pvecSoundFile = nullptr;
  return true;
}

void DS_UnInit() {
  if (!g_lpDS) return;
  if (g_pvecSound)
    for (DSSOUNDDATA& slot : *g_pvecSound) DSReleaseSound(&slot);
  g_lpDS = nullptr;
  plat::CloseAudio();
}

int DSCreate(std::vector<DSSOUNDDATA>* slots, std::vector<DSSOUNDDEF>* defs, int volume) {
  g_pvecSound = slots;
  g_pvecSoundFile = defs;
  const size_t n = std::min(slots->size(), defs->size());
  for (size_t i = 0; i < n; ++i) {
    DSSOUNDDATA& slot = (*slots)[i];
    const DSSOUNDDEF& def = (*defs)[i];
    if (slot.lpBuffers) continue;
    // An entry without a file name is tried like any other: its failed load
    // is reported once, and the slot keeps its array, so it is not retried.
    DSCreateSound(&slot, def.szFileName, def.nBufferNum, volume != 0 ? volume : def.nVolume);
  }
  return 1;
}

bool DSCreateSound(DSSOUNDDATA* slot, const char* file, int copies, int volume) {
  if (!g_lpDS) return true;
  *slot = DSSOUNDDATA{};
  // A slot always has room for its first copy.
  const int count = copies < 1 ? 1 : copies;
  slot->lpBuffers = new (std::nothrow) int[static_cast<size_t>(count)]();
  if (!slot->lpBuffers) {
    LogErrorf("%sのメモリ確保失敗！", file);
    return false;
  }
  if (!DSCreateBufferFromWave(&slot->lpBuffers[0], file)) return false;
  for (int i = 1; i < count; ++i) {
    if (!DSDuplicateBuffer(&slot->lpBuffers[i], slot->lpBuffers[0])) {
      LogErrorf("%sのメモリ共用バッファの生成失敗！", file);
      return false;
    }
  }
  slot->nBufferNum = count;
  std::strncpy(slot->szName, file, sizeof slot->szName - 1);
  if (volume != 0)
    for (int i = 0; i < count; ++i) DSSetVolume(slot, i, volume, 0);
  return true;
}

void DSReleaseSound(DSSOUNDDATA* slot) {
  if (!slot->lpBuffers) return;
  for (int i = slot->nBufferNum - 1; i >= 1; --i) plat::ReleaseVoice(slot->lpBuffers[i]);
  plat::ReleaseVoice(slot->lpBuffers[0]);
  delete[] slot->lpBuffers;
  slot->lpBuffers = nullptr;
}

bool DSCreateBufferFromWave(int* out, const char* file) {
  WAVEDATA wave{};
  if (!LoadWaveFile(file, &wave)) {
    ReportError("%s の読み込みに失敗しました！", file);
    return false;
  }
  const WAVEFORMAT18& wf = wave.wf;
  std::string why;
  if ((wf.wBitsPerSample != 8 && wf.wBitsPerSample != 16) || (wf.nChannels != 1 && wf.nChannels != 2) ||
      wf.nBlockAlign != wf.nChannels * wf.wBitsPerSample / 8) {
    why = Format("%u channels, %u bits, block %u", wf.nChannels, wf.wBitsPerSample, wf.nBlockAlign);
  } else {
    plat::PcmSource pcm{wave.pData, wave.dwSize, wf.nChannels, wf.wBitsPerSample,
                        static_cast<int>(wf.nSamplesPerSec > 1000000 ? 0 : wf.nSamplesPerSec)};
    *out = plat::CreateVoice(pcm, &why);
  }
  FreeWaveData(&wave);
  if (!why.empty()) {
    LogErrorf("%s生成失敗！", file);
    WriteReport("%s生成失敗！（%s）", file, why.c_str());
    return false;
  }
  return true;
}

bool DSDuplicateBuffer(int* out, int source) {
  if (!g_lpDS) return true;
  *out = plat::DuplicateVoice(source);
  return *out != 0;
}

void DSPlay(DSSOUNDDATA* slot, uint32_t flags) {
  if (!g_lpDS || !slot) return;
  std::lock_guard<std::mutex> lk(g_PlayMutex);
  // A slot whose copies were not all made has no count: nothing to walk.
  const int voice = CopyVoice(slot, slot->nNext);
  if (!voice) return;
  plat::StopVoice(voice);
  plat::SetVoicePosition(voice, 0);
  plat::PlayVoice(voice, (flags & DSBPLAY_LOOPING) != 0);
  if (++slot->nNext >= slot->nBufferNum) slot->nNext = 0;
}

int DSSetVolume(DSSOUNDDATA* slot, int copy, int volume, int relative) {
  if (!g_lpDS) return 0;
  const int voice = CopyVoice(slot, copy);
  if (!voice) return 0;
  int64_t v = volume;
  if (relative == 1) v += plat::GetVoiceVolume(voice);
  v = std::clamp<int64_t>(v, DSVOLUME_MIN, DSVOLUME_MAX);
  plat::SetVoiceVolume(voice, static_cast<int>(v));
  return static_cast<int>(v);
}

int DSGetVolume(const DSSOUNDDATA* slot, int copy) {
  if (!g_lpDS) return 0;
  const int voice = CopyVoice(slot, copy);
  return voice ? plat::GetVoiceVolume(voice) : 0;
}

void PlayCursorSE(const uint16_t* dirBits, int axes, int soundIndex) {
  if (soundIndex < 0 || static_cast<size_t>(soundIndex) >= g_vecSound.size()) return;
  DSSOUNDDATA* slot = &g_vecSound[static_cast<size_t>(soundIndex)];
  if ((axes & 1) && (*dirBits & 3)) DSPlay(slot, 0);
  if ((axes & 2) && (*dirBits & 12)) DSPlay(slot, 0);
}
