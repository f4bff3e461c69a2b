#include "libutil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(LibUtilTest, DigitsOnlyParsing) {
  struct Case {
    const char* text;
    int start, length, expected;
  } cases[] = {
      {"12:05", 0, 5, 1205},   {"-7", 0, 2, 7},           {"12.5", 0, 4, 125},
      {"A1B2", 0, 4, 12},      {"A1B2", 0, 0, 0},         {"20110214153000", 8, 2, 15},
      {"abc", 0, 3, 0},        {"99", 0, 100, 99},        // slice longer than the text
      {"12", 5, 3, 0},         {"12", -1, 2, 0},          {"4294967297", 0, 10, 1},  // wraps
  };
  for (const Case& c : cases) {
    EXPECT_EQ(libutil_atoi(c.text, c.start, c.length), c.expected) << c.text << " " << c.start;
    if (c.expected != 1) {  // the double form does not wrap
      EXPECT_EQ(libutil_atof(c.text, c.start, c.length), c.expected) << c.text;
    }
  }
  EXPECT_EQ(libutil_atof("4294967297", 0, 10), 4294967297.0);
  EXPECT_EQ(libutil_atof("1,234.5"), 12345.0);
  EXPECT_EQ(libutil_atoi(nullptr, 0, 3), 0);
  EXPECT_EQ(libutil_atof(nullptr), 0.0);
}

TEST(LibUtilTest, TrimTouchesOnlyBlanks) {
  struct Case {
    const char* in;
    const char* trim;
    const char* rtrim;
  } cases[] = {
      {"  abc  ", "abc", "  abc"}, {"   ", "", ""},       {"", "", ""},
      {"\tabc\t", "\tabc\t", "\tabc\t"}, {"a b", "a b", "a b"}, {"x\r\n ", "x\r\n", "x\r\n"},
  };
  for (const Case& c : cases) {
    char a[32], b[32];
    strcpy(a, c.in);
    strcpy(b, c.in);
    EXPECT_STREQ(libutil_trim(a), c.trim) << "[" << c.in << "]";
    EXPECT_EQ(libutil_trim(a), a) << "same buffer";
    EXPECT_STREQ(libutil_rtrim(b), c.rtrim) << "[" << c.in << "]";
  }
  EXPECT_EQ(libutil_trim(nullptr), nullptr);
}

std::vector<std::string> Split(const char* text, const char* delimiters) {
  std::vector<char> buffer(text, text + strlen(text) + 1);
  std::vector<std::string> fields;
  char* cursor = nullptr;
  for (char* f = libutil_strtok(buffer.data(), delimiters, &cursor); f != nullptr;
       f = libutil_strtok(nullptr, delimiters, &cursor)) {
    fields.push_back(f);
    if (fields.size() > 100) break;
  }
  return fields;
}

TEST(LibUtilTest, SplitterKeepsEmptyFieldsButNotAnEmptyLastOne) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Split("a,,b", ","), (V{"a", "", "b"}));
  EXPECT_EQ(Split("a,", ","), (V{"a"}));
  EXPECT_EQ(Split("", ","), (V{}));
  EXPECT_EQ(Split("|x", "|"), (V{"", "x"}));
  EXPECT_EQ(Split("1~IDLE~0~~info", "~"), (V{"1", "IDLE", "0", "", "info"}));
  EXPECT_EQ(Split("a;b,c", ",;"), (V{"a", "b", "c"}));
  EXPECT_EQ(Split("nodelim", ","), (V{"nodelim"}));
  EXPECT_EQ(Split(",,", ","), (V{""}));
}

TEST(LibUtilTest, SplitterCursorsAreIndependent) {
  char one[] = "a,b";
  char two[] = "x,y";
  char* c1 = nullptr;
  char* c2 = nullptr;
  EXPECT_STREQ(libutil_strtok(one, ",", &c1), "a");
  EXPECT_STREQ(libutil_strtok(two, ",", &c2), "x");
  EXPECT_STREQ(libutil_strtok(nullptr, ",", &c1), "b");
  EXPECT_STREQ(libutil_strtok(nullptr, ",", &c2), "y");
  EXPECT_EQ(libutil_strtok(nullptr, ",", &c1), nullptr);
  EXPECT_EQ(libutil_strtok(nullptr, ",", nullptr), nullptr);
}

TEST(LibUtilTest, EightByteSwapsReverseBytesBothWays) {
  const unsigned char in[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  const unsigned char reversed[8] = {8, 7, 6, 5, 4, 3, 2, 1};
  long long n;
  memcpy(&n, in, 8);
  long long swapped = libutil_ntohll(n);
  EXPECT_EQ(memcmp(&swapped, reversed, 8), 0);
  EXPECT_EQ(libutil_htonll(swapped), n);

  double d;
  memcpy(&d, in, 8);
  double sd = libutil_htond(d);
  EXPECT_EQ(memcmp(&sd, reversed, 8), 0);
  double back = libutil_ntohd(sd);
  EXPECT_EQ(memcmp(&back, in, 8), 0);

  for (double v : {0.0, -1.5, 3.14159, 1e300}) EXPECT_EQ(libutil_ntohd(libutil_ntohd(v)), v);
  // Network order of 1 is seven zero bytes then 1.
  long long one = libutil_htonll(1);
  const unsigned char one_bytes[8] = {0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(memcmp(&one, one_bytes, 8), 0);
}

}  // namespace
