#include "services/log.h"

#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/paths.h"
#include "platform/video.h"

namespace {

struct DebugLog {
  std::mutex lock;
  std::string path;
  int enabled = 0;
  bool written = false;
};
DebugLog& Debug() {
  static DebugLog* d = new DebugLog;
  return *d;
}

std::mutex g_reportPathLock;
std::string g_reportPath;
std::atomic<FullScreenBoxFn> g_fullScreenBox{nullptr};

std::string ReportPathCopy() {
  std::lock_guard<std::mutex> g(g_reportPathLock);
  return g_reportPath;
}

int AppendReportLine(const std::string& text) {
  std::string path = ReportPathCopy();
  if (path.empty()) return 0;
  return plat::AppendToFile(path, plat::Cp932ToUtf8(text) + "\n") ? 1 : 0;
}

}  // namespace

std::string FormatStringV(const char* format, va_list args) {
  char small[512];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<size_t>(n));
  return out;
}

void FormatString(std::string* out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  *out = FormatStringV(format, args);
  va_end(args);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = FormatStringV(format, args);
  va_end(args);
  return s;
}

void InitECLog(int enable, const char* path) {
  DebugLog& d = Debug();
  std::lock_guard<std::mutex> g(d.lock);
  d.enabled = enable;
  d.path = path ? path : "";
  // A log set up anew starts its file afresh at its first line.
  d.written = false;
}

int WriteECLog(const char* text) {
  DebugLog& d = Debug();
  std::lock_guard<std::mutex> g(d.lock);
  if (!d.enabled) return 0;
  std::string line = plat::Cp932ToUtf8(text ? text : "") + "\n";
  if (!d.written) {
    // The first line of a run starts the file afresh.
    d.written = true;
    return plat::WriteFileAtomic(d.path, line.data(), line.size()) ? 1 : 0;
  }
  return plat::AppendToFile(d.path, line) ? 1 : 0;
}

int LogError(const char* text) { return WriteECLog(text); }

int WriteECLogf(const char* format, ...) {
  if (!Debug().enabled) return 0;
  va_list args;
  va_start(args, format);
  std::string s = FormatStringV(format, args);
  va_end(args);
  return WriteECLog(s.c_str());
}

void WriteECLogfAndClose(HWND window, const char* format, ...) {
  if (Debug().enabled) {
    va_list args;
    va_start(args, format);
    std::string s = FormatStringV(format, args);
    va_end(args);
    WriteECLog(s.c_str());
  }
  plat::PostMessage(window, WM_CLOSE, 0, 0);
}

int InitReportLog(const char* absolutePath) {
  if (!plat::WriteFileAtomic(absolutePath, "", 0)) return 0;
  std::lock_guard<std::mutex> g(g_reportPathLock);
  g_reportPath = absolutePath;
  return 1;
}

std::string ReportLogPath() { return ReportPathCopy(); }

int WriteReport(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = FormatStringV(format, args);
  va_end(args);
  return AppendReportLine(s);
}

int ReportError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = FormatStringV(format, args);
  va_end(args);
  int r = AppendReportLine(s);
  WriteECLog(s.c_str());
  return r;
}

int ReportErrorBox(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = FormatStringV(format, args);
  va_end(args);
  if (!AppendReportLine(s)) return 0;
  WriteECLog(s.c_str());
  ErrorBox(s.c_str());
  return 1;
}

// --- system report -----------------------------------------------------------

void GetOSName(std::string* name, int* major, int* minor) {
  // The program's callers ask about Windows releases; this system counts as
  // the newest one they know (6.1).
  if (major) *major = 6;
  if (minor) *minor = 1;
  if (!name) return;
  struct utsname u {};
  if (uname(&u) != 0) {
    *name = "";
    return;
  }
  *name = Format("%s %s %s %s", u.sysname, u.release, u.version, u.machine);
}

bool IsOSVersionAtLeast(int major, int minor) {
  int ma = 0, mi = 0;
  GetOSName(nullptr, &ma, &mi);
  return ma > major || (ma == major && mi >= minor);
}

