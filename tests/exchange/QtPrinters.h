#pragma once

#include <QByteArray>
#include <QString>

#include <ostream>

// Readable failure messages for Qt text values.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
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
