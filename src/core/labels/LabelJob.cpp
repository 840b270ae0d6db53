#include "core/labels/LabelJob.h"

#include "core/common/Plural.h"
#include "core/common/Prompter.h"
#include "core/data/Query.h"
#include "core/data/TDados.h"
#include "core/labels/LabelSheet.h"

#include <QDir>
#include <QSet>

namespace ambitra {

namespace {

const QString kAssetColumns = QStringLiteral(
    "SELECT b.BECODIGO AS BECODIGO, b.BENOME AS BENOME, b.BELOCAL AS BELOCAL, "
    "l.LOPREDIO AS LOPREDIO, l.LODEPTO AS LODEPTO, l.LOSALA AS LOSALA "
    "FROM Bens b LEFT JOIN Locais l ON l.LOCODIGO = b.BELOCAL ");

QString text(const Query& query, int row, int column) {
    return query.valueAt(row, column).toString();
}

void openLocations(Query& query) {
    query.setText(
        QStringLiteral("SELECT LOCODIGO, LOPREDIO, LODEPTO, LOSALA FROM Locais ORDER BY LOCODIGO"));
    query.open();
}

}  // namespace

LabelJob::LabelJob(TDados& dados)
    : m_dados(dados), m_title(dados.settings().LabelTitle), m_codeBar(dados.settings().CodeBar) {}

void LabelJob::add(Label label) {
    if (SymbologyHolds(label.symbology, label.code)) {
        m_labels.append(std::move(label));
    } else {
        m_leftOut.append(label.code);
    }
}

void LabelJob::leaveOut(const QString& code) {
    m_leftOut.append(code);
    ++m_refused;
}

void LabelJob::addAsset(const QList<QVariant>& row) {
    Label label;
    label.code = row.value(0).toString();
    label.symbology = SymbologyFor(label.code, m_codeBar);
    label.description = row.value(1).toString().trimmed();
    label.location = LocationText(row.value(2).toString(), row.value(3).toString(),
                                  row.value(4).toString(), row.value(5).toString());
    add(std::move(label));
}

void LabelJob::addAssets(const AssetSelection& selection) {
    Query query(m_dados.Conn());
    auto addRows = [&] {
        query.open();
        for (int row = 0; row < query.rowCount(); ++row) {
            QList<QVariant> values;
            for (int column = 0; column < 6; ++column) {
                values << query.valueAt(row, column);
            }
            addAsset(values);
        }
    };
    if (!selection.codes.isEmpty()) {
        // In the order given, each asset once.
        query.setText(kAssetColumns + u"WHERE b.BECODIGO = :Codigo");
        QSet<QString> seen;
        for (const QString& code : selection.codes) {
            if (!seen.contains(code)) {
                seen.insert(code);
                query.setParameter(QStringLiteral("Codigo"), code);
                addRows();
            }
        }
        return;
    }
    QStringList conditions;
    QList<std::pair<QString, QString>> parameters;
    if (!selection.from.isEmpty()) {
        conditions << QStringLiteral("b.BECODIGO >= :De");
        parameters.append({QStringLiteral("De"), selection.from});
    }
    if (!selection.to.isEmpty()) {
        conditions << QStringLiteral("b.BECODIGO <= :Ate");
        parameters.append({QStringLiteral("Ate"), selection.to});
    }
    if (!selection.locations.isEmpty()) {
        QStringList names;
        for (int i = 0; i < selection.locations.size(); ++i) {
            names << QStringLiteral(":Local%1").arg(i);
            parameters.append({names.back().mid(1), selection.locations[i]});
        }
        conditions << u"b.BELOCAL IN (" + names.join(QStringLiteral(", ")) + u')';
    }
    query.setText(
        kAssetColumns +
        (conditions.isEmpty() ? QString() : u"WHERE " + conditions.join(u" AND ") + u' ') +
        u"ORDER BY b.BECODIGO");
    for (const auto& [name, value] : parameters) {
        query.setParameter(name, value);
    }
    addRows();
}

void LabelJob::addLocations(const QStringList& codes) {
    Query query(m_dados.Conn());
    openLocations(query);
    const QSet<QString> wanted(codes.begin(), codes.end());
    for (int row = 0; row < query.rowCount(); ++row) {
        Label label;
        label.code = text(query, row, 0);
        if (!wanted.isEmpty() && !wanted.contains(label.code)) {
            continue;
        }
        // The door label describes the room; its code is the bar code itself.
        const QString building = text(query, row, 1);
        const QString department = text(query, row, 2);
        const QString room = text(query, row, 3);
        if (!QString(building + department + room).trimmed().isEmpty()) {
            label.description = building + u" / " + department + u" / " + room;
        }
        add(std::move(label));
    }
}

bool LabelJob::Check(const LabelSheet& sheet, int start, Prompter& prompter) const {
    if (start < 1 || start > sheet.labelsPerSheet()) {
        prompter.beepError(
            QStringLiteral("Posição inicial deve estar entre 1 e %1!").arg(sheet.labelsPerSheet()));
        return false;
    }
    if (m_labels.isEmpty()) {
        ReportLeftOut(prompter);
        prompter.beepError(QStringLiteral("Nenhuma etiqueta a imprimir!"));
        return false;
    }
    return true;
}

QList<std::pair<QString, QString>> LocationChoices(TDados& dados) {
    Query query(dados.Conn());
    openLocations(query);
    QList<std::pair<QString, QString>> choices;
    for (int row = 0; row < query.rowCount(); ++row) {
        const QString code = text(query, row, 0);
        choices.append({code, LocationText(code, text(query, row, 1), text(query, row, 2),
                                           text(query, row, 3))});
    }
    return choices;
}

void LabelJob::ReportLeftOut(Prompter& prompter) const {
    if (m_leftOut.isEmpty()) {
        return;
    }
    prompter.warning(
        QStringLiteral("Estes códigos não cabem no código de barras e suas etiquetas não foram "
                       "impressas:\r\n") +
        m_leftOut.join(QStringLiteral("\r\n")));
}

QString LabelJob::writtenText(const QString& path) const {
    return countOf(printedCount(), QStringLiteral("etiqueta gravada"),
                   QStringLiteral("etiquetas gravadas")) +
           QStringLiteral(" em ") + QDir::toNativeSeparators(path) + u'.';
}

}  // namespace ambitra
