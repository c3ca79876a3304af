#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/audio.h"
#include "platform/midi_device.h"
#include "services/midi.h"
#include "services/midi_stream.h"
#include "support/music_test_support.h"

namespace {

using namespace music_test;

// --- buffer filling ---------------------------------------------------------------

struct Buffer {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kMidiBufferSize, 0xCD);
  plat::MidiHeader header;
  Buffer() {
    header.lpData = bytes.data();
    header.dwBufferLength = kMidiBufferSize;
    header.dwFlags = plat::kMhdrInQueue;  // FillBuffer resets the flags
    header.dwOffset = 7;
  }
  Bytes Used() const { return Bytes(bytes.begin(), bytes.begin() + header.dwBytesRecorded); }
};

TEST(MidiFillBuffer, EventsBecomeStreamRecords) {
  const Bytes events = Bytes{0x00, 0xC0, 0x05} + Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20} +
                       Bytes{0x00, 0xFF, 0x01, 0x01, 'a'} +  // a text at delta 0: no record
                       Bytes{0x10, 0xFF, 0x01, 0x01, 'b'} +  // a text after 16 ticks: the time is kept
                       Bytes{0x00, 0x90, 0x3C, 0x64} + Bytes{0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7} +
                       Bytes{0x60, 0x80, 0x3C, 0x00} + Bytes{0x00, 0xFF, 0x2F, 0x00};
  const Bytes image = Image(96, events);
  Buffer b;
  uint32_t used = cMidiStream::FillBuffer(image, kMidiImageFirstEvent, &b.header);
  EXPECT_EQ(used, events.size());
  const Bytes expected = Rec(0, 0x000005C0) + Rec(0, 0x0107A120) + Rec(16, 0x02000000) + Rec(0, 0x00643C90) +
                         Rec(0, 0x80000006) + Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0x00} +
                         Rec(0x60, 0x00003C80) + Rec(0, 0x40002FFF);
  EXPECT_EQ(b.Used(), expected);
  EXPECT_EQ(b.header.dwFlags.load(), 0u);
  EXPECT_EQ(b.header.dwOffset, 0u);
  // The rest of the block is zeroed.
  EXPECT_EQ(b.bytes[b.header.dwBytesRecorded], 0);
  EXPECT_EQ(b.bytes.back(), 0);
}

TEST(MidiFillBuffer, FullBufferAsksForTheCallbackAndTheNextOneGoesOn) {
  // 2,000 short events fill 24,000 bytes exactly; the end-of-track event
  // does not fit and goes into the next buffer alone.
  Bytes events;
  for (int i = 0; i < 2000; ++i) events = events + Bytes{0x01, 0x90, 0x3C, static_cast<uint8_t>(1 + i % 100)};
  events = events + Bytes{0x05, 0xFF, 0x2F, 0x00};
  const Bytes image = Image(96, events);
  Buffer first, second;
  uint32_t used = cMidiStream::FillBuffer(image, kMidiImageFirstEvent, &first.header);
  EXPECT_EQ(used, 8000u);
  ASSERT_EQ(first.header.dwBytesRecorded, 24000u);
  EXPECT_EQ(Bytes(first.bytes.begin(), first.bytes.begin() + 12), Rec(1, 0x01 << 16 | 0x3C90));
  EXPECT_EQ(Bytes(first.bytes.end() - 24, first.bytes.end() - 12), Rec(1, 99u << 16 | 0x3C90));
  EXPECT_EQ(Bytes(first.bytes.end() - 12, first.bytes.end()), Rec(1, 0x40000000u | 100u << 16 | 0x3C90));

  used = cMidiStream::FillBuffer(image, kMidiImageFirstEvent + 8000, &second.header);
  EXPECT_EQ(used, 4u);
  EXPECT_EQ(second.Used(), Rec(5, 0x40002FFF));
}

