#include "core/sync/InventoryUnload.h"

#include "core/common/Plural.h"
#include "core/common/Error.h"
#include "core/common/Progress.h"
#include "core/common/Prompter.h"
#include "core/common/SyncLog.h"
#include "core/count/CountStore.h"
#include "core/count/Reading.h"
#include "core/data/DataTable.h"
#include "core/data/TDados.h"
#include "core/xbase/ExchangeLayouts.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ambitra {

InventoryUnload::InventoryUnload(TDados& dados, SyncLog& log, Progress& progress)
    : m_dados(dados), m_log(log), m_progress(progress), m_applier(dados, log, progress) {}

void InventoryUnload::ProcessInventory(const QString& userName, const QString& folder) {
    ProcessFile(userName, QDir(folder).filePath(ExchangeFileName(QStringLiteral("Bens"))));
}

void InventoryUnload::ProcessFile(const QString& userName, const QString& path) {
    BusyGuard busy(m_progress);
    m_completed = false;
    m_log.append(QStringLiteral("> Processando dados descarregados do Palm..."));
    auto fileError = [&](const QString& reason) {
        m_dados.prompter().beep();
        m_log.appendError(QStringLiteral("   Erro no arquivo ") + QDir::toNativeSeparators(path) +
                          reason + QStringLiteral(". Processamento de dados não efetuado!"));
    };
    const QFileInfo info(path);
    if (!info.exists()) {
        fileError(QString());
        return;
    }
    if (info.isDir()) {
        fileError(QStringLiteral(": é uma pasta, não um arquivo"));
        return;
    }
    DataTable& bens = m_dados.TBens();
    bens.openOrRequery();
    THalcyonDataSet& dbf = m_dados.DBFTmp();
    dbf.Close();
    dbf.SetDatabaseName(info.absolutePath());
    dbf.SetTableName(info.fileName());
    try {
        dbf.Open();
    } catch (const Error&) {
        // The table layer's own texts say little to the user: say which of the
        // two it is.
        QFile probe(path);
        fileError(
            probe.open(QIODevice::ReadWrite)
                ? QStringLiteral(": não é uma tabela dBase válida")
                : QStringLiteral(": o usuário não tem permissão para ler e gravar o arquivo"));
        return;
    }
    if (dbf.Active()) {
        processRecords(userName);
        dbf.Close();
    }
    bens.first();
}

void InventoryUnload::processRecords(const QString& userName) {
    THalcyonDataSet& dbf = m_dados.DBFTmp();
    m_applier.clearCounts();
    const bool review = m_dados.settings().Review;
    ReturnedRecords records(dbf, m_progress);
    records.setIds(m_ids);
    auto fromFile = [&records](Reading& reading) { return records.next(reading); };
    m_progress.setMaximum(dbf.RecordCount());
    m_progress.setValue(0);
    if (!m_dados.CountsAvailable()) {
        if (review) {
            // Applying now would skip the review the user asked for; the copy
            // kept under Recebidos can be applied once the option is off.
            m_log.appendError(
                QStringLiteral("> As leituras não foram aplicadas: a conferência de leituras "
                               "precisa das tabelas de contagem, que este banco de dados não "
                               "tem."));
            return;
        }
        m_applier.applyReturned(userName, fromFile, false);
        m_completed = m_applier.completed();
        return;
    }
    if (review) {
        const StoredBatch batch = CountStore(m_dados).storeReadings(
            records, userName, m_dados.settings().CodeBar, m_progress);
        m_log.append(
            QStringLiteral("   %1 aguardando conferência.")
                .arg(countOf(batch.size(), QStringLiteral("leitura"), QStringLiteral("leituras"))));
        m_completed = true;
        return;
    }
    m_applier.applyReturned(userName, fromFile, true);
    m_completed = m_applier.completed();
}

}  // namespace ambitra
