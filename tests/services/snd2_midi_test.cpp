#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/audio.h"
#include "platform/midi_device.h"
#include "services/midi.h"
#include "services/midi_stream.h"
#include "support/music_test_support.h"

namespace {

using namespace music_test;

class MidiImage : public MusicTest {
 protected:
  Bytes Convert(const Bytes& file) { return cMidi::Convert("song.mid", file.data(), file.size()); }
};

// Tracks are read within their chunks: a missing end event ends the track at
// its chunk, and bytes after an end event up to the chunk's end are skipped.
TEST_F(MidiImage, TracksEndWithTheirChunks) {
  const Bytes noEnd = Ev(0, {0xC0, 0x05}) + Ev(0x40, {0x90, 0x3C, 0x64}) + Ev(0x20, {0x3C, 0x00});
  const Bytes second = Ev(0x10, {0x91, 0x40, 0x50}) + EndOfTrack(0x08);
  const Bytes trailing = EndOfTrack(0x70) + Bytes{0x00, 0x92, 0x01, 0x02};  // never read
  struct Case {
    const char* name;
    Bytes file;
    Bytes events;
  } cases[] = {
      {"format 0 without an end event", Header(0, 1, 96) + Track(noEnd),
       Bytes{0x00, 0xC0, 0x05} + Bytes{0x40, 0x90, 0x3C, 0x64} + Bytes{0x20, 0x90, 0x3C, 0x00} +
           Bytes{0x00, 0xFF, 0x2F, 0x00}},
      {"format 1, first track without an end event", Header(1, 2, 96) + Track(noEnd) + Track(second),
       Bytes{0x00, 0xC0, 0x05} + Bytes{0x10, 0x91, 0x40, 0x50} + Bytes{0x30, 0x90, 0x3C, 0x64} +
           Bytes{0x20, 0x90, 0x3C, 0x00} + Bytes{0x00, 0xFF, 0x2F, 0x00}},
      {"bytes after the end event", Header(1, 2, 96) + Track(trailing) + Track(second),
       Bytes{0x10, 0x91, 0x40, 0x50} + Bytes{0x60, 0xFF, 0x2F, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Convert(c.file), Image(96, c.events));
    EXPECT_EQ(TakeReport(), "");
  }
}

TEST_F(MidiImage, MetaEventsKeepTheirDeltaAndSmpteDivisionIsCopied) {
  // 0xE728: 25 frames a second, 40 ticks a frame.
  const Bytes t0 = Ev(0x30, {0xFF, 0x01, 0x02, 'h', 'i'}) + Ev(0x10, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}) +
                   EndOfTrack(0x200);
  const Bytes t1 = Ev(0x20, {0x90, 0x3C, 0x64}) + Ev(0x40, {0xF0, 0x03, 0x41, 0x10, 0xF7}) + EndOfTrack();
  const Bytes image = Convert(Header(1, 2, 0xE728) + Track(t0) + Track(t1));
  const Bytes events = Bytes{0x20, 0x90, 0x3C, 0x64} + Bytes{0x10, 0xFF, 0x01, 0x02, 'h', 'i'} +
                       Bytes{0x10, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40} + Bytes{0x20, 0xF0, 0x03, 0x41, 0x10, 0xF7} +
                       Bytes{0x83, 0x60, 0xFF, 0x2F, 0x00};
  ASSERT_EQ(image, Image(0xE728, events));

  // In the stream buffer the text event's time moves on to the tempo.
  std::vector<uint8_t> block(kMidiBufferSize);
  plat::MidiHeader h;
  h.lpData = block.data();
  h.dwBufferLength = kMidiBufferSize;
  ASSERT_EQ(cMidiStream::FillBuffer(image, kMidiImageFirstEvent, &h), events.size());
  const Bytes records = Rec(0x20, 0x00643C90) + Rec(0x10, 0x02000000) + Rec(0x10, 0x010F4240) + Rec(0x20, 0x80000004) +
                        Bytes{0xF0, 0x41, 0x10, 0xF7} + Rec(0x1E0, 0x40002FFF);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + h.dwBytesRecorded), records);

  // The player takes the SMPTE division as it stands.
  plat::SetMidiEventObserverForTest([](uint64_t, const uint8_t*, size_t) {});
  {
    cMidiStream stream(Write("smpte.mid", Header(1, 2, 0xE728) + Track(t0) + Track(t1)).c_str());
    EXPECT_TRUE(stream.HasImage());
    stream.Restart(0);
  }
  plat::SetMidiEventObserverForTest(nullptr);
  EXPECT_EQ(TakeReport(), "");
}

