// The starting corpus of every fuzz target, written into DIR/<target>/. Every
// file comes from the program's own writers or from the tests' byte
// builders: a test project by WriteProject, stages by the stage writer,
// bitmaps, waves and tunes put together byte by byte. Record files are also
// written in a few older layouts (the writer follows the data version), so
// the fuzzer starts on the upgrade paths as well.
#pragma once
#include <string>

// The number of files written, or -1 with the first failure in *error.
int WriteFuzzSeeds(const std::string& dir, std::string* error);
