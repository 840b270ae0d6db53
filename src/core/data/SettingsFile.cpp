#include "core/data/SettingsFile.h"

#include "core/common/FileAccess.h"

#include "core/common/Error.h"
#include "core/data/IniFile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace ambitra {

namespace {

const QString kPrefs = QStringLiteral("PREFS");
const QString kDir = QStringLiteral("DIR");
const QString kDb = QStringLiteral("DB");
const QString kColetor = QStringLiteral("Coletor");
const QString kDefaultDelimiter = QStringLiteral(",");
const QString kDefaultDecimalPoint = QStringLiteral(".");
const QString kDefaultTextQualifier = QStringLiteral("\"");

// A boolean is true when its value reads as an integer other than 0; a value
// that is no integer at all counts as missing.
bool readBool(const IniFile& ini, const QString& section, const QString& key) {
    bool ok = false;
    const int number = ini.value(section, key, QString()).toInt(&ok, 10);
    return ok && number != 0;
}

// A port number from 1 to 65535; anything else counts as missing.
int readPort(const IniFile& ini, const QString& key, int fallback) {
    bool ok = false;
    const int port = ini.value(kColetor, key, QString()).trimmed().toInt(&ok, 10);
    return ok && port >= 1 && port <= 65535 ? port : fallback;
}

void writeInSection(IniFile& ini, const QString& section, const QString& key, const QString& value,
                    const QString& fallback) {
    if (value != fallback) {
        ini.setValue(section, key, value);
    } else {
        ini.removeKey(section, key);
    }
}

void writeBool(IniFile& ini, const QString& section, const QString& key, bool value) {
    if (value) {
        ini.setValue(section, key, QStringLiteral("1"));
    } else {
        ini.removeKey(section, key);
    }
}

void writeUnlessEqual(IniFile& ini, const QString& key, const QString& value,
                      const QString& fallback) {
    if (value != fallback) {
        ini.setValue(kPrefs, key, value);
    } else {
        ini.removeKey(kPrefs, key);
    }
}

// Folder names differ in letter case where the file system tells them apart.
void writeFolder(IniFile& ini, const QString& key, const QString& folder, const QString& appDir) {
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity names = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity names = Qt::CaseSensitive;
#endif
    if (folder.compare(appDir, names) != 0) {
        ini.setValue(kDir, key, folder);
    } else {
        ini.removeKey(kDir, key);
    }
}

// The file is replaced by a new one, so its folder must take new files too.
bool canReplace(const QString& iniPath) {
    const QFileInfo file(iniPath);
    const QFileInfo folder(file.absolutePath());
    return folder.isDir() && isWritable(folder) && (!file.exists() || isWritable(file));
}

}  // namespace

Settings readSettingsFile(const QString& iniPath, const QString& appDir) {
    const IniFile ini = IniFile::load(iniPath);
    Settings s;
    s.DBProvider = QStringLiteral("SQLITE");
    s.DBMajor = QStringLiteral("4");
    s.DBMinor = QStringLiteral("0");
    s.DBName = (appDir.endsWith(u'/') ? appDir : appDir + u'/') + u"Ambitra.db";
    s.DBEngineType = 5;
    // A shared register on a server: the connection is a libpq connection
    // string or service name, never with its password.
    const QString engine = ini.value(kDb, QStringLiteral("Engine"), QStringLiteral("SQLite"));
    if (engine.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) != 0) {
        s.DBProvider = engine.toUpper();
        s.DBName = ini.value(kDb, QStringLiteral("Connection"), QString());
    }

    s.AutoId = readBool(ini, kPrefs, QStringLiteral("AutoId"));
    s.CodeBar = ini.value(kPrefs, QStringLiteral("CodeBar"), QString());
    s.LastCode = ini.value(kPrefs, QStringLiteral("LastCode"), QString());
    s.UseDBF = readBool(ini, kPrefs, QStringLiteral("DBF"));
    s.UseSDF = readBool(ini, kPrefs, QStringLiteral("SDF"));
    s.UseTXT = readBool(ini, kPrefs, QStringLiteral("TXT"));
    s.UseCSV = readBool(ini, kPrefs, QStringLiteral("CSV"));
    s.Delimiter = ini.value(kPrefs, QStringLiteral("Delimiter"), kDefaultDelimiter);
    s.DecimalPoint = ini.value(kPrefs, QStringLiteral("DecimalPoint"), kDefaultDecimalPoint);
    s.TextQualifier = ini.value(kPrefs, QStringLiteral("TextQualifier"), kDefaultTextQualifier);
    s.LabelTitle = ini.value(kPrefs, QStringLiteral("LabelTitle"), QString());
    s.Review = readBool(ini, kPrefs, QStringLiteral("Review"));
    s.OldRegisterDeclined = readBool(ini, kPrefs, QStringLiteral("OldRegisterDeclined"));
    s.ColetorAtivo = readBool(ini, kColetor, QStringLiteral("Ativo"));
    s.ColetorEndereco = ini.value(kColetor, QStringLiteral("Endereco"), QString()).trimmed();
    s.ColetorPorta = readPort(ini, QStringLiteral("Porta"), kDefaultColetorPort);
    s.ColetorPortaConfiguracao =
        readPort(ini, QStringLiteral("PortaConfiguracao"), kDefaultColetorSetupPort);
    s.DirDBF = ini.value(kDir, QStringLiteral("DBF"), appDir);
    s.DirSDF = ini.value(kDir, QStringLiteral("SDF"), appDir);
    s.DirTXT = ini.value(kDir, QStringLiteral("TXT"), appDir);
    s.DirCSV = ini.value(kDir, QStringLiteral("CSV"), appDir);
    return s;
}

