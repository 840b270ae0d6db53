#include "core/sync/SyncCycle.h"

#include "core/common/SystemFolders.h"
#include "core/common/Error.h"
#include "core/common/FileAccess.h"
#include "core/common/Prompter.h"
#include "core/count/CountStore.h"
#include "core/data/DataTable.h"
#include "core/data/TDados.h"
#include "core/sync/HandheldLoad.h"
#include "core/sync/HotSyncControl.h"
#include "core/sync/InventoryUnload.h"
#include "core/sync/LocationCheckList.h"
#include "core/sync/ReceivedCopy.h"
#include "core/common/SyncLog.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ambitra {

namespace {

const QString kRequestFile = QStringLiteral("COMUNICA.DBF");
const QString kOperatorsFile = QStringLiteral("OPERADOR.DBF");
const QString kLocationsFile = QStringLiteral("LOCAIS.DBF");
const QString kAssetsFile = QStringLiteral("BENS.DBF");

QString upperFileName(const QString& path) {
    return QFileInfo(path).fileName().toUpper();
}

// Whether the file or folder belongs to another user of this machine.
bool foreign(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && info.st_uid != ::geteuid();
#else
    Q_UNUSED(path);
    return false;
#endif
}

// A folder only its owner may enter: other users of the shared temporary folder
// can neither read the exchange files nor put their own in their place.
bool makePrivateDir(const QString& path) {
#ifdef Q_OS_UNIX
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0;
#else
    return QDir().mkdir(path);
#endif
}

void open(DataTable& table) {
    if (table.isOpen()) {
        table.requery();
    } else {
        table.open();
    }
}

}  // namespace

SyncCycle::SyncCycle(TDados& dados, HotSyncControl& control, const LocationCheckList& locations,
                     SyncLog& log, Progress& progress, QObject* parent)
    : QObject(parent),
      m_dados(dados),
      m_control(control),
      m_locations(locations),
      m_log(log),
      m_progress(progress) {
    connect(&control, &HotSyncControl::OnHotSyncStatus, this, [this](int statusCode, int param) {
        // Nothing may escape into the control: the error is shown and the cycle
        // goes on with the next event.
        reportErrors(m_dados.prompter(), [&] { HotSyncStatus(statusCode, param); });
        if (statusCode == HotSyncControl::kCycleEnd) {
            emit cycleFinished();
        }
    });
}

QString SyncCycle::BaseFolder(const QString& appDir) {
    // The program's folder plays the part of the drive the HotSync folders are on.
    for (const char* name : {"Pilot", "Palm"}) {
        const QString folder = QDir(appDir).filePath(QString::fromLatin1(name));
        if (QFileInfo(folder).isDir()) {
            return folder;
        }
    }
    QString temp = GetTempDir();
    while (temp.size() > 1 && (temp.endsWith(u'/') || temp.endsWith(u'\\'))) {
        temp.chop(1);
    }
    return temp;
}

QString SyncCycle::UserFolder(const QString& userName) {
    int position = 0;
    int flags = 0;
    QString name;
    QString folder;
    if (!m_control.Enabled() || m_control.FirstUser(position, name, folder, flags) <= 0) {
        return {};
    }
    for (;;) {
        if (name == userName) {
            return folder.trimmed();
        }
        if (m_control.NextUser(position, name, folder, flags) == 0) {
            return {};
        }
    }
}

void SyncCycle::HotSyncStatus(int statusCode, int param) {
    switch (statusCode) {
        case HotSyncControl::kCycleStart:
            cycleStart();
            break;
        case HotSyncControl::kTransferDone:
            if (param == 1) {
                transferSucceeded();
            } else {
                transferFailed();
            }
            break;
        case HotSyncControl::kCycleEnd:
            cycleEnd();
            break;
        default:
            break;
    }
}

QString SyncCycle::exchangePath(const QString& fileName) const {
    return m_handheldDir + u'/' + fileName;
}

