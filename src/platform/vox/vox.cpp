// The Ogg music library: player objects that decode Ogg Vorbis files with
// libvorbisfile on a thread of their own, a little ahead of the mixer, and
// hand the mixer 16-bit stereo frames at its rate.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "platform/vox/vox_api.h"

namespace {

constexpr size_t kRingFrames = 32768;  // about 0.75 s ahead
constexpr int kReadBytes = 4096;       // one decoding step
constexpr long kMinRate = 8000, kMaxRate = 192000;  // one step always fits the ring

class VoxPlayer final : public IVox {
 public:
  VoxPlayer() : m_ring(kRingFrames * 2) {}

  bool Start() {
    try {
      m_thread = std::thread([this] { DecodeLoop(); });
    } catch (...) {
      return false;
    }
    return true;
  }

  unsigned char Load(const char* file) override {
    if (!file || !*file) {
      Prepare();
      return 0;
    }
    // Opened outside the lock, so the mixer never waits for the disk.
    auto opened = std::make_unique<OggVorbis_File>();
    bool ok = ov_fopen(file, opened.get()) == 0;
    if (ok) {
      vorbis_info* info = ov_info(opened.get(), -1);
      if (!info || info->channels < 1 || info->rate < kMinRate || info->rate > kMaxRate) {
        ov_clear(opened.get());
        ok = false;
      }
    }
    std::lock_guard<std::mutex> g(m_lock);
    CloseFile();
    if (!ok) return 0;
    m_file = std::move(opened);
    Rewind();
    return 1;
  }

  void Play() override {
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_file) return;
    if (m_finished) Rewind();
    m_playing = true;
    m_wake.notify_all();
  }

  void Stop() override {
    std::lock_guard<std::mutex> g(m_lock);
    m_playing = false;
    if (m_file) Rewind();
  }

  void Prepare() override {
    std::lock_guard<std::mutex> g(m_lock);
    m_playing = false;
    CloseFile();
  }

  void SetLoop(int count) override {
    std::lock_guard<std::mutex> g(m_lock);
    m_loops = m_loopsLeft = count < 0 ? 0 : count;
  }

  void Read(int16_t* stereo, int frames) override {
    std::lock_guard<std::mutex> g(m_lock);
    if (!m_playing || frames <= 0) return;
    size_t want = static_cast<size_t>(frames);
    size_t done = 0;
    while (done < want) {
      // Decoding normally stays ahead; when it has not (a slow start, or a
      // headless run pulling faster than real time) the mixer decodes for
      // itself, so what it hears never depends on thread timing.
      if (m_count == 0) {
        if (!DecodeStep()) break;
        continue;
      }
      size_t n = std::min(want - done, m_count);
      for (size_t i = 0; i < n; ++i, ++done) {
        stereo[2 * done] = m_ring[2 * m_head];
        stereo[2 * done + 1] = m_ring[2 * m_head + 1];
        m_head = (m_head + 1) % kRingFrames;
      }
      m_count -= n;
    }
    if (m_ended && m_count == 0) {
      m_playing = false;
      m_finished = true;
    }
    m_wake.notify_all();
  }

  int IsPlaying() override {
    std::lock_guard<std::mutex> g(m_lock);
    return m_playing ? 1 : 0;
  }

  void Reserved7() override {}
  void Reserved8() override {}

  void Delete() override {
    {
      std::lock_guard<std::mutex> g(m_lock);
      m_quit = true;
      m_wake.notify_all();
    }
    if (m_thread.joinable()) m_thread.join();
    CloseFile();
    delete this;
  }

 private:
  void CloseFile() {
    if (m_file) ov_clear(m_file.get());
    m_file.reset();
    m_count = m_head = 0;
    m_ended = m_finished = false;
  }

  void Rewind() {
    ov_pcm_seek(m_file.get(), 0);
    m_count = m_head = 0;
    m_ended = m_finished = false;
    m_loopsLeft = m_loops;
    m_phase = 0;
    m_primed = false;
    m_currentLink = -1;
  }

  size_t Free() const { return kRingFrames - m_count; }

  void Push(int16_t l, int16_t r) {
    size_t tail = (m_head + m_count) % kRingFrames;
    m_ring[2 * tail] = l;
    m_ring[2 * tail + 1] = r;
    ++m_count;
  }

