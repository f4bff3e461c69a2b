// Reading and writing the `.reg` text: the value forms, damaged input, encodings.
#include "reg_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "reg_names.h"

namespace platform {
namespace {

const int kUser = RegRootIndex(HKEY_CURRENT_USER);

RegDocument Parse(const std::string& text, RegParseMode mode = RegParseMode::kStore,
                  std::vector<RegParseNote>* notes = nullptr) {
  RegDocument doc;
  RegParseText(text, mode, kUser, &doc, notes, nullptr);
  return doc;
}

std::string Format(const RegDocument& doc) {
  std::string text;
  EXPECT_TRUE(RegFormatDocument(doc, true, &text));
  return text;
}

const RegValue* Find(RegDocument& doc, const std::string& key, const std::string& name) {
  int index = RegFindKey(doc, kUser, key);
  return index < 0 ? nullptr : RegFindValue(&doc.sections[index], name);
}

TEST(RegFileTest, ReadsEveryValueForm) {
  RegDocument doc = Parse(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\K]\n"
      "@=\"default\"\n"
      "\"Path\"=\"C:\\\\dir\\\\\\\"q\\\"\"\n"
      "\"Hand\"=\"C:\\Windows\"\n"
      "\"Count\"=dword:0000000A\n"
      "\"Bin\"=hex:00,ff,7f\n"
      "\"Exp\"=hex(2):41,00\n"
      "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"
      "\"Raw\"=hex(1):41,42\n"
      "\"Empty\"=hex:\n");
  struct Case {
    std::string name;
    unsigned long type;
    std::string data;
  } cases[] = {
      {"", kRegSz, std::string("default\0", 8)},
      {"Path", kRegSz, std::string("C:\\dir\\\"q\"\0", 11)},
      {"Hand", kRegSz, std::string("C:\\Windows\0", 11)},  // a lone backslash is itself
      {"count", kRegDword, std::string("\x0a\0\0\0", 4)},
      {"Bin", kRegBinary, std::string("\x00\xff\x7f", 3)},
      {"Exp", kRegExpandSz, std::string("A\0", 2)},
      {"Q", kRegQword, std::string("\x01\0\0\0\0\0\0\0", 8)},
      {"Raw", kRegSz, "AB"},
      {"Empty", kRegBinary, ""},
  };
  for (const Case& c : cases) {
    const RegValue* v = Find(doc, "K", c.name);
    ASSERT_NE(v, nullptr) << c.name;
    EXPECT_EQ(v->type, c.type) << c.name;
    EXPECT_EQ(v->data, c.data) << c.name;
  }
}

TEST(RegFileTest, WritesStringsQuotedOnlyWhenTheyReadBackTheSame) {
  struct Case {
    std::string data;
    std::string line;
  } cases[] = {
      {std::string("plain\0", 6), "\"V\"=\"plain\""},
      {std::string("a\\b\"c\0", 6), "\"V\"=\"a\\\\b\\\"c\""},
      {std::string("\xBB\xF3\xB4\xE3\xBF\xF8\0", 7), "\"V\"=\"\xEC\x83\x81\xEB\x8B\xB4\xEC\x9B\x90\""},
      {std::string("", 1), "\"V\"=\"\""},
      {"AB", "\"V\"=hex(1):41,42"},                         // no terminator
      {std::string("A\0B\0", 4), "\"V\"=hex(1):41,00,42,00"},  // a NUL inside
      {std::string("A\nB\0", 4), "\"V\"=hex(1):41,0a,42,00"},  // would break the line
      {std::string("\xFF\xFE\0", 3), "\"V\"=hex(1):ff,fe,00"},  // not CP949
      {"", "\"V\"=hex(1):"},
  };
  for (const Case& c : cases) {
    RegDocument doc;
    bool created = false;
    RegSection& s = doc.sections[RegEnsureKey(&doc, kUser, "K", &created)];
    RegPutValue(&s, RegValue{"V", kRegSz, c.data});
    std::string text = Format(doc);
    EXPECT_NE(text.find("\n" + c.line + "\n"), std::string::npos) << text;
    RegDocument back = Parse(text);
    const RegValue* v = Find(back, "K", "V");
    ASSERT_NE(v, nullptr) << c.line;
    EXPECT_EQ(v->type, kRegSz);
    EXPECT_EQ(v->data, c.data) << c.line;
  }
}

TEST(RegFileTest, WrapsLongHexListsAndReadsThemBack) {
  RegDocument doc;
  bool created = false;
  RegSection& s = doc.sections[RegEnsureKey(&doc, kUser, "K", &created)];
  std::string data;
  for (int i = 0; i < 300; ++i) data.push_back(static_cast<char>(i));
  RegPutValue(&s, RegValue{"Blob", kRegBinary, data});
  RegPutValue(&s, RegValue{"Odd", 0x12345, "xyz"});
  std::string text = Format(doc);
  size_t start = 0;
  int lines = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
    start = end + 1;
    ++lines;
  }
  EXPECT_GT(lines, 10);
  EXPECT_NE(text.find("\"Odd\"=hex(12345):78,79,7a\n"), std::string::npos);
  RegDocument back = Parse(text);
  ASSERT_NE(Find(back, "K", "Blob"), nullptr);
  EXPECT_EQ(Find(back, "K", "Blob")->data, data);
  EXPECT_EQ(Find(back, "K", "Odd")->type, 0x12345u);
}

