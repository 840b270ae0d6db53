// The settings file as any bytes: reading never fails, and what the program
// writes into it reads back as written (the value a folder or a delimiter had
// must survive the next start).

#include "core/common/Cp1252.h"
#include "core/data/IniFile.h"
#include "core/data/SettingsFile.h"
#include "FuzzSupport.h"

#include <QFile>

using namespace ambitra;
using namespace ambitra::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString folder = scratchFolder("ini-fuzz");
    static const QString path = folder + QStringLiteral("/ambitra.ini");
    writeFile(QFile::encodeName(path), data, size);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    Settings settings = readSettingsFile(path, folder);
    replaceUnusableFolders(settings, folder);

    // A value taken from the input, set into the file the input made.
    IniFile ini = IniFile::fromBytes(bytes);
    QString value = cp1252::decode(bytes.left(40));
    value.remove(u'\r').remove(u'\n');
    ini.setValue(QStringLiteral("PREFS"), QStringLiteral("Delimiter"), value);
    const IniFile reread = IniFile::fromBytes(ini.toBytes());
    check(reread.value(QStringLiteral("PREFS"), QStringLiteral("Delimiter")) == value,
          "a value written did not read back");
    return 0;
}
