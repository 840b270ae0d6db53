#include "core/legacy/LegacyFile.h"

#include "core/common/Error.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

// The library's header includes glib inside its own extern "C" block, which
// C++ cannot take: glib comes first, on its own.
#include <glib.h>
#include <mdbtools.h>

namespace ambitra::legacy {

namespace {

constexpr int kPageSize = 4096;
constexpr int kOffsetMask = 0x1fff;
constexpr int kMemoHeader = 12;
constexpr qsizetype kHeaderBytes = 0x80;

const char kJetSignature[] = "Standard Jet DB";
const char kAceSignature[] = "Standard ACE DB";

QString shown(const QString& name) {
    return QDir::toNativeSeparators(name);
}

[[noreturn]] void refuse(const QString& text) {
    throw Error(text);
}

[[noreturn]] void damaged(const QString& file, const QString& reason) {
    refuse(QStringLiteral("O arquivo %1 está danificado ou incompleto (%2); nada foi copiado.")
               .arg(shown(file), reason));
}

File::Signature signatureIn(const QByteArray& header) {
    if (header.size() < 0x18 || header[0] != 0 || header[1] != 1 || header[2] != 0 ||
        header[3] != 0) {
        return File::Signature::None;
    }
    if (std::memcmp(header.constData() + 4, kJetSignature, sizeof kJetSignature) == 0) {
        return File::Signature::Jet;
    }
    if (std::memcmp(header.constData() + 4, kAceSignature, sizeof kAceSignature) == 0) {
        return File::Signature::Ace;
    }
    return File::Signature::None;
}

qint64 int64At(const unsigned char* p) {
    quint64 v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return static_cast<qint64>(v);
}

quint32 uint32At(const unsigned char* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

double doubleAt(const unsigned char* p) {
    const qint64 bits = int64At(p);
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

ColumnKind kindOf(int type) {
    switch (type) {
        case MDB_TEXT:
            return ColumnKind::Text;
        case MDB_MEMO:
            return ColumnKind::Memo;
        case MDB_MONEY:
            return ColumnKind::Money;
        case MDB_DATETIME:
            return ColumnKind::DateTime;
        case MDB_BOOL:
            return ColumnKind::Boolean;
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case MDB_FLOAT:
        case MDB_DOUBLE:
            return ColumnKind::Number;
        default:
            return ColumnKind::Other;
    }
}

}  // namespace

bool Value::dayAndTime(QDate& day, int& msecs) const {
    // The stored range of the format is the years 100 to 9999; beyond it (or not
    // a number at all) the value is no date.
    if (kind != Kind::DateTime || !std::isfinite(days) || days < -657434.0 || days >= 2958466.0) {
        return false;
    }
    const double whole = std::trunc(days);
    // Before the epoch the fraction still counts forward from midnight: -1.25 is
    // 29 December 1899 at 06:00.
    qint64 ms = std::llround(std::fabs(days - whole) * 86400000.0);
    // A time a fraction of a millisecond before midnight stays on its own day.
    if (ms >= 86400000) {
        ms = 86399999;
    }
    day = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
    msecs = static_cast<int>(ms);
    return true;
}

QDateTime Value::dateTime() const {
    QDate day;
    int msecs = 0;
    if (!dayAndTime(day, msecs)) {
        return {};
    }
    // The stored moment is a wall-clock reading with no zone: taken as local time
    // it would be moved out of a daylight-saving gap (and cost a look-up of the
    // zone for every value).
    return QDateTime(day, QTime::fromMSecsSinceStartOfDay(msecs), Qt::UTC);
}

void decodeText(const unsigned char* data, qsizetype size, QString& text) {
    if (size >= 2 && data[0] == 0xff && data[1] == 0xfe) {
        // Compressed: one byte per character (high byte zero) until a zero byte
        // switches to two bytes per character, and the next one back.
        text.resize(size - 2);
        char16_t* out = reinterpret_cast<char16_t*>(text.data());
        qsizetype n = 0;
        bool compressed = true;
        qsizetype i = 2;
        while (i < size) {
            if (data[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                out[n++] = char16_t(data[i]);
                ++i;
            } else if (i + 1 < size) {
                out[n++] = char16_t(data[i] | data[i + 1] << 8);
                i += 2;
            } else {
                break;
            }
        }
        text.resize(n);
        return;
    }
    text.resize(size / 2);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size / 2; ++i) {
        out[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);
    }
}

QString decodeText(const unsigned char* data, qsizetype size) {
    QString text;
    decodeText(data, size, text);
    return text;
}

struct File::Handle {
    MdbHandle* mdb = nullptr;
    ~Handle() {
        if (mdb != nullptr) {
            mdb_close(mdb);
        }
    }
};

File::Signature File::signatureOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Signature::None;
    }
    return signatureIn(file.read(0x18));
}

File::File(const QString& path) : m_handle(std::make_unique<Handle>()), m_name(path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        refuse(QStringLiteral("O arquivo %1 não pode ser lido (%2); nada foi copiado.")
                   .arg(shown(path), file.errorString()));
    }
    open(file.read(kHeaderBytes + 0x18), file.size());
}

