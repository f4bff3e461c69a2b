// The contents of one `.reg` file in memory: sections in file order, each with its values
// and any lines that could not be understood, which travel with their section so that
// rewriting the file keeps them.
//
// All names and paths here are CP949; a section's path is relative to its root ("" is the
// root itself). The document owns everything in it; the functions below keep a store
// document in the shape the store relies on: one section per key, every ancestor of a key
// present as its own section, one entry per value name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "registry.h"

namespace platform {

struct RegEntry {
  enum Kind { kValue, kDeleteValue, kRaw };
  Kind kind = kValue;
  RegValue value;                 // kValue; kDeleteValue uses only the name
  std::vector<std::string> raw;   // kRaw: the physical lines as read, without line ends
  int line = 0;                   // first line number in the file, for messages
};

struct RegSection {
  // kOpaque: a header that could not be understood; it and its lines are kept unread.
  enum Kind { kKey, kDeleteKey, kOpaque };
  Kind kind = kKey;
  int root = -1;
  std::string path;
  std::string raw_header;  // kOpaque only
  std::vector<RegEntry> entries;
  int line = 0;
};

struct RegDocument {
  std::vector<std::string> preamble;  // lines not understood above the first section
  std::vector<RegSection> sections;
};

// Index of the section of key `path` under `root`, or -1.
int RegFindKey(const RegDocument& doc, int root, std::string_view path);
// A root exists even without a section.
bool RegKeyExists(const RegDocument& doc, int root, std::string_view path);
// Finds or creates the key and every missing ancestor; new sections go after the last
// section of the parent's subtree so the file stays in tree order.
int RegEnsureKey(RegDocument* doc, int root, std::string_view path, bool* created);
// Removes the key and everything below it; for the root, only its values and sub-keys.
// Returns false when the key does not exist.
bool RegRemoveTree(RegDocument* doc, int root, std::string_view path);
std::vector<std::string> RegChildKeys(const RegDocument& doc, int root, std::string_view path);

RegValue* RegFindValue(RegSection* section, std::string_view name);
void RegPutValue(RegSection* section, RegValue value);
bool RegRemoveValue(RegSection* section, std::string_view name);

// Brings a document read from a store file into shape: joins sections that name the same
// key (later values win, as an import would do) and adds missing ancestor sections.
void RegNormalize(RegDocument* doc, int root);

}  // namespace platform
