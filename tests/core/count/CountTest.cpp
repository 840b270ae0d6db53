#include "core/common/Conversions.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/count/CountReport.h"
#include "core/count/CountReview.h"
#include "core/count/CountStore.h"
#include "core/count/CountFixture.h"
#include "core/sync/InventoryUnload.h"

#include "core/data/Connection.h"
#include "support/TestServer.h"

#include <QSqlDriver>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <thread>

using namespace ambitra;
using namespace ambitra::test;

TEST(Count, WithReviewOnTheUnloadKeepsClassifiedReadingsAndChangesNothing) {
    Counting c(true);
    const QStringList bens = c.bens();
    c.unload();
    EXPECT_EQ(c.log.lines(),
              (QStringList{QStringLiteral("> Processando dados descarregados do Palm..."),
                           QStringLiteral("   7 leituras aguardando conferência.")}));
    EXPECT_EQ(c.bens(), bens);
    EXPECT_TRUE(c.logRows().isEmpty());
    EXPECT_EQ(c.db.column(QStringLiteral("SELECT LECLASSE || '|' || LEESTADO FROM Leituras "
                                         "WHERE LECONTAGEM = 1 ORDER BY LESEQ")),
              (QStringList{QStringLiteral("unchanged|P"), QStringLiteral("condition|P"),
                           QStringLiteral("moved|P"), QStringLiteral("moved|P"),
                           QStringLiteral("serial|P"), QStringLiteral("new|P"),
                           QStringLiteral("invalid|P")}));

    QList<QString> listed;
    for (const CountStore::PendingRow& row : CountStore(c.db.dados()).pendingRows(1)) {
        listed << CountReview::describe(row);
    }
    EXPECT_EQ(
        listed,
        (QStringList{QStringLiteral("unchanged\t1"), QStringLiteral("condition\t2\t01>02"),
                     QStringLiteral("moved\t3\t0202>0101"), QStringLiteral("moved\t4\t0303>0202"),
                     QStringLiteral("serial\t5\tS1>S2"), QStringLiteral("new\t99\t>0202"),
                     QStringLiteral("invalid\t") + badEan13() + QStringLiteral("\t>0101")}));

    const CountReport report = CountReport::build(c.db.dados(), 1);
    EXPECT_EQ(
        report.lines(true),
        (QStringList{QStringLiteral("0101\t3\t3\t0\t0\t1\t0\t1"),
                     QStringLiteral("0202\t2\t0\t1\t1\t1\t1\t0"),
                     QStringLiteral("TOTAL\t5\t3\t1\t1\t2\t1\t1"),
                     QStringLiteral("missing\t6\t0202\t\tSofá"),
                     QStringLiteral("elsewhere\t3\t0202\t0101\tArmário"),
                     QStringLiteral("from_elsewhere\t4\t0303\t0202\tEstante"),
                     QStringLiteral("new\t99\t\t0202\tLido"),
                     QStringLiteral("invalid\t") + badEan13() + QStringLiteral("\t\t0101\tLido")}));
}

