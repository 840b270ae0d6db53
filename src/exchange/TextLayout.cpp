#include "exchange/TextLayout.h"

#include "common/Conversions.h"
#include "data/Settings.h"
#include "xbase/ExchangeLayouts.h"

#include <QDate>
#include <QDateTime>

#include <cmath>

namespace ambitra {

QString textFileName(const QString& tableName, TextFormat format) {
    return ExchangeFileName(
        tableName, format == TextFormat::Csv ? QStringLiteral(".CSV") : QStringLiteral(".TXT"));
}

namespace {

bool isBlank(QChar ch) {
    return ch.unicode() <= u' ';
}

// A date column's day, or none for null and the zero date.
QDate dayOf(const QVariant& value) {
    if (value.isNull() || !value.isValid()) {
        return {};
    }
    const QDate day =
        value.typeId() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
    return day == kZeroDate ? QDate() : day;
}

// The day as digits with an optional separator ("yyyymmdd", "yyyy/mm/dd"),
// written by hand: this runs for two columns of every asset.
void appendDay(QString& out, const QDate& day, char16_t separator) {
    int y = 0;
    int m = 0;
    int d = 0;
    day.getDate(&y, &m, &d);
    const char16_t digits[] = {char16_t(u'0' + y / 1000 % 10),
                               char16_t(u'0' + y / 100 % 10),
                               char16_t(u'0' + y / 10 % 10),
                               char16_t(u'0' + y % 10),
                               separator,
                               char16_t(u'0' + m / 10),
                               char16_t(u'0' + m % 10),
                               separator,
                               char16_t(u'0' + d / 10),
                               char16_t(u'0' + d % 10)};
    if (separator == 0) {
        const char16_t packed[] = {digits[0], digits[1], digits[2], digits[3],
                                   digits[5], digits[6], digits[8], digits[9]};
        out.append(reinterpret_cast<const QChar*>(packed), 8);
    } else {
        out.append(reinterpret_cast<const QChar*>(digits), 10);
    }
}

// The amount rounded to the three decimals written; a negative amount that
// rounds to zero is zero.
double amountOf(const QVariant& value) {
    const double rounded = std::round(value.toDouble() * 1000.0) / 1000.0;
    return rounded == 0.0 ? 0.0 : rounded;
}

// Removes one enclosing pair when the text starts with open and ends with close.
QStringView withoutPair(QStringView text, QStringView open, QStringView close) {
    if (open.isEmpty() || !text.startsWith(open) || !text.endsWith(close)) {
        return text;
    }
    const qsizetype inner = text.size() - open.size() - close.size();
    return inner > 0 ? text.mid(open.size(), inner) : QStringView();
}

// A date read from a file. The general reader clamps the day of February to 28
// even in leap years; a date that is valid as written is taken as it stands,
// so 29 February comes back as it went out.
QDate readDate(const QString& text) {
    int digits[8];
    int count = 0;
    for (QChar ch : text) {
        if (ch >= u'0' && ch <= u'9') {
            if (count == 8) {
                return TextToDate(text);
            }
            digits[count++] = ch.unicode() - u'0';
        }
    }
    if (count == 8) {
        const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
        const int month = digits[4] * 10 + digits[5];
        const int day = digits[6] * 10 + digits[7];
        if (year >= 1899 && QDate::isValid(year, month, day)) {
            return QDate(year, month, day);
        }
    }
    return TextToDate(text);
}

}  // namespace

QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString fixedAmountText(double value, const QString& decimalPoint) {
    const double amount = amountOf(value);
    QString body = QString::number(std::abs(amount), 'f', 3);
    body.replace(QLatin1Char('.'), decimalPoint);
    // The sign goes first: behind the fill zeros ("000-1234.500") no reader
    // would see it.
    if (amount < 0) {
        body.prepend(QLatin1Char('-'));
        if (body.size() < 12) {
            body.insert(1, QString(12 - body.size(), u'0'));
        }
        return body.left(12);
    }
    return PadLeft(body, 12, u'0');
}

QString csvAmountText(double value, const QString& decimalPoint) {
    QString text = QString::number(amountOf(value), 'f', 3);
    text.replace(QLatin1Char('.'), decimalPoint);
    return text;
}

QString normaliseAmount(const QString& value, int width, const QString& decimalPoint) {
    const QChar point = QLatin1Char('.');
    if (value.contains(point)) {
        return value;
    }
    QString text = value;
    if (!decimalPoint.isEmpty()) {
        text.replace(decimalPoint, QString(point), Qt::CaseInsensitive);
    }
    if (text.contains(point)) {
        return text;
    }
    text = PadLeft(text, width, u'0');
    text.insert(std::max<qsizetype>(0, text.size() - 3), point);
    return text;
}

TextLayout::TextLayout(TextFormat format, QList<ExchangeField> fields, const Settings& settings)
    : m_format(format),
      m_fields(std::move(fields)),
      m_decimalPoint(settings.DecimalPoint),
      m_qualifier(settings.TextQualifier) {
    switch (format) {
        case TextFormat::Fixed:
            break;
        case TextFormat::Delimited:
            m_separator = settings.Delimiter;
            break;
        case TextFormat::Csv:
            m_separator =
                settings.Delimiter == QLatin1String(",") || settings.Delimiter == QLatin1String(";")
                    ? settings.Delimiter
                    : QStringLiteral(",");
            break;
    }
}

void TextLayout::appendFixed(QString& line, const ExchangeField& field,
                             const QVariant& value) const {
    switch (field.kind) {
        case FieldKind::Text: {
            const QString text = value.toString();
            line += QStringView(text).left(field.width);
            if (text.size() < field.width) {
                line.append(QString(field.width - text.size(), u' '));
            }
            break;
        }
        case FieldKind::Amount:
            line += fixedAmountText(value.toDouble(), m_decimalPoint);
            break;
        case FieldKind::Date: {
            const QDate day = dayOf(value);
            if (day.isValid()) {
                appendDay(line, day, 0);
            } else {
                line.append(QString(8, u' '));
            }
            break;
        }
    }
}

void TextLayout::appendQualified(QString& line, QStringView text) const {
    if (m_qualifier.isEmpty()) {
        line += text;
        return;
    }
    line += m_qualifier;
    if (text.contains(m_qualifier)) {
        // A qualifier inside the value is doubled, so that the reader can tell
        // it from the closing one.
        line += text.toString().replace(m_qualifier, m_qualifier + m_qualifier);
    } else {
        line += text;
    }
    line += m_qualifier;
}

void TextLayout::appendCsv(QString& line, const ExchangeField& field, const QVariant& value) const {
    switch (field.kind) {
        case FieldKind::Text: {
            const QString text = value.toString();
            appendQualified(line, trimBlanks(text));
            break;
        }
        case FieldKind::Amount:
            line += csvAmountText(value.toDouble(), m_decimalPoint);
            break;
        case FieldKind::Date: {
            const QDate day = dayOf(value);
            if (day.isValid()) {
                appendDay(line, day, u'/');
            }
            break;
        }
    }
}

void TextLayout::appendLine(QString& line, const QVariantList& values) const {
    for (int i = 0; i < m_fields.size(); ++i) {
        if (i > 0) {
            line += m_separator;
        }
        if (m_format == TextFormat::Csv) {
            appendCsv(line, m_fields[i], values.value(i));
        } else {
            appendFixed(line, m_fields[i], values.value(i));
        }
    }
}

QString TextLayout::formatLine(const QVariantList& values) const {
    QString line;
    appendLine(line, values);
    return line;
}

QString TextLayout::headerLine() const {
    QString line;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (i > 0) {
            line += m_separator;
        }
        appendQualified(line, m_fields[i].label);
    }
    return line;
}

