#include "core/common/Progress.h"
#include "core/data/Connection.h"
#include "core/sync/HotSyncControl.h"
#include "core/sync/RequestTable.h"
#include "core/sync/SyncCycle.h"
#include "core/inventory/InventoryStore.h"
#include "core/sync/SyncFixture.h"
#include "support/TempAppDir.h"

#include <QFile>
#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

// A control driven by the test: it records the transfers the handler asks for
// and reports whatever status the test fires.
class ScriptedControl : public HotSyncControl {
  public:
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool on) override { enabled = on; }
    QString PilotUserName() const override { return user; }
    int CmdType() const override { return cmdType; }
    QString CmdFilename() const override { return cmdFilename; }
    int FirstUser(int& position, QString& name, QString& folder, int& flags) override {
        position = 0;
        return NextUser(position, name, folder, flags);
    }
    int NextUser(int& position, QString& name, QString& folder, int&) override {
        if (position >= users.size()) {
            return 0;
        }
        name = users[position].first;
        folder = users[position].second;
        return ++position;
    }
    void SendFile(const QString& path, const QString& creator, const QString& library, int,
                  int major, int minor) override {
        EXPECT_EQ(creator + library + QString::number(major) + QString::number(minor),
                  QStringLiteral("QMRVSddi_PalmDB.dll30"));
        requests << QStringLiteral("send ") + QFileInfo(path).fileName();
        paths << path;
    }
    void ReceiveFile(const QString& path, const QString&, const QString&, int, int, int) override {
        requests << QStringLiteral("receive ") + QFileInfo(path).fileName();
        paths << path;
    }

    void fire(int status, int param = 0) { emit OnHotSyncStatus(status, param); }
    void finish(int kind, const QString& path, int param) {
        cmdType = kind;
        cmdFilename = path;
        fire(kTransferDone, param);
    }

    bool enabled = true;
    QString user = QStringLiteral("Coletor 1");
    QList<std::pair<QString, QString>> users{
        {QStringLiteral("Outro"), QStringLiteral("Outro")},
        {QStringLiteral("Coletor 1"), QStringLiteral(" Coletor1 ")}};
    int cmdType = 0;
    QString cmdFilename;
    QStringList requests;
    QStringList paths;
};

// Runs an action at one step of a run (another program's commit, say).
struct StepAction : Progress {
    int at = 0;
    int steps = 0;
    std::function<void()> action;
    void advance(qint64) override {
        if (++steps == at) {
            action();
        }
    }
};

struct Cycle : ::testing::Test, SyncFixture {
    ScriptedControl control;
    StepAction progress;
    SyncCycle cycle{db.dados(), control, locations, log, progress};

    void SetUp() override {
        QDir(db.dir().path()).mkpath(QStringLiteral("Pilot"));
        db.exec(QStringLiteral("INSERT INTO Operadores VALUES ('01', 'abc', 'Ana')"));
        db.exec(QStringLiteral("INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1')"));
        db.exec(
            QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BELOCAL) VALUES "
                           "('1', 'Mesa', '0101')"));
        db.dados().TLocais().open();
        locations.fill(db.dados().TLocais());
        locations.setAll(true);
    }

    QString dir() const { return cycle.HandheldDir(); }
    QString file(const char* name) const { return dir() + u'/' + QString::fromLatin1(name); }

    // Status 1, then the request table arrives holding operation.
    void requestArrives(const QString& operation) {
        control.fire(HotSyncControl::kCycleStart);
        RequestTable::Write(dir(), operation);
        control.requests.clear();
        control.finish(HotSyncControl::kReceived, file("COMUNICA.DBF"), 1);
    }
};

}  // namespace

