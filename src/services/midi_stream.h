// The MIDI music player: a converted file fed to the stream device in two
// alternating buffers, refilled from a callback thread of its own.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/midi_device.h"
#include "services/midi.h"

constexpr uint32_t kMidiBufferSize = 24000;
// One short record in a buffer: delta, stream id, event.
constexpr uint32_t kMidiRecordBytes = 12;

// An index into one of the music tables. A bad index writes
// "err V[%d] ( %d , %d )" to both logs, asks the main window to close and
// answers 0 - or -1 when the table is empty and there is no element 0.
int CheckMusicIndex(int index, size_t count, size_t elementSize);

class cMidiStream : public cMidi {
 public:
  enum { kStopped = 0, kPlaying = 1, kPaused = 2 };

  explicit cMidiStream(const char* fileName);
  ~cMidiStream() override;

  void Open();
  void Restart(int loop);
  void Stop(int pause);
  void SendBuffer();

  // Converts the image's events from `position` into the header's buffer
  // (kMidiBufferSize bytes) and returns the image bytes consumed.
  static uint32_t FillBuffer(const std::vector<uint8_t>& image, uint32_t position, plat::MidiHeader* header);
  static std::string GetErrorText(uint32_t code);
  static unsigned ThreadProc(void* player);

  int GetState();
  uint32_t GetReadPos();

 private:
  void Report(const char* step, uint32_t code);
  uint32_t TrackEnd() const;

  int m_nCurrentBuffer = 0;
  int m_nBufferCount = 2;
  plat::MidiStream m_hStream = nullptr;
  plat::MidiHeader m_Header[2];
  std::vector<uint8_t> m_Buffer[2];
  uint32_t m_dwBufferSize = kMidiBufferSize;
  uint32_t m_dwReadPos = kMidiImageFirstEvent;
  int m_nState = kStopped;
  std::thread m_Thread;
  plat::ThreadId m_dwThreadId = 0;
  int m_bLoop = 0;
  // The callback thread and the window thread drive the same player.
  std::recursive_mutex m_Lock;
  bool m_bClosing = false;
};

class cMidiList {
 public:
  cMidiList() = default;
  ~cMidiList();
  cMidiList(const cMidiList&) = delete;
  cMidiList& operator=(const cMidiList&) = delete;

  // Stops and deletes every player, then plays `file` (extension "mid") in
  // entry `index`. 1 when it plays.
  int Play(int index, const char* file, int loop);
  void StopAll(int pause);
  // n entries (new ones empty).
  void Resize(size_t n);
  // Deletes every player and empties the list.
  void Clear();
  size_t Count() const { return m_vecStream.size(); }
  cMidiStream* Get(size_t index) const { return index < m_vecStream.size() ? m_vecStream[index].get() : nullptr; }

 private:
  std::vector<std::unique_ptr<cMidiStream>> m_vecStream;
  std::vector<int> m_vecFlag;
};
