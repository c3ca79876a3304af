// Reading PCM wave files: our own RIFF walker. Unknown chunks and the pad
// byte after an odd-sized chunk are skipped; every read is bounded by the
// file and by the enclosing RIFF chunk.
#pragma once
#include <cstdint>

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// The "fmt " chunk as stored (16 to 18 bytes; a 16-byte one leaves cbSize 0).
struct WAVEFORMAT18 {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;
};

struct WAVEDATA {
  WAVEFORMAT18 wf;
  uint8_t* pData;   // malloc'd samples; FreeWaveData frees them
  uint32_t dwSize;  // bytes
};

// True when the file's RIFF "WAVE" chunk holds a PCM "fmt " chunk (8 or
// 16 bits, at least one channel) and a "data" chunk; on success the caller
// owns wave->pData. A "data" chunk cut short by the end of the file keeps
// the whole sample frames read, with a report line. Failures are reported
// as the player always has (see the messages in wave.cpp); a file that
// cannot be opened, or lacks one of the two chunks, fails quietly.
bool LoadWaveFile(const char* file, WAVEDATA* wave);
void FreeWaveData(WAVEDATA* wave);
