#include "platform/midi_device.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio.h"
#include "platform/text.h"
#include "platform/video.h"

namespace plat {
namespace {

constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr uint32_t kDefaultDivision = 96;
constexpr uint32_t kDefaultTempo = 500000;  // 120 beats a minute
constexpr uint32_t kEventHeaderBytes = 12;

uint32_t ReadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// --- synthesizers ---------------------------------------------------------------
// Loading a SoundFont takes a while, so one synthesizer is kept for the whole
// run and handed to whichever stream is open; a second stream open at the
// same time gets one of its own.
struct Synth {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  std::string font;     // what was loaded (or tried)
  bool failed = false;  // setting up for `font` failed; not retried
};

struct SynthPool {
  std::mutex m;
  std::string font = kDefaultSoundFont;
  Synth shared;
  bool sharedInUse = false;
  std::string report;  // waiting to be taken
  bool reported = false;  // for the current font
};

SynthPool& Pool() {
  static SynthPool* pool = new SynthPool;  // outlives every stream
  return *pool;
}

void FreeSynth(Synth& s) {
  if (s.synth) delete_fluid_synth(s.synth);
  if (s.settings) delete_fluid_settings(s.settings);
  s.synth = nullptr;
  s.settings = nullptr;
}

void QuietLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
  });
}

// Pool lock held.
void SetUpSynth(SynthPool& pool, Synth& s) {
  if (s.font == pool.font && (s.synth || s.failed)) {
    if (s.synth) fluid_synth_system_reset(s.synth);
    return;
  }
  FreeSynth(s);
  s.font = pool.font;
  s.failed = false;
  QuietLibraryLog();
  s.settings = new_fluid_settings();
  if (s.settings) {
    fluid_settings_setnum(s.settings, "synth.sample-rate", kAudioRate);
    fluid_settings_setnum(s.settings, "synth.gain", 0.5);
    fluid_settings_setint(s.settings, "synth.threadsafe-api", 0);  // every call is under our lock
    s.synth = new_fluid_synth(s.settings);
  }
  const char* why = nullptr;
  if (!s.synth) {
    why = "シンセサイザーを作成できません";
  } else if (fluid_synth_sfload(s.synth, s.font.c_str(), 1) == FLUID_FAILED) {
    why = "サウンドフォントを読み込めません";
  }
  if (why) {
    FreeSynth(s);
    s.failed = true;
    if (!pool.reported) {
      pool.report = std::string("Midi ") + Utf8ToCp932(s.font) + " " + why + "（MIDIの音楽は無音になります）";
      pool.reported = true;
    }
  }
}

Synth* AcquireSynth() {
  SynthPool& pool = Pool();
  std::lock_guard<std::mutex> g(pool.m);
  Synth* s = &pool.shared;
  if (pool.sharedInUse) s = new Synth;
  else pool.sharedInUse = true;
  SetUpSynth(pool, *s);
  return s;
}

void ReleaseSynth(Synth* s) {
  SynthPool& pool = Pool();
  std::lock_guard<std::mutex> g(pool.m);
  if (s == &pool.shared) {
    pool.sharedInUse = false;
    return;
  }
  FreeSynth(*s);
  delete s;
}

struct ObserverHook {
  std::mutex lock;
  MidiEventObserver observer;
};
ObserverHook& Hook() {
  static ObserverHook* h = new ObserverHook;  // outlives every stream
  return *h;
}

}  // namespace

// --- the stream -------------------------------------------------------------------

struct MidiStreamDevice {
  std::mutex m;  // everything below; Fill takes it inside the mixer lock
  ThreadId callbackThread = 0;
  Synth* synth = nullptr;
  MidiEventObserver observer;
  int mixerStream = 0;
  bool audioOpened = false;

  uint32_t division = kDefaultDivision;
  MidiClock clock{kAudioRate};
  bool running = false;
  std::deque<MidiHeader*> queue;
  uint32_t offset = 0;   // of the next event in queue.front()
  bool nextKnown = false;
  uint64_t nextTick = 0;  // tick of the next event, once its delta is read
  uint64_t tick = 0;      // tick of the last event played
  uint64_t frame = 0;     // stream frames played; stands still while starved or paused

