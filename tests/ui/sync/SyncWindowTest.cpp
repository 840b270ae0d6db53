#include "support/TestDatabase.h"
#include "core/sync/ConduitRegistration.h"
#include "core/sync/Registry.h"
#include "core/sync/RequestTable.h"
#include "core/coletor/ColetorApi.h"
#include "service/ColetorService.h"
#include "ui/sync/TSincronizacao.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

struct SyncWindow : ::testing::Test {
    QTemporaryDir config;
    QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    TestDatabase db;
    IniRegistry registry{[this] {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        return IniRegistry::userRegistryPath();
    }()};
    std::unique_ptr<ui::TSincronizacao> window;

    void SetUp() override {
        db.exec(
            QStringLiteral("INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1'), "
                           "('0202', 'P2', NULL, NULL)"));
        window = std::make_unique<ui::TSincronizacao>(db.dados(), db.prompter(), registry);
    }
    void TearDown() override {
        window.reset();
        qputenv("XDG_CONFIG_HOME", oldConfig);
    }

    void registerConduit() {
        const QString key = ConduitRegistration::applicationKey(0);
        registry.setValue(key, QStringLiteral("Conduit"), QStringLiteral("/sys/SFrmCn52.dll"));
        registry.setValue(key, QStringLiteral("Creator"), QString::number(0x514D5256));
    }

    // Runs the handheld's "sync" while the window serves it.
    std::pair<int, QString> handheldSync(const QString& device) {
        QProcess p;
        QEventLoop loop;
        QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        p.start(
            QStringLiteral(AMBITRA_HANDHELD),
            {QStringLiteral("--device"), device, QStringLiteral("sync"), QStringLiteral("--user"),
             QStringLiteral("Coletor 1"), QStringLiteral("--app-dir"), db.dir().path()});
        loop.exec();
        return {p.exitCode(),
                QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
    }
};

}  // namespace

TEST_F(SyncWindow, OpeningSwitchesSupportOnAndTheWindowStaysUntilDesativar) {
    registerConduit();
    window->show();
    EXPECT_TRUE(window->supportOn());
    EXPECT_TRUE(window->isVisible());
    const QStringList& lines = window->log().lines();
    EXPECT_EQ(lines.at(1),
              QStringLiteral("   Módulo de Suporte à Comunicação de Dados via HotSync®"));
    EXPECT_TRUE(lines.contains(QStringLiteral("   Creator\tQMRV")));
    EXPECT_EQ(lines.at(lines.size() - 2),
              QStringLiteral("> Aguardando o acionamento do HotSync® ..."));
    auto* list = window->findChild<QListWidget*>(QStringLiteral("CheckListBox1"));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_FALSE(list->isEnabled());

    window->close();
    window->reject();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(db.prompter().beeps, 2);

    window->findChild<QPushButton*>(QStringLiteral("Desativar"))->click();
    EXPECT_TRUE(list->isEnabled());
    window->findChild<QPushButton*>(QStringLiteral("Nenhum"))->click();
    EXPECT_FALSE(window->locations().item(1).checked);
    window->close();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SyncWindow, WithoutRegistrationTheWindowSaysSoAndCloses) {
    window->show();
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->supportOn());
    EXPECT_EQ(db.prompter().texts(),
              QStringList{QStringLiteral(
                  "Condutor Satellite Forms 5.2 para aplicações QMRV não registrado.")});
}

TEST_F(SyncWindow, TheHandheldPressesHotSyncOnTheOpenWindow) {
    QTemporaryDir device;
    RequestTable::Write(device.path(), QStringLiteral("C"));
    // Support is off before the window opens: the handheld is told so.
    auto refused = handheldSync(device.path());
    EXPECT_EQ(refused.first, 1);
    EXPECT_TRUE(refused.second.contains(QStringLiteral("Suporte HotSync desativado")));

    registerConduit();
    window->show();
    QSignalSpy changed(window.get(), &ui::TSincronizacao::countsChanged);
    auto done = handheldSync(device.path());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(done.first, 0) << done.second.toStdString();
    EXPECT_TRUE(
        done.second.contains(QStringLiteral("> Carga de arquivos solicitada pelo usuário...")));
    EXPECT_TRUE(window->log().lines().contains(
        QStringLiteral("> Sincronização encerrada. Aguardando um \"novo\" HotSync® ...")));
    EXPECT_TRUE(QDir(device.path()).exists(QStringLiteral("LOCAIS.DBF")));
    EXPECT_EQ(RequestTable::Read(device.path()).remove(u' '), QStringLiteral("X|*"));
    window->findChild<QPushButton*>(QStringLiteral("Desativar"))->click();
}

