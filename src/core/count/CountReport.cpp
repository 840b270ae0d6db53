#include "core/count/CountReport.h"

#include "core/count/ReadingClass.h"
#include "core/common/Error.h"
#include "core/data/BoundQuery.h"
#include "core/data/Connection.h"
#include "core/data/TDados.h"
#include "core/log/LogCsv.h"

#include <QHash>
#include <QIODevice>
#include <QMap>
#include <QSqlQuery>

#include <algorithm>

namespace ambitra {

namespace {

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

QStringList LocationTally::counts() const {
    return {QString::number(expected),  QString::number(seen),          QString::number(missing),
            QString::number(elsewhere), QString::number(fromElsewhere), QString::number(added),
            QString::number(invalid)};
}

QStringList LocationTally::cells(const QString& first) const {
    return QStringList{first} + counts();
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
    QSqlQuery readings = runBoundQuery(
        dados.Conn(),
        QStringLiteral("SELECT LEBEM, LELOCAL, LECLASSE, LELOCANT, COALESCE(BENOME, LENOME) FROM "
                       "Leituras LEFT JOIN Bens ON BECODIGO = LEBEM WHERE LECONTAGEM = ? AND "
                       "LEESTADO <> 'R' ORDER BY LESEQ"),
        {count});
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
    QSqlQuery expected = runBoundQuery(
        dados.Conn(),
        QStringLiteral("SELECT ESBEM, ESLOCAL, BENOME FROM Esperados LEFT JOIN Bens ON BECODIGO "
                       "= ESBEM WHERE ESCONTAGEM = ?"),
        {count});
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
        if (isReadingClass(it->readingClass, ReadingClass::Invalid)) {
            kind = CountDetail::Invalid;
            ++t.invalid;
        } else if (isReadingClass(it->readingClass, ReadingClass::New)) {
            kind = CountDetail::New;
            ++t.added;
        } else {
            ++t.fromElsewhere;
        }
        report.m_details.append(
            {kind, it.key(), kind == CountDetail::FromElsewhere ? it->registerLocation : QString(),
             it->location, it->name});
    }
    QSqlQuery captions = runBoundQuery(
        dados.Conn(), QStringLiteral("SELECT LOCODIGO, LOPREDIO, LODEPTO, LOSALA FROM Locais"));
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
    CsvLines csv(format);
    auto line = [&csv](const QStringList& fields) { csv.add(fields); };
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
    csv.writeTo(out);
}

void CountReport::saveCsv(const LogCsvFormat& format, const QString& path,
                          const OwnFiles& own) const {
    saveCsvFile(path, own, [&](QIODevice& out) { writeCsv(format, out); });
}

}  // namespace ambitra
