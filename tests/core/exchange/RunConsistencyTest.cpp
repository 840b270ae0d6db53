// An import run is one transaction and an export run reads one view of the
// register, whatever happens to the program or what other programs do.

#include "core/exchange/ExchangeFixture.h"

#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"

#include <QFile>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace ambitra;
using namespace ambitra::test;
using Direction = ExchangeRun::Direction;

namespace {

const auto kAll = [](int) { return true; };

// Every row of every table, in a fixed order.
QStringList dumpRegister(ExchangeFixture& f) {
    QStringList dump;
    for (const char* table : {"Operadores", "Locais", "Bens", "Status"}) {
        dump << QString::fromLatin1(table) << f.rows(QString::fromLatin1(table));
    }
    dump << f.db.column(
        QStringLiteral("SELECT LGBEM || '|' || LGOCORRENC FROM Log "
                       "ORDER BY LGBEM, LGOCORRENC"));
    return dump;
}

void fill(ExchangeFixture& f, const char* prefix, int operators, int locations, int assets) {
    const QString p = QString::fromLatin1(prefix);
    f.db.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < operators; ++i) {
        f.db.exec(QStringLiteral("INSERT INTO Operadores VALUES (?, 'pw', ?)"),
                  {QString(p + QString::number(i)), QString(p + QStringLiteral(" operador"))});
    }
    for (int i = 0; i < locations; ++i) {
        f.db.exec(QStringLiteral("INSERT INTO Locais VALUES (?, 'P', 'D', ?)"),
                  {QString(p + QString::number(i)), p});
    }
    for (int i = 0; i < assets; ++i) {
        const QString code = p + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        f.db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BEVALOR) "
                                 "VALUES (?, ?, ?, ?)"),
                  {code, QString(p + QStringLiteral(" bem")),
                   QString(p + QString::number(i % locations)), i});
        if (i % 4 == 0) {
            f.db.exec(QStringLiteral("INSERT INTO Log (LGBEM, LGOCORRENC) VALUES (?, 'NOVO')"),
                      {code});
        }
    }
    f.db.exec(QStringLiteral("COMMIT"));
    for (DataTable* t : {&f.operadores(), &f.locais(), &f.bens()}) {
        t->requery();
    }
}

void emptyRegister(ExchangeFixture& f) {
    for (const char* table : {"Log", "Status", "Bens", "Locais", "Operadores"}) {
        f.db.exec(QStringLiteral("DELETE FROM ") + QString::fromLatin1(table));
    }
}

void reopen(ExchangeFixture& f) {
    ASSERT_TRUE(f.db.dados().OpenDatabase());
    for (DataTable* t : {&f.operadores(), &f.locais(), &f.bens()}) {
        t->open();
    }
}

// The database file as it was when saved, without what a killed program left.
void restore(const QString& database, const QString& saved) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        QFile::remove(database + QString::fromLatin1(suffix));
    }
    ASSERT_TRUE(QFile::copy(saved, database));
}

struct CountingProgress : Progress {
    int steps = 0;
    void yield() override { ++steps; }
};

}  // namespace

