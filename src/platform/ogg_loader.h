// Finding and loading the Ogg music library, and connecting its player
// objects to the mixer.
#pragma once
#include <string>

#include "platform/vox/vox_api.h"

namespace plat {

// File name of the library beside the program.
constexpr const char* kVoxLibraryName = "libt4vox.so";
// Environment variable naming the library's path, for runs from elsewhere.
constexpr const char* kVoxLibraryEnv = "T4_VOX_LIBRARY";

// Where the library is looked for: the path set here (an operating-system
// path; empty to forget it), else $T4_VOX_LIBRARY, else kVoxLibraryName in
// the folder of the running executable.
void SetVoxLibraryPath(const std::string& osPath);
std::string VoxLibraryPath();

using ModuleHandle = void*;
// Null when the library is missing or cannot be loaded.
ModuleHandle LoadVoxLibrary();
// Null when the library has no such entry.
void* GetLibraryEntry(ModuleHandle module, const char* name);
void FreeLibrary(ModuleHandle module);

// The player's sound goes to the mixer from now on; returns the handle for
// DetachVoxPlayer. Before its Delete the player must be detached: after
// DetachVoxPlayer returns the mixer never calls it again.
int AttachVoxPlayer(IVox* player);
void DetachVoxPlayer(int attachment);

}  // namespace plat
