// The registry calls against real files in a scratch registry directory.
#include "registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "reg_test_dir.h"

namespace platform {
namespace {

const char kUserFile[] = "HKEY_CURRENT_USER.reg";
const std::string kAgent = "\xBB\xF3\xB4\xE3\xBF\xF8";  // "상담원" in CP949
const std::string kAgentUtf8 = "\xEC\x83\x81\xEB\x8B\xB4\xEC\x9B\x90";

// Closes the handle when the test is done with it.
class Key {
 public:
  explicit Key(HKEY parent, const char* sub, bool create = true) {
    rc_ = create ? RegCreateKey(parent, sub, &key_, &disposition_) : RegOpenKey(parent, sub, &key_);
  }
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return key_; }
  long rc() const { return rc_; }
  unsigned long disposition() const { return disposition_; }

 private:
  HKEY key_ = nullptr;
  long rc_ = -1;
  unsigned long disposition_ = 0;
};

long Set(HKEY key, const char* name, const std::string& data, unsigned long type = kRegSz) {
  return RegSetValue(key, name, type, data.data(), static_cast<unsigned long>(data.size()));
}

// The value's bytes, or "<rc N>" when the query fails.
std::string Get(HKEY key, const char* name, unsigned long* type = nullptr) {
  char buf[4096];
  unsigned long size = sizeof buf;
  long rc = RegQueryValue(key, name, type, buf, &size);
  if (rc != kRegOk) return "<rc " + std::to_string(rc) + ">";
  return std::string(buf, size);
}

std::string Sz(const std::string& text) { return text + '\0'; }

class RegistryTest : public RegTestDir {};

TEST_F(RegistryTest, CreatesOpensAndReportsTheDisposition) {
  {
    Key created(HKEY_CURRENT_USER, "SOFTWARE\\VX260\\MANAGER");
    ASSERT_EQ(created.rc(), kRegOk);
    EXPECT_EQ(created.disposition(), kRegCreatedNewKey);
  }
  Key again(HKEY_CURRENT_USER, "software\\vx260\\manager");
  EXPECT_EQ(again.rc(), kRegOk);
  EXPECT_EQ(again.disposition(), kRegOpenedExistingKey);
  Key opened(HKEY_CURRENT_USER, "SOFTWARE\\VX260", false);
  EXPECT_EQ(opened.rc(), kRegOk);
  Key missing(HKEY_CURRENT_USER, "SOFTWARE\\Nope", false);
  EXPECT_EQ(missing.rc(), kRegNotFound);
  EXPECT_EQ(missing.get(), nullptr);
  Key other_root(HKEY_LOCAL_MACHINE, "SOFTWARE\\VX260", false);
  EXPECT_EQ(other_root.rc(), kRegNotFound);
}

TEST_F(RegistryTest, CreatingADeepKeyWritesEveryAncestorAsASection) {
  Key key(HKEY_CURRENT_USER, "A\\B\\C");
  ASSERT_EQ(key.rc(), kRegOk);
  EXPECT_EQ(ReadFile(kUserFile),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\A]\n\n"
            "[HKEY_CURRENT_USER\\A\\B]\n\n"
            "[HKEY_CURRENT_USER\\A\\B\\C]\n\n");
  // A sibling created later stays next to its parent's subtree, not at the end of the file.
  Key other(HKEY_CURRENT_USER, "Z");
  Key sibling(HKEY_CURRENT_USER, "A\\B2");
  std::string file = ReadFile(kUserFile);
  EXPECT_LT(file.find("[HKEY_CURRENT_USER\\A\\B2]"), file.find("[HKEY_CURRENT_USER\\Z]"));
}

