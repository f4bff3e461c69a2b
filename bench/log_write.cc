// log_write: lines per second of liblog in direct and in queued mode, beside the floor that
// direct mode cannot beat by design, measured in the same run: a plain open(O_APPEND) /
// write / close loop writing the same, already formatted lines.
//
//   log_write [LINES] [ROUNDS]     defaults 100000 lines, 5 rounds; medians are printed
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "liblog.h"
#include "log_internal.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned int kDirect = LOG_FILE | LOG_NO_CLEANUP | LOG_TIME | LOG_TRACE;
const char kFormat[] = "CCTILogic::GetAgentMonitoringData agent=%05d state=%d count=%d";

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void RemoveFiles(const std::string& dir) {
  std::string command = "rm -f '" + dir + "'/*";
  if (system(command.c_str()) != 0) fprintf(stderr, "could not clean %s\n", dir.c_str());
}

// The lines exactly as liblog writes them, so the floor writes the same bytes.
std::vector<std::string> FormattedLines(int count) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(count));
  time_t now = time(nullptr);
  struct tm tm;
  localtime_r(&now, &tm);
  char prefix[64];
  snprintf(prefix, sizeof prefix, "%04d/%02d/%02d %02d:%02d:%02d TRACE ", tm.tm_year + 1900,
           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  for (int i = 0; i < count; ++i) {
    char message[128];
    snprintf(message, sizeof message, kFormat, i, i % 9, i);
    lines.push_back(std::string(prefix) + message + "\r\n");
  }
  return lines;
}

double Floor(const std::string& dir, const std::vector<std::string>& lines) {
  const std::string path = dir + "/floor.Log";
  Clock::time_point start = Clock::now();
  for (const std::string& line : lines) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0 || write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
      perror("floor write");
      exit(1);
    }
    close(fd);
  }
  return Seconds(start);
}

double Direct(int count) {
  Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) liblog::PrintEx(kDirect, kFormat, i, i % 9, i);
  return Seconds(start);
}

// Producer and queue thread together, until the last line is written. The producer waits
// while the ring is nearly full, so no line is lost to an overflow.
double Queued(int count) {
  Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) {
    while (liblog::internal::QueuedLineCount() >= 120) std::this_thread::yield();
    liblog::PrintEx(kDirect | LOG_QUEUED, kFormat, i, i % 9, i);
  }
  while (liblog::internal::QueuedLineCount() > 0) std::this_thread::yield();
  return Seconds(start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? atoi(argv[1]) : 100000;
  const int rounds = argc > 2 ? atoi(argv[2]) : 5;
  if (lines <= 0 || rounds <= 0) {
    fprintf(stderr, "usage: log_write [LINES] [ROUNDS]\n");
    return 2;
  }
  char pattern[] = "/tmp/log-write-bench-XXXXXX";
  const std::string dir = mkdtemp(pattern);
  liblog::SetLogPath(dir.c_str());
  liblog::SetLogName("bench");
  liblog::SetLogFlags(kDirect);
  const std::vector<std::string> formatted = FormattedLines(lines);

  std::vector<double> floor_s, direct_s, queued_s, ratio;
  for (int r = 0; r < rounds; ++r) {  // interleaved, so drift hits all three alike
    floor_s.push_back(Floor(dir, formatted));
    RemoveFiles(dir);
    direct_s.push_back(Direct(lines));
    RemoveFiles(dir);
    queued_s.push_back(Queued(lines));
    RemoveFiles(dir);
    ratio.push_back(direct_s.back() / floor_s.back());
  }
  rmdir(dir.c_str());

  printf("lines per round: %d, rounds: %d (medians)\n", lines, rounds);
  printf("floor  open/write/close : %10.0f lines/s\n", lines / Median(floor_s));
  printf("direct mode             : %10.0f lines/s   %.3fx the floor's time (goal <= 1.3x)\n",
         lines / Median(direct_s), Median(ratio));
  printf("queued mode             : %10.0f lines/s\n", lines / Median(queued_s));
  return 0;
}