  // Messages for the owner's thread, posted by `poster`.
  std::deque<MSG> outbox;
  std::condition_variable outboxReady;
  bool closing = false;
  std::thread poster;
  // Position callbacks posted and handled, for MidiStreamWaitForCallbacks.
  bool waitForCallbacks = false;
  uint64_t callbacksPosted = 0;
  uint64_t callbacksHandled = 0;
  std::condition_variable callbackHandled;
  std::vector<float> scratch;  // one render's worth, kept between calls

  void Notify(uint32_t msg, MidiHeader* h) {
    if (msg == kMomPositionCb) ++callbacksPosted;
    outbox.push_back(MSG{nullptr, msg, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(h)});
  }

  void Send(const uint8_t* bytes, size_t length) {
    if (observer) {
      observer(frame, bytes, length);
      return;
    }
    if (!synth || !synth->synth) return;
    fluid_synth_t* fs = synth->synth;
    if (bytes[0] == 0xF0) {
      // The body between F0 and the closing F7.
      size_t n = length - 1;
      if (n > 0 && bytes[length - 1] == 0xF7) --n;
      if (n > 0) fluid_synth_sysex(fs, reinterpret_cast<const char*>(bytes + 1), static_cast<int>(n), nullptr, nullptr, nullptr, 0);
      return;
    }
    int chan = bytes[0] & 0x0F;
    int d1 = length > 1 ? bytes[1] & 0x7F : 0;
    int d2 = length > 2 ? bytes[2] & 0x7F : 0;
    switch (bytes[0] & 0xF0) {
      case 0x80: fluid_synth_noteoff(fs, chan, d1); break;
      case 0x90:
        if (d2 == 0) fluid_synth_noteoff(fs, chan, d1);
        else fluid_synth_noteon(fs, chan, d1, d2);
        break;
      case 0xA0: fluid_synth_key_pressure(fs, chan, d1, d2); break;
      case 0xB0: fluid_synth_cc(fs, chan, d1, d2); break;
      case 0xC0: fluid_synth_program_change(fs, chan, d1); break;
      case 0xD0: fluid_synth_channel_pressure(fs, chan, d1); break;
      case 0xE0: fluid_synth_pitch_bend(fs, chan, d1 | (d2 << 7)); break;
      default: break;  // system messages (the end-of-track marker among them) make no sound
    }
  }

  void NotesOff() {
    if (observer) {
      for (uint8_t ch = 0; ch < 16; ++ch) {
        uint8_t msg[3] = {static_cast<uint8_t>(0xB0 | ch), 0x7B, 0};
        observer(frame, msg, 3);
      }
      return;
    }
    if (synth && synth->synth) fluid_synth_all_notes_off(synth->synth, -1);
  }

  void FinishFront(bool notify) {
    MidiHeader* h = queue.front();
    queue.pop_front();
    h->dwFlags = (h->dwFlags.load() & ~kMhdrInQueue) | kMhdrDone;
    offset = 0;
    nextKnown = false;
    if (notify) Notify(kMomDone, h);
  }

  // Every queued buffer back to its owner; the position returns to tick 0.
  void ReturnAll() {
    // Position callbacks not yet posted belong to what was just thrown away.
    callbacksHandled += std::erase_if(outbox, [](const MSG& m) { return m.message == kMomPositionCb; });
    callbackHandled.notify_all();
    while (!queue.empty()) FinishFront(true);
    tick = nextTick = 0;
    frame = 0;
    clock.Reset(division, kDefaultTempo);
  }

  bool PeekEvent() {
    while (!queue.empty()) {
      MidiHeader* h = queue.front();
      if (h->dwBytesRecorded >= kEventHeaderBytes && offset <= h->dwBytesRecorded - kEventHeaderBytes) {
        if (!nextKnown) {
          nextTick = tick + ReadLE32(h->lpData + offset);
          nextKnown = true;
        }
        return true;
      }
      FinishFront(true);
    }
    return false;
  }

