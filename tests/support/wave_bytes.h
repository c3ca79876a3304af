// Wave files put together byte by byte for the sound tests, independent of
// the program's reader.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace wave_test {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
// A chunk with its header and, after an odd body, the pad byte.
inline Bytes Chunk(const char* id, const Bytes& body, uint32_t declared = UINT32_MAX) {
  Bytes b(id, id + 4);
  Put32(b, declared == UINT32_MAX ? static_cast<uint32_t>(body.size()) : declared);
  b.insert(b.end(), body.begin(), body.end());
  if (body.size() & 1) b.push_back(0xEE);
  return b;
}
// A "fmt " chunk of `size` bytes (cut or padded with zeros).
inline Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, size_t size = 16) {
  Bytes b;
  Put16(b, tag);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, rate * channels * bits / 8);
  Put16(b, static_cast<uint16_t>(channels * bits / 8));
  Put16(b, bits);
  b.resize(size, 0);
  return Chunk("fmt ", b);
}
inline Bytes Riff(const std::vector<Bytes>& chunks, const char* form = "WAVE") {
  Bytes body(form, form + 4);
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  return Chunk("RIFF", body);
}
inline Bytes Samples16(std::initializer_list<int16_t> s) {
  Bytes b;
  for (int16_t v : s) Put16(b, static_cast<uint16_t>(v));
  return b;
}

}  // namespace wave_test