void SyncCycle::send(const QString& fileName) {
    m_control.SendFile(exchangePath(fileName), QString::fromLatin1(kCreatorCode),
                       QString::fromLatin1(kTransferLibrary), 0, kAppVerMajor, kAppVerMinor);
}

void SyncCycle::receive(const QString& fileName) {
    m_control.ReceiveFile(exchangePath(fileName), QString::fromLatin1(kCreatorCode),
                          QString::fromLatin1(kTransferLibrary), 0, kAppVerMajor, kAppVerMinor);
}

void SyncCycle::makeHandheldDir(const QString& base) {
    if (!m_sharedBase) {
        if (!makePrivatePath(m_handheldDir)) {
            throw Error(QStringLiteral("Não foi possível criar a pasta ") +
                        QDir::toNativeSeparators(m_handheldDir) + u'.');
        }
        return;
    }
    // Under the shared temporary folder every level is created for this user only,
    // and a level that another user made is never used.
    QString path = base;
    const QStringList levels = m_handheldDir.mid(base.size()).split(u'/', Qt::SkipEmptyParts);
    for (const QString& level : levels) {
        path += u'/' + level;
        if (!QFileInfo::exists(path) && !makePrivateDir(path)) {
            throw Error(QStringLiteral("Não foi possível criar a pasta ") +
                        QDir::toNativeSeparators(path) + u'.');
        }
        if (foreign(path) || !QFileInfo(path).isDir() || QFileInfo(path).isSymLink()) {
            throw Error(QStringLiteral("A pasta ") + QDir::toNativeSeparators(path) +
                        QStringLiteral(" pertence a outro usuário e não será usada."));
        }
    }
}

void SyncCycle::requireOwnFile(const QString& path) const {
    if (m_sharedBase && foreign(path)) {
        throw Error(QStringLiteral("O arquivo ") + QDir::toNativeSeparators(path) +
                    QStringLiteral(" pertence a outro usuário e não será lido."));
    }
}

void SyncCycle::cycleStart() {
    m_cycleEnded = false;
    const QString user = m_control.PilotUserName();
    m_log.append(QStringLiteral("> Iniciando sincronização do Palm ") + user +
                 QStringLiteral("..."));
    const QString base = BaseFolder(m_dados.AppDir());
    m_sharedBase = !base.startsWith(QDir(m_dados.AppDir()).absolutePath());
    // An empty user folder name puts SatFormsEE directly into the base folder.
    m_userFolder = UserFolder(user);
    m_handheldDir = QDir::cleanPath(base + u'/' + m_userFolder + QStringLiteral("/SatFormsEE"));
    makeHandheldDir(base);
    receive(kRequestFile);
    m_inventoryReceived = false;
}

void SyncCycle::transferSucceeded() {
    const int kind = m_control.CmdType();
    const QString path = m_control.CmdFilename();
    QString text = QStringLiteral("> Arquivo ") + path;
    if (kind == HotSyncControl::kSent || kind == HotSyncControl::kSentAlso) {
        text += QStringLiteral(" enviado ao Palm com sucesso.");
    } else if (kind == HotSyncControl::kReceived) {
        text += QStringLiteral(" recebido do Palm com sucesso. ");
    }
    m_log.append(text);
    if (kind != HotSyncControl::kReceived) {
        return;
    }
    const QString name = upperFileName(path);
    if (name == kRequestFile) {
        answerRequest();
    } else if (name == kAssetsFile) {
        m_inventoryReceived = true;
    }
}

QString SyncCycle::markRequestAnswered() {
    THalcyonDataSet& dbf = m_dados.DBFTmp();
    dbf.Close();
    requireOwnFile(exchangePath(kRequestFile));
    dbf.SetDatabaseName(m_handheldDir);
    dbf.SetTableName(kRequestFile);
    dbf.Open();
    QString operation;
    try {
        if (!dbf.IsEmpty()) {
            dbf.First();
            operation = dbf.FieldByName(QStringLiteral("OPERACAO")).AsString().toUpper();
            try {
                dbf.Edit();
                dbf.FieldByName(QStringLiteral("OPERACAO")).SetAsString(QStringLiteral("X"));
                dbf.FieldByName(QStringLiteral("ARQUIVO")).SetAsString(QStringLiteral("*"));
                dbf.Post();
            } catch (const Error& error) {
                dbf.Cancel();
                m_log.appendError(QStringLiteral("> ") + error.message());
            }
        }
    } catch (...) {
        dbf.Close();
        throw;
    }
    dbf.Close();
    return operation;
}