  void PlayNextEvent() {
    MidiHeader* h = queue.front();
    const uint8_t* p = h->lpData + offset;
    uint32_t event = ReadLE32(p + 8);
    uint32_t size = kEventHeaderBytes;
    tick = nextTick;
    nextKnown = false;
    uint32_t left = h->dwBytesRecorded - offset - kEventHeaderBytes;
    if (event & kMevtFlagLong) {
      uint32_t length = event & 0xFFFFFF;
      if (length > left) {
        FinishFront(true);  // a record running past the buffer ends it
        return;
      }
      if (length > 0) Send(p + kEventHeaderBytes, length);
      size += (length + 3) & ~3u;
      if (size - kEventHeaderBytes > left) size = kEventHeaderBytes + left;
    } else {
      switch ((event >> 24) & 0x3F) {
        case kMevtShortMsg: {
          uint8_t msg[3] = {static_cast<uint8_t>(event), static_cast<uint8_t>(event >> 8),
                            static_cast<uint8_t>(event >> 16)};
          uint8_t kind = msg[0] & 0xF0;
          Send(msg, (kind == 0xC0 || kind == 0xD0) ? 2 : 3);
          break;
        }
        case kMevtTempo: clock.SetTempo(tick, event & 0xFFFFFF); break;
        default: break;
      }
    }
    bool callback = (event & kMevtFlagCallback) != 0;
    if (callback) h->dwOffset = offset;
    offset += size;
    bool last = offset > h->dwBytesRecorded || h->dwBytesRecorded - offset < kEventHeaderBytes;
    // The owner refills the buffer when its callback comes, so the buffer is
    // given back before the callback is posted.
    if (last) FinishFront(false);
    if (callback) Notify(kMomPositionCb, h);
    if (last) Notify(kMomDone, h);
  }

  // Rendered as floats and rounded here, without the library's dither: a
  // silent synthesizer gives exact silence, and the same song the same samples.
  void Render(int16_t* out, int frames) {
    if (observer || !synth || !synth->synth) return;
    size_t n = static_cast<size_t>(frames) * 2;
    if (scratch.size() < n) scratch.resize(n);
    fluid_synth_write_float(synth->synth, frames, scratch.data(), 0, 2, scratch.data(), 1, 2);
    for (size_t i = 0; i < n; ++i) {
      float v = scratch[i] * 32768.0f;
      v = v > 32767.0f ? 32767.0f : v < -32768.0f ? -32768.0f : v;
      out[i] = static_cast<int16_t>(std::lrintf(v));
    }
  }

  void AwaitCallbacks(std::unique_lock<std::mutex>& lk) {
    if (!waitForCallbacks || callbacksHandled == callbacksPosted || !IsHeadless()) return;
    outboxReady.notify_one();
    callbackHandled.wait_for(lk, std::chrono::seconds(2),
                             [&] { return !waitForCallbacks || callbacksHandled >= callbacksPosted; });
  }

  void Fill(int16_t* out, int frames) {
    std::unique_lock<std::mutex> lk(m);
    int done = 0;
    while (done < frames) {
      int chunk = frames - done;
      if (running && PeekEvent()) {
        uint64_t at = clock.FrameOf(nextTick);
        if (at <= frame) {
          PlayNextEvent();
          AwaitCallbacks(lk);
          continue;
        }
        chunk = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(chunk), at - frame));
        frame += static_cast<uint64_t>(chunk);
      }
      Render(out + 2 * done, chunk);
      done += chunk;
    }
    if (!outbox.empty()) outboxReady.notify_one();
  }

  void PostLoop() {
    std::unique_lock<std::mutex> lk(m);
    for (;;) {
      outboxReady.wait(lk, [&] { return !outbox.empty() || closing; });
      if (outbox.empty()) return;  // closing, everything posted
      std::deque<MSG> batch;
      batch.swap(outbox);
      lk.unlock();
      for (const MSG& msg : batch)
        if (callbackThread) PostThreadMessage(callbackThread, msg.message, msg.wParam, msg.lParam);
      lk.lock();
    }
  }
};

