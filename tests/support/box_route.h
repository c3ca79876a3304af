// In-process tests that catch the program's message boxes with their own
// handler. A box reaches the handler only when the run is not headless
// (headless runs write boxes to the report log) and no drawn full-screen box
// is installed (a display test may leave one); this sets both for the
// lifetime of the object and gives the headless switch back afterwards, so
// the test passes after any other in the same process.
#pragma once
#include "platform/msgbox.h"
#include "platform/video.h"
#include "services/log.h"

namespace t4test {

class BoxesToHandler {
 public:
  explicit BoxesToHandler(plat::MessageBoxHandler handler) : wasHeadless_(plat::IsHeadless()) {
    plat::SetHeadless(false);
    SetFullScreenMesBox(nullptr);
    plat::SetMessageBoxHandler(handler);
  }
  ~BoxesToHandler() {
    plat::SetMessageBoxHandler(nullptr);
    plat::SetHeadless(wasHeadless_);
  }
  BoxesToHandler(const BoxesToHandler&) = delete;
  BoxesToHandler& operator=(const BoxesToHandler&) = delete;

 private:
  bool wasHeadless_;
};

}  // namespace t4test