File::File(const QByteArray& content, const QString& name)
    : m_handle(std::make_unique<Handle>()), m_content(content), m_name(name) {
    open(m_content.left(kHeaderBytes + 0x18), m_content.size());
}

File::~File() = default;

void File::open(const QByteArray& header, qint64 size) {
    switch (signatureIn(header)) {
        case Signature::None:
            refuse(QStringLiteral("O arquivo %1 não é um banco de dados do programa anterior "
                                  "(formato Jet 4.0); nada foi copiado.")
                       .arg(shown(m_name)));
        case Signature::Ace:
            refuse(QStringLiteral("O arquivo %1 é um banco de dados do formato .accdb (2007 ou "
                                  "posterior), que não é lido: salve-o no formato .mdb (Jet 4.0) e "
                                  "repita; nada foi copiado.")
                       .arg(shown(m_name)));
        case Signature::Jet:
            break;
    }
    const auto version = static_cast<unsigned char>(header[0x14]);
    if (version >= MDB_VER_ACCDB_2007) {
        refuse(QStringLiteral("O arquivo %1 é um banco de dados do formato .accdb (2007 ou "
                              "posterior), que não é lido: salve-o no formato .mdb (Jet 4.0) e "
                              "repita; nada foi copiado.")
                   .arg(shown(m_name)));
    }
    if (version == MDB_VER_JET3) {
        refuse(QStringLiteral("O arquivo %1 é do formato Jet 3, anterior ao Jet 4.0, que não é "
                              "lido: converta-o para o Jet 4.0 e repita; nada foi copiado.")
                   .arg(shown(m_name)));
    }
    if (size < 2 * kPageSize || size % kPageSize != 0) {
        damaged(m_name, QStringLiteral("tamanho de %1 bytes").arg(size));
    }
    if (m_content.isNull()) {
        m_handle->mdb = mdb_open(QFile::encodeName(m_name).constData(), MDB_NOFLAGS);
    } else {
        m_handle->mdb =
            mdb_open_buffer(m_content.data(), static_cast<size_t>(m_content.size()), MDB_NOFLAGS);
    }
    MdbHandle* mdb = m_handle->mdb;
    if (mdb == nullptr) {
        damaged(m_name, QStringLiteral("cabeçalho ilegível"));
    }
    // The header page, as the library left it deciphered: the key of an encoded
    // file, and the password, masked by the creation date.
    const unsigned char* page = mdb->pg_buf;
    bool password = false;
    // A damaged header may hold no number there at all; the mask is then zero.
    const double created = doubleAt(page + 0x72);
    const quint32 mask = std::isfinite(created) && std::fabs(created) < 9.0e18
                             ? static_cast<quint32>(static_cast<qint64>(created))
                             : 0;
    for (int i = 0; i < 40; ++i) {
        if ((page[0x42 + i] ^ static_cast<unsigned char>(mask >> (8 * (i % 4)))) != 0) {
            password = true;
        }
    }
    if (mdb->f->db_key != 0 || password) {
        refuse(QStringLiteral("O arquivo %1 está criptografado ou protegido por senha e não pode "
                              "ser lido: remova a senha e a criptografia no programa anterior e "
                              "repita; nada foi copiado.")
                   .arg(shown(m_name)));
    }
    checkCatalogProperties();
    if (mdb_read_catalog(mdb, MDB_ANY) == nullptr) {
        damaged(m_name, QStringLiteral("catálogo ilegível"));
    }
}

