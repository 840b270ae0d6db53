#pragma once

#include <QFileInfo>
#include <QString>

namespace ambitra {

// Owner write permission as the file system records it. The user's own access
// check is not enough: for the superuser every file counts as writable, yet a
// file or folder someone made read-only must be refused for every user alike.
inline bool isWritable(const QFileInfo& info) {
    return info.isWritable() && info.permissions().testFlag(QFileDevice::WriteOwner);
}

// Creates the folder and whichever of its parents are missing, each private to
// the user (mode 0700) whatever the process's file-creation mask; folders that
// are already there keep their mode. True when the folder exists afterwards.
bool makePrivatePath(const QString& path);

// Files and folders the program creates without naming a mode are its user's
// alone from here on (the register, readings and exports are the
// organisation's data). Called once at the start of every program.
void restrictNewFiles();

}  // namespace ambitra
