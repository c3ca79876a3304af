// The player objects of the Ogg music library (built beside the program and
// loaded at run time). The program calls the entries by their place in the
// table, so the order below is fixed: new entries only ever go at the end.
#pragma once
#include <cstdint>

// Output format of every player: 16-bit stereo at this rate (the mixer's).
constexpr int kVoxRate = 44100;
constexpr int kVoxChannels = 2;
// Loop count of SetLoop that never ends.
constexpr int kVoxLoopForever = 0x7fffffff;

class IVox {
 public:
  // 0: opens an Ogg Vorbis file (operating-system path); non-zero on success.
  virtual unsigned char Load(const char* file) = 0;
  // 1: starts (or resumes) playing from the current position.
  virtual void Play() = 0;
  // 2: stops; the next Play starts from the beginning.
  virtual void Stop() = 0;
  // 3: called right before Load: stops and lets go of the file loaded before.
  virtual void Prepare() = 0;
  // 4: how many more times the file plays after the first: 0 once,
  // kVoxLoopForever endless.
  virtual void SetLoop(int count) = 0;
  // 5: the mixer's pull: writes `frames` stereo frames (silence when stopped
  // or finished). Never waits for more than one decoding step.
  virtual void Read(int16_t* stereo, int frames) = 0;
  // 6: 1 while playing (until stopped or the last loop has been read out).
  virtual int IsPlaying() = 0;
  // 7, 8: unused places, kept so that Delete stays ninth.
  virtual void Reserved7() = 0;
  virtual void Reserved8() = 0;
  // 9: destroys the object (its decoding thread has ended when it returns).
  virtual void Delete() = 0;

 protected:
  ~IVox() = default;
};

// The library's entry: a new player object, or null.
extern "C" {
typedef IVox* (*CreateVoxFn)();
}
#define VOX_ENTRY_NAME "CreateVox"
