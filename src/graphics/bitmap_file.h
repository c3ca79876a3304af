// Our reader of Windows bitmap files: 1, 4 and 8-bit paletted (8 and 4 bits
// also run-length compressed), 16, 24 and 32-bit uncompressed (16 and 32
// also with bit-field masks), bottom-up or top-down. Every read is bounded by the file's size; a bad file fails with
// one report line naming the file and the offset where it went wrong.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct BITMAPCOLOR {  // a colour-table entry as the file stores it
  uint8_t blue, green, red, reserved;
};

struct BitmapImage {
  int width = 0;
  int height = 0;
  int bitCount = 0;                  // bits per pixel in the file
  std::vector<BITMAPCOLOR> palette;  // colour table (paletted files; may be given by others too)
  std::vector<uint8_t> indices;      // paletted files: one index per pixel, top row first
  std::vector<uint32_t> pixels;      // every file: 0x00RRGGBB per pixel, top row first

  bool Paletted() const { return bitCount <= 8; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  uint8_t IndexAt(int x, int y) const { return indices[static_cast<size_t>(y) * width + x]; }
};

// The largest side accepted; larger files are refused as broken.
inline constexpr int kMaxBitmapSide = 16384;
// The most pixels accepted (8192 x 4096): a run-length file of a few bytes
// can claim any size, and its picture is built whole.
inline constexpr int64_t kMaxBitmapPixels = int64_t{1} << 25;

// Parses a whole file's bytes. On failure *error holds the reason with its
// offset and *image is left unchanged.
bool ParseBitmap(const uint8_t* data, size_t size, BitmapImage* image, std::string* error);

// Reads a stored path (CP932, Windows form). On failure writes one report
// line naming the file and leaves *image unchanged; an empty name fails
// without a line.
bool ReadBitmapFile(std::string_view storedPath, BitmapImage* image);
