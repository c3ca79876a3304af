// Sound effects: one slot per sound id, each a wave file loaded once with
// copies that share its samples, so a sound can overlap itself; plays take
// the copies in turn. Volumes are hundredths of a decibel (-10000..0).
#pragma once
#include <cstdint>
#include <vector>

#include "platform/messages.h"

constexpr int DSVOLUME_MIN = -10000;
constexpr int DSVOLUME_MAX = 0;
constexpr uint32_t DSBPLAY_LOOPING = 1;

// One per sound id, built by the start-up (g_vecSoundFile).
struct DSSOUNDDEF {
  char szFileName[260] = {};
  int32_t nBufferNum = 0;  // copies that may sound at once
  int32_t nVolume = 0;     // 0 = full
  int32_t bChecked = 0;    // set by the start-up, not read here
};

// One per sound id, same index as its definition (g_vecSound).
struct DSSOUNDDATA {
  char szName[260] = {};
  int* lpBuffers = nullptr;  // mixer voices of the copies; null while the slot is not created
  int32_t nBufferNum = 0;
  int32_t nNext = 0;  // copy played next
};

// The sound device as the game sees it: null while sound is off.
struct DSDEVICE {
  HWND hWnd;
  int nSamplesPerSec, nBitsPerSample, nChannels;  // the primary format asked for
};
extern DSDEVICE* g_lpDS;

extern std::vector<DSSOUNDDATA> g_vecSound;
extern std::vector<DSSOUNDDEF> g_vecSoundFile;

// The start-up's sound-volume option 0..10 in hundredths of a decibel.
extern const int g_SoundVolumeTable[11];

// True also when no sound device opens: the report says so and every
// sound call then does nothing, so the game plays on without sound.
bool DS_Init(HWND window, int samplesPerSec, int bitsPerSample, int channels);
void DS_UnInit();
int DSCreate(std::vector<DSSOUNDDATA>* slots, std::vector<DSSOUNDDEF>* defs, int volume);
bool DSCreateSound(DSSOUNDDATA* slot, const char* file, int copies, int volume);
void DSReleaseSound(DSSOUNDDATA* slot);
bool DSCreateBufferFromWave(int* out, const char* file);
bool DSDuplicateBuffer(int* out, int source);
void DSPlay(DSSOUNDDATA* slot, uint32_t flags);
int DSSetVolume(DSSOUNDDATA* slot, int copy, int volume, int relative);
int DSGetVolume(const DSSOUNDDATA* slot, int copy);
// Menu cursor sound: once for a horizontal press when axes bit 1 is set, once
// more for a vertical press when axes bit 2 is set.
void PlayCursorSE(const uint16_t* dirBits, int axes, int soundIndex);

// Sound effect `id` (slot of g_vecSound), played by the main window on its
// own thread (defined with it); callable from the game-side threads.
void PlaySE(int id);
// Sound database entry `id`: 0 plays nothing, else slot id + 16.
void PlayDbSE(int16_t id);
