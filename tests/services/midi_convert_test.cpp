#include <gtest/gtest.h>

#include <random>

#include "services/midi.h"
#include "services/midi_stream.h"
#include "support/music_test_support.h"

namespace {

using namespace music_test;

class MidiConvert : public MusicTest {
 protected:
  Bytes Convert(const Bytes& file) { return cMidi::Convert("song.mid", file.data(), file.size()); }
};

TEST(MidiVarLen, ReadsAndWritesOneToFourBytes) {
  struct Case {
    Bytes bytes;
    uint32_t value;
  };
  const Case cases[] = {
      {{0x00}, 0},
      {{0x7F}, 0x7F},
      {{0x81, 0x00}, 0x80},
      {{0xC0, 0x00}, 0x2000},
      {{0xFF, 0x7F}, 0x3FFF},
      {{0x81, 0x80, 0x00}, 0x4000},
      {{0xFF, 0xFF, 0x7F}, 0x1FFFFF},
      {{0x81, 0x80, 0x80, 0x00}, 0x200000},
      {{0xFF, 0xFF, 0xFF, 0x7F}, 0x0FFFFFFF},
  };
  for (const Case& c : cases) {
    uint32_t v = 0xDEADBEEF;
    EXPECT_EQ(ReadVarLen(c.bytes.data(), c.bytes.size(), &v), c.bytes.size());
    EXPECT_EQ(v, c.value);
    uint8_t out[8] = {};
    ASSERT_EQ(cMidi::WriteVarLen(out, c.value), c.bytes.size());
    EXPECT_EQ(Bytes(out, out + c.bytes.size()), c.bytes);
  }
  // A fourth byte that still says "more follows", and a number cut short.
  const Bytes five{0x80, 0x80, 0x80, 0x80, 0x00};
  uint32_t v = 0;
  EXPECT_EQ(ReadVarLen(five.data(), five.size(), &v), 0u);
  const Bytes cut{0x81, 0x80};
  EXPECT_EQ(ReadVarLen(cut.data(), cut.size(), &v), 0u);
  uint8_t out[8] = {};
  EXPECT_EQ(cMidi::WriteVarLen(out, 0x10000000), 0u);
}

TEST_F(MidiConvert, FormatZeroGetsExplicitStatusBytesAndOneEnd) {
  const Bytes events = Ev(0, {0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'}) + Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}) +
                       Ev(0, {0xC0, 0x05}) + Ev(0, {0x90, 0x3C, 0x64}) +
                       Ev(0x60, {0x3E, 0x64}) +        // running status: another note on
                       Ev(480, {0x80, 0x3C, 0x00}) +   // delta 83 60
                       Ev(0, {0x3E, 0x00}) +           // running status note off
                       Ev(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}) + EndOfTrack(0x10);
  const Bytes image = Convert(Header(0, 1, 480) + Track(events));
  const Bytes expected =
      Image(480, Bytes{0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'} + Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20} +
                     Bytes{0x00, 0xC0, 0x05} + Bytes{0x00, 0x90, 0x3C, 0x64} + Bytes{0x60, 0x90, 0x3E, 0x64} +
                     Bytes{0x83, 0x60, 0x80, 0x3C, 0x00} + Bytes{0x00, 0x80, 0x3E, 0x00} +
                     Bytes{0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7} + Bytes{0x10, 0xFF, 0x2F, 0x00});
  EXPECT_EQ(image, expected);
  EXPECT_EQ(TakeReport(), "");
}

TEST_F(MidiConvert, FormatOneTracksMergeByTimeThenTrackNumberAndEndAtTheLatest) {
  const Bytes t0 = Ev(0, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}) + EndOfTrack();
  const Bytes t1 = Ev(0, {0x90, 0x40, 0x50}) + Ev(0x60, {0x80, 0x40, 0x00}) + EndOfTrack();
  const Bytes t2 = Ev(0, {0x91, 0x43, 0x50}) + Ev(0x60, {0x81, 0x43, 0x00}) + EndOfTrack(384);
  const Bytes image = Convert(Header(1, 3, 96) + Track(t0) + Track(t1) + Track(t2));
  const Bytes expected = Image(96, Bytes{0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40} + Bytes{0x00, 0x90, 0x40, 0x50} +
                                       Bytes{0x00, 0x91, 0x43, 0x50} + Bytes{0x60, 0x80, 0x40, 0x00} +
                                       Bytes{0x00, 0x81, 0x43, 0x00} + Bytes{0x83, 0x00, 0xFF, 0x2F, 0x00});
  EXPECT_EQ(image, expected);
}

TEST_F(MidiConvert, MetaStatusStaysTheRunningStatus) {
  // After a meta event a data byte is read as another meta event's type,
  // and "2F 00" under that running status ends the track.
  const Bytes events = Ev(0, {0xFF, 0x01, 0x01, 'a'}) + Ev(0, {0x02, 0x01, 'b'}) + Ev(5, {0x2F, 0x00});
  const Bytes image = Convert(Header(0, 1, 96) + Track(events));
  EXPECT_EQ(image, Image(96, Bytes{0x00, 0xFF, 0x01, 0x01, 'a'} + Bytes{0x00, 0xFF, 0x02, 0x01, 'b'} +
                                 Bytes{0x05, 0xFF, 0x2F, 0x00}));
}

TEST_F(MidiConvert, RefusedHeadersAreReportedWithTheirReason) {
  const Bytes track = Track(EndOfTrack());
  Bytes badLength = Header(0, 1, 96);
  badLength[7] = 7;
  Bytes noTrack = Header(0, 1, 96) + track;
  noTrack[17] = 'x';
  struct Case {
    Bytes file;
    const char8_t* line;
  } cases[] = {
      {Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60} + track, u8"Midi song.mid Init 標準MIDIでない(4)\n"},
      {Bytes{}, u8"Midi song.mid Init 標準MIDIでない(4)\n"},
      {badLength + track, u8"Midi song.mid Init 標準MIDIでない(6)\n"},
      {Header(2, 1, 96) + track, u8"Midi song.mid Init 対応フォーマットが2でない\n"},
      {Header(3, 1, 96) + track, u8"Midi song.mid Init 対応フォーマットが0または1でない\n"},
      {noTrack, u8"Midi song.mid Init 標準MIDIでない(4)\n"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Convert(c.file).empty());
    EXPECT_EQ(TakeReport(), U8(c.line));
  }
}

TEST_F(MidiConvert, BrokenFilesFailWithOneLineNamingTheOffset) {
  const Bytes hdr = Header(0, 1, 96);
  auto track = [](const Bytes& events) { return Track(events); };
  struct Case {
    Bytes file;
    const char8_t* line;
  } cases[] = {
      // A delta of five bytes.
      {hdr + track(Bytes{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x64} + EndOfTrack()),
       u8"Midi song.mid Init データが壊れています(22)\n"},
      // No tracks at all.
      {Header(1, 0, 96) + track(EndOfTrack()), u8"Midi song.mid Init データが壊れています(10)\n"},
      // Only the header chunk.
      {hdr, u8"Midi song.mid Init データが途中で切れています(14)\n"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Convert(c.file).empty());
    EXPECT_EQ(TakeReport(), U8(c.line));
  }
}

// A track is read to its end event, bounded by the file: a file that ends
// inside a track keeps the events before the cut and says where it ended,
// once; a chunk length too short to hold an event does not cut it.
TEST_F(MidiConvert, FilesCutShortKeepWhatTheyHold) {
  const Bytes hdr = Header(0, 1, 96);
  const Bytes endOnly = Image(96, Bytes{0x00, 0xFF, 0x2F, 0x00});
  struct Case {
    Bytes file;
    Bytes image;
    const char8_t* line;  // empty: none
  } cases[] = {
      // Cut inside a note event: the file ends at byte 25.
      {hdr + Track(Ev(0, {0x90, 0x3C})), endOnly, u8"Midi song.mid Init データが途中で切れています(25)\n"},
      // A system-exclusive length running past the end.
      {hdr + Track(Ev(0, {0xF0, 0x7F, 0x01, 0x02})), endOnly,
       u8"Midi song.mid Init データが途中で切れています(27)\n"},
      // Two tracks announced, one present.
      {Header(1, 2, 96) + Track(Ev(5, {0x90, 0x3C, 0x64}) + EndOfTrack()),
       Image(96, Bytes{0x05, 0x90, 0x3C, 0x64} + Bytes{0x00, 0xFF, 0x2F, 0x00}),
       u8"Midi song.mid Init データが途中で切れています(30)\n"},
      // A chunk of 3 bytes around a cut note, another chunk following: the
      // note takes that chunk's first byte ('M'), and the rest is read as
      // events with the running status, never past the file's end.
      {hdr + Bytes{'M', 'T', 'r', 'k'} + BE32(3) + Bytes{0x00, 0x90, 0x3C} + Track(EndOfTrack()),
       Image(96, Bytes{0x00, 0x90, 0x3C, 'M'} + Bytes{'T', 0x90, 'r', 'k'} + Bytes{0x00, 0x90, 0x00, 0x00} +
                     Bytes{0x04, 0x90, 0x00, 0xFF} + Bytes{0x00, 0xFF, 0x2F, 0x00}),
       u8"Midi song.mid Init データが途中で切れています(37)\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Convert(c.file), c.image);
    EXPECT_EQ(TakeReport(), U8(c.line));
  }
}

TEST_F(MidiConvert, DamagedFilesNeverCrashAndGoodOnesStayPlayable) {
  const Bytes t0 = Ev(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}) + Ev(0, {0xF0, 0x03, 0x41, 0x10, 0xF7}) + EndOfTrack();
  const Bytes t1 = Ev(0, {0xC0, 0x05}) + Ev(0, {0x90, 0x3C, 0x64}) + Ev(0x60, {0x3C, 0x00}) +
                   Ev(0x10, {0xE0, 0x00, 0x40}) + Ev(0, {0xFF, 0x06, 0x02, 'm', 'k'}) + EndOfTrack(0x30);
  const Bytes good = Header(1, 2, 96) + Track(t0) + Track(t1);
  ASSERT_FALSE(Convert(good).empty());
  std::mt19937 rng(12345);
  std::vector<uint8_t> buffer(kMidiBufferSize);
  for (int i = 0; i < 3000; ++i) {
    Bytes file = good;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) file[14 + rng() % (file.size() - 14)] = static_cast<uint8_t>(rng());
    if (rng() % 4 == 0) file.resize(rng() % file.size());
    Bytes image = Convert(file);
    if (image.empty()) continue;
    // Whatever was accepted can be walked to its end.
    plat::MidiHeader h;
    h.lpData = buffer.data();
    h.dwBufferLength = kMidiBufferSize;
    uint32_t pos = kMidiImageFirstEvent;
    for (int fills = 0; fills < 100 && pos < image.size(); ++fills) {
      uint32_t used = cMidiStream::FillBuffer(image, pos, &h);
      if (used == 0) break;
      pos += used;
    }
    EXPECT_EQ(pos, image.size());
  }
}

TEST_F(MidiConvert, MissingFileIsReported) {
  cMidi midi((dir_ / "none.mid").c_str());
  EXPECT_FALSE(midi.HasImage());
  EXPECT_EQ(TakeReport(), "Midi " + (dir_ / "none.mid").string() + U8(u8" Create ファイルが開けません\n"));
}

}  // namespace
