#include "core/count/ReadingClass.h"

#include "core/count/Reading.h"

#include <array>
#include <utility>

namespace ambitra {

namespace {

constexpr std::array<std::pair<ReadingClass, const char*>, 6> kNames{{
    {ReadingClass::Moved, "moved"},
    {ReadingClass::Condition, "condition"},
    {ReadingClass::Serial, "serial"},
    {ReadingClass::Unchanged, "unchanged"},
    {ReadingClass::New, "new"},
    {ReadingClass::Invalid, "invalid"},
}};

// The name as an SQL literal.
QString literal(ReadingClass readingClass) {
    return QLatin1Char('\'') + readingClassName(readingClass) + QLatin1Char('\'');
}

}  // namespace

QString readingClassName(ReadingClass readingClass) {
    for (const auto& [c, name] : kNames) {
        if (c == readingClass) {
            return QString::fromLatin1(name);
        }
    }
    return {};
}

std::optional<ReadingClass> readingClassNamed(const QString& name) {
    for (const auto& [c, text] : kNames) {
        if (name == QLatin1String(text)) {
            return c;
        }
    }
    return std::nullopt;
}

bool isReadingClass(const QString& name, ReadingClass readingClass) {
    return readingClassNamed(name) == readingClass;
}

ReadingClass classOf(const Reading& reading, const RegisterRow& row, const QString& coding) {
    if (!row.known) {
        return FailsCheckDigit(reading.code(), coding) ? ReadingClass::Invalid : ReadingClass::New;
    }
    if (ValueChanged(row.location, reading.stored(Reading::Location))) {
        return ReadingClass::Moved;
    }
    if (ValueChanged(row.condition, reading.stored(Reading::Condition))) {
        return ReadingClass::Condition;
    }
    if (ValueChanged(row.serial, reading.stored(Reading::Serial))) {
        return ReadingClass::Serial;
    }
    return ReadingClass::Unchanged;
}

QStringList classifyBatchStatements() {
    // IS DISTINCT FROM is ValueChanged: two nulls are equal, a null and a text
    // are not, texts compare in binary order on both engines.
    const QString known =
        QStringLiteral(
            "UPDATE Leituras SET LELOCANT = Bens.BELOCAL, LESITANT = Bens.BESITUACAO, LESERANT = "
            "Bens.BENSERIE, LECLASSE = CASE WHEN Leituras.LELOCAL IS DISTINCT FROM Bens.BELOCAL "
            "THEN %1 WHEN Leituras.LESITUACAO IS DISTINCT FROM Bens.BESITUACAO THEN %2 WHEN "
            "Leituras.LENSERIE IS DISTINCT FROM Bens.BENSERIE THEN %3 ELSE %4 END FROM Bens "
            "WHERE Bens.BECODIGO = Leituras.LEBEM AND Leituras.LECONTAGEM = ? AND "
            "Leituras.LESEQ BETWEEN ? AND ?")
            .arg(literal(ReadingClass::Moved), literal(ReadingClass::Condition),
                 literal(ReadingClass::Serial), literal(ReadingClass::Unchanged));
    const QString unknown =
        QStringLiteral(
            "UPDATE Leituras SET LECLASSE = CASE WHEN LEINVALIDO = 1 THEN %1 ELSE %2 END WHERE "
            "LECONTAGEM = ? AND LESEQ BETWEEN ? AND ? AND LECLASSE IS NULL")
            .arg(literal(ReadingClass::Invalid), literal(ReadingClass::New));
    return {known, unknown};
}

}  // namespace ambitra
