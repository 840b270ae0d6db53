#include "core/inventory/InventoryReport.h"
#include "print/InventoryReportPdf.h"
#include <QTemporaryDir>

#include <QProcess>

#include <limits>

#include <gtest/gtest.h>

using namespace ambitra;

namespace {

CommissionMember member(const char* name, const char* role, const char* registration) {
    return {QString::fromUtf8(name), QString::fromUtf8(role), QString::fromUtf8(registration)};
}

InventoryReport sample() {
    InventoryReport r;
    r.organisation = QStringLiteral("Prefeitura Municipal de Lagoa Serena");
    r.issued = QDate(2026, 12, 10);
    r.info.number = 7;
    r.info.title = QStringLiteral("Inventário anual 2026");
    r.info.kind = InventoryKind::Annual;
    r.info.opened = QDateTime(QDate(2026, 11, 2), QTime(8, 0));
    r.info.commission = {member("Maria Aparecida Souza", "presidente", "10234"),
                         member("João Batista Lima", "membro", "20871"),
                         member("Ana Cláudia Reis", "secretário", "30555")};
    RoundFigures first;
    first.round = 1;
    first.tally = {QStringLiteral("SALA01"), 10, 6, 4, 0, 0, 0, 0};
    first.expectedValue = 1234567890;
    first.missingValue = 400500;
    RoundFigures second = first;
    second.round = 2;
    second.tally = {QStringLiteral("SALA01"), 10, 9, 1, 0, 0, 1, 0};
    second.missingValue = 100250;
    r.locations.append({QStringLiteral("SALA01"),
                        QStringLiteral("Sede / Finanças / 101"),
                        InventoryLocationState::Returned,
                        second,
                        {first}});
    r.total = second;
    r.notLocated.append({QStringLiteral("000123"), QStringLiteral("Mesa de reunião"),
                         QStringLiteral("SALA01"), 100250, QDate(2025, 11, 30)});
    r.unregistered.append({QStringLiteral("999001"), QStringLiteral("Cadeira"),
                           QStringLiteral("SALA01"), QStringLiteral("Incorporado como bem novo")});
    return r;
}

// The pages' texts as pdftotext reads them, one per page.
QStringList pagesOf(const QString& pdf) {
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    EXPECT_TRUE(text.waitForFinished(60000));
    QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) {
        pages.removeLast();
    }
    for (QString& page : pages) {
        page = page.simplified();
    }
    return pages;
}

}  // namespace

// What the commission signs: the declaration, a line per member, the amounts in
// the Brazilian form, the earlier round beside the latest; "PARCIAL" on the
// pages of an open inventory only.
TEST(InventoryReportPdf, HoldsTheDeclarationAndTheSignaturesAndMarksAnOpenInventory) {
    QTemporaryDir dir;
    InventoryReport report = sample();
    const QString open = dir.filePath(QStringLiteral("aberto.pdf"));
    writeInventoryReportPdf(report, open, {});
    const QStringList pages = pagesOf(open);
    ASSERT_FALSE(pages.isEmpty());
    const QString all = pages.join(u' ');
    EXPECT_TRUE(all.contains(QStringLiteral(
        "Declaramos, para os devidos fins, que os membros da comissão abaixo assinados "
        "verificaram pessoalmente, no período de 02/11/2026 até a data de emissão")))
        << all.toStdString();
    for (const char* line : {"Maria Aparecida Souza – Presidente – Matrícula 10234",
                             "João Batista Lima – Membro – Matrícula 20871",
                             "Ana Cláudia Reis – Secretário – Matrícula 30555"}) {
        EXPECT_TRUE(all.contains(QString::fromUtf8(line))) << line;
    }
    EXPECT_TRUE(all.contains(QStringLiteral("1.234.567,890")));
    EXPECT_TRUE(all.contains(QStringLiteral("Incorporado como bem novo")));
    for (qsizetype p = 0; p < pages.size(); ++p) {
        EXPECT_TRUE(pages[p].contains(QStringLiteral("PARCIAL"))) << p;
        EXPECT_TRUE(
            pages[p].contains(QStringLiteral("Página %1 de %2").arg(p + 1).arg(pages.size())))
            << pages[p].toStdString();
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Emitido em 10/12/2026")));
    }

    report.info.closed = QDateTime(QDate(2026, 11, 20), QTime(17, 0));
    const QString closed = dir.filePath(QStringLiteral("encerrado.pdf"));
    writeInventoryReportPdf(report, closed, {});
    const QString text = pagesOf(closed).join(u' ');
    EXPECT_FALSE(text.contains(QStringLiteral("PARCIAL")));
    EXPECT_TRUE(text.contains(QStringLiteral("no período de 02/11/2026 a 20/11/2026")));
}

