// CLibUtil_MyRegistry against a scratch registry directory: round trips, the default text on
// every kind of failure, and the 200-byte bound on what is written into the caller's buffer.
#include "CLibUtil_MyRegistry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <functional>
#include <string>

#include "reg_test_dir.h"

namespace {

const char kClientKey[] = "SoftWare\\KavlonClient";
constexpr size_t kDest = 200;
constexpr char kCanary = 0x7E;

class MyRegistryTest : public RegTestDir {
 protected:
  void SetUp() override {
    RegTestDir::SetUp();
    std::memset(buffer_, kCanary, sizeof buffer_);
  }

 public:  // the case table's lambdas use these
  // Writes raw bytes the way other programs may have stored them.
  void StoreRaw(const char* name, unsigned long type, const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(platform::RegCreateKey(HKEY_LOCAL_MACHINE, kClientKey, &key, nullptr), 0);
    ASSERT_EQ(platform::RegSetValue(key, name, type, data.data(), static_cast<unsigned long>(data.size())), 0);
    platform::RegCloseKey(key);
  }

  // Reads through a fresh object into buffer_, as the control does.
  long Read(const char* name, const char* fallback) {
    CLibUtil_MyRegistry reg;
    EXPECT_EQ(reg.Create(HKEY_LOCAL_MACHINE, kClientKey), 0);
    return reg.QueryValue(name, buffer_, fallback);
  }

  // Nothing past dest[199] may be touched.
  void ExpectTailUntouched() {
    for (size_t i = kDest; i < sizeof buffer_; ++i) ASSERT_EQ(buffer_[i], kCanary) << "byte " << i;
  }

