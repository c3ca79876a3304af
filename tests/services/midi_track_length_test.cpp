// Tracks are read to their end-of-track event, not by the length their chunk
// declares: editors write wrong lengths, and such files must play every note
// they hold, while nothing past the file's end is ever read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/midi_device.h"
#include "services/midi.h"
#include "services/midi_stream.h"
#include "support/music_test_support.h"

namespace {

using namespace music_test;

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr const char* kSoundFontAgain = "/usr/share/sounds/sf2/./TimGM6mb.sf2";
constexpr int kFramesPerVideoFrame = plat::kAudioRate / plat::kAudioFrameRate;

// A tempo track, a melody of 40 notes on channel 0 and a bass of 10 notes on
// channel 1; the melody's chunk length is given separately so it can lie.
struct Song {
  Bytes tempo, melody, bass;

  Song() {
    tempo = Ev(0, {0xFF, 0x03, 0x04, 'm', 'a', 'i', 'n'}) + Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}) + EndOfTrack();
    melody = Ev(0, {0xC0, 0x00});
    for (int i = 0; i < 40; ++i) {
      const uint8_t note = static_cast<uint8_t>(60 + i % 12);
      melody = melody + Ev(i == 0 ? 0 : 6, {0x90, note, 0x60}) + Ev(6, {0x80, note, 0x40});
    }
    melody = melody + EndOfTrack(12);
    bass = Ev(0, {0xC1, 0x20});
    for (int i = 0; i < 10; ++i) bass = bass + Ev(i == 0 ? 0 : 24, {0x91, 36, 0x70}) + Ev(24, {36, 0x00});
    bass = bass + EndOfTrack();
  }
  // The whole file with the melody's chunk declaring `skew` bytes more (or
  // fewer) than it holds.
  Bytes File(int skew) const {
    const uint32_t declared = static_cast<uint32_t>(static_cast<int>(melody.size()) + skew);
    return Header(1, 3, 96) + Track(tempo) + Bytes{'M', 'T', 'r', 'k'} + BE32(declared) + melody + Track(bass);
  }
};

class MidiTrackLength : public MusicTest {
 protected:
  void TearDown() override {
    plat::SetMidiEventObserverForTest(nullptr);
    plat::SetMidiSoundFont(kSoundFont);
    MusicTest::TearDown();
  }
  // Converts from a heap block of exactly the file's size, so that the
  // sanitizer catches any read past its end.
  static Bytes Convert(const Bytes& file) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size()]);
    std::memcpy(exact.get(), file.data(), file.size());
    return cMidi::Convert("song.mid", exact.get(), file.size());
  }

  struct Played {
    uint64_t frame;
    Bytes bytes;
    bool operator==(const Played&) const = default;
  };
  // Every message the stream device plays over `frames` video frames.
  std::vector<Played> PlayEvents(const std::string& path, int frames) {
    std::vector<Played> played;
    plat::SetMidiEventObserverForTest([&played](uint64_t frame, const uint8_t* bytes, size_t length) {
      played.push_back({frame, Bytes(bytes, bytes + length)});
    });
    {
      cMidiStream stream(path.c_str());
      EXPECT_TRUE(stream.HasImage());
      stream.Restart(0);
      std::vector<int16_t> out(2 * kFramesPerVideoFrame);
      for (int i = 0; i < frames; ++i) plat::MixAudio(out.data(), kFramesPerVideoFrame);
    }
    plat::SetMidiEventObserverForTest(nullptr);
    return played;
  }
  // What the synthesizer makes of the file over `frames` video frames. The
  // synthesizer is made anew for each file (another spelling of the same
  // SoundFont's path), so no echo of the previous one is heard.
  std::vector<int16_t> PlayAudio(const std::string& path, int frames) {
    // Another name of the same font than the one set (by whichever test ran
    // before), so every render starts from a fresh synthesizer.
    plat::SetMidiSoundFont(plat::MidiSoundFont() == kSoundFont ? kSoundFontAgain : kSoundFont);
    std::vector<int16_t> all;
    cMidiStream stream(path.c_str());
    EXPECT_TRUE(stream.HasImage());
    stream.Restart(0);
    std::vector<int16_t> out(2 * kFramesPerVideoFrame);
    for (int i = 0; i < frames; ++i) {
      plat::MixAudio(out.data(), kFramesPerVideoFrame);
      all.insert(all.end(), out.begin(), out.end());
    }
    return all;
  }

  Song song_;
};

