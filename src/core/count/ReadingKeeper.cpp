#include "core/count/ReadingKeeper.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/EngineErrorText.h"
#include "core/data/NativeQuery.h"
#include "core/data/SqlValue.h"

namespace ambitra {

namespace {

// The columns of every reading; a register that keeps the handheld's identifier
// of a reading has one more, LEID, last.
constexpr int kColumns = 20;
// Readings sent to a server in one statement: each statement is a round trip.
constexpr int kRowsPerStatement = 1000;

QStringList columnNames(bool withId) {
    static const QStringList names{
        QStringLiteral("LECONTAGEM"), QStringLiteral("LESEQ"),      QStringLiteral("LEDATA"),
        QStringLiteral("LEERROS"),    QStringLiteral("LEINVALIDO"), QStringLiteral("LECLASSE"),
        QStringLiteral("LELOCANT"),   QStringLiteral("LESITANT"),   QStringLiteral("LESERANT"),
        QStringLiteral("LEESTADO"),   QStringLiteral("LEBEM"),      QStringLiteral("LENOME"),
        QStringLiteral("LELOCAL"),    QStringLiteral("LEFABRICA"),  QStringLiteral("LESITUACAO"),
        QStringLiteral("LENSERIE"),   QStringLiteral("LEVALOR"),    QStringLiteral("LECOMPRA"),
        QStringLiteral("LEULTINV"),   QStringLiteral("LEULTOPE")};
    return withId ? names + QStringList{QStringLiteral("LEID")} : names;
}

QStringList columnTypes(bool withId) {
    static const QStringList types = [] {
        QStringList list{QStringLiteral("INTEGER"), QStringLiteral("INTEGER"),
                         QStringLiteral("DATETIME"), QStringLiteral("VARCHAR"),
                         QStringLiteral("INTEGER")};
        for (int i = 5; i < kColumns; ++i) {
            list << QStringLiteral("VARCHAR");
        }
        list[16] = QStringLiteral("MONEY");
        list[17] = QStringLiteral("DATE");
        list[18] = QStringLiteral("DATE");
        return list;
    }();
    return withId ? types + QStringList{QStringLiteral("VARCHAR")} : types;
}

// The insert of one reading.
QString insertText(bool withId) {
    const QStringList names = columnNames(withId);
    return QStringLiteral("INSERT INTO Leituras (") + names.join(QStringLiteral(", ")) +
           QStringLiteral(") VALUES (?") + QStringLiteral(", ?").repeated(names.size() - 1) +
           QLatin1Char(')');
}

}  // namespace

ReadingKeeper::ReadingKeeper(CountStore& store, const QString& user, const QString& coding)
    : m_store(store),
      m_coding(coding),
      m_now(sqlvalue::dateTimeText(QDateTime::currentDateTime())),
      m_columns(store.keepsReadingIds() ? kColumns + 1 : kColumns),
      m_batch(store.startBatch(user, m_now)) {
    const bool withId = m_columns > kColumns;
    // An unload keeps every reading it receives: on the embedded engine's own
    // statement the insert costs a fraction of what the general driver adds to
    // each of its values; a server gets them in rows of readings instead, one
    // round trip for many (a refused insert fails the whole unload either way).
    m_native = store.connection().nativeQuery(insertText(withId));
    if (m_native == nullptr) {
        m_rowsText = store.connection().engine().manyRowsInsertSql(
            QStringLiteral("Leituras"), columnNames(withId), columnTypes(withId));
    }
}

void ReadingKeeper::finish() {
    if (!m_held.isEmpty()) {
        send();
    }
}

void ReadingKeeper::send() {
    // Each column's values go as one parameter.
    const qsizetype rows = m_held.size() / m_columns;
    const DatabaseEngine& engine = m_store.connection().engine();
    JournaledWrite write{m_rowsText, {}};
    for (int column = 0; column < m_columns; ++column) {
        QList<QVariant> values;
        values.reserve(rows);
        for (qsizetype row = 0; row < rows; ++row) {
            values << m_held.at(row * m_columns + column);
        }
        write.values << engine.arrayParameter(values);
    }
    m_held.clear();
    // Journaled: a batch of the unload's records rolled back writes it again.
    m_store.connection().write(write);
}

void ReadingKeeper::keepPending(const Reading& reading) {
    insert(reading, std::nullopt, RegisterRow{}, CountStore::kPending);
}

void ReadingKeeper::keepDealt(const Reading& reading, const RegisterRow& found, bool applied) {
    // A code read again was changed by its first reading: its class is taken
    // against the row as it was before, as a batch classified at once would
    // be. Only rows whose class-bearing values the unload changed (or added)
    // need remembering; the others are still as they were.
    const QString code = reading.code();
    const auto remembered = m_before.constFind(code);
    const RegisterRow& before = remembered == m_before.cend() ? found : *remembered;
    const ReadingClass readingClass = classOf(reading, before, m_coding);
    if (applied && remembered == m_before.cend() && readingClass != ReadingClass::Unchanged) {
        m_before.insert(code, found);
    }
    insert(reading, readingClass, before, applied ? CountStore::kApplied : CountStore::kPending);
}

void ReadingKeeper::bind(int index, const QVariant& value) {
    if (m_native != nullptr) {
        m_native->bind(index, value);
    } else {
        Q_ASSERT(m_held.size() % m_columns == index);
        m_held.append(value);
    }
}

void ReadingKeeper::insert(const Reading& reading, std::optional<ReadingClass> readingClass,
                           const RegisterRow& row, const char* state) {
    const QString errors = reading.errorsText();
    const auto orNull = [](const QString& text) {
        return text.isEmpty() ? QVariant() : QVariant(text);
    };
    bind(0, m_batch.count);
    bind(1, m_batch.lastSeq + 1);
    bind(2, m_now);
    bind(3, orNull(errors));
    bind(4, FailsCheckDigit(reading.code(), m_coding) ? 1 : 0);
    bind(5, readingClass ? QVariant(readingClassName(*readingClass)) : QVariant());
    bind(6, row.location);
    bind(7, row.condition);
    bind(8, row.serial);
    bind(9, QString::fromLatin1(state));
    for (int i = 0; i < Reading::FieldCount; ++i) {
        bind(10 + i, sqlvalue::toSqlParameter(reading.stored(i)));
    }
    if (m_columns > kColumns) {
        bind(kColumns, reading.id.isEmpty() ? QVariant() : QVariant(reading.id));
    }
    if (m_native == nullptr) {
        if (m_held.size() == m_columns * kRowsPerStatement) {
            send();
        }
    } else if (!m_native->execute()) {
        throw Error(EngineErrorText::translate(m_native->errorText()));
    }
    ++m_batch.lastSeq;
}

}  // namespace ambitra
