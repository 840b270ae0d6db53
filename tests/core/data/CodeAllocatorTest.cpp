#include "core/data/CodeAllocator.h"
#include "core/data/TDados.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;

namespace {

const QString kOverflow =
    QStringLiteral("Código automático alocou uma seqüência maior que o máximo permitido!");

QString next(const char* codeBar, const char* lastCode) {
    Settings s;
    s.CodeBar = QString::fromLatin1(codeBar);
    s.LastCode = QString::fromLatin1(lastCode);
    return CodeAllocator::NextCode(s);
}

}  // namespace

TEST(CodeAllocator, NextCodeFollowsLastCodeInEveryCoding) {
    EXPECT_EQ(next("EAN13", "789123456789"), QStringLiteral("7891234567901"));
    EXPECT_EQ(next("EAN13", "000000000123"), QStringLiteral("0000000001243"));
    EXPECT_EQ(next("EAN8", ""), QStringLiteral("00000017"));
    EXPECT_EQ(next("EAN8", "0000000"), QStringLiteral("00000017"));
    // Plain digits keep the width of LastCode and grow past it.
    EXPECT_EQ(next("", "000123"), QStringLiteral("000124"));
    EXPECT_EQ(next("", "99"), QStringLiteral("100"));
    EXPECT_EQ(next("", ""), QStringLiteral("1"));
    EXPECT_EQ(next("", "ABC"), QStringLiteral("001"));  // not a number: counts as 0
    EXPECT_EQ(next("", "999999999998"), QStringLiteral("999999999999"));
    EXPECT_EQ(next("", "9999999999999").size(), 0);  // fourteen digits do not fit
    // A used-up EAN sequence has no next code (cutting it would repeat an old one).
    EXPECT_EQ(next("EAN8", "9999998"), QStringLiteral("99999995"));
    EXPECT_EQ(next("EAN8", "9999999").size(), 0);
    EXPECT_EQ(next("EAN13", "999999999999").size(), 0);
}

TEST(CodeAllocator, GetNextCodePlacesTheCodeOrWarnsAndLeavesTheRowWithout) {
    TestDatabase t;
    Settings& s = t.dados().settings();
    DataTable& bens = t.dados().TBens();
    bens.open();
    CodeAllocator allocator(t.dados());

    s.CodeBar = QStringLiteral("EAN8");
    s.LastCode = QStringLiteral("0000041");
    bens.insert();
    EXPECT_EQ(allocator.GetNextCode(), QStringLiteral("00000420"));
    EXPECT_EQ(bens.text(QStringLiteral("BECODIGO")), QStringLiteral("00000420"));
    EXPECT_EQ(s.LastCode, QStringLiteral("0000041"));  // moves only when stored
    bens.cancel();

    for (const auto& [codeBar, lastCode] :
         {std::pair{"", "9999999999999"}, {"EAN8", "9999999"}, {"EAN13", "999999999999"}}) {
        t.prompter().clear();
        s.CodeBar = QString::fromLatin1(codeBar);
        s.LastCode = QString::fromLatin1(lastCode);
        bens.insert();
        EXPECT_EQ(allocator.GetNextCode(), QString()) << codeBar;
        EXPECT_TRUE(bens.isNull(QStringLiteral("BECODIGO"))) << codeBar;
        ASSERT_EQ(t.prompter().shown.size(), 1) << codeBar;
        EXPECT_EQ(t.prompter().shown[0].kind, Prompter::Kind::Warning);
        EXPECT_EQ(t.prompter().shown[0].text, kOverflow);
        EXPECT_EQ(t.prompter().beeps, 1);
        bens.cancel();
    }
}

