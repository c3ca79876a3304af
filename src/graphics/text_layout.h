// Walking CP932 text the way the fonts lay it out: a lead byte followed by
// a trail byte is one character; a lone lead byte (at the end, or before a
// byte that cannot trail) is a character of its own. Every read is bounded
// by the view, so text need not be terminated and may be of any length.
#pragma once
#include <string_view>

inline bool IsCharPairAt(std::string_view text, size_t i) {
  if (i + 1 >= text.size()) return false;
  const auto lead = static_cast<unsigned char>(text[i]);
  const auto trail = static_cast<unsigned char>(text[i + 1]);
  return ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) &&
         ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC));
}

// Characters of one line: pairs count one, line feeds none.
inline int TextCharCount(std::string_view text) {
  int count = 0;
  for (size_t i = 0; i < text.size();) {
    if (IsCharPairAt(text, i)) {
      ++count;
      i += 2;
    } else {
      if (text[i] != '\n') ++count;
      ++i;
    }
  }
  return count;
}

// Calls fn for each line split at line feeds: n line feeds make n + 1 lines.
template <class Fn>
void ForEachLine(std::string_view text, Fn&& fn) {
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      fn(text.substr(start));
      return;
    }
    fn(text.substr(start, end - start));
    start = end + 1;
  }
}
