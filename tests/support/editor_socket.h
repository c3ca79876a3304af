// A bound Unix datagram socket standing in for the editor of a test play.
#pragma once
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace t4test {

class EditorSocket {
 public:
  using Notices = std::vector<std::array<int64_t, 3>>;

  explicit EditorSocket(const std::string& path) {
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    bound_ = fd_ >= 0 && path.size() < sizeof addr.sun_path &&
             bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~EditorSocket() {
    if (fd_ >= 0) close(fd_);
  }
  EditorSocket(const EditorSocket&) = delete;
  EditorSocket& operator=(const EditorSocket&) = delete;

  bool Bound() const { return bound_; }
  // Every datagram waiting, each as (data word, byte count, payload); a
  // datagram of another size shows as its size in all three.
  Notices Drain() {
    Notices out;
    for (;;) {
      unsigned char buf[64];
      ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
      if (n < 0) return out;
      if (n != 12) {
        out.push_back({n, n, n});
        continue;
      }
      auto le = [&](int o) {
        return static_cast<int32_t>(buf[o] | buf[o + 1] << 8 | buf[o + 2] << 16 |
                                    static_cast<uint32_t>(buf[o + 3]) << 24);
      };
      out.push_back({le(0), le(4), le(8)});
    }
  }

 private:
  int fd_ = -1;
  bool bound_ = false;
};

}  // namespace t4test
