// The library's threads are detached and live until the process ends; nothing joins them.
#include <pthread.h>

#include "log_internal.h"

namespace liblog::internal {

bool StartDetachedThread(void* (*body)(void*)) {
  pthread_attr_t attr;
  if (pthread_attr_init(&attr) != 0) return false;
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  bool started = pthread_create(&thread, &attr, body, nullptr) == 0;
  pthread_attr_destroy(&attr);
  return started;
}

}  // namespace liblog::internal
