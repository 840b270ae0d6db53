#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

#include "support/QtPrinters.h"

namespace ambitra::test {

class TestSchema;

// A fresh program folder for one test: settings file and database live here.
// On the server run its settings file names a schema of its own on the test
// server instead of the database file.
class TempAppDir {
  public:
    // File: the register is always the database file (tests of the file itself).
    enum class Register { AsRun, File };
    explicit TempAppDir(Register where = Register::AsRun);
    ~TempAppDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // The [DB] section of the settings file (empty for the embedded engine).
    QByteArray databaseSection() const;

  private:
    QTemporaryDir m_dir;
    std::unique_ptr<TestSchema> m_schema;
};

// Whole-file helpers for exact-byte tests.
QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

}  // namespace ambitra::test
