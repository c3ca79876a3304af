// Inside the platform layer only: what the window placement shares with the
// video part (the SDL window itself and the headless stand-in placement).
#pragma once

struct SDL_Window;

namespace plat::detail {

// The game window, null before CreateMainWindow and after ShutdownVideo.
SDL_Window* SdlWindow();
// Headless runs: a window of this client size, centred on the virtual
// desktop, neither maximised nor minimised.
void ResetVirtualPlacement(int clientWidth, int clientHeight);
// Headless runs: ShowWindow brings a minimised window back.
void VirtualWindowShown();
// The refresh rate of the display the window is on (0: not known), kept by
// the window thread for the refresh clock.
void SetRealRefreshRate(int hz);

}  // namespace plat::detail
