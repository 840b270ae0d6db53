#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable failure messages for Qt values in GoogleTest assertions.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *os << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    }
    *os << '}';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '"';
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r') {
            *out << "\\r";
        } else if (byte == '\n') {
            *out << "\\n";
        } else if (byte < 0x20 || byte >= 0x7F) {
            const char* hex = "0123456789ABCDEF";
            *out << "\\x" << hex[byte >> 4] << hex[byte & 15];
        } else {
            *out << c;
        }
    }
    *out << '"';
}
