#include "core/common/NumberConversions.h"
#include "core/common/Cp1252.h"
#include "support/ProgramRun.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"
#include "core/sync/EndToEndFixture.h"

#include <QRegularExpression>

#include <QDate>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

QString badEan13() {
    const QString good = AddEANCheckDigit(QStringLiteral("789123456789"));
    return good.left(12) + QChar(u'0' + (good.back().digitValue() + 1) % 10);
}

// The register coded in EAN-13, so that a misread bar code is recognised.
struct CountEndToEnd : EndToEndRegister {
    QTemporaryDir out;

    void SetUp() override {
        EndToEndRegister::SetUp();
        writeAll(db.dir().file(QStringLiteral("ambitra.ini")),
                 db.dir().databaseSection() + "[PREFS]\r\nCodeBar=EAN13\r\n");
    }

    ProgramRun cli(const QStringList& args) {
        return run(AMBITRA_CLI, QStringList{QStringLiteral("--app-dir"), db.dir().path()} + args);
    }
    ProgramRun handheld(const QStringList& args) {
        return run(AMBITRA_HANDHELD, QStringList{QStringLiteral("--device"), device.path()} + args);
    }
    ProgramRun hotsync(const QStringList& extra = {}) {
        return cli(QStringList{QStringLiteral("hotsync"), QStringLiteral("--user"),
                               QStringLiteral("Coletor 1"), QStringLiteral("--device"),
                               device.path()} +
                   extra);
    }
    void read(const QString& code, const QString& location, const QStringList& extra = {}) {
        ASSERT_EQ(
            handheld(QStringList{QStringLiteral("read"), code, QStringLiteral("--local"), location,
                                 QStringLiteral("--operador"), QStringLiteral("Ana")} +
                     extra)
                .exitCode,
            0);
    }
};

}  // namespace

