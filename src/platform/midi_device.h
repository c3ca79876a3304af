// The MIDI stream device: buffers of timed MIDI events are played on a
// software synthesizer that renders into the mixer. Ticks and tempo are
// mapped to sample frames here; the synthesizer never sequences by itself.
//
// Buffers hold records of {delta ticks, stream id, event} (little-endian
// 32-bit words). The event's top byte is its kind: 0 a short message (status
// and up to two data bytes in the low 24 bits), 1 a tempo (microseconds per
// quarter note), 2 no operation; with the long flag the low 24 bits count
// the bytes that follow (a system-exclusive message), padded to 4.
//
// The owner's thread gets the stream's messages through its queue:
// kMomOpen, kMomDone (lParam = header), kMomPositionCb (lParam = header whose
// dwOffset is the offset of the event that asked for it) and kMomClose. They
// are posted from a thread of the device, never from the audio callback.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/messages.h"

namespace plat {

enum : uint32_t {
  kMevtShortMsg = 0x00,
  kMevtTempo = 0x01,
  kMevtNop = 0x02,
  kMevtFlagCallback = 0x40000000,
  kMevtFlagLong = 0x80000000,
};

enum : uint32_t {
  kMhdrDone = 0x1,
  kMhdrPrepared = 0x2,
  kMhdrInQueue = 0x4,
};

enum : uint32_t {
  kMomOpen = 0x3C7,
  kMomClose = 0x3C8,
  kMomDone = 0x3C9,
  kMomPositionCb = 0x3CA,
};

// Results of the stream functions: 0 is success.
enum : uint32_t {
  kMidiOk = 0,
  kMidiErrInvalidHandle = 5,
  kMidiErrNoMemory = 7,
  kMidiErrInvalidParam = 11,
  kMidiErrUnprepared = 64,
  kMidiErrStillPlaying = 65,
};

struct MidiHeader {
  uint8_t* lpData = nullptr;
  uint32_t dwBufferLength = 0;
  uint32_t dwBytesRecorded = 0;
  uintptr_t dwUser = 0;
  // Written by the rendering thread while the owner polls kMhdrInQueue.
  std::atomic<uint32_t> dwFlags{0};
  uint32_t dwOffset = 0;
};

struct MidiStreamDevice;
using MidiStream = MidiStreamDevice*;

// Opens a stream, paused, at 120 beats a minute and 96 ticks a quarter note.
// Messages go to callbackThread (0: none). The synthesizer and its SoundFont
// are set up on the first open.
uint32_t MidiStreamOpen(MidiStream* out, ThreadId callbackThread);
// Time division as in a MIDI file header: ticks per quarter note, or with the
// top bit set, frames per second (negated, high byte) and ticks per frame.
uint32_t MidiStreamSetTimeDiv(MidiStream stream, uint32_t division);
uint32_t MidiOutPrepareHeader(MidiStream stream, MidiHeader* header);
uint32_t MidiOutUnprepareHeader(MidiStream stream, MidiHeader* header);
// Queues a prepared buffer behind the ones already queued.
uint32_t MidiStreamOut(MidiStream stream, MidiHeader* header);
uint32_t MidiStreamRestart(MidiStream stream);
// Holds the position; sounding notes are released.
uint32_t MidiStreamPause(MidiStream stream);
// Notes off, every queued buffer returned as done, position back to tick 0,
// the stream paused.
uint32_t MidiStreamStop(MidiStream stream);
// As Stop, for the last use of a stream before it is closed.
uint32_t MidiOutReset(MidiStream stream);
// Notes off; the stream leaves the mixer. Buffers still queued are returned.
uint32_t MidiStreamClose(MidiStream stream);
std::string MidiErrorText(uint32_t code);

// For an owner that reports every position callback it has handled
// (MidiStreamCallbackDone): in headless runs the mixer then waits, a bounded
// time, for each callback to be handled before it mixes on, so the music
// never depends on how fast the owner's thread answers. Off again before
// the owner stops answering.
void MidiStreamWaitForCallbacks(MidiStream stream, bool wait);
void MidiStreamCallbackDone(MidiStream stream);

// The SoundFont the synthesizer loads (an operating-system path). Takes
// effect on the next stream open; the default is Debian's TimGM6mb.
void SetMidiSoundFont(const std::string& osPath);
std::string MidiSoundFont();
// When the synthesizer or its SoundFont could not be set up (the music then
// plays silent), the reason, once: later calls return false until the
// SoundFont is changed.
bool TakeMidiSynthReport(std::string* line);

// Tick to sample-frame mapping at the mixer rate, tempo kept as segments.
class MidiClock {
 public:
  explicit MidiClock(uint32_t rate) : m_rate(rate) {}
  void Reset(uint32_t division, uint32_t tempo);
  void SetDivision(uint32_t division);
  // A tempo change taking effect at `tick`.
  void SetTempo(uint64_t tick, uint32_t tempo);
  // The frame (from tick 0) at which `tick` plays.
  uint64_t FrameOf(uint64_t tick) const;

 private:
  uint32_t m_rate;
  uint32_t m_division = 96;
  uint32_t m_tempo = 500000;
  uint64_t m_baseTick = 0;
  uint64_t m_baseFrame = 0;
};

// Test hook: every message the device plays is handed here (with the stream
// frame it plays at) instead of reaching the synthesizer. Empty: synthesizer.
using MidiEventObserver = std::function<void(uint64_t frame, const uint8_t* bytes, size_t length)>;
void SetMidiEventObserverForTest(MidiEventObserver observer);

}  // namespace plat
