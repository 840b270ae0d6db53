#include "XbaseTestSupport.h"

#include <QProcess>

using namespace ambitra;
using namespace ambitra::test;

namespace {

struct CliRun {
    int exitCode;
    QString out;
    QString err;
};

CliRun cli(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(AMBITRA_CLI_PATH), QStringList{u"dbf"_s} + args);
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

TEST(DbfCommand, PrintsFieldsThenLiveRecordsAsTheTableReadsThem) {
    TempAppDir dir;
    const QString path = tableWithRows(
        dir, u"BENS.DBF"_s,
        {u"NOME;C;300;0"_s, u"VALOR;N;12;3"_s, u"QTD;N;5;0"_s, u"DATA;D;8;0"_s, u"ATIVO;L;1;0"_s},
        {{u"Situação  "_s, 1234.5, 42, QDate(2024, 1, 31), true},
         {u"apagado"_s, 1, 1, QVariant(), true},
         {QVariant(), QVariant(), -7, QVariant(), false}},
        2);
    QByteArray bytes = readAll(path);
    // Another writer's style: left-aligned and without all decimals.
    bytes.replace(32 * 5 + 33 + 301, 12, "1234.5      ");
    writeAll(path, bytes);

    const CliRun run = cli({path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              u"NOME\tC\t300\t0\nVALOR\tN\t12\t3\nQTD\tN\t5\t0\nDATA\tD\t8\t0\n"
              u"ATIVO\tL\t1\t0\n--\n"
              u"Situação\t1234.500\t42\t20240131\tT\n"
              u"\t0.000\t-7\t\tF\n"_s);
    EXPECT_EQ(run.err, QString());
}

TEST(DbfCommand, ErrorsAndUsage) {
    TempAppDir dir;
    const QString missing = dir.file(u"NADA.DBF"_s);
    const CliRun notFound = cli({missing});
    EXPECT_EQ(notFound.exitCode, 1);
    EXPECT_EQ(notFound.err, u"Cannot find file "_s + missing + u'\n');
    EXPECT_EQ(notFound.out, QString());

    const QString damaged = dir.file(u"RUIM.DBF"_s);
    writeAll(damaged, QByteArray(32, '\x02'));
    EXPECT_EQ(cli({damaged}).err, u"Table Header for "_s + damaged + u" is invalid\n"_s);

    EXPECT_EQ(cli({}).exitCode, 2);
    EXPECT_EQ(cli({missing, missing}).exitCode, 2);
}
