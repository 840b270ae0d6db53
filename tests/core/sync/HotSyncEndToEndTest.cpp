#include "support/TestDatabase.h"
#include "core/sync/EndToEndFixture.h"
#include "core/sync/RequestTable.h"
#include "core/xbase/DbfBuilder.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun run(const char* program, const QStringList& args) {
    QProcess p;
    p.start(QString::fromUtf8(program), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The trimmed first field of every record of a device table.
QStringList codes(const QString& device, const QString& file) {
    THalcyonDataSet dbf;
    dbf.SetReadOnly(true);
    dbf.SetDatabaseName(device);
    dbf.SetTableName(file);
    dbf.Open();
    QStringList list;
    for (dbf.First(); !dbf.Eof(); dbf.Next()) {
        list << dbf.Fields(0).AsString().trimmed();
    }
    dbf.Close();
    return list;
}

// The register with its operators.
struct HotSyncEndToEnd : EndToEndRegister {
    void SetUp() override {
        EndToEndRegister::SetUp();
        db.exec(
            QStringLiteral("INSERT INTO Operadores VALUES ('01', 'abc', 'Ana'), "
                           "('02', NULL, 'Rui')"));
    }

    ProgramRun cli(const QString& appDir, const QStringList& args) {
        return run(AMBITRA_CLI, QStringList{QStringLiteral("--app-dir"), appDir} + args);
    }
    QStringList kept() const {
        const QDir folder(db.dir().path() + QStringLiteral("/Recebidos"));
        QStringList paths;
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            paths << folder.filePath(name);
        }
        return paths;
    }

    ProgramRun handheld(const QStringList& args) {
        return run(AMBITRA_HANDHELD, QStringList{QStringLiteral("--device"), device.path()} + args);
    }
    ProgramRun hotsync(const QStringList& extra = {}) {
        return run(AMBITRA_CLI, QStringList{QStringLiteral("--app-dir"), db.dir().path(),
                                            QStringLiteral("hotsync"), QStringLiteral("--user"),
                                            QStringLiteral("Coletor 1"), QStringLiteral("--device"),
                                            device.path()} +
                                    extra);
    }
};

}  // namespace

TEST_F(HotSyncEndToEnd, ALoadAndAnUnloadThroughTheCradle) {
    ASSERT_EQ(handheld({QStringLiteral("request"), QStringLiteral("load")}).exitCode, 0);
    const ProgramRun load = hotsync({QStringLiteral("--location"), QStringLiteral("0101"),
                                     QStringLiteral("--location"), QStringLiteral("0202")});
    ASSERT_EQ(load.exitCode, 0) << load.out.toStdString() << load.err.toStdString();
    const QString exchange = db.dir().path() + QStringLiteral("/Pilot/Coletor 1/SatFormsEE");
    EXPECT_TRUE(load.out.contains(QStringLiteral("> Arquivo ") + exchange +
                                  QStringLiteral("/BENS.DBF enviado ao Palm com sucesso.\n")));
    EXPECT_TRUE(load.out.endsWith(
        QStringLiteral("> Sincronização encerrada. Aguardando um \"novo\" HotSync® ...\n\n")));
    EXPECT_EQ(codes(device.path(), QStringLiteral("OPERADOR.DBF")),
              (QStringList{QStringLiteral("01"), QStringLiteral("02")}));
    EXPECT_EQ(codes(device.path(), QStringLiteral("LOCAIS.DBF")),
              (QStringList{QStringLiteral("0101"), QStringLiteral("0202")}));
    EXPECT_EQ(codes(device.path(), QStringLiteral("BENS.DBF")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_EQ(RequestTable::Read(device.path()).remove(u' '), QStringLiteral("X|*"));

    // Readings: a move, a condition change, a new asset; then the unload.
    const QString day = QStringLiteral("--date");
    EXPECT_EQ(handheld({QStringLiteral("read"), QStringLiteral("1"), QStringLiteral("--local"),
                        QStringLiteral("0202"), QStringLiteral("--operador"), QStringLiteral("Ana"),
                        day, QStringLiteral("20240309")})
                  .exitCode,
              0);
    EXPECT_EQ(handheld({QStringLiteral("read"), QStringLiteral("2"), QStringLiteral("--situacao"),
                        QStringLiteral("02"), QStringLiteral("--operador"), QStringLiteral("Rui"),
                        day, QStringLiteral("20240309")})
                  .exitCode,
              0);
    EXPECT_EQ(handheld({QStringLiteral("read"), QStringLiteral("9"), QStringLiteral("--nome"),
                        QStringLiteral("Novo bem"), QStringLiteral("--local"),
                        QStringLiteral("0101"), QStringLiteral("--operador"), QStringLiteral("Ana"),
                        day, QStringLiteral("20240309")})
                  .exitCode,
              0);
    ASSERT_EQ(handheld({QStringLiteral("request"), QStringLiteral("unload")}).exitCode, 0);
    const ProgramRun unload = hotsync();
    ASSERT_EQ(unload.exitCode, 0) << unload.out.toStdString() << unload.err.toStdString();
    EXPECT_TRUE(unload.out.contains(
        QStringLiteral("   Processamento de 3 registros de inventário concluído!\n")));

    EXPECT_EQ(db.column(QStringLiteral(
                  "SELECT LGBEM || '|' || LGUSUARIO || '|' || coalesce(LGOPERADOR, '') || '|' || "
                  "LGOCORRENC FROM Log ORDER BY rowid")),
              (QStringList{QStringLiteral("1|Coletor 1|Ana|LOCAL:0101>0202"),
                           QStringLiteral("2|Coletor 1|Rui|SITUACAO:01>02"),
                           QStringLiteral("9|Coletor 1|Ana|NOVO")}));
    EXPECT_EQ(db.column(QStringLiteral(
                  "SELECT BECODIGO || '|' || BELOCAL || '|' || BESITUACAO || '|' || BEULTINV "
                  "FROM Bens WHERE BECODIGO IN ('1', '2') ORDER BY BECODIGO")),
              (QStringList{QStringLiteral("1|0202|01|2024-03-09"),
                           QStringLiteral("2|0101|02|2024-03-09")}));
    EXPECT_EQ(RequestTable::Read(device.path()).remove(u' '), QStringLiteral("X|*"));
}

TEST_F(HotSyncEndToEnd, ACycleWithoutARequestTableStillEnds) {
    const ProgramRun r = hotsync();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("> Falha recebendo do Palm o arquivo ")));
    EXPECT_EQ(hotsync({QStringLiteral("--location"), QStringLiteral("77")}).exitCode, 1);
}