TEST(RegFileTest, ReadsRegeditWrappedHexWithCrlf) {
  RegDocument doc = Parse(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\K]\r\n"
      "\"M\"=hex(7):61,00,00,\\\r\n"
      "  62,00,00,\\\r\n"
      "  00\r\n"
      "\"After\"=dword:00000001\r\n");
  ASSERT_NE(Find(doc, "K", "M"), nullptr);
  EXPECT_EQ(Find(doc, "K", "M")->data, std::string("a\0\0b\0\0\0", 7));
  EXPECT_EQ(Find(doc, "K", "M")->type, kRegMultiSz);
  EXPECT_NE(Find(doc, "K", "After"), nullptr);
}

// Each damaged line must be kept and written back exactly, and must not spoil the good lines
// around it.
TEST(RegFileTest, KeepsLinesItCannotUnderstand) {
  const std::vector<std::string> damaged = {
      "garbage without quotes",
      "\"Unterminated=\"x\"",
      "\"V\"=\"unterminated",
      "\"V\"=\"x\" trailing",
      "\"V\"=dword:123456789",
      "\"V\"=dword:xyz",
      "\"V\"=hex:0g,01",
      "\"V\"=hex:001",
      "\"V\"=hex(zz):01",
      "\"V\"=hex:01,,02",
      "\"V\"=\"\xC3\x28\"",          // invalid UTF-8
      "\"\xF0\x9F\x98\x80\"=\"x\"",  // no CP949 form
      "\"V\"=-",                     // deletions mean nothing in a store file
      "\"V\"=str:abc",
      "; a comment",
      "\"V\" \"no equals\"",
      "\"V\"=hex:01,\\",             // wraps onto nothing
  };
  for (const std::string& bad : damaged) {
    std::string text =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n\"Before\"=\"1\"\n" +
        bad + "\n\"After\"=\"2\"\n";
    RegDocument doc = Parse(text);
    EXPECT_NE(Find(doc, "K", "Before"), nullptr) << bad;
    EXPECT_NE(Find(doc, "K", "After"), nullptr) << bad;
    EXPECT_EQ(Find(doc, "K", "V"), nullptr) << bad;
    std::string written = Format(doc);
    EXPECT_NE(written.find("\"Before\"=\"1\"\n" + bad + "\n\"After\"=\"2\"\n"), std::string::npos)
        << written;
  }
}

