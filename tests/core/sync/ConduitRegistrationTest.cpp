#include "core/common/Error.h"
#include "support/ScriptedPrompter.h"
#include "support/TempAppDir.h"
#include "core/sync/ConduitRegistration.h"
#include "core/sync/Registry.h"
#include "core/common/SyncLog.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

const QString kOurs = QString::number(0x514D5256);  // "QMRV"

struct Conduit : ::testing::Test {
    QTemporaryDir config;
    QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    IniRegistry registry{[this] {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        return IniRegistry::userRegistryPath();
    }()};
    SyncLog log;
    ScriptedPrompter prompter;
    QTemporaryDir appDir;
    QStringList started;
    ConduitRegistration conduit{registry, log, prompter, appDir.path(),
                                [this](const QString& program, const QStringList& args) {
                                    started << program + u' ' + args.join(u' ');
                                    return true;
                                }};

    ~Conduit() override { qputenv("XDG_CONFIG_HOME", oldConfig); }

    void key(int n, const QString& conduitPath, const QString& creator) {
        registry.setValue(ConduitRegistration::applicationKey(n), QStringLiteral("Conduit"),
                          conduitPath);
        registry.setValue(ConduitRegistration::applicationKey(n), QStringLiteral("Creator"),
                          creator);
    }
};

}  // namespace

TEST_F(Conduit, TheScanFindsAMatchAmongNumberedKeysUntilTheFirstGap) {
    EXPECT_EQ(registry.path(), config.path() + QStringLiteral("/ambitra/registry.ini"));
    key(0, QStringLiteral("C:/x/HotSync.dll"), kOurs);
    key(1, QStringLiteral("C:/x/SFrmCn52.dll"), QStringLiteral("1234"));  // another creator
    key(2, QStringLiteral("C:\\Windows\\System\\sfrmcn52.DLL"), kOurs);   // case ignored
    key(3, QString(), kOurs);
    key(4, QStringLiteral("/x/SFrmCn52.dll"), QStringLiteral("1"));
    EXPECT_TRUE(conduit.CheckConduit());
    EXPECT_EQ(log.lines(),
              (QStringList{QStringLiteral("> Checando o registro do condutor Satellite Forms..."),
                           QString(), QStringLiteral("   Conduit\tSFrmCn52.dll"),
                           QStringLiteral("   Creator\tQMRV"), QStringLiteral("   ApplVer\t3.0"),
                           QString()}));

    // Without Application3 the match in Application4 is never seen.
    key(2, QStringLiteral("/x/other.dll"), kOurs);
    registry.removeKey(ConduitRegistration::applicationKey(3));
    key(4, QStringLiteral("/x/SFrmCn52.dll"), kOurs);
    log.clear();
    EXPECT_FALSE(conduit.CheckConduit());
    EXPECT_EQ(
        log.lines().at(2),
        QStringLiteral("   Condutor Satellite Forms 5.2 para aplicações QMRV não registrado."));

    // A damaged Creator of a key that names the library is a read error.
    key(1, QStringLiteral("/x/SFrmCn52.dll"), QStringLiteral("QMRV"));
    EXPECT_THROW(conduit.CheckConduit(), Error);
}

TEST_F(Conduit, TheOemKeyCountsWhenNoNumberedKeyMatches) {
    key(0, QStringLiteral("/x/SFrmCn52.dll"), QStringLiteral("1"));
    EXPECT_FALSE(conduit.CheckConduit());
    registry.setValue(ConduitRegistration::oemKey(), QStringLiteral("Conduit"),
                      QStringLiteral("/sys/SFRMCN52.dll"));
    registry.setValue(ConduitRegistration::oemKey(), QStringLiteral("Creator"), kOurs);
    EXPECT_EQ(
        ConduitRegistration::oemKey(),
        QStringLiteral("Software\\U.S. Robotics\\Pilot Desktop\\ApplicationSatForms_OEM_QMRV"));
    EXPECT_TRUE(conduit.CheckConduit());
}

TEST_F(Conduit, RegistrationStartsTheToolOnlyWhenToolAndLibraryExist) {
    QTemporaryDir system;
    qputenv("AMBITRA_SYSTEM_DIR", system.path().toUtf8());
    writeAll(system.path() + QStringLiteral("/SFrmCn52.dll"), "x");
    conduit.RegisterConduit();
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral(
                  "Condutor Satellite Forms 5.2 para aplicações QMRV não registrado.")});
    EXPECT_EQ(
        log.lines().at(2),
        QStringLiteral("> Condutor Satellite Forms 5.2 para aplicações QMRV não registrado."));

    const QString tool =
        appDir.path() + u'/' + ConduitRegistration::toolFileName(QStringLiteral("RDKINST"));
    writeAll(tool, "x");
    prompter.clear();
    conduit.RegisterConduit();
    EXPECT_EQ(started,
              (QStringList{tool + QStringLiteral(" -remstdreg -quiet"),
                           tool + QStringLiteral(" -condpath ") + system.path() +
                               QStringLiteral("/SFrmCn52.dll -crtreg QMRV -restarths -quiet")}));
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Condutor de aplicações Satellite Forms 5.2 provavelmente "
                                         "registrado.\nReinicie a função!")});
    EXPECT_EQ(prompter.beeps, 1);
    qunsetenv("AMBITRA_SYSTEM_DIR");
}

TEST_F(Conduit, TheToolStartedTwiceAtOnceLeavesOneWorkingRegistration) {
    key(0, QStringLiteral("/old/SFrmCn52.dll"), QStringLiteral("0"));  // a standard one
    key(1, QStringLiteral("/x/HotSync.dll"), QStringLiteral("5"));
    key(2, QStringLiteral("/old/SFrmCn52.dll"), kOurs);  // ours is kept
    const QString tool = QStringLiteral(AMBITRA_RDKINST_PATH);
    QProcess remove;
    QProcess add;
    remove.start(tool, {QStringLiteral("-remstdreg"), QStringLiteral("-quiet")});
    add.start(tool, {QStringLiteral("-condpath"), QStringLiteral("/sys/SFrmCn52.dll"),
                     QStringLiteral("-crtreg"), QStringLiteral("QMRV"),
                     QStringLiteral("-restarths"), QStringLiteral("-quiet")});
    ASSERT_TRUE(remove.waitForFinished(20000));
    ASSERT_TRUE(add.waitForFinished(20000));
    EXPECT_EQ(remove.exitCode(), 0);
    EXPECT_EQ(add.exitCode(), 0);
    EXPECT_TRUE(conduit.CheckConduit());
    // The standard key went, the others moved down without a gap.
    EXPECT_EQ(registry.value(ConduitRegistration::applicationKey(0), QStringLiteral("Conduit")),
              QStringLiteral("/x/HotSync.dll"));
    EXPECT_EQ(registry.value(ConduitRegistration::applicationKey(1), QStringLiteral("Conduit")),
              QStringLiteral("/sys/SFrmCn52.dll"));
    EXPECT_FALSE(registry.hasKey(ConduitRegistration::applicationKey(2)));
}
