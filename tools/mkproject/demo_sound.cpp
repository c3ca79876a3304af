// The demo's sounds and music, generated here: short beeps for the system
// sounds and the two sound effects, a title tune and a stage tune, all
// named by the databases and System.dat, plus the rest of System.dat (title,
// challenge list) and the one screen effect.
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "demo_game.h"
#include "platform/files.h"
#include "records/database.h"
#include "records/system_data.h"
#include "support/midi_bytes.h"
#include "support/wave_bytes.h"

namespace demo {

namespace {

constexpr const char* kTitleMusic = "bgm\\Title.mid";
constexpr const char* kStageMusic = "bgm\\Stage.mid";
constexpr const char* kItemSound = "wave\\Sound01.wav";
constexpr const char* kShotSound = "wave\\Sound02.wav";

std::string SystemSoundFile(int id) {
  char name[32];
  std::snprintf(name, sizeof name, "wave\\System%02d.wav", id);
  return name;
}

bool WriteBytes(const std::string& stored, const std::vector<uint8_t>& bytes) {
  return plat::WriteFileAtomic(stored, bytes.data(), bytes.size());
}

// A short 8-bit mono beep at the rate the mixer opens with, its pitch rising
// with `pitch` so the sounds can be told apart, faded out at the end.
std::vector<uint8_t> Beep(int pitch) {
  const uint32_t rate = 22050;
  const int frames = static_cast<int>(rate / 12);
  const double freq = 440.0 * std::pow(2.0, pitch / 12.0);
  wave_test::Bytes samples;
  samples.reserve(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    double fade = 1.0 - static_cast<double>(i) / frames;
    double s = std::sin(2.0 * 3.14159265358979 * freq * i / rate) * fade * 60.0;
    samples.push_back(static_cast<uint8_t>(128 + static_cast<int>(std::lround(s))));
  }
  return wave_test::Riff({wave_test::Fmt(1, 1, rate, 8), wave_test::Chunk("data", samples)});
}

// A looping tune: a format-0 file with one track, 480 ticks a beat, the
// notes on `program` at `ticks` each.
std::vector<uint8_t> Tune(const std::vector<uint8_t>& notes, uint8_t program, uint32_t ticks) {
  using namespace music_test;
  Bytes ev = Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}) + Ev(0, {0xC0, program});
  for (uint8_t n : notes) ev = ev + Ev(0, {0x90, n, 0x60}) + Ev(ticks, {0x80, n, 0x40});
  ev = ev + EndOfTrack(ticks);
  return Header(0, 1, 480) + Track(ev);
}

}  // namespace

bool WriteDemoSettings() {
  cDatabase db;
  db.m_vecBgm.At(1).m_strName = "Title";
  db.m_vecBgm.At(1).m_strFile = kTitleMusic;
  if (db.m_vecBgm.Size() < 3) db.m_vecBgm.resize(3);
  db.m_vecBgm.At(2).m_strName = "Stage";
  db.m_vecBgm.At(2).m_strFile = kStageMusic;
  db.m_vecSound.At(1).m_strName = "Item";
  db.m_vecSound.At(1).m_strFile = kItemSound;
  if (db.m_vecSound.Size() < 3) db.m_vecSound.resize(3);
  db.m_vecSound.At(2).m_strName = "Shot";
  db.m_vecSound.At(2).m_strFile = kShotSound;
  // Screen effect 1: a sideways shake of 6 pixels, 4 swings in 0.4 s.
  cScrEffectData& shake = db.m_vecScrEffect.At(1);
  shake.m_strName = "Shake";
  shake.m_nKind = 2;
  shake.m_nParam[0] = 4;
  shake.m_nParam[1] = 6;
  shake.m_nParam[2] = 4;
  // Animation set 0, which every chara plays: moving on the ground or in
  // flight alternates the sheet's columns 0 and 1 (the two steps of a walk,
  // the wings up and down) a tenth of a second each; standing shows column
  // 0, hovering flaps on.
  for (int entry : {1, 2, 3}) {
    cCheckedVector<cAnimeFrameData>& frames = db.m_vecAnimeSet.At(0).m_vecAnime.At(entry).m_vecFrame;
    frames.resize(2);
    for (int f = 0; f < 2; ++f) {
      frames.At(f).m_nGraphic = f;
      frames.At(f).m_nTime = 1;
    }
  }
  // Animations 1 and 2, which the hero's jump and shot commands play: the
  // jumping pose (column 2) for half a second, the shooting pose (column 3)
  // for two tenths. Each is one held frame, shown from the command's start.
  if (db.m_vecAnime.Size() < 3) db.m_vecAnime.resize(3);
  const struct {
    const char* name;
    int column, tenths;
  } poses[] = {{"Jump", kHeroJumpColumn, 5}, {"Shot", kHeroShotColumn, 2}};
  for (int k = 0; k < 2; ++k) {
    cAnimeData& anime = db.m_vecAnime.At(k + 1);
    anime.m_strName = poses[k].name;
    anime.m_vecFrame.resize(1);
    anime.m_vecFrame.At(0).m_nGraphic = poses[k].column;
    anime.m_vecFrame.At(0).m_nTime = poses[k].tenths;
    anime.m_vecFrame.At(0).m_nLock = 1;
  }
  if (!db.SaveAll("data\\database")) return false;
  // Saving a stage or a command drops music and sound numbers its database
  // does not list: the stages written next must see these entries.
  g_Database = db;

  cSystemData system;
  system.m_strTitle = "Tarvamo4 Demo";
  for (int id = 0; id < kSystemSoundCount; ++id) system.m_vecSoundFile.At(id) = SystemSoundFile(id);
  // The option rows in the order of the kinds they edit (colour set, music,
  // sound volume, ranking entry, ranking name, back), each named for it.
  const char* const optionCaptions[] = {"カラーセット", "BGM", "SE", "ランキング登録", "ランキング登録名", "もどる"};
  for (int kind = 0; kind < static_cast<int>(std::size(optionCaptions)); ++kind) {
    system.m_vecOptionMenu.At(kind).m_strCaption = optionCaptions[kind];
    system.m_vecOptionMenu.At(kind).m_bEnable = 1;
  }
  system.m_vecBgm.At(0) = 1;
  system.m_nChallengeStages = kStageCount;
  if (!system.SaveToFile("data\\System.dat")) return false;

  for (int id = 0; id < kSystemSoundCount; ++id)
    if (!WriteBytes(SystemSoundFile(id), Beep(id))) return false;
  const std::vector<uint8_t> title = {60, 64, 67, 72, 67, 64, 60, 55};
  const std::vector<uint8_t> stage = {67, 67, 69, 71, 72, 71, 69, 67, 64, 65, 67, 60};
  return WriteBytes(kItemSound, Beep(kSystemSoundCount)) && WriteBytes(kShotSound, Beep(-5)) &&
         WriteBytes(kTitleMusic, Tune(title, 0, 240)) && WriteBytes(kStageMusic, Tune(stage, 80, 160));
}

}  // namespace demo