TEST(MidiFillBuffer, LongMessagesStopAtAFullBufferAndHugeOnesAreDropped) {
  // 1,999 short records leave 12 bytes: a system-exclusive record of 16
  // does not fit, so the buffer ends and the last short record calls back.
  Bytes events;
  for (int i = 0; i < 1999; ++i) events = events + Bytes{0x00, 0x90, 0x3C, 0x40};
  events = events + Bytes{0x00, 0xF0, 0x02, 0x01, 0xF7} + Bytes{0x00, 0xFF, 0x2F, 0x00};
  const Bytes image = Image(96, events);
  Buffer b;
  EXPECT_EQ(cMidiStream::FillBuffer(image, kMidiImageFirstEvent, &b.header), 1999u * 4);
  EXPECT_EQ(b.header.dwBytesRecorded, 1999u * 12);
  EXPECT_EQ(Bytes(b.bytes.begin() + 1998 * 12, b.bytes.begin() + 1999 * 12), Rec(0, 0x40403C90));

  // A message larger than a whole buffer could never be sent: it is
  // dropped and its delta kept, instead of stalling the music for good.
  Bytes huge{0x07, 0xF0};
  huge = huge + VarLen(24000) + Bytes(24000, 0x11);
  const Bytes image2 = Image(96, huge + Bytes{0x00, 0x90, 0x3C, 0x40} + Bytes{0x00, 0xFF, 0x2F, 0x00});
  Buffer c;
  EXPECT_EQ(cMidiStream::FillBuffer(image2, kMidiImageFirstEvent, &c.header), image2.size() - kMidiImageFirstEvent);
  EXPECT_EQ(c.Used(), Rec(7, 0x02000000) + Rec(0, 0x00403C90) + Rec(0, 0x40002FFF));
}

// --- ticks to frames --------------------------------------------------------------

TEST(MidiClock, TicksMapToFramesThroughTempoChanges) {
  plat::MidiClock clock(44100);
  clock.Reset(96, 500000);
  EXPECT_EQ(clock.FrameOf(0), 0u);
  EXPECT_EQ(clock.FrameOf(48), 11025u);
  EXPECT_EQ(clock.FrameOf(96), 22050u);
  clock.SetTempo(96, 250000);  // twice as fast from beat 2 on
  EXPECT_EQ(clock.FrameOf(96), 22050u);
  EXPECT_EQ(clock.FrameOf(192), 33075u);
  EXPECT_EQ(clock.FrameOf(240), 38587u);  // 22050 + 16537.5, rounded down

  // No drift: every tick is placed from the segment's start, not by adding
  // a rounded step (600,000 us at 480 ticks is 55.125 frames a tick).
  clock.Reset(480, 600000);
  EXPECT_EQ(clock.FrameOf(1), 55u);
  EXPECT_EQ(clock.FrameOf(7), 385u);
  EXPECT_EQ(clock.FrameOf(1000), 55125u);

  // Time-code divisions: 25 frames of 40 ticks, and 29.97 frames of 100.
  clock.Reset(0xE728, 500000);
  EXPECT_EQ(clock.FrameOf(1000), 44100u);
  clock.SetTempo(500, 100000);  // tempo plays no part
  EXPECT_EQ(clock.FrameOf(1000), 44100u);
  clock.Reset(0xE364, 500000);
  EXPECT_EQ(clock.FrameOf(30000), 441441u);
}

// --- the stream device --------------------------------------------------------------

struct Played {
  uint64_t frame;
  Bytes bytes;
  bool operator==(const Played&) const = default;
};

