#include "ExchangeFixture.h"

#include "data/Connection.h"

#include <QDate>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <random>

using namespace ambitra;
using namespace ambitra::test;

namespace {

constexpr int kAssets = 100000;

// Text the formats carry unchanged: Windows-1252 characters, a double quote
// inside (the comma-separated qualifier), no delimiter, no blanks at either end.
QString textOf(std::mt19937& random, int maxLength) {
    static const QString alphabet = QStringLiteral(
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .-/\"'çãéõÁÜº€%&");
    const int length = std::uniform_int_distribution<int>(1, maxLength)(random);
    QString text;
    for (int i = 0; i < length; ++i) {
        text += alphabet[std::uniform_int_distribution<int>(0, alphabet.size() - 1)(random)];
    }
    text = text.trimmed();
    return text.isEmpty() ? QStringLiteral("x") : text;
}

// Assets with every kind of value: empty texts and dates, full-width texts,
// 29 February, negative and largest amounts, keys in both letter cases.
void fillAssets(ExchangeFixture& f) {
    std::mt19937 random(20240229);
    Transaction transaction(f.db.dados().Conn());
    QSqlQuery q(f.db.dados().Conn().database());
    q.prepare(QStringLiteral("INSERT INTO Bens VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, NULL)"));
    const QVariant none(QMetaType::fromType<QString>());
    auto maybe = [&](const QVariant& value) {
        return std::uniform_int_distribution<int>(0, 9)(random) == 0 ? none : value;
    };
    auto day = [&] {
        const QDate start(1900, 1, 1);
        return QVariant(start.addDays(std::uniform_int_distribution<int>(0, 73000)(random))
                            .toString(Qt::ISODate));
    };
    for (int i = 0; i < kAssets; ++i) {
        const QString key = (i % 7 == 0 ? QStringLiteral("p%1") : QStringLiteral("P%1")).arg(i);
        double amount =
            std::uniform_int_distribution<qint64>(-9999999999, 99999999999)(random) / 1000.0;
        if (i % 1000 == 1) {
            amount = i % 2000 == 1 ? 99999999.999 : -9999999.999;
        }
        q.bindValue(0, key);
        q.bindValue(1, i % 100 == 0 ? QVariant(QString(32, u'W')) : maybe(textOf(random, 32)));
        q.bindValue(2, maybe(textOf(random, 4)));
        q.bindValue(3, maybe(textOf(random, 16)));
        q.bindValue(4, maybe(textOf(random, 2)));
        q.bindValue(5, maybe(textOf(random, 16)));
        q.bindValue(6, amount);
        q.bindValue(7, i % 500 == 0 ? QVariant(QStringLiteral("2024-02-29")) : maybe(day()));
        q.bindValue(8, maybe(day()));
        q.bindValue(9, maybe(textOf(random, 16)));
        ASSERT_TRUE(q.exec());
    }
    transaction.commit();
    f.db.exec(QStringLiteral("CREATE TABLE Original AS SELECT * FROM Bens"));
    f.bens().requery();
}

// Rows that differ between the table and the original, either way.
int differences(ExchangeFixture& f) {
    return f.db
        .scalar(QStringLiteral("SELECT (SELECT count(*) FROM (SELECT * FROM Bens EXCEPT SELECT * "
                               "FROM Original)) + (SELECT count(*) FROM (SELECT * FROM Original "
                               "EXCEPT SELECT * FROM Bens))"))
        .toInt();
}

}  // namespace

TEST(RoundTrip, AHundredThousandAssetsComeBackExactlyInEveryFormat) {
    ExchangeFixture f;
    fillAssets(f);
    f.settings().Delimiter = QStringLiteral(";");
    f.settings().DecimalPoint = QStringLiteral(",");
    using Routine = void (ExchangeRun::*)(DataTable&, const QString&);
    const std::pair<Routine, Routine> formats[] = {
        {&ExchangeRun::ExportDBF, &ExchangeRun::ImportDBF},
        {&ExchangeRun::ExportSDF, &ExchangeRun::ImportSDF},
        {&ExchangeRun::ExportTXT, &ExchangeRun::ImportTXT},
        {&ExchangeRun::ExportCSV, &ExchangeRun::ImportCSV},
    };
    f.run.CsvHeader = true;
    for (const auto& [exportRoutine, importRoutine] : formats) {
        f.run.RunMessages.clear();
        (f.run.*exportRoutine)(f.bens(), f.folder);
        // Emptied first: every record comes from the file.
        f.run.OverwriteData = true;
        (f.run.*importRoutine)(f.bens(), f.folder);
        EXPECT_EQ(differences(f), 0) << qPrintable(f.run.RunMessages);
        EXPECT_EQ(f.run.RunMessages.count(QStringLiteral("%1 registros").arg(kAssets)), 2)
            << qPrintable(f.run.RunMessages);
        EXPECT_EQ(f.bens().rowCount(), kAssets);
    }
    // Once more over the records of the last import: every line updates one.
    f.run.OverwriteData = false;
    f.run.ImportCSV(f.bens(), f.folder);
    EXPECT_EQ(differences(f), 0);
    EXPECT_TRUE(f.db.prompter().shown.isEmpty());
}
