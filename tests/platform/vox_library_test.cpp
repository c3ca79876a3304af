#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/audio.h"
#include "platform/ogg_loader.h"
#include "support/music_test_support.h"
#include "support/ogg_writer.h"

namespace {

using namespace music_test;

class VoxLibrary : public MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    plat::SetVoxLibraryPath(T4_VOX_LIBRARY_PATH);
    module_ = plat::LoadVoxLibrary();
    ASSERT_NE(module_, nullptr) << T4_VOX_LIBRARY_PATH;
    auto create = reinterpret_cast<CreateVoxFn>(plat::GetLibraryEntry(module_, VOX_ENTRY_NAME));
    ASSERT_NE(create, nullptr);
    player_ = create();
    ASSERT_NE(player_, nullptr);
  }
  void TearDown() override {
    if (player_) player_->Delete();
    plat::FreeLibrary(module_);
    plat::SetVoxLibraryPath("");
    MusicTest::TearDown();
  }
  std::string Tone(const char* name, int rate, int channels, int frames) {
    std::string path = (dir_ / name).string();
    EXPECT_TRUE(WriteOggTone(path, rate, channels, frames));
    return path;
  }
  // Frames delivered until the player says it has finished. A frame the
  // player did not write keeps a value the tone never reaches.
  int PlayOut(int limit = 1000000) {
    int n = 0;
    while (player_->IsPlaying() && n < limit) {
      int16_t frame[2] = {INT16_MAX, INT16_MAX};
      player_->Read(frame, 1);
      n += frame[0] != INT16_MAX;
    }
    return n;
  }
  static int Peak(const std::vector<int16_t>& v) {
    int p = 0;
    for (int16_t s : v) p = std::max(p, std::abs(int{s}));
    return p;
  }

  plat::ModuleHandle module_ = nullptr;
  IVox* player_ = nullptr;
};

TEST_F(VoxLibrary, RefusesWhatItCannotPlay) {
  EXPECT_EQ(plat::GetLibraryEntry(module_, "NoSuchEntry"), nullptr);
  const char* refused[] = {"", "missing.ogg", "garbage.ogg", "song.mid"};
  Write("garbage.ogg", Bytes(4096, 0x5A));
  Write("song.mid", Header(0, 1, 96) + Track(EndOfTrack()));
  for (const char* name : refused) {
    player_->Prepare();
    std::string path = *name ? (dir_ / name).string() : std::string();
    EXPECT_EQ(player_->Load(path.c_str()), 0) << name;
    player_->Play();
    EXPECT_EQ(player_->IsPlaying(), 0);
  }
  EXPECT_EQ(player_->Load(nullptr), 0);
}

TEST(VoxLibraryPath, MissingLibraryOrEntryAndWhereTheLibraryIsLookedFor) {
  plat::SetVoxLibraryPath("/nonexistent/libt4vox.so");
  EXPECT_EQ(plat::LoadVoxLibrary(), nullptr);
  EXPECT_EQ(plat::GetLibraryEntry(nullptr, VOX_ENTRY_NAME), nullptr);
  // A library that is there but has no entry.
  plat::SetVoxLibraryPath("libm.so.6");
  plat::ModuleHandle other = plat::LoadVoxLibrary();
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(plat::GetLibraryEntry(other, VOX_ENTRY_NAME), nullptr);
  plat::FreeLibrary(other);

  plat::SetVoxLibraryPath("");
  setenv(plat::kVoxLibraryEnv, "/opt/music/libt4vox.so", 1);
  EXPECT_EQ(plat::VoxLibraryPath(), "/opt/music/libt4vox.so");
  unsetenv(plat::kVoxLibraryEnv);
  std::string beside = plat::VoxLibraryPath();
  EXPECT_EQ(beside.substr(beside.rfind('/') + 1), plat::kVoxLibraryName);
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(beside).parent_path(),
                                          std::filesystem::canonical("/proc/self/exe").parent_path()));
}

TEST_F(VoxLibrary, PlaysOnceLoopsAndStops) {
  if (!CanWriteOgg()) GTEST_SKIP() << "libvorbisenc not available";
  // At the mixer's rate every frame comes out exactly once per pass.
  std::string stereo = Tone("stereo.ogg", 44100, 2, 30000);
  player_->Prepare();
  ASSERT_EQ(player_->Load(stereo.c_str()), 1);
  EXPECT_EQ(player_->IsPlaying(), 0);
  player_->SetLoop(0);
  player_->Play();
  EXPECT_EQ(PlayOut(), 30000);
  std::vector<int16_t> out(2 * 1000, 1);
  player_->Read(out.data(), 1000);  // finished: nothing written
  EXPECT_EQ(Peak(out), 1);

  player_->SetLoop(1);  // plays twice
  player_->Play();      // a finished file starts again
  EXPECT_EQ(PlayOut(), 60000);

  player_->SetLoop(kVoxLoopForever);
  player_->Play();
  EXPECT_EQ(PlayOut(200000), 200000);
  player_->Stop();
  EXPECT_EQ(player_->IsPlaying(), 0);
  std::fill(out.begin(), out.end(), 0);
  player_->Read(out.data(), 1000);
  EXPECT_EQ(Peak(out), 0);

  // Another rate and one channel: resampled to the mixer's rate, both sides.
  std::string mono = Tone("mono.ogg", 22050, 1, 11025);
  player_->Prepare();
  ASSERT_EQ(player_->Load(mono.c_str()), 1);
  player_->SetLoop(0);
  player_->Play();
  std::vector<int16_t> tone(2 * 8000, 0);
  player_->Read(tone.data(), 8000);
  EXPECT_GT(Peak(tone), 10000);
  for (size_t i = 0; i < tone.size(); i += 2) ASSERT_EQ(tone[i], tone[i + 1]);
  int rest = PlayOut();
  EXPECT_NEAR(8000 + rest, 22050, 4);
}

TEST_F(VoxLibrary, AttachedPlayersReachTheMixer) {
  if (!CanWriteOgg()) GTEST_SKIP() << "libvorbisenc not available";
  std::string path = Tone("tone.ogg", 44100, 2, 44100);
  int attachment = plat::AttachVoxPlayer(player_);
  ASSERT_GT(attachment, 0);
  std::vector<int16_t> out(2 * 4410, 0);
  plat::MixAudio(out.data(), 4410);
  EXPECT_EQ(Peak(out), 0);
  player_->Prepare();
  ASSERT_EQ(player_->Load(path.c_str()), 1);
  player_->Play();
  plat::MixAudio(out.data(), 4410);
  EXPECT_GT(Peak(out), 10000);
  plat::DetachVoxPlayer(attachment);
  plat::MixAudio(out.data(), 4410);
  EXPECT_EQ(Peak(out), 0);
}

}  // namespace
