#include "support/TempAppDir.h"

#include "support/TestServer.h"

#include <QFile>

#include <stdexcept>

namespace ambitra::test {

TempAppDir::TempAppDir(Register where) {
    if (!m_dir.isValid()) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    if (where == Register::AsRun && onServer()) {
        m_schema = std::make_unique<TestSchema>();
        writeAll(file(QStringLiteral("ambitra.ini")), databaseSection());
    }
}

TempAppDir::~TempAppDir() = default;

QByteArray TempAppDir::databaseSection() const {
    if (!m_schema) {
        return {};
    }
    return "[DB]\r\nEngine=PostgreSQL\r\nConnection=" + m_schema->connection().toUtf8() + "\r\n";
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
