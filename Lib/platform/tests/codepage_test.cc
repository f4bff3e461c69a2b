#include "codepage.h"

#include <gtest/gtest.h>

namespace {

// "상담원" (agent) in CP949 and in UTF-8.
const std::string kAgentCp949 = "\xBB\xF3\xB4\xE3\xBF\xF8";
const std::string kAgentUtf8 = "\xEC\x83\x81\xEB\x8B\xB4\xEC\x9B\x90";

TEST(CodepageTest, KoreanRoundTripsThroughUtf8AndUtf16) {
  std::string utf8, back;
  ASSERT_TRUE(platform::Cp949ToUtf8("ID " + kAgentCp949, &utf8));
  EXPECT_EQ(utf8, "ID " + kAgentUtf8);
  ASSERT_TRUE(platform::Utf8ToCp949(utf8, &back));
  EXPECT_EQ(back, "ID " + kAgentCp949);

  std::u16string wide;
  ASSERT_TRUE(platform::Cp949ToUtf16(kAgentCp949, &wide));
  EXPECT_EQ(wide, u"\uC0C1\uB2F4\uC6D0");
  ASSERT_TRUE(platform::Utf16ToCp949(wide, &back));
  EXPECT_EQ(back, kAgentCp949);
}

TEST(CodepageTest, RefusesWhatHasNoCounterpart) {
  std::string out = "stale";
  EXPECT_FALSE(platform::Cp949ToUtf8("\xBB", &out));       // lead byte without its trail
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(platform::Utf8ToCp949("\xF0\x9F\x98\x80", &out));  // emoji: not in CP949
  EXPECT_FALSE(platform::Utf8ToCp949("\xC3", &out));       // truncated UTF-8
  EXPECT_FALSE(platform::Utf16LeBytesToUtf8(std::string("A\0B", 3), &out));  // odd length
}

TEST(CodepageTest, EmptyAndAsciiPassUnchanged) {
  std::string out = "x";
  EXPECT_TRUE(platform::Cp949ToUtf8("", &out));
  EXPECT_EQ(out, "");
  EXPECT_TRUE(platform::Utf8ToCp949("HKEY_CURRENT_USER\\SOFTWARE", &out));
  EXPECT_EQ(out, "HKEY_CURRENT_USER\\SOFTWARE");
  EXPECT_TRUE(platform::Utf16LeBytesToUtf8(std::string("A\0B\0", 4), &out));
  EXPECT_EQ(out, "AB");
}

}  // namespace
