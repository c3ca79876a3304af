#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace plat {
namespace {

// iconv descriptors are not thread-safe; one per direction guarded by a
// mutex is plenty for text that only crosses at the edge.
struct Converter {
  iconv_t cd;
  std::mutex lock;
  Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
};

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// How many bytes one bad character spans, so that it becomes one '?' and
// nothing of it (a trail byte 0x5C above all) leaks out as another character.
size_t BadCp932Length(const unsigned char* p, size_t left) {
  unsigned lead = p[0];
  bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
  if (!isLead || left < 2) return 1;
  unsigned trail = p[1];
  bool isTrail = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
  return isTrail ? 2 : 1;
}

size_t BadUtf8Length(const unsigned char* p, size_t left) {
  unsigned lead = p[0];
  size_t len = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 1;
  // A cut-off sequence goes with the continuation bytes it has.
  size_t i = 1;
  while (i < len && i < left && (p[i] & 0xC0) == 0x80) ++i;
  return i;
}

std::string Convert(Converter& conv, std::string_view in, size_t (*badLength)(const unsigned char*, size_t)) {
  std::string out;
  if (in.empty()) return out;
  // ASCII is the same in both encodings (CP932 keeps 0x5C and 0x7E as
  // backslash and tilde), and most names are plain ASCII.
  if (IsAscii(in) || conv.cd == reinterpret_cast<iconv_t>(-1)) {
    out.assign(in);
    return out;
  }
  std::lock_guard<std::mutex> guard(conv.lock);
  iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
  std::string buffer(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = buffer.data();
  size_t dstLeft = buffer.size();
  auto grow = [&] {
    size_t used = static_cast<size_t>(dst - buffer.data());
    buffer.resize(buffer.size() * 2);
    dst = buffer.data() + used;
    dstLeft = buffer.size() - used;
  };
  while (srcLeft > 0) {
    size_t r = iconv(conv.cd, &src, &srcLeft, &dst, &dstLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      grow();
      continue;
    }
    // An invalid, unmappable or cut-off character: one '?', then go on.
    if (dstLeft == 0) grow();
    *dst++ = '?';
    --dstLeft;
    size_t skip = badLength(reinterpret_cast<const unsigned char*>(src), srcLeft);
    src += skip;
    srcLeft -= skip;
    iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
  }
  buffer.resize(static_cast<size_t>(dst - buffer.data()));
  return buffer;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  static Converter conv("UTF-8", "CP932");
  return Convert(conv, cp932, BadCp932Length);
}

std::string Utf8ToCp932(std::string_view utf8) {
  static Converter conv("CP932", "UTF-8");
  return Convert(conv, utf8, BadUtf8Length);
}

}  // namespace plat
