#include "services/bgm.h"

#include <cstring>
#include <string>

#include "platform/paths.h"
#include "services/log.h"
#include "services/strings.h"

char g_szBgmOggFile[kBgmSlotCount][kBgmOggNameSize] = {
    "bgm\\Title.ogg", "bgm\\WorldMap.ogg", "bgm\\Challenge.ogg", "bgm\\Option.ogg", "bgm\\Stage.ogg",
};
char g_szBgmMidiFile[kBgmSlotCount][kBgmMidiNameSize] = {
    "bgm\\Title.mid", "bgm\\WorldMap.mid", "bgm\\Challenge.mid", "bgm\\Option.mid", "bgm\\Stage.mid",
};

namespace {

// A name longer than the table's entries is cut, never written past them.
template <size_t N>
void CopyName(char (&dst)[N], const std::string& src) {
  size_t n = std::min(src.size(), N - 1);
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
}

}  // namespace

// --- the Ogg players ---------------------------------------------------------------

cVox::~cVox() { Release(); }

int cVox::Init() {
  Release();
  m_hModule = plat::LoadVoxLibrary();
  void* entry = plat::GetLibraryEntry(m_hModule, VOX_ENTRY_NAME);
  if (!entry) {
    plat::FreeLibrary(m_hModule);
    m_hModule = nullptr;
    ErrorBoxf("oggの初期化に失敗！");
    return 0;
  }
  m_lpCreateVox = reinterpret_cast<CreateVoxFn>(entry);
  return 1;
}

void cVox::DeletePlayers() {
  Stop();
  for (size_t i = 0; i < m_vecVox.size(); ++i) {
    if (!m_vecVox[i]) continue;
    plat::DetachVoxPlayer(m_vecAttachment[i]);
    m_vecVox[i]->Delete();
  }
  m_vecVox.clear();
  m_vecAttachment.clear();
  m_nCount = 0;
  m_nCurrent = -1;
}

int cVox::Create(int n) {
  DeletePlayers();
  if (n < 0 || !m_lpCreateVox) return 0;
  m_vecVox.assign(static_cast<size_t>(n), nullptr);
  m_vecAttachment.assign(static_cast<size_t>(n), 0);
  m_nCount = n;
  for (size_t i = 0; i < m_vecVox.size(); ++i) {
    IVox* player = m_lpCreateVox();
    if (!player) {
      OutOfMemoryBox();
      return 0;
    }
    m_vecVox[i] = player;
    m_vecAttachment[i] = plat::AttachVoxPlayer(player);
  }
  return 1;
}

int cVox::Play(int index, const char* file, int loop) {
  if (!file || !*file) return 0;
  Stop();
  // Without the library there are no players to index; its failure was
  // shown when it was loaded.
  if (!m_lpCreateVox) return 0;
  int i = CheckMusicIndex(index, static_cast<size_t>(m_nCount), sizeof(IVox*));
  IVox* player = i < 0 ? nullptr : m_vecVox[static_cast<size_t>(i)];
  if (!player) {
    m_nCurrent = -1;
    return 0;
  }
  player->Prepare();
  if (!player->Load(plat::ResolvePath(file).c_str())) {
    m_nCurrent = -1;
    return 0;
  }
  player->SetLoop(loop ? kVoxLoopForever : 0);
  player->Play();
  m_nCurrent = i;
  return 1;
}

void cVox::Stop() {
  if (m_nCurrent == -1) return;
  if (IVox* player = Player(m_nCurrent)) player->Stop();
  m_nCurrent = -1;
}

void cVox::Release() {
  DeletePlayers();
  plat::FreeLibrary(m_hModule);
  m_hModule = nullptr;
  m_lpCreateVox = nullptr;
}

// --- the manager -------------------------------------------------------------------

cBgmManager::~cBgmManager() {
  Release();
  m_Vox.Release();
}

int cBgmManager::Init(int players, char (*oggFiles)[kBgmOggNameSize], char (*midiFiles)[kBgmMidiNameSize],
                      int slots) {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  m_bInit = 1;
  m_Midi.Clear();
  const int voxReady = m_Vox.Init();
  if (!voxReady) WriteECLog("m_Vox.Init失敗！");
  // MIDI needs nothing of the Ogg library: without it the players and the
  // slot table are still made, and only Ogg files fail to play.
  CreatePlayers(players);
  m_lpOggFile = oggFiles;
  m_lpMidiFile = midiFiles;
  m_vecType.assign(slots > 0 ? static_cast<size_t>(slots) : 0, kTypeEither);
  return voxReady;
}

