#include "services/midi_stream.h"

#include <cstring>

#include "platform/messages.h"
#include "services/log.h"
#include "services/strings.h"

namespace {

constexpr uint32_t kRecordBytes = kMidiRecordBytes;
constexpr uint32_t kEndOfTrackEvent = 0x002FFF;

void WriteLE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
uint32_t ReadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint32_t ReadBE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

int CheckMusicIndex(int index, size_t count, size_t elementSize) {
  if (index >= 0 && static_cast<size_t>(index) < count) return index;
  ReportError("err V[%d] ( %d , %d )", index, static_cast<int>(count), static_cast<int>(elementSize));
  plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
  return count ? 0 : -1;
}

// --- buffer filling ---------------------------------------------------------------

uint32_t cMidiStream::FillBuffer(const std::vector<uint8_t>& image, uint32_t position, plat::MidiHeader* header) {
  uint8_t* out = header->lpData;
  const uint32_t capacity = kMidiBufferSize;
  std::memset(out, 0, capacity);
  size_t end = image.size();
  if (end >= kMidiImageFirstEvent) end = std::min<size_t>(end, kMidiImageFirstEvent + size_t{ReadBE32(image.data() + 18)});
  const uint8_t* img = image.data();

  uint32_t used = 0;
  int64_t lastRecord = -1;
  auto put = [&](uint32_t delta, uint32_t event) {
    lastRecord = used;
    WriteLE32(out + used, delta);
    WriteLE32(out + used + 4, 0);
    WriteLE32(out + used + 8, event);
    used += kRecordBytes;
  };
  auto fits = [&](uint32_t bytes) { return capacity - used >= bytes; };
  // A length number and that many bytes at q, inside the image.
  auto readData = [&](size_t q, uint32_t* length, size_t* numberBytes) {
    *numberBytes = ReadVarLen(img + q, end - q, length);
    return *numberBytes != 0 && end - q - *numberBytes >= *length;
  };

  size_t p = position;
  while (p < end) {
    // The image is ours, but it is never read past all the same.
    const size_t start = p;
    uint32_t delta = 0;
    size_t n = ReadVarLen(img + p, end - p, &delta);
    if (n == 0 || end - p - n < 1) {
      p = end;
      break;
    }
    p += n;
    const uint8_t status = img[p++];
    uint32_t record = kRecordBytes;  // bytes this event takes in the buffer
    uint32_t event = 0;
    size_t next = p;                 // where the following event starts
    const uint8_t* longData = nullptr;
    uint32_t longBytes = 0;
    bool endOfTrack = false;
    if (status == 0xF0 || status == 0xF7) {
      uint32_t length = 0;
      size_t m = 0;
      if (!readData(p, &length, &m)) {
        p = end;
        break;
      }
      next = p + m + length;
      if (length >= capacity - kRecordBytes) {
        // Larger than a whole buffer: it could never be sent, and waiting
        // for room would stall the music for good. It is dropped; its time
        // is kept by a no-op.
        if (delta == 0) {
          p = next;
          continue;
        }
        event = uint32_t{plat::kMevtNop} << 24;
      } else {
        longData = img + p + m;
        longBytes = 1 + length;
        record += (longBytes + 3) & ~3u;
        event = plat::kMevtFlagLong | longBytes;
      }
    } else if (status == 0xFF) {
      if (end - p >= 2 && img[p] == 0x2F && img[p + 1] == 0x00) {
        endOfTrack = true;
        event = plat::kMevtFlagCallback | kEndOfTrackEvent;
        next = p + 2;
      } else {
        uint32_t length = 0;
        size_t m = 0;
        if (end - p < 1 || !readData(p + 1, &length, &m)) {
          p = end;
          break;
        }
        const uint8_t type = img[p];
        const uint8_t* data = img + p + 1 + m;
        next = p + 1 + m + length;
        if (type == 0x51 && length >= 3) {
          event = (uint32_t{plat::kMevtTempo} << 24) | (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2];
        } else if (delta != 0) {
          // Other meta events make no sound, but the time before them must
          // still pass, or every later event would come early.
          event = uint32_t{plat::kMevtNop} << 24;
        } else {
          p = next;
          continue;
        }
      }
    } else {
      uint32_t dataBytes = (status >= 0xC0 && status <= 0xDF) ? 1 : 2;
      if (end - p < dataBytes) {
        p = end;
        break;
      }
      event = status | (uint32_t{img[p]} << 8);
      if (dataBytes == 2) event |= uint32_t{img[p + 1]} << 16;
      next = p + dataBytes;
    }
    if (!fits(record)) {
      p = start;  // the next buffer begins with this event
      break;
    }
    put(delta, event);
    if (longData) {
      out[used] = status;
      std::memcpy(out + used + 1, longData, longBytes - 1);
      used += record - kRecordBytes;
    }
    p = next;
    if (endOfTrack) break;
  }
  // Unless the end-of-track event closed the buffer, its last event asks for
  // the callback that refills it.
  if (lastRecord >= 0) {
    uint8_t* ev = out + lastRecord + 8;
    WriteLE32(ev, ReadLE32(ev) | plat::kMevtFlagCallback);
  }
  header->dwBytesRecorded = used;
  header->dwFlags = 0;
  header->dwOffset = 0;
  return static_cast<uint32_t>(p - position);
}

// --- the player ------------------------------------------------------------------

cMidiStream::cMidiStream(const char* fileName) : cMidi(fileName) {
  if (HasImage()) Open();
}

cMidiStream::~cMidiStream() {
  if (!HasImage()) return;
  // The mixer must not wait for callbacks this thread will no longer answer.
  plat::MidiStreamWaitForCallbacks(m_hStream, false);
  {
    std::lock_guard<std::recursive_mutex> g(m_Lock);
    m_bClosing = true;  // callbacks still queued for the thread are ignored
    if (uint32_t r = plat::MidiOutReset(m_hStream)) Report("Reset", r);
    for (plat::MidiHeader& h : m_Header)
      if (uint32_t r = plat::MidiOutUnprepareHeader(m_hStream, &h)) Report("Unprepare", r);
    if (uint32_t r = plat::MidiStreamClose(m_hStream)) Report("Close", r);
    m_hStream = nullptr;
  }
  // The callback thread ends here, so it never touches a deleted player.
  if (m_Thread.joinable()) {
    plat::PostThreadMessage(m_dwThreadId, WM_QUIT, 0, 0);
    m_Thread.join();
  }
  if (m_dwThreadId) plat::ReleaseThreadQueue(m_dwThreadId);
}

void cMidiStream::Report(const char* step, uint32_t code) {
  ReportError("Midi %s %s %s", m_strFileName.c_str(), step, GetErrorText(code).c_str());
}

uint32_t cMidiStream::TrackEnd() const { return kMidiImageFirstEvent + ReadBE32(m_vecImage.data() + 18); }

void cMidiStream::Open() {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  m_nCurrentBuffer = 0;
  for (int i = 0; i < 2; ++i) {
    m_Buffer[i].assign(m_dwBufferSize, 0);
    m_Header[i].lpData = m_Buffer[i].data();
    m_Header[i].dwBufferLength = m_dwBufferSize;
    m_Header[i].dwBytesRecorded = 0;
    m_Header[i].dwUser = static_cast<uintptr_t>(i);
    m_Header[i].dwFlags = 0;
    m_Header[i].dwOffset = 0;
  }

  m_dwThreadId = plat::CreateThreadQueue();
  plat::ThreadId id = m_dwThreadId;
  m_Thread = std::thread([this, id] {
    plat::BindCurrentThread(id);
    ThreadProc(this);
  });
  while (!plat::PostThreadMessage(m_dwThreadId, WM_APP, 0, 0)) plat::Sleep(1);

  if (uint32_t r = plat::MidiStreamOpen(&m_hStream, m_dwThreadId)) Report("Open", r);
  plat::MidiStreamWaitForCallbacks(m_hStream, true);
  std::string line;
  if (plat::TakeMidiSynthReport(&line)) ReportError("%s", line.c_str());
  uint32_t division = (uint32_t{m_vecImage[12]} << 8) | m_vecImage[13];
  if (uint32_t r = plat::MidiStreamSetTimeDiv(m_hStream, division)) Report("Property", r);

  m_dwReadPos = kMidiImageFirstEvent;
  m_nState = kStopped;
  SendBuffer();
}

void cMidiStream::SendBuffer() {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  if (!HasImage() || m_dwReadPos >= TrackEnd()) return;
  plat::MidiHeader& h = m_Header[m_nCurrentBuffer];
  if (h.dwFlags & plat::kMhdrInQueue) return;
  m_dwReadPos += FillBuffer(m_vecImage, m_dwReadPos, &h);
  if (uint32_t r = plat::MidiOutPrepareHeader(m_hStream, &h)) Report("Prepare", r);
  if (uint32_t r = plat::MidiStreamOut(m_hStream, &h)) Report("Out", r);
  m_nCurrentBuffer = (m_nCurrentBuffer + 1) % m_nBufferCount;
}

void cMidiStream::Restart(int loop) {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  if (!HasImage()) return;
  m_bLoop = loop;
  if (m_nState == kPlaying) return;
  if (uint32_t r = plat::MidiStreamRestart(m_hStream)) Report("Restart", r);
  int previous = m_nState;
  m_nState = kPlaying;
  if (previous != kPaused && m_dwReadPos < TrackEnd()) SendBuffer();
}

void cMidiStream::Stop(int pause) {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  if (!HasImage()) return;
  if (pause == 0) {
    if (uint32_t r = plat::MidiStreamStop(m_hStream)) Report("Stop", r);
    m_nState = kStopped;
    m_dwReadPos = kMidiImageFirstEvent;
    SendBuffer();
  } else if (m_nState == kPlaying) {
    if (uint32_t r = plat::MidiStreamPause(m_hStream)) Report("Pause", r);
    m_nState = kPaused;
  }
}

std::string cMidiStream::GetErrorText(uint32_t code) { return plat::MidiErrorText(code); }

int cMidiStream::GetState() {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  return m_nState;
}

uint32_t cMidiStream::GetReadPos() {
  std::lock_guard<std::recursive_mutex> g(m_Lock);
  return m_dwReadPos;
}

unsigned cMidiStream::ThreadProc(void* player) {
  auto* self = static_cast<cMidiStream*>(player);
  MSG msg;
  while (plat::GetMessage(&msg)) {
    if (msg.message != plat::kMomPositionCb) continue;
    std::lock_guard<std::recursive_mutex> g(self->m_Lock);
    if (self->m_bClosing) continue;
    auto* h = reinterpret_cast<plat::MidiHeader*>(msg.lParam);
    uint32_t event = 0;
    if (h && h->dwOffset <= h->dwBufferLength - kRecordBytes) event = ReadLE32(h->lpData + h->dwOffset + 8);
    // Only a short message can be the end-of-track marker; a tempo record
    // shares its low bits only by chance.
    bool endOfTrack = (event & 0xFFFFFF) == kEndOfTrackEvent && (event & ~plat::kMevtFlagCallback) >> 24 == 0;
    if (endOfTrack) {
      self->Stop(0);
      if (self->m_bLoop) self->Restart(1);
    } else if (self->m_dwReadPos < self->TrackEnd()) {
      self->SendBuffer();
    }
    plat::MidiStreamCallbackDone(self->m_hStream);
  }
  return 0;
}

// --- the list ---------------------------------------------------------------------

cMidiList::~cMidiList() { Clear(); }

void cMidiList::Resize(size_t n) {
  m_vecStream.resize(n);
  m_vecFlag.resize(n, 0);
}

void cMidiList::Clear() {
  m_vecStream.clear();
  m_vecFlag.clear();
}

void cMidiList::StopAll(int pause) {
  for (auto& s : m_vecStream)
    if (s) s->Stop(pause);
}

int cMidiList::Play(int index, const char* file, int loop) {
  StopAll(1);
  for (auto& s : m_vecStream) s.reset();
  std::string ext;
  if (!file || !GetExtension(ext, file) || ext != "mid") return 0;
  int i = CheckMusicIndex(index, m_vecStream.size(), sizeof(cMidiStream*));
  if (i < 0) return 0;
  m_vecStream[static_cast<size_t>(i)] = std::make_unique<cMidiStream>(file);
  cMidiStream* s = m_vecStream[static_cast<size_t>(i)].get();
  if (!s->HasImage()) return 0;
  s->Restart(loop);
  return 1;
}
