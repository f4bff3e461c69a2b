// Export of a key's subtree to a `.reg` file, and import (merge) of one into the store.
#include <cstdio>
#include <string>
#include <vector>

#include "reg_document.h"
#include "reg_file.h"
#include "reg_names.h"
#include "reg_store.h"
#include "registry.h"

namespace platform {
namespace {

constexpr size_t kQuotedLineLimit = 60;

// The offending line as it can safely be shown on a terminal.
std::string Shown(const std::string& line) {
  std::string shown;
  for (size_t i = 0; i < line.size() && i < kQuotedLineLimit; ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    shown.push_back(c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c));
  }
  if (line.size() > kQuotedLineLimit) shown += "...";
  return shown;
}

std::string Describe(const RegParseNote& note) {
  std::string text = "line " + std::to_string(note.line) + ": " + note.reason;
  if (!note.text.empty()) text += ": " + Shown(note.text);
  return text;
}

void Apply(const RegSection& s, RegDocument* doc) {
  if (s.kind == RegSection::kDeleteKey) {
    RegRemoveTree(doc, s.root, s.path);
    return;
  }
  bool created = false;
  int index = RegEnsureKey(doc, s.root, s.path, &created);
  RegSection* target = &doc->sections[index];
  for (const RegEntry& e : s.entries) {
    if (e.kind == RegEntry::kValue) RegPutValue(target, e.value);
    else if (e.kind == RegEntry::kDeleteValue) RegRemoveValue(target, e.value.name);
  }
}

}  // namespace

long RegExportKey(HKEY key, const char* file) {
  if (file == nullptr || *file == '\0') return kRegInvalidParameter;
  std::string path;
  if (long rc = RegKeyPath(key, &path); rc != kRegOk) return rc;
  size_t slash = path.find('\\');
  int root = RegRootFromName(path.substr(0, slash));
  std::string sub = slash == std::string::npos ? "" : path.substr(slash + 1);
  RegDocument doc;
  if (long rc = RegLoadRoot(root, &doc); rc != kRegOk) return rc;
  if (!RegKeyExists(doc, root, sub)) return kRegKeyDeleted;
  RegDocument out;
  for (const RegSection& s : doc.sections)
    if (s.kind == RegSection::kKey && s.root == root && RegPathWithin(s.path, sub))
      out.sections.push_back(s);
  if (out.sections.empty() || !RegNamesEqual(out.sections.front().path, sub)) {
    bool created = false;
    RegEnsureKey(&out, root, sub, &created);  // a root with no values of its own
  }
  std::string text;
  if (!RegFormatDocument(out, false, &text)) return kRegAccessDenied;
  return RegReplaceFile(file, text);
}

long RegImportFile(const char* file, int* skipped_lines, std::vector<std::string>* diagnostics) {
  if (skipped_lines != nullptr) *skipped_lines = 0;
  if (diagnostics != nullptr) diagnostics->clear();
  if (file == nullptr || *file == '\0') return kRegInvalidParameter;
  std::string bytes;
  if (long rc = RegReadWholeFile(file, &bytes); rc != kRegOk) return rc;

  std::vector<RegParseNote> notes;
  std::string text;
  RegDecodeFileBytes(bytes, &text, &notes);
  RegDocument doc;
  bool has_header = false;
  RegParseText(text, RegParseMode::kImport, -1, &doc, &notes, &has_header);
  if (diagnostics != nullptr) {
    if (!has_header)
      diagnostics->push_back("no \"" + std::string(kRegFileHeader) + "\" line; reading on");
    for (const RegParseNote& note : notes) diagnostics->push_back(Describe(note));
  }
  if (skipped_lines != nullptr) *skipped_lines = static_cast<int>(notes.size());

  for (int root = 0; root < kRegRootCount; ++root) {
    bool touched = false;
    for (const RegSection& s : doc.sections) touched = touched || s.root == root;
    if (!touched) continue;
    long rc = RegChangeRoot(root, [&](RegDocument* store, bool* changed) {
      for (const RegSection& s : doc.sections)
        if (s.root == root && s.kind != RegSection::kOpaque) Apply(s, store);
      *changed = true;
      return kRegOk;
    });
    if (rc != kRegOk) return rc;
  }
  return kRegOk;
}

}  // namespace platform
