#include "reg_names.h"

#include <cstdint>

#include "codepage.h"

namespace platform {
namespace {

constexpr const char* kRootNames[kRegRootCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                   "HKEY_LOCAL_MACHINE"};
constexpr size_t kMaxKeyNameChars = 255;

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Characters, counting a double-byte character once.
size_t CharCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i, ++count)
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
  return count;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsCp949(std::string_view text) {
  std::string ignored;
  return Cp949ToUtf8(text, &ignored);
}

}  // namespace

int RegRootIndex(HKEY key) {
  for (int i = 0; i < kRegRootCount; ++i)
    if (key == RegRootHandle(i)) return i;
  return -1;
}

HKEY RegRootHandle(int root) {
  switch (root) {
    case 0: return HKEY_CLASSES_ROOT;
    case 1: return HKEY_CURRENT_USER;
    case 2: return HKEY_LOCAL_MACHINE;
    default: return nullptr;
  }
}

const char* RegRootName(int root) {
  return (root >= 0 && root < kRegRootCount) ? kRootNames[root] : "";
}

int RegRootFromName(std::string_view name) {
  for (int i = 0; i < kRegRootCount; ++i)
    if (RegNamesEqual(name, kRootNames[i])) return i;
  return -1;
}

bool RegNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (IsLeadByte(x) && i + 1 < a.size()) {
      // A double-byte character matches only byte for byte, trail byte included.
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (FoldAscii(x) != FoldAscii(y)) return false;
  }
  return true;
}

bool RegPathWithin(std::string_view path, std::string_view ancestor) {
  if (ancestor.empty()) return true;
  if (path.size() < ancestor.size()) return false;
  if (!RegNamesEqual(path.substr(0, ancestor.size()), ancestor)) return false;
  // '\' is never the second byte of a CP949 character, so this test is safe on raw bytes.
  return path.size() == ancestor.size() || path[ancestor.size()] == '\\';
}

std::string_view RegParentPath(std::string_view path) {
  size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string RegJoinPath(std::string_view parent, std::string_view child) {
  if (parent.empty()) return std::string(child);
  if (child.empty()) return std::string(parent);
  std::string joined(parent);
  joined += '\\';
  joined += child;
  return joined;
}

long RegCheckKeyPath(std::string_view path, std::string* normalized) {
  normalized->clear();
  if (path.empty()) return kRegOk;
  if (path.front() == '\\') return kRegBadPathname;
  if (path.back() == '\\') path.remove_suffix(1);
  if (path.empty() || path.back() == '\\') return kRegBadPathname;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view component = path.substr(start, end - start);
    if (component.empty()) return kRegBadPathname;
    if (CharCount(component) > kMaxKeyNameChars) return kRegInvalidParameter;
    start = end + 1;
  }
  if (HasLineBreak(path) || !IsCp949(path)) return kRegInvalidParameter;
  normalized->assign(path);
  return kRegOk;
}

long RegCheckValueName(std::string_view name) {
  if (HasLineBreak(name) || !IsCp949(name)) return kRegInvalidParameter;
  return kRegOk;
}

}  // namespace platform
