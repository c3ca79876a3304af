// Placeholder resolver: separators and text conversion only.
#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/text.h"

namespace plat {

std::string ResolvePath(std::string_view stored) {
  std::string s(stored);
  for (char& c : s)
    if (c == '\\') c = '/';
  return Cp932ToUtf8(s);
}

bool FileExists(std::string_view stored) {
  struct stat st {};
  return ::stat(ResolvePath(stored).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
bool DirectoryExists(std::string_view stored) {
  struct stat st {};
  return ::stat(ResolvePath(stored).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool PathExists(std::string_view stored) {
  struct stat st {};
  return ::stat(ResolvePath(stored).c_str(), &st) == 0;
}
bool CreateDirectory(std::string_view stored) {
  std::string p = ResolvePath(stored);
  return ::mkdir(p.c_str(), 0777) == 0 || DirectoryExists(stored);
}
bool DeleteFile(std::string_view stored) { return ::unlink(ResolvePath(stored).c_str()) == 0; }
std::vector<std::string> ListDirectory(std::string_view stored, bool wantDirs, bool wantFiles) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto& e : std::filesystem::directory_iterator(ResolvePath(stored), ec)) {
    bool dir = e.is_directory(ec);
    if ((dir && wantDirs) || (!dir && wantFiles)) out.push_back(Utf8ToCp932(e.path().filename().string()));
  }
  return out;
}
std::string GetCurrentDirectory() {
  std::error_code ec;
  return Utf8ToCp932(std::filesystem::current_path(ec).string());
}
bool SetCurrentDirectory(std::string_view stored) { return ::chdir(ResolvePath(stored).c_str()) == 0; }
bool IsAbsolutePath(std::string_view stored) { return !stored.empty() && (stored[0] == '/' || stored[0] == '\\'); }
void FlushPathCache() {}

}  // namespace plat