QStringList File::tableNames() const {
    QStringList names;
    MdbHandle* mdb = m_handle->mdb;
    for (guint i = 0; mdb->catalog != nullptr && i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry)) {
            names << QString::fromUtf8(entry->object_name);
        }
    }
    return names;
}

struct File::Table::Reader {
    QString file;
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    qint64 rowsRead = 0;
    bool ended = false;
    std::vector<MdbField> fields;

    ~Reader() {
        if (table != nullptr) {
            mdb_free_tabledef(table);
        }
    }

    [[noreturn]] void damagedRow() const {
        damaged(file, QStringLiteral("tabela %1, registro %2")
                          .arg(QString::fromUtf8(table->name))
                          .arg(rowsRead + 1));
    }

    // The bytes of a long value (memo) whose 12-byte reference lies at data.
    QByteArray longValue(const unsigned char* data, int size) {
        const quint32 word = uint32At(data);
        const quint32 length = word & 0x3fffffff;
        if ((word & 0x80000000) != 0) {
            // Stored in the row itself, after the reference.
            if (static_cast<qint64>(length) != size - kMemoHeader) {
                damagedRow();
            }
            return QByteArray(reinterpret_cast<const char*>(data + kMemoHeader),
                              size - kMemoHeader);
        }
        const bool single = (word & 0x40000000) != 0;
        if ((word & 0xc0000000) == 0xc0000000) {
            damagedRow();
        }
        QByteArray bytes;
        quint32 pageRow = uint32At(data + 4);
        // One page can hold at most a page of the value: more pages than the
        // value needs mean a loop in a damaged chain.
        for (qint64 pages = 0; bytes.size() < static_cast<qsizetype>(length); ++pages) {
            void* buffer = nullptr;
            int start = 0;
            size_t rowSize = 0;
            if (pageRow == 0 || pages > static_cast<qint64>(length) / 16 + 2 ||
                mdb_find_pg_row(mdb, static_cast<int>(pageRow), &buffer, &start, &rowSize) != 0) {
                damagedRow();
            }
            start &= kOffsetMask;
            if (rowSize > static_cast<size_t>(kPageSize) ||
                start + static_cast<qint64>(rowSize) > kPageSize) {
                damagedRow();
            }
            const auto* row = static_cast<const unsigned char*>(buffer) + start;
            if (single) {
                if (rowSize < length) {
                    damagedRow();
                }
                bytes.append(reinterpret_cast<const char*>(row), length);
                break;
            }
            if (rowSize < 4) {
                damagedRow();
            }
            pageRow = uint32At(row);
            bytes.append(reinterpret_cast<const char*>(row + 4),
                         static_cast<qsizetype>(rowSize) - 4);
        }
        if (bytes.size() < static_cast<qsizetype>(length)) {
            damagedRow();
        }
        bytes.truncate(length);
        return bytes;
    }

    // Reads a field into value, whose text keeps its storage from row to row.
    void read(const MdbColumn* column, const MdbField& field, Value& value) {
        value.kind = Value::Kind::Null;
        value.text.resize(0);
        value.money = 0;
        value.days = 0;
        value.number = 0;
        if (column->col_type == MDB_BOOL) {
            // A yes/no column keeps its value in the row's null mask: a clear bit
            // is false, never null.
            value.kind = Value::Kind::Boolean;
            value.number = field.is_null ? 0 : 1;
            return;
        }
        if (field.is_null) {
            return;
        }
        if (field.start < 0 || field.siz < 0 || field.start + field.siz > kPageSize) {
            damagedRow();
        }
        const unsigned char* data = mdb->pg_buf + field.start;
        const int size = field.siz;
        auto need = [&](int bytes) {
            if (size != bytes) {
                damagedRow();
            }
        };
        switch (column->col_type) {
            case MDB_TEXT:
                value.kind = Value::Kind::Text;
                decodeText(data, size, value.text);
                break;
            case MDB_MEMO: {
                if (size < kMemoHeader) {
                    damagedRow();
                }
                const QByteArray bytes = longValue(data, size);
                value.kind = Value::Kind::Text;
                decodeText(reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size(),
                           value.text);
                break;
            }
            case MDB_MONEY:
                need(8);
                value.kind = Value::Kind::Money;
                value.money = int64At(data);
                break;
            case MDB_DATETIME:
                need(8);
                value.kind = Value::Kind::DateTime;
                value.days = doubleAt(data);
                break;
            case MDB_BYTE:
                need(1);
                value.kind = Value::Kind::Number;
                value.number = data[0];
                break;
            case MDB_INT:
                need(2);
                value.kind = Value::Kind::Number;
                value.number = static_cast<qint16>(data[0] | data[1] << 8);
                break;
            case MDB_LONGINT:
                need(4);
                value.kind = Value::Kind::Number;
                value.number = static_cast<qint32>(uint32At(data));
                break;
            case MDB_FLOAT: {
                need(4);
                const quint32 bits = uint32At(data);
                float f = 0;
                std::memcpy(&f, &bits, sizeof f);
                value.kind = Value::Kind::Number;
                value.number = f;
                break;
            }
            case MDB_DOUBLE:
                need(8);
                value.kind = Value::Kind::Number;
                value.number = doubleAt(data);
                break;
            default:
                value.kind = Value::Kind::Other;
                break;
        }
    }
};

