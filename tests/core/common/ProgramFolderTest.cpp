#include "core/common/Conversions.h"
#include "core/common/ProgramFolder.h"
#include "support/TempAppDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

constexpr auto kReadOnly = QFile::ReadOwner | QFile::ExeOwner;
constexpr auto kPrivate = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

struct ProgramFolder : ::testing::Test {
    TempAppDir home;
    QString program = home.file(QStringLiteral("bin"));
    QString data = home.file(QStringLiteral("data"));
    QByteArray savedXdg = qgetenv("XDG_DATA_HOME");

    void SetUp() override {
        ASSERT_TRUE(QDir().mkdir(program));
        qputenv("XDG_DATA_HOME", data.toUtf8());
    }
    void TearDown() override {
        QFile::setPermissions(program, kPrivate);
        qputenv("XDG_DATA_HOME", savedXdg);
    }
};

}  // namespace

TEST_F(ProgramFolder, AWritableFolderOrOneHoldingOurFilesIsTheProgramFolder) {
    EXPECT_EQ(ResolveAppDir(program + u"/"), program);
    EXPECT_FALSE(QFileInfo::exists(data));

    for (const char* name : {"ambitra.ini", "Ambitra.db"}) {
        const QString file = program + u'/' + QLatin1String(name);
        writeAll(file, "");
        ASSERT_TRUE(QFile::setPermissions(program, kReadOnly));
        EXPECT_EQ(ResolveAppDir(program), program) << name;
        ASSERT_TRUE(QFile::setPermissions(program, kPrivate));
        QFile::remove(file);
    }
    EXPECT_FALSE(QFileInfo::exists(data));
}

TEST_F(ProgramFolder, AnInstalledProgramKeepsItsRegisterInAPrivateUserFolder) {
    ASSERT_TRUE(QFile::setPermissions(program, kReadOnly));
    const QString expected = data + u"/ambitra";
    EXPECT_EQ(ResolveAppDir(program), expected);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(expected).constData(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // Made once: a folder the user opened up later is left as it is.
    ASSERT_TRUE(QFile::setPermissions(expected, kPrivate | QFile::ReadGroup | QFile::ExeGroup));
    EXPECT_EQ(ResolveAppDir(program), expected);
    EXPECT_TRUE(QFileInfo(expected).permissions().testFlag(QFile::ReadGroup));
}

TEST_F(ProgramFolder, ARelativeOrEmptyDataHomeFallsBackToTheHomeFolder) {
    const QString fallback = QDir::homePath() + u"/.local/share/ambitra";
    qputenv("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(UserDataAppDir(), fallback);
    qputenv("XDG_DATA_HOME", "");
    EXPECT_EQ(UserDataAppDir(), fallback);
}

TEST(SystemFolders, HelperProgramsLieInTheInstalledLibraryFolderOrBesideTheProgram) {
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(exeDir + u"/../lib/ambitra");
    ASSERT_FALSE(QDir(installed).exists()) << "leftover " << installed.toStdString();
    EXPECT_EQ(GetProgramLibDir(), exeDir);
    ASSERT_TRUE(QDir().mkpath(installed));
    EXPECT_EQ(GetProgramLibDir(), installed);
    QDir().rmpath(installed);
}
