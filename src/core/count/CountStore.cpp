#include "core/count/CountStore.h"

#include "core/count/ReadingClass.h"
#include "core/count/ReadingKeeper.h"
#include "core/inventory/InventoryStore.h"

#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/data/Connection.h"
#include "core/data/EngineErrorText.h"
#include "core/data/NativeQuery.h"
#include "core/data/SqlValue.h"
#include "core/data/TDados.h"

#include <QSet>
#include <QSqlError>

#include <algorithm>
#include <optional>

namespace ambitra {

namespace {

QString nowText() {
    return sqlvalue::dateTimeText(QDateTime::currentDateTime());
}

// The columns of a kept reading, in the order of Reading's fields.
const char* const kReadingColumns =
    "LEBEM, LENOME, LELOCAL, LEFABRICA, LESITUACAO, LENSERIE, LEVALOR, LECOMPRA, LEULTINV, "
    "LEULTOPE";

// A kept reading from a row whose first columns are LECONTAGEM, LESEQ, LECLASSE,
// LEERROS and then the reading's fields.
Reading readingOf(const QSqlQuery& q) {
    Reading r;
    r.count = q.value(0).toInt();
    r.seq = q.value(1).toInt();
    r.readingClass = q.value(2).toString();
    r.setErrorsText(q.value(3).toString());
    for (int i = 0; i < Reading::FieldCount; ++i) {
        QVariant v = q.value(4 + i);
        if (v.isNull()) {
            v = QVariant();
        } else if (i == Reading::Bought || i == Reading::Inventoried) {
            v = sqlvalue::fromSql(v, ColumnType::Date);
        } else if (i == Reading::Value) {
            v = v.toDouble();
        } else {
            v = v.toString();
        }
        r.set(i, v);
    }
    return r;
}

}  // namespace

CountStore::CountStore(TDados& dados) : m_dados(dados), m_conn(dados.Conn()) {}

void CountStore::requireAvailable(TDados& dados) {
    if (!dados.CountsAvailable()) {
        throw Error(QStringLiteral(
            "As contagens de inventário não estão disponíveis neste banco de dados: ele não "
            "tem a versão de esquema do Ambitra PC e por isso não é alterado."));
    }
}

QSqlQuery CountStore::prepare(const QString& sql) {
    QSqlQuery q(m_conn.database());
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        throw Error(EngineErrorText::of(q.lastError()));
    }
    return q;
}

void CountStore::run(QSqlQuery& query) {
    if (!query.exec()) {
        const QString text = EngineErrorText::of(query.lastError());
        query.finish();
        throw Error(text);
    }
}

int CountStore::scalar(const QString& sql, const QVariantList& values) {
    QSqlQuery q = prepare(sql);
    for (int i = 0; i < values.size(); ++i) {
        q.bindValue(i, values[i]);
    }
    run(q);
    const int value = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    return value;
}

int CountStore::openCountOf(const QString& user) {
    return scalar(QStringLiteral("SELECT MAX(CTNUMERO) FROM Contagens WHERE CTUSUARIO = ? AND "
                                 "CTABERTA = 1"),
                  {user});
}

int CountStore::newCount(const QString& user, const QString& now) {
    const int number = scalar(QStringLiteral("SELECT MAX(CTNUMERO) FROM Contagens"), {}) + 1;
    QSqlQuery q = prepare(
        QStringLiteral("INSERT INTO Contagens (CTNUMERO, CTDATA, CTUSUARIO, CTABERTA) VALUES "
                       "(?, ?, ?, 1)"));
    q.addBindValue(number);
    q.addBindValue(now);
    q.addBindValue(user);
    run(q);
    return number;
}

int CountStore::openCount(const QString& user, const QStringList& locations,
                          const QList<SentAsset>& sent, QStringList* notes) {
    Transaction transaction(m_conn);
    const QString now = nowText();
    QSqlQuery close = prepare(QStringLiteral(
        "UPDATE Contagens SET CTABERTA = 0, CTENCERRADA = ? WHERE CTUSUARIO = ? AND CTABERTA = 1"));
    close.addBindValue(now);
    close.addBindValue(user);
    run(close);
    const int number = newCount(user, now);
    QSqlQuery location =
        prepare(QStringLiteral("INSERT INTO ContagemLocais (CLCONTAGEM, CLLOCAL) VALUES (?, ?)"));
    QSet<QString> seen;
    for (const QString& code : locations) {
        if (seen.contains(code)) {
            continue;
        }
        seen.insert(code);
        location.bindValue(0, number);
        location.bindValue(1, code);
        run(location);
    }
    QSqlQuery asset = prepare(
        QStringLiteral("INSERT INTO Esperados (ESCONTAGEM, ESBEM, ESLOCAL) VALUES (?, ?, ?)"));
    for (const SentAsset& a : sent) {
        asset.bindValue(0, number);
        asset.bindValue(1, a.code);
        asset.bindValue(2, a.location.isNull() ? QVariant() : a.location);
        run(asset);
    }
    // A load of every location marks none: the locations are those of what it sent.
    QStringList loaded = seen.values();
    if (loaded.isEmpty()) {
        for (const SentAsset& a : sent) {
            if (!a.location.isNull()) {
                loaded << a.location.toString();
            }
        }
        loaded.removeDuplicates();
    }
    loaded.sort();
    const QStringList joined = InventoryStore(m_dados).join(number, loaded);
    transaction.commit();
    if (notes != nullptr) {
        *notes = joined;
    }
    return number;
}

