#include "core/common/Error.h"
#include "core/legacy/LegacyCopy.h"
#include "core/legacy/LegacyFile.h"
#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/SqlValue.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <functional>

using namespace ambitra;
using namespace ambitra::legacy;
using namespace ambitra::test;

namespace {

QString sample(const char* name) {
    return QStringLiteral(AMBITRA_LEGACY_DATA_DIR "/") + QLatin1String(name);
}

// A copy of a sample file with some of its bytes changed.
QString derived(const TempAppDir& dir, const char* name,
                const std::function<void(QByteArray&)>& change) {
    QByteArray bytes = readAll(sample(name));
    change(bytes);
    const QString path = dir.file(QStringLiteral("derived.mdb"));
    writeAll(path, bytes);
    return path;
}

// Renames a table or column: every occurrence of its name in two-byte characters.
void rename(QByteArray& bytes, const char* from, const char* to) {
    QByteArray a;
    QByteArray b;
    for (const char* p = from; *p != 0; ++p) {
        a.append(*p).append('\0');
    }
    for (const char* p = to; *p != 0; ++p) {
        b.append(*p).append('\0');
    }
    ASSERT_GE(bytes.indexOf(a), 0) << from;
    bytes.replace(a, b);
}

// The amount 1234.5670 of the first asset, as its eight stored bytes.
void setFirstAmount(QByteArray& bytes, qint64 count) {
    QByteArray from(8, '\0');
    QByteArray to(8, '\0');
    for (int i = 0; i < 8; ++i) {
        from[i] = static_cast<char>((qint64(12345670) >> (8 * i)) & 0xff);
        to[i] = static_cast<char>((count >> (8 * i)) & 0xff);
    }
    const qsizetype at = bytes.indexOf(from);
    ASSERT_GE(at, 0);
    bytes.replace(at, 8, to);
}

QString refusal(TestDatabase& t, const QString& file, bool force = false) {
    try {
        LegacyCopy(t.dados().Conn(), force).copyFrom(file);
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("(copied)");
}

QStringList changeLines(const LegacyCopy::Result& result) {
    QStringList lines;
    for (const Change& c : result.changes) {
        lines << c.line();
    }
    return lines;
}

qint64 rowsIn(TestDatabase& t, const char* table) {
    return t.scalar(QStringLiteral("SELECT count(*) FROM ") + QLatin1String(table)).toLongLong();
}

}  // namespace

TEST(LegacyCopy, BringsEveryTableWithTheRegistersRulesAndReportsEachChange) {
    for (const char* name : {"register.mdb", "register-compressed.mdb"}) {
        SCOPED_TRACE(name);
        TestDatabase t;
        t.exec(QStringLiteral("INSERT INTO Status (STCODIGO, STTEXTO) VALUES ('EX', 'Outro')"));
        t.exec(QStringLiteral("INSERT INTO Status (STCODIGO, STTEXTO) VALUES ('ZZ', 'Própria')"));
        const LegacyCopy::Result result = LegacyCopy(t.dados().Conn()).copyFrom(sample(name));
        EXPECT_EQ(result.counts,
                  (QList<std::pair<QString, qint64>>{{QStringLiteral("Status"), 6},
                                                     {QStringLiteral("Operadores"), 3},
                                                     {QStringLiteral("Locais"), 2},
                                                     {QStringLiteral("Bens"), 5},
                                                     {QStringLiteral("Log"), 3}}));
        EXPECT_EQ(
            changeLines(result),
            (QStringList{QStringLiteral("Bens | 0000000000002 | BEFABRICA | \"\" | NULL | texto "
                                        "vazio guardado como nulo"),
                         QStringLiteral("Bens | 0000000000003 | BECOMPRA | 1899-12-30 00:00:00.000 "
                                        "| NULL | data zero (30/12/1899) guardada como nula"),
                         QStringLiteral("Bens | 0000000000003 | BEFLAG | \"\" | NULL | texto vazio "
                                        "guardado como nulo"),
                         QStringLiteral("Bens | 0000000000005 | BECOMPRA | 2038-01-19 03:14:08.000 "
                                        "| 2038-01-19 | hora descartada: a coluna guarda só a "
                                        "data")}));
        // The register's own code that the file also has takes the file's text;
        // its other one stays.
        EXPECT_EQ(t.column(QStringLiteral("SELECT STCODIGO || '=' || STTEXTO FROM Status ORDER "
                                          "BY STCODIGO")),
                  (QStringList{QStringLiteral("BO=Boa"), QStringLiteral("EX=Excelente"),
                               QStringLiteral("MB=Muito Boa"), QStringLiteral("PE=Péssima"),
                               QStringLiteral("RG=Regular"), QStringLiteral("RU=Ruim"),
                               QStringLiteral("ZZ=Própria")}));
        EXPECT_EQ(t.column(QStringLiteral("SELECT coalesce(OPSENHA, 'NULL') || coalesce(OPNOME, "
                                          "'NULL') FROM Operadores ORDER BY OPCODIGO")),
                  (QStringList{QStringLiteral("1234João Gonçalves"),
                               QStringLiteral("NULLZé \"Aço\", Ltda"), QStringLiteral("xNULL")}));
        EXPECT_EQ(
            t.column(QStringLiteral(
                "SELECT coalesce(BENOME, 'NULL') || '/' || coalesce(BELOCAL, 'NULL') || '/' || "
                "coalesce(CAST(BECOMPRA AS VARCHAR(10)), 'NULL') || '/' || "
                "coalesce(CAST(BEULTINV AS VARCHAR(10)), 'NULL') || '/' || coalesce(BEFLAG, "
                "'NULL') FROM Bens ORDER BY BECODIGO")),
            (QStringList{QStringLiteral("Mesa de escritório/0001/2003-02-28/2004-12-31/NULL"),
                         QStringLiteral("Cadeira giratória/0002/1999-12-31/NULL/*"),
                         QStringLiteral("Impressora; linha1\nlinha2/NULL/NULL/1850-01-01/NULL"),
                         QStringLiteral("NULL/NULL/NULL/NULL/NULL"),
                         QStringLiteral("Valor zero/NULL/2038-01-19/NULL/NULL")}));
        EXPECT_EQ(
            t.column(QStringLiteral("SELECT BEVALOR FROM Bens ORDER BY BECODIGO")),
            (QStringList{QStringLiteral("1234.567"), QStringLiteral("99999999.999"),
                         QStringLiteral("-5.5"), QStringLiteral("<null>"), QStringLiteral("0")}));
        // The log as it was, in the file's order.
        EXPECT_EQ(
            t.column(QStringLiteral("SELECT LGBEM || '/' || coalesce(LGUSUARIO, 'NULL') || "
                                    "'/' || coalesce(LGOCORRENC, 'NULL') FROM Log ORDER BY rowid")),
            (QStringList{QStringLiteral("0000000000001/Administrador/Bem inventariado"),
                         QStringLiteral("0000000000002/adm/Localização alterada: 0001 → "
                                        "0002"),
                         QStringLiteral("0000000000001/NULL/NULL")}));
        t.dados().ReadIniFile();
        EXPECT_EQ(t.dados().GetLastCode(), u"0000000000005");
    }
}

TEST(LegacyCopy, KeepsLogMomentsToTheMillisecondOnTheirOwnDay) {
    TestDatabase t;
    LegacyCopy(t.dados().Conn()).copyFrom(sample("register.mdb"));
    QStringList moments;
    QSqlQuery query(t.dados().Conn().database());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT LGDATA FROM Log ORDER BY rowid")));
    while (query.next()) {
        moments << sqlvalue::fromSql(query.value(0), ColumnType::DateTime)
                       .toDateTime()
                       .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    }
    EXPECT_EQ(moments, (QStringList{QStringLiteral("2004-12-31 23:59:59.999"),
                                    QStringLiteral("2005-01-02 08:05:03.500"),
                                    QStringLiteral("2005-01-02 08:05:03.000")}));
}

TEST(LegacyCopy, ARegisterOverManyPagesArrivesWholeWithItsLogInFileOrder) {
    TestDatabase t;
    const LegacyCopy::Result result =
        LegacyCopy(t.dados().Conn()).copyFrom(sample("register-big.mdb"));
    EXPECT_EQ(rowsIn(t, "Bens"), 3005);
    EXPECT_EQ(rowsIn(t, "Log"), 6003);
    File file(sample("register-big.mdb"));
    auto log = file.table(QStringLiteral("Log"));
    QStringList inFile;
    QList<Value> row;
    while (log->next(row)) {
        inFile << row[log->indexOf(QStringLiteral("LGBEM"))].text;
    }
    EXPECT_EQ(t.column(QStringLiteral("SELECT LGBEM FROM Log ORDER BY rowid")), inFile);
}

TEST(LegacyCopy, AnAmountIsRoundedOrOneTheRegisterCannotHoldRefusedUnlessForced) {
    TempAppDir dir;
    {
        TestDatabase t;
        const QString file =
            derived(dir, "register.mdb", [](QByteArray& b) { setFirstAmount(b, 12345675); });
        const auto result = LegacyCopy(t.dados().Conn()).copyFrom(file);
        EXPECT_TRUE(changeLines(result).contains(
            QStringLiteral("Bens | 0000000000001 | BEVALOR | 1234.5675 | 1234.568 | arredondado "
                           "para 3 casas decimais")));
        EXPECT_EQ(t.scalar(QStringLiteral("SELECT BEVALOR FROM Bens WHERE BECODIGO = "
                                          "'0000000000001'"))
                      .toDouble(),
                  1234.568);
    }
    const QString tooMuch =
        derived(dir, "register.mdb", [](QByteArray& b) { setFirstAmount(b, -1000000000000); });
    TestDatabase t;
    EXPECT_EQ(refusal(t, tooMuch),
              QStringLiteral("1 valores do arquivo %1 não cabem no cadastro; nada foi copiado:\n"
                             "Bens | 0000000000001 | BEVALOR | -100000000.0000 | -99999999.999 | "
                             "valor fora do limite de 99999999.999")
                  .arg(tooMuch));
    EXPECT_EQ(rowsIn(t, "Bens") + rowsIn(t, "Operadores") + rowsIn(t, "Log"), 0);
    const auto result = LegacyCopy(t.dados().Conn(), true).copyFrom(tooMuch);
    EXPECT_TRUE(changeLines(result).contains(
        QStringLiteral("Bens | 0000000000001 | BEVALOR | -100000000.0000 | -99999999.999 | "
                       "valor fora do limite de 99999999.999")));
    EXPECT_EQ(t.scalar(QStringLiteral("SELECT BEVALOR FROM Bens WHERE BECODIGO = "
                                      "'0000000000001'"))
                  .toDouble(),
              -99999999.999);
}

TEST(LegacyCopy, RefusesEveryFileItCannotReadWholeWithTheRegisterUnchanged) {
    TempAppDir dir;
    TestDatabase t;
    const qsizetype pages = readAll(sample("register.mdb")).size() / 4096;
    struct Case {
        std::function<void(QByteArray&)> change;
        QString message;
    };
    const QString path = dir.file(QStringLiteral("derived.mdb"));
    const QList<Case> cases{
        {[](QByteArray& b) { b = QByteArray(8192, 'x'); },
         QStringLiteral("O arquivo %1 não é um banco de dados do programa anterior (formato Jet "
                        "4.0); nada foi copiado.")},
        {[](QByteArray& b) { b[0x14] = 2; },
         QStringLiteral("O arquivo %1 é um banco de dados do formato .accdb (2007 ou posterior), "
                        "que não é lido: salve-o no formato .mdb (Jet 4.0) e repita; nada foi "
                        "copiado.")},
        {[](QByteArray& b) { b.replace(4, 15, "Standard ACE DB"); },
         QStringLiteral("O arquivo %1 é um banco de dados do formato .accdb (2007 ou posterior), "
                        "que não é lido: salve-o no formato .mdb (Jet 4.0) e repita; nada foi "
                        "copiado.")},
        {[](QByteArray& b) { b[0x14] = 0; },
         QStringLiteral("O arquivo %1 é do formato Jet 3, anterior ao Jet 4.0, que não é lido: "
                        "converta-o para o Jet 4.0 e repita; nada foi copiado.")},
        {[](QByteArray& b) { b[0x3e] = static_cast<char>(b[0x3e] ^ 0x5a); },
         QStringLiteral("O arquivo %1 está criptografado ou protegido por senha e não pode ser "
                        "lido: remova a senha e a criptografia no programa anterior e repita; "
                        "nada foi copiado.")},
        {[](QByteArray& b) { b[0x42] = static_cast<char>(b[0x42] ^ 0x41); },
         QStringLiteral("O arquivo %1 está criptografado ou protegido por senha e não pode ser "
                        "lido: remova a senha e a criptografia no programa anterior e repita; "
                        "nada foi copiado.")},
        {[](QByteArray& b) { b.truncate(b.size() - 100); },
         QStringLiteral("O arquivo %1 está danificado ou incompleto (tamanho de ") +
             QString::number(pages * 4096 - 100) + QStringLiteral(" bytes); nada foi copiado.")},
        {[](QByteArray& b) { rename(b, "Locais", "Lugars"); },
         QStringLiteral("O arquivo %1 não tem a tabela Locais; nada foi copiado.")},
        {[](QByteArray& b) { rename(b, "BENSERIE", "BENSERIO"); },
         QStringLiteral("A tabela Bens do arquivo %1 não tem a coluna BENSERIE; nada foi "
                        "copiado.")},
    };
    for (const Case& c : cases) {
        derived(dir, "register.mdb", c.change);
        EXPECT_EQ(refusal(t, path), c.message.arg(path));
    }
    EXPECT_EQ(rowsIn(t, "Status") + rowsIn(t, "Bens") + rowsIn(t, "Operadores"), 0);
}

TEST(LegacyCopy, ADamagedOrTruncatedTableIsRefusedNotCopiedShort) {
    TempAppDir dir;
    TestDatabase t;
    // The last pages of the big file hold rows of its tables: cut at a page
    // boundary, or overwritten, the file must not pass for a shorter register.
    const QString cut =
        derived(dir, "register-big.mdb", [](QByteArray& b) { b.truncate(b.size() - 8 * 4096); });
    EXPECT_TRUE(refusal(t, cut).startsWith(
        QStringLiteral("O arquivo %1 está danificado ou incompleto (").arg(cut)));
    const QString damaged = derived(dir, "register-big.mdb", [](QByteArray& b) {
        for (qsizetype i = b.size() / 2; i < b.size() / 2 + 4096; ++i) {
            b[i] = static_cast<char>(i * 7);
        }
    });
    EXPECT_TRUE(
        refusal(t, damaged)
            .startsWith(
                QStringLiteral("O arquivo %1 está danificado ou incompleto (").arg(damaged)));
    // A properties block of the catalog whose first chunk has no length: the
    // library alone would never finish reading the catalog.
    const QString catalog = derived(dir, "register.mdb", [](QByteArray& b) {
        const qsizetype at = b.indexOf(QByteArray("MR2\0", 4));
        ASSERT_GT(at, 0);
        b.replace(at + 4, 4, QByteArray(4, '\0'));
    });
    EXPECT_EQ(refusal(t, catalog), QStringLiteral("O arquivo %1 está danificado ou incompleto "
                                                  "(catálogo ilegível); nada foi copiado.")
                                       .arg(catalog));
    EXPECT_EQ(rowsIn(t, "Bens") + rowsIn(t, "Log") + rowsIn(t, "Status"), 0);
}

// The register file takes the copied rows once, not through its write-ahead log
// and again into the file; the log is its mode again after a copy, whether
// copied, refused or run beside another program holding the file.
TEST(LegacyCopy, WritesTheRowsIntoTheRegisterFileOnceAndKeepsItsLog) {
    TestDatabase t;
    if (!t.dados().Conn().engine().isFile()) {
        GTEST_SKIP() << "a server keeps its own log";
    }
    const auto mode = [](Connection& conn) {
        QSqlQuery q(conn.database());
        return q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next() ? q.value(0).toString()
                                                                         : QString();
    };
    const QString db = t.dados().Conn().fileName();
    LegacyCopy(t.dados().Conn()).copyFrom(sample("register-big.mdb"));
    EXPECT_EQ(rowsIn(t, "Log"), 6003);
    EXPECT_EQ(mode(t.dados().Conn()), u"wal");
    EXPECT_LT(QFileInfo(db + QStringLiteral("-wal")).size(), QFileInfo(db).size() / 10);

    TempAppDir dir;
    const QString tooMuch =
        derived(dir, "register.mdb", [](QByteArray& b) { setFirstAmount(b, -1000000000000); });
    TestDatabase refused;
    EXPECT_NE(refusal(refused, tooMuch), u"(copied)");
    EXPECT_EQ(rowsIn(refused, "Bens") + rowsIn(refused, "Log"), 0);
    EXPECT_EQ(mode(refused.dados().Conn()), u"wal");

    TestDatabase shared;
    Connection other;
    shared.connectAnother(other);
    EXPECT_EQ(shared.scalar(QStringLiteral("SELECT count(*) FROM Bens")).toInt(), 0);
    LegacyCopy(shared.dados().Conn()).copyFrom(sample("register.mdb"));
    QSqlQuery seen(other.database());
    ASSERT_TRUE(seen.exec(QStringLiteral("SELECT count(*) FROM Bens")) && seen.next());
    EXPECT_EQ(seen.value(0).toInt(), 5);
    EXPECT_EQ(mode(shared.dados().Conn()), u"wal");
}

TEST(LegacyCopy, IsRefusedWhenTheRegisterAlreadyHoldsRows) {
    TestDatabase t;
    t.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('X')"));
    EXPECT_EQ(refusal(t, sample("register.mdb")),
              u"O banco de dados de destino já contém registros (tabela Bens); nada foi copiado.");
    EXPECT_EQ(rowsIn(t, "Bens"), 1);
    EXPECT_EQ(rowsIn(t, "Operadores") + rowsIn(t, "Status"), 0);
}

TEST(LegacyCopy, IsOfferedAtStartOnlyForAnEmptyRegisterWithTheOldFileBesideIt) {
    TestDatabase t;
    EXPECT_EQ(offeredOldRegister(t.dados()), QString());
    const QString beside = t.dir().file(QStringLiteral("Ambitra.mdb"));
    writeAll(beside, readAll(sample("register.mdb")));
    EXPECT_EQ(offeredOldRegister(t.dados()), beside);
    t.dados().settings().OldRegisterDeclined = true;
    EXPECT_EQ(offeredOldRegister(t.dados()), QString());
    t.dados().settings().OldRegisterDeclined = false;
    t.dados().settings().LastCode = QStringLiteral("0000000000002");
    LegacyCopy(t.dados().Conn()).copyFrom(beside);
    EXPECT_EQ(offeredOldRegister(t.dados()), QString());
    raiseLastCode(t.dados());
    EXPECT_EQ(t.dados().settings().LastCode, u"0000000000005");
}
