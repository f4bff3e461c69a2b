#include "CLibUtil_MyMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "util_test_log.h"

namespace {

TEST(CLibUtil_MyMutexTest, ObjectsOfOneNameShareTheMutex) {
  utiltest::CapturedLog log;
  CLibUtil_MyMutex a("libRPC::Dispatch::1205300001");
  ASSERT_EQ(a.Lock(), 1);
  std::atomic<bool> entered{false};
  std::thread other([&] {
    CLibUtil_MyMutex b("libRPC::Dispatch::1205300001");
    EXPECT_EQ(b.Lock(), 1);
    entered = true;
    EXPECT_EQ(b.Unlock(), 1);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(entered.load());
  EXPECT_EQ(a.Unlock(), 1);
  other.join();
  EXPECT_TRUE(entered.load());
  EXPECT_EQ(log.Text(), "") << "success writes nothing";
}

TEST(CLibUtil_MyMutexTest, AbandonedMutexIsReportedYetOwned) {
  utiltest::CapturedLog log;
  CLibUtil_MyMutex guard("abandoned-guard");
  std::thread owner([] {
    CLibUtil_MyMutex same("abandoned-guard");
    same.Lock();
  });  // the thread ends holding it; its object closes its handle only
  owner.join();

  EXPECT_EQ(guard.Lock(), -1);
  EXPECT_EQ(guard.Unlock(), 1) << "the caller owned it after all";
  EXPECT_EQ(guard.Lock(), 1);
  EXPECT_EQ(guard.Unlock(), 1);
  const std::string text = log.Text();
  EXPECT_NE(text.find("ERROR CLibUtil_MyMutex::Lock : WaitForSingleObject() return WAIT_ABANDONED, "
                      "Handle["),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("], Lock Name = [abandoned-guard]\r\n"), std::string::npos) << text;
}

TEST(CLibUtil_MyMutexTest, ReleasingAMutexNotHeldFailsWithItsLine) {
  utiltest::CapturedLog log;
  CLibUtil_MyMutex m("not-held");
  EXPECT_EQ(m.Unlock(), -1);
  EXPECT_NE(log.Text().find("ERROR CLibUtil_MyMutex::Lock : ReleaseMutex() fail, Lock Name = [not-held]\r\n"),
            std::string::npos)
      << log.Text();
}

TEST(CLibUtil_MyMutexTest, NullNameStillGivesAWorkingMutexAndLongNamesAreCut) {
  utiltest::CapturedLog log;
  CLibUtil_MyMutex unnamed(nullptr);
  EXPECT_STREQ(unnamed.GetName(), "");
  EXPECT_EQ(unnamed.Lock(), 1);
  EXPECT_EQ(unnamed.Unlock(), 1);

  std::string name(300, 'm');
  CLibUtil_MyMutex long_name(name.c_str());
  EXPECT_EQ(std::string(long_name.GetName()), name.substr(0, 255));
}

}  // namespace
