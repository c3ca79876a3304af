#include "support/ogg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#ifdef T4_HAVE_VORBISENC
#include <vorbis/vorbisenc.h>
#endif

namespace music_test {

#ifdef T4_HAVE_VORBISENC

bool CanWriteOgg() { return true; }

bool WriteOggTone(const std::string& osPath, int rate, int channels, int frames, double hz) {
  FILE* f = std::fopen(osPath.c_str(), "wb");
  if (!f) return false;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, 0.3f) != 0) {
    vorbis_info_clear(&vi);
    std::fclose(f);
    return false;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1234);
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  ogg_page page;
  bool ok = true;
  auto writePage = [&] {
    ok = ok && std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), f) == static_cast<size_t>(page.header_len);
    ok = ok && std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), f) == static_cast<size_t>(page.body_len);
  };
  while (ogg_stream_flush(&os, &page) != 0) writePage();

  auto drain = [&] {
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page) != 0) writePage();
      }
    }
  };
  const int chunk = 1024;
  for (int done = 0; done < frames; done += chunk) {
    int n = std::min(chunk, frames - done);
    float** buffer = vorbis_analysis_buffer(&vd, n);
    for (int i = 0; i < n; ++i) {
      float v = static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * (done + i) / rate));
      for (int c = 0; c < channels; ++c) buffer[c][i] = v;
    }
    vorbis_analysis_wrote(&vd, n);
    drain();
  }
  vorbis_analysis_wrote(&vd, 0);  // end of stream
  drain();
  while (ogg_stream_flush(&os, &page) != 0) writePage();
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return std::fclose(f) == 0 && ok;
}

#else

bool CanWriteOgg() { return false; }
bool WriteOggTone(const std::string&, int, int, int, double) { return false; }

#endif

}  // namespace music_test
