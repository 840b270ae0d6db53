#pragma once

#include <QString>
#include <QtGlobal>

namespace ambitra {

// Local sockets that only their own user can reach. A socket under the shared
// temporary folder could be bound first by another user, who would then take
// the program's HotSync requests (or answer the handheld's), so the socket
// lives in the user's runtime folder and each end checks the user of the other.
namespace PrivateSocket {

// $XDG_RUNTIME_DIR when it is a folder of this user that nobody else can enter;
// otherwise <temporary folder>/ambitra-<uid>, created mode 0700. Raises Error
// when that folder belongs to another user or cannot be made private.
QString Folder();

// Whether the process at the other end of the connected local socket runs as
// this user (the credentials the kernel recorded at connect or listen time).
bool PeerIsSameUser(qintptr socketDescriptor);

}  // namespace PrivateSocket

}  // namespace ambitra