TEST_F(Cycle, LoadRequestWritesAndSendsTheMasterDataAndAnswersTheRequest) {
    requestArrives(QStringLiteral("c"));  // lower case is a load request as well
    EXPECT_EQ(dir(), db.dir().path() + QStringLiteral("/Pilot/Coletor1/SatFormsEE"));
    EXPECT_EQ(control.requests,
              (QStringList{QStringLiteral("send OPERADOR.DBF"), QStringLiteral("send LOCAIS.DBF"),
                           QStringLiteral("send BENS.DBF"), QStringLiteral("send COMUNICA.DBF")}));
    EXPECT_EQ(RequestTable::Read(dir()), QStringLiteral("X|*"));
    EXPECT_TRUE(QFile::exists(file("OPERADOR.DBF")));
    EXPECT_EQ(
        log.lines().mid(0, 4),
        (QStringList{QStringLiteral("> Iniciando sincronização do Palm Coletor 1..."),
                     QStringLiteral("> Arquivo ") + file("COMUNICA.DBF") +
                         QStringLiteral(" recebido do Palm com sucesso. "),
                     QStringLiteral("> Carga de arquivos solicitada pelo usuário..."),
                     QStringLiteral("> Preparando dados de Operadores para carga no Palm...")}));

    control.finish(HotSyncControl::kSent, file("OPERADOR.DBF"), 1);
    control.finish(HotSyncControl::kSentAlso, file("LOCAIS.DBF"), 1);
    control.finish(HotSyncControl::kSentAlso, file("BENS.DBF"), 0);
    control.finish(HotSyncControl::kSent, file("COMUNICA.DBF"), 7);
    control.fire(HotSyncControl::kCycleEnd);
    EXPECT_EQ(
        log.lines().mid(log.lines().size() - 7),
        (QStringList{
            QStringLiteral("> Arquivo ") + file("OPERADOR.DBF") +
                QStringLiteral(" enviado ao Palm com sucesso."),
            QStringLiteral("> Arquivo ") + file("LOCAIS.DBF") +
                QStringLiteral(" enviado ao Palm com sucesso."),
            QStringLiteral("> ") + file("BENS.DBF") + u'.',
            QStringLiteral("> Falha enviando ao Palm o arquivo ") + file("COMUNICA.DBF") + u'.',
            QString(),
            QStringLiteral("> Sincronização encerrada. Aguardando um \"novo\" HotSync® ..."),
            QString()}));
    EXPECT_TRUE(cycle.cycleEnded());
}

// Another program commits an import while the load writes the handheld's
// tables: all three hold the register as it was when the load began.
TEST_F(Cycle, ALoadSeesNothingOfAnImportCommittedMeanwhile) {
    Connection other;
    db.connectAnother(other);
    progress.at = 1;  // the first operator written
    progress.action = [&other] {
        Transaction import(other);
        other.exec(QStringLiteral("INSERT INTO Operadores VALUES ('02', 'x', 'Bia')"));
        other.exec(QStringLiteral("UPDATE Bens SET BENOME = 'Cadeira'"));
        import.commit();
    };
    requestArrives(QStringLiteral("C"));
    const QByteArray assets = readAll(file("BENS.DBF"));
    EXPECT_TRUE(assets.contains("Mesa"));
    EXPECT_FALSE(assets.contains("Cadeira"));
    EXPECT_FALSE(readAll(file("OPERADOR.DBF")).contains("Bia"));
}

