#pragma once

#include "core/common/Progress.h"

#include <QList>
#include <QStringList>
#include <QVariant>
#include <QString>

#include <utility>

class QSqlQuery;

namespace ambitra {

class Connection;

// Rows go to the target a batch at a time: on a server each statement is a round
// trip, and a register of a million assets took one per row.
constexpr int kCopyBatchRows = 200;

// The insert of count rows of the given columns in one statement ("?" marks),
// its text and prepared on the target.
QString insertStatement(const QString& table, const QStringList& columns, int count);
QSqlQuery prepareInsert(Connection& target, const QString& table, const QStringList& columns,
                        int count);

// Inserts one copied row alone; a refusal is raised as an Error worded with the
// row's own values.
void insertCopiedRow(QSqlQuery& insert, const QStringList& columns, const QList<QVariant>& values);
// Inserts a batch of copied rows in one statement; when the engine refuses it,
// the batch is undone and its rows are inserted one by one, so that the refusal
// names the row and the value at fault.
void insertCopiedBatch(Connection& target, QSqlQuery& many, QSqlQuery& one,
                       const QStringList& columns, const QList<QList<QVariant>>& batch);

// Copies a whole register kept in an embedded database file into the open
// register (a server's, as a shared register starts from a desktop's file):
// every table of the file, every row, in the order the rows were added, in one
// transaction. A register that already holds rows is never written to.
class RegisterCopy {
  public:
    // Rows copied, by table, in the order the tables were copied.
    using Counts = QList<std::pair<QString, qint64>>;

    explicit RegisterCopy(Connection& target) : m_target(target) {}

    // Raises an Error in the user's words when the file cannot be read, a table
    // or column of it has no place in the register, the register already holds
    // rows, or a row is refused; nothing is kept then.
    Counts copyFrom(const QString& file, Progress& progress = noProgress());

  private:
    Connection& m_target;
};

}  // namespace ambitra
