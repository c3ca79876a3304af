// The folders made at every start and the creation of data\ from default\.
#pragma once
#include <string>

#include "platform/messages.h"
#include "records/path_table.h"

// 1 when data\ is there (already, or copied from default\ after the player
// agreed), 0 otherwise. A failed copy removes what it made and nothing else.
int CreateDefaultData(HWND owner);
// Creates every folder of g_szFolderList in order; existing ones are left
// alone and failures are ignored (later loads report missing files).
void CreateProjectFolders();
// Removes what saves cut short left beside the files the player keeps
// (slots, options, rankings, replays) in the user_data folders.
void RemoveSaveLeftovers();
// Copies the folder tree `from` as `to` (stored paths, no trailing "\").
// On failure everything it created is removed again and false is returned.
bool CopyFolderTree(const std::string& from, const std::string& to);
