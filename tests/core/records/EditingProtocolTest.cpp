#include "core/data/Connection.h"
#include "core/data/Query.h"
#include "core/records/AssetsProtocol.h"
#include "core/records/EditingProtocol.h"
#include "core/records/OperatorsProtocol.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

using namespace ambitra;
using namespace ambitra::test;
using Answer = Prompter::Answer;

namespace {

const QString kSentinel = QStringLiteral("SELECT 'untouched'");

// Records where the protocol asked the window to put the focus.
struct FocusLog {
    explicit FocusLog(EditingProtocol& p) {
        QObject::connect(&p, &EditingProtocol::focusRequested, &p,
                         [this](const QString& field) { fields << field; });
    }
    QStringList fields;
};

// A value typed into a bound control: the buffer changes and the change is counted.
void type(EditingProtocol& p, const char* field, const QString& value) {
    p.table().setValue(QString::fromLatin1(field), value);
    p.AnyChange();
}

struct Locations : ::testing::Test {
    TestDatabase t;
    EditingProtocol p{t.dados().TLocais(), t.dados().SQLTmp(), t.prompter(),
                      QStringLiteral("LOPREDIO")};
    FocusLog focus{p};

    void SetUp() override {
        t.exec(QStringLiteral("INSERT INTO Locais (LOCODIGO, LOSALA) VALUES ('L1', '101')"));
        p.FormActivate();
    }
};

}  // namespace

TEST_F(Locations, CancelAsksOnlyWhenModifiedAndNoKeepsTheEdit) {
    ASSERT_TRUE(p.Press(NavButton::Edit));
    EXPECT_TRUE(p.Editing());
    EXPECT_FALSE(p.Modified());
    EXPECT_EQ(p.FocusField(), QStringLiteral("LOPREDIO"));  // the code is locked
    EXPECT_TRUE(p.Press(NavButton::Cancel));
    EXPECT_TRUE(t.prompter().shown.isEmpty());
    EXPECT_FALSE(p.Editing());

    ASSERT_TRUE(p.Press(NavButton::Edit));
    type(p, "LOSALA", QStringLiteral("1012"));
    EXPECT_TRUE(p.Modified());
    t.prompter().plan({Answer::No});
    EXPECT_FALSE(p.Press(NavButton::Cancel));
    EXPECT_EQ(t.prompter().texts(),
              QStringList{QStringLiteral("Cancelar a edição do registro corrente?")});
    EXPECT_EQ(t.prompter().beeps, 1);
    EXPECT_TRUE(p.Editing());
    EXPECT_TRUE(p.Modified());
    EXPECT_EQ(p.table().text(QStringLiteral("LOSALA")), QStringLiteral("1012"));

    // No to the save question also leaves everything as it was.
    t.prompter().plan({Answer::No});
    EXPECT_FALSE(p.Press(NavButton::Post));
    EXPECT_TRUE(p.Editing());
    EXPECT_EQ(p.table().text(QStringLiteral("LOSALA")), QStringLiteral("1012"));
    EXPECT_EQ(t.column(QStringLiteral("SELECT LOSALA FROM Locais")),
              QStringList{QStringLiteral("101")});

    EXPECT_TRUE(p.Press(NavButton::Post));
    EXPECT_EQ(t.prompter().texts().last(), QStringLiteral("Gravar o registro corrente?"));
    EXPECT_FALSE(p.Editing());
    EXPECT_FALSE(p.Modified());
    EXPECT_EQ(t.column(QStringLiteral("SELECT LOSALA FROM Locais")),
              QStringList{QStringLiteral("1012")});
}

