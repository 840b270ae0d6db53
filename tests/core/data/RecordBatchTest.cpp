#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/DataTable.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/RecordBatch.h"
#include "support/TestDatabase.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

// Texts that a list of values in one parameter could take for its own syntax.
const QStringList kTexts{QStringLiteral("a\"b"),
                         QStringLiteral("c\\d"),
                         QStringLiteral("{x,y}"),
                         QStringLiteral("NULL"),
                         QString(),
                         QStringLiteral(" spaced "),
                         QStringLiteral("Sé ção"),
                         QStringLiteral("'q'")};

QString code(int n) {
    return QStringLiteral("B%1").arg(n, 3, 10, QLatin1Char('0'));
}

struct Refusal {
    qint64 record;
    QString error;
};

// Stores a record as the runs do: a failure the engine reports at once (the
// embedded engine) is undone there; on a server it may come when the batch is sent.
void store(RecordBatch& records, DataTable& bens, int record, const QString& key,
           const std::function<void()>& assign, QList<Refusal>& refused) {
    records.begin(record);
    try {
        if (bens.locate(key)) {
            bens.edit();
        } else {
            bens.insert();
            bens.setValue(QStringLiteral("BECODIGO"), key);
        }
        assign();
        bens.post();
        records.keep();
    } catch (const Error& error) {
        bens.cancel();
        records.undo(true);
        refused.append({record, error.message()});
    }
}

}  // namespace

TEST(RecordBatch, RowsArriveExactlyAndARefusedRecordIsToldAndForgotten) {
    TestDatabase db;
    Connection& connection = db.dados().Conn();
    DataTable& bens = db.dados().TBens();
    bens.open();
    QList<Refusal> refused;
    {
        Transaction transaction(connection);
        RecordBatch records(connection, 0);
        records.onRefused([&refused](qint64 record, int, const QString& error) {
            refused.append({record, error});
            return true;
        });
        for (int n = 0; n < 250; ++n) {
            store(
                records, bens, n, code(n),
                [&] {
                    // One name longer than its column: the engine refuses that row.
                    bens.setValue(QStringLiteral("BENOME"),
                                  n == 7 ? QString(40, u'x') : kTexts[n % kTexts.size()]);
                    bens.setValue(QStringLiteral("BEVALOR"), n * 1000.125);
                    bens.setValue(QStringLiteral("BECOMPRA"), QDate(2020, 1, 1).addDays(n));
                },
                refused);
        }
        // A row written again in the same batch, after its insert.
        store(
            records, bens, 250, code(3),
            [&] { bens.setValue(QStringLiteral("BEFABRICA"), QStringLiteral("Outra")); }, refused);
        records.finish();
        transaction.commit();
    }
    ASSERT_EQ(refused.size(), 1) << qPrintable(refused.value(0).error);
    EXPECT_EQ(refused[0].record, 7);
    EXPECT_TRUE(refused[0].error.contains(QStringLiteral("CK_Bens_BENOME"), Qt::CaseInsensitive))
        << qPrintable(refused[0].error);
    // The table's own rows agree with the register: the refused one is not there.
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Bens")).toInt(), 249);
    EXPECT_EQ(bens.rowCount(), 249);
    EXPECT_FALSE(bens.locate(code(7)));
    for (const int n : {0, 1, 2, 3, 4, 5, 6, 13, 249}) {
        ASSERT_TRUE(bens.locate(code(n)));
        const QString stored = db.scalar(QStringLiteral("SELECT BENOME FROM Bens WHERE BECODIGO "
                                                        "= '%1'")
                                             .arg(code(n)))
                                   .toString();
        EXPECT_EQ(stored, kTexts[n % kTexts.size()]) << n;
        EXPECT_EQ(
            db.scalar(QStringLiteral("SELECT BEVALOR FROM Bens WHERE BECODIGO = '%1'").arg(code(n)))
                .toDouble(),
            n * 1000.125);
        EXPECT_EQ(
            db.scalar(
                  QStringLiteral("SELECT BECOMPRA FROM Bens WHERE BECODIGO = '%1'").arg(code(n)))
                .toString()
                .left(10),
            QDate(2020, 1, 1).addDays(n).toString(Qt::ISODate));
    }
    EXPECT_TRUE(
        db.scalar(QStringLiteral("SELECT BENOME FROM Bens WHERE BECODIGO = 'B004'")).isNull());
    EXPECT_EQ(db.column(QStringLiteral("SELECT BEFABRICA FROM Bens WHERE BECODIGO = 'B003'")),
              QStringList{QStringLiteral("Outra")});
}

// A run that did not say how it goes on past a refused record is never told
// that the record was stored.
TEST(RecordBatch, ARefusalNobodyListensForIsAnError) {
    TestDatabase db;
    Connection& connection = db.dados().Conn();
    DataTable& bens = db.dados().TBens();
    bens.open();
    Transaction transaction(connection);
    RecordBatch records(connection, 0);
    EXPECT_THROW(
        {
            records.begin(1);
            bens.insert();
            bens.setValue(QStringLiteral("BECODIGO"), code(1));
            bens.setValue(QStringLiteral("BENOME"), QString(40, u'x'));
            bens.post();
            records.keep();
            records.finish();
        },
        Error);
}

// On a server each column's values travel as one array parameter: whatever a
// value holds, it neither ends its element nor the array early.
TEST(RecordBatch, ValuesTravelAsOneArrayUnchanged) {
    TestDatabase db;
    Connection& connection = db.dados().Conn();
    if (!connection.engine().writesRowsTogether()) {
        return;  // the embedded engine writes a row per statement
    }
    QList<QVariant> values(kTexts.cbegin(), kTexts.cend());
    values << QVariant() << QStringLiteral("\"") << QStringLiteral("\\");
    QSqlQuery query(connection.database());
    ASSERT_TRUE(query.prepare(QStringLiteral(
        "SELECT v FROM unnest(CAST(? AS VARCHAR[])) WITH ORDINALITY AS a(v, n) ORDER BY n")));
    query.addBindValue(connection.engine().arrayParameter(values));
    ASSERT_TRUE(query.exec()) << qPrintable(query.lastError().text());
    QList<QVariant> back;
    while (query.next()) {
        back << query.value(0);
    }
    ASSERT_EQ(back.size(), values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        EXPECT_EQ(back[i].isNull(), values[i].isNull()) << i;
        EXPECT_EQ(back[i].toString(), values[i].toString()) << i;
    }
}
