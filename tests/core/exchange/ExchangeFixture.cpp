#include "core/exchange/ExchangeFixture.h"

#include "support/TempAppDir.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>

namespace ambitra::test {

ExchangeFixture::ExchangeFixture()
    : folder(db.dir().file(QStringLiteral("troca"))), run(db.dados(), db.prompter(), noProgress()) {
    QDir().mkpath(folder);
    Settings& s = settings();
    s.DirDBF = s.DirSDF = s.DirTXT = s.DirCSV = folder;
    operadores().open();
    locais().open();
    bens().open();
}

void ExchangeFixture::useFormats(bool dbf, bool sdf, bool txt, bool csv) {
    Settings& s = settings();
    s.UseDBF = dbf;
    s.UseSDF = sdf;
    s.UseTXT = txt;
    s.UseCSV = csv;
}

QString ExchangeFixture::path(const QString& name) const {
    return QDir(folder).filePath(name);
}

QByteArray ExchangeFixture::read(const QString& name) const {
    return readAll(path(name));
}

void ExchangeFixture::write(const QString& name, const QByteArray& bytes) const {
    writeAll(path(name), bytes);
}

QStringList ExchangeFixture::rows(const QString& table) {
    QSqlQuery q(db.dados().Conn().database());
    q.exec(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY 1"));
    QStringList result;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i) {
            values << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
        }
        result << values.join(QLatin1Char('|'));
    }
    return result;
}

void ExchangeFixture::addLocal(const char* code, const char* building, const char* department,
                               const char* room) {
    db.exec(QStringLiteral("INSERT INTO Locais VALUES (?, ?, ?, ?)"),
            {QString::fromUtf8(code), QString::fromUtf8(building), QString::fromUtf8(department),
             QString::fromUtf8(room)});
    locais().requery();
}

void ExchangeFixture::addBem(const QString& code, const QString& name, const QVariant& value,
                             const QVariant& purchase, const QVariant& inventory) {
    const QVariant none(QMetaType::fromType<QString>());
    db.exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BENOME, BEVALOR, BECOMPRA, BEULTINV) "
                           "VALUES (?, ?, ?, ?, ?)"),
            {code, name.isNull() ? none : name, value.isNull() ? none : value,
             purchase.isNull() ? none : purchase, inventory.isNull() ? none : inventory});
    bens().requery();
}

}  // namespace ambitra::test
