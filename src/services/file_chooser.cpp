#include "services/file_chooser.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "graphics/surface.h"
#include "platform/answers.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/video.h"
#include "services/log.h"

const char* const cFileChooser::kNotFoundText = "%s\nファイルが見つかりません。\nファイル名を確認してください。";
const char* const cFileChooser::kNoFolderText = "%s\nフォルダが見つかりません。\nパスを確認してください。";
const char* const cFileChooser::kBadNameText = "%s\nファイル名が正しくありません。";
const char* const cFileChooser::kTooLongText = "%s\nファイル名が長すぎます。";
const char* const cFileChooser::kOverwriteText = "%s は既に存在します。\n上書きしますか?";

namespace {

// Length of the CP932 character at s[i]: 2 for a lead byte followed by a
// trail byte, else 1.
size_t CharLen(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  if (!lead || i + 1 >= s.size()) return 1;
  const auto t = static_cast<unsigned char>(s[i + 1]);
  return (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC) ? 2 : 1;
}

std::vector<std::string_view> Chars(std::string_view s) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < s.size();) {
    size_t n = CharLen(s, i);
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

char FoldByte(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameChar(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() == 1) return FoldByte(a[0]) == FoldByte(b[0]);
  return a == b;  // a double-byte character has no case to fold
}

// Letters folded, trail bytes untouched.
std::string Fold(std::string_view s) {
  std::string out;
  for (std::string_view c : Chars(s)) {
    if (c.size() == 1)
      out += FoldByte(c[0]);
    else
      out += c;
  }
  return out;
}

bool Glob(std::string_view name, std::string_view pattern) {
  const std::vector<std::string_view> n = Chars(name), p = Chars(pattern);
  size_t ni = 0, pi = 0, starP = std::string_view::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == "*") {
      starP = pi++;
      starN = ni;
    } else if (pi < p.size() && (p[pi] == "?" || SameChar(p[pi], n[ni]))) {
      ++pi;
      ++ni;
    } else if (starP != std::string_view::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == "*") ++pi;
  return pi == p.size();
}

bool IsSeparator(std::string_view c) { return c == "\\" || c == "/"; }

