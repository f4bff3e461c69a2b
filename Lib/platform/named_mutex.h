// Recursive mutexes shared by name within the process.
//
// Every open of a name returns a handle to the same mutex; the mutex goes away when its last
// handle is closed. A thread that ends while it holds the mutex leaves it abandoned: the next
// thread to lock it becomes the owner and is told so (LockResult::kAbandoned), as callers of
// the system's named mutexes expect.
#pragma once

namespace platform {

struct NamedMutexObject;

// An open handle; owned by whoever opened it, released with CloseNamedMutex.
struct NamedMutexHandle {
  NamedMutexObject* object = nullptr;
  int id = 0;  // non-zero number printed in log lines for this handle
  explicit operator bool() const { return object != nullptr; }
};

enum class LockResult { kOwned, kAbandoned, kFailed };

// Opens the mutex called `name`, creating it when no handle to it is open. Returns an empty
// handle when the name is null or the mutex cannot be created.
NamedMutexHandle OpenNamedMutex(const char* name);
void CloseNamedMutex(NamedMutexHandle* handle);  // handle becomes empty

// Waits without time-out. An empty handle gives kFailed.
LockResult LockNamedMutex(const NamedMutexHandle& handle);
// Fails when the calling thread does not own the mutex.
bool UnlockNamedMutex(const NamedMutexHandle& handle);

}  // namespace platform
