// The one place where stored Windows paths meet the file system.
//
// A stored path is walked one CP932 character at a time (so the trail byte
// 0x5C of a double-byte character is never taken for a separator), split at
// '\' and '/', and each component is looked up in its folder's listing: first
// as converted to UTF-8, then as its raw bytes (files copied over without
// conversion), then without regard to ASCII case. A component that matches
// nothing keeps its UTF-8 spelling, so new files get sensible names.
//
// Listings are cached per folder (keyed by the folder's absolute path). The
// program's own changes drop the affected listings; a miss re-reads a folder
// whose modification time moved, or whose listing was read so soon after a
// change that a later change could share the same time stamp.
#include "platform/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "platform/text.h"

namespace plat {
namespace {

bool IsCp932Pair(std::string_view s, size_t i) {
  if (i + 1 >= s.size()) return false;
  auto lead = static_cast<unsigned char>(s[i]);
  auto trail = static_cast<unsigned char>(s[i + 1]);
  return ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) &&
         ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC));
}

// Components of a stored path; empty ones (doubled separators) are dropped.
std::vector<std::string_view> SplitStored(std::string_view s) {
  std::vector<std::string_view> parts;
  size_t begin = 0;
  for (size_t i = 0; i < s.size();) {
    if (IsCp932Pair(s, i)) {
      i += 2;
      continue;
    }
    if (s[i] == '\\' || s[i] == '/') {
      if (i > begin) parts.push_back(s.substr(begin, i - begin));
      begin = i + 1;
    }
    ++i;
  }
  if (s.size() > begin) parts.push_back(s.substr(begin));
  return parts;
}

// Only ASCII letters fold: in UTF-8 every byte of a multi-byte character is
// 0x80 or above, so nothing else can be touched by mistake.
std::string FoldAscii(std::string_view utf8) {
  std::string out(utf8);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

// A name on disk in the program's form: CP932 when it converts both ways
// without loss, else its raw bytes (which the resolver matches as they are).
std::string DiskNameToStored(const std::string& name) {
  if (!IsValidUtf8(name)) return name;
  std::string cp = Utf8ToCp932(name);
  return Cp932ToUtf8(cp) == name ? cp : name;
}

std::string CurrentDirectoryOs() {
  std::string buf(512, '\0');
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) {
      buf.resize(std::char_traits<char>::length(buf.c_str()));
      return buf;
    }
    if (errno != ERANGE || buf.size() > (1u << 20)) return std::string();
    buf.resize(buf.size() * 2);
  }
}

void SplitOs(std::string_view s, std::vector<std::string>& parts) {
  size_t begin = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == '/') {
      std::string_view p = s.substr(begin, i - begin);
      begin = i + 1;
      if (p.empty() || p == ".") continue;
      if (p == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      parts.emplace_back(p);
    }
  }
}

std::string JoinAbsolute(const std::vector<std::string>& parts) {
  if (parts.empty()) return "/";
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  return out;
}

// The absolute, lexically normalised form of an OS path.
std::string AbsoluteKey(std::string_view osPath) {
  std::vector<std::string> parts;
  if (osPath.empty() || osPath[0] != '/') SplitOs(CurrentDirectoryOs(), parts);
  SplitOs(osPath, parts);
  return JoinAbsolute(parts);
}

struct Listing {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{};
  // False when the folder changed so shortly before it was read that a
  // later change could carry the same time stamp.
  bool settled = false;
  std::unordered_set<std::string> names;
  std::unordered_map<std::string, std::string> folded;  // folded UTF-8 -> name on disk
};

constexpr long long kSettleNanoseconds = 100'000'000;
constexpr size_t kMaxCachedFolders = 1024;

std::mutex g_cacheLock;
std::unordered_map<std::string, Listing> g_cache;  // under g_cacheLock

long long Nanoseconds(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

bool SameStamp(const Listing& l, const struct stat& st) {
  return l.dev == st.st_dev && l.ino == st.st_ino && l.mtime.tv_sec == st.st_mtim.tv_sec &&
         l.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

struct DiskEntry {
  std::string name;
  unsigned char type;
};

bool ReadListing(const std::string& dir, Listing& out, std::vector<DiskEntry>* entries) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return false;
  Listing l;
  l.dev = st.st_dev;
  l.ino = st.st_ino;
  l.mtime = st.st_mtim;
  l.settled = Nanoseconds(now) - Nanoseconds(st.st_mtim) >= kSettleNanoseconds;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    std::string key = FoldAscii(IsValidUtf8(name) ? name : Cp932ToUtf8(name));
    // Several spellings of one name: take the smallest, so the choice does
    // not depend on the order the file system lists them in.
    auto [it, added] = l.folded.emplace(key, name);
    if (!added && name < it->second) it->second = name;
    if (entries) entries->push_back({name, e->d_type});
    l.names.insert(std::move(name));
  }
  ::closedir(d);
  out = std::move(l);
  return true;
}

std::optional<std::string> Match(const Listing& l, const std::string& raw, const std::string& utf8) {
  if (l.names.count(utf8)) return utf8;
  if (l.names.count(raw)) return raw;
  if (auto it = l.folded.find(FoldAscii(utf8)); it != l.folded.end()) return it->second;
  return std::nullopt;
}

void Remember(const std::string& dir, Listing&& l) {
  if (g_cache.size() >= kMaxCachedFolders && !g_cache.count(dir)) g_cache.clear();
  g_cache[dir] = std::move(l);
}

