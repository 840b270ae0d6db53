#include "core/data/SettingsFile.h"

#include "core/common/Error.h"
#include "support/TempAppDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace ambitra;
using test::readAll;
using test::writeAll;

namespace {

struct SettingsFileTest : ::testing::Test {
    test::TempAppDir dir;
    QString appDir = dir.path();
    QString iniPath = dir.file(QStringLiteral("ambitra.ini"));

    Settings read() const { return readSettingsFile(iniPath, appDir); }
    QString writeError(const Settings& s) const {
        try {
            writeSettingsFile(s, iniPath, appDir);
        } catch (const Error& e) {
            return e.message();
        }
        return QStringLiteral("no error");
    }
};

}  // namespace

TEST_F(SettingsFileTest, WithoutAFileEveryFieldHasItsDefault) {
    const Settings s = read();
    EXPECT_FALSE(s.AutoId || s.UseDBF || s.UseSDF || s.UseTXT || s.UseCSV);
    EXPECT_TRUE(s.CodeBar.isEmpty() && s.LastCode.isEmpty());
    EXPECT_EQ(s.Delimiter + s.DecimalPoint + s.TextQualifier, u",.\"");
    EXPECT_EQ(QStringList({s.DirDBF, s.DirSDF, s.DirTXT, s.DirCSV}), QStringList(4, appDir));
    EXPECT_EQ(QStringList({s.DBProvider, s.DBMajor, s.DBMinor, s.DBName}),
              QStringList({QStringLiteral("SQLITE"), QStringLiteral("4"), QStringLiteral("0"),
                           appDir + u"/Ambitra.db"}));
    EXPECT_EQ(s.DBEngineType, 5);
}

TEST_F(SettingsFileTest, ReadsBooleansAsNonZeroIntegersAndTextsAsTheyAre) {
    writeAll(iniPath,
             "[PREFS]\r\nAutoId=2\r\nDBF=yes\r\nSDF=0\r\nTXT=-1\r\nCSV=\r\nCodeBar=EAN13\r\n"
             "LastCode=0042\r\nDelimiter=\"\t\"\r\nDecimalPoint=,\r\nTextQualifier='\r\n"
             "[DIR]\r\nCSV=/dados/Exporta\xE7\xE3o\r\n");
    const Settings s = read();
    EXPECT_TRUE(s.AutoId && s.UseTXT);
    EXPECT_FALSE(s.UseDBF || s.UseSDF || s.UseCSV);
    EXPECT_EQ(s.CodeBar, u"EAN13");
    EXPECT_EQ(s.LastCode, u"0042");
    EXPECT_EQ(s.Delimiter + s.DecimalPoint + s.TextQualifier, u"\t,'");
    EXPECT_EQ(s.DirCSV, u"/dados/Exportação");
    EXPECT_EQ(s.DirDBF, appDir);
}

TEST_F(SettingsFileTest, WritesOnlyWhatDiffersFromTheDefaults) {
    writeAll(iniPath, "; mine\r\n[PREFS]\r\nAutoId=1\r\nColor=blue\r\nCSV=1\r\n[Other]\r\nA=b\r\n");
    Settings s = read();
    s.AutoId = false;
    s.UseTXT = true;
    s.CodeBar = QStringLiteral("EAN8");
    s.Delimiter = QStringLiteral("\t");
    s.TextQualifier = QStringLiteral("'");
    s.DirDBF = appDir.toUpper() == appDir ? appDir.toLower() : appDir.toUpper();
    s.DirSDF = QStringLiteral("/dados/Exportação");
    const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(iniPath, perms));
    const auto before = QFile::permissions(iniPath);
    writeSettingsFile(s, iniPath, appDir);
    EXPECT_EQ(QFile::permissions(iniPath), before);  // replaced, keeping its permissions
    EXPECT_EQ(readAll(iniPath),
              QByteArray("; mine\r\n[PREFS]\r\nColor=blue\r\nCSV=1\r\nCodeBar=EAN8\r\nTXT=1\r\n"
                         "Delimiter=\"\t\"\r\nTextQualifier='\r\n[Other]\r\nA=b\r\n"
                         "[DIR]\r\nDBF=") +
                  s.DirDBF.toLatin1() +  // another folder where letter case counts
                  QByteArray("\r\nSDF=/dados/Exporta\xE7\xE3o\r\n"));

    // The defaults written back remove every key of both sections.
    writeSettingsFile(readSettingsFile(dir.file(QStringLiteral("none.ini")), appDir), iniPath,
                      appDir);
    EXPECT_EQ(readAll(iniPath),
              QByteArray("; mine\r\n[PREFS]\r\nColor=blue\r\n[Other]\r\nA=b\r\n[DIR]\r\n"));
}

