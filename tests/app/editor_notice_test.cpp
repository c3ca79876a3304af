// The test play's notices to the editor, received on a socket of our own.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "app/editor_link.h"
#include "support/editor_socket.h"
#include "support/headless_runner.h"
#include "support/project_writer.h"

using namespace std::chrono_literals;
using t4test::TempFolder;

using t4test::EditorSocket;
using Notices = EditorSocket::Notices;

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
