#include "reg_document.h"

#include <utility>

#include "reg_names.h"

namespace platform {
namespace {

bool IsKeyOf(const RegSection& s, int root) { return s.kind == RegSection::kKey && s.root == root; }

// Index after which a new child of `parent` goes: the last section at or below the parent.
size_t InsertionPoint(const RegDocument& doc, int root, std::string_view parent) {
  size_t after = 0;
  bool found = false;
  for (size_t i = 0; i < doc.sections.size(); ++i) {
    const RegSection& s = doc.sections[i];
    if (!IsKeyOf(s, root) || !RegPathWithin(s.path, parent)) continue;
    after = i + 1;
    found = true;
  }
  return found ? after : doc.sections.size();
}

RegSection NewSection(int root, std::string_view path) {
  RegSection section;
  section.kind = RegSection::kKey;
  section.root = root;
  section.path.assign(path);
  return section;
}

}  // namespace

int RegFindKey(const RegDocument& doc, int root, std::string_view path) {
  for (size_t i = 0; i < doc.sections.size(); ++i) {
    const RegSection& s = doc.sections[i];
    if (IsKeyOf(s, root) && RegNamesEqual(s.path, path)) return static_cast<int>(i);
  }
  return -1;
}

bool RegKeyExists(const RegDocument& doc, int root, std::string_view path) {
  return path.empty() || RegFindKey(doc, root, path) >= 0;
}

int RegEnsureKey(RegDocument* doc, int root, std::string_view path, bool* created) {
  *created = false;
  int found = RegFindKey(*doc, root, path);
  if (found >= 0) return found;
  if (path.empty()) {
    // The root's own section, needed only once it holds values, heads the file.
    doc->sections.insert(doc->sections.begin(), NewSection(root, path));
    *created = true;
    return 0;
  }
  std::string_view parent = RegParentPath(path);
  std::string stored_parent;
  if (!parent.empty()) {
    bool parent_created = false;
    // The new key goes under its parent as the parent is spelled, whatever the caller typed.
    stored_parent = doc->sections[RegEnsureKey(doc, root, parent, &parent_created)].path;
  }
  std::string_view leaf = path.substr(parent.empty() ? 0 : parent.size() + 1);
  size_t at = InsertionPoint(*doc, root, parent);
  doc->sections.insert(doc->sections.begin() + static_cast<std::ptrdiff_t>(at),
                       NewSection(root, RegJoinPath(stored_parent, leaf)));
  *created = true;
  return static_cast<int>(at);
}

bool RegRemoveTree(RegDocument* doc, int root, std::string_view path) {
  if (!RegKeyExists(*doc, root, path)) return false;
  std::string key(path);  // `path` may point into a section about to go
  std::vector<RegSection> kept;
  kept.reserve(doc->sections.size());
  for (RegSection& s : doc->sections) {
    if (IsKeyOf(s, root) && RegPathWithin(s.path, key)) {
      if (!key.empty() || !s.path.empty()) continue;
      s.entries.clear();  // the root stays, emptied
    }
    kept.push_back(std::move(s));
  }
  doc->sections = std::move(kept);
  return true;
}

std::vector<std::string> RegChildKeys(const RegDocument& doc, int root, std::string_view path) {
  std::vector<std::string> names;
  for (const RegSection& s : doc.sections) {
    if (!IsKeyOf(s, root) || s.path.empty() || !RegNamesEqual(RegParentPath(s.path), path))
      continue;
    size_t slash = s.path.rfind('\\');
    names.push_back(slash == std::string::npos ? s.path : s.path.substr(slash + 1));
  }
  return names;
}

RegValue* RegFindValue(RegSection* section, std::string_view name) {
  for (RegEntry& e : section->entries)
    if (e.kind == RegEntry::kValue && RegNamesEqual(e.value.name, name)) return &e.value;
  return nullptr;
}

void RegPutValue(RegSection* section, RegValue value) {
  if (RegValue* existing = RegFindValue(section, value.name)) {
    // The name keeps the case it was created with.
    existing->type = value.type;
    existing->data = std::move(value.data);
    return;
  }
  RegEntry entry;
  entry.kind = RegEntry::kValue;
  entry.value = std::move(value);
  section->entries.push_back(std::move(entry));
}

bool RegRemoveValue(RegSection* section, std::string_view name) {
  for (auto it = section->entries.begin(); it != section->entries.end(); ++it) {
    if (it->kind == RegEntry::kValue && RegNamesEqual(it->value.name, name)) {
      section->entries.erase(it);
      return true;
    }
  }
  return false;
}

void RegNormalize(RegDocument* doc, int root) {
  std::vector<RegSection> merged;
  merged.reserve(doc->sections.size());
  for (RegSection& s : doc->sections) {
    RegSection* first = nullptr;
    if (IsKeyOf(s, root))
      for (RegSection& m : merged)
        if (IsKeyOf(m, root) && RegNamesEqual(m.path, s.path)) {
          first = &m;
          break;
        }
    if (first == nullptr) {
      // Values named twice in one section: the later line wins.
      RegSection clean = s;
      clean.entries.clear();
      for (RegEntry& e : s.entries) {
        if (e.kind == RegEntry::kValue && RegFindValue(&clean, e.value.name) != nullptr)
          RegPutValue(&clean, std::move(e.value));
        else
          clean.entries.push_back(std::move(e));
      }
      merged.push_back(std::move(clean));
      continue;
    }
    for (RegEntry& e : s.entries) {
      if (e.kind == RegEntry::kValue)
        RegPutValue(first, std::move(e.value));
      else
        first->entries.push_back(std::move(e));
    }
  }
  doc->sections = std::move(merged);

  // A hand-written file may name `A\B` without `A`; the store keeps every key as a section.
  // The missing parent goes just above its first child, and is itself checked next.
  size_t i = 0;
  while (i < doc->sections.size()) {
    const RegSection& s = doc->sections[i];
    std::string parent(RegParentPath(s.path));
    if (!IsKeyOf(s, root) || parent.empty() || RegFindKey(*doc, root, parent) >= 0) {
      ++i;
      continue;
    }
    doc->sections.insert(doc->sections.begin() + static_cast<std::ptrdiff_t>(i),
                         NewSection(root, parent));
  }
}

}  // namespace platform