StoredBatch CountStore::startBatch(const QString& user, const QString& now) {
    StoredBatch batch;
    batch.count = openCountOf(user);
    if (batch.count == 0) {
        batch.count = newCount(user, now);
    }
    batch.firstSeq = scalar(QStringLiteral("SELECT MAX(LESEQ) FROM Leituras WHERE LECONTAGEM = ?"),
                            {batch.count}) +
                     1;
    batch.lastSeq = batch.firstSeq - 1;
    return batch;
}

StoredBatch CountStore::storeReadings(ReturnedRecords& records, const QString& user,
                                      const QString& coding, Progress& progress) {
    Transaction transaction(m_conn, progress);
    ReadingKeeper keeper(*this, user, coding);
    Reading reading;
    records.rewind();
    while (records.next(reading)) {
        keeper.keepPending(reading);
    }
    keeper.finish();
    classify(keeper.batch());
    transaction.commit();
    return keeper.batch();
}

void CountStore::classify(const StoredBatch& batch) {
    for (const QString& statement : classifyBatchStatements()) {
        QSqlQuery q = prepare(statement);
        q.addBindValue(batch.count);
        q.addBindValue(batch.firstSeq);
        q.addBindValue(batch.lastSeq);
        run(q);
    }
}

void CountStore::setState(int count, int seq, const char* state) {
    QSqlQuery q = prepare(
        QStringLiteral("UPDATE Leituras SET LEESTADO = ? WHERE LECONTAGEM = ? AND LESEQ = ?"));
    q.addBindValue(QString::fromLatin1(state));
    q.addBindValue(count);
    q.addBindValue(seq);
    run(q);
}

void CountStore::closeCount(int number) {
    const std::optional<CountInfo> info = count(number);
    if (!info || !info->open) {
        throw Error(QStringLiteral("A contagem %1 não existe ou já está encerrada.").arg(number));
    }
    Transaction transaction(m_conn);
    QSqlQuery q = prepare(QStringLiteral(
        "UPDATE Contagens SET CTABERTA = 0, CTENCERRADA = ? WHERE CTNUMERO = ? AND CTABERTA = 1"));
    q.addBindValue(nowText());
    q.addBindValue(number);
    run(q);
    transaction.commit();
}

QList<CountInfo> CountStore::counts() {
    QSqlQuery q = prepare(QStringLiteral(
        "SELECT CTNUMERO, CTDATA, CTUSUARIO, CTABERTA, (SELECT COUNT(*) FROM Esperados WHERE "
        "ESCONTAGEM = CTNUMERO), (SELECT COUNT(*) FROM Leituras WHERE LECONTAGEM = CTNUMERO), "
        "(SELECT COUNT(*) FROM Leituras WHERE LECONTAGEM = CTNUMERO AND LEESTADO = 'P') FROM "
        "Contagens ORDER BY CTNUMERO DESC"));
    run(q);
    QList<CountInfo> list;
    while (q.next()) {
        list.append({q.value(0).toInt(),
                     sqlvalue::fromSql(q.value(1), ColumnType::DateTime).toDateTime(),
                     q.value(2).toString(), q.value(3).toInt() == 1, q.value(4).toInt(),
                     q.value(5).toInt(), q.value(6).toInt()});
    }
    q.finish();
    return list;
}

std::optional<CountInfo> CountStore::count(int number) {
    for (const CountInfo& info : counts()) {
        if (info.number == number) {
            return info;
        }
    }
    return std::nullopt;
}

int CountStore::latestCount() {
    return scalar(QStringLiteral("SELECT MAX(CTNUMERO) FROM Contagens"), {});
}

bool CountStore::keepsReadingIds() const {
    return m_dados.schemaVersion() >= 3;
}

