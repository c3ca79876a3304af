#include "services/wave.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "services/log.h"

namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

struct Chunk {
  uint64_t dataStart;  // first byte after the 8-byte header
  uint32_t size;       // as declared
};

// Walks the chunks in [pos, end) for `id`, skipping others and their pad
// byte. False when a header would not fit before `end`.
bool FindChunk(const std::vector<uint8_t>& f, uint64_t pos, uint64_t end, const char* id, Chunk* out) {
  while (pos + 8 <= end) {
    const uint8_t* h = f.data() + pos;
    uint32_t size = Le32(h + 4);
    if (std::memcmp(h, id, 4) == 0) {
      *out = Chunk{pos + 8, size};
      return true;
    }
    pos += 8 + static_cast<uint64_t>(size) + (size & 1);
  }
  return false;
}

bool Unsupported(const char* file) {
  ReportError("%s の読み込みに失敗しました…\n対応していない形式か、不正なwavファイルです。\n本ソフトではPCM形式のみ再生できます。", file);
  return false;
}

}  // namespace

bool LoadWaveFile(const char* file, WAVEDATA* wave) {
  std::vector<uint8_t> f;
  if (!plat::ReadWholeFile(file, f)) return false;
  const uint64_t fileEnd = f.size();

  // The RIFF chunk of form "WAVE", wherever it is among the top-level chunks.
  uint64_t pos = 0, riffEnd = 0;
  bool found = false;
  while (pos + 12 <= fileEnd) {
    const uint8_t* h = f.data() + pos;
    uint32_t size = Le32(h + 4);
    if (std::memcmp(h, "RIFF", 4) == 0 && std::memcmp(h + 8, "WAVE", 4) == 0) {
      riffEnd = std::min<uint64_t>(pos + 8 + static_cast<uint64_t>(size), fileEnd);
      pos += 12;
      found = true;
      break;
    }
    pos += 8 + static_cast<uint64_t>(size) + (size & 1);
  }
  if (!found) {
    ReportError("%s の読み込みに失敗しました…\n不正なファイルです。", file);
    return false;
  }

  Chunk fmt;
  if (!FindChunk(f, pos, riffEnd, "fmt ", &fmt)) return false;
  // Under 16 bytes the block cannot say what the samples are.
  if (fmt.size < 16 || fmt.size > 18 || fmt.dataStart + fmt.size > fileEnd) return Unsupported(file);
  uint8_t block[18] = {};
  std::memcpy(block, f.data() + fmt.dataStart, fmt.size);
  WAVEFORMAT18 wf;
  wf.wFormatTag = Le16(block);
  wf.nChannels = Le16(block + 2);
  wf.nSamplesPerSec = Le32(block + 4);
  wf.nAvgBytesPerSec = Le32(block + 8);
  wf.nBlockAlign = Le16(block + 12);
  wf.wBitsPerSample = Le16(block + 14);
  wf.cbSize = Le16(block + 16);
  if (wf.wFormatTag != WAVE_FORMAT_PCM) {
    ReportError("%s の読み込みに失敗しました…\nPCM形式以外の形式です。\n本ソフトではPCM形式のみ再生できます。", file);
    return false;
  }
  // Samples the mixer cannot take would otherwise play as noise later.
  if (wf.nChannels == 0 || (wf.wBitsPerSample != 8 && wf.wBitsPerSample != 16)) return Unsupported(file);

  Chunk data;
  pos = fmt.dataStart + fmt.size + (fmt.size & 1);
  if (!FindChunk(f, pos, riffEnd, "data", &data)) return false;
  uint32_t size = data.size;
  if (data.dataStart + data.size > fileEnd) {
    // A cut file plays the whole sample frames it has: the declared size
    // would play on into bytes that were never read.
    const uint32_t frame = static_cast<uint32_t>(wf.nChannels) * (wf.wBitsPerSample / 8);
    size = static_cast<uint32_t>(fileEnd - data.dataStart);
    size -= size % frame;
    ReportError("%s のデータが %llu バイト目で途切れています（%u バイトのはずです）。%u バイトまでを使います。", file,
                static_cast<unsigned long long>(fileEnd), data.size, size);
  }
  uint8_t* samples = static_cast<uint8_t*>(std::malloc(size ? size : 1));
  if (!samples) return false;
  std::memcpy(samples, f.data() + data.dataStart, size);
  wave->wf = wf;
  wave->pData = samples;
  wave->dwSize = size;
  return true;
}

void FreeWaveData(WAVEDATA* wave) {
  std::free(wave->pData);
  wave->pData = nullptr;
}
