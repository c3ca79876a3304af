// The test play's notices to the editor, received on a socket of our own.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "app/editor_link.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"

using namespace std::chrono_literals;
using t4test::TempFolder;

namespace {

// A bound Unix datagram socket standing in for the editor.
class EditorSocket {
 public:
  explicit EditorSocket(const std::string& path) : path_(path) {
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
  bool Bound() const { return bound_; }
  // Every datagram waiting, each as (data word, byte count, payload); a
  // datagram of another size shows as its size in all three.
  std::vector<std::array<int64_t, 3>> Drain() {
    std::vector<std::array<int64_t, 3>> out;
    for (;;) {
      unsigned char buf[64];
      ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
      if (n < 0) return out;
      if (n != 12) {
        out.push_back({n, n, n});
        continue;
      }
      auto le = [&](int o) {
        return static_cast<int32_t>(buf[o] | buf[o + 1] << 8 | buf[o + 2] << 16 | static_cast<uint32_t>(buf[o + 3]) << 24);
      };
      out.push_back({le(0), le(4), le(8)});
    }
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool bound_ = false;
};

using Notices = std::vector<std::array<int64_t, 3>>;

}  // namespace

TEST(EditorNotice, TestPlaySendsStartThenEndAfterTheClose) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  EditorSocket editor(dir / "editor.sock");
  ASSERT_TRUE(editor.Bound());
  auto r = t4test::RunPlayer({"--headless", "--frames", "20", "--test-play", "--editor-socket", "editor.sock"},
                             dir.path(), 60s);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(editor.Drain(), (Notices{{1, 4, 1}, {0, 4, 1}}));
}

TEST(EditorNotice, NothingIsSentOutsideATestPlay) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  EditorSocket editor(dir / "editor.sock");
  ASSERT_TRUE(editor.Bound());
  auto r = t4test::RunPlayer({"--headless", "--frames", "5", "--editor-socket", "editor.sock"}, dir.path(), 60s);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(editor.Drain().empty());
}

TEST(EditorNotice, TestPlayWithoutAnEditorRunsAsUsual) {
  TempFolder dir;
  ASSERT_TRUE(WriteProject(dir.path()));
  // A socket path nobody listens on is no failure of the player.
  auto r = t4test::RunPlayer({"--headless", "--frames", "5", "--test-play", "--editor-socket", "nobody.sock"},
                             dir.path(), 60s);
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(EditorNotice, FailedStartUpNoticeCarriesZero) {
  TempFolder dir;
  EditorSocket editor(dir / "editor.sock");
  ASSERT_TRUE(editor.Bound());
  SetEditorSocket(dir / "editor.sock");
  NotifyEditorEnd(0);
  SetEditorSocket("");
  NotifyEditorStart();  // no socket: nothing goes out
  EXPECT_EQ(editor.Drain(), (Notices{{0, 4, 0}}));
  EXPECT_EQ(EditorNotice(1, -2), std::string("\x01\0\0\0\x04\0\0\0\xfe\xff\xff\xff", 12));
}
