#pragma once

#include "core/data/Settings.h"

#include <QString>
#include <QStringList>

namespace ambitra {

// Fills the settings record from the settings file: the file's values, the
// defaults for what it lacks (no file at all is no error), and the fixed
// database fields. appDir is the program's folder without trailing delimiter.
Settings readSettingsFile(const QString& iniPath, const QString& appDir);

// A folder setting that holds a NUL byte names no folder the system can open
// (every file call would refuse it): such settings are replaced by the program's
// folder. Returns the keys of the DIR section that were replaced.
QStringList replaceUnusableFolders(Settings& settings, const QString& appDir);

// Writes the file fields back. A value equal to its default is removed from the
// file instead, so that the file holds only what differs; keys and sections the
// program does not know stay. Throws Error "Unable to write to <path>" when the
// file or its folder is read-only; the file is then left as it was.
void writeSettingsFile(const Settings& settings, const QString& iniPath, const QString& appDir);

}  // namespace ambitra
