#include "services/midi.h"

#include <algorithm>
#include <cstring>
#include <queue>

#include "platform/files.h"
#include "services/log.h"
#include "services/midi_stream.h"

namespace {

// One event of a source track: its absolute time and where its bytes lie in
// the source file. Meta events also keep their type.
struct TrackEvent {
  uint64_t time;
  uint8_t status;
  uint8_t metaType;
  uint32_t dataOffset;  // first data byte after the status (and type, length)
  uint32_t dataLength;
};

uint32_t ReadBE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t ReadBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
void WriteBE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

// Reads the tracks of a checked file. A track is read to its end-of-track
// event whatever its chunk says, since editors write wrong lengths; every
// read is bounded by the file. Only where a chunk's length agrees with the
// events (a track without an end event that ends exactly at the next chunk
// or the file's end, or bytes after an end event up to the next chunk) is
// the chunk followed. A track that runs off the file's end ends there, with
// one report line, and no track after it is read; an over-long number fails.
class TrackParser {
 public:
  TrackParser(const std::string& name, const uint8_t* file, size_t size)
      : m_name(name), m_file(file), m_size(size) {}

  bool Parse(std::vector<std::vector<TrackEvent>>& tracks) {
    uint16_t count = ReadBE16(m_file + 10);
    if (count == 0) return Corrupt(10);
    // Every track starts with an 8-byte chunk header, so the file holds no
    // more than this many whatever its header claims (the walk below stops
    // at the file's end before reaching a track past them).
    tracks.assign(std::min<size_t>(count, std::max<size_t>(1, (m_size - 14) / 8)), {});
    uint64_t latest = 0;
    size_t pos = 14;
    for (uint16_t t = 0; t < count && !m_cut; ++t) {
      if (m_size - pos < 8) {
        CutShort();
        break;
      }
      m_chunkEnd = pos + 8 + uint64_t{ReadBE32(m_file + pos + 4)};
      pos += 8;
      uint64_t time = 0;
      uint8_t running = 0;
      for (;;) {
        if (EndsWithItsChunk(pos)) break;
        if (pos >= m_size) {
          CutShort();
          break;
        }
        uint32_t delta = 0;
        if (!ReadNumber(pos, &delta)) {
          if (m_cut) break;
          return false;
        }
        const uint64_t eventTime = time + delta;
        if (pos >= m_size) {
          CutShort();
          break;
        }
        uint8_t status = running;
        if (m_file[pos] & 0x80) status = m_file[pos++];
        running = status;
        TrackEvent ev{eventTime, status, 0, 0, 0};
        if (status == 0xFF) {
          if (m_size - pos < 2) {
            CutShort();
            break;
          }
          if (m_file[pos] == 0x2F && m_file[pos + 1] == 0x00) {
            latest = std::max(latest, eventTime);
            pos = NextTrackAfterEnd(pos + 2);
            break;
          }
          ev.metaType = m_file[pos++];
          if (!ReadData(pos, &ev)) {
            if (m_cut) break;
            return false;
          }
        } else if (status == 0xF0 || status == 0xF7) {
          if (!ReadData(pos, &ev)) {
            if (m_cut) break;
            return false;
          }
        } else {
          ev.dataOffset = static_cast<uint32_t>(pos);
          ev.dataLength = (status >= 0xC0 && status <= 0xDF) ? 1 : 2;
          if (m_size - pos < ev.dataLength) {
            CutShort();
            break;
          }
          pos += ev.dataLength;
        }
        time = eventTime;
        latest = std::max(latest, time);
        tracks[t].push_back(ev);
      }
    }
    tracks.back().push_back(TrackEvent{latest, 0xFF, 0x2F, 0, 0});
    return true;
  }

  bool Corrupt(size_t offset) {
    ReportError("Midi %s Init データが壊れています(%zu)", m_name.c_str(), offset);
    return false;
  }

 private:
  // The file ends inside a track: what was read plays, said once.
  void CutShort() {
    if (!m_cut) ReportError("Midi %s Init データが途中で切れています(%zu)", m_name.c_str(), m_size);
    m_cut = true;
  }
  bool StartsChunk(uint64_t at) const {
    return at == m_size || (at < m_size && m_size - at >= 4 && std::memcmp(m_file + at, "MTrk", 4) == 0);
  }
  // A track without an end event whose chunk length is right ends with its
  // chunk, where the next chunk (or the file's end) follows.
  bool EndsWithItsChunk(size_t pos) const { return pos == m_chunkEnd && StartsChunk(m_chunkEnd); }
  // After an end event the next track follows at once, unless the chunk
  // reaches further to where a chunk does start: its bytes up to there are
  // not events.
  size_t NextTrackAfterEnd(size_t after) const {
    if (m_chunkEnd > after && StartsChunk(m_chunkEnd)) return static_cast<size_t>(m_chunkEnd);
    return after;
  }
  bool ReadNumber(size_t& pos, uint32_t* value) {
    size_t used = ReadVarLen(m_file + pos, m_size - pos, value);
    if (used == 0) {
      if (m_size - pos < 4) {
        CutShort();
        return false;
      }
      return Corrupt(pos);
    }
    pos += used;
    return true;
  }
  // A length number and that many bytes.
  bool ReadData(size_t& pos, TrackEvent* ev) {
    uint32_t length = 0;
    if (!ReadNumber(pos, &length)) return false;
    if (m_size - pos < length) {
      CutShort();
      return false;
    }
    ev->dataOffset = static_cast<uint32_t>(pos);
    ev->dataLength = length;
    pos += length;
    return true;
  }

