#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/audio.h"
#include "support/temp_folder.h"
#include "platform/video.h"

namespace {

// Voices and streams made by a test are removed when it ends, so the global
// mixer is clean for the next one.
class AudioMixer : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int v : voices_) plat::ReleaseVoice(v);
    for (int s : streams_) plat::RemoveStream(s);
  }
  // A 16-bit voice at the mixer's rate whose every frame is (left, right).
  int ConstantVoice(int16_t left, int16_t right, int frames) {
    std::vector<int16_t> pcm;
    for (int i = 0; i < frames; ++i) {
      pcm.push_back(left);
      pcm.push_back(right);
    }
    plat::PcmSource src{pcm.data(), pcm.size() * 2, 2, 16, plat::kAudioRate};
    int v = plat::CreateVoice(src, nullptr);
    EXPECT_GT(v, 0);
    voices_.push_back(v);
    return v;
  }
  int Track(int voice) {
    voices_.push_back(voice);
    return voice;
  }
  std::vector<int16_t> Mix(int frames) {
    std::vector<int16_t> out(frames * 2, 12345);
    plat::MixAudio(out.data(), frames);
    return out;
  }
  std::vector<int> voices_;
  std::vector<int> streams_;
};

TEST_F(AudioMixer, GainFollowsHundredthsOfADecibel) {
  EXPECT_DOUBLE_EQ(plat::VolumeToGain(0), 1.0);
  EXPECT_NEAR(plat::VolumeToGain(-2000), 0.1, 1e-12);
  EXPECT_NEAR(plat::VolumeToGain(-600), 0.501187, 1e-6);
  EXPECT_NEAR(plat::VolumeToGain(-10000), 1e-5, 1e-12);
  EXPECT_DOUBLE_EQ(plat::VolumeToGain(500), 1.0);  // clamped to full

  struct Case {
    int volume;
    int16_t expected;
  } cases[] = {{0, 10000}, {-2000, 1000}, {-4000, 100}, {-10000, 0}, {-20000, 0}};
  int v = ConstantVoice(10000, -10000, 64);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.volume);
    plat::SetVoiceVolume(v, c.volume);
    plat::SetVoicePosition(v, 0);
    plat::PlayVoice(v, false);
    std::vector<int16_t> out = Mix(4);
    EXPECT_EQ(out[0], c.expected);
    EXPECT_EQ(out[1], -c.expected);
  }
  EXPECT_EQ(plat::SetVoiceVolume(v, -20000), plat::kVolumeMin);
  EXPECT_EQ(plat::GetVoiceVolume(v), plat::kVolumeMin);
}

TEST_F(AudioMixer, VoicesAddUpAndClipAtTheSampleLimits) {
  int a = ConstantVoice(30000, -30000, 16);
  int b = ConstantVoice(30000, -30000, 16);
  int c = ConstantVoice(-1000, 1000, 16);
  for (int v : {a, b, c}) plat::PlayVoice(v, false);
  std::vector<int16_t> out = Mix(2);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], -32768);
  plat::StopVoice(a);
  out = Mix(2);
  EXPECT_EQ(out[0], 29000);
  EXPECT_EQ(out[1], -29000);
}

TEST_F(AudioMixer, AVoiceStopsAtItsEndUnlessLooping) {
  int v = ConstantVoice(100, 100, 10);
  plat::PlayVoice(v, false);
  std::vector<int16_t> out = Mix(16);
  EXPECT_EQ(out[9 * 2], 100);
  EXPECT_EQ(out[10 * 2], 0);
  EXPECT_EQ(plat::GetVoiceStatus(v), 0);

  plat::SetVoicePosition(v, 0);
  plat::PlayVoice(v, true);
  EXPECT_EQ(plat::GetVoiceStatus(v), plat::kVoicePlaying | plat::kVoiceLooping);
  out = Mix(25);
  for (int i = 0; i < 25; ++i) ASSERT_EQ(out[i * 2], 100) << i;
  EXPECT_EQ(plat::GetVoicePosition(v), 5u);
}

TEST_F(AudioMixer, ADuplicateIsAnotherVoiceOnTheSamePcm) {
  std::vector<int16_t> pcm;
  for (int i = 0; i < 8; ++i) pcm.push_back(static_cast<int16_t>(1000 * (i + 1)));
  plat::PcmSource src{pcm.data(), pcm.size() * 2, 1, 16, plat::kAudioRate};
  int v = Track(plat::CreateVoice(src, nullptr));
  int d = Track(plat::DuplicateVoice(v));
  ASSERT_GT(d, 0);
  EXPECT_NE(d, v);
  EXPECT_EQ(plat::GetVoiceLength(d), 8u);
  plat::SetVoicePosition(v, 2);
  plat::PlayVoice(v, false);
  plat::PlayVoice(d, false);
  std::vector<int16_t> out = Mix(1);
  EXPECT_EQ(out[0], 3000 + 1000);  // mono reaches both sides
  EXPECT_EQ(out[1], 3000 + 1000);
  // Releasing the original leaves the duplicate's PCM alive.
  plat::ReleaseVoice(v);
  out = Mix(1);
  EXPECT_EQ(out[0], 2000);
  EXPECT_EQ(plat::DuplicateVoice(v), 0);
}

