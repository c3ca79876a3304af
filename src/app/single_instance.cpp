#include "app/single_instance.h"

#include "platform/msgbox.h"
#include "platform/signals.h"
#include "services/log.h"

namespace {
constexpr const char* kCaption = "二重起動";
// How long the older instance gets to close before start-up goes on.
constexpr int kCloseWaitMs = 1000;
}  // namespace

bool TakeSingleInstance(plat::InstanceLock& lock) {
  std::string path = plat::InstanceLockPath(reinterpret_cast<const char*>(u8"ゲーム"));
  plat::InstanceLock::Result r = lock.Acquire(path);
  if (r == plat::InstanceLock::Result::kUnavailable) {
    WriteECLogf("instance lock %s cannot be opened", path.c_str());
    return true;
  }
  if (r == plat::InstanceLock::Result::kAcquired) return true;

  if (MesBox("既に起動しています。\n実行中のプログラムを閉じて再起動しますか？\n\nRunning this program now. Restart?",
             kCaption, MB_YESNO) != IDYES)
    return false;
  int pid = lock.HolderPid();
  if (pid != 0) {
    if (!plat::RequestProcessClose(pid)) {
      MesBox("プログラムの終了に失敗しました。", kCaption, MB_OK);
      return false;
    }
  }
  // Start-up goes on even when the older one is slow to let go.
  if (!lock.WaitAcquire(kCloseWaitMs)) WriteECLogf("instance lock still held by %d", pid);
  return true;
}