TEST(CodeAllocator, UpdateLastCodeOnlyMovesForward) {
    TestDatabase t;
    Settings& s = t.dados().settings();
    CodeAllocator allocator(t.dados());

    s.CodeBar = QStringLiteral("EAN13");
    s.LastCode = QStringLiteral("789123456789");
    allocator.UpdateLastCode(QStringLiteral("7891234567901"));  // check digit dropped
    EXPECT_EQ(s.LastCode, QStringLiteral("789123456790"));
    allocator.UpdateLastCode(QStringLiteral("0000000000017"));  // lower: stays
    EXPECT_EQ(s.LastCode, QStringLiteral("789123456790"));

    s.CodeBar.clear();
    s.LastCode = QStringLiteral("000123");
    allocator.UpdateLastCode(QStringLiteral("000100"));
    EXPECT_EQ(s.LastCode, QStringLiteral("000123"));
    allocator.UpdateLastCode(QStringLiteral("5000"));  // typed by hand, higher
    EXPECT_EQ(s.LastCode, QStringLiteral("5000"));
    EXPECT_EQ(CodeAllocator::NextCode(s), QStringLiteral("5001"));
    allocator.UpdateLastCode(QStringLiteral("X9999"));  // not a number: counts as 0
    EXPECT_EQ(s.LastCode, QStringLiteral("5000"));
}

TEST(CodeAllocator, AlignLastCodeComparesAsTextNotAsNumber) {
    TestDatabase t;
    Settings& s = t.dados().settings();
    CodeAllocator allocator(t.dados());
    t.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('1000000')"));

    s.LastCode = QStringLiteral("999");  // smaller, but sorts after "1000000"
    allocator.AlignLastCode();
    EXPECT_EQ(s.LastCode, QStringLiteral("999"));
    s.LastCode = QStringLiteral("0999999");
    allocator.AlignLastCode();
    EXPECT_EQ(s.LastCode, QStringLiteral("1000000"));

    // With an empty Bens an empty LastCode still sorts before seven zeros.
    t.exec(QStringLiteral("DELETE FROM Bens"));
    s.CodeBar = QStringLiteral("EAN8");
    s.LastCode.clear();
    allocator.AlignLastCode();
    EXPECT_EQ(s.LastCode, QStringLiteral("0000000"));
}

TEST(CodeAllocator, AnAutomaticCodeIsNeverOneThatBensHolds) {
    TestDatabase t;
    for (const char* code : {"0000001", "0000002", "ABCDEFG"}) {
        t.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES (?)"),
               {QString::fromLatin1(code)});
    }
    Settings& s = t.dados().settings();
    CodeAllocator allocator(t.dados());
    allocator.AlignLastCode();
    ASSERT_EQ(s.LastCode, QStringLiteral("ABCDEFG"));  // a letter code sorts above them all
    t.dados().TBens().open();
    t.dados().TBens().insert();
    EXPECT_EQ(allocator.GetNextCode(), QStringLiteral("0000003"));
    t.dados().TBens().cancel();
    // A long run of taken codes, beyond one block read, and one of another width.
    t.exec(QStringLiteral(
               "WITH RECURSIVE n(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM n WHERE i < 700) "
               "INSERT INTO Bens (BECODIGO) SELECT ") +
           t.padded(QStringLiteral("i"), 7) + QStringLiteral(" FROM n"));
    t.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('702')"));
    EXPECT_EQ(allocator.FreeCode(), QStringLiteral("0000701"));
    s.LastCode = QStringLiteral("700");  // the width of LastCode: 701 is free, 702 is not
    EXPECT_EQ(allocator.FreeCode(), QStringLiteral("701"));
    s.LastCode = QStringLiteral("701");
    EXPECT_EQ(allocator.FreeCode(), QStringLiteral("703"));
    t.exec(QStringLiteral("DELETE FROM Bens WHERE length(BECODIGO) = 7 AND BECODIGO > '0000002'"));
    // EAN-8: 0000003 with its check digit is taken, the next free one follows.
    t.exec(QStringLiteral("INSERT INTO Bens (BECODIGO) VALUES ('00000031')"));
    s.CodeBar = QStringLiteral("EAN8");
    s.LastCode = QStringLiteral("0000002");
    EXPECT_EQ(allocator.FreeCode(), QStringLiteral("00000048"));
    s.LastCode = QStringLiteral("0000003");  // no collision: the proposal stays
    EXPECT_EQ(allocator.FreeCode(), QStringLiteral("00000048"));
}
