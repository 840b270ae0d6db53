#include "core/common/SyncLog.h"

namespace ambitra {

void SyncLog::append(const QString& message) {
    const QStringList added = message.split(QStringLiteral("\r\n"));
    for (const QString& line : added) {
        m_length += line.size() + (m_lines.isEmpty() ? 0 : 2);
        m_lines << line;
    }
    emit linesAdded(added);
    while (m_length > kMaxCharacters && !m_lines.isEmpty()) {
        m_length -= m_lines.first().size() + (m_lines.size() > 1 ? 2 : 0);
        m_lines.removeFirst();
    }
    emit changed();
}

void SyncLog::appendError(const QString& line) {
    ++m_errors;
    append(line);
}

void SyncLog::clear() {
    m_errors = 0;
    m_lines.clear();
    m_length = 0;
    emit changed();
}

}  // namespace ambitra
