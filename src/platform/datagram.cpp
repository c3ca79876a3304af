#include "platform/datagram.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace plat {

bool SendUnixDatagram(const std::string& socketPath, const void* data, size_t size) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, socketPath.data(), socketPath.size());
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ssize_t n = sendto(fd, data, size, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&addr),
                     sizeof addr);
  close(fd);
  return n == static_cast<ssize_t>(size);
}

}  // namespace plat
