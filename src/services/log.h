// Report and debug logs, error boxes and the start-up system report.
// Texts are CP932; the files receive UTF-8.
#pragma once
#include <cstdarg>
#include <string>

#include "platform/messages.h"
#include "platform/msgbox.h"

#define T4_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

// printf into a string of any length.
void FormatString(std::string* out, const char* format, ...) T4_PRINTF(2, 3);
std::string FormatStringV(const char* format, va_list args);
std::string Format(const char* format, ...) T4_PRINTF(1, 2);

void InitECLog(int enable, const char* path);
int WriteECLog(const char* text);
int LogError(const char* text);
int WriteECLogf(const char* format, ...) T4_PRINTF(1, 2);
void WriteECLogfAndClose(HWND window, const char* format, ...) T4_PRINTF(2, 3);

int InitReportLog(const char* absolutePath);
int WriteReport(const char* format, ...) T4_PRINTF(1, 2);
int ReportError(const char* format, ...) T4_PRINTF(1, 2);
int ReportErrorBox(const char* format, ...) T4_PRINTF(1, 2);
// Where the report log lives (empty before InitReportLog).
std::string ReportLogPath();

struct CPUINFO {
  char szName[256];
  char szVendor[256];
  int bMMX, bSSE, bSSE2, b3DNow, b3DNowExt;
  double dClock;
};

int WriteSystemReport();
void GetOSName(std::string* name, int* major, int* minor);
bool IsOSVersionAtLeast(int major, int minor);
void GetCPUInfo(CPUINFO* info);
double GetCPUClock();
int GetDiskFree(const char* path);

int MesBox(const char* text, const char* caption, unsigned type);
int ErrorBox(const char* text);
int ErrorBoxf(const char* format, ...) T4_PRINTF(1, 2);
int DebugErrorBoxf(const char* format, ...) T4_PRINTF(1, 2);
int OutOfMemoryBox();

// The full-screen drawn box takes over MesBox once the display is up.
using FullScreenBoxFn = int (*)(const char* text, const char* caption, unsigned type);
void SetFullScreenMesBox(FullScreenBoxFn fn);
