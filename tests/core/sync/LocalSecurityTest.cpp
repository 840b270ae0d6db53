#include "core/common/Conversions.h"
#include "core/common/Error.h"
#include "core/sync/HotSyncServer.h"
#include "core/sync/PrivateSocket.h"
#include "core/xbase/ExchangeLayouts.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ambitra;

namespace {

const uid_t kOtherUser = 65534;  // nobody

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
    ~ScopedEnv() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

  private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

// A child process of another user that binds a Unix socket at path and then
// accepts one connection; returns its pid once the socket exists.
pid_t foreignListener(const QString& path) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0) {
            ::_exit(3);
        }
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), name.size());
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 1) != 0) {
            ::_exit(4);
        }
        const int client = ::accept(fd, nullptr, nullptr);
        char buffer[256];
        while (::read(client, buffer, sizeof buffer) > 0) {
        }
        ::_exit(0);
    }
    for (int i = 0; i < 500 && !QFile::exists(path); ++i) {
        ::usleep(10000);
    }
    return pid;
}

}  // namespace

TEST(PrivateSocket, LivesInThePrivateRuntimeFolderOrInAPrivateFolderOfTheUser) {
    QTemporaryDir runtime;
    QTemporaryDir temp;
    const ScopedEnv tmpdir("TMPDIR", temp.path().toUtf8());
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
    {
        const ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        EXPECT_TRUE(HotSyncServer::serverName(QStringLiteral("/app"))
                        .startsWith(runtime.path() + QStringLiteral("/ambitra-hotsync-")));
    }
    // A runtime folder that others may enter, or none: a folder of our own.
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0777);
    const QString own = QDir(temp.path()).filePath(QStringLiteral("ambitra-%1").arg(::geteuid()));
    for (const QByteArray& value : {runtime.path().toUtf8(), QByteArray()}) {
        const ScopedEnv xdg("XDG_RUNTIME_DIR", value);
        EXPECT_EQ(PrivateSocket::Folder(), own);
        EXPECT_EQ(modeOf(own), 0700u);
    }
    // Made private again when it was opened up.
    ::chmod(QFile::encodeName(own).constData(), 0755);
    const ScopedEnv xdg("XDG_RUNTIME_DIR", QByteArray());
    EXPECT_EQ(PrivateSocket::Folder(), own);
    EXPECT_EQ(modeOf(own), 0700u);
}

TEST(PrivateSocket, AFolderPlantedByAnotherUserIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    QTemporaryDir temp;
    const ScopedEnv tmpdir("TMPDIR", temp.path().toUtf8());
    const ScopedEnv xdg("XDG_RUNTIME_DIR", QByteArray());
    const QString planted =
        QDir(temp.path()).filePath(QStringLiteral("ambitra-%1").arg(::geteuid()));
    ASSERT_EQ(::mkdir(QFile::encodeName(planted).constData(), 0777), 0);
    ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), kOtherUser, kOtherUser), 0);
    try {
        PrivateSocket::Folder();
        FAIL() << "a folder of another user was taken";
    } catch (const Error& error) {
        EXPECT_EQ(error.message(), QStringLiteral("A pasta ") + planted +
                                       QStringLiteral(" pertence a outro usuário e não pode ser "
                                                      "usada."));
    }
}

TEST(PrivateSocket, TellsAPeerOfThisUserFromAPeerOfAnother) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    QTemporaryDir open;
    ::chmod(QFile::encodeName(open.path()).constData(), 0777);
    const QString foreignPath = open.filePath(QStringLiteral("foreign"));
    const pid_t child = foreignListener(foreignPath);
    QLocalSocket toForeign;
    toForeign.connectToServer(foreignPath);
    ASSERT_TRUE(toForeign.waitForConnected(2000));
    EXPECT_FALSE(PrivateSocket::PeerIsSameUser(toForeign.socketDescriptor()));
    toForeign.abort();
    int status = 0;
    ::waitpid(child, &status, 0);

    QLocalServer own;
    ASSERT_TRUE(own.listen(open.filePath(QStringLiteral("own"))));
    QLocalSocket toOwn;
    toOwn.connectToServer(own.fullServerName());
    ASSERT_TRUE(toOwn.waitForConnected(2000));
    EXPECT_TRUE(PrivateSocket::PeerIsSameUser(toOwn.socketDescriptor()));
}

// A server of another user where ours would be: the handheld companion refuses
// to talk to it rather than sending it the device folder.
TEST(PrivateSocket, TheHandheldCompanionRefusesAServerOfAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    QTemporaryDir runtime;
    QTemporaryDir open;
    QTemporaryDir app;
    QTemporaryDir device;
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
    ::chmod(QFile::encodeName(open.path()).constData(), 0777);
    const ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    const QString name = HotSyncServer::serverName(app.path());
    const QString bound = open.filePath(QStringLiteral("s"));
    const pid_t child = foreignListener(bound);
    // The socket keeps its owner when moved into our folder.
    ASSERT_TRUE(QFile::rename(bound, name));
    QProcess p;
    p.start(
        QStringLiteral(AMBITRA_HANDHELD),
        {QStringLiteral("--device"), device.path(), QStringLiteral("sync"),
         QStringLiteral("--user"), QStringLiteral("U"), QStringLiteral("--app-dir"), app.path()});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
              QStringLiteral("O programa que atende em ") + name +
                  QStringLiteral(" pertence a outro usuário: a sincronização foi recusada.\n"));
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
}

// Two readings at once into a device without BENS.DBF: both must be there.
TEST(HandheldReadings, TwoReadingsAtOnceAreBothKept) {
    for (int trial = 0; trial < 25; ++trial) {
        QTemporaryDir device;
        QProcess first;
        QProcess second;
        const QStringList base{QStringLiteral("--device"), device.path(), QStringLiteral("read")};
        first.start(QStringLiteral(AMBITRA_HANDHELD), base + QStringList{QStringLiteral("A1")});
        second.start(QStringLiteral(AMBITRA_HANDHELD), base + QStringList{QStringLiteral("B2")});
        ASSERT_TRUE(first.waitForFinished(20000) && second.waitForFinished(20000));
        ASSERT_EQ(first.exitCode(), 0) << first.readAllStandardError().constData();
        ASSERT_EQ(second.exitCode(), 0) << second.readAllStandardError().constData();
        THalcyonDataSet dbf;
        dbf.SetReadOnly(true);
        dbf.SetDatabaseName(device.path());
        dbf.SetTableName(ExchangeFileName(QStringLiteral("Bens")));
        dbf.Open();
        QStringList codes;
        for (dbf.First(); !dbf.Eof(); dbf.Next()) {
            codes << dbf.FieldByName(QStringLiteral("BECODIGO")).AsString().trimmed();
        }
        codes.sort();
        ASSERT_EQ(codes, (QStringList{QStringLiteral("A1"), QStringLiteral("B2")}))
            << "trial " << trial;
    }
}