TEST_F(Locations, DuplicateQueryRunsOnlyOnInsertAndABlankCodeNeverReachesIt) {
    Query& sqlTmp = t.dados().SQLTmp();

    ASSERT_TRUE(p.Press(NavButton::Insert));
    EXPECT_TRUE(p.Inserting());
    EXPECT_EQ(p.FocusField(), QStringLiteral("LOCODIGO"));
    sqlTmp.setText(kSentinel);
    type(p, "LOCODIGO", QStringLiteral("   "));
    EXPECT_FALSE(p.Press(NavButton::Post));
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Código inválido!")});
    EXPECT_EQ(t.prompter().shown[0].kind, Prompter::Kind::Error);
    EXPECT_EQ(sqlTmp.text(), kSentinel);
    EXPECT_EQ(focus.fields, QStringList{QStringLiteral("LOCODIGO")});

    t.prompter().clear();
    type(p, "LOCODIGO", QStringLiteral(" L1 "));  // trimmed before the look-up
    EXPECT_FALSE(p.Press(NavButton::Post));
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Código já cadastrado!")});
    EXPECT_EQ(sqlTmp.text(),
              QStringLiteral("SELECT * FROM Locais WHERE LOCODIGO = :Codigo LIMIT 1"));
    EXPECT_FALSE(sqlTmp.isOpen());
    EXPECT_TRUE(p.Inserting());

    t.prompter().clear();
    type(p, "LOCODIGO", QStringLiteral("L2"));
    ASSERT_TRUE(p.Press(NavButton::Post));
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Gravar o registro corrente?")});
    // Empty texts are stored as nulls.
    EXPECT_EQ(t.column(QStringLiteral("SELECT LOPREDIO FROM Locais WHERE LOCODIGO = 'L2'")),
              QStringList{QStringLiteral("<null>")});

    // Saving an edited record never looks for duplicates: its code cannot change.
    sqlTmp.setText(kSentinel);
    ASSERT_TRUE(p.Press(NavButton::Edit));
    type(p, "LOPREDIO", QStringLiteral("A"));
    ASSERT_TRUE(p.Press(NavButton::Post));
    EXPECT_EQ(sqlTmp.text(), kSentinel);
}

TEST_F(Locations, ModeFlagsFollowTheLastButtonAndARefusedPressChangesNothing) {
    ASSERT_TRUE(p.Press(NavButton::Edit));
    EXPECT_FALSE(p.IsFieldEnabled(QStringLiteral("LOCODIGO")));
    EXPECT_TRUE(p.IsFieldEnabled(QStringLiteral("LOSALA")));
    ASSERT_TRUE(p.Press(NavButton::Cancel));
    EXPECT_FALSE(p.IsFieldEnabled(QStringLiteral("LOSALA")));
    EXPECT_EQ(p.FocusField(), QString());  // browse: the panel

    t.prompter().plan({Answer::No});
    EXPECT_FALSE(p.Press(NavButton::Delete));
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Excluir o registro corrente?")});
    EXPECT_EQ(t.dados().TLocais().rowCount(), 1);
    EXPECT_TRUE(p.Press(NavButton::Delete));
    EXPECT_TRUE(t.dados().TLocais().isEmpty());
    // Edit on an empty table fails in the table: shown, and the flags stay.
    t.prompter().clear();
    EXPECT_FALSE(p.Press(NavButton::Edit));
    EXPECT_EQ(t.prompter().shown.size(), 1u);
    EXPECT_FALSE(p.Editing());
}

TEST_F(Locations, AnEngineErrorOnSaveIsShownAndLeavesTheRecordBeingInserted) {
    ASSERT_TRUE(p.Press(NavButton::Insert));
    type(p, "LOCODIGO", QStringLiteral("L9"));
    type(p, "LOSALA", QStringLiteral("12345"));  // longer than the column
    EXPECT_FALSE(p.Press(NavButton::Post));
    ASSERT_EQ(t.prompter().shown.size(), 2u);
    EXPECT_EQ(t.prompter().shown[0].text, QStringLiteral("Gravar o registro corrente?"));
    EXPECT_EQ(t.prompter().shown[1].kind, Prompter::Kind::Error);
    EXPECT_TRUE(p.Inserting());
    EXPECT_TRUE(p.Modified());
    EXPECT_TRUE(p.table().isEditing());
    EXPECT_EQ(t.dados().TLocais().rowCount(), 1);
}

