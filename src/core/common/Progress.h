#pragma once

#include <QtGlobal>

namespace ambitra {

// How the core announces long work. Windows turn it into wait cursors and a
// progress bar and let pending input through (so Cancelar is seen); the
// command-line companion into a progress line on a terminal; the default does
// nothing.
class Progress {
  public:
    enum class Cursor { Busy, DatabaseWait };

    virtual ~Progress() = default;

    virtual void beginBusy(Cursor cursor = Cursor::Busy) { Q_UNUSED(cursor); }
    virtual void endBusy() {}

    virtual void setMaximum(qint64 maximum) { Q_UNUSED(maximum); }
    // A run that knows its size in bytes of the file it reads, not in records:
    // each advance is then one record of that many bytes.
    virtual void setMaximumBytes(qint64 maximum) { setMaximum(maximum); }
    virtual void setValue(qint64 value) { Q_UNUSED(value); }
    virtual void advance(qint64 step = 1) { Q_UNUSED(step); }
    // Lets the window process pending input. Called after every record of a run,
    // so implementations must keep it cheap (e.g. act at most every few ms).
    virtual void yield() {}
};

// A do-nothing progress for callers that show none.
Progress& noProgress();

// Shows the busy cursor for the lifetime of the guard, also when an error escapes.
class BusyGuard {
  public:
    explicit BusyGuard(Progress& progress, Progress::Cursor cursor = Progress::Cursor::Busy)
        : m_progress(progress) {
        m_progress.beginBusy(cursor);
    }
    ~BusyGuard() { m_progress.endBusy(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

  private:
    Progress& m_progress;
};

}  // namespace ambitra
