#include "named_mutex.h"

#include <errno.h>
#include <pthread.h>

#include <map>
#include <mutex>
#include <new>
#include <string>

namespace platform {

struct NamedMutexObject {
  std::string name;
  int references = 0;
  pthread_mutex_t mutex;
};

namespace {

// The table outlives every static destructor: mutexes may still be closed while the process
// shuts down (detached threads, objects with static storage).
struct Table {
  std::mutex lock;
  std::map<std::string, NamedMutexObject*> by_name;
  int next_id = 0;
};

Table& TheTable() {
  static Table* table = new Table;
  return *table;
}

bool InitMutex(pthread_mutex_t* mutex) {
  pthread_mutexattr_t attr;
  if (pthread_mutexattr_init(&attr) != 0) return false;
  bool ok = pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE) == 0 &&
            pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST) == 0 &&
            pthread_mutex_init(mutex, &attr) == 0;
  pthread_mutexattr_destroy(&attr);
  return ok;
}

}  // namespace

NamedMutexHandle OpenNamedMutex(const char* name) {
  NamedMutexHandle handle;
  if (name == nullptr) return handle;
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.lock);
  auto it = table.by_name.find(name);
  NamedMutexObject* object;
  if (it != table.by_name.end()) {
    object = it->second;
  } else {
    object = new (std::nothrow) NamedMutexObject;
    if (object == nullptr) return handle;
    if (!InitMutex(&object->mutex)) {
      delete object;
      return handle;
    }
    object->name = name;
    table.by_name.emplace(object->name, object);
  }
  ++object->references;
  handle.object = object;
  // Handles are numbered like the system's: small multiples of four, never zero.
  table.next_id = table.next_id >= (1 << 29) ? 1 : table.next_id + 1;
  handle.id = table.next_id * 4;
  return handle;
}

void CloseNamedMutex(NamedMutexHandle* handle) {
  if (handle == nullptr || handle->object == nullptr) return;
  Table& table = TheTable();
  std::lock_guard<std::mutex> guard(table.lock);
  NamedMutexObject* object = handle->object;
  handle->object = nullptr;
  handle->id = 0;
  if (--object->references > 0) return;
  table.by_name.erase(object->name);
  // A mutex left locked by a thread that has ended must be taken and released before it may
  // be destroyed.
  int rc = pthread_mutex_trylock(&object->mutex);
  if (rc == EOWNERDEAD) pthread_mutex_consistent(&object->mutex);
  if (rc == 0 || rc == EOWNERDEAD) pthread_mutex_unlock(&object->mutex);
  pthread_mutex_destroy(&object->mutex);
  delete object;
}

LockResult LockNamedMutex(const NamedMutexHandle& handle) {
  if (handle.object == nullptr) return LockResult::kFailed;
  int rc = pthread_mutex_lock(&handle.object->mutex);
  if (rc == 0) return LockResult::kOwned;
  if (rc == EOWNERDEAD) {
    // The previous owner died holding it: we own it now and make it usable again.
    pthread_mutex_consistent(&handle.object->mutex);
    return LockResult::kAbandoned;
  }
  return LockResult::kFailed;
}

bool UnlockNamedMutex(const NamedMutexHandle& handle) {
  if (handle.object == nullptr) return false;
  return pthread_mutex_unlock(&handle.object->mutex) == 0;
}

}  // namespace platform
