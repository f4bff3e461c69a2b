// Reading and writing the `.reg` text format: the store's files, exports and imports.
//
// A file is UTF-8 (a UTF-8 byte-order mark is skipped, a UTF-16LE file with its mark FF FE
// is converted) starting with "Windows Registry Editor Version 5.00", then `[ROOT\KEY]`
// sections holding `"NAME"=...` lines (`@=` for the default value):
//   "text"          REG_SZ; `\\` and `\"` are the escapes. Read as the text's CP949 bytes
//                   plus one terminating NUL.
//   dword:0000000a  REG_DWORD, 8 lowercase hex digits when written.
//   hex:01,02       REG_BINARY; hex(N): any other type N. Long lists wrap with a trailing
//                   `\` onto an indented next line, as regedit writes them.
// In memory string data are the CP949 bytes a caller gave. A REG_SZ is written as "text" only
// when that form reads back to the same bytes: exactly one NUL, at the end, no line break,
// valid CP949. Any other REG_SZ (no terminator, say) is written as `hex(1):` with its raw
// bytes, and `hex(1):` reads back as those bytes. Bytes of every hex type are kept exactly as
// written, so a Windows export's UTF-16LE hex(2)/hex(7) data stays UTF-16LE.
//
// Lines that cannot be understood are kept, in place, as raw lines: above the first section
// in the preamble, else in their section. A header that cannot be understood starts an
// opaque section whose lines are all kept unread. Writing puts them all back unchanged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reg_document.h"

namespace platform {

constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";

// kStore: a store file of one root; deletions (`[-KEY]`, `"NAME"=-`) and other roots' sections
// are not understood there. kImport: any root, deletions understood, comments dropped.
enum class RegParseMode { kStore, kImport };

struct RegParseNote {
  int line = 0;
  std::string reason;
  std::string text;  // the line as read
};

// Turns file bytes into UTF-8 text. False when some UTF-16 lines could not be converted;
// those lines are then missing from `text` and listed in `notes`.
bool RegDecodeFileBytes(std::string_view bytes, std::string* text,
                        std::vector<RegParseNote>* notes);

// `root` is the store file's root in kStore mode, ignored in kImport mode. Every line that
// is not understood (comments aside) gets a note. `has_header` may be null.
void RegParseText(std::string_view text, RegParseMode mode, int root, RegDocument* doc,
                  std::vector<RegParseNote>* notes, bool* has_header);

// With `with_raw` false only keys and values are written (exports). False when a name held
// in the document is not CP949, which the store never lets in.
bool RegFormatDocument(const RegDocument& doc, bool with_raw, std::string* text);

}  // namespace platform