TEST_F(RegistryTest, RejectsBadPathsAndArguments) {
  struct Case {
    const char* sub;
    long rc;
  } cases[] = {
      {"\\Leading", kRegBadPathname},
      {"A\\\\B", kRegBadPathname},
      {"A\\B\\\\", kRegBadPathname},
      {"\xFF\xFE", kRegInvalidParameter},
  };
  for (const Case& c : cases) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, c.sub, &key, nullptr), c.rc) << c.sub;
    EXPECT_EQ(key, nullptr) << c.sub;
  }
  std::string long_name(256, 'n');
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, long_name.c_str(), &key, nullptr), kRegInvalidParameter);
  EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, "A", nullptr, nullptr), kRegInvalidParameter);
  {
    Key trailing(HKEY_CURRENT_USER, "A\\B\\");
    ASSERT_EQ(trailing.rc(), kRegOk);
    std::string path;
    ASSERT_EQ(RegKeyPath(trailing.get(), &path), kRegOk);
    EXPECT_EQ(path, "HKEY_CURRENT_USER\\A\\B");
    EXPECT_EQ(Set(trailing.get(), "\xFF\xFE", Sz("x")), kRegInvalidParameter);
    EXPECT_EQ(RegSetValue(trailing.get(), "V", kRegSz, nullptr, 4), kRegInvalidParameter);
  }
  // Nothing of the failed calls reached the file.
  EXPECT_EQ(ReadFile(kUserFile).find("Leading"), std::string::npos);
}

TEST_F(RegistryTest, NamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
  {
    Key key(HKEY_LOCAL_MACHINE, "SoftWare\\KavlonClient");
    ASSERT_EQ(Set(key.get(), "Agent_ID", Sz("1001")), kRegOk);
  }
  Key key(HKEY_LOCAL_MACHINE, "SOFTWARE\\KAVLONCLIENT", false);
  ASSERT_EQ(key.rc(), kRegOk);
  std::string path;
  RegKeyPath(key.get(), &path);
  EXPECT_EQ(path, "HKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient");
  EXPECT_EQ(Get(key.get(), "agent_id"), Sz("1001"));
  ASSERT_EQ(Set(key.get(), "AGENT_ID", Sz("1002")), kRegOk);
  std::vector<RegValue> values;
  ASSERT_EQ(RegEnumValues(key.get(), &values), kRegOk);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "Agent_ID");
  EXPECT_EQ(values[0].data, Sz("1002"));
  // A new key below keeps its ancestors' spelling; only its own name is the caller's.
  Key sub(HKEY_LOCAL_MACHINE, "software\\kavlonclient\\NewSub");
  RegKeyPath(sub.get(), &path);
  EXPECT_EQ(path, "HKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\\NewSub");
  EXPECT_NE(ReadFile("HKEY_LOCAL_MACHINE.reg").find("[HKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\\NewSub]"),
            std::string::npos);
}

TEST_F(RegistryTest, DoubleByteNamesDifferingOnlyInTheirSecondByteStayApart) {
  Key key(HKEY_CURRENT_USER, "K");
  ASSERT_EQ(Set(key.get(), "\x81\x41", Sz("first")), kRegOk);
  ASSERT_EQ(Set(key.get(), "\x81\x61", Sz("second")), kRegOk);
  EXPECT_EQ(Get(key.get(), "\x81\x41"), Sz("first"));
  EXPECT_EQ(Get(key.get(), "\x81\x61"), Sz("second"));
  Key a(HKEY_CURRENT_USER, "K\\\x81\x41");
  Key b(HKEY_CURRENT_USER, "K\\\x81\x61");
  EXPECT_EQ(b.disposition(), kRegCreatedNewKey);
}

