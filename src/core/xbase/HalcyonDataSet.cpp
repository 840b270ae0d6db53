#include "core/xbase/HalcyonDataSet.h"

#include "core/xbase/FileLock.h"
#include "core/xbase/HalcyonError.h"

#include <QFileInfo>

#include <cstring>
#include <exception>

namespace ambitra {

namespace {

// Records read from the file in one block while reading sequentially, and
// records of a bulk append written in one block.
constexpr qint64 kReadAheadBytes = 64 * 1024;
constexpr qint64 kBulkBlockBytes = 1024 * 1024;

bool hasExtension(const QString& fileName) {
    const qsizetype slash = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
    return fileName.indexOf(u'.', slash + 1) >= 0;
}

QString withDefaultExtension(const QString& fileName) {
    return hasExtension(fileName) ? fileName : fileName + QStringLiteral(".DBF");
}

[[noreturn]] void throwOpenDataSet() {
    throw Error(QStringLiteral("Cannot perform this operation on an open dataset"));
}

}  // namespace

THalcyonDataSet::THalcyonDataSet() = default;

THalcyonDataSet::~THalcyonDataSet() {
    try {
        Close();
    } catch (const std::exception&) {
        // Nothing can be reported from a destructor; callers that care close first.
    }
}

void THalcyonDataSet::SetDatabaseName(const QString& folder) {
    if (Active()) {
        throwOpenDataSet();
    }
    m_databaseName = folder;
}

void THalcyonDataSet::SetTableName(const QString& fileName) {
    if (Active()) {
        throwOpenDataSet();
    }
    m_tableName = fileName;
}

void THalcyonDataSet::SetReadOnly(bool readOnly) {
    if (Active()) {
        throwOpenDataSet();
    }
    m_readOnly = readOnly;
}

QString THalcyonDataSet::tableBaseName() const {
    return QFileInfo(m_path).completeBaseName();
}

void THalcyonDataSet::Open() {
    if (Active()) {
        return;
    }
    if (m_tableName.trimmed().isEmpty()) {
        throw Error(QStringLiteral("Missing TableName property"));
    }
    m_path = TableFile::joinPath(m_databaseName, withDefaultExtension(m_tableName));
    switch (m_file.open(m_path, !m_readOnly)) {
        case TableFile::OpenResult::NotFound:
            throw Error(QStringLiteral("Cannot find file ") + m_path);
        case TableFile::OpenResult::AccessDenied:
            throw EHalcyonError::accessDenied(m_path);
        case TableFile::OpenResult::Ok:
            break;
    }
    try {
        char header[dbf::kHeaderSize];
        readHeader(header);
        const auto version = static_cast<quint8>(header[dbf::header::Version]);
        if (!dbf::isAcceptedVersion(version)) {
            throw EHalcyonError::invalidHeader(m_path);
        }
        if (header[dbf::header::Encrypted] != 0) {
            throw EHalcyonError::encrypted(m_path);
        }
        m_headerLength = dbf::readU16(header + dbf::header::HeaderLength);
        m_recordLength = dbf::readU16(header + dbf::header::RecordLength);
        // Header, descriptors, the terminator, and for one version a backlink.
        const int fixedPart =
            dbf::kHeaderSize + 1 + (version == dbf::kVersionWithBacklink ? dbf::kBacklinkSize : 0);
        if (m_headerLength < fixedPart || m_recordLength < 1) {
            throw EHalcyonError::invalidHeader(m_path);
        }
        // The descriptors are all of the header after its first 32 bytes, less the
        // terminator; the terminator itself is not looked for.
        QByteArray descriptors(m_headerLength - dbf::kHeaderSize - 1, Qt::Uninitialized);
        if (m_file.readAt(dbf::kHeaderSize, descriptors.data(), descriptors.size()) !=
            descriptors.size()) {
            throw EHalcyonError::readFailed(m_path);
        }
        buildFields(descriptors.constData(), (m_headerLength - fixedPart) / dbf::kDescriptorSize,
                    m_recordLength);
        m_recordCount = sizeDerivedCount();
    } catch (...) {
        closeFile();
        throw;
    }
    m_state = State::Browse;
    try {
        First();
    } catch (...) {
        closeFile();
        throw;
    }
}

void THalcyonDataSet::readHeader(char* header) {
    if (m_file.readAt(0, header, dbf::kHeaderSize) != dbf::kHeaderSize) {
        throw EHalcyonError::readFailed(m_path);
    }
}

void THalcyonDataSet::buildFields(const char* descriptors, int count, int recordLength) {
    int offset = 1;  // after the deletion byte
    for (int i = 0; i < count; ++i) {
        dbf::FieldDef def = dbf::readDescriptor(descriptors + i * dbf::kDescriptorSize);
        if (def.type >= 'a' && def.type <= 'z') {
            def.type = static_cast<char>(def.type - 'a' + 'A');
        }
        if (offset + def.width > recordLength) {
            throw EHalcyonError::invalidHeader(m_path);
        }
        const int width = def.width;
        m_fields.push_back(THalcyonField(*this, std::move(def), offset));
        offset += width;
    }
    // A new record is blanks with zero in every numeric field (blank when even
    // zero does not fit a malformed field).
    m_blank = QByteArray(recordLength, ' ');
    for (const THalcyonField& field : m_fields) {
        if (field.isNumeric()) {
            char zero[dbf::kNumberTextSize];
            dbf::placeNumber(m_blank.data() + field.Offset(), field.Size(), zero,
                             dbf::formatInteger(0, field.Decimals(), zero));
        }
    }
    m_record = m_blank;
}

qint64 THalcyonDataSet::sizeDerivedCount() const {
    const qint64 size = m_file.size();
    if (size < 0) {
        throw EHalcyonError::readFailed(m_path);
    }
    return size > m_headerLength ? (size - m_headerLength) / m_recordLength : 0;
}

void THalcyonDataSet::Close() {
    if (!Active()) {
        return;
    }
    if (m_state == State::Edit || m_state == State::Insert) {
        Cancel();
    }
    std::exception_ptr failure;
    try {
        flushBulk();
    } catch (...) {
        failure = std::current_exception();
    }
    closeFile();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void THalcyonDataSet::closeFile() {
    m_file.close();  // also drops every lock this opening held
    m_state = State::Inactive;
    m_fields.clear();
    m_headerLength = m_recordLength = 0;
    m_recordCount = m_recNo = m_lockedRecord = 0;
    m_eof = true;
    m_anyLive = false;
    m_record.clear();
    m_saved.clear();
    m_blank.clear();
    m_readAhead.clear();
    m_readAheadFirst = m_readAheadCount = 0;
    m_bulk = false;
    m_pending.clear();
    m_pendingCount = 0;
}

THalcyonField* THalcyonDataSet::FindField(const QString& name) {
    // Callers mostly pass the stored upper-case name, once per field and record.
    for (THalcyonField& field : m_fields) {
        if (field.FieldName() == name) {
            return &field;
        }
    }
    for (THalcyonField& field : m_fields) {
        if (field.FieldName().compare(name, Qt::CaseInsensitive) == 0) {
            return &field;
        }
    }
    return nullptr;
}

THalcyonField& THalcyonDataSet::FieldByName(const QString& name) {
    if (THalcyonField* field = FindField(name)) {
        return *field;
    }
    throw Error(QStringLiteral("Field '") + name + QStringLiteral("' not found"));
}

// ---- Reading ---------------------------------------------------------------

void THalcyonDataSet::First() {
    requireActive();
    if (m_state != State::Browse) {
        Cancel();
    }
    flushBulk();
    m_recNo = 0;
    seekLive(1);
    m_anyLive = !m_eof;
    if (m_eof) {
        resetRecordBuffer();
    }
}

void THalcyonDataSet::Next() {
    requireActive();
    if (m_state != State::Browse) {
        Cancel();
    }
    flushBulk();
    if (!m_eof) {
        seekLive(m_recNo + 1);
    }
}

void THalcyonDataSet::seekLive(qint64 recNo) {
    for (qint64 n = recNo; n <= m_recordCount; ++n) {
        const char* candidate = cachedRecord(n);
        if (candidate[0] != dbf::kDeletedMark) {
            std::memcpy(m_record.data(), candidate, static_cast<size_t>(m_recordLength));
            m_recNo = n;
            m_eof = false;
            return;
        }
    }
    m_eof = true;
}

const char* THalcyonDataSet::cachedRecord(qint64 recNo) {
    if (recNo < m_readAheadFirst || recNo >= m_readAheadFirst + m_readAheadCount) {
        const qint64 wanted = std::min(std::max<qint64>(1, kReadAheadBytes / m_recordLength),
                                       m_recordCount - recNo + 1);
        m_readAhead.resize(wanted * m_recordLength);
        const qint64 got =
            m_file.readAt(recordOffset(recNo), m_readAhead.data(), m_readAhead.size());
        if (got < m_recordLength) {
            m_readAheadCount = 0;
            throw EHalcyonError::readFailed(m_path);
        }
        m_readAheadFirst = recNo;
        m_readAheadCount = got / m_recordLength;
    }
    return m_readAhead.constData() + (recNo - m_readAheadFirst) * m_recordLength;
}

void THalcyonDataSet::resetRecordBuffer() {
    std::memcpy(m_record.data(), m_blank.constData(), static_cast<size_t>(m_recordLength));
}

// ---- Writing ---------------------------------------------------------------

void THalcyonDataSet::requireEditing() const {
    if (m_state != State::Edit && m_state != State::Insert) {
        throw Error(QStringLiteral("Dataset not in edit or insert mode"));
    }
}

void THalcyonDataSet::requireActive() const {
    if (!Active()) {
        throw Error(QStringLiteral("Cannot perform this operation on a closed dataset"));
    }
}

void THalcyonDataSet::requireWritable() const {
    requireActive();
    if (m_readOnly) {
        throw Error(QStringLiteral("Cannot modify a read-only dataset"));
    }
}

void THalcyonDataSet::Edit() {
    if (m_state == State::Edit) {
        return;
    }
    if (m_state == State::Insert) {
        Cancel();
    }
    requireWritable();
    flushBulk();
    if (m_recNo == 0) {
        Insert();
        return;
    }
    if (!m_file.tryLockByte(dbf::kRecordLockBase + recordOffset(m_recNo))) {
        throw Error(QStringLiteral("Record is locked by another user"));
    }
    m_lockedRecord = m_recNo;
    // Another program may have changed the record since it was read.
    if (m_file.readAt(recordOffset(m_recNo), m_record.data(), m_recordLength) != m_recordLength) {
        releaseRecordLock();
        throw EHalcyonError::readFailed(m_path);
    }
    m_saved = m_record;
    m_state = State::Edit;
}

void THalcyonDataSet::Insert() {
    if (m_state == State::Edit || m_state == State::Insert) {
        Cancel();
    }
    requireWritable();
    m_saved = m_record;
    resetRecordBuffer();
    m_state = State::Insert;
}

void THalcyonDataSet::Cancel() {
    if (m_state != State::Edit && m_state != State::Insert) {
        return;
    }
    m_record = m_saved;
    releaseRecordLock();
    m_state = State::Browse;
}

void THalcyonDataSet::releaseRecordLock() {
    if (m_lockedRecord != 0) {
        m_file.unlockByte(dbf::kRecordLockBase + recordOffset(m_lockedRecord));
        m_lockedRecord = 0;
    }
}

void THalcyonDataSet::Post() {
    requireEditing();
    if (m_state == State::Insert) {
        m_record[0] = dbf::kLiveMark;
        if (m_bulk) {
            // The record belongs to the batch now; a failed block write is
            // reported here or at the end of the batch.
            m_pending.append(m_record);
            ++m_pendingCount;
            markPosted(m_recordCount + m_pendingCount);
            if (m_pending.size() >= kBulkBlockBytes) {
                flushBulk();
            }
            return;
        }
        m_writeBuffer.resize(m_recordLength + 1);
        std::memcpy(m_writeBuffer.data(), m_record.constData(),
                    static_cast<size_t>(m_recordLength));
        m_writeBuffer[m_recordLength] = dbf::kEndOfFile;
        appendRecords(m_writeBuffer.constData(), 1);
        markPosted(m_recordCount);
        return;
    }
    FileLock appendLock(m_file, dbf::kAppendLockOffset, m_appendLockWait);
    if (!appendLock.acquired()) {
        throw EHalcyonError::writeFailed(m_path);
    }
    char header[dbf::kHeaderSize];
    readCurrentHeader(header);
    if (!m_file.writeAt(recordOffset(m_recNo), m_record.constData(), m_recordLength)) {
        throw EHalcyonError::writeFailed(m_path);
    }
    m_readAheadCount = 0;
    writeHeader(header, sizeDerivedCount());
    appendLock.release();
    releaseRecordLock();
    m_state = State::Browse;
}

void THalcyonDataSet::markPosted(qint64 recNo) {
    m_recNo = recNo;
    m_eof = false;
    m_anyLive = true;
    m_state = State::Browse;
}

// Appends count records held in data, which ends with the 0x1A that follows the
// last record. Nothing is written unless the append lock is had.
void THalcyonDataSet::appendRecords(const char* data, qint64 count) {
    FileLock appendLock(m_file, dbf::kAppendLockOffset, m_appendLockWait);
    if (!appendLock.acquired()) {
        throw EHalcyonError::writeFailed(m_path);
    }
    char header[dbf::kHeaderSize];
    readCurrentHeader(header);
    // Records other programs appended since the last look are counted, not overwritten.
    const qint64 existing = sizeDerivedCount();
    if (!m_file.writeAt(recordOffset(existing + 1), data, count * m_recordLength + 1)) {
        throw EHalcyonError::writeFailed(m_path);
    }
    m_readAheadCount = 0;
    writeHeader(header, existing + count);
}

// The header as the file holds it now; called under the append lock.
void THalcyonDataSet::readCurrentHeader(char* header) {
    readHeader(header);
    // A file replaced by another table since it was opened must not be written.
    if (dbf::readU16(header + dbf::header::HeaderLength) != m_headerLength ||
        dbf::readU16(header + dbf::header::RecordLength) != m_recordLength) {
        throw EHalcyonError::writeFailed(m_path);
    }
}

void THalcyonDataSet::writeHeader(char* header, qint64 recordCount) {
    QDate date;
    QTime time;
    TableFile::localNow(date, time);
    dbf::refreshHeader(header, static_cast<quint32>(recordCount), 0, date, time);
    if (!m_file.writeAt(0, header, dbf::kHeaderSize)) {
        throw EHalcyonError::writeFailed(m_path);
    }
    m_recordCount = recordCount;
}

void THalcyonDataSet::BeginBulkAppend() {
    requireWritable();
    m_bulk = true;
    // One buffer for the whole batch: growing it anew for every block cost more
    // than writing the records.
    m_pending.reserve(kBulkBlockBytes + m_recordLength + 1);
}

void THalcyonDataSet::EndBulkAppend() {
    flushBulk();
    m_bulk = false;
}

void THalcyonDataSet::flushBulk() {
    if (m_pendingCount == 0) {
        return;
    }
    const bool currentIsPending = m_recNo > m_recordCount;
    m_pending.append(dbf::kEndOfFile);
    const qint64 count = m_pendingCount;
    try {
        appendRecords(m_pending.constData(), count);
    } catch (...) {
        m_pending.chop(1);
        throw;
    }
    m_pending.resize(0);  // keeps the buffer's room for the next block
    m_pendingCount = 0;
    if (currentIsPending) {
        m_recNo = m_recordCount;  // the last posted record, where it finally landed
    }
}

}  // namespace ambitra
