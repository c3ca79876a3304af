#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/paths.h"

namespace plat {

bool ReadWholeFile(std::string_view stored, std::vector<uint8_t>& out) {
  std::string path = ResolvePath(stored);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<uint8_t> data;
  uint8_t chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    data.insert(data.end(), chunk, chunk + n);
  }
  ::close(fd);
  out.swap(data);
  return true;
}

namespace {
bool WriteAll(int fd, const uint8_t* p, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}
}  // namespace

bool WriteFileAtomic(std::string_view stored, const void* data, size_t size) {
  std::string path = ResolvePath(stored);
  if (path.empty()) return false;
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // The temporary carries the target's name where it fits, so a leftover
  // after a crash says what it was; a name near the file system's limit
  // gets a short one instead of failing the save.
  constexpr size_t kNameMax = 255;
  std::string tmp = name.size() + 12 <= kNameMax ? path + ".tmp-XXXXXX" : dir + "/.t4save.tmp-XXXXXX";
  int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, static_cast<const uint8_t*>(data), size);
  ok = ok && ::fchmod(fd, 0644) == 0;
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  NotePathChanged(path);
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool AppendToFile(std::string_view stored, std::string_view bytes) {
  static std::mutex appendLock;
  std::lock_guard<std::mutex> guard(appendLock);
  std::string path = ResolvePath(stored);
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  ok = (::close(fd) == 0) && ok;
  return ok;
}

}  // namespace plat