TEST_F(MidiTrackLength, AMelodyWhoseChunkLiesConvertsAsTheTrueFile) {
  const Bytes truth = Convert(song_.File(0));
  ASSERT_FALSE(truth.empty());
  EXPECT_EQ(TakeReport(), "");
  for (int skew : {-100, +100}) {
    SCOPED_TRACE(skew);
    EXPECT_EQ(Convert(song_.File(skew)), truth);
    EXPECT_EQ(TakeReport(), "");
  }
  // The declared length of the last track does not matter either, even when
  // it reaches past the file's end.
  const Bytes lastTooLong = Header(1, 2, 96) + Track(song_.tempo) + Bytes{'M', 'T', 'r', 'k'} +
                            BE32(static_cast<uint32_t>(song_.melody.size() + 100)) + song_.melody;
  const Bytes lastRight = Header(1, 2, 96) + Track(song_.tempo) + Track(song_.melody);
  EXPECT_EQ(Convert(lastTooLong), Convert(lastRight));
  EXPECT_EQ(TakeReport(), "");
}

TEST_F(MidiTrackLength, EveryNoteOfAMelodyWithAWrongLengthPlays) {
  const int frames = 40 * 12 * 30 / 96 + 30;  // 40 notes of 12 ticks, 96 ticks = 30 frames, and a rest
  const std::vector<Played> truth = PlayEvents(Write("truth.mid", song_.File(0)), frames);
  int melodyNotes = 0, bassNotes = 0;
  for (const Played& p : truth) {
    if (p.bytes.size() == 3 && p.bytes[0] == 0x90 && p.bytes[2] != 0) ++melodyNotes;
    if (p.bytes.size() == 3 && p.bytes[0] == 0x91 && p.bytes[2] != 0) ++bassNotes;
  }
  ASSERT_EQ(melodyNotes, 40);
  ASSERT_EQ(bassNotes, 10);
  for (int skew : {-100, +100}) {
    SCOPED_TRACE(skew);
    EXPECT_EQ(PlayEvents(Write("skew.mid", song_.File(skew)), frames), truth);
  }
  EXPECT_EQ(TakeReport(), "");

  // The sound itself, where the synthesizer's SoundFont is installed.
  if (!std::filesystem::exists(kSoundFont)) GTEST_SKIP() << "no " << kSoundFont;
  const std::vector<int16_t> heard = PlayAudio(Write("truth.mid", song_.File(0)), frames);
  int peak = 0;
  for (int16_t v : heard) peak = std::max(peak, std::abs(int{v}));
  EXPECT_GT(peak, 500);
  for (int skew : {-100, +100}) {
    SCOPED_TRACE(skew);
    EXPECT_EQ(PlayAudio(Write("skew.mid", song_.File(skew)), frames), heard);
  }
  EXPECT_EQ(TakeReport(), "");
}

// A file cut inside a track plays what it holds up to the cut, with one
// report line naming where the file ends; the tracks after it are missing.
TEST_F(MidiTrackLength, ATrackRunningOffTheFileEndsThere) {
  const Bytes whole = song_.File(0);
  const size_t melodyStart = 14 + 8 + song_.tempo.size() + 8;
  // Cut after the program change and the first three notes (six events of
  // four bytes, the first delta being 0) and one byte into the fourth note.
  const size_t cut = melodyStart + 3 + 6 * 4 + 1;
  Bytes events = Bytes{0x00, 0xFF, 0x03, 0x04, 'm', 'a', 'i', 'n'} + Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20} +
                 Bytes{0x00, 0xC0, 0x00};
  for (int i = 0; i < 3; ++i) {
    const uint8_t note = static_cast<uint8_t>(60 + i);
    events = events + Bytes{static_cast<uint8_t>(i == 0 ? 0 : 6), 0x90, note, 0x60} + Bytes{0x06, 0x80, note, 0x40};
  }
  events = events + Bytes{0x00, 0xFF, 0x2F, 0x00};
  const Bytes cutMelody = Image(96, events);
  // The whole melody: with its end event its track ends 12 ticks after its
  // last note; without it, at that note.
  const Bytes fullMelody = Convert(Header(1, 2, 96) + Track(song_.tempo) + Track(song_.melody));
  ASSERT_GT(fullMelody.size(), 26u);
  Bytes melodyWithoutEnd = fullMelody;
  melodyWithoutEnd[melodyWithoutEnd.size() - 4] = 0x00;
  struct Case {
    const char* name;
    size_t size;
    const Bytes& image;
  } cases[] = {
      {"inside a note", cut, cutMelody},
      {"on an event's boundary", cut - 1, cutMelody},
      {"before the melody's end event", melodyStart + song_.melody.size() - 4, melodyWithoutEnd},
      {"inside the bass's chunk header", melodyStart + song_.melody.size() + 5, fullMelody},
  };
  TakeReport();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Convert(Bytes(whole.begin(), whole.begin() + static_cast<long>(c.size))), c.image);
    EXPECT_EQ(TakeReport(), "Midi song.mid Init " + U8(u8"データが途中で切れています(") + std::to_string(c.size) + ")\n");
  }
}

}  // namespace
