#include "core/coletor/DeviceStore.h"

#include "core/common/Error.h"
#include "core/data/BoundQuery.h"
#include "core/data/Connection.h"
#include "core/data/SqlValue.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QSqlQuery>

namespace ambitra {

namespace {

QDateTime moment(const QVariant& stored) {
    return stored.isNull() ? QDateTime()
                           : sqlvalue::fromSql(stored, ColumnType::DateTime).toDateTime();
}

}  // namespace

DeviceStore::DeviceStore(Connection& connection) : m_conn(connection) {}

QString DeviceStore::newToken() {
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
}

QString DeviceStore::tokenHash(const QString& token) {
    return QString::fromLatin1(
        QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

bool DeviceStore::nameInUse(const QString& name) {
    QSqlQuery q = runBoundQuery(
        m_conn,
        QStringLiteral("SELECT 1 FROM Dispositivos WHERE DINOME = ? AND DIREVOGADO IS NULL"),
        {name});
    return q.next();
}

int DeviceStore::pair(const QString& name, const QString& token, const QDateTime& now) {
    Transaction transaction(m_conn);
    QSqlQuery last =
        runBoundQuery(m_conn, QStringLiteral("SELECT MAX(DINUMERO) FROM Dispositivos"), {});
    const int id = (last.next() ? last.value(0).toInt() : 0) + 1;
    last.finish();
    runBoundQuery(
        m_conn,
        QStringLiteral(
            "INSERT INTO Dispositivos (DINUMERO, DINOME, DITOKEN, DIPAREADO) VALUES (?, ?, ?, ?)"),
        {id, name, tokenHash(token), sqlvalue::dateTimeText(now)});
    transaction.commit();
    return id;
}

std::optional<Device> DeviceStore::contact(const QString& token, const QDateTime& now) {
    QSqlQuery q =
        runBoundQuery(m_conn,
                      QStringLiteral("SELECT DINUMERO, DINOME, DIPAREADO FROM Dispositivos WHERE "
                                     "DITOKEN = ? AND DIREVOGADO IS NULL"),
                      {tokenHash(token)});
    if (!q.next()) {
        return std::nullopt;
    }
    Device device{q.value(0).toInt(), q.value(1).toString(), moment(q.value(2)), now, {}};
    q.finish();
    Transaction transaction(m_conn);
    runBoundQuery(m_conn,
                  QStringLiteral("UPDATE Dispositivos SET DICONTATO = ? WHERE DINUMERO = ?"),
                  {sqlvalue::dateTimeText(now), device.id});
    transaction.commit();
    return device;
}

bool DeviceStore::revoke(int id, const QDateTime& now) {
    Transaction transaction(m_conn);
    QSqlQuery q = runBoundQuery(
        m_conn,
        QStringLiteral("UPDATE Dispositivos SET DIREVOGADO = ? WHERE DINUMERO = ? AND DIREVOGADO "
                       "IS NULL"),
        {sqlvalue::dateTimeText(now), id});
    const bool done = q.numRowsAffected() > 0;
    q.finish();
    transaction.commit();
    return done;
}

QList<Device> DeviceStore::devices() {
    QSqlQuery q =
        runBoundQuery(m_conn,
                      QStringLiteral("SELECT DINUMERO, DINOME, DIPAREADO, DICONTATO, DIREVOGADO "
                                     "FROM Dispositivos ORDER BY DINUMERO"),
                      {});
    QList<Device> list;
    while (q.next()) {
        list.append({q.value(0).toInt(), q.value(1).toString(), moment(q.value(2)),
                     moment(q.value(3)), moment(q.value(4))});
    }
    return list;
}

}  // namespace ambitra
