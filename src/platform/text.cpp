#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace plat {
namespace {

// iconv descriptors are not thread-safe; one pair guarded by a mutex is
// plenty for text that only crosses at the edge.
struct Converter {
  iconv_t cd;
  std::mutex lock;
  Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
};

std::string Convert(Converter& conv, std::string_view in) {
  std::string out;
  if (in.empty()) return out;
  if (conv.cd == reinterpret_cast<iconv_t>(-1)) {
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
  while (srcLeft > 0) {
    size_t r = iconv(conv.cd, &src, &srcLeft, &dst, &dstLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = static_cast<size_t>(dst - buffer.data());
      buffer.resize(buffer.size() * 2);
      dst = buffer.data() + used;
      dstLeft = buffer.size() - used;
      continue;
    }
    // An invalid or cut-off sequence: one '?' for the byte, then go on.
    if (dstLeft == 0) {
      size_t used = static_cast<size_t>(dst - buffer.data());
      buffer.resize(buffer.size() * 2);
      dst = buffer.data() + used;
      dstLeft = buffer.size() - used;
    }
    *dst++ = '?';
    --dstLeft;
    ++src;
    --srcLeft;
    iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
  }
  buffer.resize(static_cast<size_t>(dst - buffer.data()));
  return buffer;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  static Converter conv("UTF-8", "CP932");
  return Convert(conv, cp932);
}

std::string Utf8ToCp932(std::string_view utf8) {
  static Converter conv("CP932", "UTF-8");
  return Convert(conv, utf8);
}

}  // namespace plat
