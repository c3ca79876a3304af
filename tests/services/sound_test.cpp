#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/audio.h"
#include "platform/paths.h"
#include "platform/video.h"
#include "services/log.h"
#include "services/sound.h"
#include "support/file_fixture.h"
#include "services/wave.h"
#include "support/wave_bytes.h"

namespace {

using namespace wave_test;

class SoundFiles : public t4test::FileAndReportTest {
 protected:
  static std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }
};

const char8_t kBadFile[] = u8" の読み込みに失敗しました…\n不正なファイルです。\n";
const char8_t kBadFormat[] =
    u8" の読み込みに失敗しました…\n対応していない形式か、不正なwavファイルです。\n本ソフトではPCM形式のみ再生できます。\n";
const char8_t kNotPcm[] = u8" の読み込みに失敗しました…\nPCM形式以外の形式です。\n本ソフトではPCM形式のみ再生できます。\n";

TEST_F(SoundFiles, WaveReaderWalksChunks) {
  const Bytes data16 = Samples16({100, -200, 300, -400});
  const Bytes data8 = {0, 64, 128, 255, 7};  // odd: a pad byte follows
  struct Case {
    const char* name;
    Bytes file;
    uint16_t channels, bits;
    uint32_t rate;
    Bytes samples;
  } cases[] = {
      {"16-bit stereo", Riff({Fmt(1, 2, 44100, 16), Chunk("data", data16)}), 2, 16, 44100, data16},
      {"8-bit mono, odd data", Riff({Fmt(1, 1, 22050, 8), Chunk("data", data8)}), 1, 8, 22050, data8},
      {"odd unknown chunks before and after the format",
       Riff({Chunk("LIST", {1, 2, 3}), Fmt(1, 1, 11025, 16), Chunk("junk", {9}), Chunk("fact", {}),
             Chunk("data", data16)}),
       1, 16, 11025, data16},
      {"18-byte format block", Riff({Fmt(1, 2, 8000, 8, 18), Chunk("data", data8)}), 2, 8, 8000, data8},
      {"other top-level chunk first", [&] {
         Bytes b = Chunk("JUNK", {1, 2, 3, 4, 5});
         Bytes r = Riff({Fmt(1, 1, 44100, 16), Chunk("data", data16)});
         b.insert(b.end(), r.begin(), r.end());
         return b;
       }(),
       1, 16, 44100, data16},
      {"RIFF size larger than the file", [&] {
         Bytes r = Riff({Fmt(1, 1, 44100, 16), Chunk("data", data16)});
         r[4] = r[5] = r[6] = r[7] = 0xFF;
         return r;
       }(),
       1, 16, 44100, data16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = Write("ok.wav", c.file);
    WAVEDATA w{};
    ASSERT_TRUE(LoadWaveFile(path.c_str(), &w));
    EXPECT_EQ(w.wf.wFormatTag, 1);
    EXPECT_EQ(w.wf.nChannels, c.channels);
    EXPECT_EQ(w.wf.wBitsPerSample, c.bits);
    EXPECT_EQ(w.wf.nSamplesPerSec, c.rate);
    ASSERT_EQ(w.dwSize, c.samples.size());
    EXPECT_EQ(std::memcmp(w.pData, c.samples.data(), w.dwSize), 0);
    FreeWaveData(&w);
    EXPECT_EQ(w.pData, nullptr);
  }
  EXPECT_EQ(TakeReport(), "");
}

TEST_F(SoundFiles, WaveReaderRefusesBadFilesWithTheirMessages) {
  const Bytes data = Samples16({1, 2});
  struct Case {
    const char* name;
    Bytes file;
    std::string message;  // after the file name; empty: no message
  } cases[] = {
      {"not a RIFF file", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 1}, U8(kBadFile)},
      {"RIFF of another form", Riff({Fmt(1, 1, 44100, 16), Chunk("data", data)}, "AVI "), U8(kBadFile)},
      {"empty file", Bytes{}, U8(kBadFile)},
      {"20-byte format block", Riff({Fmt(1, 1, 44100, 16, 20), Chunk("data", data)}), U8(kBadFormat)},
      {"file ends inside the format block", [] {
         Bytes r = Riff({Fmt(1, 1, 44100, 16)});
         r.resize(r.size() - 6);
         return r;
       }(),
       U8(kBadFormat)},
      {"compressed", Riff({Fmt(2, 1, 44100, 4, 18), Chunk("data", data)}), U8(kNotPcm)},
      {"float", Riff({Fmt(3, 2, 44100, 32), Chunk("data", data)}), U8(kNotPcm)},
      {"no format chunk", Riff({Chunk("data", data)}), ""},
      {"data only before the format", Riff({Chunk("data", data), Fmt(1, 1, 44100, 16)}), ""},
      {"no data chunk", Riff({Fmt(1, 1, 44100, 16), Chunk("LIST", {1})}), ""},
      {"data chunk outside the RIFF chunk", [&] {
         Bytes r = Riff({Fmt(1, 1, 44100, 16)});
         Bytes d = Chunk("data", data);
         r.insert(r.end(), d.begin(), d.end());
         return r;
       }(),
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = Write("bad.wav", c.file);
    WAVEDATA w{};
    EXPECT_FALSE(LoadWaveFile(path.c_str(), &w));
    EXPECT_EQ(w.pData, nullptr);
    EXPECT_EQ(TakeReport(), c.message.empty() ? "" : path + c.message);
  }
  WAVEDATA w{};
  EXPECT_FALSE(LoadWaveFile((dir_ / "missing.wav").string().c_str(), &w));
  EXPECT_EQ(TakeReport(), "");
}

TEST_F(SoundFiles, TruncatedSampleDataKeepsOnlyTheWholeFramesRead) {
  Bytes file = Riff({Fmt(1, 1, 44100, 16), Chunk("data", Samples16({1, 2, 3, 4}))});
  file.resize(file.size() - 3);
  std::string path = Write("short.wav", file);
  WAVEDATA w{};
  ASSERT_TRUE(LoadWaveFile(path.c_str(), &w));
  EXPECT_EQ(w.dwSize, 4u);
  EXPECT_EQ(Bytes(w.pData, w.pData + w.dwSize), Samples16({1, 2}));
  FreeWaveData(&w);
  EXPECT_EQ(TakeReport(),
            path + U8(u8" のデータが 49 バイト目で途切れています（8 バイトのはずです）。4 バイトまでを使います。\n"));
}

// Sound slots on a headless mixer.
class SoundSlots : public SoundFiles {
 protected:
  void SetUp() override {
    SoundFiles::SetUp();
    wasHeadless_ = plat::IsHeadless();
    plat::SetHeadless(true);
    ASSERT_TRUE(DS_Init(nullptr, 22050, 8, 1));
    ramp_ = Write("ramp.wav", Riff({Fmt(1, 1, 44100, 16), Chunk("data", Samples16({1000, 2000, 3000, 4000,
                                                                                     5000, 6000, 7000, 8000}))}));
  }
  void TearDown() override {
    DS_UnInit();
    plat::SetHeadless(wasHeadless_);
    SoundFiles::TearDown();
  }
  static std::vector<int16_t> Mix(int frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
    plat::MixAudio(out.data(), frames);
    return out;
  }
  static DSSOUNDDEF Def(const std::string& file, int copies, int volume) {
    DSSOUNDDEF d{};
    std::strncpy(d.szFileName, file.c_str(), sizeof d.szFileName - 1);
    d.nBufferNum = copies;
    d.nVolume = volume;
    d.bChecked = 1;
    return d;
  }
  bool wasHeadless_ = false;
  std::string ramp_;
};

TEST_F(SoundSlots, PlaysTakeTheCopiesInTurn) {
  std::vector<DSSOUNDDEF> defs = {Def(ramp_, 3, 0), Def(ramp_, 1, 0)};
  std::vector<DSSOUNDDATA> slots(2);
  ASSERT_EQ(DSCreate(&slots, &defs, 0), 1);
  DSSOUNDDATA& three = slots[0];
  ASSERT_EQ(three.nBufferNum, 3);
  EXPECT_STREQ(three.szName, ramp_.c_str());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(plat::GetVoiceLength(three.lpBuffers[i]), 8u);

  DSPlay(&three, 0);
  Mix(2);
  DSPlay(&three, 0);
  EXPECT_EQ(Mix(1)[0], 3000 + 1000);  // two copies sound together
  EXPECT_EQ(three.nNext, 2);
  DSPlay(&three, 0);
  DSPlay(&three, 0);  // the fourth restarts the oldest
  EXPECT_EQ(three.nNext, 1);
  EXPECT_EQ(plat::GetVoicePosition(three.lpBuffers[0]), 0u);
  EXPECT_EQ(Mix(1)[0], 1000 + 2000 + 1000);

  // One copy: every play restarts it.
  DSSOUNDDATA& one = slots[1];
  Mix(8);
  DSPlay(&one, 0);
  Mix(3);
  DSPlay(&one, 0);
  EXPECT_EQ(one.nNext, 0);
  EXPECT_EQ(Mix(1)[0], 1000);
  Mix(8);
  DSPlay(&one, DSBPLAY_LOOPING);
  EXPECT_EQ(plat::GetVoiceStatus(one.lpBuffers[0]), plat::kVoicePlaying | plat::kVoiceLooping);
  DS_UnInit();  // releases the remembered slots while they still exist
  EXPECT_EQ(slots[0].lpBuffers, nullptr);
}

TEST_F(SoundSlots, WaveFormatsReachTheMixer) {
  // 8-bit stereo at 44,100 Hz plays in its own format.
  std::string stereo8 = Write("s8.wav", Riff({Fmt(1, 2, 44100, 8), Chunk("data", {138, 118, 128, 255})}));
  DSSOUNDDATA slot{};
  ASSERT_TRUE(DSCreateSound(&slot, stereo8.c_str(), 1, 0));
  Mix(4);
  DSPlay(&slot, 0);
  std::vector<int16_t> out = Mix(3);
  EXPECT_EQ(out[0], 2560);
  EXPECT_EQ(out[1], -2560);
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], 32512);
  EXPECT_EQ(out[4], 0);
  DSReleaseSound(&slot);
  EXPECT_EQ(slot.lpBuffers, nullptr);

  // Formats the mixer is not given: the slot stays silent with a report line.
  struct Bad {
    const char* name;
    Bytes fmt;
  } bad[] = {{"six channels", Fmt(1, 6, 44100, 16)},
             {"zero rate", Fmt(1, 1, 0, 16)}};
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.name);
    TakeReport();
    std::string path = Write("odd.wav", Riff({b.fmt, Chunk("data", Samples16({1, 2, 3, 4, 5, 6}))}));
    DSSOUNDDATA s{};
    EXPECT_FALSE(DSCreateSound(&s, path.c_str(), 2, 0));
    EXPECT_NE(s.lpBuffers, nullptr);  // kept: not tried again
    EXPECT_EQ(s.nBufferNum, 0);
    DSPlay(&s, 0);
    EXPECT_EQ(s.nNext, 0);
    EXPECT_EQ(TakeReport().rfind(path + U8(u8"生成失敗！"), 0), 0u);
    DSReleaseSound(&s);
  }
}