namespace {

quint16 uint16At(const unsigned char* p) {
    return static_cast<quint16>(p[0] | p[1] << 8);
}

// Whether the library could read a table's definition and the map of its pages
// (a scan follows the map without checking that it exists).
bool readable(const MdbTableDef* table) {
    return table != nullptr && table->usage_map != nullptr && table->map_sz > 0;
}

// Whether a properties block of the catalog ("KKD" or "MR2", then chunks of a
// 32-bit length and a 16-bit type; a chunk of names holds 16-bit-length names, a
// chunk of values holds 16-bit-length entries) has lengths that stay inside it
// and always move on.
bool propertiesFit(const QByteArray& block) {
    const auto* data = reinterpret_cast<const unsigned char*>(block.constData());
    const qsizetype size = block.size();
    if (size < 4) {
        return size == 0;
    }
    if (std::memcmp(data, "KKD", 4) != 0 && std::memcmp(data, "MR2", 4) != 0) {
        return true;  // not a properties block: the library passes it over
    }
    for (qsizetype at = 4; at < size;) {
        if (at + 6 > size) {
            return false;
        }
        const quint32 length = uint32At(data + at);
        if (length < 6 || length > static_cast<quint32>(size - at)) {
            return false;
        }
        const quint16 type = uint16At(data + at + 4);
        const unsigned char* chunk = data + at + 6;
        const qsizetype chunkSize = static_cast<qsizetype>(length) - 6;
        if (type == 0x80) {
            for (qsizetype in = 0; in < chunkSize;) {
                if (in + 2 > chunkSize) {
                    return false;
                }
                in += 2 + uint16At(chunk + in);
                if (in > chunkSize) {
                    return false;
                }
            }
        } else if (type <= 2) {
            if (chunkSize < 6) {
                return false;
            }
            qsizetype in = 6 + uint16At(chunk + 4);
            if (in > chunkSize) {
                return false;
            }
            while (in < chunkSize) {
                if (in + 8 > chunkSize) {
                    return false;
                }
                const quint16 entry = uint16At(chunk + in);
                if (entry < 8 || entry > chunkSize - in) {
                    return false;
                }
                in += entry;
            }
        }
        at += length;
    }
    return true;
}

}  // namespace

// The library takes apart the properties block of every catalog row when it
// reads the catalog, and never ends on a damaged block whose lengths do not move
// on: the catalog's rows are read here first and their blocks checked.
void File::checkCatalogProperties() {
    MdbHandle* mdb = m_handle->mdb;
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    std::snprintf(entry.object_name, sizeof entry.object_name, "MSysObjects");
    auto reader = std::make_unique<Table::Reader>();
    reader->file = m_name;
    reader->mdb = mdb;
    reader->table = mdb_read_table(&entry);
    if (!readable(reader->table) || mdb_read_columns(reader->table) == nullptr ||
        reader->table->num_cols == 0 || reader->table->num_cols > MDB_MAX_COLS ||
        mdb_rewind_table(reader->table) != 0) {
        damaged(m_name, QStringLiteral("catálogo ilegível"));
    }
    reader->fields.resize(MDB_MAX_COLS);
    MdbTableDef* table = reader->table;
    int at = -1;
    for (guint i = 0; i < table->num_cols; ++i) {
        const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
        if (col->col_type == MDB_OLE && std::strcmp(col->name, "LvProp") == 0) {
            at = static_cast<int>(i);
        }
    }
    if (at < 0) {
        return;
    }
    qint64 rows = 0;
    while (mdb_fetch_row(table)) {
        if (++rows > static_cast<qint64>(table->num_rows)) {
            damaged(m_name, QStringLiteral("catálogo ilegível"));
        }
        int start = 0;
        size_t size = 0;
        if (table->cur_row == 0 ||
            mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &size) != 0) {
            damaged(m_name, QStringLiteral("catálogo ilegível"));
        }
        start &= kOffsetMask;
        if (mdb_crack_row(table, start, size, reader->fields.data()) <
            static_cast<int>(table->num_cols)) {
            damaged(m_name, QStringLiteral("catálogo ilegível"));
        }
        const MdbField& field = reader->fields[static_cast<size_t>(at)];
        if (field.is_null) {
            continue;
        }
        if (field.start < 0 || field.siz < kMemoHeader || field.start + field.siz > kPageSize) {
            damaged(m_name, QStringLiteral("catálogo ilegível"));
        }
        reader->rowsRead = rows - 1;
        const QByteArray block = reader->longValue(mdb->pg_buf + field.start, field.siz);
        if (!propertiesFit(block)) {
            damaged(m_name, QStringLiteral("catálogo ilegível"));
        }
    }
}

