#include "CLibUtil_MyRegistry.h"

#include <cstring>

namespace {

// Callers pass 200-byte buffers; the value is read into one of that size.
constexpr unsigned long kValueBufferSize = 200;

// Copies at most the first `size` bytes of `src`, stopping at a NUL, and always terminates
// within the 200 bytes: a 200-byte value stored without its NUL must still come out as text.
void CopyText(char* dest, const char* src, size_t size) {
  size_t n = 0;
  while (n < size && n < kValueBufferSize - 1 && src[n] != '\0') ++n;
  std::memcpy(dest, src, n);
  dest[n] = '\0';
}

}  // namespace

CLibUtil_MyRegistry::CLibUtil_MyRegistry() : m_hKey(nullptr) {}

CLibUtil_MyRegistry::~CLibUtil_MyRegistry() { Close(); }

long CLibUtil_MyRegistry::Create(HKEY hParent, const char* lpSubKey) {
  return Create(hParent, lpSubKey, 0, 0, nullptr);
}

long CLibUtil_MyRegistry::Create(HKEY hParent, const char* lpSubKey, unsigned long /*ulOptions*/,
                                 unsigned long /*ulAccess*/, unsigned long* pulDisposition) {
  Close();
  HKEY key = nullptr;
  unsigned long disposition = 0;
  long rc = platform::RegCreateKey(hParent, lpSubKey, &key, &disposition);
  if (rc != platform::kRegOk) return rc;
  m_hKey = key;
  if (pulDisposition != nullptr) *pulDisposition = disposition;
  return rc;
}

long CLibUtil_MyRegistry::Close() {
  if (m_hKey == nullptr) return platform::kRegOk;
  long rc = platform::RegCloseKey(m_hKey);
  m_hKey = nullptr;
  return rc;
}

long CLibUtil_MyRegistry::SetValue(const char* lpValueName, const char* lpText) {
  if (m_hKey == nullptr) return platform::kRegInvalidHandle;
  if (lpText == nullptr) return platform::kRegInvalidParameter;
  return platform::RegSetValue(m_hKey, lpValueName, platform::kRegSz, lpText,
                               static_cast<unsigned long>(std::strlen(lpText) + 1));
}

long CLibUtil_MyRegistry::QueryValue(const char* lpValueName, char* lpDest, const char* lpDefault) {
  if (lpDest == nullptr) return platform::kRegInvalidParameter;
  char buffer[kValueBufferSize];
  unsigned long size = sizeof buffer;
  long rc = m_hKey == nullptr
                ? platform::kRegInvalidHandle
                : platform::RegQueryValue(m_hKey, lpValueName, nullptr, buffer, &size);
  if (rc == platform::kRegOk) {
    CopyText(lpDest, buffer, size);
  } else {
    const char* fallback = lpDefault == nullptr ? "" : lpDefault;
    CopyText(lpDest, fallback, std::strlen(fallback));
  }
  return rc;
}
