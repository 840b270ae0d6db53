#include "core/log/LogCsv.h"

#include "core/common/DateTextConversions.h"
#include "core/common/Cp1252.h"
#include "core/common/Error.h"
#include "core/common/OutputFile.h"
#include "core/common/Progress.h"
#include "core/data/KeysetQuery.h"
#include "core/data/Schema.h"
#include "core/data/Settings.h"
#include "core/data/SqlValue.h"

#include <QDateTime>
#include <QDir>
#include <QIODevice>

namespace ambitra {

namespace {

const QString kZeroDateText = QStringLiteral("1899/12/30");

// Leading and trailing blanks and control characters removed.
QString trimmedText(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ') {
        ++begin;
    }
    while (end > begin && text[end - 1].unicode() <= u' ') {
        --end;
    }
    return text.mid(begin, end - begin);
}

void appendLine(QByteArray& out, const QStringList& fields, const QString& delimiter) {
    cp1252::appendEncoded(out, fields.join(delimiter));
    out.append("\r\n", 2);
}

void flush(QIODevice& out, QByteArray& buffer) {
    if (out.write(buffer) != buffer.size()) {
        throw Error(out.errorString());
    }
    buffer.clear();
}

}  // namespace

LogCsvFormat::LogCsvFormat(const Settings& settings)
    : m_delimiter(csvSeparator(settings.Delimiter)), m_qualifier(settings.TextQualifier) {}

QString LogCsvFormat::quoted(const QString& text) const {
    if (m_qualifier.isEmpty()) {
        return text;
    }
    QString value = text;
    value.replace(m_qualifier, m_qualifier + m_qualifier);
    return m_qualifier + value + m_qualifier;
}

QString LogCsvFormat::dateTimeFields(const QVariant& when) const {
    // A row without a moment reads as the zero day at midnight.
    const QDateTime moment = when.isNull() ? QDateTime(kZeroDate, QTime(0, 0)) : when.toDateTime();
    QString text = moment.toString(QStringLiteral("yyyy/MM/dd")) + m_delimiter +
                   moment.toString(QStringLiteral("HH:mm:ss"));
    return text.remove(kZeroDateText);
}

QString LogCsvFormat::storedDateTimeFields(const QVariant& stored) const {
    // "yyyy-MM-dd HH:mm:ss[.zzz]": cut apart when it is a valid moment in that form.
    const QString s = stored.toString();
    auto number = [&s](int at, int length) {
        int n = 0;
        for (int i = at; i < at + length; ++i) {
            if (!s[i].isDigit()) {
                return -1;
            }
            n = n * 10 + s[i].digitValue();
        }
        return n;
    };
    if (!stored.isNull() && s.size() >= 19 && s[4] == u'-' && s[7] == u'-' && s[10] == u' ' &&
        s[13] == u':' && s[16] == u':' &&
        QDate::isValid(number(0, 4), number(5, 2), number(8, 2)) &&
        QTime::isValid(number(11, 2), number(14, 2), number(17, 2))) {
        QString text =
            s.left(4) + u'/' + s.mid(5, 2) + u'/' + s.mid(8, 2) + m_delimiter + s.mid(11, 8);
        return text.remove(kZeroDateText);
    }
    return dateTimeFields(sqlvalue::fromSql(stored, ColumnType::DateTime));
}

QByteArray LogCsvFormat::header() const {
    const QList<ColumnDef>& columns = schema::log().columns;
    QStringList fields{quoted(columns[0].label), quoted(QString())};
    for (int i = 1; i < columns.size(); ++i) {
        fields << quoted(columns[i].label);
    }
    QByteArray out;
    appendLine(out, fields, m_delimiter);
    return out;
}

QByteArray LogCsvFormat::line(const QString& dateTimeFields, const QVariant& user,
                              const QVariant& op, const QVariant& asset,
                              const QVariant& occurrence) const {
    QStringList fields{dateTimeFields};
    for (const QVariant* v : {&user, &op, &asset, &occurrence}) {
        fields << quoted(v->isNull() ? QString() : trimmedText(v->toString()));
    }
    QByteArray out;
    appendLine(out, fields, m_delimiter);
    return out;
}

int writeLogCsv(KeysetQuery& rows, const LogCsvFormat& format, QIODevice& out) {
    return writeLogCsv(rows, format, out, noProgress());
}

int writeLogCsv(KeysetQuery& rows, const LogCsvFormat& format, QIODevice& out, Progress& progress) {
    if (rows.isEmpty()) {
        return 0;
    }
    const int when = rows.columnIndex(QStringLiteral("LGDATA"));
    const int user = rows.columnIndex(QStringLiteral("LGUSUARIO"));
    const int op = rows.columnIndex(QStringLiteral("LGOPERADOR"));
    const int asset = rows.columnIndex(QStringLiteral("LGBEM"));
    const int occurrence = rows.columnIndex(QStringLiteral("LGOCORRENC"));
    QByteArray buffer = format.header();
    BusyGuard busy(progress);
    progress.setMaximum(rows.rowCount());
    progress.setValue(0);
    int count = 0;
    for (rows.first(); !rows.eof(); rows.next()) {
        const int r = rows.position();
        buffer +=
            format.line(format.storedDateTimeFields(rows.storedAt(r, when)), rows.valueAt(r, user),
                        rows.valueAt(r, op), rows.valueAt(r, asset), rows.valueAt(r, occurrence));
        ++count;
        progress.advance();
        if (buffer.size() >= 64 * 1024) {
            flush(out, buffer);
        }
    }
    flush(out, buffer);
    rows.last();
    return count;
}

void CsvLines::add(const QStringList& fields) {
    cp1252::appendEncoded(m_bytes, fields.join(m_format.delimiter()));
    m_bytes.append("\r\n", 2);
}

void CsvLines::writeTo(QIODevice& out) const {
    if (out.write(m_bytes) != m_bytes.size()) {
        throw Error(out.errorString());
    }
}

void saveCsvFile(const QString& path, const OwnFiles& own,
                 const std::function<void(QIODevice&)>& write) {
    OutputFile file(path, own);
    const QString cannotCreate = QStringLiteral("Arquivo ") + QDir::toNativeSeparators(path) +
                                 QStringLiteral(" não pode ser criado!");
    if (!file.open()) {
        throw Error(cannotCreate);
    }
    write(file.device());
    if (!file.commit()) {
        throw Error(cannotCreate);
    }
}

}  // namespace ambitra