TEST_F(RegistryTest, QueryFollowsTheSizeProtocol) {
  Key key(HKEY_CURRENT_USER, "K");
  ASSERT_EQ(Set(key.get(), "V", Sz("ab")), kRegOk);
  unsigned long type = 99, size = 0;
  EXPECT_EQ(RegQueryValue(key.get(), "V", &type, nullptr, &size), kRegOk);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 3u);

  char buf[8] = "zzzzzzz";
  size = 2;
  EXPECT_EQ(RegQueryValue(key.get(), "V", nullptr, buf, &size), kRegMoreData);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::string(buf), "zzzzzzz");  // a short buffer is not written

  size = sizeof buf;
  EXPECT_EQ(RegQueryValue(key.get(), "V", nullptr, buf, &size), kRegOk);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::string(buf, 4), std::string("ab\0z", 4));

  EXPECT_EQ(RegQueryValue(key.get(), "V", nullptr, buf, nullptr), kRegInvalidParameter);
  EXPECT_EQ(RegQueryValue(key.get(), "Missing", &type, buf, &size), kRegNotFound);
  EXPECT_EQ(RegQueryValue(key.get(), nullptr, &type, nullptr, &size), kRegNotFound);
  ASSERT_EQ(Set(key.get(), nullptr, Sz("dflt")), kRegOk);
  EXPECT_EQ(Get(key.get(), ""), Sz("dflt"));
}

TEST_F(RegistryTest, EveryTypeAndShapeOfDataSurvivesTheFile) {
  std::string two_hundred(200, 'x');  // a text stored without its terminator
  std::string blob;
  for (int i = 0; i < 600; ++i) blob.push_back(static_cast<char>(i * 7));
  struct Case {
    const char* name;
    unsigned long type;
    std::string data;
  } cases[] = {
      {"Korean", kRegSz, Sz(kAgent)},
      {"Unterminated", kRegSz, two_hundred},
      {"InnerNul", kRegSz, std::string("a\0b\0", 4)},
      {"Newline", kRegSz, Sz("line1\r\nline2")},
      {"NotCp949", kRegSz, Sz("\xFF\xFF")},
      {"Empty", kRegSz, ""},
      {"Quotes", kRegSz, Sz("say \"hi\" \\ bye")},
      {"Dword", kRegDword, std::string("\x0a\0\0\0", 4)},
      {"ShortDword", kRegDword, std::string("\x01\x02", 2)},
      {"Blob", kRegBinary, blob},
      {"Expand", kRegExpandSz, Sz("%TEMP%")},
      {"Multi", kRegMultiSz, std::string("a\0b\0\0", 5)},
      {"Qword", kRegQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {"None", kRegNone, ""},
      {"Strange", 0x12345678, "zz"},
  };
  {
    Key key(HKEY_CURRENT_USER, "Types");
    for (const Case& c : cases) ASSERT_EQ(Set(key.get(), c.name, c.data, c.type), kRegOk) << c.name;
  }
  Key key(HKEY_CURRENT_USER, "Types", false);
  for (const Case& c : cases) {
    unsigned long type = 0;
    EXPECT_EQ(Get(key.get(), c.name, &type), c.data) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
  }
  std::string file = ReadFile(kUserFile);
  EXPECT_NE(file.find("\"Korean\"=\"" + kAgentUtf8 + "\"\n"), std::string::npos);
  EXPECT_NE(file.find("\"Dword\"=dword:0000000a\n"), std::string::npos);
  EXPECT_NE(file.find("\"Unterminated\"=hex(1):78,78,"), std::string::npos);
  EXPECT_NE(file.find("\"Quotes\"=\"say \\\"hi\\\" \\\\ bye\"\n"), std::string::npos);
}

TEST_F(RegistryTest, ClosedUnknownAndNullHandlesAreRefused) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, "K", &key, nullptr), kRegOk);
  ASSERT_EQ(RegCloseKey(key), kRegOk);
  RegistryKeyObject* made_up = reinterpret_cast<RegistryKeyObject*>(&key);
  for (HKEY bad : {key, made_up, static_cast<HKEY>(nullptr)}) {
    EXPECT_EQ(RegCloseKey(bad), kRegInvalidHandle);
    EXPECT_EQ(Set(bad, "V", Sz("x")), kRegInvalidHandle);
    EXPECT_EQ(Get(bad, "V"), "<rc 6>");
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKey(bad, "S", &sub, nullptr), kRegInvalidHandle);
    EXPECT_EQ(RegOpenKey(bad, "S", &sub), kRegInvalidHandle);
    std::vector<std::string> names;
    EXPECT_EQ(RegEnumKeys(bad, &names), kRegInvalidHandle);
    EXPECT_EQ(RegDeleteTree(bad, nullptr), kRegInvalidHandle);
  }
  // A handle stays dead even when newer keys are opened after it was closed.
  HKEY stale = nullptr;
  ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, "Stale", &stale, nullptr), kRegOk);
  ASSERT_EQ(RegCloseKey(stale), kRegOk);
  Key newer(HKEY_CURRENT_USER, "Newer");
  Key newest(HKEY_CURRENT_USER, "Newest");
  EXPECT_NE(newer.get(), stale);
  EXPECT_EQ(Set(stale, "V", Sz("x")), kRegInvalidHandle);
  EXPECT_EQ(Get(newer.get(), "V"), "<rc 2>");

  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), kRegOk);  // roots are never really closed
  EXPECT_EQ(Set(HKEY_CURRENT_USER, "RootValue", Sz("r")), kRegOk);
  EXPECT_EQ(Get(HKEY_CURRENT_USER, "RootValue"), Sz("r"));
}