TEST_F(CountEndToEnd, TheReportOfALoadOfTwoLocationsShowsEveryClass) {
    ASSERT_EQ(handheld({QStringLiteral("request"), QStringLiteral("load")}).exitCode, 0);
    ASSERT_EQ(hotsync({QStringLiteral("--location"), QStringLiteral("0101"),
                       QStringLiteral("--location"), QStringLiteral("0202")})
                  .exitCode,
              0);
    read(QStringLiteral("1"), QStringLiteral("0101"));  // seen where expected
    read(QStringLiteral("3"), QStringLiteral("0101"));  // moved between the two
    read(QStringLiteral("4"), QStringLiteral("0202"));  // from the unmarked location
    read(QStringLiteral("9"), QStringLiteral("0202"),
         {QStringLiteral("--nome"), QStringLiteral("Novo bem")});
    read(badEan13(), QStringLiteral("0101"));  // asset 2 is not read at all
    ASSERT_EQ(handheld({QStringLiteral("request"), QStringLiteral("unload")}).exitCode, 0);
    const ProgramRun unload = hotsync();
    ASSERT_EQ(unload.exitCode, 0) << unload.out.toStdString() << unload.err.toStdString();
    EXPECT_TRUE(unload.out.contains(QStringLiteral("> Leitura do bem ") + badEan13() +
                                    QStringLiteral(" retida: código inválido no padrão EAN-13.\n"
                                                   "   Processamento de 4 registros")));

    const ProgramRun counts = cli({QStringLiteral("counts")});
    EXPECT_EQ(counts.exitCode, 0);
    EXPECT_EQ(counts.out.section(u'\t', 2), QStringLiteral("Coletor 1\topen\t3\t5\t1\n"));
    EXPECT_TRUE(
        counts.out.startsWith(QStringLiteral("1\t") + QDate::currentDate().toString(Qt::ISODate)));

    const QString csv = out.filePath(QStringLiteral("contagem.csv"));
    const QString pdf = out.filePath(QStringLiteral("contagem.pdf"));
    const ProgramRun report = cli({QStringLiteral("report"), QStringLiteral("--details"),
                                   QStringLiteral("--csv"), csv, QStringLiteral("--pdf"), pdf});
    ASSERT_EQ(report.exitCode, 0) << report.err.toStdString();
    EXPECT_EQ(report.out, QStringLiteral("0101\t2\t1\t1\t0\t1\t0\t1\n"
                                         "0202\t1\t0\t0\t1\t1\t1\t0\n"
                                         "TOTAL\t3\t1\t1\t1\t2\t1\t1\n"
                                         "missing\t2\t0101\t\tCadeira\n"
                                         "elsewhere\t3\t0202\t0101\tArmário\n"
                                         "from_elsewhere\t4\t0303\t0202\tEstante\n"
                                         "new\t9\t\t0202\tNovo bem\n"
                                         "invalid\t") +
                              badEan13() + QStringLiteral("\t\t0101\t\n"));
    EXPECT_EQ(
        readAll(csv),
        cp1252::encode(QString(
            QStringLiteral(
                "\"Local\",\"Esperados\",\"Vistos\",\"Faltantes\",\"Em outro local\",\"De "
                "outro local\",\"Novos\",\"Inválidos\"\r\n"
                "\"0101\",2,1,1,0,1,0,1\r\n\"0202\",1,0,0,1,1,1,0\r\n"
                "\"TOTAL\",3,1,1,1,2,1,1\r\n"
                "\"Ocorrência\",\"Código\",\"Local esperado\",\"Local lido\",\"Descrição\"\r\n"
                "\"Faltante\",\"2\",\"0101\",\"\",\"Cadeira\"\r\n"
                "\"Em outro local\",\"3\",\"0202\",\"0101\",\"Armário\"\r\n"
                "\"De outro local\",\"4\",\"0303\",\"0202\",\"Estante\"\r\n"
                "\"Novo\",\"9\",\"\",\"0202\",\"Novo bem\"\r\n"
                "\"Código inválido\",\"") +
            badEan13() + QStringLiteral("\",\"\",\"0101\",\"\"\r\n"))));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString pages = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(pages.contains(QStringLiteral("Relatório da contagem de inventário nº 1")));
    EXPECT_TRUE(pages.contains(QStringLiteral("Faltante"))) << pages.toStdString();
    EXPECT_TRUE(pages.contains(QRegularExpression(QStringLiteral("Faltante +2 +0101 +Cadeira"))))
        << pages.toStdString();
    EXPECT_TRUE(pages.contains(QStringLiteral("Página 1 de 1")));
    // No name, or the settings file, is refused; nothing written.
    for (const QString& target : {QString(), db.dir().file(QStringLiteral("ambitra.ini"))}) {
        const ProgramRun refused = cli({QStringLiteral("report"), QStringLiteral("--pdf"), target});
        EXPECT_EQ(refused.exitCode, 1) << target.toStdString();
        EXPECT_TRUE(refused.err.contains(target.isEmpty() ? QStringLiteral("Nenhum arquivo")
                                                          : QStringLiteral("não será gravado")))
            << refused.err.toStdString();
    }

    // The held reading waits for review; named, it is applied as the unload would.
    EXPECT_EQ(cli({QStringLiteral("review"), QStringLiteral("--list")}).out,
              QStringLiteral("invalid\t") + badEan13() + QStringLiteral("\t>0101\n"));
    EXPECT_EQ(
        cli({QStringLiteral("review"), QStringLiteral("--accept"), QStringLiteral("all")}).out,
        QStringLiteral("> Processando dados descarregados do Palm...\n"
                       "   Processamento de 0 registros de inventário concluído!\n"));
    const ProgramRun accept =
        cli({QStringLiteral("review"), QStringLiteral("--accept"), badEan13()});
    EXPECT_EQ(accept.exitCode, 0);
    EXPECT_EQ(accept.out,
              QStringLiteral("> Processando dados descarregados do Palm...\n"
                             "   Processamento de 1 registros de inventário concluído!\n"
                             "   Verifique o LOG de inventário que tem 1 registros novos!\n"));
    EXPECT_EQ(cli({QStringLiteral("review"), QStringLiteral("--count"), QStringLiteral("1"),
                   QStringLiteral("--list")})
                  .out,
              QString());
    EXPECT_EQ(
        cli({QStringLiteral("review"), QStringLiteral("--accept"), QStringLiteral("77")}).exitCode,
        1);
    EXPECT_EQ(cli({QStringLiteral("review")}).exitCode, 2);
    EXPECT_EQ(
        cli({QStringLiteral("report"), QStringLiteral("--count"), QStringLiteral("5")}).exitCode,
        1);
    EXPECT_EQ(cli({QStringLiteral("counts"), QStringLiteral("--close"), QStringLiteral("1")}).out,
              QStringLiteral("Contagem 1 encerrada.\n"));
}

TEST_F(CountEndToEnd, WithReviewOnTheUnloadWaitsAndADatabaseOfAnotherProgramHasNoCounts) {
    writeAll(db.dir().file(QStringLiteral("ambitra.ini")),
             db.dir().databaseSection() + "[PREFS]\r\nReview=1\r\n");
    read(QStringLiteral("1"), QStringLiteral("0202"));
    ASSERT_EQ(handheld({QStringLiteral("request"), QStringLiteral("unload")}).exitCode, 0);
    const ProgramRun unload = hotsync();
    ASSERT_EQ(unload.exitCode, 0) << unload.err.toStdString();
    EXPECT_TRUE(
        unload.out.contains(QStringLiteral("> Processando dados descarregados do Palm...\n"
                                           "   1 leitura aguardando conferência.\n")));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT BELOCAL FROM Bens WHERE BECODIGO = '1'")),
              QVariant(QStringLiteral("0101")));
    EXPECT_EQ(cli({QStringLiteral("review"), QStringLiteral("--list")}).out,
              QStringLiteral("moved\t1\t0101>0202\t01>\n"));

    if (onServer()) {
        return;  // a register without our version is a file of the embedded engine
    }
    db.exec(QStringLiteral("PRAGMA user_version = 0"));
    const ProgramRun counts = cli({QStringLiteral("counts")});
    EXPECT_EQ(counts.exitCode, 1);
    EXPECT_TRUE(counts.err.contains(
        QStringLiteral("As contagens de inventário não estão disponíveis neste banco de dados")))
        << counts.err.toStdString();
}
