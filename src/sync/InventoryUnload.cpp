#include "sync/InventoryUnload.h"

#include "common/Error.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "data/Connection.h"
#include "data/DataTable.h"
#include "data/TDados.h"
#include "sync/SyncLog.h"
#include "xbase/ExchangeLayouts.h"
#include "xbase/HalcyonDataSet.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace ambitra {

namespace {

// The fields of a returned record, found once per file. BEFLAG must exist to
// read the file at all; a missing other field fails each record that needs it.
class Record {
  public:
    explicit Record(THalcyonDataSet& dbf)
        : flag(dbf.FieldByName(QStringLiteral("BEFLAG"))), m_dbf(dbf) {}

    THalcyonField& flag;
    THalcyonField& operator[](const char* name) const {
        const QString key = QString::fromLatin1(name);
        auto it = m_fields.constFind(key);
        if (it == m_fields.constEnd()) {
            it = m_fields.insert(key, m_dbf.FindField(key));
        }
        return *it != nullptr ? **it : m_dbf.FieldByName(key);  // raises "not found"
    }

  private:
    THalcyonDataSet& m_dbf;
    mutable QHash<QString, THalcyonField*> m_fields;
};

// Two values differ when one is null and the other not, or when their texts
// differ (letter case counts); two nulls are equal.
bool differs(const QVariant& old, const QVariant& now) {
    if (old.isNull() || now.isNull()) {
        return old.isNull() != now.isNull();
    }
    return old.toString() != now.toString();
}

// Compares one column of the asset with the record and carries the change over,
// adding its part to the occurrence text.
void carryOver(DataTable& bens, const char* column, const char* label, const THalcyonField& field,
               QString& occurrence) {
    const QString name = QString::fromLatin1(column);
    const QVariant old = bens.value(name);
    const QVariant now = field.AsVariant();
    if (!differs(old, now)) {
        return;
    }
    if (!occurrence.isEmpty()) {
        occurrence += QLatin1Char(';');
    }
    occurrence += QString::fromLatin1(label) + QLatin1Char(':') + old.toString() +
                  QLatin1Char('>') + now.toString();
    bens.setValue(name, now);
}

}  // namespace

InventoryUnload::InventoryUnload(TDados& dados, SyncLog& log, Progress& progress)
    : m_dados(dados), m_log(log), m_progress(progress) {}

void InventoryUnload::ProcessInventory(const QString& userName, const QString& folder) {
    ProcessFile(userName, QDir(folder).filePath(ExchangeFileName(QStringLiteral("Bens"))));
}

void InventoryUnload::ProcessFile(const QString& userName, const QString& path) {
    BusyGuard busy(m_progress);
    m_completed = false;
    m_log.append(QStringLiteral("> Processando dados descarregados do Palm..."));
    if (!QFile::exists(path)) {
        m_dados.prompter().beep();
        m_log.appendError(QStringLiteral("   Erro no arquivo ") + QDir::toNativeSeparators(path) +
                          QStringLiteral(". Processamento de dados não efetuado!"));
        return;
    }
    DataTable& bens = m_dados.TBens();
    if (bens.isOpen()) {
        bens.requery();
    } else {
        bens.open();
    }
    THalcyonDataSet& dbf = m_dados.DBFTmp();
    dbf.Close();
    dbf.SetDatabaseName(QFileInfo(path).absolutePath());
    dbf.SetTableName(QFileInfo(path).fileName());
    dbf.Open();
    if (dbf.Active()) {
        m_processed = 0;
        m_newRows = 0;
        const QDateTime start = QDateTime::currentDateTime();
        applyRecords(userName);
        // Set only once the unload is through: one that failed part-way must not
        // leave the log window a period that ends before it starts.
        m_dados.DayStart = start;
        m_dados.DayEnd = QDateTime::currentDateTime();
        m_log.append(QStringLiteral("   ") +
                     QStringLiteral("Processamento de %1 registros de inventário concluído!")
                         .arg(m_processed));
        if (m_newRows > 0) {
            m_log.append(QStringLiteral("   ") +
                         QStringLiteral("Verifique o LOG de inventário que tem %1 registros novos!")
                             .arg(m_newRows));
        }
        m_completed = true;
        dbf.Close();
    }
    bens.first();
}

