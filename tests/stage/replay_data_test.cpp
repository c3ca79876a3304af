// The replay record in process: how frames are recorded and played back
// run by run, its body's bytes, and the bodies it refuses.
#include "stage/replay_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "records/progress_data.h"
#include "platform/paths.h"
#include "records/stage_data.h"
#include "services/input.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

cInput Frame(uint16_t dir, uint16_t buttons) {
  cInput in;
  in.m_wDir = dir;
  in.m_wButton = buttons;
  return in;
}

// Little-endian bytes, built here rather than by the program's writer.
void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

// The record body: field count 1, the seed, string count 0, then the four
// counted lists.
std::string Body(int32_t seed, const std::vector<uint16_t>& dir, const std::vector<uint16_t>& buttons,
                 const std::vector<int32_t>& dirRuns, const std::vector<int32_t>& buttonRuns) {
  std::string out;
  Put32(out, 1);
  Put32(out, static_cast<uint32_t>(seed));
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(dir.size()));
  for (uint16_t v : dir) Put16(out, v);
  Put32(out, static_cast<uint32_t>(buttons.size()));
  for (uint16_t v : buttons) Put16(out, v);
  Put32(out, static_cast<uint32_t>(dirRuns.size()));
  for (int32_t v : dirRuns) Put32(out, static_cast<uint32_t>(v));
  Put32(out, static_cast<uint32_t>(buttonRuns.size()));
  for (int32_t v : buttonRuns) Put32(out, static_cast<uint32_t>(v));
  return out;
}

bool LoadBody(cReplayData& replay, const std::string& body) {
  std::vector<uint8_t> bytes(body.begin(), body.end());
  cRecordReader in(bytes, "body");
  in.SetVersion(kRecordDataVersion);
  return replay.Load(in) && in.Ok();
}

TEST(ReplayRecord, HeldInputBecomesOneRunPerChannelChangeAndPlaysBackFrameByFrame) {
  // Right held for 100 frames, button 1 pressed in the last 10 of them.
  cReplayData replay;
  for (int f = 0; f < 100; ++f) replay.RecordFrame(Frame(2, f >= 90 ? 1 : 0));
  EXPECT_EQ(replay.m_vecDirValue, (std::vector<uint16_t>{2}));
  EXPECT_EQ(replay.m_vecDirRun, (std::vector<int32_t>{100}));
  EXPECT_EQ(replay.m_vecButtonValue, (std::vector<uint16_t>{0, 1}));
  EXPECT_EQ(replay.m_vecButtonRun, (std::vector<int32_t>{90, 10}));

  cInput in;
  for (int f = 0; f < 100; ++f) {
    in.m_wDir = in.m_wButton = 0;
    ASSERT_EQ(replay.PlayFrame(in), 0) << "frame " << f + 1;
    EXPECT_EQ(in.m_wDir, 2) << "frame " << f + 1;
    EXPECT_EQ(in.m_wButton, f >= 90 ? 1 : 0) << "frame " << f + 1;
  }
  // The 101st frame is past the recording, and stays so.
  EXPECT_EQ(replay.PlayFrame(in), 1);
  EXPECT_EQ(replay.PlayFrame(in), 1);
  replay.Rewind();
  ASSERT_EQ(replay.PlayFrame(in), 0);
  EXPECT_EQ(in.m_wDir, 2);
}

TEST(ReplayRecord, ChannelsChangeIndependentlyAndEmptyRecordingEndsAtOnce) {
  const uint16_t dirs[] = {0, 0, 1, 1, 1, 0, 8};
  const uint16_t buttons[] = {4, 4, 4, 4, 0, 0, 0};
  cReplayData replay;
  cInput in;
  EXPECT_EQ(replay.PlayFrame(in), 1);
  for (size_t f = 0; f < 7; ++f) replay.RecordFrame(Frame(dirs[f], buttons[f]));
  EXPECT_EQ(replay.m_vecDirValue, (std::vector<uint16_t>{0, 1, 0, 8}));
  EXPECT_EQ(replay.m_vecDirRun, (std::vector<int32_t>{2, 3, 1, 1}));
  EXPECT_EQ(replay.m_vecButtonValue, (std::vector<uint16_t>{4, 0}));
  EXPECT_EQ(replay.m_vecButtonRun, (std::vector<int32_t>{4, 3}));
  for (size_t f = 0; f < 7; ++f) {
    ASSERT_EQ(replay.PlayFrame(in), 0);
    EXPECT_EQ(in.m_wDir, dirs[f]);
    EXPECT_EQ(in.m_wButton, buttons[f]);
  }
  EXPECT_EQ(replay.PlayFrame(in), 1);
}

