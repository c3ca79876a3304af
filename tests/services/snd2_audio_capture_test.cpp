// Headless runs write what the mixer played, one presented frame at a time,
// to a WAV file; these tests read that file back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/midi_device.h"
#include "platform/ogg_loader.h"
#include "platform/video.h"
#include "services/bgm.h"
#include "services/sound.h"
#include "services/wave.h"
#include "support/music_test_support.h"
#include "support/ogg_writer.h"
#include "support/wave_bytes.h"

namespace {

using music_test::operator+;
using music_test::Ev;
using music_test::EndOfTrack;
using music_test::Header;
using music_test::Track;
using music_test::U8;

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

class AudioCapture : public music_test::MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    plat::SetVoxLibraryPath(T4_VOX_LIBRARY_PATH);
    std::memcpy(ogg_, g_szBgmOggFile, sizeof ogg_);
    std::memcpy(midi_, g_szBgmMidiFile, sizeof midi_);
  }
  void TearDown() override {
    bgm_.Release();
    plat::SetAudioCaptureFile("");
    DS_UnInit();
    plat::SetVoxLibraryPath("");
    plat::SetMidiSoundFont(kSoundFont);
    MusicTest::TearDown();
  }

  // Captures `frames` presented frames after `start` into a file and returns
  // its samples (interleaved stereo), read back with the wave reader.
  template <typename Start>
  std::vector<int16_t> Capture(const std::string& name, int frames, Start start) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(plat::SetAudioCaptureFile(path));
    start();
    int mixed = 0;
    for (int i = 0; i < frames; ++i) mixed += plat::MixForFrame();
    EXPECT_EQ(mixed, frames * plat::kAudioRate / plat::kAudioFrameRate);
    plat::SetAudioCaptureFile("");
    WAVEDATA w{};
    EXPECT_TRUE(LoadWaveFile(path.c_str(), &w));
    if (!w.pData) return {};
    EXPECT_EQ(w.wf.nChannels, 2);
    EXPECT_EQ(w.wf.wBitsPerSample, 16);
    EXPECT_EQ(w.wf.nSamplesPerSec, static_cast<uint32_t>(plat::kAudioRate));
    EXPECT_EQ(w.dwSize, static_cast<uint32_t>(mixed) * 4);
    std::vector<int16_t> samples(w.dwSize / 2);
    std::memcpy(samples.data(), w.pData, samples.size() * 2);
    FreeWaveData(&w);
    return samples;
  }
  static int Peak(const std::vector<int16_t>& samples) {
    int peak = 0;
    for (int16_t v : samples) peak = std::max(peak, std::abs(int{v}));
    return peak;
  }
  int InitBgm() { return bgm_.Init(1, ogg_, midi_, kBgmSlotCount); }

  cBgmManager bgm_;
  char ogg_[kBgmSlotCount][kBgmOggNameSize];
  char midi_[kBgmSlotCount][kBgmMidiNameSize];
};

TEST_F(AudioCapture, SoundEffectAmplitudeFollowsTheVolumeOption) {
  // 0.1 s of a 441 Hz sine at 16,000, 16-bit mono at the mixer's rate.
  std::vector<int16_t> sine(4410);
  for (size_t i = 0; i < sine.size(); ++i)
    sine[i] = static_cast<int16_t>(std::lround(16000 * std::sin(2 * M_PI * static_cast<double>(i) / 100)));
  wave_test::Bytes data;
  for (int16_t v : sine) wave_test::Put16(data, static_cast<uint16_t>(v));
  const std::string wave = Write("se.wav", wave_test::Riff({wave_test::Fmt(1, 1, 44100, 16), wave_test::Chunk("data", data)}));

  int peaks[11] = {};
  for (int option : {10, 5}) {
    SCOPED_TRACE(option);
    ASSERT_TRUE(DS_Init(nullptr, 22050, 8, 1));
    DSSOUNDDEF def{};
    std::strncpy(def.szFileName, wave.c_str(), sizeof def.szFileName - 1);
    def.nBufferNum = 2;
    std::vector<DSSOUNDDEF> defs{def};
    std::vector<DSSOUNDDATA> slots(1);
    ASSERT_EQ(DSCreate(&slots, &defs, g_SoundVolumeTable[option]), 1);
    const std::vector<int16_t> out =
        Capture("se" + std::to_string(option) + ".wav", 10, [&] { DSPlay(&slots[0], 0); });
    peaks[option] = Peak(out);
    // Mono plays on both sides alike, and the sound is over within 6 frames.
    for (size_t i = 0; i + 1 < out.size(); i += 2) ASSERT_EQ(out[i], out[i + 1]) << i;
    for (size_t i = 2 * 4410; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
    DS_UnInit();
  }
  EXPECT_EQ(peaks[10], 16000);
  // -500 hundredths of a decibel against 0: 10^(-500/2000).
  const double expected = std::pow(10.0, (g_SoundVolumeTable[5] - g_SoundVolumeTable[10]) / 2000.0);
  EXPECT_NEAR(static_cast<double>(peaks[5]) / peaks[10], expected, 0.0005);
  EXPECT_EQ(TakeReport(), "");
}

TEST_F(AudioCapture, OggTitleMusicSoundsWithinThirtyFrames) {
  if (!music_test::CanWriteOgg()) GTEST_SKIP() << "libvorbisenc not available";
  const std::string tone = (dir_ / "Title.ogg").string();
  ASSERT_TRUE(music_test::WriteOggTone(tone, 44100, 2, 44100));
  ASSERT_EQ(InitBgm(), 1);
  ASSERT_EQ(bgm_.SetFile(0, tone.c_str()), 1);
  const std::vector<int16_t> out = Capture("ogg.wav", 30, [&] { EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1); });
  EXPECT_GT(Peak(out), 1000);
  EXPECT_EQ(TakeReport(), "");
}

