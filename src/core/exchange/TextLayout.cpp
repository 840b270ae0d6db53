#include "core/exchange/TextLayout.h"

#include "core/common/Cp1252.h"

#include "core/common/NumberConversions.h"
#include "core/common/DateTextConversions.h"
#include "core/data/Settings.h"
#include "core/xbase/ExchangeLayouts.h"

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

// A date read from a file: its digits as "yyyymmdd", whatever stands between
// them ("yyyy/mm/dd", as delimited files are written, included). Anything else, a day that
// is not in the calendar included, is refused rather than read as some other
// day; an empty value is no date.
QDate readDate(const ExchangeField& field, const QString& text) {
    if (text.isEmpty()) {
        return kZeroDate;
    }
    int digits[8];
    int count = 0;
    for (QChar ch : text) {
        if (ch >= u'0' && ch <= u'9') {
            if (count == 8) {
                count = 9;
                break;
            }
            digits[count++] = ch.unicode() - u'0';
        }
    }
    if (count == 8) {
        const int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
        const int month = digits[4] * 10 + digits[5];
        const int day = digits[6] * 10 + digits[7];
        if (year >= 1 && QDate::isValid(year, month, day)) {
            return QDate(year, month, day);
        }
    }
    throw FieldError(field.name, text,
                     QStringLiteral("não é uma data válida (aceitas: aaaammdd ou aaaa/mm/dd)."));
}

