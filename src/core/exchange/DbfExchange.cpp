#include "core/common/AsideFile.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/data/RecordBatch.h"
#include "core/data/TDados.h"
#include "core/exchange/ExchangeRun.h"
#include "core/exchange/FieldError.h"
#include "core/exchange/ImportScope.h"
#include "core/exchange/TextLayout.h"
#include "core/xbase/ExchangeLayouts.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace ambitra {

namespace {

// Points the data module's one dBase table object at a file and opens it;
// closes it again when the work is done, also when an error escapes.
class OpenDbf {
  public:
    OpenDbf(THalcyonDataSet& dbf, const QString& folder, const QString& fileName) : m_dbf(dbf) {
        if (m_dbf.Active()) {
            m_dbf.Close();
        }
        m_dbf.SetDatabaseName(folder);
        m_dbf.SetTableName(fileName);
        m_dbf.Open();
    }
    ~OpenDbf() {
        try {
            m_dbf.Close();
        } catch (const Error&) {
            // Closing after an error: the first error is the one reported.
        }
    }
    OpenDbf(const OpenDbf&) = delete;
    OpenDbf& operator=(const OpenDbf&) = delete;

  private:
    THalcyonDataSet& m_dbf;
};

}  // namespace

void ExchangeRun::ExportDBF(DataTable& table, const QString& folder) {
    const QString name = ExchangeFileName(table.tableName(), QStringLiteral(".DBF"));
    const QString target = QDir(folder).filePath(name);
    if (const QString unsafe = unsafeTargetReason(target); !unsafe.isEmpty()) {
        report(unsafe + QStringLiteral(" Exportação de dados não efetuada!"));
        return;
    }
    // Written aside and put in place when complete, so that a crash or a
    // failure never leaves a short table where the previous export was. A
    // folder that takes no new file is written in place, as before.
    AsideFile aside(target);
    const QString written = aside.created() ? aside.fileName() : name;
    // A file that could not be made afresh is never written into: an older
    // file of that name would otherwise receive the records a second time.
    bool created = true;
    try {
        m_dados.CreateDBFTable(folder, written);
    } catch (const Error&) {
        created = false;
    }
    if (!created || !QFile::exists(QDir(folder).filePath(written))) {
        reportNotCreated(folder, name);
        return;
    }
    THalcyonDataSet& dbf = m_dados.DBFTmp();
    bool failed = false;
    {
        OpenDbf open(dbf, folder, written);
        m_progress->setMaximum(table.rowCount());
        m_progress->setValue(0);
        const QList<ExchangeField> fields = exchangeFields(table.definition());
        dbf.BeginBulkAppend();
        qint64 number = 0;
        table.first();
        while (!CancelRequested && !table.eof()) {
            ++number;
            try {
                dbf.Insert();
                for (const ExchangeField& field : fields) {
                    const QVariant value = table.value(field.column);
                    if (!value.isNull()) {
                        dbf.FieldByName(field.name).SetAsVariant(value);
                    }
                }
                dbf.Post();
            } catch (const Error& error) {
                dbf.Cancel();
                failed = true;
                recordError(name + QStringLiteral(", registro ") + QString::number(number) +
                                QStringLiteral(": ") + engineErrorText(error),
                            table, Direction::Export);
            }
            m_progress->advance();
            m_progress->yield();
            table.next();
        }
        dbf.EndBulkAppend();
    }
    table.first();
    // A refused record keeps the previous file; a cancelled run puts what it
    // wrote in place, as the text exports do.
    if (aside.created() && !failed && !aside.commit()) {
        reportNotCreated(folder, name);
        return;
    }
    if (!CancelRequested) {
        addCompletion("Exportação de %1 registros para %2 concluída!", table.rowCount(), name);
    }
}

void ExchangeRun::ImportDBF(DataTable& table, const QString& folder) {
    const QString expected = ExchangeFileName(table.tableName(), QStringLiteral(".DBF"));
    const QString path = findExchangeFile(folder, expected);
    if (path.isEmpty()) {
        reportMissing(folder, expected);
        return;
    }
    const QString name = QFileInfo(path).fileName();
    THalcyonDataSet& dbf = m_dados.DBFTmp();
    {
        OpenDbf open(dbf, folder, name);
        ImportScope scope(m_dados.Conn(), table);
        if (OverwriteData) {
            EmptyTable(table);
        }
        m_progress->setMaximum(dbf.RecordCount());
        m_progress->setValue(0);
        // The file's fields that the table exchanges, in the file's order; other
        // fields are ignored, and table fields the file lacks keep their values.
        const QList<ExchangeField> exchanged = exchangeFields(table.definition());
        const QString keyName = exchanged.first().name;
        QList<std::pair<const THalcyonField*, int>> copies;
        for (int i = 0; i < dbf.FieldCount(); ++i) {
            for (const ExchangeField& target : exchanged) {
                if (target.name.compare(dbf.Fields(i).FieldName(), Qt::CaseInsensitive) == 0) {
                    copies.append({&dbf.Fields(i), target.column});
                    break;
                }
            }
        }
        auto assign = [&] {
            for (const auto& [field, column] : copies) {
                const QVariant value = field->AsVariant();
                // A numeric field of another program may be wider than the column.
                if (table.definition().columns[column].type == ColumnType::Money &&
                    std::abs(value.toDouble()) > kMaxAmount) {
                    throw FieldError(table.definition().columns[column].name, value.toString(),
                                     amountRangeReason());
                }
                table.setValue(column, value);
            }
        };
        const QString recordPrefix = name + QStringLiteral(", registro ");
        bool failed = false;
        RecordBatch records(m_dados.Conn(), recordsPerSavepoint());
        stopAtRefusal(records, table, recordPrefix, failed);
        dbf.First();
        while (!CancelRequested && !dbf.Eof()) {
            ++RecordsRead;
            failed |= !storeRecord(
                records, table, recordPrefix, dbf.RecNo(),
                [&] { return dbf.FieldByName(keyName).AsVariant().toString(); }, assign);
            m_progress->advance();
            m_progress->yield();
            dbf.Next();
        }
        records.finish();
        // As for text files: an emptied table is never left half filled.
        if (failed && OverwriteData && !CheckOnly) {
            scope.rollback();
        } else {
            scope.commit();
        }
        if (!CancelRequested) {
            addCompletion("Importação de %1 registros de %2 concluída!", dbf.RecordCount(), name);
        }
    }
    table.first();
}

}  // namespace ambitra
