#include "CLibUtil_MyMutex.h"

#include <cstring>

#include "liblog.h"
#include "libutil_log.h"

CLibUtil_MyMutex::CLibUtil_MyMutex(const char* lpName) {
  libutil_copyname(m_szName, lpName);
  m_hMutex = platform::OpenNamedMutex(m_szName);
  if (!m_hMutex)
    liblog::PrintEx(libutil_errorflags(), "%s : CreateMutex() returns NULL, Lock Name=[%s]",
                    "CLibUtil_MyMutex::CLibUtil_MyMutex", m_szName);
}

CLibUtil_MyMutex::~CLibUtil_MyMutex() { platform::CloseNamedMutex(&m_hMutex); }

int CLibUtil_MyMutex::Lock() {
  switch (platform::LockNamedMutex(m_hMutex)) {
    case platform::LockResult::kOwned:
      return 1;
    case platform::LockResult::kAbandoned:
      liblog::PrintEx(libutil_errorflags(),
                      "%s : WaitForSingleObject() return WAIT_ABANDONED, Handle[%d], Lock Name = [%s]",
                      "CLibUtil_MyMutex::Lock", m_hMutex.id, m_szName);
      return -1;
    case platform::LockResult::kFailed:
      break;
  }
  liblog::PrintEx(libutil_errorflags(),
                  "%s : WaitForSingleObject() return WAIT_FAILED, Handle[%d], Lock Name = [%s]",
                  "CLibUtil_MyMutex::Lock", m_hMutex.id, m_szName);
  return -1;
}

int CLibUtil_MyMutex::Unlock() {
  if (platform::UnlockNamedMutex(m_hMutex)) return 1;
  // The operation name in this line has always read "Lock"; log readers search for it so.
  liblog::PrintEx(libutil_errorflags(), "%s : ReleaseMutex() fail, Lock Name = [%s]",
                  "CLibUtil_MyMutex::Lock", m_szName);
  return -1;
}