void InventoryUnload::applyRecords(const QString& userName) {
    THalcyonDataSet& dbf = m_dados.DBFTmp();
    DataTable& bens = m_dados.TBens();
    Connection& conn = m_dados.Conn();
    Command& insertLog = m_dados.SQLCmd();
    insertLog.setText(QStringLiteral(
        "INSERT INTO Log (LGDATA, LGUSUARIO, LGOPERADOR, LGBEM, LGOCORRENC) VALUES (:LGDATA, "
        ":LGUSUARIO, :LGOPERADOR, :LGBEM, :LGOCORRENC)"));
    const Record r(dbf);
    m_progress.setMaximum(dbf.RecordCount());
    m_progress.setValue(0);

    Transaction transaction(conn);
    for (dbf.First(); !dbf.Eof(); dbf.Next()) {
        m_progress.advance();
        if (r.flag.AsString() != QLatin1String("X")) {
            continue;
        }
        QString occurrence;
        QString code;
        {
            Savepoint record(conn);
            try {
                code = r["BECODIGO"].AsString();
                if (bens.locate(code)) {
                    bens.edit();
                    carryOver(bens, "BELOCAL", "LOCAL", r["BELOCAL"], occurrence);
                    carryOver(bens, "BESITUACAO", "SITUACAO", r["BESITUACAO"], occurrence);
                    carryOver(bens, "BENSERIE", "NSERIE", r["BENSERIE"], occurrence);
                } else {
                    bens.insert();
                    for (const char* column : {"BECODIGO", "BENOME", "BELOCAL", "BEFABRICA",
                                               "BESITUACAO", "BENSERIE", "BECOMPRA"}) {
                        bens.setValue(QString::fromLatin1(column), r[column].AsVariant());
                    }
                    // A blank amount reads as zero, never as null.
                    bens.setValue(QStringLiteral("BEVALOR"), r["BEVALOR"].AsVariant().toDouble());
                    occurrence = QStringLiteral("NOVO");
                }
                bens.setValue(QStringLiteral("BEULTINV"), r["BEULTINV"].AsVariant());
                bens.setValue(QStringLiteral("BEULTOPE"), r["BEULTOPE"].AsVariant());
                bens.post();
                record.release();
            } catch (const Error& error) {
                // Only this record's change is abandoned; the savepoint rolls it back.
                bens.cancel();
                m_log.appendError(QStringLiteral("> ") + error.message());
                continue;
            }
        }
        ++m_processed;
        if (occurrence.isEmpty()) {
            continue;
        }
        // The log row has a savepoint of its own: a refused row leaves the asset
        // saved and counted.
        Savepoint logRow(conn);
        try {
            insertLog.setParameter(QStringLiteral("LGDATA"), QDateTime::currentDateTime());
            insertLog.setParameter(QStringLiteral("LGUSUARIO"), userName);
            insertLog.setParameter(QStringLiteral("LGOPERADOR"), r["BEULTOPE"].AsVariant());
            insertLog.setParameter(QStringLiteral("LGBEM"), code);
            insertLog.setParameter(QStringLiteral("LGOCORRENC"), occurrence);
            insertLog.execute();
            logRow.release();
            ++m_newRows;
        } catch (const Error& error) {
            m_log.appendError(QStringLiteral("> ") + error.message());
        }
    }
    try {
        transaction.commit();
    } catch (const Error&) {
        // Nothing of the unload was kept: show the table as it is again.
        bens.requery();
        throw;
    }
}

}  // namespace ambitra
