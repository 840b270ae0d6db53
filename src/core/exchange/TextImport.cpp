#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/data/ReadAhead.h"
#include "core/data/RecordBatch.h"
#include "core/data/TDados.h"
#include "core/exchange/ExchangeRun.h"
#include "core/xbase/ExchangeLayouts.h"
#include "core/exchange/ImportScope.h"
#include "core/exchange/TextFileReader.h"

#include <QFile>
#include <QFileInfo>

namespace ambitra {

void ExchangeRun::ImportSDF(DataTable& table, const QString& folder) {
    importText(table, folder, TextFormat::Fixed);
}

void ExchangeRun::ImportTXT(DataTable& table, const QString& folder) {
    importText(table, folder, TextFormat::Delimited);
}

void ExchangeRun::ImportCSV(DataTable& table, const QString& folder) {
    importText(table, folder, TextFormat::Csv);
}

void ExchangeRun::importText(DataTable& table, const QString& folder, TextFormat format) {
    const QString name = textFileName(table.tableName(), format);
    const QString path = findExchangeFile(folder, name);
    if (path.isEmpty()) {
        reportMissing(folder, name);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    // Messages name the file as it is in the folder.
    const QString shownName = QFileInfo(path).fileName();
    const TextLayout layout(format, exchangeFields(table.definition()), m_dados.settings());
    const QList<ExchangeField>& fields = layout.fields();
    // A header line as the export writes it is not a record.
    const QString header = format == TextFormat::Csv ? layout.headerLine() : QString();

    ImportScope scope(m_dados.Conn(), table);
    if (OverwriteData) {
        EmptyTable(table);
    }
    m_progress->setMaximumBytes(file.size());
    m_progress->setValue(0);
    qint64 count = 0;
    bool failed = false;
    TextFileReader reader(file);
    const QString linePrefix = shownName + QStringLiteral(", linha ");
    RecordBatch records(m_dados.Conn(), recordsPerSavepoint());
    stopAtRefusal(records, table, linePrefix, failed);
    // Lines are read a batch ahead, so that the rows their records edit are read
    // together rather than one at a time (each a round trip to a server).
    struct Line {
        int number = 0;
        qint64 bytes = 0;
        bool isRecord = false;
        QStringList values;
        int amountWidth = 0;
    };
    ReadAhead<Line> ahead(table, [&](Line& read, QString& key) {
        QString text;
        if (!reader.next(text, read.bytes)) {
            return false;
        }
        read.number = reader.lineNumber();
        const bool isHeader = read.number == 1 && !header.isEmpty() && text == header;
        read.isRecord = !isHeader && !isBlankLine(text);
        read.amountWidth = 0;
        read.values = read.isRecord ? layout.readValues(text, &read.amountWidth) : QStringList();
        if (read.isRecord) {
            key = read.values.first();
        }
        return true;
    });
    while (!CancelRequested) {
        const Line* line = ahead.next();
        if (line == nullptr) {
            break;
        }
        const Line& current = *line;
        if (current.isRecord) {
            ++RecordsRead;
            const QStringList& values = current.values;
            const bool stored = storeRecord(
                records, table, linePrefix, current.number, [&] { return values.first(); },
                [&] {
                    for (int i = 0; i < fields.size(); ++i) {
                        table.setValue(fields[i].column,
                                       layout.toValue(fields[i], values[i], current.amountWidth));
                    }
                });
            if (stored) {
                ++count;
            } else {
                failed = true;
            }
        }
        m_progress->advance(current.bytes);
        m_progress->yield();
    }
    records.finish();
    // Emptied and then stopped by an error, the table would hold neither what
    // it held nor what the file holds: the whole file is undone.
    if (failed && OverwriteData && !CheckOnly) {
        scope.rollback();
    } else {
        scope.commit();
    }
    if (!CancelRequested) {
        addCompletion("Importação de %1 registros de %2 concluída!", count, shownName);
    }
    table.first();
}

}  // namespace ambitra