// Checked against the permission bits, as the tests may run as the superuser.
TEST_F(SettingsFileTest, AReadOnlyFileOrFolderRaisesAndStaysUnchanged) {
    const QByteArray before("[PREFS]\r\nAutoId=1\r\n");
    writeAll(iniPath, before);
    const Settings defaults = readSettingsFile(dir.file(QStringLiteral("none.ini")), appDir);
    const QString expected = u"Unable to write to " + iniPath;

    const auto filePerms = QFile::permissions(iniPath);
    ASSERT_TRUE(QFile::setPermissions(iniPath, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    EXPECT_EQ(writeError(defaults), expected);
    QFile::setPermissions(iniPath, filePerms);
    EXPECT_EQ(readAll(iniPath), before);

    const auto dirPerms = QFile::permissions(appDir);
    ASSERT_TRUE(QFile::setPermissions(appDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    EXPECT_EQ(writeError(defaults), expected);
    QFile::setPermissions(appDir, dirPerms);
    EXPECT_EQ(readAll(iniPath), before);

    EXPECT_EQ(writeError(defaults), u"no error");
    EXPECT_EQ(readAll(iniPath), QByteArray("[PREFS]\r\n"));
}

TEST_F(SettingsFileTest, TheLabelTitleIsKeptInWindows1252AndOnlyWhenSet) {
    Settings s = read();
    s.LabelTitle = QStringLiteral("Prefeitura de São Tomé");
    writeSettingsFile(s, iniPath, appDir);
    EXPECT_EQ(readAll(iniPath),
              QByteArray("[PREFS]\r\nLabelTitle=Prefeitura de S\xE3o Tom\xE9\r\n"));
    EXPECT_EQ(read().LabelTitle, s.LabelTitle);
    s.LabelTitle.clear();
    writeSettingsFile(s, iniPath, appDir);
    EXPECT_EQ(readAll(iniPath), QByteArray("[PREFS]\r\n"));
}

TEST_F(SettingsFileTest, TheColetorSectionKeepsPortsInRangeAndOnlyWhatDiffers) {
    EXPECT_EQ(read().ColetorPorta, 8443);
    EXPECT_EQ(read().ColetorPortaConfiguracao, 8080);
    writeAll(iniPath,
             "[Coletor]\r\nAtivo=1\r\nEndereco= 10.0.0.5 \r\nPorta=70000\r\n"
             "PortaConfiguracao=8081\r\n");
    Settings s = read();
    EXPECT_TRUE(s.ColetorAtivo);
    EXPECT_EQ(s.ColetorEndereco, u"10.0.0.5");
    EXPECT_EQ(s.ColetorPorta, 8443);  // out of range: the default
    EXPECT_EQ(s.ColetorPortaConfiguracao, 8081);
    s.ColetorAtivo = false;
    s.ColetorPorta = 9443;
    s.ColetorPortaConfiguracao = 8080;
    writeSettingsFile(s, iniPath, appDir);
    EXPECT_EQ(readAll(iniPath), QByteArray("[Coletor]\r\nEndereco=10.0.0.5\r\nPorta=9443\r\n"));
}
