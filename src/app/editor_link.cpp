#include "app/editor_link.h"

#include "platform/datagram.h"
#include "services/log.h"

namespace {

std::string g_socketPath;  // window thread only

void PutLE32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

void Send(uint32_t dataWord, int32_t value) {
  if (g_socketPath.empty()) return;
  std::string bytes = EditorNotice(dataWord, value);
  // An editor that has gone away is not the player's failure.
  if (!plat::SendUnixDatagram(g_socketPath, bytes.data(), bytes.size()))
    WriteECLogf("editor notice %u not delivered", dataWord);
}

}  // namespace

std::string EditorNotice(uint32_t dataWord, int32_t value) {
  std::string out;
  PutLE32(out, dataWord);
  PutLE32(out, 4);
  PutLE32(out, static_cast<uint32_t>(value));
  return out;
}

void SetEditorSocket(const std::string& path) { g_socketPath = path; }

void NotifyEditorStart() { Send(1, 1); }

void NotifyEditorEnd(int value) { Send(0, value); }
