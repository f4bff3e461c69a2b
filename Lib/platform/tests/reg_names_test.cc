// Name comparison and key path rules of the registry store.
#include "reg_names.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

// 0x81 0x41 and 0x81 0x61 are two different Hangul syllables whose second bytes happen to
// be 'A' and 'a'.
const std::string kSyllableA = "\x81\x41";
const std::string kSyllableB = "\x81\x61";

TEST(RegNamesTest, ComparesAsciiCaseInsensitivelyButDoubleByteCharactersExactly) {
  struct Case {
    std::string a, b;
    bool equal;
  } cases[] = {
      {"Software", "SOFTWARE", true},
      {"agent_id", "AGENT_ID", true},
      {"MSI_ID", "MSI_ID ", false},
      {kSyllableA, kSyllableB, false},
      {"x" + kSyllableA + "y", "X" + kSyllableA + "Y", true},
      {"x" + kSyllableA, "X" + kSyllableB, false},
      {"[", "{", false},  // folding is letters only
      {"", "", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RegNamesEqual(c.a, c.b), c.equal) << '"' << c.a << "\" vs \"" << c.b << '"';
}

TEST(RegNamesTest, PathWithinStopsAtComponentBoundaries) {
  EXPECT_TRUE(RegPathWithin("A\\B", "a"));
  EXPECT_TRUE(RegPathWithin("A", "a"));
  EXPECT_TRUE(RegPathWithin("A", ""));
  EXPECT_FALSE(RegPathWithin("AB", "A"));
  EXPECT_FALSE(RegPathWithin("A", "A\\B"));
}

TEST(RegNamesTest, ChecksKeyPaths) {
  struct Case {
    std::string path;
    long rc;
    std::string normalized;
  } cases[] = {
      {"", kRegOk, ""},
      {"A\\B", kRegOk, "A\\B"},
      {"A\\B\\", kRegOk, "A\\B"},  // one trailing backslash is allowed
      {"\\A", kRegBadPathname, ""},
      {"\\", kRegBadPathname, ""},
      {"A\\\\B", kRegBadPathname, ""},
      {"A\\\\", kRegBadPathname, ""},
      {std::string(255, 'k'), kRegOk, std::string(255, 'k')},
      {std::string(256, 'k'), kRegInvalidParameter, ""},
      {"A\\" + std::string(256, 'k') + "\\B", kRegInvalidParameter, ""},
      {"\xBB\xF3\xB4\xE3", kRegOk, "\xBB\xF3\xB4\xE3"},
      {"A\\\xFF\xFF", kRegInvalidParameter, ""},
      {"A\\\x81", kRegInvalidParameter, ""},  // a lead byte cut off
      {"A\nB", kRegInvalidParameter, ""},
  };
  for (const Case& c : cases) {
    std::string normalized = "junk";
    EXPECT_EQ(RegCheckKeyPath(c.path, &normalized), c.rc) << c.path;
    EXPECT_EQ(normalized, c.normalized) << c.path;
  }
  // 255 double-byte characters are 510 bytes but still 255 characters.
  std::string wide;
  for (int i = 0; i < 255; ++i) wide += "\xBB\xF3";
  std::string ignored;
  EXPECT_EQ(RegCheckKeyPath(wide, &ignored), kRegOk);
  EXPECT_EQ(RegCheckKeyPath(wide + "\xBB\xF3", &ignored), kRegInvalidParameter);
}

TEST(RegNamesTest, KnowsTheRootsByLongName) {
  EXPECT_EQ(RegRootFromName("hkey_current_user"), RegRootIndex(HKEY_CURRENT_USER));
  EXPECT_EQ(RegRootFromName("HKEY_LOCAL_MACHINE"), RegRootIndex(HKEY_LOCAL_MACHINE));
  EXPECT_EQ(RegRootFromName("HKEY_CLASSES_ROOT"), RegRootIndex(HKEY_CLASSES_ROOT));
  EXPECT_EQ(RegRootFromName("HKCU"), -1);
  EXPECT_EQ(RegRootIndex(nullptr), -1);
}

}  // namespace
}  // namespace platform