std::unique_ptr<File::Table> File::table(const QString& name) {
    MdbHandle* mdb = m_handle->mdb;
    for (guint i = 0; mdb->catalog != nullptr && i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE ||
            QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) != 0) {
            continue;
        }
        auto reader = std::make_unique<Table::Reader>();
        reader->file = m_name;
        reader->mdb = mdb;
        reader->table = mdb_read_table(entry);
        if (!readable(reader->table) || mdb_read_columns(reader->table) == nullptr ||
            reader->table->num_cols == 0 || reader->table->num_cols > MDB_MAX_COLS) {
            damaged(m_name, QStringLiteral("definição da tabela %1").arg(name));
        }
        reader->fields.resize(MDB_MAX_COLS);
        if (mdb_rewind_table(reader->table) != 0) {
            damaged(m_name, QStringLiteral("tabela %1").arg(name));
        }
        return std::unique_ptr<Table>(new Table(std::move(reader)));
    }
    return nullptr;
}

File::Table::Table(std::unique_ptr<Reader> reader) : m_reader(std::move(reader)) {
    MdbTableDef* table = m_reader->table;
    m_name = QString::fromUtf8(table->name);
    for (guint i = 0; i < table->num_cols; ++i) {
        const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
        Column column{QString::fromUtf8(col->name), kindOf(col->col_type), 0};
        if (column.kind == ColumnKind::Text) {
            column.size = col->col_size / 2;
        }
        m_columns << column;
    }
}

File::Table::~Table() = default;

int File::Table::indexOf(const QString& column) const {
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(column, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

qint64 File::Table::rowCount() const {
    return m_reader->table->num_rows;
}

bool File::Table::next(QList<Value>& values) {
    Reader& r = *m_reader;
    if (r.ended) {
        return false;
    }
    MdbTableDef* table = r.table;
    if (!mdb_fetch_row(table)) {
        r.ended = true;
        // A page the table's map names that could not be read, or rows that
        // could not be taken apart, end the scan early: the count tells.
        if (r.rowsRead != static_cast<qint64>(table->num_rows)) {
            damaged(r.file, QStringLiteral("tabela %1: %2 de %3 registros legíveis")
                                .arg(m_name)
                                .arg(r.rowsRead)
                                .arg(table->num_rows));
        }
        return false;
    }
    int start = 0;
    size_t size = 0;
    if (table->cur_row == 0 ||
        mdb_find_row(r.mdb, static_cast<int>(table->cur_row) - 1, &start, &size) != 0) {
        r.damagedRow();
    }
    start &= kOffsetMask;
    if (mdb_crack_row(table, start, size, r.fields.data()) < static_cast<int>(table->num_cols)) {
        r.damagedRow();
    }
    values.resize(m_columns.size());
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
        r.read(col, r.fields[static_cast<size_t>(i)], values[i]);
    }
    ++r.rowsRead;
    if (r.rowsRead > static_cast<qint64>(table->num_rows)) {
        damaged(r.file, QStringLiteral("tabela %1: mais registros que os %2 contados")
                            .arg(m_name)
                            .arg(table->num_rows));
    }
    return true;
}

}  // namespace ambitra::legacy
