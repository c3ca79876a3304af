// The thread wrapper every game-side thread runs in. Ending is cooperative:
// Exit asks the thread to quit and waits; a thread that will not end within
// the grace period ends the whole process through a logged hard exit.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

class cThread {
 public:
  using Routine = unsigned (*)(void* arg);

  cThread() = default;
  ~cThread();
  cThread(const cThread&) = delete;
  cThread& operator=(const cThread&) = delete;

  // 1 when the thread runs. 0 when it could not be made: the failure is
  // written to the report log and the main window is asked to close, so a
  // caller that checks the result never waits for a thread that is not there.
  int Start(Routine routine, void* arg);
  // Waits until the thread has ended (the window thread serves sends meanwhile).
  void Wait();
  bool Suspend();
  bool Resume();
  void Exit();
  bool IsRunning() const { return m_hThread.load() != nullptr; }

  struct Handle;
  uint32_t m_dwThreadId = 0;
  std::atomic<Handle*> m_hThread{nullptr};

  // How long Exit waits for a thread before the hard exit.
  static constexpr uint32_t kExitGraceMs = 1500;
  static constexpr int kStuckThreadExitCode = 2;
  // Test hook: the next Start fails as if no thread could be made.
  static void FailNextStartForTest();

 private:
  void Finish();
  std::mutex m_lock;
};