QHash<QString, CountStore::HeldReading> CountStore::heldReadings(const QStringList& ids) {
    QHash<QString, HeldReading> held;
    held.reserve(ids.size());
    // The embedded engine looks each one up in the identifiers' index through its
    // own interface, all in one read (each alone would take and drop the file's
    // lock): a statement of hundreds of parameters costs more to prepare than the
    // look-ups themselves.
    if (NativeQuery* one = m_conn.nativeQuery(
            QStringLiteral("SELECT LEESTADO, LEINVALIDO FROM Leituras WHERE LEID = ?"))) {
        ReadSnapshot snapshot(m_conn);
        for (const QString& id : ids) {
            one->exec(&id);
            if (one->next()) {
                held.insert(id, {one->value(0).toString(), one->value(1).toInt() != 0});
            }
            one->finish();
        }
        return held;
    }
    // A server is asked in groups, each statement being a round trip; the
    // statement of a whole group is prepared once.
    constexpr qsizetype kPerStatement = 500;
    const auto statement = [this](qsizetype size) {
        return prepare(
            QStringLiteral("SELECT LEID, LEESTADO, LEINVALIDO FROM Leituras WHERE LEID IN (?") +
            QStringLiteral(", ?").repeated(size - 1) + QLatin1Char(')'));
    };
    std::optional<QSqlQuery> whole;
    for (qsizetype first = 0; first < ids.size(); first += kPerStatement) {
        const qsizetype size = std::min(kPerStatement, ids.size() - first);
        std::optional<QSqlQuery> part;
        if (size == kPerStatement && !whole) {
            whole = statement(size);
        } else if (size < kPerStatement) {
            part = statement(size);
        }
        QSqlQuery& q = part ? *part : *whole;
        for (qsizetype i = 0; i < size; ++i) {
            q.bindValue(static_cast<int>(i), ids[first + i]);
        }
        run(q);
        while (q.next()) {
            held.insert(q.value(0).toString(), {q.value(1).toString(), q.value(2).toInt() != 0});
        }
        q.finish();
    }
    return held;
}

QString CountStore::user(int number) {
    QSqlQuery q = prepare(QStringLiteral("SELECT CTUSUARIO FROM Contagens WHERE CTNUMERO = ?"));
    q.addBindValue(number);
    run(q);
    const QString name = q.next() ? q.value(0).toString() : QString();
    q.finish();
    return name;
}

QStringList CountStore::locations(int number) {
    QSqlQuery q = prepare(
        QStringLiteral("SELECT CLLOCAL FROM ContagemLocais WHERE CLCONTAGEM = ? ORDER BY CLLOCAL"));
    q.addBindValue(number);
    run(q);
    QStringList list;
    while (q.next()) {
        list << q.value(0).toString();
    }
    q.finish();
    return list;
}

QList<Reading> CountStore::pendingReadings(int count, int afterSeq, int limit) {
    QSqlQuery q = prepare(QStringLiteral("SELECT LECONTAGEM, LESEQ, LECLASSE, LEERROS, ") +
                          QLatin1String(kReadingColumns) +
                          QStringLiteral(" FROM Leituras WHERE LECONTAGEM = ? AND LESEQ > ? AND "
                                         "LEESTADO = 'P' ORDER BY LESEQ LIMIT ?"));
    q.addBindValue(count);
    q.addBindValue(afterSeq);
    q.addBindValue(limit);
    run(q);
    QList<Reading> list;
    while (q.next()) {
        list << readingOf(q);
    }
    q.finish();
    return list;
}

QList<CountStore::PendingRow> CountStore::pendingRows(int count) {
    QSqlQuery q = prepare(QStringLiteral("SELECT LECONTAGEM, LESEQ, LECLASSE, LEERROS, ") +
                          QLatin1String(kReadingColumns) +
                          QStringLiteral(", LELOCANT, LESITANT, LESERANT FROM Leituras WHERE "
                                         "LECONTAGEM = ? AND LEESTADO = 'P' ORDER BY LESEQ"));
    q.addBindValue(count);
    run(q);
    QList<PendingRow> list;
    const int old = 4 + Reading::FieldCount;
    while (q.next()) {
        list.append({readingOf(q), q.value(old), q.value(old + 1), q.value(old + 2)});
    }
    q.finish();
    return list;
}

PendingReadings::PendingReadings(CountStore& store, int count,
                                 std::function<bool(const Reading&)> accept)
    : m_store(store), m_count(count), m_accept(std::move(accept)) {}

bool PendingReadings::next(Reading& reading) {
    constexpr int kPage = 1000;
    for (;;) {
        if (m_at >= m_page.size()) {
            if (m_done) {
                return false;
            }
            m_page = m_store.pendingReadings(m_count, m_lastSeq, kPage);
            m_at = 0;
            m_done = m_page.size() < kPage;
            if (m_page.isEmpty()) {
                return false;
            }
            m_lastSeq = m_page.last().seq;
        }
        const Reading& candidate = m_page[m_at++];
        if (m_accept(candidate)) {
            reading = candidate;
            return true;
        }
    }
}

}  // namespace ambitra