// The name on disk of one component inside the folder dir (absolute), or
// nothing when the folder cannot be read or holds no such entry.
std::optional<std::string> FindInFolder(const std::string& dir, const std::string& raw, const std::string& utf8) {
  std::lock_guard<std::mutex> guard(g_cacheLock);
  auto it = g_cache.find(dir);
  if (it == g_cache.end()) {
    Listing l;
    if (!ReadListing(dir, l, nullptr)) return std::nullopt;
    auto found = Match(l, raw, utf8);
    Remember(dir, std::move(l));
    return found;
  }
  if (auto found = Match(it->second, raw, utf8)) return found;
  // A miss: the entry may have been made since the folder was read.
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) {
    g_cache.erase(it);
    return std::nullopt;
  }
  if (it->second.settled && SameStamp(it->second, st)) return std::nullopt;
  if (!ReadListing(dir, it->second, nullptr)) {
    g_cache.erase(it);
    return std::nullopt;
  }
  return Match(it->second, raw, utf8);
}

}  // namespace

std::string ResolvePath(std::string_view stored) {
  // Paths often come from fixed-size buffers: nothing after a NUL counts.
  stored = stored.substr(0, stored.find('\0'));
  if (stored.empty()) return std::string();
  const bool absolute = IsAbsolutePath(stored);

  // keyParts: the absolute folder being walked (for the listings);
  // osParts and ups: the result, relative paths staying relative.
  std::vector<std::string> keyParts;
  bool canLook = true;  // false: the current directory is gone, so nothing relative can be found
  if (!absolute) {
    std::string cwd = CurrentDirectoryOs();
    canLook = !cwd.empty();
    SplitOs(cwd, keyParts);
  }
  std::vector<std::string> osParts;
  size_t ups = 0;
  size_t unresolved = 0;  // trailing osParts below a folder that does not exist
  for (std::string_view part : SplitStored(stored)) {
    if (part == ".") continue;
    if (part == "..") {
      // Folded away by name as the system the projects come from does.
      if (!keyParts.empty()) keyParts.pop_back();
      if (!osParts.empty()) {
        osParts.pop_back();
        if (unresolved > 0) --unresolved;
      } else if (!absolute) {
        ++ups;
      }
      continue;
    }
    std::string raw(part);
    std::string utf8 = Cp932ToUtf8(raw);
    std::optional<std::string> found;
    if (canLook && unresolved == 0) found = FindInFolder(JoinAbsolute(keyParts), raw, utf8);
    if (!found) ++unresolved;
    std::string name = found ? *found : utf8;
    keyParts.push_back(name);
    osParts.push_back(std::move(name));
  }

  std::string out;
  if (absolute) return JoinAbsolute(osParts);
  for (size_t i = 0; i < ups; ++i) out += out.empty() ? ".." : "/..";
  for (const std::string& p : osParts) {
    if (!out.empty()) out += '/';
    out += p;
  }
  return out.empty() ? "." : out;
}

void NotePathChanged(std::string_view osPath) {
  std::string key = AbsoluteKey(osPath);
  size_t slash = key.rfind('/');
  std::string parent = slash == 0 || slash == std::string::npos ? std::string(1, '/') : key.substr(0, slash);
  std::lock_guard<std::mutex> guard(g_cacheLock);
  g_cache.erase(key);
  g_cache.erase(parent);
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
  if (p.empty()) return false;
  bool made = ::mkdir(p.c_str(), 0777) == 0;
  if (made) NotePathChanged(p);
  struct stat st {};
  return made || (::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}
bool DeleteFile(std::string_view stored) {
  std::string p = ResolvePath(stored);
  if (p.empty() || ::unlink(p.c_str()) != 0) return false;
  NotePathChanged(p);
  return true;
}

std::vector<std::string> ListDirectory(std::string_view stored, bool wantDirs, bool wantFiles) {
  std::vector<std::string> out;
  std::string os = ResolvePath(stored);
  if (os.empty()) return out;
  std::string dir = AbsoluteKey(os);
  Listing l;
  std::vector<DiskEntry> entries;
  if (!ReadListing(dir, l, &entries)) return out;
  {
    std::lock_guard<std::mutex> guard(g_cacheLock);
    Remember(dir, std::move(l));
  }
  for (const DiskEntry& e : entries) {
    bool isDir = e.type == DT_DIR;
    if (e.type == DT_UNKNOWN || e.type == DT_LNK) {
      struct stat st {};
      std::string full = dir == "/" ? "/" + e.name : dir + "/" + e.name;
      // A link that leads nowhere is still an entry of the folder; whoever
      // opens it learns that it cannot be read.
      isDir = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    if (isDir ? wantDirs : wantFiles) out.push_back(DiskNameToStored(e.name));
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string GetCurrentDirectory() {
  std::string os = CurrentDirectoryOs();
  if (os.empty()) return os;
  // Component by component, so one name that does not convert stays
  // findable by its raw bytes instead of spoiling the whole path.
  std::string out;
  size_t begin = 0;
  for (size_t i = 0; i <= os.size(); ++i) {
    if (i == os.size() || os[i] == '/') {
      out += DiskNameToStored(os.substr(begin, i - begin));
      if (i < os.size()) out += '/';
      begin = i + 1;
    }
  }
  return out;
}

bool SetCurrentDirectory(std::string_view stored) {
  std::string p = ResolvePath(stored);
  return !p.empty() && ::chdir(p.c_str()) == 0;
}
bool IsAbsolutePath(std::string_view stored) { return !stored.empty() && (stored[0] == '/' || stored[0] == '\\'); }

void FlushPathCache() {
  std::lock_guard<std::mutex> guard(g_cacheLock);
  g_cache.clear();
}

}  // namespace plat
