// The window and the command-line companion, started from the one program
// folder of the build, work on one register: what the window creates is what
// ambitra-cli reads, in a portable folder and in an installed (read-only) one.
#include "support/TempAppDir.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

using namespace ambitra::test;

namespace {

struct SharedRegister : ::testing::Test {
    TempAppDir work;
    QString bin = work.file(QStringLiteral("bin"));
    QString data = work.file(QStringLiteral("data"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    void SetUp() override {
        const QString window = QStringLiteral(AMBITRA_PROGRAM);
        const QString cli = QStringLiteral(AMBITRA_CLI);
        ASSERT_EQ(QFileInfo(window).path(), QFileInfo(cli).path()) << "one program folder";
        // A copy of the program folder, so that the build's own register is left alone.
        ASSERT_TRUE(QDir().mkdir(bin));
        for (const QString& program : {window, cli}) {
            ASSERT_TRUE(QFile::copy(program, bin + u'/' + QFileInfo(program).fileName()));
        }
        ASSERT_TRUE(QDir().mkdir(work.file(QStringLiteral("tmp"))));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), work.file(QStringLiteral("config")));
        // A private temporary folder: a copy of the program the developer is
        // running must not take this one for a second start.
        env.insert(QStringLiteral("TMPDIR"), work.file(QStringLiteral("tmp")));
    }
    void TearDown() override {
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Starts the window, lets it run its start-up until database is there, ends it.
    void startWindowUntil(const QString& database) {
        QProcess window;
        window.setProcessEnvironment(env);
        window.start(bin + QStringLiteral("/ambitra"), {});
        ASSERT_TRUE(window.waitForStarted());
        const QDeadlineTimer deadline(20000);
        while (!QFileInfo::exists(database) && !deadline.hasExpired() &&
               window.state() == QProcess::Running) {
            QThread::msleep(50);
        }
        QThread::msleep(300);  // the schema is written in one transaction
        window.kill();
        window.waitForFinished();
        ASSERT_TRUE(QFileInfo::exists(database)) << window.readAllStandardError().toStdString();
    }

    QString cliSettings() {
        QProcess cli;
        cli.setProcessEnvironment(env);
        cli.start(bin + QStringLiteral("/ambitra-cli"), {QStringLiteral("settings")});
        EXPECT_TRUE(cli.waitForFinished(20000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        return QString::fromUtf8(cli.readAllStandardOutput());
    }
};

}  // namespace

TEST_F(SharedRegister, PortableProgramFolder) {
    startWindowUntil(bin + QStringLiteral("/Ambitra.db"));
    EXPECT_TRUE(
        cliSettings().contains(QStringLiteral("DBName=") + bin + QStringLiteral("/Ambitra.db\n")));
    EXPECT_FALSE(QFileInfo::exists(data));
}

TEST_F(SharedRegister, InstalledProgramFolderThatIsNotWritable) {
    ASSERT_TRUE(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
    const QString appDir = data + QStringLiteral("/ambitra");
    startWindowUntil(appDir + QStringLiteral("/Ambitra.db"));
    EXPECT_TRUE(cliSettings().contains(QStringLiteral("DBName=") + appDir +
                                       QStringLiteral("/Ambitra.db\n")));
    EXPECT_FALSE(QFileInfo::exists(bin + QStringLiteral("/Ambitra.db")));
}
