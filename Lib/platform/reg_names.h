// Names in the registry store: the three roots, key paths and the comparison rule.
//
// Key paths are kept relative to their root, CP949 bytes, components separated by '\'; "" is
// the root itself. Names compare case-insensitively with ASCII folding that steps over the
// second byte of a CP949 double-byte character (those bytes can be ASCII letters).
#pragma once

#include <string>
#include <string_view>

#include "registry.h"

namespace platform {

constexpr int kRegRootCount = 3;

// Index 0..2 of a root handle, or -1 when `key` is not one of the three roots.
int RegRootIndex(HKEY key);
HKEY RegRootHandle(int root);
// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE".
const char* RegRootName(int root);
// Index of a long root name, compared case-insensitively; -1 when unknown.
int RegRootFromName(std::string_view name);

bool RegNamesEqual(std::string_view a, std::string_view b);
// True when `path` is `ancestor` itself or lies below it.
bool RegPathWithin(std::string_view path, std::string_view ancestor);
// The part of `path` above its last component ("" for a top-level key).
std::string_view RegParentPath(std::string_view path);
std::string RegJoinPath(std::string_view parent, std::string_view child);

// Checks a sub-key path given by a caller and returns it without its one allowed trailing
// '\'. kRegBadPathname for a leading '\' or an empty component; kRegInvalidParameter for a
// component over 255 characters, a line break or text that is not CP949.
long RegCheckKeyPath(std::string_view path, std::string* normalized);
// Value names: CP949 without line breaks; "" is the default value.
long RegCheckValueName(std::string_view name);

}  // namespace platform
