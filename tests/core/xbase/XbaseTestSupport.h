#pragma once

#include "core/common/Error.h"
#include "support/QtPrinters.h"
#include "support/TempAppDir.h"
#include "core/xbase/FieldList.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDate>
#include <QFileInfo>
#include <QtEndian>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

using namespace Qt::StringLiterals;

namespace ambitra::test {

// NOME C 10, VALOR N 12,3, DATA D, ATIVO L: header 161 bytes, records of 32.
inline const QStringList kSampleFields{QStringLiteral("NOME;C;10;0"),
                                       QStringLiteral("VALOR;N;12;3"), QStringLiteral("DATA;D;8;0"),
                                       QStringLiteral("ATIVO;L;1;0")};
constexpr int kSampleHeader = 161;
constexpr int kSampleRecord = 32;

inline QString sampleTable(const TempAppDir& dir, const QString& name = QStringLiteral("T.DBF")) {
    BuildDBFFile(dir.file(name), kSampleFields);
    return dir.file(name);
}

inline void openTable(THalcyonDataSet& table, const QString& path) {
    const QFileInfo info(path);
    table.SetDatabaseName(info.absolutePath());
    table.SetTableName(info.fileName());
    table.Open();
}

inline void appendSample(THalcyonDataSet& table, const QString& nome, double valor = 0,
                         const QDate& data = {}, bool ativo = false) {
    table.Insert();
    table.FieldByName(QStringLiteral("NOME")).SetAsString(nome);
    table.FieldByName(QStringLiteral("VALOR")).SetAsVariant(valor);
    table.FieldByName(QStringLiteral("DATA")).SetAsVariant(data);
    table.FieldByName(QStringLiteral("ATIVO")).SetAsVariant(ativo);
    table.Post();
}

// A new table with these fields and rows (values in field order); the record
// numbered deleted (from 1) is then marked deleted.
inline QString tableWithRows(const TempAppDir& dir, const QString& name, const QStringList& fields,
                             const QList<QVariantList>& rows, int deleted = 0) {
    const QString path = dir.file(name);
    BuildDBFFile(path, fields);
    THalcyonDataSet table;
    openTable(table, path);
    for (const QVariantList& row : rows) {
        table.Insert();
        for (int i = 0; i < row.size(); ++i) {
            table.Fields(i).SetAsVariant(row[i]);
        }
        table.Post();
    }
    if (deleted > 0) {
        const THalcyonField& last = table.Fields(table.FieldCount() - 1);
        const qint64 offset =
            33 + 32 * table.FieldCount() + (deleted - 1) * (last.Offset() + last.Size());
        table.Close();
        QByteArray bytes = readAll(path);
        bytes[offset] = '*';
        writeAll(path, bytes);
    }
    return path;
}

// The live records' NOME values in file order.
inline QStringList names(const QString& path) {
    THalcyonDataSet table;
    openTable(table, path);
    QStringList result;
    for (; !table.Eof(); table.Next()) {
        result << table.FieldByName(QStringLiteral("NOME")).AsString();
    }
    return result;
}

// The message of the error fn raises, or "<no error>".
template <typename Fn>
QString errorOf(Fn&& fn) {
    try {
        fn();
    } catch (const Error& error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

inline quint32 u32At(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}
inline int u16At(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

}  // namespace ambitra::test
