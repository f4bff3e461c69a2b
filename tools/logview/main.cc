// logview: watches a program's log live. Connects to its log server (port 39300 unless told
// otherwise), prints every line as it arrives, and reconnects whenever the server goes away.
//
//   logview [--raw | --utf8] [HOST [PORT]]
//
// Lines are printed byte for byte (--raw) when the output is a file or pipe, and converted
// from CP949 to UTF-8 (--utf8) when it is a terminal, unless told otherwise.
#include <errno.h>
#include <netdb.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "log_stream.h"

namespace {

const char kUsage[] =
    "usage: logview [--raw | --utf8] [HOST [PORT]]\n"
    "  Prints the lines a log server sends (default 127.0.0.1 port 39300) and reconnects\n"
    "  every second when the server goes away. Ctrl-C ends it.\n";

struct Options {
  std::string host = "127.0.0.1";
  std::string port = "39300";
  bool to_utf8 = isatty(STDOUT_FILENO) != 0;
};

bool ParseArguments(int argc, char** argv, Options* options) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--raw" || arg == "-r") {
      options->to_utf8 = false;
    } else if (arg == "--utf8" || arg == "-u") {
      options->to_utf8 = true;
    } else if (arg == "--help" || arg == "-h") {
      fputs(kUsage, stdout);
      exit(0);
    } else if (!arg.empty() && arg[0] == '-') {
      fprintf(stderr, "logview: unknown option %s\n%s", arg.c_str(), kUsage);
      return false;
    } else if (positional == 0) {
      options->host = arg, ++positional;
    } else if (positional == 1) {
      char* end = nullptr;
      long port = strtol(arg.c_str(), &end, 10);
      if (*end != '\0' || port < 1 || port > 65535) {
        fprintf(stderr, "logview: %s is not a port number (1-65535)\n", arg.c_str());
        return false;
      }
      options->port = arg, ++positional;
    } else {
      fprintf(stderr, "logview: too many arguments\n%s", kUsage);
      return false;
    }
  }
  return true;
}

// Returns a connected socket, or -1 with `error` saying why.
int Connect(const Options& options, std::string* error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int rc = getaddrinfo(options.host.c_str(), options.port.c_str(), &hints, &found);
  if (rc != 0) {
    *error = gai_strerror(rc);
    return -1;
  }
  int fd = -1;
  for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      *error = strerror(errno);
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  return fd;
}

bool WriteOut(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(STDOUT_FILENO, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Copies the server's bytes to standard output until it closes; false when output is gone.
bool Relay(int fd, bool to_utf8) {
  LogStream stream(to_utf8);
  char buffer[8192];
  for (;;) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (!WriteOut(stream.Feed(std::string_view(buffer, static_cast<size_t>(n))))) return false;
  }
  return WriteOut(stream.Flush());
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, &options)) return 2;
  signal(SIGPIPE, SIG_IGN);
  const std::string where = options.host + ":" + options.port;
  bool reported_outage = false;
  for (;;) {
    std::string error;
    int fd = Connect(options, &error);
    if (fd < 0) {
      if (!reported_outage)
        fprintf(stderr, "logview: cannot connect to %s (%s); retrying every second\n",
                where.c_str(), error.c_str());
      reported_outage = true;
      sleep(1);
      continue;
    }
    fprintf(stderr, "logview: connected to %s\n", where.c_str());
    reported_outage = false;
    bool output_ok = Relay(fd, options.to_utf8);
    close(fd);
    if (!output_ok) return 1;
    fprintf(stderr, "logview: %s closed the connection; reconnecting\n", where.c_str());
    sleep(1);
  }
}