TEST_F(RegistryTest, HandlesToDeletedKeysReportIt) {
  Key child(HKEY_CURRENT_USER, "A\\B");
  Key parent(HKEY_CURRENT_USER, "A", false);
  ASSERT_EQ(Set(child.get(), "V", Sz("x")), kRegOk);
  ASSERT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "a"), kRegOk);
  EXPECT_EQ(Set(child.get(), "V", Sz("y")), kRegKeyDeleted);
  EXPECT_EQ(Get(child.get(), "V"), "<rc 1018>");
  EXPECT_EQ(RegDeleteValue(child.get(), "V"), kRegKeyDeleted);
  std::vector<RegValue> values;
  EXPECT_EQ(RegEnumValues(child.get(), &values), kRegKeyDeleted);
  HKEY sub = nullptr;
  EXPECT_EQ(RegCreateKey(parent.get(), "New", &sub, nullptr), kRegKeyDeleted);
  EXPECT_EQ(RegOpenKey(parent.get(), nullptr, &sub), kRegKeyDeleted);
  // The failed calls did not bring the key back.
  EXPECT_EQ(Key(HKEY_CURRENT_USER, "A", false).rc(), kRegNotFound);
}

TEST_F(RegistryTest, DeletesValuesAndTrees) {
  Key a(HKEY_CURRENT_USER, "A");
  Key ab(HKEY_CURRENT_USER, "AB");  // shares a prefix with A, is not below it
  Key sub(HKEY_CURRENT_USER, "A\\Sub\\Deeper");
  ASSERT_EQ(Set(a.get(), "V", Sz("1")), kRegOk);
  ASSERT_EQ(Set(ab.get(), "V", Sz("2")), kRegOk);
  EXPECT_EQ(RegDeleteValue(a.get(), "Missing"), kRegNotFound);
  EXPECT_EQ(RegDeleteValue(a.get(), "v"), kRegOk);
  EXPECT_EQ(Get(a.get(), "V"), "<rc 2>");
  EXPECT_EQ(RegDeleteTree(a.get(), "Nope"), kRegNotFound);
  ASSERT_EQ(Set(a.get(), "W", Sz("3")), kRegOk);

  // An empty sub-key empties the key but keeps it.
  ASSERT_EQ(RegDeleteTree(a.get(), nullptr), kRegOk);
  std::vector<std::string> names;
  ASSERT_EQ(RegEnumKeys(a.get(), &names), kRegOk);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(Get(a.get(), "W"), "<rc 2>");
  EXPECT_EQ(Set(a.get(), "Again", Sz("4")), kRegOk);

  ASSERT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "A"), kRegOk);
  EXPECT_EQ(Get(ab.get(), "V"), Sz("2"));
  ASSERT_EQ(RegEnumKeys(HKEY_CURRENT_USER, &names), kRegOk);
  EXPECT_EQ(names, std::vector<std::string>{"AB"});
}

