#include "CLibUtil_MyQueue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "util_test_log.h"

namespace {

struct Record {
  int id;
  char text[16];
};

Record Make(int id) {
  Record r{};
  r.id = id;
  snprintf(r.text, sizeof r.text, "rec-%d", id);
  return r;
}

TEST(CLibUtil_MyQueueTest, HoldsItsCapacityAndReportsOverflowWithTheName) {
  utiltest::CapturedLog log;
  CLibUtil_MyQueue queue(sizeof(Record), 3, 1, "libRPC::RQueue::1205300001");
  for (int i = 1; i <= 3; ++i) {
    Record r = Make(i);
    EXPECT_TRUE(queue.PutData(&r, "tag"));
  }
  Record extra = Make(4);
  EXPECT_FALSE(queue.PutData(&extra, "tag"));
  EXPECT_EQ(queue.GetCount(), 3);
  EXPECT_NE(log.Text().find("ERROR CLibUtil_MyQueue::PutData -> queue overflow !!! queue name = "
                            "[libRPC::RQueue::1205300001] \r\n"),
            std::string::npos)
      << log.Text();

  for (int i = 1; i <= 3; ++i) {
    Record out{};
    ASSERT_TRUE(queue.GetData(&out, nullptr));
    EXPECT_EQ(out.id, i);
    EXPECT_STREQ(out.text, Make(i).text);
  }
  size_t lines_before = log.Text().size();
  Record none{};
  EXPECT_FALSE(queue.GetData(&none, "tag"));
  EXPECT_EQ(log.Text().size(), lines_before) << "an empty get writes nothing";
}

TEST(CLibUtil_MyQueueTest, IndicesWrapAroundAndClearEmpties) {
  utiltest::CapturedLog log;
  for (int lock_mode : {0, 1}) {
    CLibUtil_MyQueue queue(sizeof(int), 4, lock_mode, "wrap");
    int next_in = 0, next_out = 0;
    for (int round = 0; round < 50; ++round) {  // many times round the 5 slots
      int burst = 1 + round % 4;
      for (int i = 0; i < burst; ++i, ++next_in) ASSERT_TRUE(queue.PutData(&next_in, nullptr));
      EXPECT_EQ(queue.GetCount(), burst);
      for (int i = 0; i < burst; ++i) {
        int out = -1;
        ASSERT_TRUE(queue.GetData(&out, nullptr));
        EXPECT_EQ(out, next_out++);
      }
    }
    ASSERT_TRUE(queue.PutData(&next_in, nullptr));
    queue.Clear();
    EXPECT_EQ(queue.GetCount(), 0);
    int out;
    EXPECT_FALSE(queue.GetData(&out, nullptr));
  }
}

TEST(CLibUtil_MyQueueTest, CopiesExactlyTheRecordSize) {
  utiltest::CapturedLog log;
  CLibUtil_MyQueue queue(3, 2, 0, "three-bytes");
  const char in[] = "abcdef";
  ASSERT_TRUE(queue.PutData(in, "any tag at all"));
  char out[7] = "ZZZZZZ";
  ASSERT_TRUE(queue.GetData(out, nullptr));
  EXPECT_STREQ(out, "abcZZZ");
}

TEST(CLibUtil_MyQueueTest, ThreadsShareAGuardedQueueWithoutLosingRecords) {
  utiltest::CapturedLog log;
  CLibUtil_MyQueue queue(sizeof(int), 1024, 1, "shared");
  constexpr int kProducers = 4, kEach = 5000;
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&queue, p] {
      for (int i = 0; i < kEach; ++i) {
        int value = p * kEach + i;
        while (!queue.PutData(&value, nullptr)) std::this_thread::yield();
      }
    });
  }
  std::vector<int> last(kProducers, -1);
  int received = 0;
  while (received < kProducers * kEach) {
    int value;
    if (!queue.GetData(&value, nullptr)) continue;
    int p = value / kEach;
    ASSERT_GT(value, last[p]) << "each producer's records stay in order";
    last[p] = value;
    ++received;
  }
  for (std::thread& t : producers) t.join();
  EXPECT_EQ(queue.GetCount(), 0);
}

TEST(CLibUtil_MyQueueTest, QueueWithoutStorageRefusesEverything) {
  utiltest::CapturedLog log;
  struct Case {
    int element_size, capacity;
  } cases[] = {{0, 10}, {-4, 10}, {8, -1}, {0x7FFFFFFF, 0x7FFFFFFE}};
  for (const Case& c : cases) {
    CLibUtil_MyQueue queue(c.element_size, c.capacity, 1, "no-storage");
    char record[64] = {};
    EXPECT_FALSE(queue.PutData(record, nullptr)) << c.element_size << "x" << c.capacity;
    EXPECT_FALSE(queue.GetData(record, nullptr));
    EXPECT_EQ(queue.GetCount(), 0);
    queue.Clear();
  }
  EXPECT_NE(log.Text().find("CLibUtil_MyQueue::CLibUtil_MyQueue -> cannot make the queue buffer"),
            std::string::npos);

  CLibUtil_MyQueue fine(4, 1, 0, "fine");
  EXPECT_FALSE(fine.PutData(nullptr, nullptr));
  EXPECT_FALSE(fine.GetData(nullptr, nullptr));
}

TEST(CLibUtil_MyQueueTest, OverLongNameIsCutToTheField) {
  utiltest::CapturedLog log;
  std::string name(400, 'n');
  CLibUtil_MyQueue queue(1, 0, 0, name.c_str());  // capacity 0: every put overflows
  char c = 'x';
  EXPECT_FALSE(queue.PutData(&c, nullptr));
  EXPECT_NE(log.Text().find("queue name = [" + std::string(255, 'n') + "] \r\n"), std::string::npos);
}

}  // namespace
