// The audio device and our own mixer. One output (16-bit stereo at
// kAudioRate); sound effects play as voices on immutable PCM buffers, music
// players feed stream sources. Everything SDL stays behind this header.
//
// Volumes are hundredths of a decibel, -10000 (silence) .. 0 (full); the gain
// is 10^(v/2000).
//
// Threads: every function may be called from any thread. The mixer holds one
// lock while it mixes; stream fill functions run under that lock and must not
// call back into this header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace plat {

constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;
constexpr int kAudioFrameRate = 60;  // headless runs mix one presented frame at a time
constexpr int kVolumeMin = -10000;
constexpr int kVolumeMax = 0;

// --- device ------------------------------------------------------------------
// Opens the device on the first call (reference counted: sound effects and
// music each open and close it). Headless runs open no device: they mix off
// the frame clock through MixForFrame. False when the device cannot be opened.
bool OpenAudio(std::string* error);
void CloseAudio();
bool IsAudioOpen();

// Headless runs: mixes 1/kAudioFrameRate s of sound (735 frames at 44100 Hz;
// a remainder is carried to later frames) into the capture file, if any, and
// returns the number of frames mixed. Does nothing (0) outside headless runs,
// where the device pulls the sound itself. Called once per presented frame.
int MixForFrame();

// Writes everything mixed from now on to a 16-bit stereo WAV file (the
// header is kept up to date, so an abrupt end leaves a playable file). An
// empty path stops the capture. False when the file cannot be created.
bool SetAudioCaptureFile(const std::string& osPath);

// Mixes `frames` stereo frames of every playing voice and stream into `out`
// (interleaved left, right), advancing them. Used by the device callback and
// by MixForFrame; tests call it directly.
void MixAudio(int16_t* out, int frames);

// --- voices on PCM buffers -----------------------------------------------------
// Source PCM as stored in a wave file: 8-bit unsigned or 16/24/32-bit signed
// little-endian samples, 1 or 2 channels interleaved.
struct PcmSource {
  const void* data = nullptr;
  size_t bytes = 0;
  int channels = 0;
  int bitsPerSample = 0;
  int samplesPerSec = 0;
};

enum : int { kVoicePlaying = 1, kVoiceLooping = 4 };

// Converts the PCM to the mixer's format once and makes a stopped voice on
// it at full volume. Returns the voice id (> 0), or 0 when the format is not
// supported (channels other than 1 or 2, other sample sizes, a rate outside
// 100..200000 Hz, or a buffer too large).
int CreateVoice(const PcmSource& pcm, std::string* error);
// Another voice on the same PCM (the PCM is shared, not copied), stopped,
// at full volume. 0 when `voice` does not exist.
int DuplicateVoice(int voice);
// Stops and removes the voice; the PCM goes with its last voice.
void ReleaseVoice(int voice);

// Plays from the current position, once or looping. False for no such voice.
bool PlayVoice(int voice, bool loop);
bool StopVoice(int voice);
// Position in the voice's own PCM frames (at the mixer rate).
bool SetVoicePosition(int voice, uint32_t frame);
uint32_t GetVoicePosition(int voice);
// kVoicePlaying | kVoiceLooping bits; 0 when stopped or missing.
int GetVoiceStatus(int voice);
// Clamped to kVolumeMin..kVolumeMax; returns the stored value.
int SetVoiceVolume(int voice, int hundredthsDb);
int GetVoiceVolume(int voice);
// Length of the voice's PCM in mixer frames; 0 when missing.
uint32_t GetVoiceLength(int voice);

// --- stream sources (music) ------------------------------------------------------
// `fill` writes exactly `frames` interleaved stereo frames at kAudioRate
// (the buffer is zeroed before the call, so silence needs no writing). It is
// called from the mixing thread under the mixer lock. Returns the stream id
// (> 0). A new stream is at full volume.
using StreamFill = std::function<void(int16_t* stereo, int frames)>;
int AddStream(StreamFill fill);
// Clamped to kVolumeMin..kVolumeMax.
void SetStreamVolume(int stream, int hundredthsDb);
// After it returns, the fill function is not running and is never called again.
void RemoveStream(int stream);

// The mixer lock, for a stream owner that must change state its fill
// function reads without racing the mixer. Never hold it while calling the
// functions above.
std::unique_lock<std::mutex> LockMixer();

// Gain factor of a volume in hundredths of a decibel (1.0 at 0, 0.1 at -2000).
double VolumeToGain(int hundredthsDb);

}  // namespace plat
