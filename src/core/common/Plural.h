#pragma once

#include <QString>

namespace ambitra {

// A count with its noun in the number it takes: "1 leitura", "0 leituras",
// "2 leituras".
inline QString countOf(qsizetype n, const QString& singular, const QString& plural) {
    return QString::number(n) + u' ' + (n == 1 ? singular : plural);
}

}  // namespace ambitra
