// A test project for the front-end screens run through the real program:
// the default project, whose System.dat and Option.dat a test may change,
// and a headless run of it with an input script and chooser answers.
//
// Which screen a run reached shows in the report log: every screen asks for
// its own music when it opens, and the project's music files of the four
// music slots (title, world map, challenge select, options) do not exist, so
// each request leaves the line "Midi bgm\<name>.mid Create ..." there.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "records/database.h"
#include "records/option_data.h"
#include "records/system_data.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"

namespace t4test {

// The music of each slot, as the report names it.
inline const char* const kSlotMusic[4] = {"bgm\\Title.mid", "bgm\\Map.mid", "bgm\\Challenge.mid", "bgm\\Option.mid"};

class FrontEndProject : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteProject(dir.path()));
    // Bgm entries 1 to 4, one per music slot.
    cDatabase db;
    db.m_vecBgm.resize(5);
    for (int i = 0; i < 4; ++i) db.m_vecBgm.At(i + 1).m_strFile = kSlotMusic[i];
    ASSERT_TRUE(db.SaveAll(dir / "data/database"));
    EditSystem([](cSystemData& s) { s.m_vecBgm.assign({1, 2, 3, 4}); });
  }

  void EditSystem(const std::function<void(cSystemData&)>& edit) {
    // Loading and saving keep the music choices within the Bgm database
    // this process holds: for the time of the edit, the project's.
    const cCheckedVector<cBgmData> bgm = g_Database.m_vecBgm;
    g_Database.m_vecBgm.resize(5);
    cSystemData system;
    const bool loaded = system.LoadFromFile((dir / "data/System.dat").c_str());
    edit(system);
    const bool saved = system.SaveToFile((dir / "data/System.dat").c_str());
    g_Database.m_vecBgm = bgm;
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(saved);
  }
  void EditOptions(const std::function<void(cOptionData&)>& edit) {
    cOptionData option;
    ASSERT_TRUE(option.LoadFromFile((dir / "user_data/Option.dat").c_str()));
    edit(option);
    ASSERT_TRUE(option.SaveToFile((dir / "user_data/Option.dat").c_str()));
  }
  cOptionData SavedOptions() const {
    cOptionData option;
    EXPECT_TRUE(option.LoadFromFile((dir / "user_data/Option.dat").c_str()));
    return option;
  }

  // A headless run of `frames` frames with the input script and the
  // chooser answers (either may be empty) and extra arguments.
  RunResult Run(int frames, const std::string& input, const std::string& answers = "",
                std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--headless", "--frames", std::to_string(frames), "--frame-hashes", "hashes.txt"};
    EXPECT_TRUE(WriteFile(dir / "input.txt", input));
    args.insert(args.end(), {"--input", "input.txt"});
    if (!answers.empty()) {
      EXPECT_TRUE(WriteFile(dir / "answers.txt", answers));
      args.insert(args.end(), {"--answers", "answers.txt"});
    }
    args.insert(args.end(), extra.begin(), extra.end());
    RunResult r = RunPlayer(args, dir.path(), std::chrono::seconds(120));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r;
  }

  std::string Report() const { return ReadFile(dir / "Report_Game.txt"); }
  // How many times the report names the music of a slot.
  int MusicRequests(int slot) const {
    const std::string report = Report();
    const std::string line = std::string("Midi ") + kSlotMusic[slot] + " Create";
    int n = 0;
    for (size_t at = report.find(line); at != std::string::npos; at = report.find(line, at + 1)) ++n;
    return n;
  }
  size_t FramesShown() const { return ReadLines(dir / "hashes.txt").size(); }

  TempFolder dir;
};

}  // namespace t4test
