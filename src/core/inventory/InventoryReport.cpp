#include "core/inventory/InventoryReport.h"

#include "core/inventory/InventoryMerge.h"
#include "core/inventory/InventorySnapshot.h"
#include "core/inventory/InventoryStore.h"
#include "core/inventory/InventoryText.h"

#include "core/common/Error.h"
#include "core/count/ReadingClass.h"
#include "core/data/BoundQuery.h"
#include "core/data/Connection.h"
#include "core/data/Settings.h"
#include "core/data/SqlValue.h"
#include "core/data/TDados.h"
#include "core/log/LogCsv.h"

#include <QHash>
#include <QIODevice>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace ambitra {

namespace {

// An asset of the register, as the report needs it.
struct RegisterAsset {
    QString name;
    QString location;
    QString condition;
    Thousandths value = 0;
    QDate lastInventory;
};

Thousandths thousandthsOf(const QVariant& amount) {
    return amount.isNull() ? 0 : std::llround(amount.toDouble() * 1000.0);
}

// The values of one merge's figures: of the assets expected at a location, and
// of those of them that no reading saw.
void addValues(const InventoryMerge::Result& result, const QHash<QString, RegisterAsset>& assets,
               QHash<QString, RoundFigures>& figures) {
    for (auto it = result.expectedAt.constBegin(); it != result.expectedAt.constEnd(); ++it) {
        const Thousandths value = assets.value(it.key()).value;
        RoundFigures& f = figures[it.value()];
        f.expectedValue += value;
        if (!result.latest.contains(it.key())) {
            f.missingValue += value;
        }
    }
}

RoundFigures figuresOf(const InventoryMerge::Result& result,
                       const QHash<QString, RegisterAsset>& assets, const QString& location,
                       int round) {
    QHash<QString, RoundFigures> values;
    addValues(result, assets, values);
    RoundFigures f = values.value(location);
    f.round = round;
    f.tally = result.tallies.value(location);
    f.tally.location = location;
    return f;
}

QString actionOf(const InventoryReading& r) {
    if (r.state == QLatin1String("A")) {
        return QStringLiteral("Incorporado ao cadastro");
    }
    if (isReadingClass(r.readingClass, ReadingClass::Invalid)) {
        return QStringLiteral("Código inválido, aguardando revisão");
    }
    return QStringLiteral("Aguardando revisão");
}

// Counts each kind of change an occurrence of the log names ("LOCAL:a>b;SITUACAO:...").
void countOccurrence(const QString& occurrence, PeriodMovements& movements) {
    if (occurrence == QLatin1String("NOVO")) {
        ++movements.newAssets;
        return;
    }
    for (const QString& part : occurrence.split(u';')) {
        if (part.startsWith(QLatin1String("LOCAL:"))) {
            ++movements.moves;
        } else if (part.startsWith(QLatin1String("SITUACAO:"))) {
            ++movements.conditionChanges;
        } else if (part.startsWith(QLatin1String("NSERIE:"))) {
            ++movements.serialChanges;
        }
    }
}

}  // namespace

QString inventoryKindName(InventoryKind kind) {
    switch (kind) {
        case InventoryKind::Annual:
            return QStringLiteral("Anual");
        case InventoryKind::Initial:
            return QStringLiteral("Inicial");
        case InventoryKind::ChangeOfCharge:
            return QStringLiteral("Transferência de responsável");
        case InventoryKind::Extinction:
            return QStringLiteral("Extinção");
        case InventoryKind::Occasional:
            return QStringLiteral("Eventual");
    }
    return {};
}

std::optional<InventoryKind> inventoryKindNamed(const QString& name) {
    // Compared without accents or letter case.
    auto plain = [](const QString& text) {
        QString folded = text.normalized(QString::NormalizationForm_D).toLower();
        folded.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
        return folded.simplified();
    };
    const QString wanted = plain(name);
    for (InventoryKind kind :
         {InventoryKind::Annual, InventoryKind::Initial, InventoryKind::ChangeOfCharge,
          InventoryKind::Extinction, InventoryKind::Occasional}) {
        if (plain(inventoryKindName(kind)) == wanted) {
            return kind;
        }
    }
    return std::nullopt;
}

