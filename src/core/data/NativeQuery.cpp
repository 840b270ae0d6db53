#include "core/data/NativeQuery.h"

#include "core/common/Error.h"
#include "core/data/EngineErrorText.h"

#include <QSqlDatabase>
#include <QSqlDriver>

#include <sqlite3.h>

#include <cstring>

namespace ambitra {

namespace {

sqlite3* handleOf(const QSqlDatabase& database) {
    const QVariant handle = database.driver() != nullptr ? database.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        return nullptr;
    }
    return *static_cast<sqlite3* const*>(handle.constData());
}

// The text as UTF-8 in out, reusing out's storage: the values a run binds for
// every record are mostly short, and a new array for each would cost more than
// the conversion. A lone surrogate goes to the general conversion, which words
// it as every other path of the program does.
void utf8Into(QStringView text, QByteArray& out) {
    const qsizetype size = text.size();
    out.resize(size);
    char* to = out.data();
    const char16_t* from = text.utf16();
    qsizetype i = 0;
    while (i < size && from[i] < 0x80) {
        to[i] = static_cast<char>(from[i]);
        ++i;
    }
    if (i == size) {
        return;
    }
    out.resize(i + (size - i) * 3);
    auto* at = reinterpret_cast<unsigned char*>(out.data()) + i;
    for (; i < size; ++i) {
        const char32_t c = from[i];
        if (c < 0x80) {
            *at++ = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            *at++ = static_cast<unsigned char>(0xc0 | c >> 6);
            *at++ = static_cast<unsigned char>(0x80 | (c & 0x3f));
        } else if (c < 0xd800 || c > 0xdfff) {
            *at++ = static_cast<unsigned char>(0xe0 | c >> 12);
            *at++ = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3f));
            *at++ = static_cast<unsigned char>(0x80 | (c & 0x3f));
        } else if (c < 0xdc00 && i + 1 < size && from[i + 1] >= 0xdc00 && from[i + 1] <= 0xdfff) {
            // A pair: four bytes, in the room of the two characters' six.
            const char32_t point = 0x10000 + ((c - 0xd800) << 10) + (from[i + 1] - 0xdc00);
            *at++ = static_cast<unsigned char>(0xf0 | point >> 18);
            *at++ = static_cast<unsigned char>(0x80 | (point >> 12 & 0x3f));
            *at++ = static_cast<unsigned char>(0x80 | (point >> 6 & 0x3f));
            *at++ = static_cast<unsigned char>(0x80 | (point & 0x3f));
            ++i;
        } else {
            out = text.toUtf8();
            return;
        }
    }
    out.truncate(reinterpret_cast<char*>(at) - out.data());
}

}  // namespace

std::optional<ChangeStamp> changeStampOf(const QSqlDatabase& database, qint64 opening) {
    sqlite3* db = handleOf(database);
    if (db == nullptr || sqlite3_get_autocommit(db) == 0) {
        return std::nullopt;
    }
    sqlite3_stmt* version = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA data_version", -1, &version, nullptr) != SQLITE_OK) {
        return std::nullopt;
    }
    const bool read = sqlite3_step(version) == SQLITE_ROW;
    const qint64 commits = read ? sqlite3_column_int64(version, 0) : 0;
    sqlite3_finalize(version);
    if (!read) {
        return std::nullopt;
    }
    return ChangeStamp{opening, commits, sqlite3_total_changes64(db)};
}

NativeQuery::~NativeQuery() {
    clear();
}

void NativeQuery::clear() {
    if (m_statement != nullptr) {
        sqlite3_finalize(m_statement);
    }
    m_statement = nullptr;
    m_database = nullptr;
}

bool NativeQuery::prepare(const QSqlDatabase& database, const QString& sql) {
    clear();
    sqlite3* db = handleOf(database);
    if (db == nullptr) {
        return false;
    }
    const QByteArray text = sql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &m_statement,
                           &tail) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        clear();
        throw Error(EngineErrorText::translate(message));
    }
    if (tail != nullptr && !QByteArray(tail).trimmed().isEmpty()) {
        clear();
        return false;
    }
    m_database = db;
    return true;
}

void NativeQuery::exec(const QString* parameter) {
    sqlite3_reset(m_statement);
    if (parameter != nullptr) {
        const QByteArray text = parameter->toUtf8();
        sqlite3_bind_text(m_statement, 1, text.constData(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
}

bool NativeQuery::next() {
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_database));
        finish();
        throw Error(EngineErrorText::translate(message));
    }
    return false;
}

QVariant NativeQuery::value(int column) const {
    switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
            return static_cast<qlonglong>(sqlite3_column_int64(m_statement, column));
        case SQLITE_FLOAT:
            return sqlite3_column_double(m_statement, column);
        default: {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
            return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column));
        }
    }
}

void NativeQuery::bind(int index, const QVariant& value) {
    const int place = index + 1;
    if (value.isNull() || !value.isValid()) {
        sqlite3_bind_null(m_statement, place);
        return;
    }
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            sqlite3_bind_double(m_statement, place, value.toDouble());
            return;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            sqlite3_bind_int64(m_statement, place, value.toLongLong());
            return;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            sqlite3_bind_blob(m_statement, place, bytes.constData(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
            return;
        }
        case QMetaType::QString:
            bindText(index, *static_cast<const QString*>(value.constData()));
            return;
        default: {
            const QByteArray text = value.toString().toUtf8();
            sqlite3_bind_text(m_statement, place, text.constData(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
            return;
        }
    }
}

void NativeQuery::bindNull(int index) {
    sqlite3_bind_null(m_statement, index + 1);
}

void NativeQuery::bindReal(int index, double value) {
    sqlite3_bind_double(m_statement, index + 1, value);
}

QByteArray& NativeQuery::textBuffer(int index) {
    if (m_texts.size() <= static_cast<size_t>(index)) {
        m_texts.resize(static_cast<size_t>(index) + 1);
    }
    return m_texts[static_cast<size_t>(index)];
}

void NativeQuery::bindText(int index, QStringView text) {
    // Kept here until the run ends, so that the engine need not copy it.
    QByteArray& bytes = textBuffer(index);
    utf8Into(text, bytes);
    sqlite3_bind_text(m_statement, index + 1, bytes.constData(), static_cast<int>(bytes.size()),
                      SQLITE_STATIC);
}

void NativeQuery::bindAscii(int index, const char* text, int size) {
    QByteArray& bytes = textBuffer(index);
    bytes.resize(size);
    std::memcpy(bytes.data(), text, static_cast<size_t>(size));
    sqlite3_bind_text(m_statement, index + 1, bytes.constData(), size, SQLITE_STATIC);
}

void NativeQuery::bind(const QString& name, const QVariant& value) {
    const int place = sqlite3_bind_parameter_index(m_statement, name.toUtf8().constData());
    if (place > 0) {
        bind(place - 1, value);
    }
}

bool NativeQuery::execute() {
    int result = sqlite3_step(m_statement);
    while (result == SQLITE_ROW) {
        result = sqlite3_step(m_statement);
    }
    const bool ok = result == SQLITE_DONE;
    m_error = ok ? QString() : QString::fromUtf8(sqlite3_errmsg(m_database));
    finish();
    return ok;
}

void NativeQuery::finish() {
    if (m_statement != nullptr) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
}

}  // namespace ambitra
