#include "support/bytes.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

ByteBuilder& ByteBuilder::U8(uint8_t v) {
  m_bytes.push_back(v);
  return *this;
}
ByteBuilder& ByteBuilder::I16(int16_t v) {
  uint16_t u = static_cast<uint16_t>(v);
  return U8(u & 0xFF).U8(u >> 8);
}
ByteBuilder& ByteBuilder::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  return *this;
}
ByteBuilder& ByteBuilder::I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
ByteBuilder& ByteBuilder::F64(double v) {
  uint64_t u;
  std::memcpy(&u, &v, 8);
  for (int i = 0; i < 8; ++i) U8(static_cast<uint8_t>(u >> (8 * i)));
  return *this;
}
ByteBuilder& ByteBuilder::Str(std::string_view text) {
  U32(static_cast<uint32_t>(text.size() + 1));
  if (!text.empty()) {
    Raw(text);
    U8(0);
  }
  return *this;
}
ByteBuilder& ByteBuilder::Raw(std::string_view bytes) {
  m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
  return *this;
}
ByteBuilder& ByteBuilder::Append(const std::vector<uint8_t>& bytes) {
  m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
  return *this;
}
bool ByteBuilder::WriteTo(const std::string& osPath) const {
  std::ofstream f(osPath, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(m_bytes.data()), static_cast<std::streamsize>(m_bytes.size()));
  return static_cast<bool>(f);
}

std::vector<uint8_t> ReadOsFile(const std::string& osPath) {
  std::ifstream f(osPath, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string s;
  char b[4];
  for (uint8_t v : bytes) {
    std::snprintf(b, sizeof b, "%02x ", v);
    s += b;
  }
  return s;
}
