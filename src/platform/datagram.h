// One datagram to a Unix datagram socket, for notices to another program.
#pragma once
#include <cstddef>
#include <string>

namespace plat {

// False when the socket cannot be reached; nothing waits for a reader.
bool SendUnixDatagram(const std::string& socketPath, const void* data, size_t size);

}  // namespace plat