void MidiClock::Reset(uint32_t division, uint32_t tempo) {
  m_division = division;
  m_tempo = tempo;
  m_baseTick = 0;
  m_baseFrame = 0;
}

void MidiClock::SetDivision(uint32_t division) { Reset(division, m_tempo); }

void MidiClock::SetTempo(uint64_t tick, uint32_t tempo) {
  m_baseFrame = FrameOf(tick);
  m_baseTick = tick;
  m_tempo = tempo;
}

uint64_t MidiClock::FrameOf(uint64_t tick) const {
  using u128 = unsigned __int128;
  if (m_division & 0x8000) {
    // Frames per second and ticks per frame; the tempo plays no part. 29
    // stands for the 30000/1001 of drop-frame time code.
    int fps = -static_cast<int8_t>(static_cast<uint8_t>(m_division >> 8));
    uint64_t perFrame = m_division & 0xFF;
    if (fps <= 0 || perFrame == 0) return 0;
    u128 num = u128(tick) * m_rate, den = u128(uint64_t(fps)) * perFrame;
    if (fps == 29) {
      num *= 1001;
      den = u128(30000) * perFrame;
    }
    return static_cast<uint64_t>(num / den);
  }
  if (m_division == 0 || tick < m_baseTick) return m_baseFrame;
  u128 num = u128(tick - m_baseTick) * m_tempo * m_rate;
  u128 den = u128(m_division) * 1000000u;
  return m_baseFrame + static_cast<uint64_t>(num / den);
}

uint32_t MidiStreamOpen(MidiStream* out, ThreadId callbackThread) {
  if (!out) return kMidiErrInvalidParam;
  auto* d = new MidiStreamDevice;
  d->callbackThread = callbackThread;
  {
    std::lock_guard<std::mutex> g(Hook().lock);
    d->observer = Hook().observer;
  }
  d->clock.Reset(d->division, kDefaultTempo);
  if (!d->observer) d->synth = AcquireSynth();
  d->poster = std::thread([d] { d->PostLoop(); });
  {
    std::lock_guard<std::mutex> g(d->m);
    d->Notify(kMomOpen, nullptr);
    d->outboxReady.notify_one();
  }
  std::string error;
  d->audioOpened = OpenAudio(&error);
  d->mixerStream = AddStream([d](int16_t* stereo, int frames) { d->Fill(stereo, frames); });
  *out = d;
  return kMidiOk;
}

uint32_t MidiStreamSetTimeDiv(MidiStream d, uint32_t division) {
  if (!d) return kMidiErrInvalidHandle;
  bool smpte = (division & 0x8000) != 0;
  if (division > 0xFFFF || (division & (smpte ? 0xFF : 0x7FFF)) == 0) return kMidiErrInvalidParam;
  if (smpte && static_cast<int8_t>(static_cast<uint8_t>(division >> 8)) >= 0) return kMidiErrInvalidParam;
  std::lock_guard<std::mutex> g(d->m);
  d->division = division;
  d->clock.SetDivision(division);
  return kMidiOk;
}

uint32_t MidiOutPrepareHeader(MidiStream d, MidiHeader* h) {
  if (!d) return kMidiErrInvalidHandle;
  if (!h || !h->lpData || h->dwBufferLength == 0) return kMidiErrInvalidParam;
  h->dwFlags |= kMhdrPrepared;
  return kMidiOk;
}

uint32_t MidiOutUnprepareHeader(MidiStream d, MidiHeader* h) {
  if (!d) return kMidiErrInvalidHandle;
  if (!h) return kMidiErrInvalidParam;
  if (h->dwFlags & kMhdrInQueue) return kMidiErrStillPlaying;
  h->dwFlags &= ~kMhdrPrepared;
  return kMidiOk;
}

