#pragma once

#include <QString>
#include <QVariant>

#include <functional>

class QSqlError;

namespace ambitra {

// Turns the database engine's own (English) error text into the Portuguese text
// the user reads: what went wrong, with the table, the field (caption and column
// name) and the value where the error concerns one, followed by the engine's own
// text in parentheses for support. For example
//
//   "UNIQUE constraint failed: Bens.BECODIGO" with BECODIGO = 0000001 becomes
//   "Bens: o código 0000001 já está cadastrado. (UNIQUE constraint failed: Bens.BECODIGO)"
//
// Every place where an engine error may reach the user (the data layer's
// statements, tables and connection) raises its Error with this text, so windows,
// the synchronisation log, the companions and import runs all show it. Callers
// that hold an engine text of their own (from a QSqlError, say) call translate().
class EngineErrorText {
  public:
    // The value of a column in the row the failed statement wrote (by column
    // name, as declared); an invalid QVariant when unknown.
    using ValueOf = std::function<QVariant(const QString& column)>;

    // The Portuguese text for engineText. valueOf gives the values of the row being
    // written, when there is one; databaseFile names the database file for errors
    // about the file itself. An empty engineText gives an empty text.
    static QString translate(const QString& engineText, const ValueOf& valueOf = {},
                             const QString& databaseFile = {});

    // The engine's own text of a failed statement or connection: the engine's
    // message, else the driver's.
    static QString engineText(const QSqlError& error);

    // The Portuguese text for an error whose meaning is given in the embedded
    // engine's words (meaning) while the engine's own text is another's.
    static QString worded(const QString& meaning, const QString& engineText,
                          const ValueOf& valueOf = {}, const QString& databaseFile = {});

    // A text made by translate() or worded() without the engine's own text at its
    // end, for reports the user reads whole; any other text as it is.
    static QString withoutEngineText(const QString& text);

    // translate(engineText(error), ...), a server's error read by its meaning.
    static QString of(const QSqlError& error, const ValueOf& valueOf = {},
                      const QString& databaseFile = {});
};

}  // namespace ambitra
