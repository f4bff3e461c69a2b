// CLibUtil_MyQueue: a first-in-first-out ring of fixed-size records with a fixed capacity.
// Records are copied in and out by value; nothing is allocated after construction.
//
// With lock mode 1 every put and get holds a CLibUtil_MyMutex named after the queue, so
// several threads may share it; with any other mode the queue belongs to one thread.
// A queue whose buffer or guard could not be made refuses every put and get.
// The queue owns its buffer and its mutex.
#pragma once

#include "CLibUtil_MyMutex.h"

class CLibUtil_MyQueue {
 public:
  CLibUtil_MyQueue(int nElementSize, int nCapacity, int nLockMode, const char* lpName);
  ~CLibUtil_MyQueue();
  CLibUtil_MyQueue(const CLibUtil_MyQueue&) = delete;
  CLibUtil_MyQueue& operator=(const CLibUtil_MyQueue&) = delete;

  void Clear();      // empties the queue and zero-fills the buffer
  int GetCount();    // records waiting; takes no lock, a hint only
  // Appends a copy of the record; false (with an ERROR line) when the queue is full.
  bool PutData(const void* pData, const char* lpTag);
  // Moves the oldest record into pData; false when the queue is empty.
  bool GetData(void* pData, const char* lpTag);

 private:
  bool Usable() const;
  void Lock();
  void Unlock();

  char m_szName[256];
  int m_nElementSize;
  int m_nSlotCount;  // capacity + 1: one slot always stays free
  int m_nLockMode;
  int m_nWrite;
  int m_nRead;
  unsigned char* m_pBuffer;
  CLibUtil_MyMutex* m_pcMutex;
};
