#pragma once

#include "core/common/AsideFile.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>

namespace ambitra {

class Prompter;

// The program's own files, which no report, list or label file may replace: the
// register with its journals, the settings file, and every file of the folders
// named (the received readings).
struct OwnFiles {
    QStringList files;
    QStringList folders;
};

// Why the file the user named must not be written: no name, one of the program's
// own files (by its folder and name, or the same file reached through another
// name or a hard link), a symbolic link, a folder, device or other file that is
// not a plain one, or a file of another user. Empty when it may be written.
QString outputFileRefusal(const QString& path, const OwnFiles& own);

// Asks before a file the user named replaces one that is there: true when there
// is none or the user agrees. Not for a name just chosen in a save dialog, which
// has asked already.
bool mayReplace(const QString& path, Prompter& prompter);
// What the user is told once a file is written: "<what> gravado em <file>."
QString writtenText(const QString& what, const QString& path);

// A file the user names for a report, a list or labels. It is written under a
// temporary name beside the target (readable by its owner only) and renamed over
// it once whole; the name is checked before anything is written and again just
// before the rename, which replaces the name itself and never what a link there
// points to. A refusal or a failure leaves the target as it was.
class OutputFile {
  public:
    // Raises an Error with the refusal when the name may not be written.
    OutputFile(const QString& path, const OwnFiles& own);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Makes the temporary file and opens it for writing; false when the folder
    // takes no new file.
    bool open();
    QIODevice& device() { return m_file; }
    // Puts the written file in place. Raises an Error with the refusal when the
    // name became one that may not be written meanwhile; false when writing or
    // renaming failed.
    bool commit();

  private:
    QString m_path;
    OwnFiles m_own;
    std::unique_ptr<AsideFile> m_aside;
    QFile m_file;
};

}  // namespace ambitra
