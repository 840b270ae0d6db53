#pragma once

#include "core/coletor/DeviceStore.h"
#include "core/coletor/ServiceRequest.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>

namespace ambitra {

class LocationCheckList;
class SyncLog;
class TDados;

// The rules of the handheld service's API (/api/v1/...): pairing a device with
// the code shown on the desktop, the locations offered for a load, the load
// itself (the handheld load's selection, opening a count) and the unload of the
// readings (kept as a Recebidos copy, then applied by the same unload and review
// as a returned BENS.DBF, each reading once). The transport calls handle() on the
// thread that owns the register's connection.
class ColetorApi {
  public:
    using Clock = std::function<QDateTime()>;

    static constexpr int kCodeMinutes = 10;  // a pairing code is valid this long
    static constexpr int kCodeTries = 5;     // wrong tries that end a code
    // Iterations of the operators' password hashes carried in the load (about
    // 20 ms of one processor each; made once per password while the service runs).
    static constexpr int kIterations = 10000;
    // The schema version the service needs (its devices and reading identifiers).
    static constexpr int kSchemaVersion = 3;

    // marks: the synchronisation window's list of locations, whose marks come
    // preselected on the device (none without a window). clock: the current
    // moment (the system's when empty).
    ColetorApi(TDados& dados, SyncLog& log, const LocationCheckList* marks = nullptr,
               Clock clock = {});

    ServiceResponse handle(const ServiceRequest& request);

    // A new pairing code (six digits from the system's random source) in place
    // of the current one, valid kCodeMinutes from now.
    QString newPairingCode();
    // The current code and when it expires; empty / null when there is none
    // (never made, used by a pairing, or ended by kCodeTries wrong tries).
    QString pairingCode() const;
    QDateTime pairingExpiry() const;

    QList<Device> devices();
    bool revoke(int id);

  private:
    ServiceResponse pair(const QByteArray& body);
    ServiceResponse locations();
    ServiceResponse load(const Device& device, const QByteArray& body);
    ServiceResponse unload(const Device& device, const QByteArray& body);
    // The salted hash of an operator's password, made again only when it changed.
    struct OperatorKey {
        QString password;
        QByteArray salt;
        QByteArray hash;
    };
    // The keys of these operators (code, password) in m_operatorKeys.
    void prepareOperatorKeys(const QList<std::pair<QString, QString>>& passwords);
    QDateTime now() const;

    TDados& m_dados;
    SyncLog& m_log;
    const LocationCheckList* m_marks;
    Clock m_clock;
    QString m_code;
    QDateTime m_codeExpiry;
    int m_codeTries = 0;
    QHash<QString, OperatorKey> m_operatorKeys;
};

}  // namespace ambitra