// A child process runs an import of three tables in two formats each, with the
// tables emptied first, and dies at one of twenty moments spread over the run:
// the register is afterwards exactly as before the run, never some tables new
// and others old; a run that ends leaves it exactly as after.
TEST(RunConsistency, AnImportKilledAtAnyOfTwentyPointsLeavesTheRegisterBeforeOrAfter) {
    ExchangeFixture f;
    f.useFormats(true, false, false, true);
    fill(f, "N", 4, 4, 30);
    f.run.RunTables(Direction::Export, kAll);
    emptyRegister(f);
    fill(f, "V", 3, 3, 20);
    const QStringList before = dumpRegister(f);
    // The file is put back by a copy of it; a server's register is filled again.
    const bool file = f.db.dados().Conn().engine().isFile();
    const QString database = f.db.dir().file(QStringLiteral("Ambitra.db"));
    const QString saved = f.db.dir().file(QStringLiteral("saved.db"));
    if (file) {
        // Everything in the database file itself, so that the file alone is the copy.
        f.db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        f.db.dados().CloseDatabase();
        ASSERT_TRUE(QFile::copy(database, saved));
        reopen(f);
    }

    CountingProgress counting;
    f.run.setProgress(counting);
    f.run.OverwriteData = true;
    f.run.RunTables(Direction::Import, kAll);
    ASSERT_TRUE(f.db.prompter().texts().isEmpty());
    const QStringList after = dumpRegister(f);
    ASSERT_NE(after, before);
    ASSERT_EQ(counting.steps, 2 * (4 + 4 + 30));

    constexpr int kPoints = 20;
    for (int point = 0; point <= kPoints; ++point) {
        // Points 0..19 lie inside the run; point 20 lets the run end first.
        const int step = 1 + point * (counting.steps - 1) / (kPoints - 1);
        if (file) {
            f.db.dados().CloseDatabase();
            restore(database, saved);
        } else {
            emptyRegister(f);
            fill(f, "V", 3, 3, 20);
            f.db.dados().CloseDatabase();
        }
        const pid_t child = ::fork();
        if (child == 0) {
            if (!f.db.dados().OpenDatabase()) {
                ::_exit(3);
            }
            for (DataTable* t : {&f.operadores(), &f.locais(), &f.bens()}) {
                t->open();
            }
            CallbackProgress killer(step, [] { ::_exit(0); });
            f.run.setProgress(killer);
            f.run.OverwriteData = true;
            f.run.RunTables(Direction::Import, kAll);
            ::_exit(point == kPoints ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "point " << point;
        reopen(f);
        if (file) {
            EXPECT_EQ(f.db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                      QStringLiteral("ok"));
        }
        const QStringList found = dumpRegister(f);
        EXPECT_EQ(found, point == kPoints ? after : before)
            << "point " << point << ", step " << step;
    }
}

// A run stopped by a record error keeps, for every other program, the files
// before it and the records of its file before the failing one.
TEST(RunConsistency, AStoppedImportKeepsWhatItStoredBeforeTheError) {
    ExchangeFixture f;
    f.useFormats(false, false, false, true);
    f.write(QStringLiteral("LOCAIS.CSV"), "\"1\",\"P\",\"D\",\"S\"\r\n");
    f.write(QStringLiteral("BENS.CSV"), "\"B1\",\"Mesa\"\r\n\"\",\"Sem codigo\"\r\n");
    f.run.RunTables(Direction::Import, [](int i) { return i > 0; });
    ASSERT_EQ(f.db.prompter().texts().size(), 1);
    Connection other;
    f.db.connectAnother(other);
    auto codes = [&other](const char* sql) {
        QSqlQuery q(other.database());
        QStringList values;
        EXPECT_TRUE(q.exec(QString::fromLatin1(sql)));
        while (q.next()) {
            values << q.value(0).toString();
        }
        return values.join(u',');
    };
    EXPECT_EQ(codes("SELECT LOCODIGO FROM Locais") + u'/' + codes("SELECT BECODIGO FROM Bens"),
              QStringLiteral("1/B1"));
}

// Another program commits an import while an export run writes a dBase and a
// comma-separated file of 600 assets (more than one page of reads): both files
// hold the register as it was when the run began.
TEST(RunConsistency, AnExportRunSeesNothingOfAnImportCommittedMeanwhile) {
    ExchangeFixture f;
    f.useFormats(true, false, false, true);
    fill(f, "B", 1, 1, 600);
    Connection other;
    f.db.connectAnother(other);
    CallbackProgress committer(300, [&other] {
        Transaction import(other);
        other.exec(QStringLiteral("UPDATE Bens SET BENOME = 'Cadeira'"));
        other.exec(QStringLiteral("DELETE FROM Bens WHERE BECODIGO = 'B0599'"));
        other.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('B9999')"));
        import.commit();
    });
    f.run.setProgress(committer);
    f.run.RunTables(Direction::Export, [](int i) { return i == 2; });
    EXPECT_EQ(f.run.RunMessages, QStringLiteral("Exportação de 600 registros para BENS.DBF "
                                                "concluída!\r\nExportação de 600 registros para "
                                                "BENS.CSV concluída!\r\n"));
    for (const char* file : {"BENS.DBF", "BENS.CSV"}) {
        const QByteArray bytes = f.read(QString::fromLatin1(file));
        EXPECT_FALSE(bytes.contains("Cadeira")) << file;
        EXPECT_TRUE(bytes.contains("B0599")) << file;
        EXPECT_FALSE(bytes.contains("B9999")) << file;
    }
    EXPECT_EQ(f.read(QStringLiteral("BENS.CSV")).count("\r\n"), 600);
    // The view ends with the run: the next one sees the import.
    f.bens().requery();
    EXPECT_EQ(f.bens().indexOfKey(QStringLiteral("B9999")), 599);
}
