#pragma once

#include <QString>
#include <QStringList>

namespace ambitra {

// Conventions both command-line companions share.

// "--help" anywhere among a command's arguments asks for its usage (on stdout,
// exit 0) instead of running it.
bool AsksForHelp(const QStringList& args);

// The answer to --version: the program's name and its four-number version.
QString VersionLine(const QString& program);

}  // namespace ambitra
