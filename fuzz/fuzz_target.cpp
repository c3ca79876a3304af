// A libFuzzer target running one loader entry (T4_FUZZ_ENTRY names it) on
// every input. Besides the sanitizers' own reports, an input fails when the
// loaded result breaks a promise of its loader, and when loading trips the
// checked containers' bad-index report (which would close the game): the
// build wraps that report (see CMakeLists.txt) and aborts here instead.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_entries.h"
#include "platform/msgbox.h"

#ifndef T4_FUZZ_ENTRY
#error "T4_FUZZ_ENTRY names the entry this target runs"
#endif

namespace {

const FuzzEntry* g_pEntry = nullptr;
std::string g_strFolder;

// Boxes take their default answer without a window or a line on stderr.
int QuietBox(std::string_view, std::string_view, unsigned type) { return plat::DefaultAnswer(type); }

void RemoveFolder() {
  std::error_code ec;
  std::filesystem::remove_all(g_strFolder, ec);
}

[[noreturn]] void BadIndex(const char* kind, int index, int length, int elementSize) {
  std::fprintf(stderr, "\n==fuzz== %s: the loader read %s[%d] of %d elements (%d bytes each)\n", T4_FUZZ_ENTRY, kind,
               index, length, elementSize);
  std::abort();
}

}  // namespace

extern "C" void __wrap__Z20ReportBadVectorIndexiii(int index, int length, int elementSize) {
  BadIndex("V", index, length, elementSize);
}
extern "C" void __wrap__Z18ReportBadListIndexiii(int index, int length, int elementSize) {
  BadIndex("L", index, length, elementSize);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_pEntry = FindFuzzEntry(T4_FUZZ_ENTRY);
  if (!g_pEntry) {
    std::fprintf(stderr, "no fuzz entry named %s\n", T4_FUZZ_ENTRY);
    std::exit(2);
  }
  // A folder of this process's own in memory: the loaders read a real file.
  const char* base = std::getenv("T4_FUZZ_SCRATCH");
  std::string root = base && *base ? base : (std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
  g_strFolder = root + "/t4fuzz-" + T4_FUZZ_ENTRY + "-" + std::to_string(::getpid());
  std::error_code ec;
  std::filesystem::create_directories(g_strFolder, ec);
  if (ec) {
    std::fprintf(stderr, "cannot make %s\n", g_strFolder.c_str());
    std::exit(2);
  }
  std::atexit(&RemoveFolder);
  plat::SetMessageBoxHandler(&QuietBox);
  PrepareFuzzLoaders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FuzzOutcome r = RunFuzzEntry(*g_pEntry, std::span<const uint8_t>(data, size), g_strFolder);
  if (!r.broken.empty()) {
    std::fprintf(stderr, "\n==fuzz== %s: %s\n", T4_FUZZ_ENTRY, r.broken.c_str());
    std::abort();
  }
  return 0;
}
