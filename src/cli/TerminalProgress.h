#pragma once

#include "core/common/Progress.h"

#include <QElapsedTimer>
#include <QString>

namespace ambitra::cli {

// Long runs seen from a terminal: one line on stderr, rewritten in place, with
// the records done of the total, the percentage and the records per second.
// Scripts, whose stderr is no terminal, get noProgress() and see nothing extra.
class TerminalProgress : public Progress {
  public:
    // The progress the commands report to: this one only when stderr is a terminal.
    static Progress& forStderr();

    void setMaximum(qint64 maximum) override;
    void setMaximumBytes(qint64 maximum) override;
    void setValue(qint64 value) override;
    void advance(qint64 step = 1) override;
    void endBusy() override;

    // The line for records done of maximum (units of bytes when bytes is set)
    // after seconds.
    static QString lineText(qint64 records, qint64 done, qint64 maximum, bool bytes,
                            double seconds);

  private:
    void start(qint64 maximum, bool bytes);
    void show();

    qint64 m_maximum = 0;
    qint64 m_done = 0;
    qint64 m_records = 0;
    bool m_bytes = false;
    QElapsedTimer m_started;
    QElapsedTimer m_shown;
};

}  // namespace ambitra::cli