  char buffer_[kDest + 56];
};

TEST_F(MyRegistryTest, TextRoundTrips) {
  const std::string cases[] = {
      "1001",
      "\xBB\xF3\xB4\xE3\xBF\xF8",  // Korean, CP949
      "",
      std::string(199, 'm'),       // the longest text that fits with its NUL
  };
  for (const std::string& text : cases) {
    {
      CLibUtil_MyRegistry reg;
      ASSERT_EQ(reg.Create(HKEY_LOCAL_MACHINE, kClientKey), 0);
      ASSERT_EQ(reg.SetValue("AGENT_ID", text.c_str()), 0);
    }
    std::memset(buffer_, kCanary, sizeof buffer_);
    EXPECT_EQ(Read("AGENT_ID", "default"), 0);
    EXPECT_EQ(std::string(buffer_), text);
    ExpectTailUntouched();
  }
  // Stored as a REG_SZ with its terminator.
  HKEY key = nullptr;
  ASSERT_EQ(platform::RegOpenKey(HKEY_LOCAL_MACHINE, kClientKey, &key), 0);
  unsigned long type = 0, size = 0;
  ASSERT_EQ(platform::RegQueryValue(key, "AGENT_ID", &type, nullptr, &size), 0);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(size, 200u);
  platform::RegCloseKey(key);
}

TEST_F(MyRegistryTest, CreateReportsWhetherTheKeyIsNew) {
  unsigned long disposition = 0;
  CLibUtil_MyRegistry first;
  EXPECT_EQ(first.Create(HKEY_LOCAL_MACHINE, kClientKey, 0, 0xF003F, &disposition), 0);
  EXPECT_EQ(disposition, 1u);
  CLibUtil_MyRegistry second;
  EXPECT_EQ(second.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\kavlonclient", 0, 0, &disposition), 0);
  EXPECT_EQ(disposition, 2u);
  EXPECT_EQ(second.Create(HKEY_LOCAL_MACHINE, kClientKey, 0, 0, nullptr), 0);
  EXPECT_EQ(second.Close(), 0);
  EXPECT_EQ(second.Close(), 0);  // nothing open any more
}

TEST_F(MyRegistryTest, ATwoHundredByteValueWithoutTerminatorIsCutTo199Characters) {
  StoreRaw("MSI_ID", platform::kRegSz, std::string(200, 'x'));
  EXPECT_EQ(Read("MSI_ID", "default"), 0);
  EXPECT_EQ(std::string(buffer_), std::string(199, 'x'));
  ExpectTailUntouched();
}

TEST_F(MyRegistryTest, DwordBytesAreTakenAsText) {
  StoreRaw("Terminated", platform::kRegDword, std::string("ABC\0", 4));
  StoreRaw("Unterminated", platform::kRegDword, "ABCD");
  EXPECT_EQ(Read("Terminated", "default"), 0);
  EXPECT_EQ(std::string(buffer_), "ABC");
  EXPECT_EQ(Read("Unterminated", "default"), 0);
  EXPECT_EQ(std::string(buffer_), "ABCD");
}

// Every failure leaves the default text in the buffer and returns the failure.
TEST_F(MyRegistryTest, FailuresGiveTheDefaultText) {
  struct Case {
    const char* what;
    std::function<long(MyRegistryTest*)> run;
  } cases[] = {
      {"missing value", [](MyRegistryTest* t) { return t->Read("MSI_ID", "none"); }},
      {"value of 201 bytes",
       [](MyRegistryTest* t) {
         t->StoreRaw("Long", platform::kRegSz, std::string(200, 'l') + '\0');
         return t->Read("Long", "none");
       }},
      {"value of 500 bytes",
       [](MyRegistryTest* t) {
         t->StoreRaw("Longer", platform::kRegBinary, std::string(500, 'l'));
         return t->Read("Longer", "none");
       }},
      {"no key ever opened",
       [](MyRegistryTest* t) {
         CLibUtil_MyRegistry reg;
         return reg.QueryValue("MSI_ID", t->buffer_, "none");
       }},
      {"key closed",
       [](MyRegistryTest* t) {
         CLibUtil_MyRegistry reg;
         reg.Create(HKEY_LOCAL_MACHINE, kClientKey);
         reg.SetValue("MSI_ID", "present");
         reg.Close();
         return reg.QueryValue("MSI_ID", t->buffer_, "none");
       }},
      {"key deleted meanwhile",
       [](MyRegistryTest* t) {
         CLibUtil_MyRegistry reg;
         reg.Create(HKEY_LOCAL_MACHINE, kClientKey);
         reg.SetValue("MSI_ID", "present");
         platform::RegDeleteTree(HKEY_LOCAL_MACHINE, "SoftWare");
         return reg.QueryValue("MSI_ID", t->buffer_, "none");
       }},
  };
  for (const Case& c : cases) {
    std::memset(buffer_, kCanary, sizeof buffer_);
    EXPECT_NE(c.run(this), 0) << c.what;
    EXPECT_STREQ(buffer_, "none") << c.what;
    ExpectTailUntouched();
  }
  // The control's own call: an empty default.
  std::strcpy(buffer_, "stale");
  EXPECT_EQ(Read("AGENT_ID", ""), platform::kRegNotFound);
  EXPECT_STREQ(buffer_, "");
}

TEST_F(MyRegistryTest, ALongDefaultIsCutTo199Characters) {
  std::string fallback(300, 'd');
  EXPECT_NE(Read("Missing", fallback.c_str()), 0);
  EXPECT_EQ(std::string(buffer_), std::string(199, 'd'));
  ExpectTailUntouched();
}

TEST_F(MyRegistryTest, AFailedCreateLeavesNoKeyToWriteOrRead) {
  CLibUtil_MyRegistry reg;
  ASSERT_EQ(reg.Create(HKEY_LOCAL_MACHINE, kClientKey), 0);
  ASSERT_EQ(reg.SetValue("MSI_ID", "kept"), 0);
  // The failed Create drops the key it held before.
  EXPECT_EQ(reg.Create(HKEY_LOCAL_MACHINE, "\\Bad\\\\Path"), platform::kRegBadPathname);
  EXPECT_NE(reg.SetValue("MSI_ID", "overwritten"), 0);
  EXPECT_NE(reg.QueryValue("MSI_ID", buffer_, "fallback"), 0);
  EXPECT_STREQ(buffer_, "fallback");
  EXPECT_EQ(reg.Close(), 0);
  EXPECT_EQ(Read("MSI_ID", "x"), 0);
  EXPECT_STREQ(buffer_, "kept");

  CLibUtil_MyRegistry bad_parent;
  EXPECT_EQ(bad_parent.Create(nullptr, "Key"), platform::kRegInvalidHandle);
  EXPECT_NE(bad_parent.SetValue("V", "x"), 0);
}

}  // namespace
