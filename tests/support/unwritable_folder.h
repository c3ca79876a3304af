// A folder nobody may create, replace or remove files in for as long as the
// object lives: without write permission, or immutable where the tests run
// as root (whom permissions do not stop). ok() is false when neither could
// be done here; the test then skips that part.
#pragma once
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace t4test {

class UnwritableFolder {
 public:
  explicit UnwritableFolder(std::string osPath) : path_(std::move(osPath)) {
    if (::geteuid() == 0)
      immutable_ = SetImmutable(true);
    else
      chmodded_ = ::chmod(path_.c_str(), 0555) == 0;
  }
  ~UnwritableFolder() {
    if (immutable_) SetImmutable(false);
    if (chmodded_) ::chmod(path_.c_str(), 0755);
  }
  UnwritableFolder(const UnwritableFolder&) = delete;
  UnwritableFolder& operator=(const UnwritableFolder&) = delete;
  bool ok() const { return immutable_ || chmodded_; }

 private:
  bool SetImmutable(bool on) const {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
  }
  std::string path_;
  bool immutable_ = false;
  bool chmodded_ = false;
};

}  // namespace t4test