TEST_F(Cycle, RequestsThatAskForNothingAreSentBackAsTheyCame) {
    // Already answered.
    requestArrives(QStringLiteral("X"));
    EXPECT_EQ(control.requests, QStringList{QStringLiteral("send COMUNICA.DBF")});
    EXPECT_EQ(log.lines().last(), QStringLiteral("> Nenhuma operação solicitada pelo usuário!"));

    // No live record: the only record is deleted; the table goes back unchanged.
    control.fire(HotSyncControl::kCycleStart);
    RequestTable::Write(dir(), QStringLiteral("C"));
    {
        QFile f(file("COMUNICA.DBF"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const QByteArray header = f.read(32);
        f.seek(static_cast<quint8>(header[8]) | static_cast<quint8>(header[9]) << 8);
        f.write("*");
    }
    const QByteArray before = readAll(file("COMUNICA.DBF"));
    control.requests.clear();
    control.finish(HotSyncControl::kReceived, file("COMUNICA.DBF"), 1);
    EXPECT_EQ(control.requests, QStringList{QStringLiteral("send COMUNICA.DBF")});
    EXPECT_EQ(log.lines().last(), QStringLiteral("> Nenhuma operação solicitada pelo usuário!"));
    EXPECT_EQ(readAll(file("COMUNICA.DBF")), before);
}

TEST_F(Cycle, UnloadAppliesTheReturnedAssetsOnlyWhenTheyArrived) {
    requestArrives(QStringLiteral("D"));
    EXPECT_EQ(control.requests, (QStringList{QStringLiteral("receive BENS.DBF"),
                                             QStringLiteral("send COMUNICA.DBF")}));
    EXPECT_EQ(log.lines().last(),
              QStringLiteral("> Descarga de inventário solicitada pelo usuário..."));

    // A BENS.DBF left from an earlier load must not be taken for the failed one.
    db.dados().CreateDBFTable(dir(), QStringLiteral("BENS.DBF"));
    control.finish(HotSyncControl::kReceived, file("BENS.DBF"), 0);
    EXPECT_FALSE(QFile::exists(file("BENS.DBF")));
    EXPECT_EQ(log.lines().last(),
              QStringLiteral("> Falha recebendo do Palm o arquivo ") + file("BENS.DBF") + u'.');
    control.fire(HotSyncControl::kCycleEnd);
    EXPECT_FALSE(
        log.lines().contains(QStringLiteral("> Processando dados descarregados do Palm...")));

    // The next cycle receives it and applies it at the end.
    requestArrives(QStringLiteral("D"));
    db.dados().CreateDBFTable(dir(), QStringLiteral("BENS.DBF"));
    control.finish(HotSyncControl::kReceived, file("BENS.DBF"), 1);
    EXPECT_TRUE(cycle.InventoryReceived());
    control.fire(HotSyncControl::kCycleEnd);
    EXPECT_TRUE(
        log.lines().contains(QStringLiteral("> Processando dados descarregados do Palm...")));
}

TEST_F(Cycle, AnErrorInOneEventIsShownAndTheCycleGoesOn) {
    control.fire(HotSyncControl::kCycleStart);
    writeAll(file("COMUNICA.DBF"), QByteArray("not a table"));
    control.requests.clear();
    control.finish(HotSyncControl::kReceived, file("COMUNICA.DBF"), 1);
    EXPECT_EQ(db.prompter().shown.size(), 1);
    EXPECT_TRUE(control.requests.isEmpty());
    control.fire(HotSyncControl::kCycleEnd);
    EXPECT_TRUE(cycle.cycleEnded());
    EXPECT_EQ(log.lines().at(log.lines().size() - 2),
              QStringLiteral("> Sincronização encerrada. Aguardando um \"novo\" HotSync® ..."));
}

TEST_F(Cycle, UserFolderAndBaseFolder) {
    EXPECT_EQ(cycle.UserFolder(QStringLiteral("Coletor 1")), QStringLiteral("Coletor1"));
    EXPECT_EQ(cycle.UserFolder(QStringLiteral("coletor 1")), QString());  // letter case counts
    control.enabled = false;
    EXPECT_EQ(cycle.UserFolder(QStringLiteral("Coletor 1")), QString());

    const QString app = db.dir().path();
    QDir(app).mkpath(QStringLiteral("Palm"));
    EXPECT_EQ(SyncCycle::BaseFolder(app), app + QStringLiteral("/Pilot"));
    QDir(app).rmdir(QStringLiteral("Pilot"));
    EXPECT_EQ(SyncCycle::BaseFolder(app), app + QStringLiteral("/Palm"));
    QDir(app).rmdir(QStringLiteral("Palm"));

    // Neither folder: the temporary folder, where the levels made are private.
    QTemporaryDir temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toUtf8());
    EXPECT_EQ(SyncCycle::BaseFolder(app), temp.path());
    control.enabled = true;
    control.fire(HotSyncControl::kCycleStart);
    EXPECT_EQ(dir(), temp.path() + QStringLiteral("/Coletor1/SatFormsEE"));
    EXPECT_EQ(int(QFileInfo(temp.path() + QStringLiteral("/Coletor1")).permissions() & 0x0777),
              0x0700);
    // Without a user folder name SatFormsEE lies directly in the base folder.
    control.user = QStringLiteral("Novo");
    control.fire(HotSyncControl::kCycleStart);
    EXPECT_EQ(dir(), temp.path() + QStringLiteral("/SatFormsEE"));
    qputenv("TMPDIR", oldTemp);
}

TEST_F(Cycle, AnExchangeFolderOfAnotherUserInTheTemporaryFolderIsNeverUsed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs to hand a folder to another user";
    }
    QDir(db.dir().path()).rmdir(QStringLiteral("Pilot"));
    QTemporaryDir temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toUtf8());
    const QString planted = temp.path() + QStringLiteral("/Coletor1");
    QDir().mkpath(planted + QStringLiteral("/SatFormsEE"));
    ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), 1, 1), 0);
    control.fire(HotSyncControl::kCycleStart);
    EXPECT_TRUE(control.requests.isEmpty());
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("A pasta ") + planted +
                          QStringLiteral(" pertence a outro usuário e não será usada.")});

    // A request table planted in our own folder by another user is not read either.
    ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), 0, 0), 0);
    db.prompter().clear();
    control.fire(HotSyncControl::kCycleStart);
    RequestTable::Write(dir(), QStringLiteral("C"));
    ASSERT_EQ(::chown(QFile::encodeName(file("COMUNICA.DBF")).constData(), 1, 1), 0);
    control.requests.clear();
    control.finish(HotSyncControl::kReceived, file("COMUNICA.DBF"), 1);
    EXPECT_TRUE(control.requests.isEmpty());
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral("O arquivo ") + file("COMUNICA.DBF") +
                          QStringLiteral(" pertence a outro usuário e não será lido.")});
    qputenv("TMPDIR", oldTemp);
}

