// The options screen through the real program run headless: a changed
// volume is saved in Option.dat and heard at once, values wrap at their
// ends, cancel restores a value, music switched off or on takes effect on
// leaving, and a damaged Option.dat does not close the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/wave_bytes.h"
#include "title_test_project.h"

using t4test::ReadFile;

namespace {

constexpr int kSamplesPerFrame = 735;  // 44,100 Hz at 60 frames a second

class OptionScene : public t4test::FrontEndProject {
 protected:
  // The title's sixth item opens the options; the screen is up by frame 80.
  static std::string ToOptions() { return "20 DOWN\n24 DOWN\n28 DOWN\n32 DOWN\n36 DOWN\n45 Z\n"; }

  // Peak of the left channel over frames [from, to) of a captured run.
  static int Peak(const std::string& wav, int from, int to) {
    int peak = 0;
    for (size_t i = static_cast<size_t>(from) * kSamplesPerFrame; i < static_cast<size_t>(to) * kSamplesPerFrame; ++i) {
      const size_t at = 44 + i * 4;
      if (at + 2 > wav.size()) break;
      const auto v = static_cast<int16_t>(static_cast<uint8_t>(wav[at]) | static_cast<uint8_t>(wav[at + 1]) << 8);
      peak = std::max(peak, std::abs(int{v}));
    }
    return peak;
  }
};

TEST_F(OptionScene, VolumeTenToFiveIsSavedAndTheNextSoundIsPlayedQuieter) {
  // The confirm sound: 40 ms of a 441 Hz sine at 16,000, shorter than the
  // gaps between presses; every other system sound is silent.
  wave_test::Bytes data;
  for (int i = 0; i < 1764; ++i)
    wave_test::Put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(16000 * std::sin(2 * M_PI * i / 100)))));
  const wave_test::Bytes wave = wave_test::Riff({wave_test::Fmt(1, 1, 44100, 16), wave_test::Chunk("data", data)});
  ASSERT_TRUE(dir.MakeFile("wave/Confirm.wav", std::string(wave.begin(), wave.end())));
  EditSystem([](cSystemData& s) { s.m_vecSoundFile.At(1) = "wave\\Confirm.wav"; });
  EditOptions([](cOptionData& o) {
    o.m_nSeVolume = 10;
    o.m_bMusic = 0;
  });
  // The third item (volume): confirm, down five times, confirm, then leave.
  Run(200,
      ToOptions() + "80 DOWN\n84 DOWN\n90 Z\n100 DOWN\n104 DOWN\n108 DOWN\n112 DOWN\n116 DOWN\n130 Z\n150 X\n", "",
      {"--audio-out", "sound.wav"});
  EXPECT_EQ(SavedOptions().m_nSeVolume, 5);

  const std::string wav = ReadFile(dir / "sound.wav");
  ASSERT_EQ(wav.size(), 44u + 200u * kSamplesPerFrame * 4);
  const int before = Peak(wav, 88, 100);  // confirming the item, at step 10
  const int after = Peak(wav, 128, 140);  // confirming the value, at step 5
  EXPECT_EQ(before, 16000);
  // Step 5 is -500 hundredths of a decibel against step 10's 0: the gain
  // 10^(-500 / 2000).
  EXPECT_NEAR(static_cast<double>(after) / before, std::pow(10.0, -500 / 2000.0), 0.001);
  // Nothing else sounded while the value changed.
  EXPECT_EQ(Peak(wav, 100, 128), 0);
}

TEST_F(OptionScene, ValuesWrapAtTheirEndsAndCancelRestoresTheOldOne) {
  // A damaged entry mode that no text exists for must not close the game.
  EditOptions([](cOptionData& o) {
    o.m_nColorSet = 23;
    o.m_nSeVolume = 0;
    o.m_bMusic = 1;
    o.m_nEntryMode = 99;
  });
  Run(220, ToOptions() +
               // Colour set: up from 23 gives 0, kept.
               "80 Z\n85 UP\n90 Z\n"
               // Volume: down from 0 gives 10, then cancelled.
               "100 DOWN\n104 DOWN\n110 Z\n115 DOWN\n120 X\n"
               // Music: up from on (1) wraps to off (0), kept; then leave.
               "130 UP\n135 Z\n140 UP\n145 Z\n155 X\n");
  EXPECT_EQ(FramesShown(), 220u);
  EXPECT_EQ(Report().find("err V"), std::string::npos) << Report();
  const cOptionData saved = SavedOptions();
  EXPECT_EQ(saved.m_nColorSet, 0);
  EXPECT_EQ(saved.m_nSeVolume, 0);
  EXPECT_EQ(saved.m_bMusic, 0);
  EXPECT_EQ(saved.m_nEntryMode, 99);
  // With the music off the title that follows plays none: its request
  // reaches no player.
  EXPECT_EQ(MusicRequests(0), 1);
  EXPECT_EQ(MusicRequests(3), 1);
}

TEST_F(OptionScene, MusicSwitchedOnPlaysTheTitleMusicAgainOnLeaving) {
  EditOptions([](cOptionData& o) { o.m_bMusic = 0; });
  // The second item (music): up from off to on, kept; then leave.
  Run(200, ToOptions() + "80 DOWN\n90 Z\n95 UP\n100 Z\n110 X\n");
  EXPECT_EQ(SavedOptions().m_bMusic, 1);
  // Without music no request reaches a player until the title asks again.
  EXPECT_EQ(MusicRequests(3), 0);
  EXPECT_EQ(MusicRequests(0), 1) << Report();
}

}  // namespace
