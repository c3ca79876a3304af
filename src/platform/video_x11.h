// Inside the platform layer only: what the video part asks the X server
// itself, where SDL does not say.
#pragma once

struct SDL_Window;

namespace plat::detail {

// True when the window is on an X server that no window manager serves (a
// kiosk, a bare session): nobody would carry out a request for full screen.
// False on other video drivers and when it cannot be told.
bool WithoutWindowManager(SDL_Window* window);

}  // namespace plat::detail
