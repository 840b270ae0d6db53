#include "core/xbase/FieldList.h"

#include "core/xbase/DbfBuilder.h"
#include "core/xbase/HalcyonError.h"

#include <QSet>

#include <limits>

namespace ambitra {

namespace {

// A decimal integer: optional leading blanks and sign, then digits only.
bool readInteger(QStringView text, int& value) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    qint64 result = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return false;
        }
        result = result * 10 + (text[i].unicode() - u'0');
        if (result > std::numeric_limits<int>::max()) {
            return false;
        }
    }
    value = static_cast<int>(negative ? -result : result);
    return true;
}

// The builder's limits, checked up front so that nothing is written for a list
// that could only give a broken table.
bool fitsTheFormat(const FieldEntry& entry) {
    const QChar type = entry.type.toUpper();
    if (type == u'D' || type == u'L') {
        return true;
    }
    const int maxWidth = type == u'C' ? 0xFFFF : 255;
    return entry.width >= 0 && entry.width <= maxWidth && entry.decimals >= 0 &&
           (type == u'C' || entry.decimals <= 255);
}

}  // namespace

FieldEntry ParseFieldEntry(const QString& entry) {
    FieldEntry result;
    QStringView rest(entry);
    while (!rest.isEmpty() && (rest.back() == u' ' || rest.back() == u';')) {
        rest.chop(1);
    }
    const qsizetype nameEnd = rest.indexOf(u';');
    if (nameEnd < 0) {
        return result;
    }
    result.name = rest.left(nameEnd).toString();
    rest = rest.mid(nameEnd + 1);

    if (rest.indexOf(u';') != 1) {
        return result;
    }
    result.type = rest[0];
    rest = rest.mid(2);

    const qsizetype widthEnd = rest.indexOf(u';');
    if (widthEnd < 0 || !readInteger(rest.left(widthEnd), result.width)) {
        return result;
    }
    rest = rest.mid(widthEnd + 1);

    result.valid = readInteger(rest.left(3), result.decimals);
    return result;
}

void BuildDBFFile(const QString& path, const QStringList& entries, bool ownerOnly) {
    if (entries.isEmpty()) {
        throw EHalcyonError::invalidFieldList();
    }
    QList<FieldEntry> fields;
    QSet<QString> names;
    int recordLength = 1;
    for (const QString& text : entries) {
        FieldEntry field = ParseFieldEntry(text);
        field.name = UpperFieldName(field.name);
        // Names are compared as stored: two names alike in their first 10
        // characters would give a table with one name twice.
        const QString stored = field.name.left(10);
        if (!field.valid || field.name.isEmpty() || names.contains(stored) ||
            !fitsTheFormat(field)) {
            throw EHalcyonError::invalidFieldList();
        }
        names.insert(stored);
        const QChar type = field.type.toUpper();
        recordLength += type == u'D' ? 8 : type == u'L' ? 1 : field.width;
        fields.append(field);
    }
    if (recordLength > 0xFFFF || 33 + 32 * fields.size() > 0xFFFF) {
        throw EHalcyonError::invalidFieldList();
    }
    GSO_DBFoxBuild builder(path);
    builder.SetOwnerOnly(ownerOnly);
    for (const FieldEntry& field : fields) {
        builder.AddField(field.name, field.type, field.width, field.decimals);
    }
    builder.WriteTable();
}

}  // namespace ambitra
