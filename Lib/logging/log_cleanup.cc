// The clean-up thread: once an hour, deletes the .Log files of the log directory that were
// created longer ago than the retention in the global flags.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "liblog.h"
#include "log_internal.h"

namespace liblog::internal {
namespace {

// The file's birth time where the file system keeps one, else its last modification.
bool CreationTime(const char* path, time_t* out) {
  struct statx stx;
  if (statx(AT_FDCWD, path, AT_STATX_SYNC_AS_STAT, STATX_BTIME | STATX_MTIME | STATX_TYPE,
            &stx) != 0)
    return false;
  if (!S_ISREG(stx.stx_mode)) return false;
  *out = (stx.stx_mask & STATX_BTIME) ? stx.stx_btime.tv_sec : stx.stx_mtime.tv_sec;
  return true;
}

// "*.Log" as the log directory's owner always matched it: any case of the extension.
bool IsLogFileName(const char* name) {
  size_t n = strlen(name);
  return n >= 4 && strcasecmp(name + n - 4, ".log") == 0;
}

void* CleanupThread(void*) {
  for (;;) {
    int days = RetentionDays(GetLogFlags());
    if (days > 0) {
      platform::LocalTime now = platform::LocalNow();
      CleanLogDirectory(GetLogPath(), days, now.tm);
    }
    sleep(3600);
  }
  return nullptr;
}

std::once_flag g_cleanup_once;

}  // namespace

int RetentionDays(unsigned int flags) {
  if (flags & LOG_KEEP_1DAY) return 1;
  if (flags & LOG_KEEP_3DAYS) return 3;
  if (flags & LOG_KEEP_7DAYS) return 7;
  if (flags & LOG_KEEP_31DAYS) return 31;
  if (flags & LOG_KEEP_93DAYS) return 93;
  if (flags & LOG_KEEP_186DAYS) return 186;
  return 0;
}

int CleanLogDirectory(const char* directory, int keep_days, const struct tm& now) {
  struct tm cut = now;
  cut.tm_mday -= keep_days;  // same time of day, that many calendar days earlier
  cut.tm_isdst = -1;
  time_t cutoff = mktime(&cut);

  DIR* dir = opendir(*directory != '\0' ? directory : "/");
  if (dir == nullptr) return 0;
  int deleted = 0;
  while (const struct dirent* entry = readdir(dir)) {
    if (!IsLogFileName(entry->d_name)) continue;
    char path[kFileNameBuffer];
    if (snprintf(path, sizeof path, "%s/%s", directory, entry->d_name) >= static_cast<int>(sizeof path))
      continue;
    time_t created;
    if (CreationTime(path, &created) && created < cutoff && unlink(path) == 0) ++deleted;
  }
  closedir(dir);
  return deleted;
}

void StartCleanupThread() {
  std::call_once(g_cleanup_once, [] {
    StartDetachedThread(CleanupThread);
  });
}

}  // namespace liblog::internal
