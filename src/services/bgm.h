// Background music: the five fixed music slots (title, world map, challenge,
// options, stage), each naming a MIDI or an Ogg file, played by the MIDI
// stream player or by the Ogg library's players.
#pragma once
#include <mutex>
#include <vector>

#include "platform/ogg_loader.h"
#include "services/midi_stream.h"

constexpr int kBgmSlotCount = 5;
constexpr size_t kBgmOggNameSize = 260;
constexpr size_t kBgmMidiNameSize = 264;

// The default slot tables handed to cBgmManager::Init; the manager writes
// the slots' files into them.
extern char g_szBgmOggFile[kBgmSlotCount][kBgmOggNameSize];
extern char g_szBgmMidiFile[kBgmSlotCount][kBgmMidiNameSize];

// The Ogg players made by the library's "CreateVox".
class cVox {
 public:
  cVox() = default;
  ~cVox();
  cVox(const cVox&) = delete;
  cVox& operator=(const cVox&) = delete;

  // Loads the library and finds its entry; "oggの初期化に失敗！" and 0 when
  // either is missing.
  int Init();
  // n new players (the old ones deleted); a player the library cannot make
  // is reported as lack of memory and gives 0.
  int Create(int n);
  // Plays `file` (stored path) on player `index`, endlessly when loop is set.
  int Play(int index, const char* file, int loop);
  void Stop();
  // Deletes every player and unloads the library.
  void Release();

  int Count() const { return m_nCount; }
  int Current() const { return m_nCurrent; }
  IVox* Player(int index) const { return index >= 0 && index < m_nCount ? m_vecVox[static_cast<size_t>(index)] : nullptr; }

 private:
  void DeletePlayers();

  std::vector<IVox*> m_vecVox;
  int m_nCount = 0;
  int m_nCurrent = -1;
  plat::ModuleHandle m_hModule = nullptr;
  CreateVoxFn m_lpCreateVox = nullptr;
  std::vector<int> m_vecAttachment;  // each player's place in the mixer
};

class cBgmManager {
 public:
  enum { kTypeEither = 0, kTypeOgg = 1, kTypeMidi = 2 };
  enum { kKindNone = 0, kKindOgg = 1, kKindMidi = 2 };

  cBgmManager() = default;
  ~cBgmManager();
  cBgmManager(const cBgmManager&) = delete;
  cBgmManager& operator=(const cBgmManager&) = delete;

  // 0 when the Ogg library is missing (its box was shown); the manager is
  // still set up, and MIDI slots play.
  int Init(int players, char (*oggFiles)[kBgmOggNameSize], char (*midiFiles)[kBgmMidiNameSize], int slots);
  int CreatePlayers(int n);
  int SetFile(int slot, const char* file);
  int Play(int player, int slot, int loop, int pause, int force);
  void Stop();
  void Release();

  // For the option scene and tests.
  bool IsInitialised() const { return m_bInit != 0; }
  int CurrentSlot() const { return m_nCurrent; }
  int SlotType(int slot) const;
  int PlayerKind(int player) const;
  const cVox& Vox() const { return m_Vox; }
  const cMidiList& Midi() const { return m_Midi; }

 private:
  bool HasTables() const { return m_lpOggFile && m_lpMidiFile && !m_vecType.empty(); }
  int PlayerIndex(int player) const;

  int m_bInit = 0;
  cVox m_Vox;
  char (*m_lpOggFile)[kBgmOggNameSize] = nullptr;
  cMidiList m_Midi;
  char (*m_lpMidiFile)[kBgmMidiNameSize] = nullptr;
  int m_nCurrent = -1;
  std::vector<int> m_vecType;
  std::vector<int> m_vecKind;
  // WM_CLOSE stops the music on the window thread while the option scene may
  // be releasing or setting up the manager on the game thread.
  mutable std::recursive_mutex m_Lock;
};

// The music of the five fixed slots (title, world map, challenge, option,
// stage).
extern cBgmManager g_Bgm;
