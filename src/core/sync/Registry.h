#pragma once

#include "core/data/IniFile.h"

#include <QString>

#include <functional>
#include <optional>

namespace ambitra {

// The per-user registry of the desktop: keys named by their paths
// ("Software\\...\\Application0"), each holding named values. Integer values are
// kept as decimal text.
class Registry {
  public:
    virtual ~Registry() = default;

    virtual bool hasKey(const QString& key) const = 0;
    virtual std::optional<QString> value(const QString& key, const QString& name) const = 0;
    virtual void setValue(const QString& key, const QString& name, const QString& value) = 0;
    virtual void removeKey(const QString& key) = 0;

    // Runs work as one change: other programs changing the registry wait until it
    // is done, and they see all of it or nothing.
    virtual void atomically(const std::function<void(Registry&)>& work) = 0;

    // An integer value; nullopt when missing. A value that is not an integer
    // raises an Error naming the key and value.
    std::optional<qint64> integer(const QString& key, const QString& name) const;
};

// The registry as a sectioned text file: one section per key, named by its path.
// Each read sees the file as it is now; each change (or atomically() block) takes
// the file's lock, reads it, changes it and replaces it whole.
class IniRegistry : public Registry {
  public:
    explicit IniRegistry(QString path);

    // The user's registry file: ambitra/registry.ini in the user's configuration
    // folder ($XDG_CONFIG_HOME, by default ~/.config).
    static QString userRegistryPath();

    const QString& path() const { return m_path; }

    bool hasKey(const QString& key) const override;
    std::optional<QString> value(const QString& key, const QString& name) const override;
    void setValue(const QString& key, const QString& name, const QString& value) override;
    void removeKey(const QString& key) override;
    void atomically(const std::function<void(Registry&)>& work) override;

  private:
    const IniFile& current() const;
    void save() const;

    QString m_path;
    mutable IniFile m_file;
    bool m_inChange = false;
};

}  // namespace ambitra
