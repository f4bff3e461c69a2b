#include "reg_store.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "reg_file.h"
#include "reg_names.h"
#include "registry.h"
#include "windows_dir.h"

namespace platform {
namespace {

constexpr mode_t kNewFileMode = 0644;
constexpr mode_t kNewDirMode = 0755;

class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }

  bool Acquire(const std::string& path, bool exclusive) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kNewFileMode);
    if (fd_ < 0) fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    while (flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
      if (errno != EINTR) return false;
    }
    return true;
  }

 private:
  int fd_ = -1;
};

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool MakeDirectories(const std::string& dir) {
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    std::string part = dir.substr(0, slash);
    if (mkdir(part.c_str(), kNewDirMode) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Parses store-file bytes; false when some lines were lost in decoding.
bool ParseStoreBytes(int root, std::string_view bytes, RegDocument* doc) {
  std::string text;
  bool whole = RegDecodeFileBytes(bytes, &text, nullptr);
  RegParseText(text, RegParseMode::kStore, root, doc, nullptr, nullptr);
  RegNormalize(doc, root);
  return whole;
}

}  // namespace

std::string RegistryDirectory() {
  std::string dir;
  if (const char* env = std::getenv("VANTRIK_REGISTRY_DIR"); env != nullptr && *env != '\0')
    dir = env;
  else
    dir = HomeDirectory() + "/.local/share/vantrik/registry";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string RegRootFilePath(int root) {
  return RegistryDirectory() + "/" + RegRootName(root) + ".reg";
}

long RegReadWholeFile(const std::string& path, std::string* bytes) {
  bytes->clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? kRegNotFound : kRegAccessDenied;
  char buf[65536];
  long rc = kRegOk;
  while (true) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      rc = kRegAccessDenied;  // EISDIR and I/O errors alike
      break;
    }
    bytes->append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return rc;
}

long RegReplaceFile(const std::string& path, std::string_view text) {
  std::string dir = DirectoryOf(path);
  mode_t mode = kNewFileMode;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  std::vector<char> temp(path.begin(), path.end());
  const char kSuffix[] = ".XXXXXX";
  temp.insert(temp.end(), kSuffix, kSuffix + sizeof kSuffix);  // with the NUL
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return kRegAccessDenied;
  bool ok = WriteAll(fd, text) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.data(), path.c_str()) != 0) {
    unlink(temp.data());
    return kRegAccessDenied;
  }
  // The rename itself must reach the disk too.
  int dir_fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    fsync(dir_fd);
    close(dir_fd);
  }
  return kRegOk;
}

long RegLoadRoot(int root, RegDocument* doc) {
  *doc = RegDocument();
  std::string path = RegRootFilePath(root);
  // Writers rename whole files into place, so a reader without the lock (read-only
  // directory) still sees one complete version.
  FileLock lock;
  lock.Acquire(path + ".lock", false);
  std::string bytes;
  long rc = RegReadWholeFile(path, &bytes);
  if (rc == kRegNotFound) return kRegOk;
  if (rc != kRegOk) return rc;
  ParseStoreBytes(root, bytes, doc);
  return kRegOk;
}

long RegChangeRoot(int root, const RegChange& change) {
  std::string path = RegRootFilePath(root);
  if (!MakeDirectories(DirectoryOf(path))) return kRegAccessDenied;
  FileLock lock;
  if (!lock.Acquire(path + ".lock", true)) return kRegAccessDenied;
  std::string bytes;
  long rc = RegReadWholeFile(path, &bytes);
  if (rc != kRegOk && rc != kRegNotFound) return rc;
  RegDocument doc;
  bool whole = ParseStoreBytes(root, bytes, &doc);
  bool changed = false;
  rc = change(&doc, &changed);
  if (rc != kRegOk || !changed) return rc;
  if (!whole) return kRegAccessDenied;
  std::string text;
  if (!RegFormatDocument(doc, true, &text)) return kRegAccessDenied;
  return RegReplaceFile(path, text);
}

}  // namespace platform