TEST_F(SoundSlots, CreationTakesTheVolumeAndSkipsMadeOrFailedSlots) {
  std::string missing = (dir_ / "missing.wav").string();
  std::vector<DSSOUNDDEF> defs = {Def(ramp_, 2, -600), Def(missing, 1, 0), Def(ramp_, 1, -600), Def("", 1, 0)};
  std::vector<DSSOUNDDATA> slots(4);
  ASSERT_EQ(DSCreate(&slots, &defs, 0), 1);
  EXPECT_EQ(DSGetVolume(&slots[0], 0), -600);
  EXPECT_EQ(DSGetVolume(&slots[0], 1), -600);
  // The missing file and the entry without a file name are each reported
  // once, in slot order, by the loader's own line; both slots stay silent.
  EXPECT_EQ(TakeReport(), missing + U8(u8" の読み込みに失敗しました！\n") + U8(u8" の読み込みに失敗しました！\n"));
  for (int failed : {1, 3}) {
    EXPECT_NE(slots[failed].lpBuffers, nullptr) << failed;  // kept: not tried again
    EXPECT_EQ(slots[failed].nBufferNum, 0) << failed;
  }
  DSPlay(&slots[3], 0);
  EXPECT_EQ(slots[3].nNext, 0);

  // A second pass creates nothing again; a slot released since is made anew
  // with the passed volume.
  int first = slots[0].lpBuffers[0];
  DSReleaseSound(&slots[2]);
  ASSERT_EQ(DSCreate(&slots, &defs, -2000), 1);
  EXPECT_EQ(slots[0].lpBuffers[0], first);
  EXPECT_EQ(TakeReport(), "");
  EXPECT_EQ(DSGetVolume(&slots[2], 0), -2000);
  DSPlay(&slots[2], 0);
  EXPECT_EQ(Mix(1)[0], 100);
  DS_UnInit();
}

