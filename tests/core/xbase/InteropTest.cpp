#include "XbaseTestSupport.h"

#include <QJsonDocument>
#include <QProcess>

using namespace ambitra;
using namespace ambitra::test;

// Files must pass between this program and independent dBase implementations
// (Debian's python3-dbfread and python3-dbf) in both directions.

namespace {

const QString kPython = u"/usr/bin/python3"_s;
const QString kPeer = QStringLiteral(AMBITRA_XBASE_TEST_DIR "/dbf_peer.py");

QByteArray runPeer(const QString& mode, const QString& path) {
    QProcess peer;
    peer.start(kPython, {kPeer, mode, path});
    if (!peer.waitForFinished(30000) || peer.exitCode() != 0) {
        ADD_FAILURE() << peer.readAllStandardError().toStdString();
    }
    return peer.readAllStandardOutput();
}

bool peersInstalled() {
    return QProcess::execute(kPython, {u"-c"_s, u"import dbf, dbfread"_s}) == 0;
}

const QStringList kFields{u"NOME;C;20;0"_s, u"VALOR;N;12;3"_s, u"DATA;D;8;0"_s, u"ATIVO;L;1;0"_s,
                          u"QTD;N;5;0"_s};

}  // namespace

TEST(Interop, AnIndependentReaderReadsOurFiles) {
    if (!peersInstalled()) {
        GTEST_SKIP() << "python3-dbf and python3-dbfread are not installed";
    }
    TempAppDir dir;
    // The second record is deleted.
    const QString path = tableWithRows(dir, u"NOSSO.DBF"_s, kFields,
                                       {{u"Situação €"_s, 1234.5, QDate(2024, 2, 29), true, 42},
                                        {u"\u4E2D apagado"_s, 1, QVariant(), false, 1},
                                        {u"\u4E2D x"_s, -0.25, QVariant(), false, -7},
                                        {u"  lead"_s, QVariant(), QVariant(), true, QVariant()}},
                                       2);
    const QJsonDocument seen = QJsonDocument::fromJson(runPeer(u"read"_s, path));
    const QJsonDocument expected = QJsonDocument::fromJson(R"({
        "count": 3,
        "fields": [["NOME", "C", 20, 0], ["VALOR", "N", 12, 3], ["DATA", "D", 8, 0],
                   ["ATIVO", "L", 1, 0], ["QTD", "N", 5, 0]],
        "records": [["Situação €", 1234.5, "20240229", true, 42],
                    ["? x", -0.25, null, false, -7],
                    ["  lead", 0, null, true, 0]]})");
    EXPECT_EQ(seen, expected) << seen.toJson().toStdString();
}

TEST(Interop, WeReadAnIndependentWritersFiles) {
    if (!peersInstalled()) {
        GTEST_SKIP() << "python3-dbf and python3-dbfread are not installed";
    }
    TempAppDir dir;
    const QString path = dir.file(u"PEER.DBF"_s);
    runPeer(u"write"_s, path);
    THalcyonDataSet table;
    openTable(table, path);
    EXPECT_EQ(table.RecordCount(), 3);
    QList<QVariantList> rows;
    for (; !table.Eof(); table.Next()) {
        QVariantList row;
        for (int i = 0; i < table.FieldCount(); ++i) {
            row << table.Fields(i).AsVariant();
        }
        rows << row;
    }
    const QList<QVariantList> expected{
        {u"Situação €"_s, 1234.5, QDate(2024, 2, 29), true, 42},
        {u"espaços"_s, -0.25, QVariant(), false, -7},
    };
    EXPECT_EQ(rows, expected);
}
