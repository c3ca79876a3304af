// Shift-JIS text measuring, path and file-name surgery, numbered files and
// random numbers. Texts and paths are CP932 byte strings in stored form.
#pragma once
#include <string>
#include <string_view>

// A random integer in the closed range [a, b]; the bounds may come in any order.
int GetRandom(int a, int b);

// True when p[0] is a Shift-JIS lead byte and p[1] a trail byte.
bool IsSJISChar(const char* p);
// Characters of a text: a double-byte character counts one, a line feed none.
int GetCharCount(std::string_view text);

// Longest path and extension the program accepts, as on the system the
// projects come from.
constexpr size_t kMaxPath = 260;
constexpr size_t kMaxExtension = 31;

int AbsToRelPath(std::string& path);
int RelToAbsPath(std::string& path);
// Keeps the part after the last separator ('\' or '/'), never splitting a
// double-byte character.
void StripPath(std::string& path);
// Everything after the last '.' of the file name replaced by ext (null: cut
// at the '.'). 0 when the name has no '.' (dst holds the plain copy).
int ChangeExtension(std::string& dst, std::string_view src, const char* ext);
int StripExtension(std::string& path);
int GetExtension(std::string& dst, std::string_view path);
// name.ext -> name_ab.ext
int MakeNumberedFileName(std::string& dst, std::string_view src, int a, int b);
// The existing file base_NNN with the highest NNN, base = name with ext.
int FindLastNumberedFile(std::string& dst, std::string_view name, const char* ext);
