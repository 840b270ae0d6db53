#include "core/common/Conversions.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

using namespace ambitra;

TEST(SystemFolders, SystemDirIsOverriddenInstalledOrBesideTheProgram) {
    qunsetenv("AMBITRA_SYSTEM_DIR");
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(exeDir + u"/../lib/ambitra/system");
    ASSERT_FALSE(QDir(installed).exists()) << "leftover " << installed.toStdString();
    EXPECT_EQ(GetSystemDir(), exeDir + u"/system");

    ASSERT_TRUE(QDir().mkpath(installed));
    EXPECT_EQ(GetSystemDir(), installed);
    QDir().rmpath(installed);  // and its parents that are left empty

    qputenv("AMBITRA_SYSTEM_DIR", "/opt/x/system/");
    EXPECT_EQ(GetSystemDir(), u"/opt/x/system");
    qunsetenv("AMBITRA_SYSTEM_DIR");
}

TEST(SystemFolders, ProgramFilesDirIsEmptyUnlessItsVariableIsSet) {
    qunsetenv("AMBITRA_PROGRAM_FILES_DIR");
    EXPECT_EQ(GetProgramFilesDir(), u"");
    EXPECT_TRUE(GetTempDir().endsWith(u'/'));
}
