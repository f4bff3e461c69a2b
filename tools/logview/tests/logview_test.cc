// logview as a support engineer runs it: against a server on loopback that sends lines, goes
// away and comes back.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "log_stream.h"

namespace {

const std::string kAgentCp949 = "\xBB\xF3\xB4\xE3\xBF\xF8";
const std::string kAgentUtf8 = "\xEC\x83\x81\xEB\x8B\xB4\xEC\x9B\x90";

TEST(LogStreamTest, RawPassesBytesAndUtf8ConvertsWholeLines) {
  LogStream raw(false);
  EXPECT_EQ(raw.Feed("a\r\nb" + kAgentCp949), "a\r\nb" + kAgentCp949);
  EXPECT_EQ(raw.Flush(), "");

  LogStream utf8(true);
  std::string line = "2011/02/14 09:05:07 TRACE " + kAgentCp949 + "\r\n";
  EXPECT_EQ(utf8.Feed(line.substr(0, 28)), "") << "half a character waits";
  EXPECT_EQ(utf8.Feed(line.substr(28) + "next"), "2011/02/14 09:05:07 TRACE " + kAgentUtf8 + "\n");
  EXPECT_EQ(utf8.Feed(" \xFF\xFF\r\ntail"), "next \xFF\xFF\n") << "bytes that are not CP949 stay";
  EXPECT_EQ(utf8.Flush(), "tail");
}

class LogviewProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener_, 4), 0);
    socklen_t size = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &size);
    port_ = ntohs(addr.sin_port);
  }

  void TearDown() override {
    if (child_ > 0) {
      kill(child_, SIGTERM);
      waitpid(child_, nullptr, 0);
    }
    close(listener_);
    if (out_ >= 0) close(out_);
  }

  void Start(const char* mode) {
    int pipe_fds[2];
    ASSERT_EQ(pipe2(pipe_fds, O_CLOEXEC), 0);
    child_ = fork();
    if (child_ == 0) {
      dup2(pipe_fds[1], STDOUT_FILENO);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
      std::string port = std::to_string(port_);
      execl(LOGVIEW_BINARY, "logview", mode, "127.0.0.1", port.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(pipe_fds[1]);
    out_ = pipe_fds[0];
  }

  int AcceptViewer() {
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, 5000) != 1) return -1;
    return accept(listener_, nullptr, nullptr);
  }

  std::string Read(size_t bytes) {
    std::string got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (got.size() < bytes && std::chrono::steady_clock::now() < deadline) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buf[4096];
      ssize_t n = read(out_, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
    }
    return got;
  }

  int listener_ = -1;
  int port_ = 0;
  pid_t child_ = -1;
  int out_ = -1;
};

TEST_F(LogviewProcessTest, PrintsBytesAsTheyComeAndReconnectsAfterTheServerGoes) {
  Start("--raw");
  int first = AcceptViewer();
  ASSERT_GE(first, 0);
  const std::string lines = "2011/02/14 09:05:07 TRACE one " + kAgentCp949 + "\r\n" +
                            "2011/02/14 09:05:08 ERROR two\r\n";
  ASSERT_EQ(send(first, lines.data(), lines.size(), 0), static_cast<ssize_t>(lines.size()));
  EXPECT_EQ(Read(lines.size()), lines);
  close(first);  // the program being watched went away

  int second = AcceptViewer();  // logview comes back by itself
  ASSERT_GE(second, 0);
  const std::string later = "2011/02/14 09:06:00  INFO three\r\n";
  ASSERT_EQ(send(second, later.data(), later.size(), 0), static_cast<ssize_t>(later.size()));
  EXPECT_EQ(Read(later.size()), later);
  close(second);
}

TEST_F(LogviewProcessTest, Utf8ModeShowsKoreanForATerminal) {
  Start("--utf8");
  int server = AcceptViewer();
  ASSERT_GE(server, 0);
  const std::string line = "2011/02/14 09:05:07 TRACE " + kAgentCp949 + "\r\n";
  send(server, line.data(), line.size(), 0);
  const std::string expected = "2011/02/14 09:05:07 TRACE " + kAgentUtf8 + "\n";
  EXPECT_EQ(Read(expected.size()), expected);
  close(server);
}

TEST(LogviewArgumentsTest, BadArgumentsExitWithUsage) {
  for (const char* bad : {"--bogus", "70000"}) {
    pid_t pid = fork();
    if (pid == 0) {
      int null = open("/dev/null", O_WRONLY);
      dup2(null, STDERR_FILENO);
      if (std::string(bad) == "70000")
        execl(LOGVIEW_BINARY, "logview", "127.0.0.1", bad, static_cast<char*>(nullptr));
      else
        execl(LOGVIEW_BINARY, "logview", bad, static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2) << bad;
  }
}

}  // namespace