TEST_F(RegistryTest, EnumeratesInFileOrder) {
  Key k(HKEY_CURRENT_USER, "K");
  Key c1(HKEY_CURRENT_USER, "K\\Zeta");
  Key c2(HKEY_CURRENT_USER, "K\\Alpha");
  Key grandchild(HKEY_CURRENT_USER, "K\\Zeta\\Below");
  Set(k.get(), "second", Sz("2"));
  Set(k.get(), "first", Sz("1"));
  std::vector<std::string> names;
  ASSERT_EQ(RegEnumKeys(k.get(), &names), kRegOk);
  EXPECT_EQ(names, (std::vector<std::string>{"Zeta", "Alpha"}));
  std::vector<RegValue> values;
  ASSERT_EQ(RegEnumValues(k.get(), &values), kRegOk);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].name, "second");
  EXPECT_EQ(values[1].name, "first");
}

TEST_F(RegistryTest, AHandEditedFileIsReadAndNothingInItIsLostOnWrite) {
  const std::string garbage[] = {
      "this line means nothing",
      "\"Broken\"=\"no end quote",
      "\"BadHex\"=hex:zz,01",
      "\"BadUtf8\"=\"\xC3\x28\"",
  };
  std::string file = "\xEF\xBB\xBF" "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_CURRENT_USER\\Software\\Hand]\r\n"
                     "\"Good\"=\"yes\"\r\n";
  for (const std::string& g : garbage) file += g + "\r\n";
  file += "[HKEY_CURRENT_USER\\Software\\NoBracket\r\n\"Hidden\"=\"h\"\r\n"
          "[HKEY_CURRENT_USER\\Software\\Hand\\" + kAgentUtf8 + "]\r\n"
          "@=dword:00000007\r\n";
  WriteFile(kUserFile, file);

  Key hand(HKEY_CURRENT_USER, "software\\hand", false);
  ASSERT_EQ(hand.rc(), kRegOk);
  EXPECT_EQ(Get(hand.get(), "Good"), Sz("yes"));
  EXPECT_EQ(Get(hand.get(), "Broken"), "<rc 2>");
  Key korean(HKEY_CURRENT_USER, ("Software\\Hand\\" + kAgent).c_str(), false);
  ASSERT_EQ(korean.rc(), kRegOk);
  EXPECT_EQ(Get(korean.get(), nullptr), std::string("\x07\0\0\0", 4));
  std::vector<std::string> names;
  ASSERT_EQ(RegEnumKeys(HKEY_CURRENT_USER, &names), kRegOk);
  EXPECT_EQ(names, std::vector<std::string>{"Software"});  // the parent the file left out

  ASSERT_EQ(Set(hand.get(), "New", Sz("n")), kRegOk);
  std::string rewritten = ReadFile(kUserFile);
  for (const std::string& g : garbage) EXPECT_NE(rewritten.find("\n" + g + "\n"), std::string::npos) << g;
  EXPECT_NE(rewritten.find("\n[HKEY_CURRENT_USER\\Software\\NoBracket\n\"Hidden\"=\"h\"\n"),
            std::string::npos)
      << rewritten;
  EXPECT_EQ(rewritten.find('\r'), std::string::npos);
  EXPECT_EQ(Get(hand.get(), "New"), Sz("n"));
  EXPECT_EQ(Get(korean.get(), nullptr), std::string("\x07\0\0\0", 4));
}

TEST_F(RegistryTest, AUtf16FileIsReadAndRewrittenAsUtf8) {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\W]\r\n\"V\"=\"1\"\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) utf16 += std::string{c, '\0'};
  WriteFile(kUserFile, utf16);
  Key key(HKEY_CURRENT_USER, "W", false);
  ASSERT_EQ(key.rc(), kRegOk);
  EXPECT_EQ(Get(key.get(), "V"), Sz("1"));
  ASSERT_EQ(Set(key.get(), "V2", Sz("2")), kRegOk);
  EXPECT_EQ(ReadFile(kUserFile),
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\W]\n\"V\"=\"1\"\n\"V2\"=\"2\"\n\n");
}

