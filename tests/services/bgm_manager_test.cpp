#include <gtest/gtest.h>

#include <cstring>

#include "platform/midi_device.h"
#include "platform/ogg_loader.h"
#include "services/bgm.h"
#include "support/music_test_support.h"
#include "support/ogg_writer.h"

namespace {

using namespace music_test;

class BgmManager : public MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    plat::SetVoxLibraryPath(T4_VOX_LIBRARY_PATH);
    // MIDI events are watched instead of synthesized: no SoundFont needed.
    plat::SetMidiEventObserverForTest([](uint64_t, const uint8_t*, size_t) {});
    std::memcpy(ogg_, g_szBgmOggFile, sizeof ogg_);
    std::memcpy(midi_, g_szBgmMidiFile, sizeof midi_);
  }
  void TearDown() override {
    bgm_.Release();
    plat::SetMidiEventObserverForTest(nullptr);
    plat::SetVoxLibraryPath("");
    MusicTest::TearDown();
  }
  int Init() { return bgm_.Init(1, ogg_, midi_, kBgmSlotCount); }
  std::string Song(const char* name) {
    return Write(name, Header(0, 1, 96) + Track(Ev(0, {0x90, 0x3C, 0x64}) + EndOfTrack(960)));
  }

  cBgmManager bgm_;
  char ogg_[kBgmSlotCount][kBgmOggNameSize];
  char midi_[kBgmSlotCount][kBgmMidiNameSize];
};

TEST_F(BgmManager, DefaultSlotTables) {
  const char* oggs[] = {"bgm\\Title.ogg", "bgm\\WorldMap.ogg", "bgm\\Challenge.ogg", "bgm\\Option.ogg",
                        "bgm\\Stage.ogg"};
  const char* mids[] = {"bgm\\Title.mid", "bgm\\WorldMap.mid", "bgm\\Challenge.mid", "bgm\\Option.mid",
                        "bgm\\Stage.mid"};
  for (int i = 0; i < kBgmSlotCount; ++i) {
    EXPECT_STREQ(g_szBgmOggFile[i], oggs[i]);
    EXPECT_STREQ(g_szBgmMidiFile[i], mids[i]);
  }
}

TEST_F(BgmManager, SetFileFilesTheNameByItsExtension) {
  ASSERT_EQ(Init(), 1);
  struct Case {
    const char* name;
    int result;
    int type;
    const char* ogg;  // the slot's entries afterwards
    const char* midi;
  } cases[] = {
      {"bgm\\Song.mid", 1, cBgmManager::kTypeMidi, "bgm\\Challenge.ogg", "bgm\\Song.mid"},
      {"bgm\\Song.MID", 1, cBgmManager::kTypeMidi, "bgm\\Challenge.ogg", "bgm\\Song.mid"},
      {"bgm\\Song.ogg", 1, cBgmManager::kTypeOgg, "bgm\\Song.ogg", "bgm\\Challenge.mid"},
      {"bgm\\Song.OGG", 1, cBgmManager::kTypeOgg, "bgm\\Song.OGG", "bgm\\Challenge.mid"},
      {"bgm\\Song.Mid", 0, cBgmManager::kTypeEither, "bgm\\Song.Mid", "bgm\\Song.Mid"},
      {"bgm\\Song.wav", 0, cBgmManager::kTypeEither, "bgm\\Song.wav", "bgm\\Song.wav"},
      {"bgm\\Song", 0, cBgmManager::kTypeEither, "", ""},
      {"bgm.d\\Song", 0, cBgmManager::kTypeEither, "", ""},
  };
  for (const Case& c : cases) {
    std::memcpy(ogg_[2], g_szBgmOggFile[2], kBgmOggNameSize);
    std::memcpy(midi_[2], g_szBgmMidiFile[2], kBgmMidiNameSize);
    EXPECT_EQ(bgm_.SetFile(2, c.name), c.result) << c.name;
    EXPECT_EQ(bgm_.SlotType(2), c.type) << c.name;
    EXPECT_STREQ(ogg_[2], c.ogg) << c.name;
    EXPECT_STREQ(midi_[2], c.midi) << c.name;
  }
  // Names longer than the table entries are cut, never written past them.
  std::string longName(400, 'a');
  longName += ".ogg";
  EXPECT_EQ(bgm_.SetFile(3, longName.c_str()), 1);
  EXPECT_EQ(std::strlen(ogg_[3]), kBgmOggNameSize - 1);
  EXPECT_STREQ(ogg_[4], "bgm\\Stage.ogg");
}