QString inventoryLocationStateName(InventoryLocationState state) {
    switch (state) {
        case InventoryLocationState::NotLoaded:
            return QStringLiteral("não carregado");
        case InventoryLocationState::Loaded:
            return QStringLiteral("carregado");
        case InventoryLocationState::Returned:
            return QStringLiteral("devolvido");
        case InventoryLocationState::ForRecount:
            return QStringLiteral("recontagem");
    }
    return {};
}

InventoryReport InventoryReport::build(TDados& dados, int number, bool withMovementRows) {
    Connection& conn = dados.Conn();
    // One view of the register for every figure of the report.
    ReadSnapshot snapshot(conn);
    InventoryStore store(dados);
    const std::optional<InventoryInfo> info = store.inventory(number);
    if (!info) {
        throw Error(QStringLiteral("O inventário %1 não existe.").arg(number));
    }
    InventoryReport report;
    report.organisation = dados.settings().LabelTitle;
    report.issued = QDate::currentDate();
    report.info = *info;
    if (info->closed) {
        // What the commission signed, whatever the register holds now.
        QSqlQuery kept = runBoundQuery(
            conn, QStringLiteral("SELECT IRDADOS FROM InventarioRelatorios WHERE IRINVENTARIO = ?"),
            {number});
        const bool found = kept.next();
        const QByteArray snapshot = found ? kept.value(0).toString().toUtf8() : QByteArray();
        kept.finish();
        if (found) {
            if (!readInventorySnapshot(snapshot, report)) {
                throw Error(QStringLiteral("O relatório guardado no encerramento do inventário "
                                           "%1 não pode ser lido.")
                                .arg(number));
            }
            if (!withMovementRows) {
                report.movements.rows.clear();
            }
            return report;
        }
    }

    QHash<QString, RegisterAsset> assets;
    {
        QSqlQuery q = runBoundQuery(
            conn, QStringLiteral("SELECT BECODIGO, BENOME, BELOCAL, BESITUACAO, BEVALOR, BEULTINV "
                                 "FROM Bens"));
        while (q.next()) {
            assets.insert(q.value(0).toString(),
                          {q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                           thousandthsOf(q.value(4)),
                           sqlvalue::fromSql(q.value(5), ColumnType::Date).toDate()});
        }
        q.finish();
    }
    QHash<QString, QString> captions;
    {
        QSqlQuery q = runBoundQuery(
            conn, QStringLiteral("SELECT LOCODIGO, LOPREDIO, LODEPTO, LOSALA FROM Locais"));
        while (q.next()) {
            captions.insert(
                q.value(0).toString(),
                QStringList{q.value(1).toString(), q.value(2).toString(), q.value(3).toString()}
                    .join(QStringLiteral(" / ")));
        }
        q.finish();
    }

    const InventoryMerge merge(conn, number);
    const InventoryMerge::Result latest = merge.mergeLatest();
    QHash<QString, RoundFigures> latestValues;
    addValues(latest, assets, latestValues);
    for (const CoveredLocation& covered : store.locations(number)) {
        InventoryLocation location;
        location.location = covered.location;
        location.caption = captions.value(covered.location);
        location.state = covered.state();
        location.latest.round = covered.round;
        if (latest.tallies.contains(covered.location)) {
            location.latest.tally = latest.tallies.value(covered.location);
            location.latest.expectedValue = latestValues.value(covered.location).expectedValue;
            location.latest.missingValue = latestValues.value(covered.location).missingValue;
        } else if (!covered.everLoaded) {
            // Never loaded: what the register expects there, nothing counted yet.
            for (const RegisterAsset& a : std::as_const(assets)) {
                if (a.location == covered.location) {
                    ++location.latest.tally.expected;
                    location.latest.expectedValue += a.value;
                }
            }
        }
        location.latest.tally.location = covered.location;
        for (int round : merge.loadedRounds(covered.location)) {
            if (round >= covered.round) {
                continue;
            }
            const QString code = covered.location;
            const InventoryMerge::Result earlier = merge.merge(
                [&code, round](const QString& l, int r) { return l == code && r == round; });
            location.earlierRounds.append(figuresOf(earlier, assets, code, round));
        }
        report.total.tally.add(location.latest.tally);
        report.total.expectedValue += location.latest.expectedValue;
        report.total.missingValue += location.latest.missingValue;
        report.locations.append(location);
    }
    report.total.tally.location = QStringLiteral("TOTAL");
    report.total.round = 0;

    auto nameOf = [&assets](const QString& code, const QString& read) {
        const auto it = assets.constFind(code);
        return it != assets.constEnd() && !it->name.isEmpty() ? it->name : read;
    };
    for (auto it = latest.expectedAt.constBegin(); it != latest.expectedAt.constEnd(); ++it) {
        const RegisterAsset asset = assets.value(it.key());
        const InventoryReading* read = latest.latest.value(it.key());
        if (read == nullptr) {
            report.notLocated.append(
                {it.key(), asset.name, it.value(), asset.value, asset.lastInventory});
        } else if (read->location != it.value()) {
            report.foundElsewhere.append(
                {it.key(), nameOf(it.key(), read->name), it.value(), read->location});
        }
    }
    QMap<QString, ConditionFigure> conditions;
    for (auto it = latest.latest.constBegin(); it != latest.latest.constEnd(); ++it) {
        const InventoryReading& read = *it.value();
        const bool unregistered = isReadingClass(read.readingClass, ReadingClass::New) ||
                                  isReadingClass(read.readingClass, ReadingClass::Invalid);
        if (unregistered) {
            report.unregistered.append({it.key(), read.name, read.location, actionOf(read)});
            continue;
        }
        const RegisterAsset asset = assets.value(it.key());
        const QString condition = read.condition.isEmpty() ? asset.condition : read.condition;
        ConditionFigure& figure = conditions[condition];
        figure.code = condition;
        ++figure.count;
        figure.value += asset.value;
        if (!latest.expectedAt.contains(it.key())) {
            const QString registered =
                read.registerLocation.isEmpty() ? asset.location : read.registerLocation;
            report.foundElsewhere.append(
                {it.key(), nameOf(it.key(), read.name), registered, read.location});
        }
    }
    {
        QSqlQuery q = runBoundQuery(conn, QStringLiteral("SELECT STCODIGO, STTEXTO FROM Status"));
        while (q.next()) {
            const auto it = conditions.find(q.value(0).toString());
            if (it != conditions.end()) {
                it->text = q.value(1).toString();
            }
        }
        q.finish();
    }
    report.conditions = conditions.values();
    auto byCode = [](const auto& a, const auto& b) { return a.code < b.code; };
    std::sort(report.notLocated.begin(), report.notLocated.end(), byCode);
    std::sort(report.unregistered.begin(), report.unregistered.end(), byCode);
    std::sort(report.foundElsewhere.begin(), report.foundElsewhere.end(), byCode);

    // The log of the period: from the opening to the closing (or now).
    const QDateTime end = info->closed ? *info->closed : QDateTime::currentDateTime();
    QSqlQuery log = runBoundQuery(
        conn,
        QStringLiteral("SELECT LGDATA, LGUSUARIO, LGOPERADOR, LGBEM, LGOCORRENC FROM Log WHERE "
                       "LGDATA >= ? AND LGDATA <= ? ORDER BY LGDATA"),
        {sqlvalue::toSqlParameter(info->opened), sqlvalue::toSqlParameter(end)});
    while (log.next()) {
        const QString occurrence = log.value(4).toString();
        countOccurrence(occurrence, report.movements);
        if (withMovementRows) {
            report.movements.rows.append(
                {sqlvalue::fromSql(log.value(0), ColumnType::DateTime).toDateTime(),
                 log.value(1).toString(), log.value(2).toString(), log.value(3).toString(),
                 occurrence});
        }
    }
    log.finish();
    return report;
}