TEST_F(RegistryTest, AFileThatCannotBeReadWholeIsNeverOverwritten) {
  // UTF-16 with an unpaired surrogate on the second line.
  std::string utf16 = "\xFF\xFE";
  std::string first = "[HKEY_CURRENT_USER\\W]\n";
  for (char c : first) utf16 += std::string{c, '\0'};
  utf16 += std::string("\x00\xD8\n\0", 4);
  WriteFile(kUserFile, utf16);
  Key key(HKEY_CURRENT_USER, "W", false);
  ASSERT_EQ(key.rc(), kRegOk);
  EXPECT_EQ(Set(key.get(), "V", Sz("x")), kRegAccessDenied);
  EXPECT_EQ(ReadFile(kUserFile), utf16);

  // A file that is not a file at all.
  std::filesystem::create_directory(PathOf("HKEY_LOCAL_MACHINE.reg"));
  EXPECT_EQ(Set(HKEY_LOCAL_MACHINE, "V", Sz("x")), kRegAccessDenied);
  EXPECT_EQ(Get(HKEY_LOCAL_MACHINE, "V"), "<rc 5>");
}

TEST_F(RegistryTest, TheDirectoryIsMadeOnTheFirstWriteOnly) {
  std::string nested = dir_ + "/a/b/registry";
  setenv("VANTRIK_REGISTRY_DIR", nested.c_str(), 1);
  EXPECT_EQ(RegistryDirectory(), nested);
  EXPECT_EQ(Key(HKEY_CURRENT_USER, "K", false).rc(), kRegNotFound);
  EXPECT_FALSE(std::filesystem::exists(nested));
  EXPECT_EQ(Key(HKEY_CURRENT_USER, "K").rc(), kRegOk);
  EXPECT_TRUE(std::filesystem::exists(nested + "/HKEY_CURRENT_USER.reg"));
  EXPECT_FALSE(std::filesystem::exists(nested + "/HKEY_LOCAL_MACHINE.reg"));
}

TEST_F(RegistryTest, ExportWritesTheSubtreeAndImportBringsItBack) {
  {
    Key key(HKEY_CURRENT_USER, "SOFTWARE\\VX260\\MANAGER");
    Key deeper(HKEY_CURRENT_USER, "SOFTWARE\\VX260\\MANAGER\\Sub");
    Key outside(HKEY_CURRENT_USER, "SOFTWARE\\VX2600");
    Set(key.get(), "Name", Sz(kAgent));
    Set(key.get(), "Raw", std::string(200, 'r'));
    Set(deeper.get(), "Count", std::string("\x05\0\0\0", 4), kRegDword);
    Set(outside.get(), "Other", Sz("o"));
    ASSERT_EQ(RegExportKey(key.get(), PathOf("export.reg").c_str()), kRegOk);
  }
  std::string exported = ReadFile("export.reg");
  EXPECT_EQ(exported.rfind("Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_CURRENT_USER\\SOFTWARE\\VX260\\MANAGER]\n"
                           "\"Name\"=\"" + kAgentUtf8 + "\"\n", 0),
            0u)
      << exported;
  EXPECT_EQ(exported.find("VX2600"), std::string::npos);

  ASSERT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "SOFTWARE"), kRegOk);
  int skipped = -1;
  ASSERT_EQ(RegImportFile(PathOf("export.reg").c_str(), &skipped), kRegOk);
  EXPECT_EQ(skipped, 0);
  Key key(HKEY_CURRENT_USER, "SOFTWARE\\VX260\\MANAGER", false);
  EXPECT_EQ(Get(key.get(), "Name"), Sz(kAgent));
  EXPECT_EQ(Get(key.get(), "Raw"), std::string(200, 'r'));
  Key deeper(HKEY_CURRENT_USER, "SOFTWARE\\VX260\\MANAGER\\Sub", false);
  EXPECT_EQ(Get(deeper.get(), "Count"), std::string("\x05\0\0\0", 4));

  EXPECT_EQ(RegExportKey(key.get(), (dir_ + "/no/such/dir/x.reg").c_str()), kRegAccessDenied);
  EXPECT_EQ(RegExportKey(key.get(), nullptr), kRegInvalidParameter);
}