int cBgmManager::CreatePlayers(int n) {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  size_t count = n > 0 ? static_cast<size_t>(n) : 0;
  m_Midi.Resize(count);
  m_vecKind.assign(count, kKindNone);
  m_Vox.Create(n);
  return 1;
}

int cBgmManager::SetFile(int slot, const char* file) {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  if (!m_bInit) return 1;
  if (!HasTables()) return 0;
  int s = CheckMusicIndex(slot, m_vecType.size(), kBgmOggNameSize);
  std::string name = file ? file : "";
  std::string ext;
  if (!GetExtension(ext, name)) {
    m_lpOggFile[s][0] = '\0';
    m_lpMidiFile[s][0] = '\0';
    m_vecType[static_cast<size_t>(s)] = kTypeEither;
    return 0;
  }
  if (ext == "mid" || ext == "MID") {
    std::string midi;
    ChangeExtension(midi, name, "mid");
    CopyName(m_lpMidiFile[s], midi);
    m_vecType[static_cast<size_t>(s)] = kTypeMidi;
    return 1;
  }
  if (ext == "ogg" || ext == "OGG") {
    CopyName(m_lpOggFile[s], name);
    m_vecType[static_cast<size_t>(s)] = kTypeOgg;
    return 1;
  }
  CopyName(m_lpOggFile[s], name);
  CopyName(m_lpMidiFile[s], name);
  m_vecType[static_cast<size_t>(s)] = kTypeEither;
  return 0;
}

int cBgmManager::PlayerIndex(int player) const { return CheckMusicIndex(player, m_vecKind.size(), sizeof(int)); }

int cBgmManager::Play(int player, int slot, int loop, int pause, int force) {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  if (!m_bInit || (slot == m_nCurrent && !force)) return 1;
  if (!HasTables()) return 0;
  m_nCurrent = slot;
  int s = CheckMusicIndex(slot, m_vecType.size(), sizeof(int));
  int p = PlayerIndex(player);
  if (p >= 0) {
    int& kind = m_vecKind[static_cast<size_t>(p)];
    switch (m_vecType[static_cast<size_t>(s)]) {
      case kTypeEither:
        if (m_Vox.Play(player, m_lpOggFile[s], loop)) {
          kind = kKindOgg;
          m_Midi.StopAll(pause);
          return 1;
        }
        if (m_Midi.Play(player, m_lpMidiFile[s], loop)) {
          kind = kKindMidi;
          m_Vox.Stop();
          return 1;
        }
        break;
      case kTypeOgg:
        if (m_Vox.Play(player, m_lpOggFile[s], loop)) {
          kind = kKindOgg;
          m_Midi.StopAll(0);
          return 1;
        }
        break;
      case kTypeMidi:
        if (m_Midi.Play(player, m_lpMidiFile[s], loop)) {
          kind = kKindMidi;
          m_Vox.Stop();
          return 1;
        }
        break;
    }
    kind = kKindNone;
  }
  m_nCurrent = -1;
  m_Vox.Stop();
  m_Midi.StopAll(0);
  return 0;
}

void cBgmManager::Stop() {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  if (!m_bInit) return;
  m_Midi.StopAll(0);
  m_Vox.Stop();
}

void cBgmManager::Release() {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  m_Vox.Release();
  m_Midi.Clear();
  m_lpOggFile = nullptr;
  m_lpMidiFile = nullptr;
  m_vecType.clear();
  m_vecKind.clear();
  m_bInit = 0;
}

int cBgmManager::SlotType(int slot) const {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  return slot >= 0 && static_cast<size_t>(slot) < m_vecType.size() ? m_vecType[static_cast<size_t>(slot)] : -1;
}

int cBgmManager::PlayerKind(int player) const {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  return player >= 0 && static_cast<size_t>(player) < m_vecKind.size() ? m_vecKind[static_cast<size_t>(player)] : -1;
}
