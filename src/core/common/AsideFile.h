#pragma once

#include <QString>

namespace ambitra {

// A whole file written under a temporary name beside its target and renamed
// over it once complete, for writers that cannot go through QSaveFile (the
// dBase tables are written by name). A crash or a failure part-way leaves the
// previous file whole; the temporary file is removed unless committed.
class AsideFile {
  public:
    // Creates the temporary file (empty, new, never through a link, readable
    // and writable by its owner alone): its name starts with the target's name,
    // so the layout chosen by name is the same.
    explicit AsideFile(const QString& target);
    ~AsideFile();
    AsideFile(const AsideFile&) = delete;
    AsideFile& operator=(const AsideFile&) = delete;

    // False when the folder refused a new file: the caller may write in place.
    bool created() const { return !m_temp.isEmpty(); }
    // The temporary file's name, without its folder.
    QString fileName() const;
    // The temporary file's path.
    const QString& path() const { return m_temp; }
    // Puts the file in place; false (the target untouched) when that failed.
    bool commit();

  private:
    QString m_target;
    QString m_temp;
};

// Why a file of a folder others may write into must not be written: it is a
// symbolic link (which would redirect the write to any file the user may
// change) or it belongs to another user. Empty when the path is safe to
// replace or does not exist.
QString unsafeTargetReason(const QString& path);

}  // namespace ambitra