TEST(InventoryReportPdf, AmountsInTheBrazilianForm) {
    EXPECT_EQ(brazilianAmount(0), QStringLiteral("0,000"));
    EXPECT_EQ(brazilianAmount(5), QStringLiteral("0,005"));
    EXPECT_EQ(brazilianAmount(1234567), QStringLiteral("1.234,567"));
    EXPECT_EQ(brazilianAmount(-99999999999), QStringLiteral("-99.999.999,999"));
    EXPECT_EQ(brazilianAmount(std::numeric_limits<qint64>::min()),
              QStringLiteral("-9.223.372.036.854.775,808"));
}

// A list longer than a page goes on over the next ones under its column heads
// again; a description wider than its cell is broken, never cut.
TEST(InventoryReportPdf, ALongListGoesOnOverPagesUnderItsHeads) {
    QTemporaryDir dir;
    InventoryReport report = sample();
    report.info.closed = QDateTime(QDate(2026, 11, 20), QTime(17, 0));
    report.notLocated.clear();
    const QString longName = QStringLiteral(
        "Armário de aço com duas portas e quatro prateleiras reguláveis, cor "
        "cinza, fechadura cilíndrica");
    const QString longWord(70, u'X');
    for (int i = 1; i <= 300; ++i) {
        report.notLocated.append({QStringLiteral("A%1").arg(i, 5, 10, QLatin1Char('0')),
                                  i == 150   ? longName
                                  : i == 151 ? longWord
                                             : QStringLiteral("Cadeira"),
                                  QStringLiteral("SALA01"),
                                  1000,
                                  {}});
    }
    const QString pdf = dir.filePath(QStringLiteral("longo.pdf"));
    writeInventoryReportPdf(report, pdf, {});
    const QStringList pages = pagesOf(pdf);
    ASSERT_GE(pages.size(), 4);
    int listPages = 0;
    for (const QString& page : pages) {
        if (page.contains(QStringLiteral("A00"))) {
            ++listPages;
            EXPECT_TRUE(page.contains(QStringLiteral("Código Descrição Local Valor")) &&
                        page.contains(QStringLiteral("Último inventário")))
                << page.toStdString();
        }
    }
    EXPECT_GE(listPages, 3);
    const QString all = pages.join(u' ');
    for (int i = 1; i <= 300; ++i) {
        EXPECT_TRUE(all.contains(QStringLiteral("A%1").arg(i, 5, 10, QLatin1Char('0')))) << i;
    }
    EXPECT_TRUE(all.contains(QStringLiteral("300 bens")));
    EXPECT_TRUE(all.contains(QStringLiteral("300,000")));
    // The long description is broken between its words, the word wider than
    // its cell inside it: neither loses a letter.
    for (const QString& word : longName.split(u' ')) {
        EXPECT_TRUE(all.contains(word)) << word.toStdString();
    }
    EXPECT_FALSE(all.contains(longWord));
    QString joined = all;
    joined.remove(u' ');
    EXPECT_TRUE(joined.contains(longWord)) << all.toStdString();
}
