#pragma once

#include <QDateTime>
#include <QHostAddress>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

namespace ambitra {

// The service's certificates, kept in the folder Certificados/ of the program
// folder: the certificate authority the program makes for itself once (the
// devices install it), and the server certificate it issues for the machine's
// name and addresses.
struct ServiceCertificates {
    QSslCertificate authority;
    QSslCertificate server;
    QSslKey serverKey;
    bool authorityMade = false;  // this call made a new authority
    bool serverIssued = false;   // this call issued a new server certificate

    // The authority's SHA-256 fingerprint as the user compares it: "AB:CD:...".
    QString fingerprint() const;
};

// Loads the certificates of the folder (made 0700, keys 0600), making the
// authority when the folder has none and issuing the server certificate when
// it is missing, not the authority's, lacks one of the names (the host name,
// localhost, 127.0.0.1 and the addresses given) or carries another, or ends
// within 30 days. Files are written aside and renamed. A server certificate is
// valid for 397 days at most. Throws Error (in Portuguese) when the folder
// cannot be written or an authority in it cannot be read: a new authority
// would make every device install it again, so it is never replaced silently.
ServiceCertificates loadOrMakeCertificates(const QString& folder, const QString& hostName,
                                           const QList<QHostAddress>& addresses,
                                           const QDateTime& now = QDateTime::currentDateTimeUtc());

// The names a server certificate for that host and those addresses carries, as
// "DNS:name" and "IP:address" (sorted, no repeats).
QStringList certificateNames(const QString& hostName, const QList<QHostAddress>& addresses);

}  // namespace ambitra
