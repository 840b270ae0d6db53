#include "core/exchange/TextImport.h"

#include "core/common/Progress.h"
#include "core/data/ReadAhead.h"
#include "core/data/TDados.h"
#include "core/exchange/ExchangeRun.h"
#include "core/xbase/ExchangeLayouts.h"
#include "core/exchange/ImportScope.h"
#include "core/exchange/TextFileReader.h"

#include <QFile>
#include <QFileInfo>

namespace ambitra {

void TextImport::importTable(DataTable& table, const QString& folder, TextFormat format) {
    Progress& progress = m_run.progress();
    const QString name = textFileName(table.tableName(), format);
    const QString path = findExchangeFile(folder, name);
    if (path.isEmpty()) {
        m_run.reportMissing(folder, name);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    // Messages name the file as it is in the folder.
    const QString shownName = QFileInfo(path).fileName();
    const TextLayout layout(format, exchangeFields(table.definition()), m_run.dados().settings());
    const QList<ExchangeField>& fields = layout.fields();
    // A header line as the export writes it is not a record.
    const QString header = format == TextFormat::Csv ? layout.headerLine() : QString();

    ImportScope scope(m_run, table, shownName + QStringLiteral(", linha "));
    progress.setMaximumBytes(file.size());
    progress.setValue(0);
    qint64 count = 0;
    TextFileReader reader(file);
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
    while (!m_run.CancelRequested) {
        const Line* line = ahead.next();
        if (line == nullptr) {
            break;
        }
        const Line& current = *line;
        if (current.isRecord) {
            ++m_run.RecordsRead;
            const QStringList& values = current.values;
            const bool stored = scope.store(
                current.number, [&] { return values.first(); },
                [&] {
                    for (int i = 0; i < fields.size(); ++i) {
                        table.setValue(fields[i].column,
                                       layout.toValue(fields[i], values[i], current.amountWidth));
                    }
                });
            if (stored) {
                ++count;
            }
        }
        progress.advance(current.bytes);
        progress.yield();
    }
    scope.finish(count, shownName);
}

}  // namespace ambitra