class MidiDevice : public MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    plat::SetMidiEventObserverForTest([this](uint64_t frame, const uint8_t* b, size_t n) {
      std::lock_guard<std::mutex> g(lock_);
      played_.push_back({frame, Bytes(b, b + n)});
    });
    queue_ = plat::CreateThreadQueue();
    plat::BindCurrentThread(queue_);
  }
  void TearDown() override {
    plat::SetMidiEventObserverForTest(nullptr);
    plat::BindCurrentThread(0);
    plat::ReleaseThreadQueue(queue_);
    MusicTest::TearDown();
  }
  void Mix(int frames, int chunk = 1000) {
    std::vector<int16_t> out(static_cast<size_t>(chunk) * 2);
    for (int done = 0; done < frames; done += chunk) plat::MixAudio(out.data(), std::min(chunk, frames - done));
  }
  std::vector<Played> TakePlayed() {
    std::lock_guard<std::mutex> g(lock_);
    std::vector<Played> p;
    p.swap(played_);
    return p;
  }
  // The next message of the stream (posted from the device's own thread).
  MSG NextMessage() {
    MSG m{};
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!plat::PeekMessage(&m, true)) {
      if (std::chrono::steady_clock::now() > until) return MSG{};
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return m;
  }
  static Bytes NotesOff(uint64_t) {
    Bytes all;
    for (uint8_t ch = 0; ch < 16; ++ch) all = all + Bytes{static_cast<uint8_t>(0xB0 | ch), 0x7B, 0x00};
    return all;
  }
  static Bytes Flatten(const std::vector<Played>& p, size_t from = 0) {
    Bytes all;
    for (size_t i = from; i < p.size(); ++i) all = all + p[i].bytes;
    return all;
  }

  std::mutex lock_;
  std::vector<Played> played_;
  plat::ThreadId queue_ = 0;
};

TEST_F(MidiDevice, EventsPlayAtTheirFrameAndCallBackFromTheDeviceThread) {
  plat::MidiStream s = nullptr;
  ASSERT_EQ(plat::MidiStreamOpen(&s, queue_), plat::kMidiOk);
  ASSERT_EQ(plat::MidiStreamSetTimeDiv(s, 96), plat::kMidiOk);
  Buffer b;
  const Bytes records = Rec(0, 0x0107A120) + Rec(0, 0x00643C90) + Rec(96, 0x00003C80) + Rec(0, 0x0103D090) +
                        Rec(96, 0x40643E90) + Rec(48, 0x40002FFF);
  std::copy(records.begin(), records.end(), b.bytes.begin());
  b.header.dwBytesRecorded = static_cast<uint32_t>(records.size());
  b.header.dwFlags = 0;
  ASSERT_EQ(plat::MidiOutPrepareHeader(s, &b.header), plat::kMidiOk);
  ASSERT_EQ(plat::MidiStreamOut(s, &b.header), plat::kMidiOk);
  EXPECT_EQ(NextMessage().message, plat::kMomOpen);

  Mix(5000);  // paused until restarted
  EXPECT_TRUE(TakePlayed().empty());
  ASSERT_EQ(plat::MidiStreamRestart(s), plat::kMidiOk);
  Mix(34000);
  EXPECT_EQ(TakePlayed(), (std::vector<Played>{{0, {0x90, 0x3C, 0x64}}, {22050, {0x80, 0x3C, 0x00}},
                                               {33075, {0x90, 0x3E, 0x64}}}));
  MSG m = NextMessage();
  EXPECT_EQ(m.message, plat::kMomPositionCb);
  EXPECT_EQ(m.lParam, reinterpret_cast<LPARAM>(&b.header));
  EXPECT_EQ(b.header.dwOffset, 48u);
  EXPECT_TRUE(b.header.dwFlags & plat::kMhdrInQueue);

  Mix(10000);
  EXPECT_EQ(TakePlayed(), (std::vector<Played>{{38587, {0xFF, 0x2F, 0x00}}}));
  // The buffer is handed back before its callback is posted, so the owner
  // can refill it at once.
  m = NextMessage();
  EXPECT_EQ(m.message, plat::kMomPositionCb);
  EXPECT_EQ(b.header.dwOffset, 60u);
  EXPECT_EQ(b.header.dwFlags.load(), plat::kMhdrPrepared | plat::kMhdrDone);
  EXPECT_EQ(NextMessage().message, plat::kMomDone);

  ASSERT_EQ(plat::MidiStreamClose(s), plat::kMidiOk);
  EXPECT_EQ(NextMessage().message, plat::kMomClose);
}