TEST_F(AudioCapture, MidiTitleMusicSoundsWithinThirtyFrames) {
  if (!std::filesystem::exists(kSoundFont)) GTEST_SKIP() << "no " << kSoundFont;
  plat::SetMidiSoundFont(kSoundFont);
  const std::string song =
      Write("Title.mid", Header(0, 1, 96) + Track(Ev(0, {0xC0, 0x00}) + Ev(0, {0x90, 0x45, 0x7F}) + EndOfTrack(960)));
  ASSERT_EQ(InitBgm(), 1);
  ASSERT_EQ(bgm_.SetFile(0, song.c_str()), 1);
  const std::vector<int16_t> out = Capture("midi.wav", 30, [&] { EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1); });
  EXPECT_GT(Peak(out), 500);
  EXPECT_EQ(TakeReport(), "");
}

// A machine whose sound device will not open: one report line, and the game
// goes on without sound.
TEST_F(AudioCapture, ADeviceThatWillNotOpenLeavesTheGameMuted) {
  const char* oldDriver = std::getenv("SDL_AUDIODRIVER");
  const std::string saved = oldDriver ? oldDriver : "";
  setenv("SDL_AUDIODRIVER", "t4-no-such-driver", 1);
  plat::SetHeadless(false);

  // Start-up goes on: the sound set-up counts as done.
  EXPECT_TRUE(DS_Init(nullptr, 22050, 8, 1));
  EXPECT_EQ(g_lpDS, nullptr);
  EXPECT_FALSE(plat::IsAudioOpen());
  const std::string report = TakeReport();
  EXPECT_EQ(report.rfind(U8(u8"サウンドデバイスを開けません（"), 0), 0u) << report;
  EXPECT_NE(report.find(U8(u8"）。音を出さずに続けます。\n")), std::string::npos) << report;
  EXPECT_EQ(CountLines(report), 1);

  // Every sound call is a harmless no-op.
  const std::string wave = Write("se.wav", wave_test::Riff({wave_test::Fmt(1, 1, 44100, 16),
                                                            wave_test::Chunk("data", wave_test::Samples16({1, 2}))}));
  DSSOUNDDEF def{};
  std::strncpy(def.szFileName, wave.c_str(), sizeof def.szFileName - 1);
  def.nBufferNum = 3;
  std::vector<DSSOUNDDEF> defs{def};
  std::vector<DSSOUNDDATA> slots(1);
  EXPECT_EQ(DSCreate(&slots, &defs, g_SoundVolumeTable[5]), 1);
  EXPECT_EQ(slots[0].lpBuffers, nullptr);
  DSPlay(&slots[0], 0);
  DSPlay(&slots[0], DSBPLAY_LOOPING);
  EXPECT_EQ(DSSetVolume(&slots[0], 0, -300, 1), 0);
  EXPECT_EQ(DSGetVolume(&slots[0], 0), 0);
  g_vecSound = slots;
  const uint16_t dir = 15;
  PlayCursorSE(&dir, 3, 0);
  g_vecSound.clear();
  EXPECT_EQ(plat::MixForFrame(), 0);
  DS_UnInit();

  // Music starts and stops into no device without hanging.
  plat::SetMidiEventObserverForTest([](uint64_t, const uint8_t*, size_t) {});
  ASSERT_EQ(InitBgm(), 1);
  ASSERT_EQ(bgm_.SetFile(0, Write("Title.mid", Header(0, 1, 96) + Track(Ev(0, {0x90, 0x45, 0x7F}) + EndOfTrack(96)))
                                .c_str()),
            1);
  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1);
  if (music_test::CanWriteOgg()) {
    const std::string tone = (dir_ / "Stage.ogg").string();
    ASSERT_TRUE(music_test::WriteOggTone(tone, 22050, 1, 2205));
    ASSERT_EQ(bgm_.SetFile(4, tone.c_str()), 1);
    EXPECT_EQ(bgm_.Play(0, 4, 1, 0, 1), 1);
  }
  bgm_.Stop();
  bgm_.Release();
  plat::SetMidiEventObserverForTest(nullptr);
  EXPECT_EQ(TakeReport(), "");

  plat::SetHeadless(true);
  if (oldDriver) {
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  } else {
    unsetenv("SDL_AUDIODRIVER");
  }
}

}  // namespace