// Another local user planted the socket folder: the window says HotSync from
// the handheld is not available instead of ignoring the failed listen.
TEST_F(SyncWindow, AFailedListenIsReportedInTheLog) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to plant a folder of another user";
    }
    QTemporaryDir temp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", temp.path().toUtf8());
    qunsetenv("XDG_RUNTIME_DIR");
    const QString planted =
        QDir(temp.path()).filePath(QStringLiteral("ambitra-%1").arg(::geteuid()));
    ASSERT_EQ(::mkdir(QFile::encodeName(planted).constData(), 0777), 0);
    ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
    ui::TSincronizacao second(db.dados(), db.prompter(), registry);
    qputenv("TMPDIR", oldTmp);
    if (!oldRuntime.isNull()) {
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
    }
    EXPECT_TRUE(second.log().lines().contains(
        QStringLiteral("> O HotSync pelo coletor não está disponível: A pasta ") + planted +
        QStringLiteral(" pertence a outro usuário e não pode ser usada.")));
}

TEST_F(SyncWindow, TheColetorBoxRunsTheServiceShowsItsCodeAndRevokesADevice) {
    db.dados().settings().ColetorPorta = 0;  // any free port
    db.dados().settings().ColetorPortaConfiguracao = 0;
    db.dados().settings().ColetorAtivo = true;  // started with the program
    window->startWithProgram();
    ASSERT_TRUE(window->coletorOn());
    auto* code = window->findChild<QLabel*>(QStringLiteral("ColetorCodigo"));
    const QString shown = window->coletorApi().pairingCode();
    ASSERT_EQ(shown.size(), 6);
    EXPECT_TRUE(code->text().startsWith(QStringLiteral("Código de pareamento: ") + shown));
    EXPECT_FALSE(window->findChild<QLabel*>(QStringLiteral("ColetorQR"))->pixmap().isNull());
    EXPECT_TRUE(window->log().lines().join(u'\n').contains(
        QStringLiteral("> Coletor no navegador ligado: https://")));

    ServiceRequest pair;
    pair.method = "POST";
    pair.path = QStringLiteral("/api/v1/pair");
    pair.body = "{\"codigo\": \"" + shown.toLatin1() + "\", \"nome\": \"Equipe 1\"}";
    ASSERT_EQ(window->coletorApi().handle(pair).status, 200);
    window->showColetor();
    auto* devices = window->findChild<QTreeWidget*>(QStringLiteral("ColetorDispositivos"));
    ASSERT_EQ(devices->topLevelItemCount(), 1);
    EXPECT_EQ(devices->topLevelItem(0)->text(1), u"Equipe 1");
    EXPECT_EQ(devices->topLevelItem(0)->text(4), u"ativo");

    devices->setCurrentItem(devices->topLevelItem(0));
    db.prompter().plan({Prompter::Answer::Yes});
    window->findChild<QPushButton*>(QStringLiteral("Revogar"))->click();
    EXPECT_EQ(devices->topLevelItem(0)->text(4), u"revogado");

    window->findChild<QCheckBox*>(QStringLiteral("ColetorLigado"))->click();
    EXPECT_FALSE(window->coletorOn());
    EXPECT_EQ(window->coletor().isRunning(), false);
}

// The handheld in the browser: a load that went through is announced, so that
// the windows showing counts read them again; a refused request is not.
TEST_F(SyncWindow, AColetorLoadIsAnnounced) {
    QSignalSpy changed(window.get(), &ui::TSincronizacao::countsChanged);
    const auto call = [this](const char* route, const QByteArray& body, const QString& token) {
        ServiceRequest request;
        request.method = "POST";
        request.path = QStringLiteral("/api/v1/") + QLatin1String(route);
        request.body = body;
        if (!token.isEmpty()) {
            request.headers.insert("authorization", "Bearer " + token.toLatin1());
        }
        return window->serveColetor(request);
    };
    const ServiceResponse paired =
        call("pair",
             "{\"codigo\": \"" + window->coletorApi().newPairingCode().toLatin1() +
                 "\", \"nome\": \"Equipe 1\"}",
             {});
    ASSERT_EQ(paired.status, 200);
    const QString token =
        QJsonDocument::fromJson(paired.body).object().value(QStringLiteral("token")).toString();
    EXPECT_EQ(call("carga", R"({"locais": ["0101"]})", QString(64, u'0')).status, 401);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(call("carga", R"({"locais": ["0101"]})", token).status, 200);
    EXPECT_EQ(changed.count(), 1);
}
