// Standard MIDI file bytes put together byte by byte, independently of the
// program's reader and writer (used by the music tests and the project maker).
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace music_test {

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Variable-length number, most significant group first.
inline Bytes VarLen(uint32_t v) {
  Bytes groups{static_cast<uint8_t>(v & 0x7F)};
  while (v >>= 7) groups.insert(groups.begin(), static_cast<uint8_t>(0x80 | (v & 0x7F)));
  return groups;
}

inline Bytes BE16(uint32_t v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }
inline Bytes BE32(uint32_t v) {
  return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v)};
}
inline Bytes LE32(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

inline Bytes Header(uint16_t format, uint16_t tracks, uint16_t division) {
  return Bytes{'M', 'T', 'h', 'd'} + BE32(6) + BE16(format) + BE16(tracks) + BE16(division);
}

// A track chunk around the given event bytes (end-of-track not added).
inline Bytes Track(const Bytes& events) { return Bytes{'M', 'T', 'r', 'k'} + BE32(static_cast<uint32_t>(events.size())) + events; }

// One event: delta and the bytes as they stand in the file.
inline Bytes Ev(uint32_t delta, std::initializer_list<uint8_t> bytes) { return VarLen(delta) + Bytes(bytes); }
inline Bytes EndOfTrack(uint32_t delta = 0) { return Ev(delta, {0xFF, 0x2F, 0x00}); }

// A format-0 image as the converter writes it, for expected values.
inline Bytes Image(uint16_t division, const Bytes& events) {
  return Bytes{'M', 'T', 'h', 'd'} + BE32(6) + BE16(0) + BE16(1) + BE16(division) + Bytes{'M', 'T', 'r', 'k'} +
         BE32(static_cast<uint32_t>(events.size())) + events;
}

// One 12-byte stream record.
inline Bytes Rec(uint32_t delta, uint32_t event) { return LE32(delta) + LE32(0) + LE32(event); }

}  // namespace music_test
