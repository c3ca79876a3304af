// Saving the story from the world-map menu, through the real program run
// headless: the save sound on success, the error sound and a report line
// when the story folder cannot be written, and the old slot file kept.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "world_map_project.h"

using frontend_test::OpenMap;
using frontend_test::Press;
using frontend_test::ReadProgress;
using frontend_test::RunScript;
using frontend_test::SoundsPlayed;
using frontend_test::WriteFrontEndProject;
using t4test::ReadFile;
using t4test::ReadLines;
using t4test::TempFolder;

namespace {

// A folder nobody may create files in, for as long as the object lives:
// without write permission, or immutable where the tests run as root (whom
// permissions do not stop).
class UnwritableFolder {
 public:
  explicit UnwritableFolder(std::string path) : path_(std::move(path)) {
    if (::geteuid() == 0)
      immutable_ok_ = SetImmutable(true);
    else
      chmod_ok_ = ::chmod(path_.c_str(), 0555) == 0;
  }
  ~UnwritableFolder() {
    if (immutable_ok_) SetImmutable(false);
    if (chmod_ok_) ::chmod(path_.c_str(), 0755);
  }
  bool ok() const { return immutable_ok_ || chmod_ok_; }

 private:
  bool SetImmutable(bool on) const {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
  }
  std::string path_;
  bool immutable_ok_ = false;
  bool chmod_ok_ = false;
};

TEST(WorldMenuSave, SlotThreeIsWrittenWithTheSavedSoundOrKeptWithTheErrorSound) {
  for (const bool writable : {true, false}) {
    SCOPED_TRACE(writable ? "writable story folder" : "story folder that cannot be written");
    TempFolder dir;
    cWorldMapData map = OpenMap(20, 15, 3, 7);
    ASSERT_TRUE(WriteFrontEndProject(dir, map));
    // An earlier save in slot 3, made elsewhere on the map.
    cProgressData old;
    old.m_nMapX = 11;
    old.m_nMapY = 2;
    const std::string slot = dir / "user_data/story/Story03.dat";
    ASSERT_TRUE(old.SaveToFile(slot.c_str()));
    const std::string oldBytes = ReadFile(slot);

    std::unique_ptr<UnwritableFolder> guard;
    if (!writable) {
      guard = std::make_unique<UnwritableFolder>(dir / "user_data/story");
      if (!guard->ok()) GTEST_SKIP() << "cannot make a folder unwritable here";
    }
    // New story, the world-map menu, save, slot 3, yes.
    std::string script = Press(15, "Z") + Press(45, "X");
    int f = 75;
    for (const char* key : {"Z", "DOWN", "DOWN", "Z", "UP", "Z"}) script += Press(f += 4, key);
    RunScript(dir, f + 10, script);
    guard.reset();

    const std::set<int> sounds = SoundsPlayed(ReadFile(dir / "sound.wav"));
    std::string reported;
    for (const std::string& line : ReadLines(dir / "Report_Game.txt"))
      if (line.find("Story03") != std::string::npos) reported += line + "\n";
    if (writable) {
      cProgressData saved;
      ASSERT_TRUE(ReadProgress(slot, saved));
      EXPECT_EQ(saved.m_nMapX, 3);
      EXPECT_EQ(saved.m_nMapY, 7);
      EXPECT_EQ(saved.m_nSaveSlot, 2);
      EXPECT_TRUE(sounds.count(5));
      EXPECT_FALSE(sounds.count(3));
      EXPECT_EQ(reported, "");
    } else {
      EXPECT_EQ(ReadFile(slot), oldBytes);
      EXPECT_TRUE(sounds.count(3));
      EXPECT_FALSE(sounds.count(5));
      EXPECT_NE(reported, "") << "the failed save is reported";
    }
  }
}

}  // namespace
