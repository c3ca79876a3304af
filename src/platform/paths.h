// Maps paths in their stored Windows form (CP932 bytes, backslashes, ".\"
// prefixes, any letter case) to real paths on this system.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace plat {
// The operating-system path (UTF-8) for a stored path. Relative paths stay
// relative to the current directory. Each component is matched without
// regard to case against the directory listing; a component that matches
// nothing keeps its converted spelling, so new files can be created.
std::string ResolvePath(std::string_view stored);
bool FileExists(std::string_view stored);       // a regular file
bool DirectoryExists(std::string_view stored);
bool PathExists(std::string_view stored);
bool CreateDirectory(std::string_view stored);  // one level; true if it exists
bool DeleteFile(std::string_view stored);
// Entry names (CP932) of a folder, without "." and "..".
std::vector<std::string> ListDirectory(std::string_view stored, bool wantDirs, bool wantFiles);
// The current directory in stored form (CP932, '/' kept as the OS gives it).
std::string GetCurrentDirectory();
bool SetCurrentDirectory(std::string_view stored);
bool IsAbsolutePath(std::string_view stored);
// Forget cached listings (after the program itself creates or removes files
// the cache is refreshed automatically; this is for outside changes).
void FlushPathCache();
// The program itself made, removed or replaced the entry at osPath (an OS
// path as ResolvePath gives it): the cached listings of its folder and of
// the entry itself are dropped.
void NotePathChanged(std::string_view osPath);
}  // namespace plat