QStringList replaceUnusableFolders(Settings& s, const QString& appDir) {
    QStringList replaced;
    const std::pair<const char*, QString*> folders[] = {
        {"DBF", &s.DirDBF}, {"SDF", &s.DirSDF}, {"TXT", &s.DirTXT}, {"CSV", &s.DirCSV}};
    for (const auto& [key, folder] : folders) {
        if (folder->contains(QChar(u'\0'))) {
            *folder = appDir;
            replaced << QString::fromLatin1(key);
        }
    }
    return replaced;
}

void writeSettingsFile(const Settings& s, const QString& iniPath, const QString& appDir) {
    const Error unableToWrite(QStringLiteral("Unable to write to %1").arg(iniPath));
    if (!canReplace(iniPath)) {
        throw unableToWrite;
    }
    IniFile ini = IniFile::load(iniPath);
    writeBool(ini, kPrefs, QStringLiteral("AutoId"), s.AutoId);
    writeUnlessEqual(ini, QStringLiteral("CodeBar"), s.CodeBar, QString());
    writeUnlessEqual(ini, QStringLiteral("LastCode"), s.LastCode, QString());
    writeBool(ini, kPrefs, QStringLiteral("DBF"), s.UseDBF);
    writeBool(ini, kPrefs, QStringLiteral("SDF"), s.UseSDF);
    writeBool(ini, kPrefs, QStringLiteral("TXT"), s.UseTXT);
    writeBool(ini, kPrefs, QStringLiteral("CSV"), s.UseCSV);
    writeUnlessEqual(ini, QStringLiteral("Delimiter"), s.Delimiter, kDefaultDelimiter);
    writeUnlessEqual(ini, QStringLiteral("DecimalPoint"), s.DecimalPoint, kDefaultDecimalPoint);
    writeUnlessEqual(ini, QStringLiteral("TextQualifier"), s.TextQualifier, kDefaultTextQualifier);
    writeUnlessEqual(ini, QStringLiteral("LabelTitle"), s.LabelTitle, QString());
    writeBool(ini, kPrefs, QStringLiteral("Review"), s.Review);
    writeBool(ini, kPrefs, QStringLiteral("OldRegisterDeclined"), s.OldRegisterDeclined);
    writeBool(ini, kColetor, QStringLiteral("Ativo"), s.ColetorAtivo);
    writeInSection(ini, kColetor, QStringLiteral("Endereco"), s.ColetorEndereco, QString());
    writeInSection(ini, kColetor, QStringLiteral("Porta"), QString::number(s.ColetorPorta),
                   QString::number(kDefaultColetorPort));
    writeInSection(ini, kColetor, QStringLiteral("PortaConfiguracao"),
                   QString::number(s.ColetorPortaConfiguracao),
                   QString::number(kDefaultColetorSetupPort));
    writeFolder(ini, QStringLiteral("DBF"), s.DirDBF, appDir);
    writeFolder(ini, QStringLiteral("SDF"), s.DirSDF, appDir);
    writeFolder(ini, QStringLiteral("TXT"), s.DirTXT, appDir);
    writeFolder(ini, QStringLiteral("CSV"), s.DirCSV, appDir);

    // Written whole to a temporary file and renamed over the old one, so a
    // failure never leaves half a file.
    // A new file is its owner's alone whatever the mask; one that exists keeps
    // the permissions it was given.
    QSaveFile file(iniPath);
    const bool isNew = !QFileInfo::exists(iniPath);
    const QByteArray bytes = ini.toBytes();
    if (!file.open(QIODevice::WriteOnly) ||
        (isNew && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) ||
        file.write(bytes) != bytes.size() || !file.commit()) {
        throw unableToWrite;
    }
}

}  // namespace ambitra