TEST(ReplayRecord, ARunAtItsLimitStartsANewRunInsteadOfWrapping) {
  cReplayData replay;
  replay.RecordFrame(Frame(2, 0));
  replay.m_vecDirRun.back() = INT32_MAX;
  replay.m_vecButtonRun.back() = INT32_MAX;
  replay.RecordFrame(Frame(2, 0));
  EXPECT_EQ(replay.m_vecDirValue, (std::vector<uint16_t>{2, 2}));
  EXPECT_EQ(replay.m_vecDirRun, (std::vector<int32_t>{INT32_MAX, 1}));
  EXPECT_EQ(replay.m_vecButtonRun, (std::vector<int32_t>{INT32_MAX, 1}));
}

TEST(ReplayRecord, CopyTakesTheRecordingAndSeedButNotThePlaybackPosition) {
  cReplayData a, b;
  a.RecordFrame(Frame(1, 2));
  a.RecordFrame(Frame(4, 2));
  a.m_nSeed = 1234;
  cInput in;
  b.RecordFrame(Frame(8, 0));
  b.PlayFrame(in);
  const int32_t index = b.m_nDirIndex;
  b = a;
  EXPECT_EQ(b.m_vecDirValue, a.m_vecDirValue);
  EXPECT_EQ(b.m_vecButtonRun, a.m_vecButtonRun);
  EXPECT_EQ(b.m_nSeed, 1234);
  EXPECT_EQ(b.m_nDirIndex, index);
  b.Reset();
  EXPECT_EQ(b.m_nSeed, 0);
  EXPECT_TRUE(b.m_vecDirValue.empty() && b.m_vecButtonValue.empty() && b.m_vecDirRun.empty() &&
              b.m_vecButtonRun.empty());
  EXPECT_EQ(b.m_nDirIndex + b.m_nButtonIndex + b.m_nDirCounter + b.m_nButtonCounter, 0);
}

TEST(ReplayRecord, BodyBytesAreTheSeedAndTheFourCountedLists) {
  cReplayData replay;
  for (int f = 0; f < 5; ++f) replay.RecordFrame(Frame(f < 3 ? 2 : 10, f == 4 ? 0x81 : 0));
  replay.m_nSeed = -7;
  cRecordWriter out;
  replay.Save(out);
  const std::string want = Body(-7, {2, 10}, {0, 0x81}, {3, 2}, {4, 1});
  ASSERT_EQ(out.Data().size(), want.size());
  EXPECT_EQ(std::memcmp(out.Data().data(), want.data(), want.size()), 0);

  cReplayData back;
  ASSERT_TRUE(LoadBody(back, want));
  EXPECT_EQ(back.m_nSeed, -7);
  EXPECT_EQ(back.m_vecDirValue, replay.m_vecDirValue);
  EXPECT_EQ(back.m_vecButtonValue, replay.m_vecButtonValue);
  EXPECT_EQ(back.m_vecDirRun, replay.m_vecDirRun);
  EXPECT_EQ(back.m_vecButtonRun, replay.m_vecButtonRun);
}

TEST(ReplayRecord, DamagedBodiesAreRefusedAndLeaveTheRecordAsItWas) {
  const std::string good = Body(5, {1, 2}, {0}, {3, 4}, {7});
  struct Case {
    const char* name;
    std::string body;
  };
  std::string hugeCount = Body(5, {}, {}, {}, {});
  // The direction count claims more values than the bytes left.
  hugeCount.replace(12, 4, std::string("\xff\xff\xff\x0f", 4));
  std::string negativeCount = good;
  negativeCount.replace(12, 4, std::string("\xfe\xff\xff\xff", 4));
  const Case cases[] = {
      {"truncated in the runs", good.substr(0, good.size() - 2)},
      {"truncated in the values", good.substr(0, 18)},
      {"more direction values than runs", Body(5, {1, 2, 3}, {0}, {3, 4}, {7})},
      {"fewer button values than runs", Body(5, {1, 2}, {0}, {3, 4}, {7, 1})},
      {"a zero run", Body(5, {1, 2}, {0}, {3, 0}, {7})},
      {"a negative run", Body(5, {1, 2}, {0}, {3, 4}, {-1})},
      {"a count past the end", hugeCount},
      {"a negative count", negativeCount},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cReplayData replay;
    replay.RecordFrame(Frame(8, 8));
    replay.m_nSeed = 99;
    EXPECT_FALSE(LoadBody(replay, c.body));
    EXPECT_EQ(replay.m_nSeed, 99);
    EXPECT_EQ(replay.m_vecDirValue, (std::vector<uint16_t>{8}));
    EXPECT_EQ(replay.m_vecButtonRun, (std::vector<int32_t>{1}));
  }
  cReplayData replay;
  EXPECT_TRUE(LoadBody(replay, good));
}

}  // namespace
