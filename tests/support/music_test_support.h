// Test support for the music tests: MIDI files put together byte by byte
// (independently of the program's reader and writer), and a fixture with a
// scratch folder, a report log and a headless mixer.
#pragma once
#include "support/file_fixture.h"
#include "support/midi_bytes.h"
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/video.h"
#include "services/log.h"

namespace music_test {

inline std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

class MusicTest : public t4test::FileAndReportTest {
 protected:
  void SetUp() override {
    t4test::FileAndReportTest::SetUp();
    wasHeadless_ = plat::IsHeadless();
    plat::SetHeadless(true);  // the mixer is pulled by the test, no device
  }
  void TearDown() override { plat::SetHeadless(wasHeadless_); }

  bool wasHeadless_ = false;
};

}  // namespace music_test
