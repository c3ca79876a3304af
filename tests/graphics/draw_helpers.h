// Small helpers of the drawing tests: raw pixel access to surfaces and the
// temporary bitmap files of the loading tests.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "graphics/surface.h"

namespace drawtest {

inline PixelBuffer& Buf(DDSURFACEDATA& sd) {
  PixelBuffer* b = sd.Pixels();
  EXPECT_NE(b, nullptr);
  return *b;
}

inline uint32_t Get(DDSURFACEDATA& sd, int x, int y) {
  PixelBuffer& b = Buf(sd);
  switch (BytesPerPixel(b.format)) {
    case 1: return b.Row(y)[x];
    case 2: return reinterpret_cast<uint16_t*>(b.Row(y))[x];
    default: return reinterpret_cast<uint32_t*>(b.Row(y))[x];
  }
}

inline void Put(DDSURFACEDATA& sd, int x, int y, uint32_t v) {
  PixelBuffer& b = Buf(sd);
  switch (BytesPerPixel(b.format)) {
    case 1: b.Row(y)[x] = static_cast<uint8_t>(v); break;
    case 2: reinterpret_cast<uint16_t*>(b.Row(y))[x] = static_cast<uint16_t>(v); break;
    default: reinterpret_cast<uint32_t*>(b.Row(y))[x] = v; break;
  }
}

inline void FillAll(DDSURFACEDATA& sd, uint32_t v) {
  for (int y = 0; y < sd.nHeight; ++y)
    for (int x = 0; x < sd.nWidth; ++x) Put(sd, x, y, v);
}

inline std::vector<uint32_t> Row(DDSURFACEDATA& sd, int y, int x0, int n) {
  std::vector<uint32_t> out;
  for (int x = x0; x < x0 + n; ++x) out.push_back(Get(sd, x, y));
  return out;
}

// A file in the test's temporary folder, removed with the object.
class TempFile {
 public:
  TempFile(const std::string& name, const std::vector<uint8_t>& bytes)
      : path_(::testing::TempDir() + std::to_string(::getpid()) + "_" + name) {
    FILE* f = std::fopen(path_.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

}  // namespace drawtest
