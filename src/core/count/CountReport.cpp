#include "core/count/CountReport.h"

#include "core/common/Cp1252.h"
#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/EngineErrorText.h"
#include "core/data/TDados.h"
#include "core/log/LogCsv.h"

#include <QDir>
#include <QHash>
#include <QIODevice>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace ambitra {

namespace {

QSqlQuery runQuery(Connection& conn, const QString& sql, int count) {
    QSqlQuery q(conn.database());
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        throw Error(EngineErrorText::of(q.lastError()));
    }
    q.addBindValue(count);
    if (!q.exec()) {
        throw Error(EngineErrorText::of(q.lastError()));
    }
    return q;
}

struct Seen {
    QString location;
    QString readingClass;
    QString registerLocation;
    QString name;
};

}  // namespace

void LocationTally::add(const LocationTally& o) {
    expected += o.expected;
    seen += o.seen;
    missing += o.missing;
    elsewhere += o.elsewhere;
    fromElsewhere += o.fromElsewhere;
    added += o.added;
    invalid += o.invalid;
}

QStringList LocationTally::captions() {
    return {QStringLiteral("Local"),          QStringLiteral("Esperados"),
            QStringLiteral("Vistos"),         QStringLiteral("Faltantes"),
            QStringLiteral("Em outro local"), QStringLiteral("De outro local"),
            QStringLiteral("Novos"),          QStringLiteral("Inválidos")};
}

QStringList LocationTally::cells(const QString& first) const {
    return {first,
            QString::number(expected),
            QString::number(seen),
            QString::number(missing),
            QString::number(elsewhere),
            QString::number(fromElsewhere),
            QString::number(added),
            QString::number(invalid)};
}

QString CountDetail::caption(Kind kind) {
    switch (kind) {
        case Missing:
            return QStringLiteral("Faltante");
        case Elsewhere:
            return QStringLiteral("Em outro local");
        case FromElsewhere:
            return QStringLiteral("De outro local");
        case New:
            return QStringLiteral("Novo");
        case Invalid:
            return QStringLiteral("Código inválido");
    }
    return {};
}

QString CountDetail::kindName(Kind kind) {
    static const char* const names[] = {"missing", "elsewhere", "from_elsewhere", "new", "invalid"};
    return QString::fromLatin1(names[kind]);
}

CountReport CountReport::build(TDados& dados, int count) {
    // Every read of the report sees one register: a run that another program
    // commits meanwhile is in it whole or not at all.
    ReadSnapshot snapshot(dados.Conn());
    CountStore store(dados);
    CountReport report;
    const std::optional<CountInfo> info = store.count(count);
    if (!info) {
        throw Error(QStringLiteral("A contagem %1 não existe.").arg(count));
    }
    report.m_info = *info;
    report.m_marked = store.locations(count);

    // The last reading of every code, rejected ones left out.
    QHash<QString, Seen> seen;
    QSqlQuery readings = runQuery(
        dados.Conn(),
        QStringLiteral("SELECT LEBEM, LELOCAL, LECLASSE, LELOCANT, COALESCE(BENOME, LENOME) FROM "
                       "Leituras LEFT JOIN Bens ON BECODIGO = LEBEM WHERE LECONTAGEM = ? AND "
                       "LEESTADO <> 'R' ORDER BY LESEQ"),
        count);
    while (readings.next()) {
        seen.insert(readings.value(0).toString(),
                    {readings.value(1).toString(), readings.value(2).toString(),
                     readings.value(3).toString(), readings.value(4).toString()});
    }
    readings.finish();

    QMap<QString, LocationTally> tallies;
    for (const QString& location : report.m_marked) {
        tallies[location].location = location;
    }
    auto tally = [&tallies](const QString& location) -> LocationTally& {
        LocationTally& t = tallies[location];
        t.location = location;
        return t;
    };
    QSqlQuery expected = runQuery(
        dados.Conn(),
        QStringLiteral("SELECT ESBEM, ESLOCAL, BENOME FROM Esperados LEFT JOIN Bens ON BECODIGO "
                       "= ESBEM WHERE ESCONTAGEM = ?"),
        count);
    while (expected.next()) {
        const QString code = expected.value(0).toString();
        const QString location = expected.value(1).toString();
        LocationTally& t = tally(location);
        ++t.expected;
        const auto it = seen.constFind(code);
        if (it == seen.constEnd()) {
            ++t.missing;
            report.m_details.append(
                {CountDetail::Missing, code, location, QString(), expected.value(2).toString()});
        } else if (it->location == location) {
            ++t.seen;
            seen.erase(it);
        } else {
            ++t.elsewhere;
            // Counted once as a reading too: where it was read, from elsewhere.
            ++tally(it->location).fromElsewhere;
            report.m_details.append({CountDetail::Elsewhere, code, location, it->location,
                                     expected.value(2).toString()});
            seen.erase(it);
        }
    }
    expected.finish();
    // What is left was read without being expected.
    for (auto it = seen.constBegin(); it != seen.constEnd(); ++it) {
        LocationTally& t = tally(it->location);
        CountDetail::Kind kind = CountDetail::FromElsewhere;
        if (it->readingClass == QLatin1String("invalid")) {
            kind = CountDetail::Invalid;
            ++t.invalid;
        } else if (it->readingClass == QLatin1String("new")) {
            kind = CountDetail::New;
            ++t.added;
        } else {
            ++t.fromElsewhere;
        }
        report.m_details.append(
            {kind, it.key(), kind == CountDetail::FromElsewhere ? it->registerLocation : QString(),
             it->location, it->name});
    }
    QSqlQuery captions(dados.Conn().database());
    captions.setForwardOnly(true);
    if (!captions.exec(QStringLiteral("SELECT LOCODIGO, LOPREDIO, LODEPTO, LOSALA FROM Locais"))) {
        throw Error(EngineErrorText::of(captions.lastError()));
    }
    while (captions.next()) {
        if (tallies.contains(captions.value(0).toString())) {
            report.m_captions.insert(
                captions.value(0).toString(),
                QStringList{captions.value(1).toString(), captions.value(2).toString(),
                            captions.value(3).toString()}
                    .join(QStringLiteral(" / ")));
        }
    }
    captions.finish();
    for (const LocationTally& t : tallies) {
        report.m_locations.append(t);
        report.m_total.add(t);
    }
    std::sort(report.m_details.begin(), report.m_details.end(),
              [](const CountDetail& a, const CountDetail& b) {
                  return a.kind != b.kind ? a.kind < b.kind : a.code < b.code;
              });
    return report;
}