void SyncCycle::answerRequest() {
    const QString operation = markRequestAnswered();
    if (operation == QLatin1String("C")) {
        m_log.append(QStringLiteral("> Carga de arquivos solicitada pelo usuário..."));
        HandheldLoad load(m_dados, m_locations, m_log, m_progress);
        QList<SentAsset> sent;
        load.collectSentAssets(&sent);
        {
            // The three files from one view of the register: an import that
            // another program commits meanwhile reaches the handheld whole or
            // not at all.
            ReadSnapshot snapshot(m_dados.Conn());
            for (DataTable* table :
                 {&m_dados.TOperadores(), &m_dados.TLocais(), &m_dados.TBens()}) {
                open(*table);
                load.ExportForHandheld(*table, m_handheldDir);
            }
        }
        openCount(sent);
        send(kOperatorsFile);
        send(kLocationsFile);
        send(kAssetsFile);
    } else if (operation == QLatin1String("D")) {
        m_log.append(QStringLiteral("> Descarga de inventário solicitada pelo usuário..."));
        receive(kAssetsFile);
    } else {
        m_log.append(QStringLiteral("> Nenhuma operação solicitada pelo usuário!"));
    }
    send(kRequestFile);
}

void SyncCycle::openCount(const QList<SentAsset>& sent) {
    if (!m_dados.CountsAvailable()) {
        return;
    }
    QStringList marked;
    for (int i = 0; i < m_locations.count(); ++i) {
        if (m_locations.item(i).checked) {
            // The code is the first part of the line, padded with blanks.
            QString code = m_locations.item(i).text.left(5);
            while (code.endsWith(u' ')) {
                code.chop(1);
            }
            marked << code;
        }
    }
    try {
        QStringList notes;
        CountStore(m_dados).openCount(m_control.PilotUserName(), marked, sent, &notes);
        for (const QString& note : notes) {
            m_log.append(note);
        }
    } catch (const Error& error) {
        // The handheld gets its load all the same; only the count is missing.
        m_log.appendError(QStringLiteral("> ") + error.message());
    }
}

void SyncCycle::transferFailed() {
    const QString path = m_control.CmdFilename();
    QString text;
    switch (m_control.CmdType()) {
        case HotSyncControl::kSent:
            text = QStringLiteral("Falha enviando ao Palm o arquivo ");
            break;
        case HotSyncControl::kReceived:
            text = QStringLiteral("Falha recebendo do Palm o arquivo ");
            // A stale file of that name must never be taken for the one that failed.
            if (QFileInfo::exists(path)) {
                QFile::remove(path);
            }
            break;
        default:
            break;
    }
    m_log.append(QStringLiteral("> ") + text + path + u'.');
}

void SyncCycle::cycleEnd() {
    m_cycleEnded = true;
    if (m_inventoryReceived) {
        requireOwnFile(exchangePath(kAssetsFile));
        try {
            ReceivedCopy::keep(m_dados.AppDir(), m_userFolder, exchangePath(kAssetsFile));
        } catch (const Error& error) {
            // The readings are still applied; only the spare copy is missing.
            m_log.appendError(QStringLiteral("> ") + error.message());
        }
        InventoryUnload unload(m_dados, m_log, m_progress);
        unload.ProcessInventory(m_control.PilotUserName(), m_handheldDir);
    }
    m_log.append(
        QStringLiteral("\r\n> Sincronização encerrada. Aguardando um \"novo\" HotSync® ...\r\n"));
}

}  // namespace ambitra