TEST(Count, AcceptingEveryReadingGivesTheRegisterOfAnUnloadWithoutReview) {
    Counting reviewed(true);
    reviewed.unload();
    reviewed.log.clear();
    CountReview review(reviewed.db.dados(), reviewed.log, noProgress());
    ASSERT_TRUE(review.accept(1, ReadingChoice::all()));

    Counting direct(false);
    direct.unload();
    EXPECT_EQ(reviewed.bens(), direct.bens());
    EXPECT_EQ(reviewed.logRows(), direct.logRows());
    EXPECT_EQ(direct.logRows(), (QStringList{QStringLiteral("Coletor|Ana|2|SITUACAO:01>02"),
                                             QStringLiteral("Coletor|Ana|3|LOCAL:0202>0101"),
                                             QStringLiteral("Coletor|Ana|4|LOCAL:0303>0202"),
                                             QStringLiteral("Coletor|Ana|5|NSERIE:S1>S2"),
                                             QStringLiteral("Coletor|Ana|99|NOVO")}));
    const QStringList completion{
        QStringLiteral("   Processamento de 6 registros de inventário concluído!"),
        QStringLiteral("   Verifique o LOG de inventário que tem 5 registros novos!")};
    EXPECT_EQ(reviewed.log.lines().mid(1), completion);
    // Without review the misread code is held, not made a new asset.
    const QStringList held{QStringLiteral("> Processando dados descarregados do Palm..."),
                           QStringLiteral("> Leitura do bem ") + badEan13() +
                               QStringLiteral(" retida: código inválido no padrão EAN-13.")};
    EXPECT_EQ(direct.log.lines(), held + completion);
    EXPECT_EQ(direct.log.errorCount(), 0);
    // Kept as applied, the readings have the classes and old values of the review.
    const QString kept = QStringLiteral(
        "SELECT LEBEM || '|' || LECLASSE || '|' || coalesce(LELOCANT, '') || '|' || "
        "coalesce(LESITANT, '') || '|' || coalesce(LESERANT, '') FROM Leituras ORDER BY LESEQ");
    EXPECT_EQ(reviewed.db.column(kept), direct.db.column(kept));
    // Both counts keep the held reading pending; the others are applied.
    for (Counting* c : {&reviewed, &direct}) {
        EXPECT_EQ(c->db.column(QStringLiteral("SELECT LEBEM FROM Leituras WHERE LEESTADO = 'P'")),
                  QStringList{badEan13()});
    }
    // Named, it is applied.
    reviewed.log.clear();
    ASSERT_TRUE(review.accept(1, ReadingChoice::codes({badEan13()})));
    EXPECT_EQ(reviewed.logRows().last(),
              QStringLiteral("Coletor|Ana|") + badEan13() + QStringLiteral("|NOVO"));
}

TEST(Count, ACodeReadTwiceIsClassedAgainstTheRegisterBeforeTheUnloadWithReviewOrNot) {
    QList<QStringList> classes;
    for (const bool review : {true, false}) {
        Counting c(review);
        c.writeReturnedAssets({reading("99", "0202"), reading("3", "0101"), reading("99", "0101"),
                               reading("3", "0202")});
        c.unload();
        classes << c.db.column(
            QStringLiteral("SELECT LECLASSE FROM Leituras WHERE LECONTAGEM = 1 ORDER BY LESEQ"));
        // Read last where it was sent for, the asset is seen there; the new
        // code stays new.
        EXPECT_EQ(CountReport::build(c.db.dados(), 1).lines(false).mid(0, 2),
                  (QStringList{QStringLiteral("0101\t3\t0\t3\t0\t0\t1\t0"),
                               QStringLiteral("0202\t2\t1\t1\t0\t0\t0\t0")}));
    }
    EXPECT_EQ(classes[0], (QStringList{QStringLiteral("new"), QStringLiteral("moved"),
                                       QStringLiteral("new"), QStringLiteral("unchanged")}));
    EXPECT_EQ(classes[1], classes[0]);
}

TEST(Count, EveryReadingOfALongFileIsKeptInItsPlace) {
    // More readings than a server gets in one statement, and some over; one
    // record late in the file fails, after readings were already sent.
    Counting c(false);
    QList<Record> records;
    for (int i = 1; i <= 250; ++i) {
        records << reading(i == 150 ? "" : QByteArray::number(1000 + i).constData(), "0101");
    }
    c.writeReturnedAssets(records);
    c.unload();
    EXPECT_EQ(
        c.db.column(QStringLiteral(
            "SELECT CAST(COUNT(*) AS VARCHAR) || '|' || CAST(MIN(LESEQ) AS VARCHAR) || '|' || "
            "CAST(MAX(LESEQ) AS VARCHAR) || '|' || CAST(SUM(CASE WHEN LEBEM = "
            "CAST(1000 + LESEQ AS VARCHAR) AND LECLASSE = 'new' AND LEESTADO = 'A' THEN 1 "
            "ELSE 0 END) AS VARCHAR) FROM Leituras WHERE LECONTAGEM = 1")),
        QStringList{QStringLiteral("250|1|250|249")});
    EXPECT_EQ(c.db.column(QStringLiteral(
                  "SELECT CAST(LESEQ AS VARCHAR) FROM Leituras WHERE LEESTADO = 'P'")),
              QStringList{QStringLiteral("150")});
    EXPECT_EQ(c.db.column(QStringLiteral("SELECT COUNT(*) FROM Bens WHERE LENGTH(BECODIGO) = 4")),
              QStringList{QStringLiteral("249")});
}

