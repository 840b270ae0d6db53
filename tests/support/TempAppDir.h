#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

namespace ambitra::test {

// A fresh program folder for one test: settings file and database live here.
class TempAppDir {
  public:
    TempAppDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

  private:
    QTemporaryDir m_dir;
};

// Whole-file helpers for exact-byte tests.
QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

}  // namespace ambitra::test
