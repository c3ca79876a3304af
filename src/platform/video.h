// The game window, its events and the presenting of finished frames.
// Everything SDL stays behind this header.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"

namespace plat {

struct VideoSettings {
  bool headless = false;
  bool fullscreen = false;
};

bool IsHeadless();
void SetHeadless(bool headless);

// Main thread. Starts SDL's video and event parts (dummy drivers headless)
// and installs the event source of the message loop.
bool InitVideo(const VideoSettings& settings, std::string* error);
void ShutdownVideo();

// Main thread. The title is CP932. The window is hidden until ShowWindow.
HWND CreateMainWindow(std::string_view titleCp932, int width, int height, WindowProc proc);
void ShowWindow(HWND hwnd);
void SetWindowTitle(HWND hwnd, std::string_view titleCp932);
void SetFullscreen(HWND hwnd, bool fullscreen);
bool IsWindowActive();
// Sends WM_DESTROY to the window procedure and closes the window.
void DestroyWindow(HWND hwnd);

// Any thread: a finished frame of ARGB8888 pixels. The frame is captured
// (hashes, screenshots, frame limit, scripted input for the next frame)
// on the calling thread and handed to the window thread to be shown.
// `argb` may be null for a frame NextFrameSeen said nobody looks at: it is
// counted and paces the sound, and nothing else.
void PresentFrame(const uint32_t* argb, int width, int height, int pitchPixels);
// Whether anybody looks at the next presented frame's pixels: always with a
// window, and headless unless SetUnseenHeadlessFrames(true) was called (the
// headless player), then only for the frame hashes or a screenshot of it.
bool NextFrameSeen();
void SetUnseenHeadlessFrames(bool unseen);
uint64_t PresentedFrameCount();
// Called on the presenting thread with the number of each counted frame,
// after the frame was captured and before the next frame's input is set.
using FramePresentedHook = void (*)(uint64_t frame);
void SetFramePresentedHook(FramePresentedHook hook);

// Capture settings, set before the first frame.
void SetFrameLimit(uint64_t frames);  // WM_CLOSE after this many frames
void AddScreenshot(uint64_t frame, std::string osPath);
bool SetFrameHashFile(const std::string& osPath);
// 64-bit FNV-1a over the frame's pixels, row by row, as little-endian ARGB.
uint64_t HashFrame(const uint32_t* argb, int width, int height, int pitchPixels);
bool WritePng(const std::string& osPath, const uint32_t* argb, int width, int height, int pitchPixels);

// Main thread, for the dialogs drawn inside the window. True when a real
// window shows frames (not headless, video started).
bool HasVideoWindow();
// The newest frame handed to the window (or on screen); false before any.
bool CopyShownFrame(std::vector<uint32_t>* argb, int* width, int* height);
// Main thread: the pointer in frame pixels and the left and right buttons;
// false (all zero) without a window.
bool GetMouseState(int* x, int* y, bool* left, bool* right);
// Shows a frame made by a dialog; it is not captured or counted as a game frame.
void ShowDialogFrame(const uint32_t* argb, int width, int height, int pitchPixels);
// Main thread: a small window of its own for a box the program draws (a
// message box in window mode), width x height frame pixels, titled with the
// CP932 caption, centred on the game window when that is on screen, else on
// the screen. The video layer starts for it when it is not up yet (the box
// before the game window) and stops again with it. While it is open, dialog
// frames are shown in it, the pointer is read in it and its clicks, keys and
// close button go to the dialog input (the close button as Escape). False
// headless, on a video driver without a screen (dummy, offscreen) or when no
// window could be made.
bool OpenBoxWindow(std::string_view captionCp932, int width, int height);
void CloseBoxWindow();
bool HasBoxWindow();
// Any thread: shows or hides the mouse pointer over the window (the change
// itself is made on the window thread). PointerShown tells what was asked
// last, also without a window.
void ShowPointer(bool show);
bool PointerShown();
// Any thread: puts the pointer on a frame pixel (the change itself is made
// on the window thread). PointerMovedTo tells where it was put last, also
// without a window; false before the first move.
void MovePointer(int x, int y);
bool PointerMovedTo(int* x, int* y);

// The display's refresh. With the virtual clock (headless runs, tests) the
// display is a virtual one whose refreshes follow that clock.
// Refreshes a second: the window's display as the system reports it, 0 when
// it does not say; the virtual display's rate with the virtual clock.
int DisplayRefreshRate();
// Any thread: waits until the display's next refresh begins. With the
// virtual clock it moves the clock to that refresh instead of waiting.
void WaitForVerticalBlank();
// The virtual display's refreshes so far: whole refresh periods of the
// virtual clock's time.
uint64_t VirtualDisplayRefreshes();
// Tests: the virtual display's rate (0 gives back the usual 60).
void SetVirtualDisplayRate(int hz);

// Window placement, main thread, in desktop pixels. Headless runs keep a
// virtual placement on a virtual desktop, so saving and restoring it can be
// tested.
// The desktop's usable area (the largest client a window can have).
void GetDesktopSize(int* width, int* height);
// Top-left of the window's frame.
bool GetWindowPos(HWND hwnd, int* x, int* y);
void SetWindowPos(HWND hwnd, int x, int y);
// The client area's size.
bool GetClientSize(HWND hwnd, int* width, int* height);
void SetClientSize(HWND hwnd, int width, int height);
// A frame the user can resize (Direct3D WindowMode 2).
void SetResizable(HWND hwnd, bool resizable);
void MaximizeWindow(HWND hwnd);
// Down to the task bar (ShowWindow brings it back).
void MinimizeWindow(HWND hwnd);
bool IsZoomed(HWND hwnd);
bool IsIconic(HWND hwnd);

}  // namespace plat
