#pragma once

#include "core/common/Error.h"

#include <QString>

namespace ambitra {

// A failure of the dBase file level: the file cannot be found, opened, read or
// written, its header is unusable, or a field value does not fit. The texts are
// the ones the users of this program have always seen from the table layer.
class EHalcyonError : public Error {
  public:
    using Error::Error;

    static EHalcyonError accessDenied(const QString& path) {
        return EHalcyonError(QStringLiteral("Access denied to file ") + path);
    }
    static EHalcyonError invalidHeader(const QString& path) {
        return EHalcyonError(QStringLiteral("Table Header for ") + path +
                             QStringLiteral(" is invalid"));
    }
    static EHalcyonError readFailed(const QString& path) {
        return EHalcyonError(QStringLiteral("Error on Read of file ") + path);
    }
    static EHalcyonError encrypted(const QString& path) {
        return EHalcyonError(QStringLiteral("No Password for encrypted file ") + path);
    }
    static EHalcyonError cannotCreate(const QString& path) {
        return EHalcyonError(QStringLiteral("Could not create file ") + path);
    }
    static EHalcyonError writeFailed(const QString& path) {
        return EHalcyonError(QStringLiteral("Error writing to ") + path);
    }
    // table: the file name without folder and extension.
    static EHalcyonError invalidNumber(const QString& table, const QString& field,
                                       const QString& text) {
        return EHalcyonError(QStringLiteral("Invalid numeric value in field ") + table +
                             QStringLiteral("->") + field + QStringLiteral(" (") + text +
                             QStringLiteral(")"));
    }
    static EHalcyonError numberTooBig(const QString& field, const QString& formatted) {
        return EHalcyonError(QStringLiteral("numeric value too big in field ") + field +
                             QStringLiteral(" - ") + formatted);
    }
    static EHalcyonError invalidDate(const QString& field, const QString& text) {
        return EHalcyonError(QStringLiteral("Invalid date value in field ") + field +
                             QStringLiteral(" (") + text + QStringLiteral(")"));
    }
    static EHalcyonError invalidFieldList() {
        return EHalcyonError(QStringLiteral("Field list is invalid"));
    }
};

}  // namespace ambitra