// Components of a stored path, split at separators that are whole
// characters (a trail byte 0x5C is not one). Empty components are dropped.
std::vector<std::string> SplitComponents(std::string_view path, std::string* root) {
  std::vector<std::string> out;
  std::string cur;
  bool first = true;
  for (std::string_view c : Chars(path)) {
    if (IsSeparator(c)) {
      if (first && root) *root = std::string(c);
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
    first = false;
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// Position where the file name starts (after the last separator).
size_t NameStart(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size();) {
    size_t n = CharLen(path, i);
    if (n == 1 && (path[i] == '\\' || path[i] == '/')) start = i + 1;
    i += n;
  }
  return start;
}

bool HasExtension(std::string_view path) { return path.substr(NameStart(path)).find('.') != std::string_view::npos; }

bool IsBadName(std::string_view typed) {
  for (std::string_view c : Chars(typed))
    if (c.size() == 1 && std::strchr("*?\"<>|", c[0])) return true;
  return false;
}

bool EntryLess(const cFileChooser::Entry& a, const cFileChooser::Entry& b) {
  const std::string fa = Fold(a.name), fb = Fold(b.name);
  if (fa != fb) return fa < fb;
  return a.name < b.name;
}

std::atomic<FileChooserUi> g_ui{nullptr};

}  // namespace

std::vector<cFileFilter> ParseFileFilter(const char* packed, size_t limit) {
  std::vector<cFileFilter> out;
  if (!packed) return out;
  size_t i = 0;
  auto take = [&](std::string* dst) {
    size_t start = i;
    while (i < limit && packed[i]) ++i;
    if (i >= limit) return false;
    dst->assign(packed + start, i - start);
    ++i;
    return true;
  };
  for (;;) {
    cFileFilter f;
    if (!take(&f.text) || f.text.empty()) break;
    if (!take(&f.pattern)) break;
    out.push_back(std::move(f));
  }
  return out;
}

bool MatchFilePattern(std::string_view name, std::string_view patterns) {
  const size_t dot = name.rfind('.');
  size_t i = 0;
  while (i <= patterns.size()) {
    size_t end = patterns.find(';', i);
    if (end == std::string_view::npos) end = patterns.size();
    std::string_view p = patterns.substr(i, end - i);
    while (!p.empty() && p.front() == ' ') p.remove_prefix(1);
    while (!p.empty() && p.back() == ' ') p.remove_suffix(1);
    if (!p.empty()) {
      if (p == "*.*" || Glob(name, p)) return true;
      if (p.find('.') == std::string_view::npos && dot != std::string_view::npos && Glob(name.substr(dot + 1), p))
        return true;
    }
    i = end + 1;
  }
  return false;
}

cFileChooser::cFileChooser(eKind kind, std::string_view initialDir, std::vector<cFileFilter> filters,
                           std::string_view defExt, std::string_view initialName, size_t maxPath)
    : m_kind(kind),
      m_filters(std::move(filters)),
      m_defExt(defExt),
      m_initialName(initialName),
      m_maxPath(maxPath) {
  // A leading '.' of the extension is not doubled when it is appended.
  if (!m_defExt.empty() && m_defExt.front() == '.') m_defExt.erase(0, 1);
  SetFolder(initialDir);
  if (!m_folder.empty() && !plat::DirectoryExists(m_folder)) m_folder.clear();
  Refresh();
}

void cFileChooser::SetFolder(std::string_view folder) {
  std::string root;
  std::vector<std::string> parts = SplitComponents(folder, &root);
  // "." adds nothing; ".." cancels the component before it when there is one.
  std::vector<std::string> kept;
  for (std::string& c : parts) {
    if (c == ".") continue;
    if (c == ".." && !kept.empty() && kept.back() != "..") {
      kept.pop_back();
      continue;
    }
    if (c == ".." && !root.empty()) continue;  // above the root is the root
    kept.push_back(std::move(c));
  }
  m_folder = root;
  for (size_t i = 0; i < kept.size(); ++i) m_folder += (i ? "\\" : "") + kept[i];
}

void cFileChooser::SetFilterIndex(int index) {
  if (index < 0 || static_cast<size_t>(index) >= m_filters.size()) return;
  m_filterIndex = index;
  Refresh();
}

void cFileChooser::Refresh() {
  m_entries.clear();
  const std::string where = m_folder.empty() ? "." : m_folder;
  const bool isRoot = m_folder == "\\" || m_folder == "/";
  if (!isRoot) m_entries.push_back(Entry{"..", true});
  std::vector<Entry> dirs, files;
  for (std::string& d : plat::ListDirectory(where, true, false)) dirs.push_back(Entry{std::move(d), true});
  const std::string* pattern =
      m_filters.empty() ? nullptr : &m_filters[static_cast<size_t>(m_filterIndex)].pattern;
  for (std::string& f : plat::ListDirectory(where, false, true))
    if (!pattern || MatchFilePattern(f, *pattern)) files.push_back(Entry{std::move(f), false});
  std::sort(dirs.begin(), dirs.end(), EntryLess);
  std::sort(files.begin(), files.end(), EntryLess);
  m_entries.insert(m_entries.end(), dirs.begin(), dirs.end());
  m_entries.insert(m_entries.end(), files.begin(), files.end());
}

std::string cFileChooser::Join(std::string_view name) const {
  if (plat::IsAbsolutePath(name) || m_folder.empty()) return std::string(name);
  const bool root = m_folder == "\\" || m_folder == "/";
  return m_folder + (root ? "" : "\\") + std::string(name);
}

bool cFileChooser::EnterFolder(std::string_view name) {
  const std::string target = Join(name);
  if (name != ".." && !plat::DirectoryExists(target)) return false;
  const std::string before = m_folder;
  SetFolder(target);  // above the current directory ".." piles up; a root stays
  if (name == ".." && m_folder == before) return false;
  Refresh();
  return true;
}

cFileChooser::eResult cFileChooser::Refuse(const char* text, std::string_view name) {
  m_message = text ? Format(text, std::string(name).c_str()) : std::string();
  return kRefused;
}

cFileChooser::eResult cFileChooser::Submit(std::string_view typed) {
  m_paths.clear();
  m_path.clear();
  m_message.clear();
  // Paths often come from fixed buffers: nothing after a NUL counts.
  typed = typed.substr(0, typed.find('\0'));
  if (typed.empty()) return kRefused;
  if (IsBadName(typed)) return Refuse(kBadNameText, typed);
  std::string full = Join(typed);
  const std::string_view last = std::string_view(typed).substr(NameStart(typed));
  if (last == ".." || last == "." || plat::DirectoryExists(full))
    return EnterFolder(typed) ? kFolderEntered : Refuse(kNoFolderText, typed);
  if (last.empty()) return Refuse(kNoFolderText, typed);  // "sub\" names a folder that is not there

  if (!m_defExt.empty() && !HasExtension(full)) {
    std::string withExt = full + "." + m_defExt;
    // An open dialog takes the name as typed when that file exists.
    if (m_kind == kSave || !plat::FileExists(full)) full = std::move(withExt);
  }
  const std::string name = full.substr(NameStart(full));
  if (full.size() + 1 > m_maxPath) return Refuse(kTooLongText, name);

  if (m_kind == kOpen) {
    if (!plat::FileExists(full)) return Refuse(kNotFoundText, name);
    m_path = full;
    return kAccepted;
  }
  const std::string folder = full.substr(0, NameStart(full));
  if (!folder.empty() && !plat::DirectoryExists(folder)) return Refuse(kNoFolderText, folder);
  if (plat::DirectoryExists(full)) return Refuse(kBadNameText, name);  // a folder where the extension was added
  m_path = full;
  if (plat::PathExists(full)) {
    m_message = Format(kOverwriteText, name.c_str());
    return kAskOverwrite;
  }
  return kAccepted;
}

cFileChooser::eResult cFileChooser::Choose(std::string_view typed, const char* caption) {
  const eResult r = Submit(typed);
  if (r == kRefused && !m_message.empty()) {
    MesBox(m_message.c_str(), caption, MB_OK | MB_ICONWARNING);
  } else if (r == kAskOverwrite) {
    // No is the default: nobody at the keyboard never loses a file.
    if (MesBox(m_message.c_str(), caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES) return kAccepted;
    m_path.clear();
    return kRefused;
  }
  return r;
}

cFileChooser::eResult cFileChooser::SubmitMany(const std::vector<std::string>& names) {
  m_paths.clear();
  if (names.size() == 1 || !m_bMulti) {
    const eResult r = names.empty() ? Submit("") : Submit(names.front());
    if (r == kAccepted) m_paths.push_back(m_path);
    return r;
  }
  m_path.clear();
  m_message.clear();
  std::vector<std::string> paths;
  for (const std::string& n : names) {
    if (n.empty() || IsBadName(n) || NameStart(n) != 0) return Refuse(kBadNameText, n);
    std::string full = Join(n);
    if (full.size() + 1 > m_maxPath) return Refuse(kTooLongText, n);
    if (!plat::FileExists(full)) return Refuse(kNotFoundText, n);
    paths.push_back(std::move(full));
  }
  m_paths = std::move(paths);
  m_path = m_paths.front();
  return kAccepted;
}

cFileChooser::eResult cFileChooser::ChooseMany(const std::vector<std::string>& names, const char* caption) {
  if (names.size() <= 1) {
    const eResult r = Choose(names.empty() ? std::string_view() : std::string_view(names.front()), caption);
    m_paths.clear();
    if (r == kAccepted) m_paths.push_back(m_path);
    return r;
  }
  const eResult r = SubmitMany(names);
  if (r == kRefused && !m_message.empty()) MesBox(m_message.c_str(), caption, MB_OK | MB_ICONWARNING);
  return r;
}

void SetFileChooserUi(FileChooserUi ui) { g_ui = ui; }

int RunHeadlessFileChooser(cFileChooser& chooser, const char* title) {
  const char* caption = title ? title : "";
  bool defaultPressed = false;
  for (;;) {
    std::string answer;
    std::string typed;
    if (plat::NextAnswer(&answer)) {
      if (plat::AnswerMatches(answer, "cancel")) break;
      typed = answer.empty() ? chooser.InitialName() : plat::Utf8ToCp932(answer);
    } else {
      // Nobody to type: OK on the initial name, once.
      if (defaultPressed || chooser.InitialName().empty()) break;
      defaultPressed = true;
      typed = chooser.InitialName();
    }
    std::vector<std::string> names;
    size_t start = 0;
    for (size_t bar; chooser.MultiSelect() && (bar = typed.find('|', start)) != std::string::npos; start = bar + 1)
      names.push_back(typed.substr(start, bar - start));
    names.push_back(typed.substr(start));
    if (chooser.ChooseMany(names, caption) == cFileChooser::kAccepted) {
      for (const std::string& p : chooser.Paths()) WriteReport("[%s] %s", caption, p.c_str());
      return 1;
    }
  }
  WriteReport("[%s] cancel", caption);
  return 0;
}

namespace {
bool PaletteRuleApplies() { return !g_bD3D && g_nBpp == 8 && g_lpDDPal; }

// Shows a chooser with the drawn dialog when there is one and a display to
// draw on; otherwise answers it as a headless run does.
int RunChooser(cFileChooser& chooser, const char* title) {
  FileChooserUi ui = g_ui.load();
  if (ui && !plat::IsHeadless()) return ui(chooser, title);
  return RunHeadlessFileChooser(chooser, title);
}
}  // namespace

void BeginFileDialogPalette() {
  if (!PaletteRuleApplies()) return;
  const PALETTEENTRY black{0, 0, 0, g_PaletteWork[0].peFlags};
  g_lpDDPal->SetEntries(0, 1, &black);
}

void EndFileDialogPalette() {
  // The working palette is the one the hardware palette is kept equal to.
  if (PaletteRuleApplies()) g_lpDDPal->SetEntries(0, 1, &g_PaletteWork[0]);
}

int ShowOpenFileDialog(HWND, std::string* file, size_t bufferSize, const char* initialDir, const char* title,
                       const char* filter, const char* defExt, int multiSelect, std::vector<std::string>* names) {
  if (!file) return 0;
  file->clear();
  cFileChooser chooser(cFileChooser::kOpen, initialDir ? initialDir : "", ParseFileFilter(filter),
                       defExt ? defExt : "", "", bufferSize);
  chooser.SetMultiSelect(multiSelect != 0);
  BeginFileDialogPalette();
  const int chosen = RunChooser(chooser, title);
  EndFileDialogPalette();
  if (!chosen) return 0;
  *file = chooser.Path();
  if (names) {
    if (chooser.Paths().empty())
      names->push_back(*file);
    else
      names->insert(names->end(), chooser.Paths().begin(), chooser.Paths().end());
  }
  return 1;
}

int ShowSaveFileDialog(HWND, std::string* file, const char* initialDir, const char* title, const char* filter,
                       const char* defExt) {
  if (!file) return 0;
  cFileChooser chooser(cFileChooser::kSave, initialDir ? initialDir : "", ParseFileFilter(filter),
                       defExt ? defExt : "", *file, 260);
  BeginFileDialogPalette();
  const int chosen = RunChooser(chooser, title);
  EndFileDialogPalette();
  if (!chosen) return 0;
  *file = chooser.Path();
  return 1;
}
