#include "core/data/Query.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/EngineErrorText.h"
#include "core/data/NativeQuery.h"
#include "core/data/Schema.h"
#include "core/data/SqlValue.h"

#include <QSqlError>
#include <QSqlRecord>

namespace ambitra {

void Statement::setText(const QStringList& lines) {
    const QString text = lines.join(QString());
    if (text != m_text) {
        m_text = text;
        m_preparedFor = -1;
        m_parameters.clear();
    }
}

void Statement::setParameter(const QString& name, const QVariant& value) {
    for (auto& p : m_parameters) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    m_parameters.append({name, value});
}

EngineErrorText::ValueOf Statement::parameterValues() const {
    return [this](const QString& column) {
        for (const auto& [name, value] : m_parameters) {
            if (name.compare(column, Qt::CaseInsensitive) == 0) {
                return value;
            }
        }
        return QVariant();
    };
}

QString Statement::errorText(const QSqlQuery& q) const {
    return EngineErrorText::of(q.lastError(), parameterValues());
}

void Statement::release() {
    m_query = QSqlQuery();
    m_preparedFor = -1;
}

QSqlQuery& Statement::prepared() {
    // A statement of a run sees, and comes after, the rows the run wrote.
    m_connection.sendHeldWrites();
    if (m_preparedFor != m_connection.generation()) {
        m_connection.engine().refuseStatementList(m_text);
        m_query = QSqlQuery(m_connection.database());
        if (!m_query.prepare(m_text)) {
            throw Error(errorText(m_query));
        }
        m_preparedFor = m_connection.generation();
    }
    for (const auto& [name, value] : m_parameters) {
        m_query.bindValue(QLatin1Char(':') + name, sqlvalue::toSqlParameter(value));
    }
    return m_query;
}

bool Command::executeNative() {
    NativeQuery* native = m_connection.nativeQuery(text());
    if (native == nullptr) {
        return false;
    }
    // As with the general driver, a parameter given no value stays null.
    for (const auto& [name, value] : parameters()) {
        native->bind(QLatin1Char(':') + name, sqlvalue::toSqlParameter(value));
    }
    if (!native->execute()) {
        throw Error(EngineErrorText::translate(native->errorText(), parameterValues()));
    }
    m_rowsAffected = native->changes();
    return true;
}

void Command::execute() {
    // The unload writes a log row for most records: the embedded engine runs the
    // statement for a fraction of what the general driver adds to it.
    if (!executeNative()) {
        QSqlQuery& q = prepared();
        if (!q.exec()) {
            const QString text = errorText(q);
            q.finish();
            throw Error(text);
        }
        m_rowsAffected = q.numRowsAffected();
        q.finish();
    }
    if (m_connection.journalsWrites()) {
        m_connection.journalWrite(text(), valuesByPlace());
    }
}

QList<QVariant> Statement::valuesByPlace() const {
    // The names in the order the text holds them (outside quoted texts), each
    // once: the order in which both engines number named parameters.
    QList<QVariant> values;
    QStringList seen;
    bool quoted = false;
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        const QChar c = m_text.at(i);
        if (c == u'\'') {
            quoted = !quoted;
        }
        if (quoted || c != u':') {
            continue;
        }
        if (i + 1 < m_text.size() && m_text.at(i + 1) == u':') {
            ++i;  // a cast, not a parameter
            continue;
        }
        qsizetype end = i + 1;
        while (end < m_text.size() &&
               (m_text.at(end).isLetterOrNumber() || m_text.at(end) == u'_')) {
            ++end;
        }
        const QString name = m_text.mid(i + 1, end - i - 1);
        if (!name.isEmpty() && !seen.contains(name, Qt::CaseInsensitive)) {
            seen << name;
            values << sqlvalue::toSqlParameter(parameterValues()(name));
        }
        i = end - 1;
    }
    return values;
}

void Query::open() {
    close();
    // Taken before the read: a commit landing during it makes the next stamp differ.
    m_readStamp = m_connection.changeStamp();
    m_readText = text();
    m_readParameters = parameters();
    QSqlQuery& q = prepared();
    q.setForwardOnly(true);
    if (!q.exec()) {
        const QString text = errorText(q);
        q.finish();
        throw Error(text);
    }
    const QSqlRecord record = q.record();
    QList<ColumnType> types;
    for (int i = 0; i < record.count(); ++i) {
        m_columns << record.fieldName(i);
        types << schema::typeOfColumn(record.fieldName(i));
    }
    while (q.next()) {
        QList<QVariant> row;
        row.reserve(types.size());
        for (int i = 0; i < types.size(); ++i) {
            row << sqlvalue::fromSql(q.value(i), types[i]);
        }
        m_rows << row;
    }
    q.finish();
    m_row = 0;
    m_open = true;
}

void Query::close() {
    m_readStamp.reset();
    m_columns.clear();
    m_rows.clear();
    m_row = 0;
    m_open = false;
}

void Query::requery() {
    if (m_open && m_readStamp && m_readText == text() && m_readParameters == parameters() &&
        m_connection.changeStamp() == m_readStamp) {
        m_row = 0;
        return;
    }
    open();
}

int Query::columnIndex(const QString& name) const {
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QVariant Query::value(const QString& name) const {
    const int column = columnIndex(name);
    if (column < 0) {
        throw Error(QStringLiteral("Field '%1' not found").arg(name));
    }
    if (eof()) {
        throw Error(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    }
    return m_rows[m_row][column];
}

QVariant Query::valueAt(int row, int column) const {
    return m_rows.value(row).value(column);
}

}  // namespace ambitra
