// The store's files on disk: where they live, how they are locked, read and replaced.
//
// Each root has its file and a lock file beside it (HKEY_CURRENT_USER.reg and
// HKEY_CURRENT_USER.reg.lock). The lock is a separate file because every write renames a
// new file over the old one, and a lock on the old inode would not be seen by the next
// writer. Readers take it shared, writers exclusive, across threads and processes alike.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "reg_document.h"

namespace platform {

std::string RegRootFilePath(int root);

// Reads a whole file: kRegOk, kRegNotFound when it is missing, kRegAccessDenied otherwise.
long RegReadWholeFile(const std::string& path, std::string* bytes);
// Replaces `path` with `text`: a temporary file in the same directory, synced, renamed over.
long RegReplaceFile(const std::string& path, std::string_view text);

// The current contents of a root's file, normalised; a missing file is an empty store.
long RegLoadRoot(int root, RegDocument* doc);

// One change to a root's file: under the exclusive lock the file is read afresh and handed
// to `change`; when that returns kRegOk and sets *changed, the document is written back.
// A file that cannot be read back whole (undecodable UTF-16 lines) is never rewritten.
using RegChange = std::function<long(RegDocument* doc, bool* changed)>;
long RegChangeRoot(int root, const RegChange& change);

}  // namespace platform
