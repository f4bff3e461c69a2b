#include "CLibUtil_MyQueue.h"

#include <cstring>
#include <new>

#include "liblog.h"
#include "libutil_log.h"

CLibUtil_MyQueue::CLibUtil_MyQueue(int nElementSize, int nCapacity, int nLockMode,
                                   const char* lpName)
    : m_nElementSize(nElementSize),
      m_nSlotCount(nCapacity >= 0 && nCapacity < 0x7FFFFFFF ? nCapacity + 1 : 1),
      m_nLockMode(nLockMode),
      m_nWrite(0),
      m_nRead(0),
      m_pBuffer(nullptr),
      m_pcMutex(nullptr) {
  libutil_copyname(m_szName, lpName);
  if (m_nLockMode == 1) m_pcMutex = new (std::nothrow) CLibUtil_MyMutex(m_szName);
  if (nElementSize > 0 && nCapacity >= 0 && nCapacity < 0x7FFFFFFF) {  // else no buffer
    size_t bytes = static_cast<size_t>(nElementSize) * static_cast<size_t>(m_nSlotCount);
    m_pBuffer = new (std::nothrow) unsigned char[bytes];
  }
  if (!Usable()) {
    liblog::PrintEx(libutil_errorflags(),
                    "CLibUtil_MyQueue::CLibUtil_MyQueue -> cannot make the queue buffer or its "
                    "lock, queue name = [%s], element size = %d, capacity = %d",
                    m_szName, nElementSize, nCapacity);
    return;
  }
  Clear();
}

CLibUtil_MyQueue::~CLibUtil_MyQueue() {
  delete[] m_pBuffer;
  delete m_pcMutex;
}

bool CLibUtil_MyQueue::Usable() const {
  return m_pBuffer != nullptr && (m_nLockMode != 1 || m_pcMutex != nullptr);
}

void CLibUtil_MyQueue::Lock() {
  if (m_nLockMode == 1) m_pcMutex->Lock();  // a failed wait is logged; the queue goes on
}

void CLibUtil_MyQueue::Unlock() {
  if (m_nLockMode == 1) m_pcMutex->Unlock();
}

void CLibUtil_MyQueue::Clear() {
  if (!Usable()) return;
  m_nWrite = 0;
  m_nRead = 0;
  memset(m_pBuffer, 0, static_cast<size_t>(m_nElementSize) * static_cast<size_t>(m_nSlotCount));
}

int CLibUtil_MyQueue::GetCount() {
  if (!Usable()) return 0;
  return (m_nWrite + m_nSlotCount - m_nRead) % m_nSlotCount;
}

bool CLibUtil_MyQueue::PutData(const void* pData, const char* /*lpTag*/) {
  if (!Usable() || pData == nullptr) return false;
  Lock();
  if (GetCount() == m_nSlotCount - 1) {
    Unlock();
    liblog::PrintEx(libutil_errorflags(),
                    "CLibUtil_MyQueue::PutData -> queue overflow !!! queue name = [%s] ",
                    m_szName);
    return false;
  }
  memcpy(m_pBuffer + static_cast<size_t>(m_nWrite) * static_cast<size_t>(m_nElementSize), pData,
         static_cast<size_t>(m_nElementSize));
  m_nWrite = (m_nWrite + 1) % m_nSlotCount;
  Unlock();
  return true;
}

bool CLibUtil_MyQueue::GetData(void* pData, const char* /*lpTag*/) {
  if (!Usable() || pData == nullptr) return false;
  Lock();
  if (GetCount() == 0) {
    Unlock();
    return false;
  }
  memcpy(pData, m_pBuffer + static_cast<size_t>(m_nRead) * static_cast<size_t>(m_nElementSize),
         static_cast<size_t>(m_nElementSize));
  m_nRead = (m_nRead + 1) % m_nSlotCount;
  Unlock();
  return true;
}
