// The registry store: keys and typed values kept in `.reg` text files, one file per root
// (HKEY_CURRENT_USER.reg, HKEY_LOCAL_MACHINE.reg, HKEY_CLASSES_ROOT.reg) in the registry
// directory ($VANTRIK_REGISTRY_DIR, default ~/.local/share/vantrik/registry).
//
// The calls mirror the system registry that callers of this code were written against: they
// return 0 on success and the system's error number otherwise, and they never throw. Names
// and string data at this interface are CP949 bytes; the files hold UTF-8. Key and value
// names compare case-insensitively and keep the case they were created with.
//
// Every call reads the file afresh, and every change rewrites it atomically (temporary file
// and rename) under an exclusive lock, so threads and processes sharing the store never
// corrupt it or lose each other's values. A damaged or hand-edited file is read as far as it
// makes sense; lines that cannot be understood are kept as they stand when the file is
// rewritten.
//
// Ownership: handles returned by RegCreateKey/RegOpenKey belong to the caller and are released
// with RegCloseKey. The three roots are never closed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RegistryKeyObject;
using HKEY = RegistryKeyObject*;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000u});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002u});

namespace platform {

// Result numbers, as the system registry reports them.
constexpr long kRegOk = 0;
constexpr long kRegNotFound = 2;          // key or value missing
constexpr long kRegAccessDenied = 5;      // the file cannot be read, locked or written
constexpr long kRegInvalidHandle = 6;     // closed, unknown or null handle
constexpr long kRegInvalidParameter = 87; // null or malformed argument, text not CP949
constexpr long kRegBadPathname = 161;     // key path with an empty component or leading '\'
constexpr long kRegMoreData = 234;        // the buffer is too small; *size says how much
constexpr long kRegKeyDeleted = 1018;     // the key was deleted while this handle was open

// Value types.
constexpr unsigned long kRegNone = 0;
constexpr unsigned long kRegSz = 1;
constexpr unsigned long kRegExpandSz = 2;
constexpr unsigned long kRegBinary = 3;
constexpr unsigned long kRegDword = 4;
constexpr unsigned long kRegMultiSz = 7;
constexpr unsigned long kRegQword = 11;

// Dispositions reported by RegCreateKey.
constexpr unsigned long kRegCreatedNewKey = 1;
constexpr unsigned long kRegOpenedExistingKey = 2;

// Creates `sub_key` (and every missing key above it) under `parent`, or opens it when it
// exists. A null or empty sub-key opens `parent` itself again. `disposition` may be null.
long RegCreateKey(HKEY parent, const char* sub_key, HKEY* result, unsigned long* disposition);
// Opens an existing key; kRegNotFound when it is missing.
long RegOpenKey(HKEY parent, const char* sub_key, HKEY* result);
long RegCloseKey(HKEY key);

// `name` null or "" is the key's default value. String data is stored exactly as given,
// terminating NUL included when the caller counts it in `size`.
long RegSetValue(HKEY key, const char* name, unsigned long type, const void* data,
                 unsigned long size);
// Like the system call: `type` and `data` may be null; `size` is in/out. With a null `data`
// only the type and size are reported. A buffer that is too small gives kRegMoreData.
long RegQueryValue(HKEY key, const char* name, unsigned long* type, void* data,
                   unsigned long* size);
long RegDeleteValue(HKEY key, const char* name);
// Deletes `sub_key` with everything under it; a null or empty sub-key deletes the values and
// sub-keys of `key` but not the key itself.
long RegDeleteTree(HKEY key, const char* sub_key);

struct RegValue {
  std::string name;  // CP949; empty for the default value
  unsigned long type = kRegNone;
  std::string data;  // raw bytes
};
// Names of the direct sub-keys, and all values, in the order they appear in the file.
long RegEnumKeys(HKEY key, std::vector<std::string>* names);
long RegEnumValues(HKEY key, std::vector<RegValue>* values);

// Full path of an open key as it is stored, e.g. "HKEY_CURRENT_USER\SOFTWARE\VX260" (CP949).
long RegKeyPath(HKEY key, std::string* path);

// Writes `key` and everything below it to `file` in the `.reg` format (UTF-8). File paths
// go to the operating system as they are, not converted.
long RegExportKey(HKEY key, const char* file);
// Merges a `.reg` file (UTF-8, or UTF-16LE with its byte-order mark) into the store, including
// `[-KEY]` key deletions and `"NAME"=-` value deletions. Lines that cannot be understood are
// skipped and counted in `*skipped_lines` (may be null); `diagnostics` (may be null) gets one
// message per skipped line, plus one for a missing header line, for the caller to show.
// Each root's part of the file is merged in one change of that root's file.
long RegImportFile(const char* file, int* skipped_lines,
                   std::vector<std::string>* diagnostics = nullptr);

// The directory the store lives in, for messages and tests.
std::string RegistryDirectory();

}  // namespace platform