void InventoryReport::writeCsv(const LogCsvFormat& format, QIODevice& out) const {
    CsvLines csv(format);
    auto line = [&csv](const QStringList& fields) { csv.add(fields); };
    auto q = [&format](const QString& text) { return format.quoted(text); };
    auto t = [&format](const char* text) { return format.quoted(QString::fromUtf8(text)); };
    auto moment = [](const QDateTime& when) {
        return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };

    line({t("Relatório de Inventário")});
    line({t("Órgão"), q(organisation)});
    line({t("Inventário"), QString::number(info.number)});
    line({t("Título"), q(info.title)});
    line({t("Tipo"), q(inventoryKindName(info.kind))});
    line({t("Aberto em"), q(moment(info.opened))});
    line({t("Encerrado em"), q(info.closed ? moment(*info.closed) : QString())});
    line({t("Cego"), info.blind ? t("Sim") : t("Não")});
    line({t("Emitido em"), q(issued.toString(QStringLiteral("yyyy-MM-dd")))});
    line({t("Comissão"), t("Nome"), t("Função"), t("Matrícula")});
    for (const CommissionMember& m : info.commission) {
        line({t("Membro"), q(m.name), q(m.role), q(m.registration)});
    }

    QStringList heads{t("Local"), t("Descrição"), t("Estado"), t("Rodada")};
    for (const QString& caption : LocationTally::captions().mid(1)) {
        heads << q(caption);
    }
    heads << t("Valor esperado") << t("Valor faltante");
    line(heads);
    auto figures = [&](QStringList fields, const RoundFigures& f) {
        fields << f.tally.counts();
        fields << amountText(f.expectedValue) << amountText(f.missingValue);
        line(fields);
    };
    for (const InventoryLocation& l : locations) {
        figures({q(l.location), q(l.caption), q(inventoryLocationStateName(l.state)),
                 QString::number(l.latest.round)},
                l.latest);
        for (const RoundFigures& earlier : l.earlierRounds) {
            figures(
                {q(l.location), q(l.caption), t("rodada anterior"), QString::number(earlier.round)},
                earlier);
        }
    }
    figures({t("TOTAL"), q(QString()), q(QString()), QString()}, total);

    line({t("Lista"), t("Código"), t("Descrição"), t("Local"), t("Valor"), t("Último inventário")});
    for (const NotLocatedAsset& a : notLocated) {
        line(
            {t("Não localizado"), q(a.code), q(a.name), q(a.location), amountText(a.value),
             q(a.lastInventory.isNull() ? QString()
                                        : a.lastInventory.toString(QStringLiteral("yyyy-MM-dd")))});
    }
    line({t("Lista"), t("Código"), t("Descrição"), t("Local"), t("Providência")});
    for (const UnregisteredAsset& a : unregistered) {
        line({t("Não cadastrado"), q(a.code), q(a.name), q(a.location), q(a.action)});
    }
    line({t("Lista"), t("Código"), t("Descrição"), t("Local cadastrado"), t("Local encontrado")});
    for (const FoundElsewhereAsset& a : foundElsewhere) {
        line({t("Em outro local"), q(a.code), q(a.name), q(a.registeredLocation),
              q(a.foundLocation)});
    }
    line({t("Lista"), t("Código"), t("Situação"), t("Quantidade"), t("Valor")});
    for (const ConditionFigure& c : conditions) {
        line({t("Situação"), q(c.code), q(c.text), QString::number(c.count), amountText(c.value)});
    }
    line({t("Movimentações"), t("Mudanças de local"), t("Mudanças de situação"),
          t("Mudanças de nº de série"), t("Bens novos")});
    line({t("Total do período"), QString::number(movements.moves),
          QString::number(movements.conditionChanges), QString::number(movements.serialChanges),
          QString::number(movements.newAssets)});
    for (const PeriodMovements::Row& row : movements.rows) {
        line({t("Movimentação"), format.dateTimeFields(row.when), q(row.user), q(row.operatorName),
              q(row.asset), q(row.occurrence)});
    }
    line({t("Declaração"), q(inventoryDeclaration(*this))});
    for (const CommissionMember& m : info.commission) {
        line({t("Assinatura"), q(m.name), q(m.role), q(m.registration)});
    }
    csv.writeTo(out);
}

void InventoryReport::saveCsv(const LogCsvFormat& format, const QString& path,
                              const OwnFiles& own) const {
    saveCsvFile(path, own, [&](QIODevice& out) { writeCsv(format, out); });
}

}  // namespace ambitra
