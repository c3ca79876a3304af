// An Xvfb of a test's own. Xvfb picks a free display number and writes it
// back as a line once it listens; a display counts as started only once the
// whole line is read and its socket takes a connection, and a start that
// fails is tried again.
#pragma once
#include <sys/types.h>

#include <string>

namespace t4test {

class VirtualDisplay {
 public:
  VirtualDisplay() = default;
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  ~VirtualDisplay() { Stop(); }

  // "640x480x24" and the like; false when no server would come up.
  bool Start(const std::string& screen);
  // As Start, and the server keeps its screen in framebufferDir as a file
  // (Xvfb_screen0, XWD), so a test can see what is on screen
  // (support/xvfb_screen.h reads it).
  bool StartWithScreenFile(const std::string& screen, const std::string& framebufferDir);
  void Stop();
  // ":N", the value for DISPLAY.
  const std::string& Name() const { return name_; }

 private:
  bool StartOnce(const std::string& screen);

  pid_t pid_ = -1;
  std::string name_;
  std::string fbDir_;
};

}  // namespace t4test
