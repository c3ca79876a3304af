// Standard MIDI files: reading, checking and converting format 0 or 1 into a
// single-track format-0 image that the stream player walks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Offset of the first event of an image's only track.
constexpr uint32_t kMidiImageFirstEvent = 22;

// Reads a variable-length number (7 bits a byte, high bit = more follows) of
// at most 4 bytes from the `avail` bytes at p. Returns the bytes used, or 0
// when the fourth byte still has its high bit set or the bytes run out.
size_t ReadVarLen(const uint8_t* p, size_t avail, uint32_t* value);

class cMidi {
 public:
  explicit cMidi(const char* fileName);
  virtual ~cMidi();
  cMidi(const cMidi&) = delete;
  cMidi& operator=(const cMidi&) = delete;

  // Reads the whole file and converts it; without success no image is kept.
  void Load(const char* fileName);

  // The header check and conversion. Returns the format-0 image, or an empty
  // vector after writing the reason to the report log ("Midi <name> Init ...").
  static std::vector<uint8_t> Convert(const std::string& name, const uint8_t* file, size_t size);
  // Writes value in 1 to 4 bytes; values above 0x0FFFFFFF write nothing (0).
  static size_t WriteVarLen(uint8_t* out, uint32_t value);

  bool HasImage() const { return !m_vecImage.empty(); }
  const std::vector<uint8_t>& Image() const { return m_vecImage; }
  const std::string& FileName() const { return m_strFileName; }

 protected:
  std::string m_strFileName;
  std::vector<uint8_t> m_vecImage;  // empty when the file could not be read or was refused
};