uint32_t MidiStreamOut(MidiStream d, MidiHeader* h) {
  if (!d) return kMidiErrInvalidHandle;
  if (!h || !h->lpData) return kMidiErrInvalidParam;
  if (!(h->dwFlags & kMhdrPrepared)) return kMidiErrUnprepared;
  if (h->dwFlags & kMhdrInQueue) return kMidiErrStillPlaying;
  if (h->dwBytesRecorded > h->dwBufferLength) return kMidiErrInvalidParam;
  std::lock_guard<std::mutex> g(d->m);
  h->dwFlags = (h->dwFlags.load() & ~kMhdrDone) | kMhdrInQueue;
  d->queue.push_back(h);
  return kMidiOk;
}

uint32_t MidiStreamRestart(MidiStream d) {
  if (!d) return kMidiErrInvalidHandle;
  std::lock_guard<std::mutex> g(d->m);
  d->running = true;
  return kMidiOk;
}

uint32_t MidiStreamPause(MidiStream d) {
  if (!d) return kMidiErrInvalidHandle;
  std::lock_guard<std::mutex> g(d->m);
  if (d->running) d->NotesOff();
  d->running = false;
  return kMidiOk;
}

uint32_t MidiStreamStop(MidiStream d) {
  if (!d) return kMidiErrInvalidHandle;
  std::lock_guard<std::mutex> g(d->m);
  d->running = false;
  d->NotesOff();
  d->ReturnAll();
  d->outboxReady.notify_one();
  return kMidiOk;
}

uint32_t MidiOutReset(MidiStream d) { return MidiStreamStop(d); }

uint32_t MidiStreamClose(MidiStream d) {
  if (!d) return kMidiErrInvalidHandle;
  RemoveStream(d->mixerStream);  // the fill function is done with d from here on
  if (d->audioOpened) CloseAudio();
  {
    std::lock_guard<std::mutex> g(d->m);
    d->running = false;
    d->NotesOff();
    d->ReturnAll();
    d->Notify(kMomClose, nullptr);
    d->closing = true;
    d->outboxReady.notify_one();
  }
  d->poster.join();
  if (d->synth) ReleaseSynth(d->synth);
  delete d;
  return kMidiOk;
}

void MidiStreamWaitForCallbacks(MidiStream d, bool wait) {
  if (!d) return;
  std::lock_guard<std::mutex> g(d->m);
  d->waitForCallbacks = wait;
  d->callbackHandled.notify_all();
}

void MidiStreamCallbackDone(MidiStream d) {
  if (!d) return;
  std::lock_guard<std::mutex> g(d->m);
  ++d->callbacksHandled;
  d->callbackHandled.notify_all();
}

std::string MidiErrorText(uint32_t code) {
  switch (code) {
    case kMidiOk: return "エラーはありません。";
    case kMidiErrInvalidHandle: return "指定されたデバイス ハンドルは無効です。";
    case kMidiErrNoMemory: return "メモリが不足しています。";
    case kMidiErrInvalidParam: return "パラメータが無効です。";
    case kMidiErrUnprepared: return "ヘッダーが準備されていません。";
    case kMidiErrStillPlaying: return "バッファはまだ再生中です。";
    default: return "不明なエラーです。";
  }
}

void SetMidiSoundFont(const std::string& osPath) {
  SynthPool& pool = Pool();
  std::lock_guard<std::mutex> g(pool.m);
  if (pool.font == osPath) return;
  pool.font = osPath;
  pool.reported = false;
  pool.report.clear();
}

std::string MidiSoundFont() {
  SynthPool& pool = Pool();
  std::lock_guard<std::mutex> g(pool.m);
  return pool.font;
}

bool TakeMidiSynthReport(std::string* line) {
  SynthPool& pool = Pool();
  std::lock_guard<std::mutex> g(pool.m);
  if (pool.report.empty()) return false;
  if (line) *line = pool.report;
  pool.report.clear();
  return true;
}

void SetMidiEventObserverForTest(MidiEventObserver observer) {
  std::lock_guard<std::mutex> g(Hook().lock);
  Hook().observer = std::move(observer);
}

}  // namespace plat
