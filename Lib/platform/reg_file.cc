#include "reg_file.h"

#include <cstdio>
#include <utility>

#include "codepage.h"
#include "reg_names.h"

namespace platform {
namespace {

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr size_t kHexWrapColumn = 77;  // regedit keeps wrapped hex lines within 80 columns

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && RegNamesEqual(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses 1..8 hex digits making up all of `s`.
bool ParseHexNumber(std::string_view s, unsigned long* out) {
  if (s.empty() || s.size() > 8) return false;
  unsigned long v = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return false;
    v = (v << 4) | static_cast<unsigned long>(d);
  }
  *out = v;
  return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    // Every trailing CR goes: one would otherwise survive each rewrite as line content.
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// Reads a quoted string starting at s[*pos] == '"'; leaves *pos after the closing quote.
// Only `\\` and `\"` are escapes; any other backslash stands for itself, as people type
// paths by hand.
bool ParseQuoted(std::string_view s, size_t* pos, std::string* out) {
  out->clear();
  size_t i = *pos + 1;
  while (i < s.size()) {
    char c = s[i];
    if (c == '"') {
      *pos = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out->push_back(s[i + 1]);
      i += 2;
      continue;
    }
    out->push_back(c);
    ++i;
  }
  return false;
}

bool ParseHexBytes(std::string_view list, std::string* out) {
  out->clear();
  list = Trim(list);
  if (list.empty()) return true;
  size_t start = 0;
  while (true) {
    size_t comma = list.find(',', start);
    std::string_view item =
        Trim(list.substr(start, comma == std::string_view::npos ? list.npos : comma - start));
    if (item.empty() || item.size() > 2) return false;
    unsigned long byte = 0;
    if (!ParseHexNumber(item, &byte)) return false;
    out->push_back(static_cast<char>(byte));
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

// A line that can carry on a wrapped hex list: digits, commas, blanks, the final '\'.
bool IsHexContinuation(std::string_view line) {
  line = Trim(line);
  if (line.empty()) return false;
  for (char c : line)
    if (HexDigit(c) < 0 && c != ',' && c != '\\' && !IsSpace(c)) return false;
  return true;
}

bool EndsWithBackslash(std::string_view line) {
  line = Trim(line);
  return !line.empty() && line.back() == '\\';
}

class Parser {
 public:
  Parser(RegParseMode mode, int root, RegDocument* doc, std::vector<RegParseNote>* notes)
      : mode_(mode), root_(root), doc_(doc), notes_(notes) {}

  bool Run(std::string_view text) {
    lines_ = SplitLines(text);
    bool has_header = false;
    for (size_t i = 0; i < lines_.size();) {
      std::string_view t = Trim(lines_[i]);
      if (t.empty()) {
        ++i;
      } else if (current_ == nullptr && (t == kRegFileHeader || t == kRegedit4Header)) {
        has_header = true;
        ++i;
      } else if (lines_[i].find('\0') != std::string_view::npos) {
        KeepRaw(i, 1, "the line holds a NUL byte");
        ++i;
      } else if (t.front() == '[') {
        StartSection(i, t);
        ++i;
      } else if (t.front() == ';') {
        if (mode_ == RegParseMode::kStore) KeepRaw(i, 1, nullptr);
        ++i;
      } else {
        i += ValueLine(i);
      }
    }
    return has_header;
  }

 private:
  void Note(size_t index, const char* reason) {
    if (notes_ == nullptr || reason == nullptr) return;
    RegParseNote note;
    note.line = static_cast<int>(index) + 1;
    note.reason = reason;
    note.text.assign(lines_[index]);
    notes_->push_back(std::move(note));
  }

  void KeepRaw(size_t index, size_t count, const char* reason) {
    Note(index, reason);
    if (current_ == nullptr) {
      for (size_t k = 0; k < count; ++k) doc_->preamble.emplace_back(lines_[index + k]);
      return;
    }
    RegEntry entry;
    entry.kind = RegEntry::kRaw;
    entry.line = static_cast<int>(index) + 1;
    for (size_t k = 0; k < count; ++k) entry.raw.emplace_back(lines_[index + k]);
    current_->entries.push_back(std::move(entry));
  }

  void OpenSection(RegSection section) {
    doc_->sections.push_back(std::move(section));
    current_ = &doc_->sections.back();
  }

  void Opaque(size_t index, const char* reason) {
    Note(index, reason);
    RegSection section;
    section.kind = RegSection::kOpaque;
    section.raw_header.assign(lines_[index]);
    section.line = static_cast<int>(index) + 1;
    OpenSection(std::move(section));
  }

  void StartSection(size_t index, std::string_view t) {
    if (t.size() < 2 || t.back() != ']') return Opaque(index, "the key line has no closing ']'");
    std::string_view inner = t.substr(1, t.size() - 2);
    bool deletion = !inner.empty() && inner.front() == '-';
    if (deletion) {
      if (mode_ == RegParseMode::kStore)
        return Opaque(index, "a key deletion has no place in a store file");
      inner.remove_prefix(1);
    }
    size_t slash = inner.find('\\');
    int root = RegRootFromName(inner.substr(0, slash));
    if (root < 0) return Opaque(index, "unknown root key");
    if (mode_ == RegParseMode::kStore && root != root_)
      return Opaque(index, "the key belongs to another root");
    std::string utf8_path(slash == std::string_view::npos ? "" : inner.substr(slash + 1));
    std::string cp949_path, path;
    if (!Utf8ToCp949(utf8_path, &cp949_path))
      return Opaque(index, "the key name is not valid UTF-8 or has no CP949 form");
    if (RegCheckKeyPath(cp949_path, &path) != kRegOk)
      return Opaque(index, "invalid key path");
    if (deletion && path.empty()) return Opaque(index, "a root key cannot be deleted");
    RegSection section;
    section.kind = deletion ? RegSection::kDeleteKey : RegSection::kKey;
    section.root = root;
    section.path = std::move(path);
    section.line = static_cast<int>(index) + 1;
    OpenSection(std::move(section));
  }

  // Handles the value line at `index` and the lines it wraps onto; returns how many lines
  // it used.
  size_t ValueLine(size_t index) {
    size_t used = 1;
    std::string logical(Trim(lines_[index]));
    const char* reason = nullptr;
    while (EndsWithBackslash(logical)) {
      if (index + used >= lines_.size() || !IsHexContinuation(lines_[index + used])) {
        reason = "a wrapped hex list breaks off";
        break;
      }
      logical = std::string(Trim(logical));
      logical.pop_back();
      logical.append(Trim(lines_[index + used]));
      ++used;
    }
    if (reason == nullptr) reason = ParseValue(logical, static_cast<int>(index) + 1);
    if (reason != nullptr) KeepRaw(index, used, reason);
    return used;
  }

  // Returns null when the line was taken in, else why it was not.
  const char* ParseValue(std::string_view t, int line) {
    if (current_ == nullptr) return "value line above the first key";
    if (current_->kind != RegSection::kKey) return "the line is under a key line that was skipped";
    std::string utf8_name;
    size_t pos = 0;
    if (t.front() == '@') {
      pos = 1;
    } else if (t.front() == '"') {
      if (!ParseQuoted(t, &pos, &utf8_name)) return "unterminated quote in the value name";
    } else {
      return "not a key or value line";
    }
    while (pos < t.size() && IsSpace(t[pos])) ++pos;
    if (pos >= t.size() || t[pos] != '=') return "no '=' after the value name";

    RegEntry entry;
    entry.line = line;
    if (!Utf8ToCp949(utf8_name, &entry.value.name) ||
        RegCheckValueName(entry.value.name) != kRegOk)
      return "the value name is not valid UTF-8 or has no CP949 form";
    const char* reason = ParseData(Trim(t.substr(pos + 1)), &entry);
    if (reason != nullptr) return reason;
    current_->entries.push_back(std::move(entry));
    return nullptr;
  }

  const char* ParseData(std::string_view data, RegEntry* entry) {
    RegValue& v = entry->value;
    if (data == "-") {
      if (mode_ == RegParseMode::kStore) return "a value deletion has no place in a store file";
      entry->kind = RegEntry::kDeleteValue;
      return nullptr;
    }
    entry->kind = RegEntry::kValue;
    if (!data.empty() && data.front() == '"') {
      size_t pos = 0;
      std::string utf8;
      if (!ParseQuoted(data, &pos, &utf8)) return "unterminated quote in the data";
      if (pos != data.size()) return "text after the closing quote";
      if (!Utf8ToCp949(utf8, &v.data)) return "the text is not valid UTF-8 or has no CP949 form";
      v.data.push_back('\0');
      v.type = kRegSz;
      return nullptr;
    }
    if (StartsWithNoCase(data, "dword:")) {
      unsigned long n = 0;
      if (!ParseHexNumber(data.substr(6), &n)) return "bad dword: needs 1 to 8 hex digits";
      v.type = kRegDword;
      v.data.clear();
      for (int k = 0; k < 4; ++k) v.data.push_back(static_cast<char>((n >> (8 * k)) & 0xFF));
      return nullptr;
    }
    if (StartsWithNoCase(data, "hex")) {
      std::string_view rest = data.substr(3);
      v.type = kRegBinary;
      if (!rest.empty() && rest.front() == '(') {
        size_t close = rest.find(')');
        if (close == std::string_view::npos || !ParseHexNumber(rest.substr(1, close - 1), &v.type))
          return "bad type in hex(...)";
        rest.remove_prefix(close + 1);
      }
      if (rest.empty() || rest.front() != ':') return "no ':' after hex";
      if (!ParseHexBytes(rest.substr(1), &v.data)) return "bad hex bytes";
      return nullptr;
    }
    return "unknown data form";
  }

  RegParseMode mode_;
  int root_;
  RegDocument* doc_;
  std::vector<RegParseNote>* notes_;
  std::vector<std::string_view> lines_;
  RegSection* current_ = nullptr;
};

// --- writing --------------------------------------------------------------------------------

void AppendQuoted(std::string_view utf8, std::string* out) {
  out->push_back('"');
  for (char c : utf8) {
    if (c == '\\' || c == '"') out->push_back('\\');
    out->push_back(c);
  }
  out->push_back('"');
}

// The "text" form reads back as exactly these bytes only in this case.
bool FitsQuotedForm(const std::string& data, std::string* utf8) {
  if (data.empty() || data.back() != '\0') return false;
  std::string_view text(data.data(), data.size() - 1);
  if (text.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos) return false;
  return Cp949ToUtf8(text, utf8);
}

void AppendHex(std::string_view prefix, const std::string& data, std::string* out) {
  out->append(prefix);
  size_t column = out->size() - (out->rfind('\n') + 1);
  char buf[4];
  for (size_t i = 0; i < data.size(); ++i) {
    if (i > 0) {
      out->push_back(',');
      ++column;
      if (column + 3 > kHexWrapColumn) {
        out->append("\\\n  ");
        column = 2;
      }
    }
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(data[i]));
    out->append(buf, 2);
    column += 2;
  }
}

bool AppendValue(const RegValue& v, std::string* out) {
  std::string utf8;
  if (v.name.empty()) {
    out->push_back('@');
  } else {
    if (!Cp949ToUtf8(v.name, &utf8)) return false;
    AppendQuoted(utf8, out);
  }
  out->push_back('=');
  char buf[32];
  if (v.type == kRegSz && FitsQuotedForm(v.data, &utf8)) {
    AppendQuoted(utf8, out);
  } else if (v.type == kRegDword && v.data.size() == 4) {
    unsigned long n = 0;
    for (int k = 3; k >= 0; --k) n = (n << 8) | static_cast<unsigned char>(v.data[k]);
    std::snprintf(buf, sizeof buf, "dword:%08lx", n);
    out->append(buf);
  } else if (v.type == kRegBinary) {
    AppendHex("hex:", v.data, out);
  } else {
    std::snprintf(buf, sizeof buf, "hex(%lx):", v.type);
    AppendHex(buf, v.data, out);
  }
  out->push_back('\n');
  return true;
}

bool AppendHeader(const RegSection& s, std::string* out) {
  if (s.kind == RegSection::kOpaque) {
    out->append(s.raw_header);
    out->push_back('\n');
    return true;
  }
  std::string utf8;
  if (!Cp949ToUtf8(s.path, &utf8)) return false;
  out->append(s.kind == RegSection::kDeleteKey ? "[-" : "[");
  out->append(RegRootName(s.root));
  if (!utf8.empty()) {
    out->push_back('\\');
    out->append(utf8);
  }
  out->append("]\n");
  return true;
}

}  // namespace

bool RegDecodeFileBytes(std::string_view bytes, std::string* text,
                        std::vector<RegParseNote>* notes) {
  text->clear();
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    text->assign(bytes.substr(3));
    return true;
  }
  if (bytes.size() < 2 || bytes.substr(0, 2) != "\xFF\xFE") {
    text->assign(bytes);
    return true;
  }
  bytes.remove_prefix(2);
  if (Utf16LeBytesToUtf8(bytes, text)) return true;
  // Convert line by line so one bad line does not cost the rest.
  bool complete = true;
  int line = 1;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = start;
    while (end + 1 < bytes.size() && !(bytes[end] == '\n' && bytes[end + 1] == '\0')) end += 2;
    size_t stop = end + 1 < bytes.size() ? end + 2 : bytes.size();
    std::string piece;
    if (Utf16LeBytesToUtf8(bytes.substr(start, stop - start), &piece)) {
      text->append(piece);
    } else {
      complete = false;
      if (notes != nullptr) notes->push_back({line, "not valid UTF-16 text", ""});
      text->push_back('\n');  // keeps the numbering of the lines that follow
    }
    ++line;
    start = stop;
  }
  return complete;
}

void RegParseText(std::string_view text, RegParseMode mode, int root, RegDocument* doc,
                  std::vector<RegParseNote>* notes, bool* has_header) {
  Parser parser(mode, root, doc, notes);
  bool header = parser.Run(text);
  if (has_header != nullptr) *has_header = header;
}

bool RegFormatDocument(const RegDocument& doc, bool with_raw, std::string* text) {
  std::string out(kRegFileHeader);
  out.push_back('\n');
  if (with_raw)
    for (const std::string& line : doc.preamble) out.append(line).push_back('\n');
  out.push_back('\n');
  for (const RegSection& s : doc.sections) {
    if (s.kind == RegSection::kOpaque && !with_raw) continue;
    if (!AppendHeader(s, &out)) return false;
    for (const RegEntry& e : s.entries) {
      if (e.kind == RegEntry::kValue) {
        if (!AppendValue(e.value, &out)) return false;
      } else if (e.kind == RegEntry::kDeleteValue) {
        std::string utf8;
        if (!Cp949ToUtf8(e.value.name, &utf8)) return false;
        if (e.value.name.empty()) out.push_back('@');
        else AppendQuoted(utf8, &out);
        out.append("=-\n");
      } else if (with_raw) {
        for (const std::string& line : e.raw) out.append(line).push_back('\n');
      }
    }
    out.push_back('\n');
  }
  *text = std::move(out);
  return true;
}

}  // namespace platform
