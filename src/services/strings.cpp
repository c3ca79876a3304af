#include "services/strings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/paths.h"
#include "platform/random.h"

int GetRandom(int a, int b) {
  if (b < a) {
    int t = a;
    a = b;
    b = t;
  }
  // The span of a full int range needs 33 bits.
  long long span = static_cast<long long>(b) - a + 1;
  return static_cast<int>(a + plat::Rand() % span);
}

bool IsSJISChar(const char* p) {
  auto lead = static_cast<unsigned char>(p[0]);
  if (!((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC))) return false;
  auto trail = static_cast<unsigned char>(p[1]);
  return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
}

namespace {

bool IsLead(std::string_view s, size_t i) {
  if (i + 1 >= s.size()) return false;
  char two[2] = {s[i], s[i + 1]};
  return IsSJISChar(two);
}

// Index just past the last real separator, walking double-byte characters
// whole so a trail byte 0x5C is not taken for one.
size_t FileNameStart(std::string_view s) {
  size_t start = 0;
  for (size_t i = 0; i < s.size();) {
    if (IsLead(s, i)) {
      i += 2;
      continue;
    }
    if (s[i] == '\\' || s[i] == '/') start = i + 1;
    ++i;
  }
  return start;
}

// The last '.' of the file name (never one in a folder name), or npos.
size_t ExtensionDot(std::string_view s) {
  size_t dot = std::string_view::npos;
  size_t start = FileNameStart(s);
  for (size_t i = start; i < s.size();) {
    if (IsLead(s, i)) {
      i += 2;
      continue;
    }
    if (s[i] == '.') dot = i;
    ++i;
  }
  return dot;
}

std::vector<std::string> SplitPath(std::string_view s) {
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 0; i < s.size();) {
    if (IsLead(s, i)) {
      cur.append(s.substr(i, 2));
      i += 2;
      continue;
    }
    if (s[i] == '\\' || s[i] == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += s[i];
    }
    ++i;
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

std::vector<std::string> Normalize(const std::vector<std::string>& parts) {
  std::vector<std::string> out;
  for (const std::string& p : parts) {
    if (p == ".") continue;
    if (p == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back(p);
  }
  return out;
}

bool FitsPath(const std::string& s) { return s.size() < kMaxPath; }

// ASCII letters folded, double-byte characters left whole (their trail bytes
// may look like letters).
std::string FoldAsciiCp932(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size();) {
    if (IsLead(out, i)) {
      i += 2;
      continue;
    }
    if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
    ++i;
  }
  return out;
}

}  // namespace

int GetCharCount(std::string_view text) {
  int count = 0;
  for (size_t i = 0; i < text.size();) {
    if (IsLead(text, i)) {
      ++count;
      i += 2;
      continue;
    }
    if (text[i] != '\n') ++count;
    ++i;
  }
  return count;
}

int RelToAbsPath(std::string& path) {
  if (plat::IsAbsolutePath(path)) return 1;
  std::string cwd = plat::GetCurrentDirectory();
  if (cwd.empty()) return 0;
  std::vector<std::string> parts = SplitPath(cwd);
  for (std::string& p : SplitPath(path)) parts.push_back(std::move(p));
  std::string out;
  for (const std::string& p : Normalize(parts)) out += "/" + p;
  if (out.empty()) out = "/";
  path = out;
  return 1;
}

int AbsToRelPath(std::string& path) {
  if (!plat::IsAbsolutePath(path)) return 1;
  std::string cwd = plat::GetCurrentDirectory();
  if (cwd.empty()) return 0;
  std::vector<std::string> from = Normalize(SplitPath(cwd));
  std::vector<std::string> to = Normalize(SplitPath(path));
  size_t common = 0;
  // Folder names compare without regard to case, as the resolver finds them.
  while (common < from.size() && common < to.size() && FoldAsciiCp932(from[common]) == FoldAsciiCp932(to[common]))
    ++common;
  std::string out;
  if (common == from.size()) {
    out = ".";
  } else {
    for (size_t i = common; i < from.size(); ++i) out += (i == common ? "" : "\\") + std::string("..");
  }
  for (size_t i = common; i < to.size(); ++i) out += "\\" + to[i];
  if (!FitsPath(out)) return 0;
  path = out;
  return 1;
}

void StripPath(std::string& path) { path.erase(0, FileNameStart(path)); }

int ChangeExtension(std::string& dst, std::string_view src, const char* ext) {
  size_t dot = ExtensionDot(src);
  if (dot == std::string_view::npos) {
    dst.assign(src);
    return 0;
  }
  std::string out(src.substr(0, ext ? dot + 1 : dot));
  if (ext) out += ext;
  if (!FitsPath(out)) {
    dst.assign(src);
    return 0;
  }
  dst = std::move(out);
  return 1;
}

int StripExtension(std::string& path) {
  size_t dot = ExtensionDot(path);
  if (dot == std::string::npos) return 0;
  path.erase(dot);
  return 1;
}

int GetExtension(std::string& dst, std::string_view path) {
  size_t dot = ExtensionDot(path);
  if (dot == std::string_view::npos) return 0;
  dst.assign(path.substr(dot + 1));
  return 1;
}

int MakeNumberedFileName(std::string& dst, std::string_view src, int a, int b) {
  size_t dot = ExtensionDot(src);
  if (dot == std::string_view::npos) return 0;
  if (a < 0 || a > 9 || b < 0 || b > 9) return 0;
  if (src.size() - dot - 1 > kMaxExtension) return 0;
  std::string out(src.substr(0, dot));
  out += '_';
  out += static_cast<char>('0' + a);
  out += static_cast<char>('0' + b);
  out.append(src.substr(dot));
  if (!FitsPath(out)) return 0;
  dst = std::move(out);
  return 1;
}

int FindLastNumberedFile(std::string& dst, std::string_view name, const char* ext) {
  std::string base;
  if (!ChangeExtension(base, name, ext) && ExtensionDot(name) != std::string_view::npos) return 0;  // too long
  if (base.size() + 4 >= kMaxPath) return 0;
  size_t start = FileNameStart(base);
  std::string folder = start == 0 ? std::string(".") : base.substr(0, start);
  std::string stem = FoldAsciiCp932(std::string_view(base).substr(start));
  // One listing of the folder instead of a thousand look-ups. Names match
  // the way the resolver matches them (ASCII letters without regard to
  // case), and the winner is confirmed through it.
  std::vector<int> numbers;
  for (const std::string& entry : plat::ListDirectory(folder, false, true)) {
    if (entry.size() != stem.size() + 4 || entry[stem.size()] != '_') continue;
    if (FoldAsciiCp932(std::string_view(entry).substr(0, stem.size())) != stem) continue;
    int n = 0;
    for (size_t i = stem.size() + 1; i < entry.size() && n >= 0; ++i)
      n = std::isdigit(static_cast<unsigned char>(entry[i])) ? n * 10 + (entry[i] - '0') : -1;
    if (n >= 0) numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end(), std::greater<int>());
  for (int n : numbers) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "_%03d", n);
    std::string candidate = base + digits;
    if (plat::FileExists(candidate)) {
      dst = std::move(candidate);
      return 1;
    }
  }
  return 0;
}
