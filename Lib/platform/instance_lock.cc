#include "instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

InstanceLock::~InstanceLock() { Release(); }

bool InstanceLock::Acquire(const char* name) {
  Release();
  if (name == nullptr || *name == '\0') return false;
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (dir == nullptr || *dir == '\0' || access(dir, W_OK) != 0) dir = "/tmp";
  path_ = std::string(dir) + "/" + name + ".lock";
  int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::Release() {
  if (fd_ < 0) return;
  close(fd_);  // closing drops the lock; the file stays for the next start
  fd_ = -1;
}

}  // namespace platform
