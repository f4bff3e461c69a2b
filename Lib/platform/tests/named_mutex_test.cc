#include "named_mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using platform::LockResult;

TEST(NamedMutexTest, SameNameIsOneMutexAndItIsRecursive) {
  platform::NamedMutexHandle a = platform::OpenNamedMutex("shared-name");
  platform::NamedMutexHandle b = platform::OpenNamedMutex("shared-name");
  ASSERT_TRUE(a);
  ASSERT_TRUE(b);
  EXPECT_NE(a.id, b.id);
  EXPECT_NE(a.id, 0);

  ASSERT_EQ(platform::LockNamedMutex(a), LockResult::kOwned);
  EXPECT_EQ(platform::LockNamedMutex(b), LockResult::kOwned);  // same owner: recursion

  std::atomic<bool> other_got_it{false};
  std::thread other([&] {
    platform::NamedMutexHandle c = platform::OpenNamedMutex("shared-name");
    EXPECT_EQ(platform::LockNamedMutex(c), LockResult::kOwned);
    other_got_it = true;
    EXPECT_TRUE(platform::UnlockNamedMutex(c));
    platform::CloseNamedMutex(&c);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(other_got_it.load());
  EXPECT_TRUE(platform::UnlockNamedMutex(a));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(other_got_it.load()) << "still held once by the recursive lock";
  EXPECT_TRUE(platform::UnlockNamedMutex(b));
  other.join();
  EXPECT_TRUE(other_got_it.load());

  platform::CloseNamedMutex(&a);
  platform::CloseNamedMutex(&b);
  EXPECT_FALSE(a);
}

TEST(NamedMutexTest, DifferentNamesDoNotBlockEachOther) {
  platform::NamedMutexHandle a = platform::OpenNamedMutex("name-one");
  platform::NamedMutexHandle b = platform::OpenNamedMutex("name-two");
  ASSERT_EQ(platform::LockNamedMutex(a), LockResult::kOwned);
  LockResult other = LockResult::kFailed;
  std::thread t([&] {
    other = platform::LockNamedMutex(b);
    platform::UnlockNamedMutex(b);
  });
  t.join();
  EXPECT_EQ(other, LockResult::kOwned);
  platform::UnlockNamedMutex(a);
  platform::CloseNamedMutex(&a);
  platform::CloseNamedMutex(&b);
}

TEST(NamedMutexTest, OwnerThreadEndingWhileHoldingLeavesItAbandoned) {
  platform::NamedMutexHandle h = platform::OpenNamedMutex("abandoned");
  std::thread owner([&] { EXPECT_EQ(platform::LockNamedMutex(h), LockResult::kOwned); });
  owner.join();  // ends without unlocking

  EXPECT_EQ(platform::LockNamedMutex(h), LockResult::kAbandoned);
  EXPECT_TRUE(platform::UnlockNamedMutex(h)) << "the caller owns it after an abandoned wait";
  EXPECT_EQ(platform::LockNamedMutex(h), LockResult::kOwned) << "and it is usable again";
  EXPECT_TRUE(platform::UnlockNamedMutex(h));
  platform::CloseNamedMutex(&h);
}

TEST(NamedMutexTest, MisuseIsReportedNotFatal) {
  platform::NamedMutexHandle empty;
  EXPECT_EQ(platform::LockNamedMutex(empty), LockResult::kFailed);
  EXPECT_FALSE(platform::UnlockNamedMutex(empty));
  EXPECT_FALSE(platform::OpenNamedMutex(nullptr));

  platform::NamedMutexHandle h = platform::OpenNamedMutex("not-mine");
  EXPECT_FALSE(platform::UnlockNamedMutex(h)) << "unlocking a mutex nobody holds";
  ASSERT_EQ(platform::LockNamedMutex(h), LockResult::kOwned);
  bool unlocked_by_stranger = true;
  std::thread t([&] { unlocked_by_stranger = platform::UnlockNamedMutex(h); });
  t.join();
  EXPECT_FALSE(unlocked_by_stranger);
  EXPECT_TRUE(platform::UnlockNamedMutex(h));
  platform::CloseNamedMutex(&h);
  platform::CloseNamedMutex(&h);  // closing twice is harmless
}

TEST(NamedMutexTest, LastCloseDestroysSoTheNameStartsFresh) {
  platform::NamedMutexHandle h = platform::OpenNamedMutex("fresh");
  std::thread owner([&] { platform::LockNamedMutex(h); });
  owner.join();
  platform::CloseNamedMutex(&h);  // abandoned, then its last handle closed

  platform::NamedMutexHandle again = platform::OpenNamedMutex("fresh");
  EXPECT_EQ(platform::LockNamedMutex(again), LockResult::kOwned);
  platform::UnlockNamedMutex(again);
  platform::CloseNamedMutex(&again);
}

}  // namespace
