#pragma once

#include "core/count/Reading.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace ambitra {

// The readings a handheld sends through the service, read from the JSON of the
// request and checked against the register's rules before anything is stored:
// the sizes of the asset's fields, amounts, dates, the reading's identifier and
// that its location and operator exist. One bad reading refuses the whole
// request, naming the reading, the field and the reason.
class UnloadRequest {
  public:
    static constexpr int kMaxReadings = 20000;

    // What the register knows: location codes and operator names.
    struct Known {
        QSet<QString> locations;
        QSet<QString> operators;
    };

    // Reads body; false with error() set when anything in it is wrong.
    bool parse(const QByteArray& body, const Known& known);

    const QString& error() const { return m_error; }
    int count() const { return m_count; }
    // In the order sent, each with its identifier.
    const QList<Reading>& readings() const { return m_readings; }

    // Whether text is a reading identifier: 8 to 64 of A-Z, a-z, 0-9, "_", "-".
    static bool validId(const QString& text);

  private:
    bool fail(const QString& error);

    QString m_error;
    int m_count = 0;
    QList<Reading> m_readings;
};

}  // namespace ambitra