  const std::string& m_name;
  const uint8_t* m_file;
  size_t m_size;
  uint64_t m_chunkEnd = 0;  // where the track's chunk says it ends
  bool m_cut = false;       // the file ended inside a track
};

// All tracks merged by time; on equal times the lower track number first.
std::vector<TrackEvent> MergeTracks(const std::vector<std::vector<TrackEvent>>& tracks) {
  using Key = std::pair<uint64_t, size_t>;  // (time, track)
  std::priority_queue<Key, std::vector<Key>, std::greater<Key>> next;
  std::vector<size_t> index(tracks.size(), 0);
  size_t total = 0;
  for (size_t t = 0; t < tracks.size(); ++t) {
    total += tracks[t].size();
    if (!tracks[t].empty()) next.push({tracks[t][0].time, t});
  }
  std::vector<TrackEvent> merged;
  merged.reserve(total);
  while (!next.empty()) {
    size_t t = next.top().second;
    next.pop();
    merged.push_back(tracks[t][index[t]++]);
    if (index[t] < tracks[t].size()) next.push({tracks[t][index[t]].time, t});
  }
  return merged;
}

void AppendVarLen(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t bytes[4];
  size_t n = cMidi::WriteVarLen(bytes, value);
  out.insert(out.end(), bytes, bytes + n);
}

}  // namespace

size_t ReadVarLen(const uint8_t* p, size_t avail, uint32_t* value) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) {
    if (i >= avail) return 0;
    v = (v << 7) | (p[i] & 0x7F);
    if (!(p[i] & 0x80)) {
      *value = v;
      return i + 1;
    }
  }
  return 0;
}

size_t cMidi::WriteVarLen(uint8_t* out, uint32_t value) {
  if (value > 0x0FFFFFFF) return 0;
  uint8_t groups[4];
  size_t n = 0;
  do {
    groups[n++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(groups[n - 1 - i] | (i + 1 < n ? 0x80 : 0));
  return n;
}

cMidi::cMidi(const char* fileName) : m_strFileName(fileName ? fileName : "") { Load(fileName); }

cMidi::~cMidi() = default;

void cMidi::Load(const char* fileName) {
  m_vecImage.clear();
  std::string name = fileName ? fileName : "";
  std::vector<uint8_t> bytes;
  if (!plat::ReadWholeFile(name, bytes)) {
    ReportError("Midi %s Create ファイルが開けません", name.c_str());
    return;
  }
  m_vecImage = Convert(name, bytes.data(), bytes.size());
}

std::vector<uint8_t> cMidi::Convert(const std::string& name, const uint8_t* file, size_t size) {
  const char* n = name.c_str();
  if (size < 4 || std::memcmp(file, "MThd", 4) != 0) {
    ReportError("Midi %s Init 標準MIDIでない(4)", n);
    return {};
  }
  if (size < 22) {
    ReportError("Midi %s Init データが途中で切れています(%zu)", n, size);
    return {};
  }
  if (ReadBE32(file + 4) != 6) {
    ReportError("Midi %s Init 標準MIDIでない(6)", n);
    return {};
  }
  uint16_t format = ReadBE16(file + 8);
  if (format == 2) {
    ReportError("Midi %s Init 対応フォーマットが2でない", n);
    return {};
  }
  if (format > 2) {
    ReportError("Midi %s Init 対応フォーマットが0または1でない", n);
    return {};
  }
  if (std::memcmp(file + 14, "MTrk", 4) != 0) {
    ReportError("Midi %s Init 標準MIDIでない(4)", n);
    return {};
  }

  TrackParser parser(name, file, size);
  std::vector<std::vector<TrackEvent>> tracks;
  if (!parser.Parse(tracks)) return {};
  std::vector<TrackEvent> events = MergeTracks(tracks);

  std::vector<uint8_t> image(kMidiImageFirstEvent, 0);
  std::memcpy(image.data(), "MThd", 4);
  WriteBE32(image.data() + 4, 6);
  image[11] = 1;  // format 0, one track
  image[12] = file[12];
  image[13] = file[13];
  std::memcpy(image.data() + 14, "MTrk", 4);
  image.reserve(size + 64);
  uint64_t previous = 0;
  for (const TrackEvent& ev : events) {
    uint64_t delta = ev.time - previous;
    // A gap the format cannot express: the file is not one we can play.
    if (delta > 0x0FFFFFFF) {
      parser.Corrupt(ev.dataOffset);
      return {};
    }
    previous = ev.time;
    AppendVarLen(image, static_cast<uint32_t>(delta));
    image.push_back(ev.status);
    if (ev.status == 0xFF) {
      image.push_back(ev.metaType);
      if (ev.metaType == 0x2F && ev.dataLength == 0 && ev.dataOffset == 0) {
        image.push_back(0);  // the end-of-track event appended after the merge
        continue;
      }
      AppendVarLen(image, ev.dataLength);
    } else if (ev.status == 0xF0 || ev.status == 0xF7) {
      // The player drops a message that no stream buffer can hold (rather
      // than wait for room forever); say so once, when the file is read.
      if (ev.dataLength >= kMidiBufferSize - kMidiRecordBytes)
        ReportError("Midi %s Init システムエクスクルーシブ(%u バイト)が大きすぎるため送りません(%u)", n,
                    ev.dataLength, ev.dataOffset);
      AppendVarLen(image, ev.dataLength);
    }
    image.insert(image.end(), file + ev.dataOffset, file + ev.dataOffset + ev.dataLength);
  }
  WriteBE32(image.data() + 18, static_cast<uint32_t>(image.size() - kMidiImageFirstEvent));
  return image;
}