TEST(Count, ANamedCodeWithoutAPendingReadingAppliesNothing) {
    Counting c(true);
    c.unload();
    CountReview review(c.db.dados(), c.log, noProgress());
    try {
        review.accept(1, ReadingChoice::codes({QStringLiteral("1"), QStringLiteral("77")}));
        FAIL() << "accepted";
    } catch (const Error& error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("A contagem 1 não tem leitura pendente do bem 77."));
    }
    EXPECT_TRUE(c.logRows().isEmpty());
    EXPECT_EQ(review.reject(1, ReadingChoice::codes({QStringLiteral("3")})), 1);
    EXPECT_EQ(CountReport::build(c.db.dados(), 1).lines(false).first(),
              QStringLiteral("0101\t3\t3\t0\t0\t0\t0\t1"));
}

TEST(Count, ANewLoadClosesTheUsersOpenCountAndReadingsWithoutACountOpenOne) {
    SyncFixture f;
    CountStore store(f.db.dados());
    EXPECT_EQ(store.openCount(QStringLiteral("A"), {}, {}), 1);
    EXPECT_EQ(store.openCount(QStringLiteral("B"), {}, {}), 2);
    EXPECT_EQ(store.openCount(QStringLiteral("A"), {}, {}), 3);
    QStringList states;
    for (const CountInfo& info : store.counts()) {
        states << QStringLiteral("%1%2").arg(info.number).arg(QChar(info.open ? u'o' : u'c'));
    }
    EXPECT_EQ(states,
              (QStringList{QStringLiteral("3o"), QStringLiteral("2o"), QStringLiteral("1c")}));
    store.closeCount(3);
    f.writeReturnedAssets({reading("1", "0101")});
    InventoryUnload(f.db.dados(), f.log, noProgress())
        .ProcessFile(QStringLiteral("A"), f.path(QStringLiteral("BENS.DBF")));
    const std::optional<CountInfo> added = store.count(4);
    ASSERT_TRUE(added);
    EXPECT_TRUE(added->open);
    EXPECT_EQ(added->expected, 0);
    EXPECT_EQ(added->readings, 1);
    EXPECT_EQ(added->pending, 0);
    EXPECT_THROW(store.closeCount(3), Error);
}

namespace {

// pg_sleep(seconds) for the embedded engine, on this connection only.
void sleepFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
    std::this_thread::sleep_for(
        std::chrono::milliseconds(static_cast<int>(sqlite3_value_double(arguments[0]) * 1000)));
    sqlite3_result_null(context);
}

}  // namespace

TEST(Count, TheReportReadsOneRegisterWhileAnotherProgramCommits) {
    Counting c(true);
    c.unload();
    Connection& conn = c.db.dados().Conn();
    if (!onServer()) {
        const QVariant handle = conn.database().driver()->handle();
        sqlite3* db = *static_cast<sqlite3* const*>(handle.data());
        ASSERT_EQ(sqlite3_create_function(db, "pg_sleep", 1, SQLITE_UTF8, nullptr, sleepFunction,
                                          nullptr, nullptr),
                  SQLITE_OK);
    }
    // The assets are read slowly: another program commits while the report reads.
    c.db.exec(QStringLiteral("ALTER TABLE Bens RENAME TO Bens0"));
    c.db.exec(
        QStringLiteral("CREATE VIEW Bens AS SELECT * FROM Bens0 WHERE (SELECT count(*) FROM "
                       "(SELECT pg_sleep(0.6)) z) = 1"));
    std::thread other([&c] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Connection another;
        c.db.connectAnother(another);
        another.exec(QStringLiteral("UPDATE Bens0 SET BENOME = BENOME || '+'"));
    });
    const CountReport report = CountReport::build(c.db.dados(), 1);
    other.join();
    QStringList names;
    for (const CountDetail& detail : report.details()) {
        if (detail.kind != CountDetail::New && detail.kind != CountDetail::Invalid) {
            names << detail.name;
        }
    }
    ASSERT_GE(names.size(), 3);
    const qsizetype changed = names.filter(QStringLiteral("+")).size();
    EXPECT_TRUE(changed == 0 || changed == names.size()) << names.join(u',').toStdString();
}
