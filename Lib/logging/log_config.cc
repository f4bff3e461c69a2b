// The process-wide configuration of the log: directory, file stem, global flags, default level.
#include <atomic>
#include <cstring>

#include "liblog.h"
#include "log_internal.h"

namespace liblog {
namespace {

char g_path[internal::kMaxPath + 1] = "./Log";
char g_name[internal::kMaxPath + 1] = "";
std::atomic<unsigned int> g_flags{LOG_FILE | LOG_NO_CLEANUP | LOG_TIME | LOG_REOPEN};
std::atomic<unsigned int> g_level{LOG_TRACE};

void CopyField(char* field, const char* text) {
  if (text == nullptr) text = "";
  size_t n = strnlen(text, internal::kMaxPath);
  memcpy(field, text, n);
  field[n] = '\0';
}

}  // namespace

void SetLogPath(const char* lpPath) {
  CopyField(g_path, lpPath);
  size_t n = strlen(g_path);
  // One trailing separator goes, in either spelling: paths written for the other platform end
  // in a backslash.
  if (n > 0 && (g_path[n - 1] == '/' || g_path[n - 1] == '\\')) g_path[n - 1] = '\0';
}

void SetLogName(const char* lpName) { CopyField(g_name, lpName); }

void SetLogFlags(unsigned int uFlags) {
  g_level.store(uFlags & LOG_LEVELS, std::memory_order_relaxed);
  g_flags.store(uFlags & ~LOG_LEVELS, std::memory_order_relaxed);
}

unsigned int GetLogFlags() { return g_flags.load(std::memory_order_relaxed); }
const char* GetLogPath() { return g_path; }

namespace internal {
const char* LogName() { return g_name; }
unsigned int DefaultLevel() { return g_level.load(std::memory_order_relaxed); }
}  // namespace internal

}  // namespace liblog
