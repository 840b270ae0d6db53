#include "core/exchange/ExchangeFixture.h"

#include "core/data/Connection.h"
#include "core/data/DatabaseEngine.h"
#include "core/exchange/ExchangeOptions.h"

#include <QDate>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <random>

using namespace ambitra;
using namespace ambitra::test;

namespace {

constexpr int kAssets = 100000;

// The export and import routines of the four formats: dBase, fixed width,
// delimited, comma-separated.
using Routine = void (ExchangeRun::*)(DataTable&, const QString&);
const std::pair<Routine, Routine> formats[] = {
    {&ExchangeRun::ExportDBF, &ExchangeRun::ImportDBF},
    {&ExchangeRun::ExportSDF, &ExchangeRun::ImportSDF},
    {&ExchangeRun::ExportTXT, &ExchangeRun::ImportTXT},
    {&ExchangeRun::ExportCSV, &ExchangeRun::ImportCSV},
};

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
                               "FROM Original) AS a) + (SELECT count(*) FROM (SELECT * FROM "
                               "Original EXCEPT SELECT * FROM Bens) AS b)"))
        .toInt();
}

}  // namespace

TEST(RoundTrip, AHundredThousandAssetsComeBackExactlyInEveryFormat) {
    ExchangeFixture f;
    fillAssets(f);
    f.settings().Delimiter = QStringLiteral(";");
    f.settings().DecimalPoint = QStringLiteral(",");
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

namespace {

// Rows holding what the options make hard to carry: the separators, both
// qualifiers, both decimal marks, braces, accents, blanks inside and at the
// ends, full-width texts, a tab inside a value, a character outside
// Windows-1252; amounts negative, zero, largest, none; dates none and 29 February.
void fillMatrixRows(ExchangeFixture& f) {
    const QVariant none(QMetaType::fromType<QString>());
    auto row = [&](const char* table, const QVariantList& values) {
        QString marks = QStringLiteral("?");
        for (int i = 1; i < values.size(); ++i) {
            marks += QStringLiteral(", ?");
        }
        f.db.exec(
            QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(QString::fromLatin1(table), marks),
            values);
    };
    row("Operadores",
        {QStringLiteral("O,1;\""), QStringLiteral("p'w,;"), QStringLiteral("Nome \"com\" 'a'")});
    row("Operadores", {QStringLiteral("O 2"), none, QStringLiteral(" Ação  São Ω ")});
    row("Operadores", {QStringLiteral("{O3}"), QStringLiteral("\"x\""), QString(16, u'W')});
    row("Locais",
        {QStringLiteral("12"), QStringLiteral("B"), QStringLiteral("ADM"), QStringLiteral("3")});
    row("Locais", {QStringLiteral(",;'"), QStringLiteral("\"x"), QStringLiteral("'y'"),
                   QStringLiteral("1\t2")});
    row("Bens",
        {QStringLiteral("B1"), QStringLiteral("Mesa, 2 \"gavetas\"; 1.5 'm'"), QStringLiteral("12"),
         QStringLiteral("Fábrica {x}"), QStringLiteral("BO"), QStringLiteral("S/N 1,5"), 1234.5,
         QStringLiteral("2024-02-29"), QStringLiteral("1900-01-01"), QStringLiteral("Ana"), none});
    row("Bens", {QStringLiteral("B2"), QString(32, u'x'), none, none, none, none, -9999999.999,
                 none, QStringLiteral("2023-12-31"), none, none});
    row("Bens", {QStringLiteral("B3"), QStringLiteral("{chave}"), QStringLiteral("\"q\""), none,
                 none, QStringLiteral("'"), 0.0, none, none, QStringLiteral("\""), none});
    row("Bens", {QStringLiteral("B4"), QStringLiteral("Valor máximo"), none, none, none, none,
                 99999999.999, none, none, none, none});
    row("Bens", {QStringLiteral("B5"), QStringLiteral("Sem valor"), none, none, none, none, none,
                 none, none, none, none});
    row("Bens", {QStringLiteral("B6"), QStringLiteral("-0,001"), none, none, none, none, -0.001,
                 none, none, none, none});
    for (DataTable* table : {&f.operadores(), &f.locais(), &f.bens()}) {
        table->requery();
    }
}

// What a layout gives back of a row, by the three differences it may have by
// its nature: blanks at the ends of a value are trimmed (a dBase field, filled
// with blanks, loses only those at the end), a character outside Windows-1252
// becomes "?", and no amount is written as zero.
QString carried(const QString& row, bool hasAmount, bool dbase) {
    QStringList values = row.split(QLatin1Char('|'));
    for (int i = 0; i < values.size(); ++i) {
        QString& v = values[i];
        if (hasAmount && i == 6 && v == QLatin1String("<null>")) {
            v = QStringLiteral("0");
            continue;
        }
        if (dbase) {
            while (v.endsWith(u' ')) {
                v.chop(1);
            }
        } else {
            v = trimBlanks(v).toString();
        }
        v.replace(QStringLiteral("Ω"), QStringLiteral("?"));
        if (v.isEmpty()) {
            v = QStringLiteral("<null>");
        }
    }
    return values.join(QLatin1Char('|'));
}

QStringList carried(const QStringList& rows, bool hasAmount, bool dbase) {
    QStringList result;
    for (const QString& row : rows) {
        result << carried(row, hasAmount, dbase);
    }
    return result;
}

}  // namespace

TEST(RoundTrip, EveryOptionCombinationTheOptionsAcceptReadsBackTheSameRegister) {
    ExchangeFixture f;
    // Hundreds of small runs: waiting for the disk after each would be most of the time.
    if (f.db.dados().Conn().engine().isFile()) {
        f.db.exec(QStringLiteral("PRAGMA synchronous = OFF"));
    }
    fillMatrixRows(f);
    const QString tables[] = {QStringLiteral("Operadores"), QStringLiteral("Locais"),
                              QStringLiteral("Bens")};
    QStringList expected[3];
    QStringList expectedDbase[3];
    for (int t = 0; t < 3; ++t) {
        expected[t] = carried(f.rows(tables[t]), t == 2, false);
        expectedDbase[t] = carried(f.rows(tables[t]), t == 2, true);
        f.db.exec(QStringLiteral("CREATE TABLE Original%1 AS SELECT * FROM %1").arg(tables[t]));
    }
    QStringList refused;
    for (const char* delimiter : {",", ";", "\t", " "}) {
        for (const char* point : {".", ",", ""}) {
            for (const char* qualifier : {"", "\"", "'"}) {
                Settings& s = f.settings();
                s.Delimiter = QString::fromLatin1(delimiter);
                s.DecimalPoint = QString::fromLatin1(point);
                s.TextQualifier = QString::fromLatin1(qualifier);
                const QString combination = QStringLiteral("[%1] [%2] [%3]")
                                                .arg(s.Delimiter, s.DecimalPoint, s.TextQualifier);
                // The delimited format ticked too, so that CSV takes any delimiter.
                if (!textOptionsProblem(
                         {false, true, true, s.Delimiter, s.DecimalPoint, s.TextQualifier, {}, {}},
                         QString())
                         .isEmpty()) {
                    refused << combination;
                    continue;
                }
                for (int format = 0; format < 4; ++format) {
                    const auto& [exportRoutine, importRoutine] = formats[format];
                    f.run.CsvHeader = true;
                    for (int t = 0; t < 3; ++t) {
                        // Each run starts from the original rows.
                        f.db.exec(QStringLiteral("DELETE FROM ") + tables[t]);
                        f.db.exec(QStringLiteral("INSERT INTO %1 SELECT * FROM Original%1")
                                      .arg(tables[t]));
                        f.run.table(t).requery();
                        (f.run.*exportRoutine)(f.run.table(t), f.folder);
                        f.db.exec(QStringLiteral("DELETE FROM ") + tables[t]);
                        f.run.table(t).requery();
                        (f.run.*importRoutine)(f.run.table(t), f.folder);
                        EXPECT_EQ(f.rows(tables[t]), format == 0 ? expectedDbase[t] : expected[t])
                            << format
                            << qPrintable(combination + QLatin1Char(' ') +
                                          f.db.prompter().texts().join(QLatin1Char('\n')));
                    }
                }
            }
        }
    }
    // Only a decimal comma in a comma-separated file without a qualifier cannot be written.
    EXPECT_EQ(refused, (QStringList{QStringLiteral("[,] [,] []"), QStringLiteral("[\t] [,] []"),
                                    QStringLiteral("[ ] [,] []")}));
    EXPECT_TRUE(f.db.prompter().shown.isEmpty());
}
