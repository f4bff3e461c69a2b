// The log server on loopback: viewers get later LOG_CLIENT lines byte for byte, a sixth viewer
// is turned away, a viewer that talks or stops reading is dropped, and a taken port costs only
// the bind line. Every test runs in its own process (one server per process), on a free port.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "liblog.h"
#include "log_internal.h"
#include "log_test_util.h"

namespace {

constexpr unsigned int kGlobal = LOG_FILE | LOG_NO_CLEANUP | LOG_FILE_DAILY;
constexpr unsigned int kClientLine = kGlobal | LOG_CLIENT | LOG_TIME_MSEC | LOG_INFO;

sockaddr_in Address(in_addr_t host, int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(host);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  return addr;
}

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = Address(INADDR_LOOPBACK, 0);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t size = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
  close(fd);
  return ntohs(addr.sin_port);
}

int Connect(int port, int receive_buffer = 0) {
  for (int attempt = 0; attempt < 500; ++attempt) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receive_buffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    sockaddr_in addr = Address(INADDR_LOOPBACK, port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

// Reads until `bytes` have arrived, the peer closes, or `ms` pass.
std::string Receive(int fd, size_t bytes, int ms = 5000) {
  std::string got;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (got.size() < bytes && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    char buf[65536];
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

bool ClosedByPeer(int fd, int ms = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    char buf[65536];
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return true;
  }
  return false;
}

class LogServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = logtest::MakeTempDir();
    port_ = FreePort();
    liblog::internal::SetLogServerPortForTesting(port_);
    liblog::SetLogPath(dir_.c_str());
    liblog::SetLogName("srv");
    liblog::SetLogFlags(kGlobal | LOG_TRACE);
  }

  std::string Log() {
    std::string all;
    for (const std::string& name : logtest::ListDir(dir_)) all += logtest::ReadFile(dir_ + "/" + name);
    return all;
  }

  size_t Count(const std::string& needle) {
    std::string log = Log();
    size_t n = 0;
    for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) ++n;
    return n;
  }

  // Waits until the log holds `needle` at least `times` times.
  bool WaitForLog(const std::string& needle, size_t times = 1) {
    for (int i = 0; i < 500; ++i) {
      if (Count(needle) >= times) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Connects a viewer and waits until the server has taken it in.
  int AddViewer(int receive_buffer = 0) {
    size_t accepted = Count("Logging Client Accept From : [127.0.0.1]");
    int fd = Connect(port_, receive_buffer);
    EXPECT_GE(fd, 0);
    EXPECT_TRUE(WaitForLog("Logging Client Accept From : [127.0.0.1]", accepted + 1));
    return fd;
  }

  void StartServer() {
    liblog::PrintEx(kClientLine, "starts the server");
    ASSERT_GE(Connect(port_), 0) << "server never listened";
    ASSERT_TRUE(WaitForLog("Logging Client Accept From"));  // that probe connection
  }

  std::string dir_;
  int port_ = 0;
};

TEST_F(LogServerTest, NoClientLineNeverOpensThePort) {
  liblog::PrintEx(kGlobal | LOG_QUEUED | LOG_INFO, "queued but not for viewers");
  liblog::PrintEx(kGlobal | LOG_INFO, "direct");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = Address(INADDR_LOOPBACK, port_);
  EXPECT_NE(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  close(fd);
}

TEST_F(LogServerTest, ViewerReceivesLaterLinesExactlyAsTheFileHasThem) {
  StartServer();
  int viewer = AddViewer();
  size_t before = Log().size();
  liblog::PrintEx(kClientLine, "agent %s state %d", "\xBB\xF3\xB4\xE3\xBF\xF8", 3);
  liblog::PrintEx(kClientLine, "%s", std::string(6000, 'L').c_str());  // cut, longer than a piece
  liblog::PrintEx(kClientLine | LOG_NO_LEVEL, "last");
  ASSERT_TRUE(WaitForLog("last\r\n"));
  std::string expected = Log().substr(before);
  EXPECT_EQ(logtest::SplitCrLf(expected).size(), 3u);
  EXPECT_EQ(Receive(viewer, expected.size()), expected);
  close(viewer);
}

TEST_F(LogServerTest, SixthViewerIsClosedAtOnceAndTheFiveKeepReceiving) {
  StartServer();  // its probe connection holds slot 0
  std::vector<int> viewers;
  for (int i = 0; i < 4; ++i) viewers.push_back(AddViewer());
  int sixth = Connect(port_);
  ASSERT_GE(sixth, 0);
  EXPECT_TRUE(ClosedByPeer(sixth));
  EXPECT_EQ(Count("Logging Client Accept From"), 5u);

  liblog::PrintEx(kClientLine, "to all five");
  ASSERT_TRUE(WaitForLog("to all five"));
  const std::string line = logtest::SplitCrLf(Log()).back() + "\r\n";
  for (int fd : viewers) EXPECT_EQ(Receive(fd, line.size()), line);
}

TEST_F(LogServerTest, ViewerThatSendsIsDroppedAndItsSlotReused) {
  StartServer();  // slot 0
  int first = AddViewer();  // slot 1
  ASSERT_EQ(send(first, "x", 1, 0), 1);
  EXPECT_TRUE(WaitForLog("ERROR Logging Client Disconnect : [1]\r\n"));
  EXPECT_TRUE(ClosedByPeer(first));

  int next = AddViewer();  // takes slot 1 again
  liblog::PrintEx(kClientLine, "after reuse");
  ASSERT_TRUE(WaitForLog("after reuse"));
  EXPECT_NE(Receive(next, 1).size(), 0u);
  ASSERT_EQ(send(next, "y", 1, 0), 1);
  EXPECT_TRUE(WaitForLog("Logging Client Disconnect : [1]", 2));
}

TEST_F(LogServerTest, ViewerThatNeverReadsCannotStallTheWriters) {
  StartServer();
  int stalled = AddViewer(4096);

  // Far more than the socket buffers hold; paced so that no viewer copy is lost to a full
  // queue, so the server really tries to send all of it.
  const std::string payload(4000, 'z');
  for (int i = 0; i < 3000; ++i) {
    while (liblog::internal::QueuedLineCount() > 64) std::this_thread::sleep_for(std::chrono::microseconds(100));
    liblog::PrintEx(kClientLine, "%04d %s", i, payload.c_str());
  }
  // Every line reached the file: the writers never waited on the viewer.
  EXPECT_TRUE(WaitForLog("2999 zzz"));
  EXPECT_EQ(Count(" zzz"), 3000u);
  // And the viewer was dropped once it could not take a line at once.
  EXPECT_TRUE(ClosedByPeer(stalled, 20000));
}

TEST_F(LogServerTest, TakenPortWritesTheBindLineOnceAndFilesGoOn) {
  int blocker = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = Address(INADDR_ANY, port_);
  ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(blocker, 1), 0);

  liblog::PrintEx(kClientLine, "first client line");
  const std::string bind_line =
      "ERROR  liblog::fnLogServer bind() fail ! service=" + std::to_string(port_) + ", protocol=TCP\r\n";
  ASSERT_TRUE(WaitForLog(bind_line));
  for (int i = 0; i < 20; ++i) liblog::PrintEx(kClientLine, "more %d", i);
  EXPECT_TRUE(WaitForLog("more 19"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Count("bind() fail"), 1u);
  close(blocker);
}

}  // namespace
