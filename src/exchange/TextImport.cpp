#include "common/Cp1252.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "data/TDados.h"
#include "exchange/ExchangeRun.h"
#include "xbase/ExchangeLayouts.h"
#include "exchange/ImportScope.h"

#include <QDir>
#include <QFile>

namespace ambitra {

namespace {

// Reads a file line by line in large blocks. A line ends at LF; a CR before
// the LF is not part of it.
class LineReader {
  public:
    explicit LineReader(QFile& file) : m_file(file) {}

    // The next line and the bytes it took without its end; false at the end.
    bool next(QByteArray& line) {
        for (;;) {
            const qsizetype lf = m_block.indexOf('\n', m_pos);
            if (lf >= 0) {
                take(line, lf);
                m_pos = lf + 1;
                return true;
            }
            if (m_atEnd) {
                if (m_pos >= m_block.size()) {
                    return false;
                }
                take(line, m_block.size());
                m_pos = m_block.size();
                return true;
            }
            refill();
        }
    }

  private:
    void take(QByteArray& line, qsizetype end) {
        qsizetype stop = end;
        if (stop > m_pos && m_block[stop - 1] == '\r') {
            --stop;
        }
        line = m_block.mid(m_pos, stop - m_pos);
    }

    void refill() {
        m_block.remove(0, m_pos);
        m_pos = 0;
        const QByteArray more = m_file.read(1 << 20);
        if (more.isEmpty()) {
            m_atEnd = true;
        }
        m_block += more;
    }

    QFile& m_file;
    QByteArray m_block;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
};

}  // namespace

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
    const QString path = QDir(folder).filePath(name);
    if (!QFile::exists(path)) {
        reportMissing(folder, name);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
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
    LineReader reader(file);
    QByteArray bytes;
    bool firstLine = true;
    while (!CancelRequested && reader.next(bytes)) {
        const QString line = cp1252::decode(bytes);
        const bool isHeader = firstLine && !header.isEmpty() && line == header;
        firstLine = false;
        if (!line.isEmpty() && !isHeader) {
            const QStringList values = layout.readValues(line);
            const bool stored = storeRecord(
                table, [&] { return values.first(); },
                [&] {
                    for (int i = 0; i < fields.size(); ++i) {
                        table.setValue(fields[i].column, TextLayout::toValue(fields[i], values[i]));
                    }
                });
            if (stored) {
                ++count;
            }
        }
        m_progress->advance(bytes.size() + 2);
        m_progress->yield();
    }
    scope.commit();
    if (!CancelRequested) {
        addCompletion("Importação de %1 registros de %2 concluída!", count, name);
    }
    table.first();
}

}  // namespace ambitra
