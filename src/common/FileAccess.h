#pragma once

#include <QFileInfo>

namespace ambitra {

// Owner write permission as the file system records it. The user's own access
// check is not enough: for the superuser every file counts as writable, yet a
// file or folder someone made read-only must be refused for every user alike.
inline bool isWritable(const QFileInfo& info) {
    return info.isWritable() && info.permissions().testFlag(QFileDevice::WriteOwner);
}

}  // namespace ambitra