QList<CountDetail> CountReport::detailsOf(const QString& location) const {
    QList<CountDetail> list;
    for (const CountDetail& d : m_details) {
        const bool expectedHere =
            d.kind == CountDetail::Missing || d.kind == CountDetail::Elsewhere;
        if ((expectedHere ? d.expectedLocation : d.readLocation) == location) {
            list.append(d);
        }
    }
    return list;
}

QStringList CountReport::lines(bool withDetails) const {
    QStringList out;
    for (const LocationTally& t : m_locations) {
        out << t.cells(t.location).join(u'\t');
    }
    out << m_total.cells(QStringLiteral("TOTAL")).join(u'\t');
    if (withDetails) {
        for (const CountDetail& d : m_details) {
            out << QStringList{CountDetail::kindName(d.kind), d.code, d.expectedLocation,
                               d.readLocation, d.name}
                       .join(u'\t');
        }
    }
    return out;
}

void CountReport::writeCsv(const LogCsvFormat& format, QIODevice& out) const {
    QByteArray bytes;
    auto line = [&](const QStringList& fields) {
        cp1252::appendEncoded(bytes, fields.join(format.delimiter()));
        bytes.append("\r\n", 2);
    };
    auto quoted = [&format](const char* text) { return format.quoted(QString::fromUtf8(text)); };
    auto tallyFields = [&](const QString& first, const LocationTally& t) {
        QStringList fields = t.cells(format.quoted(first));
        line(fields);
    };
    QStringList heads;
    for (const QString& caption : LocationTally::captions()) {
        heads << format.quoted(caption);
    }
    line(heads);
    for (const LocationTally& t : m_locations) {
        tallyFields(t.location, t);
    }
    tallyFields(QStringLiteral("TOTAL"), m_total);
    line({quoted("Ocorrência"), quoted("Código"), quoted("Local esperado"), quoted("Local lido"),
          quoted("Descrição")});
    for (const CountDetail& d : m_details) {
        line({format.quoted(CountDetail::caption(d.kind)), format.quoted(d.code),
              format.quoted(d.expectedLocation), format.quoted(d.readLocation),
              format.quoted(d.name)});
    }
    if (out.write(bytes) != bytes.size()) {
        throw Error(out.errorString());
    }
}

void CountReport::saveCsv(const LogCsvFormat& format, const QString& path,
                          const OwnFiles& own) const {
    OutputFile file(path, own);
    const QString cannotCreate = QStringLiteral("Arquivo ") + QDir::toNativeSeparators(path) +
                                 QStringLiteral(" não pode ser criado!");
    if (!file.open()) {
        throw Error(cannotCreate);
    }
    writeCsv(format, file.device());
    if (!file.commit()) {
        throw Error(cannotCreate);
    }
}

}  // namespace ambitra
