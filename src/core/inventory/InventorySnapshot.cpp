#include "core/inventory/InventorySnapshot.h"

#include "core/inventory/InventoryReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ambitra {

namespace {

QJsonArray tallyJson(const LocationTally& t) {
    return {t.location,  t.expected,      t.seen,  t.missing,
            t.elsewhere, t.fromElsewhere, t.added, t.invalid};
}

LocationTally tallyOf(const QJsonArray& a) {
    LocationTally t;
    t.location = a.at(0).toString();
    t.expected = a.at(1).toInt();
    t.seen = a.at(2).toInt();
    t.missing = a.at(3).toInt();
    t.elsewhere = a.at(4).toInt();
    t.fromElsewhere = a.at(5).toInt();
    t.added = a.at(6).toInt();
    t.invalid = a.at(7).toInt();
    return t;
}

// Amounts as text: whole thousandths, never rounded through a double.
QJsonValue amount(Thousandths value) {
    return QString::number(value);
}

Thousandths amountOf(const QJsonValue& v) {
    return v.toString().toLongLong();
}

QJsonArray figuresJson(const RoundFigures& f) {
    return {f.round, tallyJson(f.tally), amount(f.expectedValue), amount(f.missingValue)};
}

RoundFigures figuresOf(const QJsonArray& a) {
    RoundFigures f;
    f.round = a.at(0).toInt();
    f.tally = tallyOf(a.at(1).toArray());
    f.expectedValue = amountOf(a.at(2));
    f.missingValue = amountOf(a.at(3));
    return f;
}

QString dateText(const QDate& day) {
    return day.isNull() ? QString() : day.toString(Qt::ISODate);
}

}  // namespace

QByteArray inventorySnapshot(const InventoryReport& report) {
    QJsonArray locations;
    for (const InventoryLocation& l : report.locations) {
        QJsonArray earlier;
        for (const RoundFigures& f : l.earlierRounds) {
            earlier.append(figuresJson(f));
        }
        locations.append(QJsonArray{l.location, l.caption, static_cast<int>(l.state),
                                    figuresJson(l.latest), earlier});
    }
    QJsonArray notLocated;
    for (const NotLocatedAsset& a : report.notLocated) {
        notLocated.append(
            QJsonArray{a.code, a.name, a.location, amount(a.value), dateText(a.lastInventory)});
    }
    QJsonArray unregistered;
    for (const UnregisteredAsset& a : report.unregistered) {
        unregistered.append(QJsonArray{a.code, a.name, a.location, a.action});
    }
    QJsonArray elsewhere;
    for (const FoundElsewhereAsset& a : report.foundElsewhere) {
        elsewhere.append(QJsonArray{a.code, a.name, a.registeredLocation, a.foundLocation});
    }
    QJsonArray conditions;
    for (const ConditionFigure& c : report.conditions) {
        conditions.append(QJsonArray{c.code, c.text, c.count, amount(c.value)});
    }
    const PeriodMovements& m = report.movements;
    QJsonArray rows;
    for (const PeriodMovements::Row& r : m.rows) {
        rows.append(QJsonArray{r.when.toString(Qt::ISODateWithMs), r.user, r.operatorName, r.asset,
                               r.occurrence});
    }
    const QJsonObject object{
        {QStringLiteral("organizacao"), report.organisation},
        {QStringLiteral("locais"), locations},
        {QStringLiteral("total"), figuresJson(report.total)},
        {QStringLiteral("naoLocalizados"), notLocated},
        {QStringLiteral("naoCadastrados"), unregistered},
        {QStringLiteral("emOutroLocal"), elsewhere},
        {QStringLiteral("situacoes"), conditions},
        {QStringLiteral("movimentacoes"),
         QJsonArray{m.moves, m.conditionChanges, m.serialChanges, m.newAssets, rows}},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

bool readInventorySnapshot(const QByteArray& snapshot, InventoryReport& report) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(snapshot, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return false;
    }
    const QJsonObject o = document.object();
    report.organisation = o.value(QStringLiteral("organizacao")).toString();
    report.locations.clear();
    for (const QJsonValue& v : o.value(QStringLiteral("locais")).toArray()) {
        const QJsonArray a = v.toArray();
        InventoryLocation l;
        l.location = a.at(0).toString();
        l.caption = a.at(1).toString();
        l.state = static_cast<InventoryLocationState>(a.at(2).toInt());
        l.latest = figuresOf(a.at(3).toArray());
        for (const QJsonValue& f : a.at(4).toArray()) {
            l.earlierRounds.append(figuresOf(f.toArray()));
        }
        report.locations.append(l);
    }
    report.total = figuresOf(o.value(QStringLiteral("total")).toArray());
    report.notLocated.clear();
    for (const QJsonValue& v : o.value(QStringLiteral("naoLocalizados")).toArray()) {
        const QJsonArray a = v.toArray();
        report.notLocated.append({a.at(0).toString(), a.at(1).toString(), a.at(2).toString(),
                                  amountOf(a.at(3)),
                                  QDate::fromString(a.at(4).toString(), Qt::ISODate)});
    }
    report.unregistered.clear();
    for (const QJsonValue& v : o.value(QStringLiteral("naoCadastrados")).toArray()) {
        const QJsonArray a = v.toArray();
        report.unregistered.append(
            {a.at(0).toString(), a.at(1).toString(), a.at(2).toString(), a.at(3).toString()});
    }
    report.foundElsewhere.clear();
    for (const QJsonValue& v : o.value(QStringLiteral("emOutroLocal")).toArray()) {
        const QJsonArray a = v.toArray();
        report.foundElsewhere.append(
            {a.at(0).toString(), a.at(1).toString(), a.at(2).toString(), a.at(3).toString()});
    }
    report.conditions.clear();
    for (const QJsonValue& v : o.value(QStringLiteral("situacoes")).toArray()) {
        const QJsonArray a = v.toArray();
        report.conditions.append(
            {a.at(0).toString(), a.at(1).toString(), a.at(2).toInt(), amountOf(a.at(3))});
    }
    const QJsonArray m = o.value(QStringLiteral("movimentacoes")).toArray();
    report.movements = PeriodMovements{};
    report.movements.moves = m.at(0).toInt();
    report.movements.conditionChanges = m.at(1).toInt();
    report.movements.serialChanges = m.at(2).toInt();
    report.movements.newAssets = m.at(3).toInt();
    for (const QJsonValue& v : m.at(4).toArray()) {
        const QJsonArray a = v.toArray();
        report.movements.rows.append({QDateTime::fromString(a.at(0).toString(), Qt::ISODateWithMs),
                                      a.at(1).toString(), a.at(2).toString(), a.at(3).toString(),
                                      a.at(4).toString()});
    }
    return true;
}

}  // namespace ambitra
