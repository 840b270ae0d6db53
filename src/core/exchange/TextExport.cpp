#include "core/common/AsideFile.h"
#include "core/common/Cp1252.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/data/TDados.h"
#include "core/exchange/ExchangeRun.h"
#include "core/xbase/ExchangeLayouts.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace ambitra {

namespace {

constexpr qsizetype kWriteBlock = 1 << 20;

void writeBlock(QFileDevice& file, QByteArray& buffer) {
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
    const QString path = QDir(folder).filePath(name);
    if (const QString unsafe = unsafeTargetReason(path); !unsafe.isEmpty()) {
        report(unsafe + QStringLiteral(" Exportação de dados não efetuada!"));
        return;
    }
    const TextLayout layout(format, exchangeFields(table.definition()), m_dados.settings());
    const QList<ExchangeField>& fields = layout.fields();
    QVariantList values(fields.size());
    auto readRecord = [&] {
        for (int i = 0; i < fields.size(); ++i) {
            values[i] = table.value(fields[i].column);
        }
    };
    // A record the layout cannot carry stops the export, so that no file is
    // written that would read back as something else.
    qint64 number = 0;
    auto refused = [&] {
        const QString problem = layout.unwritable(values);
        if (problem.isEmpty()) {
            return false;
        }
        recordError(name + QStringLiteral(", registro %1 (").arg(number) + fields.first().name +
                        QStringLiteral(" '") + values.first().toString() + QStringLiteral("'), ") +
                        problem,
                    table, Direction::Export);
        return true;
    };

    // Written aside and put in place when complete: a failed export never
    // leaves half a file where the previous one was.
    QSaveFile saved(path);
    QFile inPlace(path);
    QFileDevice* file = &saved;
    if (!saved.open(QIODevice::WriteOnly)) {
        // A folder may let its files be replaced but refuse a new one, the
        // temporary file included (the dBase export writes in place there).
        // Then the file is overwritten in place, once every record is known to
        // be writable, so that a refused record leaves the old file whole.
        table.first();
        for (number = 1; !table.eof(); ++number, table.next()) {
            readRecord();
            if (refused()) {
                table.first();
                return;
            }
        }
        if (!QFile::exists(path) || !inPlace.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            reportNotCreated(folder, name);
            return;
        }
        file = &inPlace;
    }
    // Readable by the owner only: the register's data, and the operators'
    // passwords in OPERADOR.
    file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_progress->setMaximum(table.rowCount());
    m_progress->setValue(0);

    QByteArray buffer;
    buffer.reserve(kWriteBlock + 4096);
    const QByteArray lineEnd("\r\n");
    if (format == TextFormat::Csv && CsvHeader) {
        cp1252::appendEncoded(buffer, layout.headerLine());
        buffer += lineEnd;
    }
    QString line;
    number = 0;
    table.first();
    while (!CancelRequested && !table.eof()) {
        ++number;
        readRecord();
        if (refused()) {
            saved.cancelWriting();
            table.first();
            return;
        }
        line.resize(0);
        layout.appendLine(line, values);
        cp1252::appendEncoded(buffer, line);
        buffer += lineEnd;
        if (buffer.size() >= kWriteBlock) {
            writeBlock(*file, buffer);
        }
        m_progress->advance();
        m_progress->yield();
        table.next();
    }
    writeBlock(*file, buffer);
    const bool written = file == &saved ? saved.commit() : inPlace.flush();
    if (!written) {
        throw Error(QStringLiteral("Erro na gravação do arquivo ") + withDelimiter(folder) + name +
                    QStringLiteral(". Exportação de dados não efetuada!"));
    }
    table.first();
    if (!CancelRequested) {
        addCompletion("Exportação de %1 registros para %2 concluída!", table.rowCount(), name);
    }
}

}  // namespace ambitra
