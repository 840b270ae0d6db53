#include "support/TestDatabase.h"

#include "common/Error.h"

#include <QSqlError>
#include <QSqlQuery>

#include <stdexcept>

namespace ambitra::test {

TestDatabase::TestDatabase()
    : m_dados(m_dir.path(), m_dir.file(QStringLiteral("ambitra.ini")), m_prompter) {
    m_dados.ReadIniFile();
    if (!m_dados.OpenDatabase()) {
        throw std::runtime_error("the test database did not open");
    }
}

void TestDatabase::exec(const QString& sql, const QVariantList& values) {
    QSqlQuery q(m_dados.Conn().database());
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i) {
        q.bindValue(i, values[i]);
    }
    if (!q.exec()) {
        throw Error(q.lastError().text());
    }
}

QStringList TestDatabase::column(const QString& sql) {
    QSqlQuery q(m_dados.Conn().database());
    if (!q.exec(sql)) {
        throw Error(q.lastError().text());
    }
    QStringList values;
    while (q.next()) {
        values << (q.value(0).isNull() ? QStringLiteral("<null>") : q.value(0).toString());
    }
    return values;
}

QVariant TestDatabase::scalar(const QString& sql) {
    QSqlQuery q(m_dados.Conn().database());
    if (!q.exec(sql) || !q.next()) {
        throw Error(q.lastError().text());
    }
    return q.value(0);
}

void TestDatabase::connectAnother(Connection& other) const {
    other.setProvider(QStringLiteral("QSQLITE"));
    other.setConnectionString(QStringLiteral("Data Source=") +
                              m_dir.file(QStringLiteral("Ambitra.db")) + u';');
    other.open();
}

}  // namespace ambitra::test
