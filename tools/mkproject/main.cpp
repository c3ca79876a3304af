// tarvamo4-mkproject DIR: writes a runnable default project into a new (or
// empty) folder: default\ with every data file and a first stage, the
// built-in bitmap sheets with the 8-bit palette and the blend tables of all
// 24 colour sets, the sound effects, the title music and a System.ini that
// starts in a window. The player's first start there offers to copy
// default\ to data\.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files.h"
#include "records/database.h"
#include "records/record.h"
#include "records/system_data.h"
#include "support/midi_bytes.h"
#include "support/project_writer.h"
#include "support/sheet_writer.h"
#include "support/stage_writer.h"
#include "support/wave_bytes.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kTitleMusic = "bgm\\Title.mid";
constexpr const char* kDatabaseSound = "wave\\Sound01.wav";
// The player's settings: ask for the drawing mode, play in a window at the
// desktop's depth, synchronise automatically, show the frame rate.
constexpr const char* kSystemIni =
    "Direct3D=2\r\n"
    "WindowMode=1\r\n"
    "Bpp=0\r\n"
    "VSync=2\r\n"
    "D3D_FontCache=0\r\n"
    "DD_FontCache=1\r\n"
    "DD_VideoStretch=0\r\n"
    "ShowFps=1\r\n"
    "English=0\r\n"
    "Exit\r\n";
constexpr const char* kFirstStage = "data\\stg4\\Stage1.stg4_778";

std::string SoundFile(int id) {
  char name[32];
  std::snprintf(name, sizeof name, "wave\\System%02d.wav", id);
  return name;
}

bool WriteBytes(const std::string& stored, const std::vector<uint8_t>& bytes) {
  return plat::WriteFileAtomic(stored, bytes.data(), bytes.size());
}

// A short 8-bit mono beep at the rate the mixer opens with, its pitch rising
// with the sound id so the sounds can be told apart, faded out at the end.
std::vector<uint8_t> Beep(int id) {
  const uint32_t rate = 22050;
  const int frames = static_cast<int>(rate / 12);
  const double freq = 440.0 * std::pow(2.0, id / 12.0);
  wave_test::Bytes samples;
  samples.reserve(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    double fade = 1.0 - static_cast<double>(i) / frames;
    double s = std::sin(2.0 * 3.14159265358979 * freq * i / rate) * fade * 60.0;
    samples.push_back(static_cast<uint8_t>(128 + static_cast<int>(std::lround(s))));
  }
  return wave_test::Riff({wave_test::Fmt(1, 1, rate, 8), wave_test::Chunk("data", samples)});
}

// A short looping tune: a format-0 file with one track, 480 ticks a beat.
std::vector<uint8_t> TitleTune() {
  using namespace music_test;
  const uint8_t notes[] = {60, 64, 67, 72, 67, 64, 60, 55};
  Bytes ev = Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}) + Ev(0, {0xC0, 0x00});
  for (uint8_t n : notes) ev = ev + Ev(0, {0x90, n, 0x60}) + Ev(240, {0x80, n, 0x40});
  ev = ev + EndOfTrack(240);
  return Header(0, 1, 480) + Track(ev);
}

// data\System.dat names the sound files and the title music; the Bgm
// database holds the music as entry 1.
bool WriteSoundSettings() {
  cDatabase db;
  db.m_vecBgm.At(1).m_strName = "Title";
  db.m_vecBgm.At(1).m_strFile = kTitleMusic;
  db.m_vecSound.At(1).m_strName = "Sound01";
  db.m_vecSound.At(1).m_strFile = kDatabaseSound;
  if (!db.SaveAll("data\\database")) return false;
  cSystemData system;
  for (int id = 0; id < kSystemSoundCount; ++id) system.m_vecSoundFile.At(id) = SoundFile(id);
  system.m_vecBgm.At(0) = 1;
  if (!system.SaveToFile("data\\System.dat")) return false;
  for (int id = 0; id < kSystemSoundCount; ++id)
    if (!WriteBytes(SoundFile(id), Beep(id))) return false;
  if (!WriteBytes(kDatabaseSound, Beep(kSystemSoundCount))) return false;
  return WriteBytes(kTitleMusic, TitleTune());
}

bool IsNonEmptyOrNotAFolder(const fs::path& dir) {
  std::error_code ec;
  if (!fs::exists(dir, ec)) return false;
  if (!fs::is_directory(dir, ec)) return true;
  return !fs::is_empty(dir, ec) || ec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
    std::fprintf(stderr,
                 "usage: tarvamo4-mkproject DIR\n"
                 "Writes a runnable default project into DIR (a new or empty folder).\n");
    return 2;
  }
  const fs::path dir = argv[1];
  if (IsNonEmptyOrNotAFolder(dir)) {
    std::fprintf(stderr, "tarvamo4-mkproject: '%s' exists and is not an empty folder; nothing was written\n",
                 argv[1]);
    return 1;
  }
  std::error_code ec;
  fs::create_directories(dir, ec);
  const fs::path root = fs::absolute(dir, ec);
  if (ec || !WriteProject(root.string())) {
    std::fprintf(stderr, "tarvamo4-mkproject: could not write the project files into '%s'\n", argv[1]);
    return 1;
  }
  fs::current_path(root, ec);
  bool ok = !ec && WriteSoundSettings() && WriteTestStage(kFirstStage, "Stage1") &&
            WriteBlendTables(root.string(), 0, 23) &&
            plat::WriteFileAtomic("System.ini", kSystemIni, std::strlen(kSystemIni));
  // The player makes data\ from default\ on its first start.
  if (ok) fs::rename(root / "data", root / "default", ec);
  if (!ok || ec) {
    std::fprintf(stderr, "tarvamo4-mkproject: could not write the project files into '%s'\n", argv[1]);
    return 1;
  }
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root, ec))
    if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root).string());
  std::sort(files.begin(), files.end());
  std::printf("Wrote a project in %s:\n", root.c_str());
  for (const std::string& f : files) std::printf("  %s\n", f.c_str());
  std::printf("Start it with: tarvamo4 --project %s\n", root.c_str());
  return 0;
}
