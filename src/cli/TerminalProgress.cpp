#include "cli/TerminalProgress.h"

#include "cli/CliPrompter.h"

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace ambitra::cli {

namespace {

// Often enough to look alive, rarely enough to cost nothing on a million rows.
constexpr qint64 kRedrawMs = 200;

bool stderrIsTerminal() {
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) == 1;
#else
    return false;
#endif
}

}  // namespace

Progress& TerminalProgress::forStderr() {
    static TerminalProgress terminal;
    return stderrIsTerminal() ? static_cast<Progress&>(terminal) : noProgress();
}

QString TerminalProgress::lineText(qint64 records, qint64 done, qint64 maximum, bool bytes,
                                   double seconds) {
    const qint64 percent = maximum > 0 ? std::clamp<qint64>(done * 100 / maximum, 0, 100) : 0;
    const qint64 rate = seconds > 0 ? static_cast<qint64>(records / seconds) : 0;
    // A text file's size is known in bytes only: its record count shows without a total.
    const QString count = bytes ? QStringLiteral("%1 registros").arg(records)
                                : QStringLiteral("%1 de %2 registros").arg(records).arg(maximum);
    return count + QStringLiteral(" (%1%), %2 registros/s").arg(percent).arg(rate);
}

void TerminalProgress::start(qint64 maximum, bool bytes) {
    clearStatusLine();
    m_maximum = maximum;
    m_bytes = bytes;
    m_done = 0;
    m_records = 0;
    m_started.start();
    m_shown.start();
}

void TerminalProgress::setMaximum(qint64 maximum) {
    start(maximum, false);
}

void TerminalProgress::setMaximumBytes(qint64 maximum) {
    start(maximum, true);
}

void TerminalProgress::setValue(qint64 value) {
    m_done = value;
    if (!m_bytes) {
        m_records = value;
    }
}

void TerminalProgress::advance(qint64 step) {
    m_done += step;
    m_records += m_bytes ? 1 : step;
    if (m_shown.isValid() && m_shown.elapsed() >= kRedrawMs) {
        show();
    }
}

void TerminalProgress::endBusy() {
    clearStatusLine();
}

void TerminalProgress::show() {
    m_shown.start();
    showStatusLine(lineText(m_records, m_done, m_maximum, m_bytes, m_started.elapsed() / 1000.0));
}

}  // namespace ambitra::cli
