#include "core/common/Progress.h"
#include "core/data/Connection.h"
#include "core/data/TDados.h"
#include "core/log/LogModel.h"
#include "core/log/LogSelection.h"
#include "support/TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QFile>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

struct Log : ::testing::Test {
    TestDatabase db;
    LogSelection log{db.dados(), db.prompter(), noProgress()};

    void SetUp() override { db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('1')")); }

    // A row as the unload writes it: through the data module's command.
    void addRow(const QDateTime& when, const QString& occurrence = QStringLiteral("NOVO")) {
        Command& cmd = db.dados().SQLCmd();
        cmd.setText(
            QStringLiteral("INSERT INTO Log (LGDATA, LGUSUARIO, LGOPERADOR, LGBEM, "
                           "LGOCORRENC) VALUES (:LGDATA, :LGUSUARIO, :LGOPERADOR, "
                           ":LGBEM, :LGOCORRENC)"));
        cmd.setParameter(QStringLiteral("LGDATA"), when);
        cmd.setParameter(QStringLiteral("LGUSUARIO"), QStringLiteral("palm"));
        cmd.setParameter(QStringLiteral("LGOPERADOR"), QStringLiteral("Ana"));
        cmd.setParameter(QStringLiteral("LGBEM"), QStringLiteral("1"));
        cmd.setParameter(QStringLiteral("LGOCORRENC"), occurrence);
        cmd.execute();
    }
    QString csvPath() const { return db.dir().file(QStringLiteral("log.csv")); }
};

}  // namespace

TEST_F(Log, StatusTextsAndProposedName) {
    EXPECT_EQ(LogSelection::StatusText(0),
              QStringLiteral("Nenhum registro selecionado no período!"));
    EXPECT_EQ(LogSelection::StatusText(1), QStringLiteral("Apenas 1 registro selecionado!"));
    EXPECT_EQ(LogSelection::StatusText(2), QStringLiteral("Foram selecionados 2 registros!"));
    EXPECT_EQ(LogSelection::StatusText(1000000),
              QStringLiteral("Foram selecionados 1000000 registros!"));
    EXPECT_EQ(LogSelection::CompletionText(0),
              QStringLiteral("Exportação de 0 registros concluída!"));
    EXPECT_EQ(
        LogSelection::ProposedFileName({at(2006, 8, 1, 0, 0, 0), at(2006, 8, 31, 23, 59, 59)}),
        QStringLiteral("Ambitra-Log_20060801-20060831"));
}

TEST_F(Log, AllDatesOfAnEmptyLogSaysSoAndGivesNothing) {
    EXPECT_FALSE(log.SelectAllDates().has_value());
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("Nenhum registro encontrado no arquivo!")});
    EXPECT_EQ(db.prompter().shown[0].kind, Prompter::Kind::Information);
    EXPECT_EQ(db.prompter().beeps, 1);
}

TEST_F(Log, AllDatesThenExecuteSelectsTheFirstAndLastMoments) {
    addRow(at(2006, 8, 15, 14, 30, 0, 1));
    addRow(at(2005, 1, 1, 0, 0, 0, 0));
    addRow(at(2007, 12, 31, 23, 59, 59, 999));
    const auto period = log.SelectAllDates();
    ASSERT_TRUE(period.has_value());
    EXPECT_EQ(period->start, at(2005, 1, 1, 0, 0, 0, 0));
    EXPECT_EQ(period->end, at(2007, 12, 31, 23, 59, 59, 999));
    EXPECT_EQ(log.Execute(*period), 3);
    EXPECT_TRUE(db.prompter().shown.isEmpty());
    KeysetQuery& q = db.dados().QLog();
    const int when = q.columnIndex(QStringLiteral("LGDATA"));
    EXPECT_EQ(q.valueAt(0, when).toDateTime(), period->start);
    EXPECT_EQ(q.valueAt(2, when).toDateTime(), period->end);
    // A millisecond less at the end leaves the last row out.
    EXPECT_EQ(log.Execute({period->start, period->end.addMSecs(-1)}), 2);
}

TEST_F(Log, ExecuteCountsRowsOfThePeriodAndSaysWhenThereAreNone) {
    addRow(at(2006, 8, 14, 23, 59, 59, 999));
    addRow(at(2006, 8, 15, 0, 0, 0, 0));
    addRow(at(2006, 8, 15, 12, 0, 0, 0));
    addRow(at(2006, 8, 16, 0, 0, 0, 0));
    EXPECT_EQ(log.Execute({at(2006, 8, 15, 0, 0, 0), at(2006, 8, 15, 23, 59, 59, 999)}), 2);
    EXPECT_TRUE(db.prompter().shown.isEmpty());
    EXPECT_EQ(log.Execute({at(2006, 8, 17, 0, 0, 0), at(2006, 8, 17, 23, 59, 59, 999)}), 0);
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("Nenhum registro selecionado no período!")});
    EXPECT_EQ(db.prompter().beeps, 1);
    EXPECT_TRUE(db.dados().QLog().isOpen());
}

