#include "support/TempAppDir.h"

#include <QFile>

#include <stdexcept>

namespace ambitra::test {

TempAppDir::TempAppDir() {
    if (!m_dir.isValid()) {
        throw std::runtime_error("cannot create a temporary folder");
    }
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("cannot read " + path.toStdString());
    }
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

}  // namespace ambitra::test
