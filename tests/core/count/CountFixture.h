#pragma once

#include "core/common/Conversions.h"
#include "core/common/Progress.h"
#include "core/count/CountStore.h"
#include "core/data/TDados.h"
#include "core/sync/InventoryUnload.h"
#include "core/sync/SyncFixture.h"

#include <QDate>
#include <QMap>

namespace ambitra::test {

using Record = QMap<QString, QVariant>;

// An EAN-13 code whose last digit is not its check digit.
inline QString badEan13() {
    const QString good = AddEANCheckDigit(QStringLiteral("789123456789"));
    return good.left(12) + QChar(u'0' + (good.back().digitValue() + 1) % 10);
}

inline Record reading(const char* code, const char* location, const char* condition = "01",
                      const char* serial = nullptr) {
    Record r{{QStringLiteral("BECODIGO"), QString::fromLatin1(code)},
             {QStringLiteral("BELOCAL"), QString::fromLatin1(location)},
             {QStringLiteral("BESITUACAO"), QString::fromLatin1(condition)},
             {QStringLiteral("BEULTOPE"), QStringLiteral("Ana")},
             {QStringLiteral("BEULTINV"), QDate(2024, 3, 9)},
             {QStringLiteral("BENOME"), QStringLiteral("Lido")},
             {QStringLiteral("BEFLAG"), QStringLiteral("X")}};
    if (serial != nullptr) {
        r.insert(QStringLiteral("BENSERIE"), QString::fromLatin1(serial));
    }
    return r;
}

// A register of three locations, a count of the first two, and the readings of
// every class coming back (EAN-13 coding).
struct Counting : SyncFixture {
    explicit Counting(bool review) {
        db.dados().settings().CodeBar = QStringLiteral("EAN13");
        db.dados().settings().Review = review;
        db.exec(
            QStringLiteral("INSERT INTO Locais VALUES ('0101', 'P1', 'ADM', 'S1'), "
                           "('0202', 'P2', NULL, NULL), ('0303', 'P3', NULL, NULL)"));
        db.exec(QStringLiteral(
            "INSERT INTO Bens (BECODIGO, BENOME, BELOCAL, BESITUACAO, BENSERIE) VALUES "
            "('1', 'Mesa', '0101', '01', NULL), ('2', 'Cadeira', '0101', '01', NULL), "
            "('3', 'Armário', '0202', '01', NULL), ('4', 'Estante', '0303', '01', NULL), "
            "('5', 'Monitor', '0101', '01', 'S1'), ('6', 'Sofá', '0202', '01', NULL)"));
        CountStore(db.dados())
            .openCount(QStringLiteral("Coletor"), {QStringLiteral("0101"), QStringLiteral("0202")},
                       {{QStringLiteral("1"), QStringLiteral("0101")},
                        {QStringLiteral("2"), QStringLiteral("0101")},
                        {QStringLiteral("3"), QStringLiteral("0202")},
                        {QStringLiteral("5"), QStringLiteral("0101")},
                        {QStringLiteral("6"), QStringLiteral("0202")}});
        const QByteArray bad = badEan13().toLatin1();
        writeReturnedAssets({reading("1", "0101"), reading("2", "0101", "02"), reading("3", "0101"),
                             reading("4", "0202"), reading("5", "0101", "01", "S2"),
                             reading("99", "0202"), reading(bad.constData(), "0101")});
    }

    void unload() {
        InventoryUnload(db.dados(), log, noProgress())
            .ProcessFile(QStringLiteral("Coletor"), path(QStringLiteral("BENS.DBF")));
    }
    QStringList bens() {
        return db.column(QStringLiteral(
            "SELECT BECODIGO || '|' || coalesce(BELOCAL, '') || '|' || coalesce(BESITUACAO, '') "
            "|| '|' || coalesce(BENSERIE, '') || '|' || coalesce(CAST(BEULTINV AS VARCHAR), '') "
            "|| '|' || coalesce(BEULTOPE, '') FROM Bens ORDER BY BECODIGO"));
    }
    QStringList logRows() {
        return db.column(QStringLiteral(
            "SELECT LGUSUARIO || '|' || LGOPERADOR || '|' || LGBEM || '|' || LGOCORRENC FROM Log "
            "ORDER BY rowid"));
    }
};

}  // namespace ambitra::test