double GetCPUClock() {
  // The clock the kernel reports; no timed busy wait at start-up.
  std::ifstream max("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
  long long khz = 0;
  if (max >> khz && khz > 0) return static_cast<double>(khz) * 1000.0;
  std::ifstream info("/proc/cpuinfo");
  std::string line;
  while (std::getline(info, line)) {
    if (line.rfind("cpu MHz", 0) == 0) {
      auto colon = line.find(':');
      if (colon != std::string::npos) return std::atof(line.c_str() + colon + 1) * 1000000.0;
    }
  }
  return 0.0;
}

void GetCPUInfo(CPUINFO* info) {
  std::memset(info, 0, sizeof *info);
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(0, &a, &b, &c, &d) && a > 0) {
    std::memcpy(info->szVendor + 0, &b, 4);
    std::memcpy(info->szVendor + 4, &d, 4);
    std::memcpy(info->szVendor + 8, &c, 4);
    if (__get_cpuid(1, &a, &b, &c, &d)) {
      info->bMMX = (d >> 23) & 1;
      info->bSSE = (d >> 25) & 1;
      info->bSSE2 = (d >> 26) & 1;
    }
  }
  unsigned ext = __get_cpuid_max(0x80000000u, nullptr);
  if (ext >= 0x80000001u && __get_cpuid(0x80000001u, &a, &b, &c, &d)) {
    info->b3DNow = (d >> 31) & 1;
    info->b3DNowExt = (d >> 30) & 1;
  }
  if (ext >= 0x80000004u) {
    for (unsigned i = 0; i < 3; ++i) {
      unsigned r[4];
      __get_cpuid(0x80000002u + i, &r[0], &r[1], &r[2], &r[3]);
      std::memcpy(info->szName + i * 16, r, 16);
    }
  }
#endif
  info->dClock = GetCPUClock();
}

int GetDiskFree(const char* path) {
  struct statvfs st {};
  std::string p = path && *path ? plat::ResolvePath(path) : ".";
  if (statvfs(p.c_str(), &st) != 0) return 0;
  unsigned long long bytes = static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
  return bytes > static_cast<unsigned long long>(INT_MAX) ? INT_MAX : static_cast<int>(bytes);
}

int WriteSystemReport() {
  std::string os;
  GetOSName(&os, nullptr, nullptr);
  CPUINFO cpu;
  GetCPUInfo(&cpu);
  struct sysinfo si {};
  sysinfo(&si);
  const double mb = 1048576.0;
  double memTotal = static_cast<double>(si.totalram) * si.mem_unit / mb;
  double memFree = static_cast<double>(si.freeram + si.bufferram) * si.mem_unit / mb;
  // Address space: the limit when one is set, else the 47-bit user space.
  struct rlimit rl {};
  double virTotal = 140737488355328.0 / mb;
  if (getrlimit(RLIMIT_AS, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY) virTotal = static_cast<double>(rl.rlim_cur) / mb;
  double virUsed = 0;
  {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("VmSize:", 0) == 0) virUsed = std::atof(line.c_str() + 7) / 1024.0;
  }
  std::string lines = Format("OS : %s\n", os.c_str());
  lines += Format("CPU : %s %s %d\n", cpu.szVendor, cpu.szName, static_cast<int>(cpu.dClock * 0.000001));
  lines += Format("Mem Total : %.3fMB\n", memTotal);
  lines += Format("Mem Free : %3.fMB\n", memFree);
  lines += Format("Vir Total : %.3fMB\n", virTotal);
  lines += Format("Vir Free : %3.fMB\n", virTotal - virUsed);
  lines += Format("HD Free : %3.fMB\n", GetDiskFree(nullptr) / mb);
  std::string path = ReportPathCopy();
  if (path.empty()) return 0;
  return plat::AppendToFile(path, plat::Cp932ToUtf8(lines)) ? 1 : 0;
}

// --- boxes ---------------------------------------------------------------------

void SetFullScreenMesBox(FullScreenBoxFn fn) { g_fullScreenBox = fn; }

int MesBox(const char* text, const char* caption, unsigned type) {
  if (plat::IsHeadless()) AppendReportLine(Format("[%s] %s", caption ? caption : "", text ? text : ""));
  FullScreenBoxFn fs = g_fullScreenBox.load();
  if (fs && !plat::IsHeadless()) return fs(text, caption, type);
  return plat::ShowMessageBox(text ? text : "", caption ? caption : "", type);
}

int ErrorBox(const char* text) { return MesBox(text, "エラー", MB_OK); }

int ErrorBoxf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = FormatStringV(format, args);
  va_end(args);
  return ErrorBox(s.c_str());
}

int DebugErrorBoxf(const char* format, ...) {
  if (!Debug().enabled) return 0;
  va_list args;
  va_start(args, format);
  std::string s = FormatStringV(format, args);
  va_end(args);
  return ErrorBox(s.c_str());
}

int OutOfMemoryBox() {
  int r = ErrorBox("メモリが不足しています！");
  plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
  return r;
}