TEST_F(SoundSlots, VolumeChangesAreClampedAndRelative) {
  DSSOUNDDATA slot{};
  ASSERT_TRUE(DSCreateSound(&slot, ramp_.c_str(), 2, 0));
  struct Case {
    int start, volume, relative, copy, expected;
  } cases[] = {
      {-9000, -2000, 1, 0, -10000}, {-100, 500, 1, 0, 0},       {-100, -300, 1, 1, -400},
      {-100, -300, 0, 1, -300},     {0, -20000, 0, 0, -10000},  {0, 100, 0, 0, 0},
      {-500, -300, 1, 2, 0},        {-500, -300, 1, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.start << " " << c.volume << " " << c.relative << " " << c.copy);
    DSSetVolume(&slot, 0, c.start, 0);
    DSSetVolume(&slot, 1, c.start, 0);
    EXPECT_EQ(DSSetVolume(&slot, c.copy, c.volume, c.relative), c.expected);
    if (c.copy == 0 || c.copy == 1) {
      EXPECT_EQ(DSGetVolume(&slot, c.copy), c.expected);
    }
  }
  EXPECT_EQ(DSGetVolume(&slot, 5), 0);
  DSReleaseSound(&slot);
}

TEST_F(SoundSlots, CursorSoundPlaysOncePerPressedAxis) {
  g_vecSound.assign(2, DSSOUNDDATA{});
  ASSERT_TRUE(DSCreateSound(&g_vecSound[1], ramp_.c_str(), 4, 0));
  struct Case {
    uint16_t dir;
    int axes, plays;
  } cases[] = {{1, 1, 1}, {1, 2, 0}, {4, 2, 1}, {6, 3, 2}, {6, 1, 1}, {0, 3, 0}, {9, 0, 0}};
  for (const Case& c : cases) {
    g_vecSound[1].nNext = 0;
    PlayCursorSE(&c.dir, c.axes, 1);
    EXPECT_EQ(g_vecSound[1].nNext, c.plays) << c.dir << " " << c.axes;
  }
  uint16_t left = 1;
  PlayCursorSE(&left, 1, 7);  // no such slot
  DSReleaseSound(&g_vecSound[1]);
  g_vecSound.clear();
}

