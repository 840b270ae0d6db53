#include "support/TestDatabase.h"

#include "core/common/Error.h"
#include "core/data/DatabaseEngine.h"

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
    // A server prepares no transaction control nor definitions: a statement
    // without values runs as it stands.
    if (values.isEmpty()) {
        if (!q.exec(sql)) {
            throw Error(q.lastError().text());
        }
        return;
    }
    if (!q.prepare(sql)) {
        throw Error(q.lastError().text());
    }
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

QString TestDatabase::padded(const QString& expression, int width) {
    return m_dados.Conn().engine().rightText(
        u'\'' + QString(width, u'0') + QStringLiteral("' || ") + expression, width);
}

void TestDatabase::connectAnother(Connection& other) {
    other.setProvider(m_dados.Conn().provider());
    other.setConnectionString(m_dados.Conn().connectionString());
    other.open();
}

}  // namespace ambitra::test
