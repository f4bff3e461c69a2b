// The log server: up to five remote viewers on TCP port 39300 receive every LOG_CLIENT line as
// plain text, exactly as it is written to the file.
//
// Two threads share the viewer table: the queue thread sends through it, the listening thread
// fills and frees its slots. One mutex guards the table, and a socket is closed only under it,
// so neither thread can use a socket the other has closed or refilled. Sends cannot hold the
// lock for long: every viewer socket has a 1 ms send time-out, and a viewer that cannot take a
// line at once is dropped.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "liblog.h"
#include "log_internal.h"

namespace liblog::internal {
namespace {

constexpr int kViewerSlots = 5;
constexpr int kSendPiece = 4096;
constexpr int kWaitMs = 60 * 1000;

struct Viewer {
  int active;  // 1 in use, 0 free
  int socket;  // -1 when none
};

// Trivially destructible on purpose: the threads outlive static destruction.
pthread_mutex_t g_table_lock = PTHREAD_MUTEX_INITIALIZER;
Viewer g_viewers[kViewerSlots];
std::atomic<int> g_port{39300};
std::once_flag g_server_once;

unsigned int ServerLineFlags() { return (GetLogFlags() & ~LOG_CLIENT) | LOG_ERROR; }

// Shut down before closing: the listening thread may be polling this socket, and its poll
// keeps the connection alive past close() until it wakes, up to a minute later.
void DropLocked(int slot) {
  shutdown(g_viewers[slot].socket, SHUT_RDWR);
  close(g_viewers[slot].socket);
  g_viewers[slot] = {0, -1};
}

bool SendAll(int socket, const char* text, int length) {
  while (length > 0) {
    int piece = length < kSendPiece ? length : kSendPiece;
    ssize_t sent = send(socket, text, static_cast<size_t>(piece), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    text += sent;
    length -= static_cast<int>(sent);
  }
  return true;
}

int OpenListener(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    PrintEx(ServerLineFlags(), " liblog::fnLogServer bind() fail ! service=%d, protocol=TCP", port);
    return -1;
  }
  if (listen(fd, SOMAXCONN) != 0) {
    close(fd);
    PrintEx(ServerLineFlags(), " liblog::fnLogServer listen() fail ! service=%d, protocol=TCP",
            port);
    return -1;
  }
  return fd;
}

int FirstFreeSlot(int from) {
  pthread_mutex_lock(&g_table_lock);
  int found = -1;
  for (int i = from; i < kViewerSlots && found < 0; ++i)
    if (!g_viewers[i].active) found = i;
  pthread_mutex_unlock(&g_table_lock);
  return found;
}

// Takes one waiting connection into a free slot; with every slot taken, accepts and closes it.
void AcceptViewer(int listener, int port) {
  int slot = FirstFreeSlot(0);
  if (slot < 0) {
    int extra = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (extra >= 0) close(extra);
    return;
  }
  while (slot >= 0) {
    sockaddr_in peer{};
    socklen_t peer_size = sizeof peer;
    int fd = accept4(listener, reinterpret_cast<sockaddr*>(&peer), &peer_size, SOCK_CLOEXEC);
    if (fd >= 0) {
      int on = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      timeval one_ms = {0, 1000};
      setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &one_ms, sizeof one_ms);
      char dotted[INET_ADDRSTRLEN] = "";
      inet_ntop(AF_INET, &peer.sin_addr, dotted, sizeof dotted);
      PrintEx(GetLogFlags() | LOG_TRACE, "Logging Client Accept From : [%s] port : [%d]", dotted,
              ntohs(peer.sin_port));
      pthread_mutex_lock(&g_table_lock);
      g_viewers[slot] = {1, fd};
      pthread_mutex_unlock(&g_table_lock);
      return;
    }
    // The caller went away before we took it: nothing to report.
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED || errno == EINTR) return;
    PrintEx(ServerLineFlags(), "liblog::fnLogServer -> Accept Error : service port=%d - ErrorCode = %d",
            port, errno);
    sleep(1);
    slot = FirstFreeSlot(slot + 1);
  }
}

// Drops every viewer whose socket polled readable or broken; `fds[i]` belongs to `slots[i]`.
void DropSignalledViewers(const pollfd* fds, const int* slots, int count) {
  for (int i = 0; i < count; ++i) {
    if (!(fds[i].revents & (POLLIN | POLLPRI | POLLERR | POLLHUP))) continue;
    int slot = slots[i];
    pthread_mutex_lock(&g_table_lock);
    bool same = g_viewers[slot].active && g_viewers[slot].socket == fds[i].fd;
    if (same) DropLocked(slot);
    pthread_mutex_unlock(&g_table_lock);
    if (same) PrintEx(ServerLineFlags(), "Logging Client Disconnect : [%d]", slot);
  }
}

void* LogServerThread(void*) {
  const int port = g_port.load();
  int listener = OpenListener(port);
  if (listener < 0) return nullptr;
  for (;;) {
    pollfd fds[1 + kViewerSlots];
    int slots[kViewerSlots];
    int count = 0;
    fds[0] = {listener, POLLIN | POLLPRI, 0};
    pthread_mutex_lock(&g_table_lock);
    for (int i = 0; i < kViewerSlots; ++i) {
      if (!g_viewers[i].active) continue;
      fds[1 + count] = {g_viewers[i].socket, POLLIN | POLLPRI, 0};
      slots[count++] = i;
    }
    pthread_mutex_unlock(&g_table_lock);

    int ready = poll(fds, static_cast<nfds_t>(1 + count), kWaitMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      PrintEx(ServerLineFlags(), "liblog::fnLogServer -> select() Error : service port=%d - ErrorCode = %d",
              port, errno);
      sleep(1);
      continue;
    }
    if (ready == 0) continue;
    if (fds[0].revents & POLLIN) {
      AcceptViewer(listener, port);
    } else if (fds[0].revents & (POLLPRI | POLLERR)) {
      sleep(1);
    } else {
      DropSignalledViewers(fds + 1, slots, count);
    }
  }
  return nullptr;
}

}  // namespace

void SendToLogClients(const char* text, int length) {
  std::call_once(g_server_once, [] {
    pthread_mutex_lock(&g_table_lock);
    for (Viewer& v : g_viewers) v = {0, -1};
    pthread_mutex_unlock(&g_table_lock);
    StartDetachedThread(LogServerThread);
  });
  if (length <= 0) return;
  pthread_mutex_lock(&g_table_lock);
  for (int i = 0; i < kViewerSlots; ++i) {
    if (g_viewers[i].active && !SendAll(g_viewers[i].socket, text, length)) DropLocked(i);
  }
  pthread_mutex_unlock(&g_table_lock);
}

void SetLogServerPortForTesting(int port) { g_port.store(port); }

}  // namespace liblog::internal
