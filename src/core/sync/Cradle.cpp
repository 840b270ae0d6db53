#include "core/sync/Cradle.h"

#include "core/common/Error.h"
#include "core/sync/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace ambitra {

namespace {

const QString kName = QStringLiteral("Name");
const QString kFolder = QStringLiteral("Folder");

// A folder name for a user: characters a folder name cannot hold become "_".
QString folderNameFor(const QString& userName) {
    QString name = userName.trimmed();
    for (QChar& ch : name) {
        if (ch == u'/' || ch == u'\\' || ch == u':' || ch.unicode() < 0x20) {
            ch = u'_';
        }
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        name = QStringLiteral("Usuario");
    }
    return name;
}

// Copies source over target so that target is either the old file or the whole
// new one.
bool copyOver(const QString& source, const QString& target) {
    if (!QFileInfo(source).isFile()) {
        return false;
    }
    const QString partial = target + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(source, partial)) {
        return false;
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        return false;
    }
    return true;
}

}  // namespace

QString Cradle::userKey(int index) {
    return QStringLiteral("Software\\U.S. Robotics\\Pilot Desktop\\Users\\User%1").arg(index);
}

Cradle::Cradle(Registry& registry, QObject* parent)
    : HotSyncControl(parent), m_registry(registry) {}

int Cradle::FirstUser(int& position, QString& userName, QString& userFolder, int& flags) {
    position = 0;
    return NextUser(position, userName, userFolder, flags);
}

int Cradle::NextUser(int& position, QString& userName, QString& userFolder, int& flags) {
    const QString key = userKey(position);
    if (!m_registry.hasKey(key)) {
        return 0;
    }
    userName = m_registry.value(key, kName).value_or(QString());
    userFolder = m_registry.value(key, kFolder).value_or(QString());
    flags = 0;
    ++position;
    return position;
}

void Cradle::registerUser(const QString& userName) {
    // Known users cost one read; only a new one takes the lock and writes.
    for (int index = 0; m_registry.hasKey(userKey(index)); ++index) {
        if (m_registry.value(userKey(index), kName) == userName) {
            return;
        }
    }
    m_registry.atomically([&](Registry& registry) {
        int index = 0;
        for (; registry.hasKey(userKey(index)); ++index) {
            if (registry.value(userKey(index), kName) == userName) {
                return;
            }
        }
        registry.setValue(userKey(index), kName, userName);
        registry.setValue(userKey(index), kFolder, folderNameFor(userName));
    });
}

void Cradle::SendFile(const QString& path, const QString&, const QString&, int, int, int) {
    m_queue.append({true, path});
}

void Cradle::ReceiveFile(const QString& path, const QString&, const QString&, int, int, int) {
    m_queue.append({false, path});
}

QString Cradle::deviceFile(const QString& path) const {
    const QString name = QFileInfo(path).fileName();
    const QDir device(m_deviceDir);
    if (QFileInfo(device.filePath(name)).isFile()) {
        return device.filePath(name);
    }
    // The handheld keeps its tables under names in any letter case.
    for (const QString& entry : device.entryList(QDir::Files)) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return device.filePath(entry);
        }
    }
    return device.filePath(name);
}

bool Cradle::carryOut(const Transfer& transfer) const {
    if (transfer.send) {
        // The device's own file of that name, whatever its letter case, is replaced.
        return copyOver(transfer.path, deviceFile(transfer.path));
    }
    return copyOver(deviceFile(transfer.path), transfer.path);
}

void Cradle::runCycle(const QString& userName, const QString& deviceDir) {
    if (!m_enabled) {
        throw Error(QStringLiteral(
            "Suporte HotSync desativado no computador: pressione \"Ativar\" na janela "
            "Sincronização e tente de novo."));
    }
    if (m_running) {
        throw Error(QStringLiteral("Uma sincronização já está em andamento."));
    }
    if (!QFileInfo(deviceDir).isDir()) {
        throw Error(QStringLiteral("Pasta do dispositivo %1 não encontrada.")
                        .arg(QDir::toNativeSeparators(deviceDir)));
    }
    registerUser(userName);
    m_running = true;
    // Handlers are not meant to throw; if one does, the next cycle may still run.
    const auto done = qScopeGuard([this] { m_running = false; });
    m_userName = userName;
    m_deviceDir = deviceDir;
    m_queue.clear();
    m_cmdType = 0;
    m_cmdFilename.clear();
    emit OnHotSyncStatus(kCycleStart, 0);
    // Handlers add transfers while they run; each is carried out in order.
    while (!m_queue.isEmpty()) {
        const Transfer transfer = m_queue.takeFirst();
        const bool ok = carryOut(transfer);
        m_cmdType = transfer.send ? kSent : kReceived;
        m_cmdFilename = transfer.path;
        emit OnHotSyncStatus(kTransferDone, ok ? 1 : 0);
    }
    emit OnHotSyncStatus(kCycleEnd, 0);
}

}  // namespace ambitra