// Characters that would end the line of a text file.
bool holdsLineBreak(QStringView text) {
    return text.contains(u'\n') || text.contains(u'\r');
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
      m_qualifier(settings.TextQualifier),
      // Without a qualifier setting the double quote is the one the reader knows.
      m_readQualifier(m_qualifier.isEmpty() ? QStringLiteral("\"") : m_qualifier) {
    switch (format) {
        case TextFormat::Fixed:
            break;
        case TextFormat::Delimited:
            m_separator = settings.Delimiter;
            break;
        case TextFormat::Csv:
            m_separator = csvSeparator(settings.Delimiter);
            break;
    }
}

void TextLayout::appendFixed(QString& line, const ExchangeField& field,
                             const QVariant& value) const {
    switch (field.kind) {
        case FieldKind::Text: {
            // Counted as the file will hold it: a character beyond the code page
            // (two UTF-16 units) is written as one "?".
            const QString text = cp1252::asWritten(value.toString());
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

void TextLayout::appendQualified(QString& line, QStringView text, QStringView qualifier) const {
    line += qualifier;
    if (text.contains(qualifier)) {
        // A qualifier inside the value is doubled, so that the reader can tell
        // it from the closing one.
        line += text.toString().replace(qualifier.toString(), qualifier.toString() + qualifier);
    } else {
        line += text;
    }
    line += qualifier;
}

// A text as the reader gives it back: the reader removes one enclosing pair of
// braces, then of double quotes, then of the qualifier, so a value that has
// such a pair of its own gets one more. Without a qualifier a value holding the
// separator or opening with a double quote is enclosed in double quotes, the
// one qualifier the reader then knows.
void TextLayout::appendCsvText(QString& line, QStringView text) const {
    QString wrapped;
    QStringView value = text;
    if (value.size() >= 2 && value.startsWith(u'{') && value.endsWith(u'}')) {
        wrapped = QLatin1Char('{') + value + QLatin1Char('}');
        value = wrapped;
    }
    if (m_qualifier.isEmpty()) {
        if (value.contains(m_separator) || value.startsWith(u'"')) {
            appendQualified(line, value, u"\"");
        } else {
            line += value;
        }
        return;
    }
    // A lone double quote counts as such a pair too: the reader would empty it.
    if (m_qualifier != QLatin1String("\"") && value.startsWith(u'"') && value.endsWith(u'"')) {
        wrapped = QLatin1Char('"') + value + QLatin1Char('"');
        value = wrapped;
    }
    appendQualified(line, value, m_qualifier);
}

void TextLayout::appendCsv(QString& line, const ExchangeField& field, const QVariant& value) const {
    switch (field.kind) {
        case FieldKind::Text: {
            const QString text = value.toString();
            appendCsvText(line, trimBlanks(text));
            break;
        }
        case FieldKind::Amount: {
            const QString amount = csvAmountText(value.toDouble(), m_decimalPoint);
            // A decimal mark equal to the separator would split the amount.
            if (!m_qualifier.isEmpty() && amount.contains(m_separator)) {
                appendQualified(line, amount, m_qualifier);
            } else {
                line += amount;
            }
            break;
        }
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
        appendCsvText(line, m_fields[i].label);
    }
    return line;
}

QStringList TextLayout::readValues(QStringView line, int* amountWidth) const {
    QStringList values;
    values.reserve(m_fields.size());
    // The program's own delimited lines are the fixed-width texts with the
    // delimiter between them: a line of exactly that length with the delimiter
    // at every boundary is read by position, so blanks filling a field and a
    // delimiter inside a value stay what they are. Other lines are cut at each
    // delimiter.
    const bool byPosition =
        m_format == TextFormat::Fixed || (m_format == TextFormat::Delimited && hasFixedShape(line));
    const qsizetype gap = m_format == TextFormat::Fixed ? 0 : m_separator.size();
    qsizetype pos = 0;
    for (const ExchangeField& field : m_fields) {
        QString value;
        int width = 0;
        if (byPosition) {
            if (pos < line.size()) {
                value = trimBlanks(line.mid(pos, field.width)).toString();
            }
            pos += field.width + gap;
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
        if (field.kind == FieldKind::Amount && amountWidth) {
            *amountWidth = width;
        }
        values << value;
    }
    return values;
}

bool TextLayout::hasFixedShape(QStringView line) const {
    qsizetype length = m_separator.size() * (m_fields.size() - 1);
    for (const ExchangeField& field : m_fields) {
        length += field.width;
    }
    if (line.size() != length) {
        return false;
    }
    qsizetype pos = 0;
    for (int i = 0; i + 1 < m_fields.size(); ++i) {
        pos += m_fields[i].width;
        if (line.mid(pos, m_separator.size()) != m_separator) {
            return false;
        }
        pos += m_separator.size();
    }
    return true;
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
    const QString& qualifier = m_readQualifier;
    if (qualifier != m_separator && line.mid(first).startsWith(qualifier)) {
        QString content;
        const qsizetype end = readQualified(line, first, qualifier, content);
        if (end >= 0) {
            width = static_cast<int>(end - start);
            pos = end + m_separator.size();
            QStringView value = content;
            if (qualifier != QLatin1String("\"")) {
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
qsizetype TextLayout::readQualified(QStringView line, qsizetype start, QStringView q,
                                    QString& content) const {
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

QVariant TextLayout::toValue(const ExchangeField& field, const QString& text,
                             int amountWidth) const {
    switch (field.kind) {
        case FieldKind::Text:
            return text;
        case FieldKind::Amount: {
            if (text.isEmpty()) {
                return 0.0;
            }
            const std::optional<double> amount =
                TextToNumber(normaliseAmount(text, amountWidth, m_decimalPoint));
            if (!amount) {
                throw FieldError(field.name, text,
                                 QStringLiteral("não é um valor numérico válido."));
            }
            if (std::abs(*amount) > kMaxAmount) {
                throw FieldError(field.name, text, amountRangeReason());
            }
            return *amount;
        }
        case FieldKind::Date:
            return readDate(field, text);
    }
    return {};
}

QString amountRangeReason() {
    return QStringLiteral("está fora dos limites do campo (-99999999,999 a 99999999,999).");
}

QString TextLayout::unwritable(const QVariantList& values) const {
    const bool fixed = m_format != TextFormat::Csv;
    for (int i = 0; i < m_fields.size(); ++i) {
        const ExchangeField& field = m_fields[i];
        const QVariant& value = values.value(i);
        if (field.kind == FieldKind::Text) {
            const QString text = value.toString();
            if (holdsLineBreak(text)) {
                return FieldError(field.name, text,
                                  QStringLiteral("contém uma quebra de linha, que um arquivo "
                                                 "texto não comporta."))
                    .message();
            }
            if (fixed && cp1252::asWritten(text).size() > field.width) {
                return FieldError(field.name, text,
                                  QStringLiteral("tem mais que os %1 caracteres do campo.")
                                      .arg(field.width))
                    .message();
            }
        } else if (field.kind == FieldKind::Amount && fixed) {
            const double amount = amountOf(value);
            QString body = QString::number(std::abs(amount), 'f', 3);
            body.replace(QLatin1Char('.'), m_decimalPoint);
            if (body.size() + (amount < 0 ? 1 : 0) > 12) {
                return FieldError(field.name, QString::number(amount, 'f', 3),
                                  QStringLiteral("não cabe nos 12 caracteres do campo."))
                    .message();
            }
        }
    }
    return {};
}

}  // namespace ambitra
