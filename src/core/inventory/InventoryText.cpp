#include "core/inventory/InventoryText.h"

namespace ambitra {

QString amountText(Thousandths amount) {
    const Thousandths whole = amount < 0 ? -amount : amount;
    return (amount < 0 ? QStringLiteral("-") : QString()) + QString::number(whole / 1000) + u'.' +
           QStringLiteral("%1").arg(whole % 1000, 3, 10, QLatin1Char('0'));
}

QString inventoryDeclaration(const InventoryReport& report) {
    const QString format = QStringLiteral("dd/MM/yyyy");
    const InventoryInfo& info = report.info;
    const QString period =
        info.closed
            ? QStringLiteral("de %1 a %2")
                  .arg(info.opened.date().toString(format), info.closed->date().toString(format))
            : QStringLiteral("de %1 até a data de emissão (inventário em andamento)")
                  .arg(info.opened.date().toString(format));
    return QStringLiteral(
               "Declaramos, para os devidos fins, que os membros da comissão abaixo assinados "
               "verificaram pessoalmente, no período %1, os bens patrimoniais dos locais "
               "abrangidos pelo Inventário nº %2, e que este relatório expressa fielmente o "
               "resultado dessa verificação física.")
        .arg(period)
        .arg(info.number);
}

QStringList inventoryReportLines(const InventoryReport& report) {
    QStringList out;
    auto line = [&out](const QStringList& fields) { out << fields.join(u'\t'); };
    const InventoryInfo& info = report.info;
    line({QStringLiteral("inventory"), QString::number(info.number), info.title,
          inventoryKindName(info.kind), info.opened.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
          info.closed ? info.closed->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString()});
    for (const CommissionMember& m : info.commission) {
        line({QStringLiteral("member"), m.name, m.role, m.registration});
    }
    auto figures = [&line](QStringList fields, const RoundFigures& f) {
        fields << f.tally.cells(QString()).mid(1) << amountText(f.expectedValue)
               << amountText(f.missingValue);
        line(fields);
    };
    for (const InventoryLocation& l : report.locations) {
        figures({QStringLiteral("location"), l.location, inventoryLocationStateName(l.state),
                 QString::number(l.latest.round)},
                l.latest);
        for (const RoundFigures& earlier : l.earlierRounds) {
            figures(
                {QStringLiteral("round"), l.location, QString(), QString::number(earlier.round)},
                earlier);
        }
    }
    figures({QStringLiteral("total")}, report.total);
    for (const NotLocatedAsset& a : report.notLocated) {
        line({QStringLiteral("not_located"), a.code, a.name, a.location, amountText(a.value),
              a.lastInventory.isNull() ? QString()
                                       : a.lastInventory.toString(QStringLiteral("yyyy-MM-dd"))});
    }
    for (const UnregisteredAsset& a : report.unregistered) {
        line({QStringLiteral("unregistered"), a.code, a.name, a.location, a.action});
    }
    for (const FoundElsewhereAsset& a : report.foundElsewhere) {
        line({QStringLiteral("found_elsewhere"), a.code, a.name, a.registeredLocation,
              a.foundLocation});
    }
    for (const ConditionFigure& c : report.conditions) {
        line({QStringLiteral("condition"), c.code, c.text, QString::number(c.count),
              amountText(c.value)});
    }
    const PeriodMovements& m = report.movements;
    line({QStringLiteral("movements"), QString::number(m.moves),
          QString::number(m.conditionChanges), QString::number(m.serialChanges),
          QString::number(m.newAssets)});
    return out;
}

}  // namespace ambitra
