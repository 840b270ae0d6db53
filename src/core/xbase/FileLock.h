#pragma once

#include "core/xbase/TableFile.h"

#include <chrono>

namespace ambitra {

// Holds one byte lock of a table file for a scope.
//
// With no wait the lock is tried once. With a wait the lock is retried, with
// short growing pauses, until it is had or the wait is over: two programs that
// append to one table at the same moment take turns instead of one of them
// writing without the lock.
class FileLock {
  public:
    FileLock(TableFile& file, qint64 offset,
             std::chrono::milliseconds wait = std::chrono::milliseconds::zero());
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool acquired() const { return m_acquired; }
    void release();

  private:
    TableFile& m_file;
    qint64 m_offset;
    bool m_acquired = false;
};

}  // namespace ambitra
