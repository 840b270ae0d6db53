#include "core/sync/Registry.h"

#include "core/common/Error.h"
#include "core/common/FileAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace ambitra {

std::optional<qint64> Registry::integer(const QString& key, const QString& name) const {
    const std::optional<QString> text = value(key, name);
    if (!text) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 number = text->trimmed().toLongLong(&ok);
    if (!ok) {
        throw Error(
            QStringLiteral("Valor \"%1\" da chave %2 não é um número inteiro.").arg(name, key));
    }
    return number;
}

IniRegistry::IniRegistry(QString path) : m_path(std::move(path)) {}

QString IniRegistry::userRegistryPath() {
    // GenericConfigLocation follows XDG_CONFIG_HOME and falls back to ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ambitra/registry.ini");
}

const IniFile& IniRegistry::current() const {
    if (!m_inChange) {
        m_file = IniFile::load(m_path);
    }
    return m_file;
}

bool IniRegistry::hasKey(const QString& key) const {
    return current().hasSection(key);
}

std::optional<QString> IniRegistry::value(const QString& key, const QString& name) const {
    return current().value(key, name);
}

void IniRegistry::setValue(const QString& key, const QString& name, const QString& value) {
    atomically([&](Registry&) { m_file.setValue(key, name, value); });
}

void IniRegistry::removeKey(const QString& key) {
    atomically([&](Registry&) { m_file.removeSection(key); });
}

void IniRegistry::save() const {
    // A new file is its owner's alone whatever the mask.
    QSaveFile file(m_path);
    const bool isNew = !QFileInfo::exists(m_path);
    if (!file.open(QIODevice::WriteOnly) ||
        (isNew && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) ||
        file.write(m_file.toBytes()) < 0 || !file.commit()) {
        throw Error(QStringLiteral("Não foi possível gravar o registro %1.")
                        .arg(QDir::toNativeSeparators(m_path)));
    }
}

void IniRegistry::atomically(const std::function<void(Registry&)>& work) {
    if (m_inChange) {
        work(*this);
        return;
    }
    makePrivatePath(QFileInfo(m_path).absolutePath());
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(30000);
    if (!lock.tryLock(10000)) {
        throw Error(QStringLiteral("O registro %1 está em uso por outro programa.")
                        .arg(QDir::toNativeSeparators(m_path)));
    }
    m_file = IniFile::load(m_path);
    m_inChange = true;
    try {
        work(*this);
    } catch (...) {
        m_inChange = false;
        throw;
    }
    m_inChange = false;
    save();
}

}  // namespace ambitra
