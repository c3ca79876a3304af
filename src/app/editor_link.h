// The notices a test play sends to the editor that started it: one datagram
// per notice of three little-endian 32-bit values (the data word, the byte
// count 4, the int payload) to the socket given on the command line.
#pragma once
#include <cstdint>
#include <string>

// Empty: no notice is sent.
void SetEditorSocket(const std::string& path);
// Data word 1, payload 1.
void NotifyEditorStart();
// Data word 0, payload `value`: 1 after the window closed, 0 after a failed
// start-up.
void NotifyEditorEnd(int value);
// The 12 bytes of one notice.
std::string EditorNotice(uint32_t dataWord, int32_t value);