  // One input frame through the linear resampler (exact copy at our rate).
  void Feed(int16_t l, int16_t r) {
    if (m_rate == kVoxRate) {
      Push(l, r);
      return;
    }
    if (!m_primed) {
      m_prevL = m_curL = l;
      m_prevR = m_curR = r;
      m_primed = true;
    } else {
      m_prevL = m_curL;
      m_prevR = m_curR;
      m_curL = l;
      m_curR = r;
    }
    // m_phase: where the next output frame lies after m_prev, in 1/2^32.
    const uint64_t one = uint64_t{1} << 32;
    while (m_phase < one) {
      int64_t f = static_cast<int64_t>(m_phase >> 16);  // 16-bit fraction
      int16_t ol = static_cast<int16_t>(m_prevL + ((int64_t{m_curL} - m_prevL) * f >> 16));
      int16_t orr = static_cast<int16_t>(m_prevR + ((int64_t{m_curR} - m_prevR) * f >> 16));
      Push(ol, orr);
      m_phase += m_step;
    }
    m_phase -= one;
  }

  // Decodes one step into the ring; false when there is nothing more.
  bool DecodeStep() {
    if (!m_file || m_ended) return false;
    char pcm[kReadBytes];
    int link = 0;
    long bytes = ov_read(m_file.get(), pcm, sizeof pcm, 0, 2, 1, &link);
    if (bytes == OV_HOLE) return true;
    if (bytes < 0) {
      m_ended = true;
      return false;
    }
    if (bytes == 0) {
      if (m_loopsLeft > 0 && ov_pcm_seek(m_file.get(), 0) == 0) {
        if (m_loopsLeft != kVoxLoopForever) --m_loopsLeft;
        return true;
      }
      m_ended = true;
      return false;
    }
    if (link != m_currentLink) {
      vorbis_info* info = ov_info(m_file.get(), link);
      if (!info || info->channels < 1 || info->rate < kMinRate || info->rate > kMaxRate) {
        m_ended = true;
        return false;
      }
      m_currentLink = link;
      m_channels = info->channels;
      m_rate = static_cast<int>(info->rate);
      m_step = (static_cast<uint64_t>(m_rate) << 32) / kVoxRate;
    }
    const int16_t* s = reinterpret_cast<const int16_t*>(pcm);
    size_t frames = static_cast<size_t>(bytes) / (2 * static_cast<size_t>(m_channels));
    // The front pair of the stream's channel order (mono: the one channel;
    // three or more: left is first and right third, or second for quad).
    int right = m_channels == 1 ? 0 : (m_channels == 3 || m_channels >= 5) ? 2 : 1;
    for (size_t i = 0; i < frames; ++i) {
      const int16_t* f = s + i * static_cast<size_t>(m_channels);
      Feed(f[0], f[right]);
    }
    return true;
  }

  // Most output frames one step can make at the current rate (or the slowest).
  size_t StepRoom() const {
    long rate = m_rate > 0 ? m_rate : kMinRate;
    return static_cast<size_t>(kReadBytes / 2) * kVoxRate / static_cast<size_t>(rate) + 2;
  }

  void DecodeLoop() {
    std::unique_lock<std::mutex> lk(m_lock);
    while (!m_quit) {
      if (m_playing && m_file && !m_ended && Free() >= StepRoom()) {
        DecodeStep();
        // Let the mixer in between steps.
        lk.unlock();
        std::this_thread::yield();
        lk.lock();
        continue;
      }
      m_wake.wait(lk);
    }
  }

  std::mutex m_lock;
  std::condition_variable m_wake;
  std::thread m_thread;
  bool m_quit = false;

  std::unique_ptr<OggVorbis_File> m_file;  // null when no file is loaded
  bool m_playing = false;
  bool m_ended = false;     // decoding reached the end of the last loop
  bool m_finished = false;  // and everything decoded was played
  int m_loops = 0;
  int m_loopsLeft = 0;
  int m_currentLink = -1;
  int m_channels = 2;
  int m_rate = 0;

  uint64_t m_step = 0;
  uint64_t m_phase = 0;
  bool m_primed = false;
  int16_t m_prevL = 0, m_prevR = 0, m_curL = 0, m_curR = 0;

  std::vector<int16_t> m_ring;
  size_t m_head = 0;
  size_t m_count = 0;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) IVox* CreateVox() {
  auto* p = new (std::nothrow) VoxPlayer;
  if (!p) return nullptr;
  if (!p->Start()) {
    delete p;
    return nullptr;
  }
  return p;
}
