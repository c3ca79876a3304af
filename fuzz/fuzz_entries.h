// One call of each loader of a file that comes from outside the program,
// shared by the fuzz targets (one per entry) and by the regression test that
// replays what they found (tests/fuzz_corpus/<entry name>/).
//
// Each entry stores the bytes under the loader's usual file name in a
// scratch folder and calls the loader the way the program does, followed by
// what the program builds from the result at once (pattern tables, effect
// states, start options, the stream buffers of a tune). It then checks the
// promises the loader makes about what it hands back, so a file that loads
// into something the rest of the program cannot use counts as a fault too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct FuzzOutcome {
  bool loaded = false;  // the loader's own result (true for one that cannot refuse)
  std::string broken;   // a promise the loaded result breaks; empty when none
};

struct FuzzEntry {
  const char* name;      // the fuzz target and its corpus folder
  // What the bytes are called for the loader; for a file the program names
  // itself (a save slot, a ranking) its path inside the project folder.
  const char* fileName;
  bool canRefuse;        // the loader has a failure result
  FuzzOutcome (*run)(const std::string& storedPath);
};

std::span<const FuzzEntry> FuzzEntries();
const FuzzEntry* FindFuzzEntry(std::string_view name);

// The settings start-up makes before any file is read: the data version and
// the deletion of CRs from stored strings.
void PrepareFuzzLoaders();

// Writes the bytes as entry.fileName in `folder` (an existing OS path that
// holds nothing else of interest; the folders of the name are made there)
// and runs the entry on them.
FuzzOutcome RunFuzzEntry(const FuzzEntry& entry, std::span<const uint8_t> bytes, const std::string& folder);
