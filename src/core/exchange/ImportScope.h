#pragma once

#include "core/data/RecordBatch.h"

#include <QString>

#include <functional>
#include <optional>

namespace ambitra {

class Connection;
class DataTable;
class ExchangeRun;

// The work of one import file: a savepoint inside the run's transaction (its
// own transaction when a routine is called alone). The emptying of the table
// and every record stored go in together: finish() keeps them, or undoes them
// when the emptied table was stopped by an error; leaving the scope without
// finish() (an error escaped the per-record handling) undoes them all and reads
// the table again, so it never stays emptied or half filled behind the user's
// back.
class ImportScope {
  public:
    // where names a record in the messages: the file and "linha " or "registro ".
    // The table is emptied here when the run overwrites.
    ImportScope(ExchangeRun& run, DataTable& table, const QString& where);
    ~ImportScope();
    ImportScope(const ImportScope&) = delete;
    ImportScope& operator=(const ImportScope&) = delete;

    // Reads the record's key, finds its row and edits it or adds one, lets
    // assign fill it and saves it, inside the file's record savepoints. A
    // failure of any of this drops the record, is shown, and stops the run.
    // True when stored.
    bool store(qint64 record, const std::function<QString()>& key,
               const std::function<void()>& assign);
    // The end of the file: the records still held go out, the file is kept or
    // undone, its completion line added (count records of shownName) unless the
    // run stopped, and the table is back on its first row.
    void finish(qint64 count, const QString& shownName);

  private:
    void commit();
    void rollback();
    void refused(qint64 record, const QString& error);

    ExchangeRun& m_run;
    Connection& m_connection;
    DataTable& m_table;
    QString m_where;
    bool m_nested;
    bool m_done = false;
    bool m_failed = false;
    // Its savepoint goes before the file's (see the destructor).
    std::optional<RecordBatch> m_records;
};

}  // namespace ambitra