TEST(RegFileTest, KeepsSectionsItCannotUnderstandWithTheirLines) {
  const std::vector<std::string> headers = {
      "[HKEY_CURRENT_USER\\Broken",           // no closing bracket
      "[HKEY_LOCAL_MACHINE\\Other]",          // another root's file
      "[HKEY_NOWHERE\\X]",
      "[HKEY_CURRENT_USER\\A\\\\B]",          // empty component
      "[-HKEY_CURRENT_USER\\Gone]",
  };
  for (const std::string& header : headers) {
    std::string text = "Windows Registry Editor Version 5.00\n\n" + header +
                       "\n\"Lost\"=\"x\"\n\n[HKEY_CURRENT_USER\\K]\n\"Kept\"=\"y\"\n";
    RegDocument doc = Parse(text);
    RegNormalize(&doc, kUser);
    // The value under the broken header must not slip into any real key.
    for (RegSection& s : doc.sections) {
      if (s.kind == RegSection::kKey) {
        EXPECT_EQ(RegFindValue(&s, "Lost"), nullptr) << header;
      }
    }
    EXPECT_NE(Find(doc, "K", "Kept"), nullptr) << header;
    std::string written = Format(doc);
    EXPECT_NE(written.find(header + "\n\"Lost\"=\"x\"\n"), std::string::npos) << written;
  }
}

TEST(RegFileTest, KeepsLinesAboveTheFirstSectionAndAcceptsAMissingHeader) {
  std::string text = "note to self\n\"Orphan\"=\"x\"\n[HKEY_CURRENT_USER\\K]\n\"V\"=\"1\"\n";
  bool has_header = true;
  RegDocument doc;
  RegParseText(text, RegParseMode::kStore, kUser, &doc, nullptr, &has_header);
  EXPECT_FALSE(has_header);
  EXPECT_NE(Find(doc, "K", "V"), nullptr);
  std::string written = Format(doc);
  EXPECT_EQ(written.rfind("Windows Registry Editor Version 5.00\nnote to self\n\"Orphan\"=\"x\"\n", 0),
            0u)
      << written;
  // Writing again changes nothing more.
  EXPECT_EQ(Format(Parse(written)), written);
}

TEST(RegFileTest, DecodesByteOrderMarks) {
  std::string body = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\\xEC\x83\x81]\r\n"
                     "\"V\"=\"\xEB\x8B\xB4\"\r\n";
  std::string utf16 = "\xFF\xFE";
  for (size_t i = 0; i < body.size();) {
    // Only ASCII and 3-byte Hangul here: code points below U+FFFF.
    unsigned char c = static_cast<unsigned char>(body[i]);
    uint32_t cp = c;
    size_t len = 1;
    if (c >= 0xE0) {
      cp = ((c & 0x0F) << 12) | ((body[i + 1] & 0x3F) << 6) | (body[i + 2] & 0x3F);
      len = 3;
    }
    utf16.push_back(static_cast<char>(cp & 0xFF));
    utf16.push_back(static_cast<char>(cp >> 8));
    i += len;
  }
  for (const std::string& bytes : {"\xEF\xBB\xBF" + body, utf16}) {
    std::string text;
    EXPECT_TRUE(RegDecodeFileBytes(bytes, &text, nullptr));
    RegDocument doc = Parse(text);
    const RegValue* v = Find(doc, "\xBB\xF3", "V");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->data, std::string("\xB4\xE3\0", 3));
  }
}

TEST(RegFileTest, ReportsUtf16LinesThatCannotBeDecoded) {
  // Line 2 holds an unpaired surrogate; lines 1 and 3 are fine.
  std::string bytes("\xFF\xFE"
                    "A\0\n\0"
                    "\x00\xD8\n\0"
                    "B\0\n\0",
                    14);
  std::string text;
  std::vector<RegParseNote> notes;
  EXPECT_FALSE(RegDecodeFileBytes(bytes, &text, &notes));
  EXPECT_EQ(text, "A\n\nB\n");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].line, 2);
}