TEST_F(RegistryTest, ImportMergesDeletesAndReportsSkippedLines) {
  {
    Key keep(HKEY_CURRENT_USER, "App\\Keep");
    Key gone(HKEY_CURRENT_USER, "App\\Gone\\Child");
    Set(keep.get(), "Old", Sz("old"));
    Set(keep.get(), "Stay", Sz("stay"));
  }
  WriteFile("in.reg",
            "Windows Registry Editor Version 5.00\n\n"
            "[-HKEY_CURRENT_USER\\App\\Gone]\n\n"
            "[HKEY_CURRENT_USER\\App\\Keep]\n"
            "\"Old\"=-\n"
            "\"New\"=dword:00000010\n"
            "nonsense here\n"
            "\"Bad\"=hex:1,2,zz\n\n"
            "[HKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient]\n"
            "\"MSI_ID\"=\"M-1\"\n\n"
            "[HKEY_ELSEWHERE\\X]\n"
            "\"Y\"=\"z\"\n");
  int skipped = 0;
  std::vector<std::string> diagnostics;
  ASSERT_EQ(RegImportFile(PathOf("in.reg").c_str(), &skipped, &diagnostics), kRegOk);
  EXPECT_EQ(skipped, 4);
  ASSERT_EQ(diagnostics.size(), 4u);
  EXPECT_EQ(diagnostics[0].rfind("line 8:", 0), 0u) << diagnostics[0];
  EXPECT_NE(diagnostics[0].find("nonsense here"), std::string::npos);

  Key keep(HKEY_CURRENT_USER, "App\\Keep", false);
  EXPECT_EQ(Get(keep.get(), "Old"), "<rc 2>");
  EXPECT_EQ(Get(keep.get(), "Stay"), Sz("stay"));
  EXPECT_EQ(Get(keep.get(), "New"), std::string("\x10\0\0\0", 4));
  EXPECT_EQ(Key(HKEY_CURRENT_USER, "App\\Gone", false).rc(), kRegNotFound);
  Key client(HKEY_LOCAL_MACHINE, "SoftWare\\KavlonClient", false);
  EXPECT_EQ(Get(client.get(), "MSI_ID"), Sz("M-1"));
  // Skipped lines are the import file's business; they do not land in the store.
  EXPECT_EQ(ReadFile(kUserFile).find("nonsense"), std::string::npos);

  EXPECT_EQ(RegImportFile(PathOf("missing.reg").c_str(), &skipped), kRegNotFound);
  EXPECT_EQ(RegImportFile(nullptr, &skipped), kRegInvalidParameter);
}

TEST_F(RegistryTest, ImportReadsAUtf16ExportAsWindowsWritesIt) {
  // U+C0C1 U+B2F4 U+C6D0 ("상담원") as UTF-16LE code units, the rest ASCII.
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_CURRENT_USER\\SOFTWARE\\VX260]\r\n"
      u"\"Agent\"=\"\uC0C1\uB2F4\uC6D0\"\r\n"
      u"\"Bin\"=hex:01,02,\\\r\n"
      u"  03\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  WriteFile("win.reg", bytes);
  int skipped = -1;
  ASSERT_EQ(RegImportFile(PathOf("win.reg").c_str(), &skipped), kRegOk);
  EXPECT_EQ(skipped, 0);
  Key key(HKEY_CURRENT_USER, "SOFTWARE\\VX260", false);
  EXPECT_EQ(Get(key.get(), "Agent"), Sz(kAgent));
  EXPECT_EQ(Get(key.get(), "Bin"), "\x01\x02\x03");
}

}  // namespace
}  // namespace platform
