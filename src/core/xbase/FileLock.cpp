#include "core/xbase/FileLock.h"

#include <thread>

namespace ambitra {

FileLock::FileLock(TableFile& file, qint64 offset, std::chrono::milliseconds wait)
    : m_file(file), m_offset(offset) {
    using Clock = std::chrono::steady_clock;
    m_acquired = m_file.tryLockByte(m_offset);
    if (m_acquired || wait <= std::chrono::milliseconds::zero()) {
        return;
    }
    // Another writer holds an append lock for microseconds per record, so start
    // with short pauses; grow them so a long holder costs little CPU.
    const Clock::time_point deadline = Clock::now() + wait;
    std::chrono::microseconds pause(20);
    while (!m_acquired && Clock::now() < deadline) {
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(2000));
        m_acquired = m_file.tryLockByte(m_offset);
    }
}

void FileLock::release() {
    if (m_acquired) {
        m_file.unlockByte(m_offset);
        m_acquired = false;
    }
}

}  // namespace ambitra