TEST(RegFileTest, ImportModeUnderstandsDeletionsAndNotesEachSkippedLine) {
  std::vector<RegParseNote> notes;
  RegDocument doc;
  RegParseText("Windows Registry Editor Version 5.00\n\n"
               "[-HKEY_CURRENT_USER\\Gone]\n"
               "\"Ignored\"=\"x\"\n"
               "[HKEY_LOCAL_MACHINE\\K]\n"
               "\"Old\"=-\n"
               "@=-\n"
               "; comments are not skipped lines\n"
               "bad line\n"
               "[-HKEY_CURRENT_USER]\n",
               RegParseMode::kImport, -1, &doc, &notes, nullptr);
  ASSERT_EQ(doc.sections.size(), 3u);
  EXPECT_EQ(doc.sections[0].kind, RegSection::kDeleteKey);
  EXPECT_EQ(doc.sections[0].path, "Gone");
  EXPECT_EQ(doc.sections[1].root, RegRootIndex(HKEY_LOCAL_MACHINE));
  ASSERT_EQ(doc.sections[1].entries.size(), 3u);
  EXPECT_EQ(doc.sections[1].entries[0].kind, RegEntry::kDeleteValue);
  EXPECT_EQ(doc.sections[1].entries[1].kind, RegEntry::kDeleteValue);
  EXPECT_EQ(doc.sections[1].entries[1].value.name, "");
  EXPECT_EQ(doc.sections[2].kind, RegSection::kOpaque);  // a root cannot be deleted
  std::vector<int> lines;
  for (const RegParseNote& n : notes) lines.push_back(n.line);
  EXPECT_EQ(lines, (std::vector<int>{4, 9, 10}));
}

TEST(RegFileTest, NormalizingJoinsRepeatedKeysAndAddsMissingParents) {
  RegDocument doc = Parse(
      "[HKEY_CURRENT_USER\\A\\B\\C]\n\"V\"=\"1\"\n"
      "[HKEY_CURRENT_USER\\a\\b\\c]\n\"V\"=\"2\"\n\"W\"=\"3\"\n");
  RegNormalize(&doc, kUser);
  std::vector<std::string> paths;
  for (const RegSection& s : doc.sections) paths.push_back(s.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"A", "A\\B", "A\\B\\C"}));
  EXPECT_EQ(Find(doc, "A\\B\\C", "v")->data, std::string("2\0", 2));
  EXPECT_EQ(Find(doc, "A\\B\\C", "V")->name, "V");
  EXPECT_NE(Find(doc, "A\\B\\C", "W"), nullptr);
}

// Damaged files of every shape: whatever the parser makes of them must survive writing and
// reading again unchanged, and (under the sanitizers) never read out of bounds.
TEST(RegFileTest, MangledFilesSurviveRewriting) {
  const std::string seed =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K\\\xEC\x83\x81]\r\n"
      "@=\"d\"\r\n\"S\"=\"a\\\\b\\\"c\"\r\n\"D\"=dword:0000000a\r\n\"H\"=hex:01,02,\\\r\n  03\r\n"
      "\"E\"=hex(2):41,00,00,00\r\n\r\n[HKEY_CURRENT_USER\\K\\Sub]\r\n\"X\"=hex(1):41\r\n";
  const char kAlphabet[] = "[]\\\"=@:,-;\r\n\t x0fhexdword(\x80\xEC\xFF";
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text = seed;
    int edits = 1 + static_cast<int>(next() % 6);
    for (int e = 0; e < edits; ++e) {
      size_t at = next() % (text.size() + 1);
      switch (next() % 3) {
        case 0: text.insert(at, 1, kAlphabet[next() % (sizeof kAlphabet - 1)]); break;
        case 1: if (at < text.size()) text.erase(at, 1 + next() % 4); break;
        default: text = text.substr(0, at); break;
      }
    }
    RegDocument doc = Parse(text);
    RegNormalize(&doc, kUser);
    std::string once = Format(doc);
    RegDocument again = Parse(once);
    RegNormalize(&again, kUser);
    ASSERT_EQ(Format(again), once) << "round " << round << " input:\n" << text;
  }
}

}  // namespace
}  // namespace platform