TEST_F(MidiDevice, EveryKindOfMessageReachesTheSynthesizerWhole) {
  plat::MidiStream s = nullptr;
  ASSERT_EQ(plat::MidiStreamOpen(&s, queue_), plat::kMidiOk);
  Buffer b;
  const Bytes records = Rec(0, 0x006407B0) + Rec(0, 0x004000E0) + Rec(0, 0x00203CA0) + Rec(0, 0x000030D0) +
                        Rec(0, 0x000005C0) + Rec(10, 0x80000006) + Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0, 0} +
                        Rec(0, 0x02000000) + Rec(0, 0x40002FFF);
  std::copy(records.begin(), records.end(), b.bytes.begin());
  b.header.dwBytesRecorded = static_cast<uint32_t>(records.size());
  b.header.dwFlags = 0;
  plat::MidiOutPrepareHeader(s, &b.header);
  plat::MidiStreamOut(s, &b.header);
  plat::MidiStreamRestart(s);
  Mix(3000);
  EXPECT_EQ(TakePlayed(), (std::vector<Played>{{0, {0xB0, 0x07, 0x64}},
                                               {0, {0xE0, 0x00, 0x40}},
                                               {0, {0xA0, 0x3C, 0x20}},
                                               {0, {0xD0, 0x30}},
                                               {0, {0xC0, 0x05}},
                                               {2296, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
                                               {2296, {0xFF, 0x2F, 0x00}}}));
  plat::MidiStreamClose(s);
}

TEST_F(MidiDevice, PauseHoldsThePositionAndStopReturnsEverything) {
  plat::MidiStream s = nullptr;
  ASSERT_EQ(plat::MidiStreamOpen(&s, queue_), plat::kMidiOk);
  Buffer a, b;
  const Bytes first = Rec(0, 0x00643C90) + Rec(96, 0x00003C80);
  const Bytes second = Rec(96, 0x00643E90);
  std::copy(first.begin(), first.end(), a.bytes.begin());
  std::copy(second.begin(), second.end(), b.bytes.begin());
  a.header.dwBytesRecorded = static_cast<uint32_t>(first.size());
  b.header.dwBytesRecorded = static_cast<uint32_t>(second.size());
  for (Buffer* x : {&a, &b}) {
    x->header.dwFlags = 0;
    plat::MidiOutPrepareHeader(s, &x->header);
    plat::MidiStreamOut(s, &x->header);
  }
  EXPECT_EQ(plat::MidiOutUnprepareHeader(s, &a.header), plat::kMidiErrStillPlaying);
  plat::MidiStreamRestart(s);
  Mix(10000);
  plat::MidiStreamPause(s);
  Mix(30000);  // the stream clock stands still meanwhile
  plat::MidiStreamRestart(s);
  Mix(20000);
  std::vector<Played> p = TakePlayed();
  ASSERT_EQ(p.size(), 1u + 16u + 1u);
  EXPECT_EQ(p[0], (Played{0, {0x90, 0x3C, 0x64}}));
  EXPECT_EQ(Flatten(p, 1).size(), 48u + 3u);  // notes off on pause, then the note off
  EXPECT_EQ(p.back(), (Played{22050, {0x80, 0x3C, 0x00}}));
  EXPECT_TRUE(b.header.dwFlags & plat::kMhdrInQueue);

  plat::MidiStreamStop(s);
  EXPECT_EQ(Flatten(TakePlayed()), NotesOff(0));
  EXPECT_EQ(a.header.dwFlags.load(), plat::kMhdrPrepared | plat::kMhdrDone);
  EXPECT_EQ(b.header.dwFlags.load(), plat::kMhdrPrepared | plat::kMhdrDone);
  EXPECT_EQ(plat::MidiOutUnprepareHeader(s, &b.header), plat::kMidiOk);
  // Back at tick 0: a new buffer starts from frame 0.
  plat::MidiStreamOut(s, &a.header);
  EXPECT_EQ(plat::MidiStreamOut(s, &b.header), plat::kMidiErrUnprepared);
  plat::MidiStreamRestart(s);
  Mix(1000);
  EXPECT_EQ(TakePlayed(), (std::vector<Played>{{0, {0x90, 0x3C, 0x64}}}));
  EXPECT_EQ(plat::MidiStreamClose(s), plat::kMidiOk);
  EXPECT_EQ(Flatten(TakePlayed()), NotesOff(0));
  EXPECT_EQ(plat::MidiStreamSetTimeDiv(nullptr, 96), plat::kMidiErrInvalidHandle);
}