QStringList TextLayout::readValues(QStringView line) const {
    QStringList values;
    values.reserve(m_fields.size());
    qsizetype pos = 0;
    for (const ExchangeField& field : m_fields) {
        QString value;
        int width = 0;
        if (m_format == TextFormat::Fixed) {
            if (pos < line.size()) {
                value = trimBlanks(line.mid(pos, field.width)).toString();
            }
            pos += field.width;
            width = field.width;
        } else if (pos <= line.size()) {
            if (m_format == TextFormat::Csv) {
                value = readCsvValue(line, pos, width);
            } else {
                qsizetype end = m_separator.isEmpty() ? -1 : line.indexOf(m_separator, pos);
                if (end < 0) {
                    end = line.size();
                }
                value = trimBlanks(line.mid(pos, end - pos)).toString();
                width = static_cast<int>(end - pos);
                pos = end + std::max<qsizetype>(1, m_separator.size());
            }
        }
        if (field.kind == FieldKind::Amount) {
            value = normaliseAmount(value, width, m_decimalPoint);
        }
        values << value;
    }
    return values;
}

// One comma-separated value from pos; pos moves past its separator. A value
// that opens with the qualifier is read up to the closing qualifier, so the
// separator may occur inside it and a doubled qualifier stands for one. Any
// other value (or a qualified one followed by more text) ends at the next
// separator and loses its enclosing qualifier, double quotes and braces.
QString TextLayout::readCsvValue(QStringView line, qsizetype& pos, int& width) const {
    const qsizetype start = pos;
    qsizetype first = start;
    while (first < line.size() && isBlank(line[first])) {
        ++first;
    }
    const bool canQualify = !m_qualifier.isEmpty() && m_qualifier != m_separator;
    if (canQualify && line.mid(first).startsWith(m_qualifier)) {
        QString content;
        const qsizetype end = readQualified(line, first, content);
        if (end >= 0) {
            width = static_cast<int>(end - start);
            pos = end + m_separator.size();
            QStringView value = content;
            if (m_qualifier != QLatin1String("\"")) {
                value = withoutPair(value, u"\"", u"\"");
            }
            return withoutPair(value, u"{", u"}").toString();
        }
    }
    qsizetype end = line.indexOf(m_separator, start);
    if (end < 0) {
        end = line.size();
    }
    width = static_cast<int>(end - start);
    pos = end + m_separator.size();
    return unqualified(trimBlanks(line.mid(start, end - start)));
}

