#include "graphics/bitmap_file.h"

#include <cinttypes>
#include <utility>

#include "platform/files.h"
#include "services/log.h"

namespace {

enum : uint32_t { kRGB = 0, kRLE8 = 1, kRLE4 = 2, kBitFields = 3 };

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Has(size_t offset, size_t n) const { return offset <= size_ && n <= size_ - offset; }
  uint16_t U16(size_t o) const { return static_cast<uint16_t>(data_[o] | data_[o + 1] << 8); }
  uint32_t U32(size_t o) const {
    return static_cast<uint32_t>(data_[o]) | static_cast<uint32_t>(data_[o + 1]) << 8 |
           static_cast<uint32_t>(data_[o + 2]) << 16 | static_cast<uint32_t>(data_[o + 3]) << 24;
  }
  const uint8_t* At(size_t o) const { return data_ + o; }
  size_t Size() const { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
};

bool Fail(std::string* error, const char* what, size_t offset) {
  if (error) *error = Format("%s at offset %zu", what, offset);
  return false;
}

struct Field {
  int shift = 0;
  uint32_t max = 0;  // mask >> shift
};

Field MakeField(uint32_t mask) {
  Field f;
  if (!mask) return f;
  while (!(mask & 1u)) {
    mask >>= 1;
    ++f.shift;
  }
  f.max = mask;
  return f;
}

// A masked channel scaled to 0..255, so that a full field is 255.
uint8_t Expand(uint32_t pixel, const Field& f) {
  if (!f.max) return 0;
  uint32_t v = (pixel >> f.shift) & f.max;
  return static_cast<uint8_t>(v * 255 / f.max);
}

uint32_t PaletteColour(const BitmapImage& image, uint8_t i) {
  // An index past the table shows black, as GDI draws it.
  if (i >= image.palette.size()) return 0;
  const BITMAPCOLOR& c = image.palette[i];
  return static_cast<uint32_t>(c.red) << 16 | static_cast<uint32_t>(c.green) << 8 | c.blue;
}

// Run-length data (8 or 4 bits): runs, end of line, end of picture, deltas
// and literal runs padded to 16 bits. Rows are stored bottom-up; pixels no
// code reaches keep index 0, and pixels past a row's end are dropped.
bool DecodeRle(const uint8_t* p, size_t n, size_t base, bool four, BitmapImage* out, std::string* error) {
  const int w = out->width, h = out->height;
  out->indices.assign(static_cast<size_t>(w) * h, 0);
  int x = 0, row = 0;  // row 0 is the bottom row
  size_t i = 0;
  auto put = [&](uint8_t v) {
    if (x < w && row < h) out->indices[static_cast<size_t>(h - 1 - row) * w + x] = v;
    ++x;
  };
  auto fail = [&](const char* what) { return Fail(error, what, base + i); };
  bool done = false;
  while (!done) {
    if (i + 2 > n) return fail("run-length data is short");
    const uint8_t count = p[i], value = p[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k) put(four ? static_cast<uint8_t>(k % 2 ? value & 15 : value >> 4) : value);
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++row;
        break;
      case 1:  // end of picture
        done = true;
        break;
      case 2:  // delta
        if (i + 2 > n) return fail("run-length delta is short");
        x += p[i];
        row += p[i + 1];
        i += 2;
        break;
      default: {  // literal pixels
        const size_t bytes = four ? (value + 1u) / 2 : value;
        const size_t padded = (bytes + 1) & ~size_t{1};
        if (i + padded > n) return fail("run-length literal run is short");
        for (int k = 0; k < value; ++k)
          put(four ? static_cast<uint8_t>(k % 2 ? p[i + k / 2] & 15 : p[i + k / 2] >> 4) : p[i + k]);
        i += padded;
        break;
      }
    }
    if (row >= h) done = true;
  }
  out->pixels.resize(out->indices.size());
  for (size_t k = 0; k < out->indices.size(); ++k) out->pixels[k] = PaletteColour(*out, out->indices[k]);
  return true;
}

}  // namespace

