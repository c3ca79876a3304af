// How a dialog's static text is broken into the lines it shows.
#include <algorithm>
#include <cstring>

#include "platform/fonts.h"
#include "services/gui_dialog.h"
#include "services/strings.h"

namespace {

size_t CharLen(std::string_view s, size_t i) {
  if (i + 1 >= s.size()) return 1;
  const char two[2] = {s[i], s[i + 1]};
  return IsSJISChar(two) ? 2 : 1;
}

bool IsDouble(std::string_view s, size_t i) { return i < s.size() && CharLen(s, i) == 2; }

// Japanese line-breaking rules, for breaks next to double-byte characters
// only: these never start a line ...
constexpr const char* kNoLineStart[] = {"、", "。", "，", "．", "：", "；", "？", "！", "」", "』",
                                        "）", "】", "〕", "］", "｝", "〉", "》", "ー", ")", "]",
                                        "}", ".", ",", ":", ";", "!", "?"};
// ... and these never end one.
constexpr const char* kNoLineEnd[] = {"「", "『", "（", "【", "〔", "［", "｛", "〈", "《", "(", "[", "{"};

template <size_t N>
bool CharIn(std::string_view s, size_t i, size_t len, const char* const (&set)[N]) {
  std::string_view c = s.substr(i, len);
  for (const char* m : set)
    if (c == m) return true;
  return false;
}

// Start of the character that ends just before i (i > 0).
size_t PrevChar(std::string_view s, size_t from, size_t i) {
  size_t p = from, last = from;
  while (p < i) {
    last = p;
    p += CharLen(s, p);
  }
  return last;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// One line feed-free paragraph into lines.
void WrapParagraph(std::string_view para, int width, const TextMeasure& measure,
                   std::vector<std::string>* out) {
  if (para.empty()) {
    out->emplace_back();
    return;
  }
  size_t pos = 0;
  while (pos < para.size()) {
    // Each candidate is where the line may end; `resume` is where the next
    // line begins (past the spaces of a break at spaces).
    size_t bestEnd = std::string_view::npos, bestResume = 0;
    size_t prev = pos;  // start of the previous character
    size_t i = pos;
    bool first = true;
    while (i <= para.size()) {
      size_t end = std::string_view::npos, resume = 0;
      if (i == para.size()) {
        end = i;
        resume = i;
      } else if (!first && IsSpace(para[i])) {
        size_t j = i;
        while (j < para.size() && IsSpace(para[j])) ++j;
        end = i;
        resume = j;
      } else if (!first && !IsSpace(para[prev]) && (IsDouble(para, prev) || IsDouble(para, i))) {
        size_t prevLen = i - prev;
        if (!CharIn(para, i, CharLen(para, i), kNoLineStart) && !CharIn(para, prev, prevLen, kNoLineEnd)) {
          end = i;
          resume = i;
        }
      }
      if (end != std::string_view::npos) {
        if (measure(para.substr(pos, end - pos)) > width) break;
        bestEnd = end;
        bestResume = resume;
        if (resume >= para.size()) break;
        if (resume != i) {
          // Past a run of spaces: continue with the character after it.
          prev = PrevChar(para, pos, resume);
          i = resume;
          first = false;
          continue;
        }
      }
      if (i == para.size()) break;
      prev = i;
      i += CharLen(para, i);
      first = false;
    }
    if (bestEnd == std::string_view::npos || bestEnd == pos) {
      // Nothing breakable fits: as many whole characters as fit, at least one.
      size_t end = pos + CharLen(para, pos);
      while (end < para.size()) {
        size_t next = end + CharLen(para, end);
        if (measure(para.substr(pos, next - pos)) > width) break;
        end = next;
      }
      bestEnd = end;
      bestResume = end;
      while (bestResume < para.size() && IsSpace(para[bestResume]) && bestResume > pos) ++bestResume;
    }
    out->emplace_back(para.substr(pos, bestEnd - pos));
    pos = bestResume;
  }
}

}  // namespace

const plat::Font& DialogFont() {
  static const plat::Font font(plat::FontDesc{"ＭＳ Ｐゴシック", -12, 0, plat::kDefaultPitch});
  return font;
}

std::vector<std::string> WrapDialogText(std::string_view cp932, int width, const TextMeasure& measure) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    size_t lf = cp932.find('\n', start);
    std::string_view para = cp932.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
    if (!para.empty() && para.back() == '\r') para.remove_suffix(1);
    WrapParagraph(para, width, measure, &lines);
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
  return lines;
}

std::vector<std::string> WrapDialogText(std::string_view cp932, int width) {
  const plat::Font& font = DialogFont();
  return WrapDialogText(cp932, width, [&font](std::string_view s) { return font.Measure(s).cx; });
}