TEST_F(AudioMixer, ConvertsSampleFormatsAndRatesAtLoad) {
  // 8-bit unsigned mono at half the mixer's rate: each frame becomes two,
  // the second interpolated halfway to the next.
  const uint8_t pcm8[] = {128, 192, 64};
  plat::PcmSource src{pcm8, sizeof pcm8, 1, 8, plat::kAudioRate / 2};
  int v = Track(plat::CreateVoice(src, nullptr));
  ASSERT_GT(v, 0);
  EXPECT_EQ(plat::GetVoiceLength(v), 6u);
  plat::PlayVoice(v, false);
  std::vector<int16_t> out = Mix(6);
  const int16_t expected[] = {0, 8192, 16384, 0, -16384, -16384};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(out[i * 2], expected[i]) << i;

  struct Bad {
    int channels, bits, rate;
  } bad[] = {{3, 16, 44100}, {0, 16, 44100}, {2, 12, 44100}, {1, 16, 0}, {1, 16, 500000}};
  for (const Bad& b : bad) {
    plat::PcmSource s{pcm8, sizeof pcm8, b.channels, b.bits, b.rate};
    std::string error;
    EXPECT_EQ(plat::CreateVoice(s, &error), 0);
    EXPECT_FALSE(error.empty());
  }
  // A low rate is stretched at load; one that would stretch past the limit is refused.
  std::vector<uint8_t> longLow(80000, 128);
  plat::PcmSource low{longLow.data(), longLow.size(), 1, 8, 100};
  std::string error;
  EXPECT_EQ(plat::CreateVoice(low, &error), 0);
  EXPECT_EQ(error, "sound too long");
  low.bytes = 1000;
  int ok = Track(plat::CreateVoice(low, nullptr));
  EXPECT_EQ(plat::GetVoiceLength(ok), 441000u);
}

TEST_F(AudioMixer, HeadlessDeviceIsReferenceCounted) {
  bool wasHeadless = plat::IsHeadless();
  plat::SetHeadless(true);
  ASSERT_FALSE(plat::IsAudioOpen());
  EXPECT_TRUE(plat::OpenAudio(nullptr));
  EXPECT_TRUE(plat::OpenAudio(nullptr));
  plat::CloseAudio();
  EXPECT_TRUE(plat::IsAudioOpen());
  plat::CloseAudio();
  EXPECT_FALSE(plat::IsAudioOpen());
  plat::CloseAudio();  // one too many is harmless
  EXPECT_FALSE(plat::IsAudioOpen());
  plat::SetHeadless(wasHeadless);
}

TEST_F(AudioMixer, StreamSourcesAreMixedWithTheirOwnVolume) {
  int calls = 0;
  int s = plat::AddStream([&](int16_t* stereo, int frames) {
    ++calls;
    for (int i = 0; i < frames; ++i) {
      stereo[i * 2] = 20000;
      stereo[i * 2 + 1] = -20000;
    }
  });
  streams_.push_back(s);
  int v = ConstantVoice(5000, 5000, 4096);
  plat::PlayVoice(v, false);
  std::vector<int16_t> out = Mix(3000);  // more than one mixing chunk
  EXPECT_GE(calls, 2);
  EXPECT_EQ(out[0], 25000);
  EXPECT_EQ(out[2999 * 2 + 1], -15000);
  plat::SetStreamVolume(s, -2000);
  out = Mix(1);
  EXPECT_EQ(out[0], 7000);
  plat::RemoveStream(s);
  int before = calls;
  out = Mix(1);
  EXPECT_EQ(calls, before);
  EXPECT_EQ(out[0], 5000);
}

TEST_F(AudioMixer, HeadlessFramesMixASixtiethOfASecondIntoTheCapture) {
  bool wasHeadless = plat::IsHeadless();
  plat::SetHeadless(true);
  t4test::TempFolder folder;
  std::filesystem::path file = folder / "capture.wav";
  ASSERT_TRUE(plat::SetAudioCaptureFile(file.string()));
  int v = ConstantVoice(-7, 9, 100000);
  plat::PlayVoice(v, false);
  int total = 0;
  for (int i = 0; i < 60; ++i) {
    int n = plat::MixForFrame();
    EXPECT_EQ(n, 735);
    total += n;
  }
  EXPECT_EQ(total, plat::kAudioRate);
  ASSERT_TRUE(plat::SetAudioCaptureFile(""));
  plat::SetHeadless(wasHeadless);

  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  ASSERT_EQ(bytes.size(), 44u + 44100u * 4);
  auto le32 = [&](size_t o) {
    return bytes[o] | bytes[o + 1] << 8 | bytes[o + 2] << 16 | static_cast<uint32_t>(bytes[o + 3]) << 24;
  };
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(le32(4), 36u + 44100u * 4);
  EXPECT_EQ(le32(24), 44100u);
  EXPECT_EQ(le32(40), 44100u * 4);
  EXPECT_EQ(static_cast<int16_t>(bytes[44] | bytes[45] << 8), -7);
  EXPECT_EQ(static_cast<int16_t>(bytes[46] | bytes[47] << 8), 9);
}

TEST_F(AudioMixer, OutsideHeadlessRunsTheFrameClockMixesNothing) {
  bool wasHeadless = plat::IsHeadless();
  plat::SetHeadless(false);
  EXPECT_EQ(plat::MixForFrame(), 0);
  plat::SetHeadless(wasHeadless);
}

}  // namespace
