// What an Xvfb of a test's own shows: its screen file (the server started
// with VirtualDisplay::StartWithScreenFile) read as pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace t4test {

struct XvfbScreen {
  int width = 0, height = 0;
  int depth = 0;                // 24 or 16
  std::vector<uint32_t> rgb;    // 0x00RRGGBB; a 16-bit screen's channels widened by a shift
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};

// Reads framebufferDir/Xvfb_screen0; false when it is missing or of a kind
// not handled (only TrueColor screens of 16 or 32 bits a pixel are).
bool ReadXvfbScreen(const std::string& framebufferDir, XvfbScreen* out);

// A colour as a screen of that depth holds it (the channels cut to 5, 6
// and 5 bits at depth 16), in the form XvfbScreen::rgb gives.
uint32_t AsShownAtDepth(uint32_t argb, int depth);

}  // namespace t4test