// Another program holds the write lock: the save waits for it with the
// database-wait cursor, then fails with the clear message and the edit stays;
// with the lock free again the same save goes through.
TEST(WindowSave, WaitsForAnotherProgramsLockAndKeepsTheEditWhenItCannotBeHad) {
    TestDatabase t;
    struct Waits : Progress {
        int databaseWaits = 0;
        void beginBusy(Cursor cursor) override { databaseWaits += cursor == Cursor::DatabaseWait; }
    } waits;
    EditingProtocol p{t.dados().TLocais(), t.dados().SQLTmp(), t.prompter(),
                      QStringLiteral("LOPREDIO"), waits};
    p.FormActivate();
    ASSERT_TRUE(p.Press(NavButton::Insert));
    type(p, "LOCODIGO", QStringLiteral("L9"));
    Connection other;
    t.connectAnother(other);
    t.dados().Conn().setWriteLockWait(200);
    {
        Transaction holding(other);
        EXPECT_FALSE(p.Press(NavButton::Post));
        EXPECT_EQ(waits.databaseWaits, 1);
        ASSERT_EQ(t.prompter().shown.size(), 2u);
        EXPECT_TRUE(t.prompter().shown[1].text.startsWith(
            refusal("O banco de dados está em uso por outro programa e não pôde ser alterado "
                    "agora; tente de novo em instantes.",
                    "database is locked")));
        EXPECT_TRUE(p.Inserting());
        EXPECT_TRUE(p.table().isEditing());
        EXPECT_EQ(p.table().text(QStringLiteral("LOCODIGO")), QStringLiteral("L9"));
    }
    EXPECT_TRUE(p.Press(NavButton::Post));
    EXPECT_EQ(t.column(QStringLiteral("SELECT LOCODIGO FROM Locais")),
              QStringList{QStringLiteral("L9")});
}

TEST_F(Locations, ClosingDiscardsAnUnchangedEditAndAsksForAChangedOne) {
    ASSERT_TRUE(p.Press(NavButton::Edit));
    EXPECT_TRUE(p.FormClose());
    EXPECT_TRUE(t.prompter().shown.isEmpty());
    EXPECT_FALSE(p.table().isEditing());
    EXPECT_FALSE(p.Activated());

    p.FormActivate();
    ASSERT_TRUE(p.Press(NavButton::Edit));
    type(p, "LOSALA", QStringLiteral("X"));
    t.prompter().plan({Answer::No});
    EXPECT_FALSE(p.FormClose());
    EXPECT_TRUE(p.table().isEditing());
    EXPECT_TRUE(p.Activated());
    EXPECT_TRUE(p.FormClose());  // Yes
    EXPECT_EQ(t.column(QStringLiteral("SELECT LOSALA FROM Locais")),
              QStringList{QStringLiteral("101")});
}

TEST(OperatorsProtocol, ValidatesCodeThenRetypeThenNameAndRetypeFollowsTheButtons) {
    TestDatabase t;
    OperatorsProtocol p(t.dados());
    FocusLog focus(p);
    QStringList retypes;
    QObject::connect(&p, &OperatorsProtocol::retypeChanged, &p,
                     [&](const QString& text) { retypes << text; });
    p.FormActivate();
    ASSERT_TRUE(p.Press(NavButton::Insert));
    EXPECT_TRUE(p.RetypeVisible());
    EXPECT_TRUE(p.IsFieldEnabled(OperatorsProtocol::kRetypeField));

    auto post = [&] {
        t.prompter().clear();
        focus.fields.clear();
        return p.Press(NavButton::Post);
    };
    // A code problem comes before a password problem.
    type(p, "OPSENHA", QStringLiteral("abc"));
    EXPECT_FALSE(post());
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Código inválido!")});

    type(p, "OPCODIGO", QStringLiteral("001"));
    p.setRetype(QStringLiteral("ABC"));  // letter case counts
    EXPECT_FALSE(post());
    EXPECT_EQ(t.prompter().texts(),
              QStringList{QStringLiteral("Redigitação da senha não confere!")});
    EXPECT_EQ(focus.fields, QStringList{OperatorsProtocol::kRetypeField});

    p.setRetype(QStringLiteral("abc"));
    type(p, "OPNOME", QStringLiteral("   "));
    EXPECT_FALSE(post());
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Nome deve ser informado!")});
    EXPECT_EQ(focus.fields, QStringList{QStringLiteral("OPNOME")});

    type(p, "OPNOME", QStringLiteral("Ana"));
    EXPECT_TRUE(post());
    EXPECT_FALSE(p.RetypeVisible());

    // Editing puts the password in the retype field: a name change needs no retype.
    ASSERT_TRUE(p.Press(NavButton::Edit));
    EXPECT_EQ(retypes, (QStringList{QString(), QStringLiteral("abc")}));
    EXPECT_EQ(p.FocusField(), QStringLiteral("OPSENHA"));
    type(p, "OPNOME", QStringLiteral("Ana Paula"));
    EXPECT_TRUE(post());
    // A changed password needs it retyped.
    ASSERT_TRUE(p.Press(NavButton::Edit));
    type(p, "OPSENHA", QStringLiteral("xyz"));
    EXPECT_FALSE(post());
    EXPECT_EQ(t.prompter().texts(),
              QStringList{QStringLiteral("Redigitação da senha não confere!")});
    ASSERT_TRUE(p.Press(NavButton::Cancel));

    // No password and no retype is accepted.
    ASSERT_TRUE(p.Press(NavButton::Insert));
    type(p, "OPCODIGO", QStringLiteral("002"));
    type(p, "OPNOME", QStringLiteral("Rui"));
    EXPECT_TRUE(post());
    EXPECT_EQ(t.column(QStringLiteral("SELECT OPSENHA || '/' || OPNOME FROM Operadores "
                                      "WHERE OPSENHA IS NOT NULL")),
              QStringList{QStringLiteral("abc/Ana Paula")});
    EXPECT_EQ(t.column(QStringLiteral("SELECT OPCODIGO FROM Operadores WHERE OPSENHA IS NULL")),
              QStringList{QStringLiteral("002")});
}