TEST_F(BgmManager, UninitialisedManagerDoesNothingAndReportsSuccess) {
  EXPECT_FALSE(bgm_.IsInitialised());
  EXPECT_EQ(bgm_.SetFile(0, "bgm\\x.mid"), 1);
  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1);
  bgm_.Stop();
  EXPECT_EQ(bgm_.CurrentSlot(), -1);
  EXPECT_STREQ(ogg_[0], "bgm\\Title.ogg");
}

// MIDI needs nothing of the Ogg library: without it the box is shown once,
// MIDI slots still play and Ogg slots fail quietly, without indexing the
// players that do not exist.
TEST_F(BgmManager, MissingOggLibraryStillPlaysMidi) {
  plat::SetVoxLibraryPath((dir_ / "libt4vox.so").string());
  EXPECT_EQ(Init(), 0);
  EXPECT_EQ(TakeReport(), U8(u8"[エラー] oggの初期化に失敗！\n"));
  EXPECT_TRUE(bgm_.IsInitialised());
  EXPECT_EQ(bgm_.Vox().Count(), 0);
  EXPECT_EQ(bgm_.Midi().Count(), 1u);

  ASSERT_EQ(bgm_.SetFile(0, Song("a.mid").c_str()), 1);
  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1);
  EXPECT_EQ(bgm_.CurrentSlot(), 0);
  EXPECT_EQ(bgm_.PlayerKind(0), cBgmManager::kKindMidi);
  ASSERT_NE(bgm_.Midi().Get(0), nullptr);
  EXPECT_EQ(bgm_.Midi().Get(0)->GetState(), cMidiStream::kPlaying);

  // An Ogg slot fails and silences the MIDI player, as any failed play does;
  // a slot of either kind tries Ogg, then MIDI, which refuses a .wav.
  struct Case {
    const char* file;
    int type;
  } cases[] = {{"bgm\\Song.ogg", cBgmManager::kTypeOgg}, {"bgm\\Song.wav", cBgmManager::kTypeEither}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    cMidiStream* before = bgm_.Midi().Get(0);
    bgm_.SetFile(1, c.file);
    EXPECT_EQ(bgm_.SlotType(1), c.type);
    EXPECT_EQ(bgm_.Play(0, 1, 1, 0, 1), 0);
    EXPECT_EQ(bgm_.CurrentSlot(), -1);
    EXPECT_EQ(bgm_.PlayerKind(0), cBgmManager::kKindNone);
    if (c.type == cBgmManager::kTypeOgg) {
      ASSERT_EQ(bgm_.Midi().Get(0), before);
      EXPECT_EQ(before->GetState(), cMidiStream::kStopped);
    }
  }
  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1);
  bgm_.Stop();
  // Nothing was indexed out of range and no box came again.
  EXPECT_EQ(TakeReport(), "");
  bgm_.Release();
  EXPECT_FALSE(bgm_.IsInitialised());
}

TEST_F(BgmManager, MidiSlotPlaysAndForceRestarts) {
  ASSERT_EQ(Init(), 1);
  EXPECT_EQ(bgm_.Vox().Count(), 1);
  ASSERT_EQ(bgm_.SetFile(0, Song("a.mid").c_str()), 1);
  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1);
  EXPECT_EQ(bgm_.CurrentSlot(), 0);
  EXPECT_EQ(bgm_.PlayerKind(0), cBgmManager::kKindMidi);
  cMidiStream* first = bgm_.Midi().Get(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetState(), cMidiStream::kPlaying);

  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 0), 1);  // already on this slot: goes on
  EXPECT_EQ(bgm_.Midi().Get(0), first);
  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1);  // forced: from the beginning
  EXPECT_NE(bgm_.Midi().Get(0), nullptr);
  EXPECT_EQ(bgm_.Midi().Get(0)->GetState(), cMidiStream::kPlaying);

  bgm_.Stop();
  EXPECT_EQ(bgm_.Midi().Get(0)->GetState(), cMidiStream::kStopped);

  // The current slot outlives a release: the same slot needs force again.
  bgm_.Release();
  ASSERT_EQ(Init(), 1);
  EXPECT_EQ(bgm_.CurrentSlot(), 0);
  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 0), 1);
  EXPECT_EQ(bgm_.Midi().Get(0), nullptr);
  EXPECT_EQ(TakeReport(), "");
}

