#include "core/data/Connection.h"

#include "core/common/Error.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/EngineErrorText.h"
#include "core/data/NativeQuery.h"
#include "core/data/RecordBatch.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace ambitra {

namespace {

QString uniqueConnectionName() {
    static QAtomicInt counter;
    return QStringLiteral("ambitra-%1").arg(counter.fetchAndAddRelaxed(1));
}

}  // namespace

Connection::Connection() : m_name(uniqueConnectionName()) {}

Connection::~Connection() {
    close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

QString Connection::fileName() const {
    // A value holding ";" comes quoted, with its quotes doubled.
    static const QRegularExpression source(
        QStringLiteral("Data Source=(?:\"((?:[^\"]|\"\")*)\"|([^;]*));?"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = source.match(m_connectionString);
    if (!match.hasMatch()) {
        return QString();
    }
    if (match.capturedStart(1) >= 0) {
        return match.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    }
    return match.captured(2);
}

void Connection::open() {
    if (isOpen()) {
        return;
    }
    DatabaseEngine& engine = this->engine();
    if (!QSqlDatabase::isDriverAvailable(m_provider)) {
        throw Error(QStringLiteral("Provider cannot be found. It may not be properly installed."));
    }
    if (!m_db.isValid() || m_db.driverName() != m_provider) {
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        m_db = QSqlDatabase::addDatabase(m_provider, m_name);
    }
    engine.configure(m_db, fileName());
    const QString shown = engine.shownSource(fileName());
    if (!m_db.open()) {
        throw Error(engine.openErrorText(m_db.lastError(), shown));
    }
    const QSqlError refused = engine.startSession(m_db);
    if (refused.isValid()) {
        const QString text = EngineErrorText::of(refused, {}, shown);
        m_db.close();
        throw Error(text);
    }
    ++m_generation;
}

DatabaseEngine& Connection::engine() {
    if (!m_engine || m_engineDriver != m_provider) {
        m_engine = DatabaseEngine::forDriver(m_provider);
        m_engineDriver = m_provider;
    }
    if (!m_engine) {
        throw Error(QStringLiteral("Provider cannot be found. It may not be properly installed."));
    }
    return *m_engine;
}

void Connection::close() {
    m_prepared.clear();
    m_native.clear();
    if (m_db.isOpen()) {
        if (m_inTransaction || m_inReadSnapshot) {
            m_db.rollback();
            m_inTransaction = m_inReadSnapshot = false;
        }
        m_db.close();
    }
}

bool Connection::isOpen() const {
    return m_db.isValid() && m_db.isOpen();
}

void Connection::exec(const QString& statement) {
    // Runs issue a savepoint and its release for every record: the embedded
    // engine runs them for a fraction of what the general driver adds to each.
    if (NativeQuery* native = nativeQuery(statement)) {
        if (!native->execute()) {
            throw Error(EngineErrorText::translate(native->errorText()));
        }
        return;
    }
    engine().refuseStatementList(statement);
    if (!engine().preparesEveryStatement()) {
        QSqlQuery query(m_db);
        if (!query.exec(statement)) {
            throw Error(EngineErrorText::of(query.lastError()));
        }
        return;
    }
    QSqlQuery& query = preparedQuery(statement);
    const bool ok = query.exec();
    const QSqlError error = query.lastError();
    query.finish();
    if (!ok) {
        throw Error(EngineErrorText::of(error));
    }
}

QSqlQuery& Connection::preparedQuery(const QString& sql) {
    auto it = m_prepared.find(sql);
    if (it == m_prepared.end()) {
        QSqlQuery query(m_db);
        if (!query.prepare(sql)) {
            throw Error(EngineErrorText::of(query.lastError()));
        }
        it = m_prepared.insert(sql, query);
    }
    return *it;
}

void Connection::journalWrite(const QString& sql, QList<QVariant> values) {
    if (m_batch != nullptr) {
        m_batch->journal({sql, std::move(values)});
    }
}

bool Connection::holdsWrites() const {
    return m_batch != nullptr && m_batch->holdsWrites();
}

void Connection::hold(HeldWrite write) {
    m_batch->hold(std::move(write));
}

void Connection::sendHeldWrites() {
    if (m_batch != nullptr) {
        m_batch->sendHeld();
    }
}

void Connection::execWrite(const JournaledWrite& write, const EngineErrorText::ValueOf& valueOf) {
    // The same interface as the table wrote through, so values are stored alike.
    if (NativeQuery* native = nativeQuery(write.sql)) {
        for (int i = 0; i < write.values.size(); ++i) {
            native->bind(i, write.values[i]);
        }
        if (!native->execute()) {
            throw Error(EngineErrorText::translate(native->errorText(), valueOf));
        }
        return;
    }
    // A run writes the same statement for every record.
    QSqlQuery& query = preparedQuery(write.sql);
    for (int i = 0; i < write.values.size(); ++i) {
        query.bindValue(i, write.values[i]);
    }
    const bool ok = query.exec();
    const QSqlError error = query.lastError();
    query.finish();
    if (!ok) {
        throw Error(EngineErrorText::of(error, valueOf));
    }
}

void Connection::write(const JournaledWrite& write) {
    execWrite(write);
    if (m_batch != nullptr) {
        m_batch->journal(write);
    }
}

std::optional<ChangeStamp> Connection::changeStamp() const {
    return isOpen() ? changeStampOf(m_db, m_generation) : std::nullopt;
}

NativeQuery* Connection::nativeQuery(const QString& sql) {
    if (!engine().hasNativeReads()) {
        return nullptr;
    }
    auto it = m_native.find(sql);
    if (it == m_native.end()) {
        auto query = std::make_shared<NativeQuery>();
        if (!query->prepare(m_db, sql)) {
            return nullptr;
        }
        it = m_native.insert(sql, std::move(query));
    }
    return it->get();
}

void Connection::beginTransaction(Progress& wait) {
    engine().beginWrite(*this, wait, m_writeLockWaitMs);
    m_inTransaction = true;
}

void Connection::beginRowWrite() {
    engine().beginRowWrite(*this);
    m_inTransaction = true;
}

void Connection::commit() {
    exec(QStringLiteral("COMMIT"));
    m_inTransaction = false;
}

void Connection::rollback() {
    m_inTransaction = false;
    exec(QStringLiteral("ROLLBACK"));
}

void Connection::beginReadSnapshot() {
    engine().beginReadSnapshot(*this);
    m_inReadSnapshot = true;
}

void Connection::endReadSnapshot() {
    m_inReadSnapshot = false;
    // Nothing was written: ending it either way only lets go of the view.
    exec(QStringLiteral("COMMIT"));
}

void Connection::allowConcurrentReaders() {
    engine().allowConcurrentReaders(*this);
}

ReadSnapshot::ReadSnapshot(Connection& connection)
    : m_connection(connection),
      m_owned(!connection.inTransaction() && !connection.inReadSnapshot()) {
    if (m_owned) {
        m_connection.beginReadSnapshot();
    }
}

ReadSnapshot::~ReadSnapshot() {
    if (m_owned && m_connection.inReadSnapshot()) {
        try {
            m_connection.endReadSnapshot();
        } catch (const Error&) {
            // Only a view ends here; nothing it read is lost.
        }
    }
}

Transaction::Transaction(Connection& connection, Progress& wait) : m_connection(connection) {
    m_connection.beginTransaction(wait);
}

Transaction::~Transaction() {
    if (!m_done) {
        try {
            m_connection.rollback();
        } catch (const Error&) {
            // Nothing more can be done: the engine has already ended the transaction.
        }
    }
}

void Transaction::commit() {
    m_connection.commit();
    m_done = true;
}

BulkFill::BulkFill(Connection& connection)
    : m_connection(connection), m_changed(connection.engine().beginBulkFill(connection)) {}

BulkFill::~BulkFill() {
    if (m_changed) {
        try {
            m_connection.engine().endBulkFill(m_connection);
        } catch (const Error&) {
            // The run has ended either way; the connection writes as it did during it.
        }
    }
}

Savepoint::Savepoint(Connection& connection, const char* name)
    : m_connection(connection), m_name(QString::fromLatin1(name)) {
    m_connection.exec(QStringLiteral("SAVEPOINT ") + m_name);
}

Savepoint::~Savepoint() {
    if (!m_done) {
        try {
            rollback();
        } catch (const Error&) {
            // The surrounding transaction is gone; its own guard reports nothing more.
        }
    }
}

void Savepoint::release() {
    m_connection.exec(QStringLiteral("RELEASE ") + m_name);
    m_done = true;
}

void Savepoint::rollback() {
    m_done = true;
    m_connection.exec(QStringLiteral("ROLLBACK TO ") + m_name);
    m_connection.exec(QStringLiteral("RELEASE ") + m_name);
}

}  // namespace ambitra