// Reads the qualified value that opens at start; gives the index where the
// field ends (its separator or the line's end), or -1 when the value is not
// closed or something other than blanks follows the closing qualifier.
qsizetype TextLayout::readQualified(QStringView line, qsizetype start, QString& content) const {
    const QStringView q = m_qualifier;
    qsizetype from = start + q.size();
    for (;;) {
        const qsizetype at = line.indexOf(q, from);
        if (at < 0) {
            return -1;
        }
        content += line.mid(from, at - from);
        from = at + q.size();
        if (line.mid(from).startsWith(q)) {
            content += q;
            from += q.size();
            continue;
        }
        qsizetype end = from;
        while (end < line.size() && isBlank(line[end])) {
            ++end;
        }
        return end == line.size() || line.mid(end).startsWith(m_separator) ? end : -1;
    }
}

QString TextLayout::unqualified(QStringView value) const {
    QStringView v = withoutPair(value, m_qualifier, m_qualifier);
    v = withoutPair(v, u"\"", u"\"");
    return withoutPair(v, u"{", u"}").toString();
}

QVariant TextLayout::toValue(const ExchangeField& field, const QString& text) {
    switch (field.kind) {
        case FieldKind::Text:
            return text;
        case FieldKind::Amount:
            return TextToFloat(text);
        case FieldKind::Date:
            return readDate(text);
    }
    return {};
}

}  // namespace ambitra