TEST_F(Log, ManyRowsAreReadInPagesInTheirOrder) {
    // Inserted out of order, more than a page, equal moments included.
    Transaction tx(db.dados().Conn());
    for (int i = 999; i >= 0; --i) {
        addRow(at(2006, 8, 15, 0, 0, 0).addSecs(i / 2), QString::number(i));
    }
    tx.commit();
    ASSERT_EQ(log.Execute({at(2006, 8, 15, 0, 0, 0), at(2006, 8, 16, 0, 0, 0)}), 1000);
    KeysetQuery& q = db.dados().QLog();
    LogModel model(q);
    model.refresh();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 1000);
    EXPECT_EQ(model.headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Ocorrência"));
    EXPECT_TRUE(model.index(3, 0).data().toString().endsWith(QStringLiteral(" 00:00:01")));
    const int when = q.columnIndex(QStringLiteral("LGDATA"));
    for (int row : {999, 0, 255, 256, 511, 512, 767, 998}) {
        EXPECT_EQ(q.valueAt(row, when).toDateTime(), at(2006, 8, 15, 0, 0, 0).addSecs(row / 2))
            << row;
    }
    // A row deleted after the selection reads as nulls; the others stay.
    db.exec(QStringLiteral("DELETE FROM Log WHERE LGOCORRENC = '600'"));
    q.requery();
    EXPECT_EQ(q.rowCount(), 999);
    q.close();
    model.refresh();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(Log, SaveWritesHeaderAndRowsAndLeavesTheSelectionOnItsLastRow) {
    addRow(at(2006, 8, 15, 14, 30, 0), QStringLiteral("LOCAL:0101>0202"));
    addRow(at(2006, 8, 15, 15, 0, 0), QStringLiteral("NOVO"));
    ASSERT_EQ(log.Execute({at(2006, 8, 15, 0, 0, 0), at(2006, 8, 15, 23, 59, 59, 999)}), 2);
    EXPECT_EQ(log.SaveCsv(csvPath(), LogSelection::Overwrite::Ask), 2);
    EXPECT_EQ(readAll(csvPath()),
              QByteArray("\"Data e Hora\",\"\",\"Usu\xE1rio\",\"Operador\",\"Bem Patrimonial\","
                         "\"Ocorr\xEAncia\"\r\n"
                         "2006/08/15,14:30:00,\"palm\",\"Ana\",\"1\",\"LOCAL:0101>0202\"\r\n"
                         "2006/08/15,15:00:00,\"palm\",\"Ana\",\"1\",\"NOVO\"\r\n"));
    EXPECT_EQ(db.dados().QLog().position(), 1);
    EXPECT_TRUE(db.prompter().shown.isEmpty());
}

// Another program's unload commits while the log is saved (more rows than one
// page of reads): the file holds the log as it was when the save began.
TEST_F(Log, SaveSeesNothingOfRowsCommittedMeanwhile) {
    db.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < 600; ++i) {
        addRow(at(2006, 8, 1, 8, 0, 0, i));
    }
    db.exec(QStringLiteral("COMMIT"));
    Connection other;
    db.connectAnother(other);
    struct Committer : Progress {
        Connection& other;
        int steps = 0;
        explicit Committer(Connection& c) : other(c) {}
        void advance(qint64) override {
            if (++steps == 300) {
                other.exec(QStringLiteral("UPDATE Log SET LGOCORRENC = 'LOCAL:1>2'"));
            }
        }
    } committer(other);
    LogSelection saving(db.dados(), db.prompter(), committer);
    saving.Execute({at(2006, 8, 1, 0, 0, 0), at(2006, 8, 1, 23, 59, 59)});
    EXPECT_EQ(saving.SaveCsv(csvPath(), LogSelection::Overwrite::Always), 600);
    const QByteArray bytes = readAll(csvPath());
    EXPECT_EQ(bytes.count("NOVO"), 600);
    EXPECT_FALSE(bytes.contains("LOCAL"));
}

TEST_F(Log, SaveAsksBeforeReplacingAFileAndReportsOneItCannotCreate) {
    writeAll(csvPath(), "keep me");
    log.Execute({at(2006, 8, 15, 0, 0, 0), at(2006, 8, 15, 23, 59, 59, 999)});
    db.prompter().clear();
    db.prompter().plan({Prompter::Answer::No});
    EXPECT_FALSE(log.SaveCsv(csvPath(), LogSelection::Overwrite::Ask).has_value());
    EXPECT_EQ(readAll(csvPath()), QByteArray("keep me"));
    ASSERT_EQ(db.prompter().shown.size(), 1);
    EXPECT_EQ(db.prompter().shown[0].text, QStringLiteral("Arqivo já existe. Sobrescrever?"));
    EXPECT_EQ(db.prompter().shown[0].buttons, Prompter::Buttons::YesNo);

    // Yes, or no question at all: an empty selection gives an empty file.
    db.prompter().plan({Prompter::Answer::Yes});
    EXPECT_EQ(log.SaveCsv(csvPath(), LogSelection::Overwrite::Ask), 0);
    EXPECT_EQ(readAll(csvPath()), QByteArray());
    writeAll(csvPath(), "again");
    db.prompter().clear();
    EXPECT_EQ(log.SaveCsv(csvPath(), LogSelection::Overwrite::Always), 0);
    EXPECT_TRUE(db.prompter().shown.isEmpty());
    EXPECT_EQ(readAll(csvPath()), QByteArray());

    const QString missing = db.dir().file(QStringLiteral("no/such/folder/log.csv"));
    EXPECT_FALSE(log.SaveCsv(missing, LogSelection::Overwrite::Ask).has_value());
    EXPECT_EQ(db.prompter().texts(), QStringList{QStringLiteral("Arquivo ") + missing +
                                                 QStringLiteral(" não pode ser criado!")});
    EXPECT_EQ(db.prompter().shown[0].kind, Prompter::Kind::Error);
    EXPECT_EQ(db.prompter().beeps, 1);
}
