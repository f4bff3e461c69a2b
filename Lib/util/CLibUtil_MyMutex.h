// CLibUtil_MyMutex: a recursive mutex shared by name; every object built with the same name
// locks the same mutex. Lock and Unlock return 1 on success and -1 on failure, writing an
// ERROR line for each failure. The object owns its handle and closes it when destroyed; the
// mutex itself goes when the last object of its name is gone.
#pragma once

#include "named_mutex.h"

class CLibUtil_MyMutex {
 public:
  explicit CLibUtil_MyMutex(const char* lpName);
  ~CLibUtil_MyMutex();
  CLibUtil_MyMutex(const CLibUtil_MyMutex&) = delete;
  CLibUtil_MyMutex& operator=(const CLibUtil_MyMutex&) = delete;

  // Waits without time-out. A mutex whose previous owner ended while holding it is owned by
  // the caller afterwards, yet reported as -1 with the WAIT_ABANDONED line.
  int Lock();
  int Unlock();
  const char* GetName() const { return m_szName; }

 private:
  char m_szName[256];
  platform::NamedMutexHandle m_hMutex;
};
