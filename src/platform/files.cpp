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

namespace {
// A file the user made read-only is kept as it is: opening it for writing
// would fail, so replacing it behind the user's back must too. The mode
// bits decide, not access(2), which lets root write anything.
bool IsWriteProtected(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;  // not there yet: it may be made
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::access(path.c_str(), W_OK) != 0;
}

constexpr std::string_view kTempMark = ".tmp-";
constexpr size_t kTempSuffix = 6;  // the XXXXXX of mkostemp
constexpr size_t kNameMax = 255;

// "NAME.tmp-XXXXXX", as WriteFileAtomic names its temporaries.
bool IsTemporaryName(std::string_view name) {
  if (name.size() <= kTempMark.size() + kTempSuffix) return false;
  const size_t mark = name.size() - kTempSuffix - kTempMark.size();
  if (mark == 0 || name.substr(mark, kTempMark.size()) != kTempMark) return false;
  for (char c : name.substr(name.size() - kTempSuffix))
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  return true;
}
}  // namespace

bool WriteFileAtomic(std::string_view stored, const void* data, size_t size) {
  std::string path = ResolvePath(stored);
  if (path.empty() || IsWriteProtected(path)) return false;
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // The temporary carries the target's name where it fits, so a leftover
  // after a crash says what it was; a name near the file system's limit
  // gets a short one instead of failing the save.
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

void RemoveWriteLeftovers(std::string_view folder) {
  const std::string base(folder);
  for (const std::string& name : ListDirectory(folder, false, true)) {
    if (!IsTemporaryName(name)) continue;
    DeleteFile(base + "\\" + name);
  }
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
