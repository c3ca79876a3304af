// Short Ogg Vorbis files for the music tests, encoded here with libvorbisenc
// (when the build found it).
#pragma once
#include <string>

namespace music_test {
// True when this build can encode.
bool CanWriteOgg();
// A sine tone of `frames` frames at `rate` with 1 or 2 channels. False when
// encoding is not available or the file cannot be written.
bool WriteOggTone(const std::string& osPath, int rate, int channels, int frames, double hz = 440.0);
}  // namespace music_test