TEST_F(SoundFiles, WithoutTheDeviceEveryCallReturnsAtOnce) {
  ASSERT_EQ(g_lpDS, nullptr);
  std::string path = Write("x.wav", Riff({Fmt(1, 1, 44100, 16), Chunk("data", Samples16({1}))}));
  DSSOUNDDATA slot{};
  EXPECT_TRUE(DSCreateSound(&slot, path.c_str(), 2, -100));
  EXPECT_EQ(slot.lpBuffers, nullptr);
  DSPlay(&slot, 0);
  EXPECT_EQ(DSSetVolume(&slot, 0, -100, 0), 0);
  EXPECT_EQ(DSGetVolume(&slot, 0), 0);
  DS_UnInit();
  EXPECT_EQ(g_SoundVolumeTable[0], -10000);
  EXPECT_EQ(g_SoundVolumeTable[2], -2000);
  EXPECT_EQ(g_SoundVolumeTable[10], 0);
}

TEST_F(SoundFiles, FormatBlocksTheMixerCannotTakeAreRefusedWithTheirText) {
  const Bytes data = Samples16({1, 2, 3, 4});
  struct Case {
    const char* name;
    Bytes fmt;
    const char8_t* message;
  } cases[] = {
      {"IMA ADPCM in an 18-byte block", Fmt(0x11, 1, 22050, 4, 18), kNotPcm},
      {"IMA ADPCM in its own 20-byte block", Fmt(0x11, 1, 22050, 4, 20), kBadFormat},
      {"14-byte block", Fmt(1, 1, 22050, 16, 14), kBadFormat},
      {"zero channels", Fmt(1, 0, 22050, 16), kBadFormat},
      {"4-bit PCM", Fmt(1, 1, 22050, 4), kBadFormat},
      {"24-bit PCM", Fmt(1, 1, 44100, 24), kBadFormat},
      {"32-bit PCM", Fmt(1, 2, 44100, 32), kBadFormat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = Write("fmt.wav", Riff({Chunk("LIST", {'I', 'N', 'F', 'O', 1}), c.fmt, Chunk("data", data)}));
    WAVEDATA w{};
    EXPECT_FALSE(LoadWaveFile(path.c_str(), &w));
    EXPECT_EQ(w.pData, nullptr);
    EXPECT_EQ(TakeReport(), path + U8(c.message));
  }
}

TEST_F(SoundFiles, CutDataKeepsTheWholeFramesOfEveryLayout) {
  struct Case {
    const char* name;
    Bytes fmt;
    Bytes data;
    uint32_t declared;  // data chunk size as stored
    size_t cut;         // bytes taken off the end of the file
    uint32_t kept;
  } cases[] = {
      {"16-bit stereo cut inside a frame", Fmt(1, 2, 44100, 16), Samples16({1, 2, 3, 4, 5, 6}), UINT32_MAX, 5, 4},
      {"8-bit mono", Fmt(1, 1, 22050, 8), Bytes{10, 20, 30, 40, 50}, UINT32_MAX, 2, 4},
      {"size far beyond the file", Fmt(1, 1, 44100, 16), Samples16({7, 8, 9, 10}), 0x7FFFFFFF, 0, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = Riff({c.fmt, Chunk("data", c.data, c.declared)});
    file.resize(file.size() - c.cut);
    std::string path = Write("cut.wav", file);
    WAVEDATA w{};
    ASSERT_TRUE(LoadWaveFile(path.c_str(), &w));
    ASSERT_EQ(w.dwSize, c.kept);
    EXPECT_EQ(Bytes(w.pData, w.pData + w.dwSize), Bytes(c.data.begin(), c.data.begin() + c.kept));
    FreeWaveData(&w);
    const uint32_t declared = c.declared == UINT32_MAX ? static_cast<uint32_t>(c.data.size()) : c.declared;
    EXPECT_EQ(TakeReport(), path + Format(reinterpret_cast<const char*>(
                                              u8" のデータが %zu バイト目で途切れています（%u バイトのはずです）。%u バイトまでを使います。\n"),
                                          file.size(), declared, c.kept));
  }
}

// Real recordings from a Debian package (sound-icons), when it is installed.
TEST_F(SoundSlots, RealWaveFilesLoadAndPlay) {
  const std::filesystem::path folder = "/usr/share/sounds/sound-icons";
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    if (e.path().extension() == ".wav" && e.is_regular_file()) files.push_back(e.path());
  if (files.empty()) GTEST_SKIP() << "no wave files in " << folder;
  for (const auto& file : files) {
    SCOPED_TRACE(file.string());
    std::ifstream in(file, std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // The samples are the "data" chunk's body, found here by a plain search.
    const char tag[] = "data";
    auto at = std::search(bytes.begin(), bytes.end(), tag, tag + 4);
    ASSERT_NE(at, bytes.end());
    const size_t start = static_cast<size_t>(at - bytes.begin()) + 8;
    const size_t size = std::min<size_t>(at[4] | at[5] << 8 | at[6] << 16 | size_t{at[7]} << 24, bytes.size() - start);

    WAVEDATA w{};
    ASSERT_TRUE(LoadWaveFile(file.c_str(), &w));
    EXPECT_EQ(w.wf.wFormatTag, 1);
    ASSERT_EQ(w.dwSize, size);
    EXPECT_EQ(std::memcmp(w.pData, bytes.data() + start, size), 0);
    const uint32_t rate = w.wf.nSamplesPerSec;
    const uint32_t frames = w.dwSize / w.wf.nBlockAlign;
    FreeWaveData(&w);

    DSSOUNDDATA slot{};
    ASSERT_TRUE(DSCreateSound(&slot, file.c_str(), 2, 0));
    // Converted to the mixer's rate: the same length in time.
    EXPECT_NEAR(plat::GetVoiceLength(slot.lpBuffers[0]), static_cast<double>(frames) * plat::kAudioRate / rate, 2.0);
    DSPlay(&slot, 0);
    int peak = 0;
    for (int16_t v : Mix(static_cast<int>(plat::GetVoiceLength(slot.lpBuffers[0]))))
      peak = std::max(peak, std::abs(int{v}));
    EXPECT_GT(peak, 100);
    DSReleaseSound(&slot);
  }
  EXPECT_EQ(TakeReport(), "");
}

}  // namespace
