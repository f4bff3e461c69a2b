// The registry calls: argument checks, the table of open handles, and one load or change of
// a root's file per call.
#include "registry.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>

#include "reg_document.h"
#include "reg_names.h"
#include "reg_store.h"

struct RegistryKeyObject {
  int root = -1;
  std::string path;  // as stored, relative to the root
};

namespace platform {
namespace {

// Every handle given out and not yet closed. A handle is a number, never reused, that names
// its heap object in this table: a closed or made-up handle is simply not found and gives
// kRegInvalidHandle, even when a newer key object sits at the old address. The table is
// never destroyed: handles may be closed from static destructors.
struct HandleTable {
  std::mutex lock;
  std::unordered_map<HKEY, std::unique_ptr<RegistryKeyObject>> live;
  std::uintptr_t last = 0;
};

HandleTable& Handles() {
  static HandleTable* table = new HandleTable;
  return *table;
}

struct KeyRef {
  int root = -1;
  std::string path;
};

// Copies what the handle names, so a concurrent close cannot pull it away mid-call.
long Resolve(HKEY key, KeyRef* ref) {
  int root = RegRootIndex(key);
  if (root >= 0) {
    ref->root = root;
    ref->path.clear();
    return kRegOk;
  }
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> guard(table.lock);
  auto it = table.live.find(key);
  if (it == table.live.end()) return kRegInvalidHandle;
  ref->root = it->second->root;
  ref->path = it->second->path;
  return kRegOk;
}

long NewHandle(int root, std::string path, HKEY* result) {
  std::unique_ptr<RegistryKeyObject> object(new (std::nothrow) RegistryKeyObject);
  if (object == nullptr) return kRegAccessDenied;  // the nearest the system has to "no memory"
  object->root = root;
  object->path = std::move(path);
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> guard(table.lock);
  // Multiples of four like the system's handles; zero and the roots are never handed out.
  HKEY key;
  do {
    table.last += 4;
    key = reinterpret_cast<HKEY>(table.last);
  } while (key == nullptr || RegRootIndex(key) >= 0);
  table.live.emplace(key, std::move(object));
  *result = key;
  return kRegOk;
}

long CheckSubKey(const char* sub_key, std::string* normalized) {
  return RegCheckKeyPath(sub_key == nullptr ? "" : sub_key, normalized);
}

const char* OrEmpty(const char* name) { return name == nullptr ? "" : name; }

// The section of an open key, or kRegKeyDeleted when it went away after it was opened.
long FindOpenKey(RegDocument* doc, const KeyRef& ref, bool create_root, RegSection** section) {
  if (ref.path.empty() && create_root) {
    bool created = false;
    *section = &doc->sections[RegEnsureKey(doc, ref.root, "", &created)];
    return kRegOk;
  }
  int index = RegFindKey(*doc, ref.root, ref.path);
  if (index < 0) {
    *section = nullptr;
    return ref.path.empty() ? kRegOk : kRegKeyDeleted;
  }
  *section = &doc->sections[index];
  return kRegOk;
}

}  // namespace

long RegCreateKey(HKEY parent, const char* sub_key, HKEY* result, unsigned long* disposition) {
  KeyRef ref;
  if (long rc = Resolve(parent, &ref); rc != kRegOk) return rc;
  std::string sub;
  if (result == nullptr) return kRegInvalidParameter;
  *result = nullptr;
  if (long rc = CheckSubKey(sub_key, &sub); rc != kRegOk) return rc;
  std::string full = RegJoinPath(ref.path, sub);
  std::string stored;
  bool created = false;
  long rc = RegChangeRoot(ref.root, [&](RegDocument* doc, bool* changed) {
    if (!RegKeyExists(*doc, ref.root, ref.path)) return kRegKeyDeleted;
    int index = full.empty() ? -1 : RegEnsureKey(doc, ref.root, full, &created);
    if (index >= 0) stored = doc->sections[index].path;
    *changed = created;
    return kRegOk;
  });
  if (rc != kRegOk) return rc;
  if (disposition != nullptr) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
  return NewHandle(ref.root, std::move(stored), result);
}

long RegOpenKey(HKEY parent, const char* sub_key, HKEY* result) {
  KeyRef ref;
  if (long rc = Resolve(parent, &ref); rc != kRegOk) return rc;
  if (result == nullptr) return kRegInvalidParameter;
  *result = nullptr;
  std::string sub;
  if (long rc = CheckSubKey(sub_key, &sub); rc != kRegOk) return rc;
  RegDocument doc;
  if (long rc = RegLoadRoot(ref.root, &doc); rc != kRegOk) return rc;
  if (!RegKeyExists(doc, ref.root, ref.path)) return kRegKeyDeleted;
  std::string full = RegJoinPath(ref.path, sub);
  int index = RegFindKey(doc, ref.root, full);
  if (index < 0 && !full.empty()) return kRegNotFound;
  return NewHandle(ref.root, index < 0 ? std::string() : doc.sections[index].path, result);
}

long RegCloseKey(HKEY key) {
  if (RegRootIndex(key) >= 0) return kRegOk;
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> guard(table.lock);
  return table.live.erase(key) == 0 ? kRegInvalidHandle : kRegOk;
}

long RegSetValue(HKEY key, const char* name, unsigned long type, const void* data,
                 unsigned long size) {
  KeyRef ref;
  if (long rc = Resolve(key, &ref); rc != kRegOk) return rc;
  if (data == nullptr && size != 0) return kRegInvalidParameter;
  if (type > 0xFFFFFFFFul) return kRegInvalidParameter;
  RegValue value;
  value.name = OrEmpty(name);
  if (long rc = RegCheckValueName(value.name); rc != kRegOk) return rc;
  value.type = type;
  if (size != 0) value.data.assign(static_cast<const char*>(data), size);
  return RegChangeRoot(ref.root, [&](RegDocument* doc, bool* changed) {
    RegSection* section = nullptr;
    if (long rc = FindOpenKey(doc, ref, true, &section); rc != kRegOk) return rc;
    RegPutValue(section, std::move(value));
    *changed = true;
    return kRegOk;
  });
}

long RegQueryValue(HKEY key, const char* name, unsigned long* type, void* data,
                   unsigned long* size) {
  KeyRef ref;
  if (long rc = Resolve(key, &ref); rc != kRegOk) return rc;
  if (data != nullptr && size == nullptr) return kRegInvalidParameter;
  RegDocument doc;
  if (long rc = RegLoadRoot(ref.root, &doc); rc != kRegOk) return rc;
  RegSection* section = nullptr;
  if (long rc = FindOpenKey(&doc, ref, false, &section); rc != kRegOk) return rc;
  const RegValue* value = section == nullptr ? nullptr : RegFindValue(section, OrEmpty(name));
  if (value == nullptr) return kRegNotFound;
  if (type != nullptr) *type = value->type;
  unsigned long needed = static_cast<unsigned long>(value->data.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kRegOk;
  }
  bool fits = *size >= needed;
  *size = needed;
  if (!fits) return kRegMoreData;
  if (needed != 0) std::memcpy(data, value->data.data(), needed);
  return kRegOk;
}

long RegDeleteValue(HKEY key, const char* name) {
  KeyRef ref;
  if (long rc = Resolve(key, &ref); rc != kRegOk) return rc;
  return RegChangeRoot(ref.root, [&](RegDocument* doc, bool* changed) {
    RegSection* section = nullptr;
    if (long rc = FindOpenKey(doc, ref, false, &section); rc != kRegOk) return rc;
    if (section == nullptr || !RegRemoveValue(section, OrEmpty(name))) return kRegNotFound;
    *changed = true;
    return kRegOk;
  });
}

long RegDeleteTree(HKEY key, const char* sub_key) {
  KeyRef ref;
  if (long rc = Resolve(key, &ref); rc != kRegOk) return rc;
  std::string sub;
  if (long rc = CheckSubKey(sub_key, &sub); rc != kRegOk) return rc;
  std::string full = RegJoinPath(ref.path, sub);
  return RegChangeRoot(ref.root, [&](RegDocument* doc, bool* changed) {
    if (!RegKeyExists(*doc, ref.root, ref.path)) return kRegKeyDeleted;
    if (!sub.empty()) {
      if (!RegRemoveTree(doc, ref.root, full)) return kRegNotFound;
      *changed = true;
      return kRegOk;
    }
    // Everything below the key goes, the key itself stays.
    std::vector<std::string> children = RegChildKeys(*doc, ref.root, ref.path);
    for (const std::string& child : children)
      RegRemoveTree(doc, ref.root, RegJoinPath(ref.path, child));
    int index = RegFindKey(*doc, ref.root, ref.path);
    if (index >= 0) {
      std::vector<RegEntry>& entries = doc->sections[index].entries;
      std::vector<RegEntry> kept;
      for (RegEntry& e : entries)
        if (e.kind != RegEntry::kValue) kept.push_back(std::move(e));
      entries = std::move(kept);
    }
    *changed = true;
    return kRegOk;
  });
}

long RegEnumKeys(HKEY key, std::vector<std::string>* names) {
  KeyRef ref;
  if (long rc = Resolve(key, &ref); rc != kRegOk) return rc;
  if (names == nullptr) return kRegInvalidParameter;
  names->clear();
  RegDocument doc;
  if (long rc = RegLoadRoot(ref.root, &doc); rc != kRegOk) return rc;
  if (!RegKeyExists(doc, ref.root, ref.path)) return kRegKeyDeleted;
  *names = RegChildKeys(doc, ref.root, ref.path);
  return kRegOk;
}

long RegEnumValues(HKEY key, std::vector<RegValue>* values) {
  KeyRef ref;
  if (long rc = Resolve(key, &ref); rc != kRegOk) return rc;
  if (values == nullptr) return kRegInvalidParameter;
  values->clear();
  RegDocument doc;
  if (long rc = RegLoadRoot(ref.root, &doc); rc != kRegOk) return rc;
  RegSection* section = nullptr;
  if (long rc = FindOpenKey(&doc, ref, false, &section); rc != kRegOk) return rc;
  if (section == nullptr) return kRegOk;
  for (const RegEntry& e : section->entries)
    if (e.kind == RegEntry::kValue) values->push_back(e.value);
  return kRegOk;
}

long RegKeyPath(HKEY key, std::string* path) {
  KeyRef ref;
  if (long rc = Resolve(key, &ref); rc != kRegOk) return rc;
  if (path == nullptr) return kRegInvalidParameter;
  *path = RegRootName(ref.root);
  if (!ref.path.empty()) *path += "\\" + ref.path;
  return kRegOk;
}

}  // namespace platform