// --- the player -----------------------------------------------------------------------

class MidiPlayer : public MidiDevice {
 protected:
  // A note at tick 0 held for a beat; the track ends after two beats.
  std::string WriteSong() {
    const Bytes t = Ev(0, {0x90, 0x3C, 0x64}) + Ev(96, {0x80, 0x3C, 0x00}) + EndOfTrack(96);
    return Write("song.mid", Header(0, 1, 96) + Track(t));
  }
  size_t NoteOns() {
    std::lock_guard<std::mutex> g(lock_);
    size_t n = 0;
    for (const Played& p : played_) n += p.bytes[0] == 0x90;
    return n;
  }
};

TEST_F(MidiPlayer, PlaysToTheEndAndStopsRewound) {
  cMidiStream stream(WriteSong().c_str());
  ASSERT_TRUE(stream.HasImage());
  EXPECT_EQ(stream.GetState(), cMidiStream::kStopped);
  stream.Restart(0);
  EXPECT_EQ(stream.GetState(), cMidiStream::kPlaying);
  // Headless, the mixer waits for each callback to be handled, so the end
  // is seen exactly when its frame is mixed.
  Mix(44100, 735);
  EXPECT_EQ(stream.GetState(), cMidiStream::kPlaying);
  Mix(1);
  EXPECT_EQ(stream.GetState(), cMidiStream::kStopped);
  EXPECT_EQ(stream.GetReadPos(), kMidiImageFirstEvent + 12);  // the beginning queued again
  std::vector<Played> p = TakePlayed();
  ASSERT_GE(p.size(), 3u);
  EXPECT_EQ(p[0], (Played{0, {0x90, 0x3C, 0x64}}));
  EXPECT_EQ(p[1], (Played{22050, {0x80, 0x3C, 0x00}}));
  EXPECT_EQ(p[2], (Played{44100, {0xFF, 0x2F, 0x00}}));
  EXPECT_EQ(Flatten(p, 3), NotesOff(0));
  EXPECT_EQ(TakeReport(), "");
}

TEST_F(MidiPlayer, LongSongRefillsTheBuffersInTurn) {
  // 4,500 events need three buffers: the callback at the end of the first
  // refills it while the second plays.
  Bytes t;
  for (int i = 0; i < 4500; ++i) t = t + Ev(0, {0x90, 0x3C, static_cast<uint8_t>(1 + i % 127)});
  cMidiStream stream(Write("long.mid", Header(0, 1, 96) + Track(t + EndOfTrack(96))).c_str());
  stream.Restart(0);
  Mix(22051);
  std::vector<Played> p = TakePlayed();
  ASSERT_EQ(p.size(), 4500u + 1u + 16u);
  for (int i = 0; i < 4500; ++i)
    ASSERT_EQ(p[static_cast<size_t>(i)], (Played{0, {0x90, 0x3C, static_cast<uint8_t>(1 + i % 127)}})) << i;
  EXPECT_EQ(p[4500], (Played{22050, {0xFF, 0x2F, 0x00}}));
  EXPECT_EQ(stream.GetState(), cMidiStream::kStopped);
}