// 2,001 events: a tempo and 2,000 notes under running status. The tempo and
// 1,999 notes fill the first 24,000-byte buffer exactly; the last note and
// the end of the track go into the second.
TEST_F(MidiImage, TwoThousandAndOneEventsCrossTheBuffer) {
  Bytes events = Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}) + Ev(1, {0x90, 0x3C, 1});
  for (int i = 1; i < 2000; ++i) events = events + Ev(1, {0x3C, static_cast<uint8_t>(1 + i % 100)});
  const Bytes file = Header(0, 1, 480) + Track(events + EndOfTrack(9));
  const Bytes image = Convert(file);

  Bytes expectedEvents = Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
  for (int i = 0; i < 2000; ++i) expectedEvents = expectedEvents + Bytes{0x01, 0x90, 0x3C, static_cast<uint8_t>(1 + i % 100)};
  expectedEvents = expectedEvents + Bytes{0x09, 0xFF, 0x2F, 0x00};
  ASSERT_EQ(image, Image(480, expectedEvents));
  EXPECT_EQ(image.size(), 22u + 7 + 2000 * 4 + 4);

  Bytes first = Rec(0, 0x0107A120), second;
  for (int i = 0; i < 2000; ++i) {
    uint32_t note = static_cast<uint32_t>(1 + i % 100) << 16 | 0x3C90;
    Bytes& into = i < 1999 ? first : second;
    into = into + Rec(1, note | (i == 1998 ? 0x40000000u : 0u));
  }
  second = second + Rec(9, 0x40002FFF);
  ASSERT_EQ(first.size(), 24000u);

  std::vector<uint8_t> block(kMidiBufferSize);
  plat::MidiHeader h;
  h.lpData = block.data();
  h.dwBufferLength = kMidiBufferSize;
  uint32_t used = cMidiStream::FillBuffer(image, kMidiImageFirstEvent, &h);
  EXPECT_EQ(used, 7u + 1999 * 4);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + h.dwBytesRecorded), first);
  uint32_t usedAgain = cMidiStream::FillBuffer(image, kMidiImageFirstEvent + used, &h);
  EXPECT_EQ(kMidiImageFirstEvent + used + usedAgain, image.size());
  EXPECT_EQ(Bytes(block.begin(), block.begin() + h.dwBytesRecorded), second);
  EXPECT_EQ(TakeReport(), "");
}

// A system-exclusive message no buffer can hold is kept in the image (the
// player drops it, keeping its time) and reported once when the file is read.
TEST_F(MidiImage, AnOversizedSysExIsReportedWhenRead) {
  const Bytes huge = Bytes{0x05, 0xF0} + VarLen(kMidiBufferSize - kMidiRecordBytes) +
                     Bytes(kMidiBufferSize - kMidiRecordBytes, 0x11);
  const Bytes fits = Bytes{0x00, 0xF0} + VarLen(kMidiBufferSize - kMidiRecordBytes - 1) +
                     Bytes(kMidiBufferSize - kMidiRecordBytes - 1, 0x22);
  const Bytes events = huge + fits + Bytes{0x00, 0x90, 0x3C, 0x40} + Bytes{0x00, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(Convert(Header(0, 1, 96) + Track(events)), Image(96, events));
  EXPECT_EQ(TakeReport(), U8(u8"Midi song.mid Init システムエクスクルーシブ(23988 バイト)が大きすぎるため送りません(27)\n"));
}

size_t ThreadCount() {
  size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/task")) n += e.is_directory() ? 1 : 0;
  return n;
}

// The window thread may replace or delete the player while the mixer is
// pulling it and its callback thread is refilling buffers; each player takes
// its callback thread with it.
TEST_F(MidiImage, PlayersDeletedWhilePlayingLeaveNoThreadBehind) {
  plat::SetMidiEventObserverForTest([](uint64_t, const uint8_t*, size_t) {});
  Bytes t;
  for (int i = 0; i < 3000; ++i) t = t + Ev(i % 3 == 0 ? 1 : 0, {0x90, 0x3C, static_cast<uint8_t>(1 + i % 127)});
  const std::string song = Write("busy.mid", Header(0, 1, 24) + Track(t + EndOfTrack(1)));
  auto cycle = [&](int round) {
    std::atomic<bool> done{false};
    std::thread mixer([&] {
      std::vector<int16_t> out(2 * 512);
      while (!done) plat::MixAudio(out.data(), 512);
    });
    {
      cMidiStream stream(song.c_str());
      ASSERT_TRUE(stream.HasImage());
      stream.Restart(1);
      for (int i = 0; i < round % 4; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        stream.Stop(i % 2);
        stream.Restart(1);
      }
    }
    done = true;
    mixer.join();
  };
  cycle(0);
  const size_t before = ThreadCount();
  for (int round = 1; round <= 12; ++round) cycle(round);
  EXPECT_EQ(ThreadCount(), before);
  plat::SetMidiEventObserverForTest(nullptr);
  EXPECT_EQ(TakeReport(), "");
}

}  // namespace
