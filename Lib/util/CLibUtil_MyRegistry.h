// CLibUtil_MyRegistry: one registry key, opened (or created) for a single read or write and
// closed again, usually as a stack object. The object owns the key handle it holds and
// closes it in Close() or when destroyed; it holds none after construction, after Close()
// and after a failed Create(). Calls return the registry store's result (0 on success) and
// write no log lines.
#pragma once

#include "registry.h"

class CLibUtil_MyRegistry {
 public:
  CLibUtil_MyRegistry();
  ~CLibUtil_MyRegistry();
  CLibUtil_MyRegistry(const CLibUtil_MyRegistry&) = delete;
  CLibUtil_MyRegistry& operator=(const CLibUtil_MyRegistry&) = delete;

  // Creates the key, or opens it when it exists; any key held before is closed first.
  long Create(HKEY hParent, const char* lpSubKey);
  // The same; `*pulDisposition` (when not null) is set to 1 for a new key, 2 for an existing
  // one. Options and access are accepted for the callers' sake and ignored: keys are always
  // kept on disk and opened for all access.
  long Create(HKEY hParent, const char* lpSubKey, unsigned long ulOptions, unsigned long ulAccess,
              unsigned long* pulDisposition);
  // 0 when no key was open.
  long Close();

  // Stores `lpText` with its terminating NUL as a REG_SZ value.
  long SetValue(const char* lpValueName, const char* lpText);
  // `lpDest` must hold 200 bytes or more. Reads the value whatever its type, as text of at
  // most 199 characters plus NUL; on any failure (no key open, no such value, a value over
  // 200 bytes) copies `lpDefault` instead, cut the same way, and returns the failure.
  long QueryValue(const char* lpValueName, char* lpDest, const char* lpDefault);

 private:
  HKEY m_hKey;
};
