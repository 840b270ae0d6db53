#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace ambitra {

class Reading;

// The register's row a reading is compared with, as the unload found it.
struct RegisterRow {
    bool known = false;  // the register holds the reading's code
    QVariant location;
    QVariant condition;
    QVariant serial;
};

// What a reading says against the register. A code the register holds is
// moved, condition, serial or unchanged, by the first of its values that
// differs; a code it does not hold is invalid when it fails the coding's check
// digit, else new.
enum class ReadingClass { Moved, Condition, Serial, Unchanged, New, Invalid };

// The class's name as the register keeps it (Leituras.LECLASSE) and the
// listings show it: "moved", "condition", ...
QString readingClassName(ReadingClass readingClass);
// The class of a kept name; none for a name no class has.
std::optional<ReadingClass> readingClassNamed(const QString& name);
// Whether a kept name is the name of that class.
bool isReadingClass(const QString& name, ReadingClass readingClass);

// The class of one reading against its row (coding: the setting's "EAN8", ...).
ReadingClass classOf(const Reading& reading, const RegisterRow& row, const QString& coding);

// The same rule over the kept readings of a batch, in the database: statements
// to run in order, each bound to the count, the first and the last place. The
// first classifies the codes the register holds and keeps the values they were
// compared with, the second the others (LEINVALIDO: the check-digit test made
// when the reading was kept).
QStringList classifyBatchStatements();

}  // namespace ambitra