bool ParseBitmap(const uint8_t* data, size_t size, BitmapImage* image, std::string* error) {
  Reader r(data, size);
  if (!r.Has(0, 14)) return Fail(error, "file header is short", size);
  if (data[0] != 'B' || data[1] != 'M') return Fail(error, "not a bitmap (no \"BM\")", 0);
  const uint32_t offBits = r.U32(10);
  if (!r.Has(14, 4)) return Fail(error, "info header is short", size);
  const uint32_t headerSize = r.U32(14);
  int64_t width, height;
  int bitCount;
  uint32_t compression = kRGB, clrUsed = 0;
  size_t paletteEntrySize = 4;
  uint32_t masks[3] = {0, 0, 0};
  bool haveMasks = false;
  if (headerSize == 12) {  // the old core header: 16-bit sizes, 3-byte colours
    if (!r.Has(14, 12)) return Fail(error, "info header is short", size);
    width = r.U16(18);
    height = static_cast<int16_t>(r.U16(20));
    if (r.U16(22) != 1) return Fail(error, "planes is not 1", 22);
    bitCount = r.U16(24);
    paletteEntrySize = 3;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
             headerSize == 124) {
    if (!r.Has(14, headerSize)) return Fail(error, "info header is short", size);
    width = static_cast<int32_t>(r.U32(18));
    height = static_cast<int32_t>(r.U32(22));
    if (r.U16(26) != 1) return Fail(error, "planes is not 1", 26);
    bitCount = r.U16(28);
    compression = r.U32(30);
    clrUsed = r.U32(46);
    if (headerSize >= 52) {  // V2 and later carry the masks inside the header
      masks[0] = r.U32(54);
      masks[1] = r.U32(58);
      masks[2] = r.U32(62);
      haveMasks = true;
    }
  } else {
    return Fail(error, "unknown info header size", 14);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
    return Fail(error, "bad width or height", 18);
  if (width * height > kMaxBitmapPixels) return Fail(error, "too many pixels", 18);
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return Fail(error, "unsupported bits per pixel", headerSize == 12 ? 24 : 28);
  const bool rle = compression == kRLE8 || compression == kRLE4;
  if (rle && (bitCount != (compression == kRLE8 ? 8 : 4) || topDown))
    return Fail(error, "run-length compression does not fit the bits per pixel", 30);
  if (rle) {
    // Decoded below.
  } else if (compression == kBitFields) {
    if (bitCount != 16 && bitCount != 32) return Fail(error, "bit fields need 16 or 32 bits", 30);
    if (!haveMasks) {
      size_t at = 14 + headerSize;
      if (!r.Has(at, 12)) return Fail(error, "bit-field masks are short", size);
      masks[0] = r.U32(at);
      masks[1] = r.U32(at + 4);
      masks[2] = r.U32(at + 8);
    }
  } else if (compression != kRGB) {
    return Fail(error, "unsupported compression", 30);
  } else if (bitCount == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else {
    masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
  }

  BitmapImage out;
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.bitCount = bitCount;

  // Colour table: after the header (and the masks when they follow it).
  if (bitCount <= 8) {
    const size_t maxEntries = size_t{1} << bitCount;
    size_t count = clrUsed == 0 || clrUsed > maxEntries ? maxEntries : clrUsed;
    size_t at = 14 + headerSize + (compression == kBitFields && !haveMasks ? 12 : 0);
    if (!r.Has(at, count * paletteEntrySize)) return Fail(error, "colour table is short", size);
    out.palette.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* p = r.At(at + i * paletteEntrySize);
      out.palette[i] = BITMAPCOLOR{p[0], p[1], p[2], 0};
    }
  }

  if (rle) {
    if (offBits < 14 + headerSize || offBits > size) return Fail(error, "pixel data is short", size);
    std::string rleError;
    if (!DecodeRle(data + offBits, size - offBits, offBits, compression == kRLE4, &out, &rleError)) {
      if (error) *error = rleError;
      return false;
    }
    *image = std::move(out);
    return true;
  }

  const uint64_t stride = ((static_cast<uint64_t>(width) * bitCount + 31) / 32) * 4;
  const uint64_t bytes = stride * static_cast<uint64_t>(height);
  if (offBits < 14 + headerSize || offBits > size || bytes > size - offBits)
    return Fail(error, "pixel data is short", offBits > size ? size : offBits);

  const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
  out.pixels.resize(w * h);
  if (bitCount <= 8) out.indices.resize(w * h);
  const Field fr = MakeField(masks[0]), fg = MakeField(masks[1]), fb = MakeField(masks[2]);
  for (size_t row = 0; row < h; ++row) {
    const uint8_t* src = r.At(offBits + static_cast<size_t>(stride) * row);
    const size_t y = topDown ? row : h - 1 - row;
    uint32_t* dst = &out.pixels[y * w];
    if (bitCount <= 8) {
      uint8_t* idx = &out.indices[y * w];
      const int perByte = 8 / bitCount;
      const unsigned mask = (1u << bitCount) - 1;
      for (size_t x = 0; x < w; ++x) {
        const unsigned shift = static_cast<unsigned>(8 - bitCount * (1 + static_cast<int>(x % perByte)));
        const uint8_t i = static_cast<uint8_t>((src[x / perByte] >> shift) & mask);
        idx[x] = i;
        // An index past the table shows black, as GDI draws it.
        if (i < out.palette.size()) {
          const BITMAPCOLOR& c = out.palette[i];
          dst[x] = static_cast<uint32_t>(c.red) << 16 | static_cast<uint32_t>(c.green) << 8 | c.blue;
        } else {
          dst[x] = 0;
        }
      }
    } else if (bitCount == 24 && compression == kRGB) {
      for (size_t x = 0; x < w; ++x)
        dst[x] = static_cast<uint32_t>(src[x * 3 + 2]) << 16 | static_cast<uint32_t>(src[x * 3 + 1]) << 8 |
                 src[x * 3];
    } else if (bitCount == 32 && compression == kRGB) {
      for (size_t x = 0; x < w; ++x)
        dst[x] = static_cast<uint32_t>(src[x * 4 + 2]) << 16 | static_cast<uint32_t>(src[x * 4 + 1]) << 8 |
                 src[x * 4];
    } else {  // 16 bits, or 32 with masks
      for (size_t x = 0; x < w; ++x) {
        uint32_t p = bitCount == 16 ? static_cast<uint32_t>(src[x * 2] | src[x * 2 + 1] << 8)
                                    : static_cast<uint32_t>(src[x * 4]) | static_cast<uint32_t>(src[x * 4 + 1]) << 8 |
                                          static_cast<uint32_t>(src[x * 4 + 2]) << 16 |
                                          static_cast<uint32_t>(src[x * 4 + 3]) << 24;
        dst[x] = static_cast<uint32_t>(Expand(p, fr)) << 16 | static_cast<uint32_t>(Expand(p, fg)) << 8 |
                 Expand(p, fb);
      }
    }
  }
  *image = std::move(out);
  return true;
}

bool ReadBitmapFile(std::string_view storedPath, BitmapImage* image) {
  std::string name(storedPath);
  // Database entries and built-in surfaces without a picture have no file
  // name: there is nothing to read and nothing worth a report line.
  if (name.empty()) return false;
  std::vector<uint8_t> bytes;
  if (!plat::ReadWholeFile(storedPath, bytes)) {
    WriteReport("Bitmap %s : cannot be read", name.c_str());
    return false;
  }
  std::string error;
  if (!ParseBitmap(bytes.data(), bytes.size(), image, &error)) {
    WriteReport("Bitmap %s : %s", name.c_str(), error.c_str());
    return false;
  }
  return true;
}
