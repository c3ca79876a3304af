// The project's relative paths and the extensions names are composed with:
// the data files every loader opens are named by entries of these tables.
#pragma once

inline constexpr int kPathTableSize = 48;
extern const char* const g_szPathTable[kPathTableSize];
extern const char* const g_szExtTable[4];
extern const char* const g_szColourNameTable[11];
// Ends with a null entry.
extern const char* const g_szFolderList[];
