// Conversions between the program's CP932 text and UTF-8 at the edge with
// the operating system.
#pragma once
#include <string>
#include <string_view>

namespace plat {
// Bytes that do not convert are replaced by '?', never dropped silently.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);
}  // namespace plat