TEST(AssetsProtocol, AutomaticCodesAdvanceLastCodeOnlyWhenStored) {
    TestDatabase t;
    Settings& s = t.dados().settings();
    s.AutoId = true;
    s.CodeBar = QStringLiteral("EAN13");
    s.LastCode = QStringLiteral("000000000123");
    AssetsProtocol p(t.dados());
    p.FormActivate();
    EXPECT_TRUE(t.dados().TLocais().isOpen());
    EXPECT_EQ(t.dados().TStatus().rowCount(), 6);  // the default conditions

    for (int round = 0; round < 2; ++round) {  // a cancelled insert uses up no code
        ASSERT_TRUE(p.Press(NavButton::Insert));
        EXPECT_EQ(p.table().text(QStringLiteral("BECODIGO")), QStringLiteral("0000000001243"));
        EXPECT_FALSE(p.Modified());
        EXPECT_EQ(p.FocusField(), QStringLiteral("BENOME"));
        ASSERT_TRUE(p.Press(NavButton::Cancel));
        EXPECT_TRUE(t.prompter().shown.isEmpty());
    }
    EXPECT_EQ(s.LastCode, QStringLiteral("000000000123"));

    ASSERT_TRUE(p.Press(NavButton::Insert));
    type(p, "BENOME", QStringLiteral("  "));
    EXPECT_FALSE(p.Press(NavButton::Post));
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Descrição deve ser informada!")});
    type(p, "BENOME", QStringLiteral("Mesa"));
    type(p, "BEFABRICA", QStringLiteral("Tok"));
    EXPECT_TRUE(p.manufacturers().isEmpty());
    ASSERT_TRUE(p.Press(NavButton::Post));
    EXPECT_EQ(s.LastCode, QStringLiteral("000000000124"));
    EXPECT_EQ(p.manufacturers(), QStringList{QStringLiteral("Tok")});

    // A lower typed code leaves LastCode; a higher one moves it.
    for (const auto& [code, last] :
         {std::pair{"0000000000017", "000000000124"}, std::pair{"0000000009990", "000000000999"}}) {
        ASSERT_TRUE(p.Press(NavButton::Insert));
        type(p, "BECODIGO", QString::fromLatin1(code));
        type(p, "BENOME", QStringLiteral("Cadeira"));
        ASSERT_TRUE(p.Press(NavButton::Post));
        EXPECT_EQ(s.LastCode, QString::fromLatin1(last));
    }
}

