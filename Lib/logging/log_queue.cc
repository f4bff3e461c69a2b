// The log queue: a ring of 129 line records (128 usable) with many producers and one consumer,
// the queue thread, which writes queued lines and feeds the log viewers.
//
// Producers reserve a slot under a short lock and fill it outside the lock; a slot becomes
// visible to the consumer only when its `ready` flag is set, after it has been filled. The
// consumer takes slots strictly in order and frees one by advancing the read index, which
// producers read before reusing the slot.
#include <time.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "liblog.h"
#include "log_internal.h"

namespace liblog::internal {
namespace {

constexpr int kCapacity = 128;
constexpr int kSlots = kCapacity + 1;

struct LogQueueRecord {
  unsigned char kind;
  unsigned int flags;
  int time[9];  // sec, min, hour, mday, mon, year, wday, yday, isdst
  char directory[kMaxPath + 1];
  char text[kLineBuffer];
  unsigned short length;
};

struct Slot {
  LogQueueRecord record;
  std::atomic<bool> ready{false};
};

struct LogQueue {
  std::mutex reserve_lock;  // serialises producers
  int write_index = 0;      // guarded by reserve_lock
  std::atomic<int> read_index{0};
  Slot slots[kSlots];
};

// Allocated once and never freed: detached threads may use it while the process exits.
std::once_flag g_queue_once;
LogQueue* g_queue = nullptr;

LogQueue* Queue() {
  std::call_once(g_queue_once, [] { g_queue = new (std::nothrow) LogQueue; });
  return g_queue;
}

void PackTime(const struct tm& tm, int* out) {
  out[0] = tm.tm_sec, out[1] = tm.tm_min, out[2] = tm.tm_hour;
  out[3] = tm.tm_mday, out[4] = tm.tm_mon, out[5] = tm.tm_year;
  out[6] = tm.tm_wday, out[7] = tm.tm_yday, out[8] = tm.tm_isdst;
}

struct tm UnpackTime(const int* in) {
  struct tm tm {};
  tm.tm_sec = in[0], tm.tm_min = in[1], tm.tm_hour = in[2];
  tm.tm_mday = in[3], tm.tm_mon = in[4], tm.tm_year = in[5];
  tm.tm_wday = in[6], tm.tm_yday = in[7], tm.tm_isdst = in[8];
  return tm;
}

void ReportOverflow() {
  unsigned int flags = (GetLogFlags() & ~(LOG_QUEUED | LOG_CLIENT)) | LOG_REOPEN | LOG_ERROR;
  PrintEx(flags, "liblog::Queue buffer overflow !!! Queue buffer size must be increased.");
}

// Reserves the next slot, or returns nullptr when the ring is full.
Slot* Reserve(LogQueue* queue) {
  std::lock_guard<std::mutex> guard(queue->reserve_lock);
  int next = (queue->write_index + 1) % kSlots;
  if (next == queue->read_index.load(std::memory_order_acquire)) return nullptr;
  Slot* slot = &queue->slots[queue->write_index];
  queue->write_index = next;
  return slot;
}

Slot* ReserveFor(const QueueLine& line) {
  LogQueue* queue = Queue();
  Slot* slot = queue != nullptr ? Reserve(queue) : nullptr;
  if (slot == nullptr) {
    ReportOverflow();
    return nullptr;
  }
  LogQueueRecord& r = slot->record;
  r.kind = line.kind;
  r.flags = line.flags;
  PackTime(line.time->tm, r.time);
  snprintf(r.directory, sizeof r.directory, "%s", line.directory);
  return slot;
}

void Publish(Slot* slot, int length) {
  slot->record.length = static_cast<unsigned short>(length);
  slot->ready.store(true, std::memory_order_release);
}

// Delivers one record as the queue thread does.
void Deliver(LogQueueRecord& r) {
  int length = r.length;
  if (r.kind == 0) {
    if (r.flags & LOG_CONSOLE) WriteConsole(r.text, length);
    if (r.flags & LOG_FILE) {
      memcpy(r.text + length, "\r\n", 3);
      WriteLogFile(r.directory, r.flags, r.text, length + 2, UnpackTime(r.time));
    }
  }
  if (r.flags & LOG_CLIENT) {
    memcpy(r.text + length, "\r\n", 3);
    SendToLogClients(r.text, length + 2);
  }
}

void* QueueThread(void*) {
  LogQueue* queue = Queue();
  const struct timespec pause = {0, 1000000};  // 1 ms
  for (;;) {
    int index = queue->read_index.load(std::memory_order_relaxed);
    Slot& slot = queue->slots[index];
    if (!slot.ready.load(std::memory_order_acquire)) {
      nanosleep(&pause, nullptr);
      continue;
    }
    Deliver(slot.record);
    slot.ready.store(false, std::memory_order_relaxed);
    queue->read_index.store((index + 1) % kSlots, std::memory_order_release);
  }
  return nullptr;
}

std::once_flag g_thread_once;

}  // namespace

void StartQueueThread() {
  std::call_once(g_thread_once, [] {
    if (Queue() == nullptr) return;
    StartDetachedThread(QueueThread);
  });
}

bool Enqueue(const QueueLine& line, const char* text, int length) {
  Slot* slot = ReserveFor(line);
  if (slot == nullptr) return false;
  memcpy(slot->record.text, text, static_cast<size_t>(length));
  slot->record.text[length] = '\0';
  Publish(slot, length);
  return true;
}

bool EnqueueFormatted(const QueueLine& line, const char* label, const char* format,
                      va_list args) {
  Slot* slot = ReserveFor(line);
  if (slot == nullptr) return false;
  int length = FormatLine(slot->record.text, line.flags, label, *line.time, format, args);
  Publish(slot, length);
  return true;
}

int QueuedLineCount() {
  LogQueue* queue = Queue();
  if (queue == nullptr) return 0;
  std::lock_guard<std::mutex> guard(queue->reserve_lock);
  return (queue->write_index + kSlots - queue->read_index.load()) % kSlots;
}

}  // namespace liblog::internal
