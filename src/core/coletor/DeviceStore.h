#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace ambitra {

class Connection;

// A handheld paired with the service.
struct Device {
    int id = 0;
    QString name;
    QDateTime paired;
    QDateTime lastContact;  // null before its first request after pairing
    QDateTime revoked;      // null while it may use the service
    bool active() const { return revoked.isNull(); }
};

// The paired handhelds kept in the register (table Dispositivos). A device is
// known by the SHA-256 of its token: the token itself is never kept, so a copy
// of the register lets nobody act as a device.
class DeviceStore {
  public:
    explicit DeviceStore(Connection& connection);

    // A new random token: 32 bytes from the system's random source, in hex.
    static QString newToken();
    // The SHA-256 of a token, in hex, as kept.
    static QString tokenHash(const QString& token);

    // Whether a device not revoked has this name.
    bool nameInUse(const QString& name);
    // Keeps a new device with the hash of its token; returns its number.
    int pair(const QString& name, const QString& token, const QDateTime& now);
    // The device not revoked that holds this token, its last contact set to now;
    // none for an unknown or revoked token.
    std::optional<Device> contact(const QString& token, const QDateTime& now);
    // Revokes a device; false when there is no such device not revoked.
    bool revoke(int id, const QDateTime& now);
    QList<Device> devices();  // in the order they were paired

  private:
    Connection& m_conn;
};

}  // namespace ambitra