TEST(AssetsProtocol, TwoDesktopsInsertingAtOnceNeverStoreTheSameAutomaticCode) {
    TestDatabase t;
    ScriptedPrompter otherPrompter;
    TDados other(t.dir().path(), t.dir().file(QStringLiteral("ambitra.ini")), otherPrompter);
    other.ReadIniFile();
    ASSERT_TRUE(other.OpenDatabase());
    AssetsProtocol mine(t.dados());
    AssetsProtocol theirs(other);
    for (TDados* d : {&t.dados(), &other}) {
        d->settings().AutoId = true;
        d->settings().LastCode = QStringLiteral("0041");
    }
    mine.FormActivate();
    theirs.FormActivate();
    ASSERT_TRUE(mine.Press(NavButton::Insert));
    ASSERT_TRUE(theirs.Press(NavButton::Insert));
    EXPECT_EQ(mine.table().text(QStringLiteral("BECODIGO")), u"0042");
    EXPECT_EQ(theirs.table().text(QStringLiteral("BECODIGO")), u"0042");
    type(theirs, "BENOME", QStringLiteral("Mesa"));
    ASSERT_TRUE(theirs.Press(NavButton::Post));

    type(mine, "BENOME", QStringLiteral("Cadeira"));
    ASSERT_TRUE(mine.Press(NavButton::Post));
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Gravar o registro corrente?")});
    EXPECT_EQ(t.column(QStringLiteral("SELECT BECODIGO || ' ' || BENOME FROM Bens ORDER BY 1")),
              (QStringList{QStringLiteral("0042 Mesa"), QStringLiteral("0043 Cadeira")}));
    EXPECT_EQ(t.dados().settings().LastCode, u"0043");

    // The other desktop stores the same code while this save asks for confirmation.
    t.prompter().clear();
    ASSERT_TRUE(mine.Press(NavButton::Insert));
    ASSERT_TRUE(theirs.Press(NavButton::Insert));
    EXPECT_EQ(theirs.table().text(QStringLiteral("BECODIGO")), u"0044");
    type(theirs, "BENOME", QStringLiteral("Banco"));
    type(mine, "BENOME", QStringLiteral("Armário"));
    t.prompter().onMessage = [&](const ScriptedPrompter::Shown&) {
        t.prompter().onMessage = nullptr;
        ASSERT_TRUE(theirs.Press(NavButton::Post));
    };
    ASSERT_TRUE(mine.Press(NavButton::Post));
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Gravar o registro corrente?")});
    EXPECT_EQ(t.column(QStringLiteral("SELECT BECODIGO || ' ' || BENOME FROM Bens WHERE BECODIGO "
                                      "> '0043' ORDER BY 1")),
              (QStringList{QStringLiteral("0044 Banco"), QStringLiteral("0045 Armário")}));

    // A code the user typed is still refused when it is taken.
    t.prompter().clear();
    ASSERT_TRUE(mine.Press(NavButton::Insert));
    type(mine, "BECODIGO", QStringLiteral("0042"));
    type(mine, "BENOME", QStringLiteral("Outra"));
    EXPECT_FALSE(mine.Press(NavButton::Post));
    EXPECT_EQ(t.prompter().texts(), QStringList{QStringLiteral("Código já cadastrado!")});
}

TEST(AssetsProtocol, FirstActivationAlignsLastCodeAndEveryOneReloadsTheLists) {
    TestDatabase t;
    Settings& s = t.dados().settings();
    s.LastCode = QStringLiteral("0005");
    t.exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BEFABRICA) VALUES ('0007', 'Beta')"));
    t.exec(QStringLiteral("INSERT INTO Operadores (OPCODIGO, OPNOME) VALUES ('1', 'Zeca')"));
    t.exec(QStringLiteral("INSERT INTO Operadores (OPCODIGO, OPNOME) VALUES ('2', 'Ana')"));
    t.exec(QStringLiteral("INSERT INTO Operadores (OPCODIGO) VALUES ('3')"));
    AssetsProtocol p(t.dados());
    p.FormActivate();
    EXPECT_EQ(s.LastCode, QStringLiteral("0007"));
    EXPECT_EQ(p.manufacturers(), QStringList{QStringLiteral("Beta")});
    EXPECT_EQ(p.operatorNames(), (QStringList{QStringLiteral("Ana"), QStringLiteral("Zeca")}));

    // Later activations only reload the lists; LastCode is not aligned again.
    s.LastCode = QStringLiteral("0001");
    t.exec(QStringLiteral("INSERT INTO Bens (BECODIGO, BEFABRICA) VALUES ('0008', 'Alfa')"));
    p.FormActivate();
    EXPECT_EQ(s.LastCode, QStringLiteral("0001"));
    EXPECT_EQ(p.manufacturers(), (QStringList{QStringLiteral("Alfa"), QStringLiteral("Beta")}));

    EXPECT_EQ(AssetsProtocol::PickerDate(QVariant()), QDate::currentDate());
    EXPECT_EQ(AssetsProtocol::PickerDate(QDate(1899, 12, 30)), QDate::currentDate());
    EXPECT_EQ(AssetsProtocol::PickerDate(QDate(2020, 2, 29)), QDate(2020, 2, 29));
}
