// Single-instance guard: an exclusive lock on a file named after the program, held for as long
// as the owning object lives. The system drops the lock when the process dies, so a crashed
// instance never blocks the next start.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process now holds the lock called `name`; false when another instance
  // holds it or the lock file cannot be made. The file lives in $XDG_RUNTIME_DIR, else /tmp.
  bool Acquire(const char* name);
  void Release();
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace platform
