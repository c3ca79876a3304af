#include "records/start_option.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"

STARTOPTION g_StartOption;

namespace {

constexpr int kIntOptionCount = 8;  // entries 0-7: Direct3D .. ShowFps
constexpr int kFreeStageEntry = 8;
constexpr int kEnglishEntry = 9;
constexpr int kMaxEntries = 10000;
constexpr size_t kTokenLimit = 2048;  // keys and values of this length or more are refused

int* IntField(STARTOPTION& o, int entry) {
  int* const fields[kIntOptionCount] = {&o.Direct3D,      &o.WindowMode,    &o.Bpp,          &o.VSync,
                                        &o.D3D_FontCache, &o.DD_FontCache,  &o.DD_VideoStretch, &o.ShowFps};
  return fields[entry];
}

// The C runtime's atoi, without its undefined overflow: leading white space,
// an optional sign, digits; anything else ends the number. Out of range
// saturates.
int IniAtoi(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > int64_t(INT_MAX) + 1) v = int64_t(INT_MAX) + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(v);
}

// Copies a string into the FreeStage field when it fits with its NUL.
bool SetFreeStage(STARTOPTION& o, std::string_view s) {
  if (s.size() >= sizeof o.FreeStage) return false;
  std::memcpy(o.FreeStage, s.data(), s.size());
  o.FreeStage[s.size()] = '\0';
  return true;
}

void Apply(STARTOPTION& o, const cCheckedVector<cSystemOptionData>& list, const std::string& key,
           const std::string& value) {
  for (int entry = 0; entry < kStartOptionCount && entry < list.Size(); ++entry) {
    if (list.At(entry).m_strName != key) continue;
    if (entry < kIntOptionCount)
      *IntField(o, entry) = IniAtoi(value);
    else if (entry == kEnglishEntry)
      o.English = IniAtoi(value);
    else if (entry == kFreeStageEntry && value.size() >= 2)
      SetFreeStage(o, value);  // 2 to 259 bytes; others leave it as it was
    return;
  }
}

}  // namespace

void SetStartOptionDefaults(STARTOPTION& option, const cCheckedVector<cSystemOptionData>& list) {
  for (int entry = 0; entry < kIntOptionCount; ++entry) *IntField(option, entry) = list.At(entry).m_nValue;
  const std::string& stage = list.At(kFreeStageEntry).m_strValue;
  // A stored string may hold a NUL; the path ends there.
  if (!SetFreeStage(option, std::string_view(stage.c_str()))) option.FreeStage[0] = '\0';
  option.English = 0;
}

int ParseSystemIni(std::string_view text, STARTOPTION& option, const cCheckedVector<cSystemOptionData>& list) {
  STARTOPTION read = option;
  size_t pos = 0;
  std::string key, value;
  for (int entry = 0; entry < kMaxEntries; ++entry) {
    key.clear();
    bool hasValue = false;
    for (;;) {
      if (pos >= text.size()) {
        // A last line "Exit" without a line end counts as the end line.
        if (key != "Exit") return 0;
        option = read;
        return 1;
      }
      const char c = text[pos++];
      if (c == ' ' || c == '\t' || c == '\r') continue;
      if (c == '=') {
        hasValue = true;
        break;
      }
      if (c == '\n') break;
      if (c == '\0') {
        option = read;
        return 1;
      }
      if (key.size() + 1 >= kTokenLimit) return 0;
      key += c;
    }
    if (!hasValue) {
      if (key == "Exit") {
        option = read;
        return 1;
      }
      continue;  // an empty or comment line
    }
    value.clear();
    for (;;) {
      if (pos >= text.size()) return 0;  // a value running into the end of the file
      const char c = text[pos++];
      // A CR ends the value so that CRLF files read like LF files.
      if (c == ' ' || c == '\t' || c == '/' || c == '\n' || c == '\0' || c == '\r') break;
      if (value.size() + 1 >= kTokenLimit) return 0;
      value += c;
    }
    Apply(read, list, key, value);
  }
  option = read;
  return 1;
}

int ReadSystemIni(std::string_view path, STARTOPTION& option, const cCheckedVector<cSystemOptionData>& list) {
  std::vector<uint8_t> bytes;
  if (!plat::ReadWholeFile(path, bytes)) return 0;
  return ParseSystemIni(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), option, list);
}