TEST_F(Cycle, AReceivedAssetsTableIsKeptUnderRecebidosBeforeItIsApplied) {
    const QString kept = db.dir().path() + QStringLiteral("/Recebidos");
    for (bool blocked : {false, true}) {
        log.clear();
        requestArrives(QStringLiteral("D"));
        writeReturnedAssets({});
        QFile::remove(file("BENS.DBF"));
        QFile::copy(path(QStringLiteral("BENS.DBF")), file("BENS.DBF"));
        control.finish(HotSyncControl::kReceived, file("BENS.DBF"), 1);
        const QDateTime before = QDateTime::currentDateTime();
        control.fire(HotSyncControl::kCycleEnd);
        if (!blocked) {
            const QStringList copies = QDir(kept).entryList(QDir::Files);
            ASSERT_EQ(copies.size(), 1);
            const QString name = copies.first();
            EXPECT_TRUE(name.endsWith(QStringLiteral("-Coletor1-BENS.DBF"))) << name.toStdString();
            EXPECT_LE(qAbs(QDateTime::fromString(name.left(15), QStringLiteral("yyyyMMdd-HHmmss"))
                               .secsTo(before)),
                      2);
            EXPECT_EQ(readAll(kept + u'/' + name), readAll(file("BENS.DBF")));
            EXPECT_EQ(log.errorCount(), 0);
            QDir(kept).removeRecursively();
            writeAll(kept, "not a folder");
        } else {
            // No copy can be made: said in the log, and the readings are still applied.
            EXPECT_EQ(log.errorCount(), 1);
            EXPECT_TRUE(
                log.lines().filter(QStringLiteral("> Não foi possível guardar a cópia ")).size() ==
                1);
            EXPECT_TRUE(log.lines().contains(
                QStringLiteral("   Processamento de 0 registros de inventário concluído!")));
        }
    }
}

TEST_F(Cycle, ALoadOfALocationOfTheOpenInventoryJoinsItAndTheLogSaysSo) {
    InventoryDraft draft;
    draft.title = QStringLiteral("Anual");
    InventoryStore(db.dados()).create(draft);
    requestArrives(QStringLiteral("C"));
    EXPECT_TRUE(log.lines().contains(
        QStringLiteral("   Contagem 1 incluída no inventário 1: locais 0101.")))
        << log.lines().join(u'\n').toStdString();
    EXPECT_EQ(db.column(QStringLiteral("SELECT ICCONTAGEM || ICLOCAL || ICRODADA FROM "
                                       "InventarioContagens")),
              QStringList{QStringLiteral("101011")});
}
