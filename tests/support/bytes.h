// Builds record-format bytes by hand, for fixtures that must not come from
// the program's own writer.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ByteBuilder {
 public:
  ByteBuilder& U8(uint8_t v);
  ByteBuilder& I16(int16_t v);
  ByteBuilder& I32(int32_t v);
  ByteBuilder& U32(uint32_t v);
  ByteBuilder& F64(double v);
  // A string entry: length + 1, then the text and a NUL (length 1 alone when empty).
  ByteBuilder& Str(std::string_view text);
  ByteBuilder& Raw(std::string_view bytes);
  ByteBuilder& Append(const std::vector<uint8_t>& bytes);
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }
  size_t Size() const { return m_bytes.size(); }
  // Writes the bytes to an OS path; false on failure.
  bool WriteTo(const std::string& osPath) const;

 private:
  std::vector<uint8_t> m_bytes;
};

std::vector<uint8_t> ReadOsFile(const std::string& osPath);
// Hex dump "01 02 ff" for failure messages.
std::string HexBytes(const std::vector<uint8_t>& bytes);
