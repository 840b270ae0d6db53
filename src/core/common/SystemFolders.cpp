#include "core/common/Conversions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// What stands in for the Windows system folders on other platforms. Each is a
// folder path without trailing delimiter, except the temporary folder.
namespace ambitra {

// The folder where the installed program keeps the platform files it registers
// with other software (the HotSync conduit library among them), the role the
// Windows system folder plays. An installation under a prefix has it at
// <prefix>/lib/ambitra/system, i.e. <folder of the executable>/../lib/ambitra/system;
// a portable installation keeps it beside the program as <folder of the
// executable>/system. AMBITRA_SYSTEM_DIR overrides both (tests, packagers).
QString GetSystemDir() {
    const QString overridden = qEnvironmentVariable("AMBITRA_SYSTEM_DIR");
    if (!overridden.isEmpty()) {
        return QDir::cleanPath(overridden);
    }
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(exeDir + u"/../lib/ambitra/system");
    if (QFileInfo(installed).isDir()) {
        return installed;
    }
    return QDir::cleanPath(exeDir + u"/system");
}

// The folder of the program's own helper programs (the conduit installer tool):
// <prefix>/lib/ambitra for an installation under a prefix, where the program's
// folder is shared with every other program; else the program's folder.
QString GetProgramLibDir() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(exeDir + u"/../lib/ambitra");
    if (QFileInfo(installed).isDir()) {
        return installed;
    }
    return QDir::cleanPath(exeDir);
}

// The folder other programs are installed into, which Windows keeps in its
// registry. There is no such registry value here: AMBITRA_PROGRAM_FILES_DIR
// stands in for it, and without it the result is empty, as for a missing value.
QString GetProgramFilesDir() {
    return qEnvironmentVariable("AMBITRA_PROGRAM_FILES_DIR");
}

QString GetTempDir() {
    const QString temp = QDir::tempPath();
    return temp.endsWith(u'/') ? temp : temp + u'/';
}

}  // namespace ambitra
