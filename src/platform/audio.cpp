#include "platform/audio.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/video.h"

namespace plat {
namespace {

// The PCM of a voice, converted once to the mixer's rate and layout.
struct Pcm {
  std::vector<int16_t> samples;  // interleaved stereo
  uint32_t frames = 0;
};

struct Voice {
  std::shared_ptr<const Pcm> pcm;
  uint32_t pos = 0;
  bool playing = false;
  bool loop = false;
  int volume = 0;
  int32_t gain = 65536;  // Q16
};

struct Stream {
  StreamFill fill;
  int volume = 0;
  int32_t gain = 65536;
};

constexpr int kChunkFrames = 1024;
// A sound effect longer than this (about 12 minutes) is refused rather than
// allowed to exhaust memory.
constexpr uint64_t kMaxPcmFrames = uint64_t{1} << 25;
constexpr uint32_t kWavHeaderBytes = 44;

struct Mixer {
  std::mutex mu;
  std::map<int, Voice> voices;
  int nextVoice = 1;
  std::map<int, Stream> streams;
  int nextStream = 1;
  std::vector<int32_t> acc = std::vector<int32_t>(kChunkFrames * 2);
  std::vector<int16_t> scratch = std::vector<int16_t>(kChunkFrames * 2);
  FILE* capture = nullptr;
  uint32_t captureBytes = 0;
  uint64_t headlessFrames = 0;
};

Mixer& M() {
  // Never destroyed: the device callback may still run while the process ends.
  static Mixer* m = new Mixer;
  return *m;
}

struct Device {
  std::mutex mu;
  int openCount = 0;
  SDL_AudioDeviceID id = 0;
};

Device& D() {
  static Device* d = new Device;
  return *d;
}

int ClampVolume(int v) { return std::clamp(v, kVolumeMin, kVolumeMax); }

int32_t GainQ16(int v) {
  return static_cast<int32_t>(std::lround(VolumeToGain(v) * 65536.0));
}

inline int32_t Scale(int32_t sample, int32_t gainQ16) {
  return static_cast<int32_t>((static_cast<int64_t>(sample) * gainQ16 + 0x8000) >> 16);
}

void PutLE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

void WriteCaptureHeader(FILE* f, uint32_t dataBytes) {
  uint8_t h[kWavHeaderBytes] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0};
  PutLE32(h + 4, 36 + dataBytes);
  PutLE32(h + 24, kAudioRate);
  PutLE32(h + 28, kAudioRate * 4);
  h[32] = 4;
  h[34] = 16;
  std::memcpy(h + 36, "data", 4);
  PutLE32(h + 40, dataBytes);
  std::fseek(f, 0, SEEK_SET);
  std::fwrite(h, 1, sizeof h, f);
  std::fseek(f, 0, SEEK_END);
}

// Under the mixer lock.
void AppendCapture(Mixer& m, const int16_t* out, int frames) {
  if (!m.capture) return;
  uint32_t bytes = static_cast<uint32_t>(frames) * 4;
  if (m.captureBytes > 0xFFFFFFFFu - 36 - bytes) return;  // a WAV file ends at 4 GiB
  uint8_t le[kChunkFrames * 4];
  for (int i = 0; i < frames * 2; ++i) {
    uint16_t s = static_cast<uint16_t>(out[i]);
    le[i * 2] = static_cast<uint8_t>(s);
    le[i * 2 + 1] = static_cast<uint8_t>(s >> 8);
  }
  std::fwrite(le, 1, bytes, m.capture);
  m.captureBytes += bytes;
  WriteCaptureHeader(m.capture, m.captureBytes);
  std::fflush(m.capture);
}

// Under the mixer lock; frames <= kChunkFrames.
void MixChunk(Mixer& m, int16_t* out, int frames) {
  int32_t* acc = m.acc.data();
  std::fill(acc, acc + frames * 2, 0);
  for (auto& [id, v] : m.voices) {
    if (!v.playing) continue;
    const Pcm& pcm = *v.pcm;
    const int16_t* s = pcm.samples.data();
    uint32_t pos = v.pos;
    int i = 0;
    while (i < frames) {
      if (pos >= pcm.frames) {
        if (v.loop && pcm.frames > 0) {
          pos = 0;
        } else {
          v.playing = false;
          break;
        }
      }
      uint32_t run = std::min<uint32_t>(static_cast<uint32_t>(frames - i), pcm.frames - pos);
      const int16_t* src = s + static_cast<size_t>(pos) * 2;
      int32_t* dst = acc + i * 2;
      for (uint32_t k = 0; k < run * 2; ++k) dst[k] += Scale(src[k], v.gain);
      i += static_cast<int>(run);
      pos += run;
    }
    v.pos = pos;
    if (!v.loop && pos >= pcm.frames) v.playing = false;
  }
  for (auto& [id, st] : m.streams) {
    int16_t* buf = m.scratch.data();
    std::fill(buf, buf + frames * 2, int16_t{0});
    if (st.fill) st.fill(buf, frames);
    for (int k = 0; k < frames * 2; ++k) acc[k] += Scale(buf[k], st.gain);
  }
  for (int k = 0; k < frames * 2; ++k) {
    out[k] = static_cast<int16_t>(std::clamp<int32_t>(acc[k], -32768, 32767));
  }
  AppendCapture(m, out, frames);
}

void SDLCALL DeviceCallback(void*, Uint8* stream, int len) {
  MixAudio(reinterpret_cast<int16_t*>(stream), len / 4);
}

// One source sample as a signed 16-bit value.
inline int16_t ReadSample(const uint8_t* p, int bytesPerSample) {
  switch (bytesPerSample) {
    case 1: return static_cast<int16_t>((p[0] - 128) * 256);
    case 2: return static_cast<int16_t>(p[0] | (p[1] << 8));
    case 3: return static_cast<int16_t>(p[1] | (p[2] << 8));
    default: return static_cast<int16_t>(p[2] | (p[3] << 8));
  }
}

}  // namespace