TEST_F(MidiPlayer, LoopingRestartsAfterTheEndAndPauseResumes) {
  cMidiStream stream(WriteSong().c_str());
  stream.Restart(1);
  // Each pass lasts two beats (44,100 frames) and the next one follows at once.
  Mix(88200, 735);
  EXPECT_EQ(NoteOns(), 2u);
  Mix(1);
  EXPECT_EQ(NoteOns(), 3u);
  EXPECT_EQ(stream.GetState(), cMidiStream::kPlaying);
  stream.Stop(1);
  EXPECT_EQ(stream.GetState(), cMidiStream::kPaused);
  TakePlayed();
  Mix(50000);
  EXPECT_TRUE(TakePlayed().empty());
  stream.Restart(1);
  EXPECT_EQ(stream.GetState(), cMidiStream::kPlaying);
}

TEST_F(MidiPlayer, ListPlaysOnlyMidFilesAndOneStreamAtATime) {
  std::string song = WriteSong();
  cMidiList list;
  list.Resize(1);
  EXPECT_EQ(list.Play(0, Write("song.MID", Header(0, 1, 96) + Track(EndOfTrack())).c_str(), 0), 0);
  EXPECT_EQ(list.Get(0), nullptr);
  EXPECT_EQ(list.Play(0, (dir_ / "missing.mid").c_str(), 0), 0);
  ASSERT_NE(list.Get(0), nullptr);  // stays until the next play
  EXPECT_FALSE(list.Get(0)->HasImage());
  TakeReport();
  EXPECT_EQ(list.Play(0, song.c_str(), 1), 1);
  cMidiStream* first = list.Get(0);
  EXPECT_EQ(first->GetState(), cMidiStream::kPlaying);
  list.StopAll(1);
  EXPECT_EQ(first->GetState(), cMidiStream::kPaused);
  list.StopAll(0);
  EXPECT_EQ(first->GetState(), cMidiStream::kStopped);
  EXPECT_EQ(TakeReport(), "");
}

class MidiSynth : public MusicTest {
 protected:
  void TearDown() override {
    plat::SetMidiSoundFont("/usr/share/sounds/sf2/TimGM6mb.sf2");
    MusicTest::TearDown();
  }
};

TEST_F(MidiSynth, MissingSoundFontLeavesMusicSilentWithOneReportLine) {
  const std::string font = (dir_ / "none.sf2").string();
  plat::SetMidiSoundFont(font);
  const Bytes t = Ev(0, {0x90, 0x3C, 0x64}) + EndOfTrack(960);
  std::string song = Write("song.mid", Header(0, 1, 96) + Track(t));
  for (int i = 0; i < 2; ++i) {
    cMidiStream stream(song.c_str());
    stream.Restart(0);
    std::vector<int16_t> out(2 * 4410, 0);
    plat::MixAudio(out.data(), 4410);
    for (int16_t v : out) ASSERT_EQ(v, 0);
  }
  EXPECT_EQ(TakeReport(), "Midi " + font + U8(u8" サウンドフォントを読み込めません（MIDIの音楽は無音になります）\n"));
}

TEST_F(MidiSynth, NotesSoundThroughTheSynthesizer) {
  const std::string font = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  if (!std::filesystem::exists(font)) GTEST_SKIP() << "no " << font;
  plat::SetMidiSoundFont(font);
  const Bytes t = Ev(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}) + Ev(0, {0xC0, 0x00}) +
                  Ev(0, {0xB0, 0x07, 0x7F}) + Ev(0, {0xE0, 0x00, 0x40}) + Ev(0, {0x90, 0x45, 0x7F}) +
                  Ev(0, {0xD0, 0x40}) + EndOfTrack(960);
  cMidiStream stream(Write("song.mid", Header(0, 1, 96) + Track(t)).c_str());
  std::vector<int16_t> out(2 * 4410, 0);
  plat::MixAudio(out.data(), 4410);
  int peak = 0;
  for (int16_t v : out) peak = std::max(peak, std::abs(int{v}));
  EXPECT_EQ(peak, 0);  // stopped: nothing sounds
  stream.Restart(0);
  plat::MixAudio(out.data(), 4410);
  for (int16_t v : out) peak = std::max(peak, std::abs(int{v}));
  EXPECT_GT(peak, 500);
  EXPECT_EQ(TakeReport(), "");
}

}  // namespace
