// (being written) Window placement.
#include "platform/video.h"

namespace plat {
void GetDesktopSize(int* width, int* height) {
  *width = 1920;
  *height = 1080;
}
bool GetWindowPos(HWND, int* x, int* y) {
  *x = *y = 0;
  return false;
}
void SetWindowPos(HWND, int, int) {}
bool GetClientSize(HWND, int* width, int* height) {
  *width = 640;
  *height = 480;
  return false;
}
void SetClientSize(HWND, int, int) {}
void SetResizable(HWND, bool) {}
void MaximizeWindow(HWND) {}
bool IsZoomed(HWND) { return false; }
bool IsIconic(HWND) { return false; }
}  // namespace plat