double VolumeToGain(int hundredthsDb) {
  return std::pow(10.0, ClampVolume(hundredthsDb) / 2000.0);
}

// --- device ------------------------------------------------------------------

bool OpenAudio(std::string* error) {
  Device& d = D();
  std::lock_guard<std::mutex> lk(d.mu);
  if (d.openCount > 0) {
    ++d.openCount;
    return true;
  }
  if (!IsHeadless()) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      if (error) *error = SDL_GetError();
      return false;
    }
    SDL_AudioSpec want{};
    want.freq = kAudioRate;
    want.format = AUDIO_S16SYS;
    want.channels = kAudioChannels;
    want.samples = 1024;
    want.callback = DeviceCallback;
    SDL_AudioSpec have{};
    d.id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (d.id == 0) {
      if (error) *error = SDL_GetError();
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    SDL_PauseAudioDevice(d.id, 0);
  }
  d.openCount = 1;
  return true;
}

void CloseAudio() {
  Device& d = D();
  std::lock_guard<std::mutex> lk(d.mu);
  if (d.openCount == 0 || --d.openCount > 0) return;
  if (d.id != 0) {
    // Waits for a running callback; the mixer lock is not held here.
    SDL_CloseAudioDevice(d.id);
    d.id = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
}

bool IsAudioOpen() {
  Device& d = D();
  std::lock_guard<std::mutex> lk(d.mu);
  return d.openCount > 0;
}

int MixForFrame() {
  if (!IsHeadless()) return 0;
  Mixer& m = M();
  uint64_t n;
  {
    std::lock_guard<std::mutex> lk(m.mu);
    uint64_t i = m.headlessFrames++;
    n = (i + 1) * kAudioRate / kAudioFrameRate - i * kAudioRate / kAudioFrameRate;
  }
  std::vector<int16_t> buf(n * 2);
  MixAudio(buf.data(), static_cast<int>(n));
  return static_cast<int>(n);
}

bool SetAudioCaptureFile(const std::string& osPath) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  if (m.capture) {
    std::fclose(m.capture);
    m.capture = nullptr;
  }
  m.captureBytes = 0;
  if (osPath.empty()) return true;
  FILE* f = std::fopen(osPath.c_str(), "wb");
  if (!f) return false;
  WriteCaptureHeader(f, 0);
  if (std::fflush(f) != 0) {
    std::fclose(f);
    return false;
  }
  m.capture = f;
  return true;
}

void MixAudio(int16_t* out, int frames) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  while (frames > 0) {
    int n = std::min(frames, kChunkFrames);
    MixChunk(m, out, n);
    out += n * 2;
    frames -= n;
  }
}

// --- voices -------------------------------------------------------------------

