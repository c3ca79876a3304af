// Window and thread messages of the program, and the runtime that carries
// them between the window (main) thread and the game-side threads.
#pragma once
#include <cstdint>
#include <functional>

// Message numbers the program uses. Our own values, chosen to match what the
// game data and the private messages expect.
enum : uint32_t {
  WM_NULL = 0x0000,
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_MOVE = 0x0003,
  WM_SIZE = 0x0005,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ACTIVATEAPP = 0x001C,   // wParam 1 active, 0 inactive
  WM_GETMINMAXINFO = 0x0024,
  WM_KEYDOWN = 0x0100,       // wParam the virtual-key code
  WM_COMMAND = 0x0111,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_RBUTTONDOWN = 0x0204,
  WM_QUERYNEWPALETTE = 0x030F,
  WM_PALETTECHANGED = 0x0311,
  WM_USER = 0x0400,
  WM_APP = 0x8000,
};

struct PlatformWindow;
using HWND = PlatformWindow*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

struct MSG {
  HWND hwnd = nullptr;
  uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

namespace plat {

using ThreadId = uint32_t;
using WindowProc = LRESULT (*)(HWND, uint32_t, WPARAM, LPARAM);
// Called on the sender's thread when a send is refused because the program
// is closing, so the caller's done flags can be set.
using SendCancelHandler = LRESULT (*)(uint32_t, WPARAM, LPARAM);

// --- threads -------------------------------------------------------------
// The thread that calls this becomes the window thread.
void RegisterMainThread();
bool IsMainThread();
ThreadId CurrentThreadId();
// A queue for a thread that is about to start; its id is the target of
// PostThreadMessage from the moment this returns.
ThreadId CreateThreadQueue();
// The new thread calls this first, so its messages, quit flag and suspend
// gate are its own.
void BindCurrentThread(ThreadId id);
void ReleaseThreadQueue(ThreadId id);

bool PostThreadMessage(ThreadId id, uint32_t msg, WPARAM w, LPARAM l);
// The calling thread's own queue. PeekMessage never blocks.
bool PeekMessage(MSG* out, bool remove);
// Blocks until a message comes; false for WM_QUIT.
bool GetMessage(MSG* out);

// Cooperative quit and suspend.
void RequestQuit(ThreadId id);
// True when the calling thread was asked to quit or the program is closing.
bool QuitRequested();
// Both return the suspend count before the call, as the program expects of
// a thread's suspend count.
int SuspendThread(ThreadId id);
int ResumeThread(ThreadId id);
// Blocks the calling thread while it is suspended.
void SuspendGate();

// --- the main window's queue ----------------------------------------------
void SetWindowProc(HWND hwnd, WindowProc proc);
void SetSendCancelHandler(SendCancelHandler handler);
HWND MainWindowHandle();
// From any thread, any number of times.
bool PostMessage(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l);
// Runs the window procedure on the window thread and waits for its result.
// Once closing has begun it returns at once through the cancel handler.
LRESULT SendMessage(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l);
void PostQuitMessage(int code);
// Runs fn on the window thread and waits for it; false (fn not run) once
// closing has begun.
bool CallOnMainThread(const std::function<void()>& fn);

// Closing: from now on sends are refused and quit flags read true.
void BeginClosing();
bool IsClosing();

// Main thread: serves the sends that wait, then returns. Every wait of the
// window thread calls it.
void ServePendingSends();
// Main thread: one round of the message loop (sends, posted messages,
// operating-system events), waiting at most timeoutMs. False after WM_QUIT.
bool PumpMessages(uint32_t timeoutMs);
// True on the window thread while it serves a send (a modal loop inside a
// sent message): a close must then wait until the send has returned.
bool InSentMessage();
// Main thread: pumps until WM_QUIT; returns its exit code.
int RunMessageLoop();
// Hook for the operating-system event source: the video layer installs it.
void SetEventSource(std::function<void(uint32_t timeoutMs)> waitAndDispatch,
                    std::function<void()> wake);

// --- time ------------------------------------------------------------------
// 32-bit millisecond count. In headless runs a virtual clock.
uint32_t timeGetTime();
void Sleep(uint32_t ms);
void UseVirtualClock(uint32_t start);
bool VirtualClockActive();
// Headless pacing: moves the virtual clock forward to t (never back) and
// returns true; with the real clock returns false and the caller waits.
bool AdvanceVirtualClockTo(uint32_t t);
// Signed difference of two clock values, right across the 32-bit wrap.
inline int32_t TimeDiff(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b); }

// Tests: forget closing, queued messages and the window procedure.
void ResetRuntimeForTest();

// Ends the process at once after flushing; used when a thread would not end.
[[noreturn]] void HardExit(int code);

}  // namespace plat
