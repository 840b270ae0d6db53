#include "common/Cp1252.h"
#include "common/Error.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "data/TDados.h"
#include "exchange/ExchangeRun.h"
#include "xbase/ExchangeLayouts.h"

#include <QDir>
#include <QSaveFile>

namespace ambitra {

namespace {

constexpr qsizetype kWriteBlock = 1 << 20;

void writeBlock(QSaveFile& file, QByteArray& buffer) {
    if (file.write(buffer) != buffer.size()) {
        throw Error(QStringLiteral("Erro na gravação do arquivo ") + file.fileName() +
                    QStringLiteral(". Exportação de dados não efetuada!"));
    }
    buffer.clear();
}

}  // namespace

void ExchangeRun::ExportSDF(DataTable& table, const QString& folder) {
    exportText(table, folder, TextFormat::Fixed);
}

void ExchangeRun::ExportTXT(DataTable& table, const QString& folder) {
    exportText(table, folder, TextFormat::Delimited);
}

void ExchangeRun::ExportCSV(DataTable& table, const QString& folder) {
    exportText(table, folder, TextFormat::Csv);
}

void ExchangeRun::exportText(DataTable& table, const QString& folder, TextFormat format) {
    const QString name = textFileName(table.tableName(), format);
    const TextLayout layout(format, exchangeFields(table.definition()), m_dados.settings());

    // Written aside and put in place when complete: a failed export never
    // leaves half a file where the previous one was.
    QSaveFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly)) {
        reportNotCreated(folder, name);
        return;
    }
    if (name.startsWith(QLatin1String("OPERADOR"))) {
        // Operators' passwords: readable by the owner only.
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    m_progress->setMaximum(table.rowCount());
    m_progress->setValue(0);

    QByteArray buffer;
    buffer.reserve(kWriteBlock + 4096);
    const QByteArray lineEnd("\r\n");
    if (format == TextFormat::Csv && CsvHeader) {
        cp1252::appendEncoded(buffer, layout.headerLine());
        buffer += lineEnd;
    }
    const QList<ExchangeField>& fields = layout.fields();
    QVariantList values(fields.size());
    QString line;
    table.first();
    while (!CancelRequested && !table.eof()) {
        for (int i = 0; i < fields.size(); ++i) {
            values[i] = table.value(fields[i].column);
        }
        line.resize(0);
        layout.appendLine(line, values);
        cp1252::appendEncoded(buffer, line);
        buffer += lineEnd;
        if (buffer.size() >= kWriteBlock) {
            writeBlock(file, buffer);
        }
        m_progress->advance();
        m_progress->yield();
        table.next();
    }
    writeBlock(file, buffer);
    if (!file.commit()) {
        throw Error(QStringLiteral("Erro na gravação do arquivo ") + withDelimiter(folder) + name +
                    QStringLiteral(". Exportação de dados não efetuada!"));
    }
    table.first();
    if (!CancelRequested) {
        addCompletion("Exportação de %1 registros para %2 concluída!", table.rowCount(), name);
    }
}

}  // namespace ambitra