TEST_F(HotSyncEndToEnd, AFailedUnloadExitsOneAndItsCopyCanBeAppliedAgain) {
    ASSERT_EQ(handheld({QStringLiteral("request"), QStringLiteral("load")}).exitCode, 0);
    ASSERT_EQ(hotsync().exitCode, 0);
    const QString assets = device.path() + QStringLiteral("/BENS.DBF");
    const QByteArray loaded = readAll(assets);
    // A returned table without BEFLAG: the error is shown, the copy kept, exit 1.
    ASSERT_EQ(handheld({QStringLiteral("request"), QStringLiteral("unload")}).exitCode, 0);
    QFile::remove(assets);
    {
        GSO_DBFBuild builder(device.path() + QStringLiteral("/BENS.DBF"));
        builder.AddField(QStringLiteral("BECODIGO"), u'C', 13, 0);
        builder.WriteTable();
    }
    ProgramRun r = hotsync();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Field 'BEFLAG' not found"))) << r.err.toStdString();
    ASSERT_EQ(kept().size(), 1);
    EXPECT_TRUE(kept().first().endsWith(QStringLiteral("-Coletor 1-BENS.DBF")));

    // A good unload through a cycle, then its copy applied to a second, equal register.
    writeAll(assets, loaded);
    ASSERT_EQ(
        handheld({QStringLiteral("read"), QStringLiteral("1"), QStringLiteral("--local"),
                  QStringLiteral("0202"), QStringLiteral("--operador"), QStringLiteral("Ana")})
            .exitCode,
        0);
    ASSERT_EQ(handheld({QStringLiteral("request"), QStringLiteral("unload")}).exitCode, 0);
    QFile::remove(kept().first());
    r = hotsync();
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    ASSERT_EQ(kept().size(), 1);
    const QString unloadLines =
        r.out.section(QStringLiteral("> Processando"), 1).section(QStringLiteral("\n\n"), 0, 0);

    TestDatabase other;
    for (const char* sql : {"INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1')",
                            "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO) VALUES "
                            "('1', 'Mesa', '0101', '01')"}) {
        other.exec(QString::fromLatin1(sql));
    }
    const ProgramRun again =
        cli(other.dir().path(), {QStringLiteral("unload"), kept().first(), QStringLiteral("--user"),
                                 QStringLiteral("Coletor 1")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(again.out, QStringLiteral("> Processando") + unloadLines + u'\n');
    const QString rows = QStringLiteral(
        "SELECT LGBEM || '|' || LGUSUARIO || '|' || LGOPERADOR || '|' || LGOCORRENC FROM Log");
    EXPECT_EQ(other.column(rows), db.column(rows));
    EXPECT_EQ(other.column(rows), QStringList{QStringLiteral("1|Coletor 1|Ana|LOCAL:0101>0202")});

    // A file that is not there, and bad usage.
    EXPECT_EQ(cli(other.dir().path(), {QStringLiteral("unload"), QStringLiteral("/none/BENS.DBF"),
                                       QStringLiteral("--user"), QStringLiteral("U")})
                  .exitCode,
              1);
    EXPECT_EQ(cli(other.dir().path(), {QStringLiteral("unload"), kept().first()}).exitCode, 2);
}

TEST_F(HotSyncEndToEnd, TheAnswerReplacesTheDevicesRequestTableInAnyLetterCase) {
    ASSERT_EQ(handheld({QStringLiteral("request"), QStringLiteral("load")}).exitCode, 0);
    QDir dev(device.path());
    ASSERT_TRUE(dev.rename(QStringLiteral("COMUNICA.DBF"), QStringLiteral("comunica.dbf")));
    EXPECT_EQ(hotsync().exitCode, 0);
    EXPECT_FALSE(dev.entryList(QDir::Files).contains(QStringLiteral("COMUNICA.DBF")));
    THalcyonDataSet dbf;
    dbf.SetDatabaseName(device.path());
    dbf.SetTableName(QStringLiteral("comunica.dbf"));
    dbf.Open();
    dbf.First();
    EXPECT_EQ(dbf.FieldByName(QStringLiteral("OPERACAO")).AsString(), QStringLiteral("X"));
    dbf.Close();
}

TEST_F(HotSyncEndToEnd, AProgramFolderWithASemicolonKeepsItsDatabase) {
    QTemporaryDir root;
    const QString folder = root.path() + QStringLiteral("/a;b");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int i = 0; i < 2; ++i) {
        const ProgramRun r = cli(folder, {QStringLiteral("init")});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/Ambitra.db")).size() > 0);
    EXPECT_FALSE(QFileInfo::exists(root.path() + QStringLiteral("/a")));
}
