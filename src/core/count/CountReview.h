#pragma once

#include "core/count/CountStore.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace ambitra {

class Progress;
class SyncLog;
class TDados;

// Which pending readings a review takes: every one except those with an invalid
// code (which are taken only when named), those of the named codes, or those at
// the chosen places of the count.
class ReadingChoice {
  public:
    static ReadingChoice all();
    static ReadingChoice codes(const QStringList& codes);
    static ReadingChoice places(const QSet<int>& seqs);

    bool takes(const Reading& reading) const;
    // The named codes that no pending reading of rows has.
    QStringList unmatched(const QList<CountStore::PendingRow>& rows) const;

  private:
    enum class By { All, Codes, Places };
    By m_by = By::All;
    QSet<QString> m_codes;
    QSet<int> m_seqs;
};

// The review of a count's pending readings: each shown with its class and the
// values it would change, then applied (by the unload's own rules, in one
// transaction, with its log lines) or rejected (kept in the count, never
// applied).
class CountReview {
  public:
    CountReview(TDados& dados, SyncLog& log, Progress& progress);

    // A pending reading as the review lists it: class, code, then old>new for
    // each of location, condition and serial that it changes (for a code the
    // register does not hold, >location).
    static QString describe(const CountStore::PendingRow& row);

    // The chosen readings whose code fails the coding's check digit: applied,
    // each would become an asset under a misread code, so the windows ask first.
    static QList<CountStore::PendingRow> invalidChosen(const QList<CountStore::PendingRow>& rows,
                                                       const ReadingChoice& choice);
    // The question asked before applying them, naming their codes.
    static QString invalidCodesQuestion(const QList<CountStore::PendingRow>& invalid,
                                        const QString& codeBar);
    // The question asked before a count with pending readings is closed; empty
    // when it has none.
    static QString closeQuestion(const CountInfo& count);

    // Applies the chosen pending readings of the count; raises a message (and
    // applies nothing) when a named code has no pending reading. True when the
    // run reached its completion line.
    bool accept(int count, const ReadingChoice& choice);
    // Rejects them; returns how many. Raises like accept.
    int reject(int count, const ReadingChoice& choice);

    int processed() const { return m_processed; }

  private:
    void requireMatched(int count, const ReadingChoice& choice);

    TDados& m_dados;
    SyncLog& m_log;
    Progress& m_progress;
    int m_processed = 0;
};

}  // namespace ambitra