int CreateVoice(const PcmSource& src, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return 0;
  };
  if (src.channels != 1 && src.channels != 2) return fail("unsupported channel count");
  if (src.bitsPerSample != 8 && src.bitsPerSample != 16 && src.bitsPerSample != 24 &&
      src.bitsPerSample != 32)
    return fail("unsupported sample size");
  if (src.samplesPerSec < 100 || src.samplesPerSec > 200000)
    return fail("unsupported sample rate");
  if (src.bytes > 0 && !src.data) return fail("no sample data");
  const int bps = src.bitsPerSample / 8;
  const size_t block = static_cast<size_t>(bps) * src.channels;
  const uint64_t inFrames = src.bytes / block;
  const uint64_t rIn = static_cast<uint64_t>(src.samplesPerSec);
  const uint64_t rOut = kAudioRate;
  const uint64_t outFrames = inFrames == 0 ? 0 : std::max<uint64_t>(1, inFrames * rOut / rIn);
  if (outFrames > kMaxPcmFrames) return fail("sound too long");

  auto pcm = std::make_shared<Pcm>();
  pcm->frames = static_cast<uint32_t>(outFrames);
  pcm->samples.resize(outFrames * 2);
  const uint8_t* in = static_cast<const uint8_t*>(src.data);
  auto sampleAt = [&](uint64_t frame, int ch) -> int32_t {
    const uint8_t* p = in + frame * block + static_cast<size_t>(src.channels == 2 ? ch : 0) * bps;
    return ReadSample(p, bps);
  };
  for (uint64_t j = 0; j < outFrames; ++j) {
    // Linear interpolation in exact integer steps: equal rates copy as they are.
    uint64_t num = j * rIn;
    uint64_t idx = num / rOut;
    int64_t frac = static_cast<int64_t>((num % rOut) * 65536 / rOut);
    uint64_t next = std::min(idx + 1, inFrames - 1);
    for (int ch = 0; ch < 2; ++ch) {
      int64_t a = sampleAt(idx, ch);
      int64_t b = sampleAt(next, ch);
      pcm->samples[j * 2 + ch] = static_cast<int16_t>(a + (((b - a) * frac) >> 16));
    }
  }

  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  int id = m.nextVoice++;
  Voice& v = m.voices[id];
  v.pcm = std::move(pcm);
  return id;
}

int DuplicateVoice(int voice) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  if (it == m.voices.end()) return 0;
  std::shared_ptr<const Pcm> pcm = it->second.pcm;
  int id = m.nextVoice++;
  m.voices[id].pcm = std::move(pcm);
  return id;
}

void ReleaseVoice(int voice) {
  Mixer& m = M();
  std::shared_ptr<const Pcm> last;  // freed outside the lock
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  if (it == m.voices.end()) return;
  last = std::move(it->second.pcm);
  m.voices.erase(it);
}

bool PlayVoice(int voice, bool loop) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  if (it == m.voices.end()) return false;
  it->second.playing = true;
  it->second.loop = loop;
  return true;
}

bool StopVoice(int voice) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  if (it == m.voices.end()) return false;
  it->second.playing = false;
  return true;
}

bool SetVoicePosition(int voice, uint32_t frame) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  if (it == m.voices.end()) return false;
  it->second.pos = std::min(frame, it->second.pcm->frames);
  return true;
}

uint32_t GetVoicePosition(int voice) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  return it == m.voices.end() ? 0 : it->second.pos;
}

int GetVoiceStatus(int voice) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  if (it == m.voices.end() || !it->second.playing) return 0;
  return kVoicePlaying | (it->second.loop ? kVoiceLooping : 0);
}

int SetVoiceVolume(int voice, int hundredthsDb) {
  int v = ClampVolume(hundredthsDb);
  int32_t g = GainQ16(v);
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  if (it == m.voices.end()) return 0;
  it->second.volume = v;
  it->second.gain = g;
  return v;
}

int GetVoiceVolume(int voice) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  return it == m.voices.end() ? 0 : it->second.volume;
}

uint32_t GetVoiceLength(int voice) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.voices.find(voice);
  return it == m.voices.end() ? 0 : it->second.pcm->frames;
}

// --- streams ---------------------------------------------------------------------

int AddStream(StreamFill fill) {
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  int id = m.nextStream++;
  m.streams[id].fill = std::move(fill);
  return id;
}

void SetStreamVolume(int stream, int hundredthsDb) {
  int v = ClampVolume(hundredthsDb);
  int32_t g = GainQ16(v);
  Mixer& m = M();
  std::lock_guard<std::mutex> lk(m.mu);
  auto it = m.streams.find(stream);
  if (it == m.streams.end()) return;
  it->second.volume = v;
  it->second.gain = g;
}

void RemoveStream(int stream) {
  Mixer& m = M();
  StreamFill doomed;  // destroyed outside the lock: it may own the player
  {
    std::lock_guard<std::mutex> lk(m.mu);
    auto it = m.streams.find(stream);
    if (it == m.streams.end()) return;
    doomed = std::move(it->second.fill);
    m.streams.erase(it);
  }
}

std::unique_lock<std::mutex> LockMixer() { return std::unique_lock<std::mutex>(M().mu); }

}  // namespace plat
