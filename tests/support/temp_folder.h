// A fresh folder per test, removed afterwards, optionally entered as the
// current directory (the old one is restored).
#pragma once
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace t4test {

class TempFolder {
 public:
  // With enter, the folder is the current directory until destruction.
  explicit TempFolder(bool enter = false) {
    char tmpl[] = "/tmp/t4test-XXXXXX";
    if (::mkdtemp(tmpl)) path_ = tmpl;
    if (enter) Enter();
  }
  ~TempFolder() {
    if (entered_ && !oldCwd_.empty() && ::chdir(oldCwd_.c_str()) != 0) std::abort();
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  bool ok() const { return !path_.empty(); }

  // Makes the folder the current directory until destruction.
  bool Enter() {
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) return false;
    oldCwd_ = buf;
    entered_ = ::chdir(path_.c_str()) == 0;
    return entered_;
  }

  // Operating-system paths relative to the folder, bytes as given (UTF-8 or
  // raw CP932): the files a test expects to find.
  std::string Os(std::string_view rel) const { return path_ + "/" + std::string(rel); }
  std::string operator/(std::string_view rel) const { return Os(rel); }
  bool MakeDir(std::string_view rel) const { return ::mkdir(Os(rel).c_str(), 0777) == 0; }
  bool MakeFile(std::string_view rel, std::string_view content = "x") const {
    int fd = ::open(Os(rel).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    return (::close(fd) == 0) && ok;
  }

 private:
  std::string path_;
  std::string oldCwd_;
  bool entered_ = false;
};

// UTF-8 literal as plain bytes (source literals without u8 are CP932).
inline const char* U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

}  // namespace t4test