TEST_F(BgmManager, FailedSlotsSilenceBothKinds) {
  ASSERT_EQ(Init(), 1);
  ASSERT_EQ(bgm_.SetFile(0, Song("a.mid").c_str()), 1);
  ASSERT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1);
  cMidiStream* playing = bgm_.Midi().Get(0);
  ASSERT_NE(playing, nullptr);

  // Either kind: tried as Ogg, then as MIDI, which takes only ".mid".
  EXPECT_EQ(bgm_.SetFile(1, (dir_ / "song.wav").c_str()), 0);
  EXPECT_EQ(bgm_.Play(0, 1, 1, 0, 1), 0);
  EXPECT_EQ(bgm_.CurrentSlot(), -1);
  EXPECT_EQ(bgm_.PlayerKind(0), cBgmManager::kKindNone);
  EXPECT_EQ(bgm_.Midi().Get(0), nullptr);
  EXPECT_EQ(TakeReport(), "");

  // A MIDI file that is not there.
  const std::string missing = (dir_ / "missing.mid").string();
  ASSERT_EQ(bgm_.SetFile(2, missing.c_str()), 1);
  EXPECT_EQ(bgm_.Play(0, 2, 1, 0, 1), 0);
  EXPECT_EQ(bgm_.CurrentSlot(), -1);
  EXPECT_EQ(TakeReport(), "Midi " + missing + U8(u8" Create ファイルが開けません\n"));

  // A slot number outside the table is the checked-table error, and slot 0
  // plays in its place.
  EXPECT_EQ(bgm_.Play(0, 7, 1, 0, 1), 1);
  EXPECT_EQ(TakeReport(), "err V[7] ( 5 , 4 )\n");
}

TEST_F(BgmManager, OggAndMidiNeverSoundTogether) {
  if (!CanWriteOgg()) GTEST_SKIP() << "libvorbisenc not available";
  const std::string tone = (dir_ / "tone.ogg").string();
  ASSERT_TRUE(WriteOggTone(tone, 44100, 2, 22050));
  ASSERT_EQ(Init(), 1);
  ASSERT_EQ(bgm_.SetFile(0, tone.c_str()), 1);
  ASSERT_EQ(bgm_.SetFile(1, Song("a.mid").c_str()), 1);

  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1);
  EXPECT_EQ(bgm_.PlayerKind(0), cBgmManager::kKindOgg);
  EXPECT_EQ(bgm_.Vox().Current(), 0);
  EXPECT_EQ(bgm_.Vox().Player(0)->IsPlaying(), 1);

  EXPECT_EQ(bgm_.Play(0, 1, 1, 0, 1), 1);
  EXPECT_EQ(bgm_.PlayerKind(0), cBgmManager::kKindMidi);
  EXPECT_EQ(bgm_.Vox().Current(), -1);
  EXPECT_EQ(bgm_.Vox().Player(0)->IsPlaying(), 0);
  cMidiStream* midi = bgm_.Midi().Get(0);
  ASSERT_NE(midi, nullptr);
  EXPECT_EQ(midi->GetState(), cMidiStream::kPlaying);

  EXPECT_EQ(bgm_.Play(0, 0, 1, 0, 1), 1);
  EXPECT_EQ(bgm_.PlayerKind(0), cBgmManager::kKindOgg);
  EXPECT_EQ(midi->GetState(), cMidiStream::kStopped);  // stopped and rewound

  bgm_.Stop();
  EXPECT_EQ(bgm_.Vox().Player(0)->IsPlaying(), 0);
  EXPECT_EQ(TakeReport(), "");
}

}  // namespace
