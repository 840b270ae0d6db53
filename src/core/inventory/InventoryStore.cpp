#include "core/inventory/InventoryStore.h"

#include "core/inventory/InventoryMerge.h"
#include "core/inventory/InventorySnapshot.h"

#include "core/common/Error.h"
#include "core/common/Prompter.h"
#include "core/data/BoundQuery.h"
#include "core/data/Connection.h"
#include "core/data/SqlValue.h"
#include "core/data/TDados.h"

#include <QSet>

namespace ambitra {

namespace {

constexpr int kInventorySchema = 4;

QString nowText() {
    return sqlvalue::dateTimeText(QDateTime::currentDateTime());
}

int kindNumber(InventoryKind kind) {
    return static_cast<int>(kind) + 1;
}

InventoryKind kindOfNumber(int number) {
    if (number < 1 || number > 5) {
        return InventoryKind::Occasional;
    }
    return static_cast<InventoryKind>(number - 1);
}

QStringList numbersOf(const QList<int>& numbers) {
    QStringList list;
    for (int n : numbers) {
        list << QString::number(n);
    }
    return list;
}

// "0101, 0202" for a message.
QString listed(QStringList items) {
    items.removeDuplicates();
    return items.join(QStringLiteral(", "));
}

}  // namespace

InventoryLocationState CoveredLocation::state() const {
    if (recount) {
        return InventoryLocationState::ForRecount;
    }
    if (counts == 0) {
        return InventoryLocationState::NotLoaded;
    }
    return returned > 0 ? InventoryLocationState::Returned : InventoryLocationState::Loaded;
}

InventoryStore::InventoryStore(TDados& dados) : m_dados(dados), m_conn(dados.Conn()) {}

bool InventoryStore::available(TDados& dados) {
    return dados.schemaVersion() >= kInventorySchema;
}

void InventoryStore::requireAvailable(TDados& dados) {
    if (!available(dados)) {
        throw Error(QStringLiteral(
            "Os inventários não estão disponíveis neste banco de dados: ele não tem a versão "
            "de esquema do Ambitra PC e por isso não é alterado."));
    }
}

void InventoryStore::checkDraft(const InventoryDraft& draft) {
    const QString title = draft.title.trimmed();
    if (title.isEmpty()) {
        throw Error(QStringLiteral("Informe o título do inventário."));
    }
    if (title.size() > 80) {
        throw Error(QStringLiteral("O título do inventário tem mais de 80 caracteres."));
    }
    for (const QString& location : draft.locations) {
        if (boundScalar(m_conn, QStringLiteral("SELECT COUNT(*) FROM Locais WHERE LOCODIGO = ?"),
                        {location}) == 0) {
            throw Error(QStringLiteral("Local %1 não cadastrado.").arg(location));
        }
    }
    static const QStringList roles{QStringLiteral("presidente"), QStringLiteral("membro"),
                                   QStringLiteral("secretário")};
    for (const CommissionMember& m : draft.commission) {
        if (m.name.trimmed().isEmpty() || m.name.trimmed().size() > 60) {
            throw Error(QStringLiteral("Nome de membro da comissão inválido: \"%1\" (de 1 a 60 "
                                       "caracteres).")
                            .arg(m.name));
        }
        if (!roles.contains(m.role)) {
            throw Error(QStringLiteral("Função de membro da comissão inválida: \"%1\" (presidente, "
                                       "membro ou secretário).")
                            .arg(m.role));
        }
        if (m.registration.size() > 20) {
            throw Error(QStringLiteral("A matrícula de %1 tem mais de 20 caracteres.").arg(m.name));
        }
    }
}

void InventoryStore::writeMembers(int number, const QList<CommissionMember>& members) {
    runBoundQuery(m_conn, QStringLiteral("DELETE FROM InventarioMembros WHERE IMINVENTARIO = ?"),
                  {number})
        .finish();
    int order = 0;
    for (const CommissionMember& m : members) {
        runBoundQuery(m_conn,
                      QStringLiteral(
                          "INSERT INTO InventarioMembros (IMINVENTARIO, IMORDEM, IMNOME, IMFUNCAO, "
                          "IMMATRICULA) VALUES (?, ?, ?, ?, ?)"),
                      {number, ++order, m.name.trimmed(), m.role,
                       m.registration.isEmpty() ? QVariant() : QVariant(m.registration)})
            .finish();
    }
}

QStringList InventoryStore::coveredBy(const InventoryDraft& draft) {
    QStringList covered = draft.locations;
    if (covered.isEmpty()) {
        QSqlQuery all = runBoundQuery(m_conn, QStringLiteral("SELECT LOCODIGO FROM Locais"));
        while (all.next()) {
            covered << all.value(0).toString();
        }
        all.finish();
    }
    covered.removeDuplicates();
    return covered;
}

void InventoryStore::addLocation(int number, const QString& location) {
    runBoundQuery(m_conn,
                  QStringLiteral("INSERT INTO InventarioLocais (ILINVENTARIO, ILLOCAL, ILRODADA, "
                                 "ILRECONTAR) VALUES (?, ?, 1, 0)"),
                  {number, location})
        .finish();
}

int InventoryStore::create(const InventoryDraft& draft) {
    Transaction transaction(m_conn);
    checkDraft(draft);
    const int open = openInventory();
    if (open != 0) {
        throw Error(QStringLiteral("O inventário %1 está aberto: encerre-o antes de abrir outro.")
                        .arg(open));
    }
    const int number =
        boundScalar(m_conn, QStringLiteral("SELECT MAX(IVNUMERO) FROM Inventarios")) + 1;
    runBoundQuery(m_conn,
                  QStringLiteral("INSERT INTO Inventarios (IVNUMERO, IVTITULO, IVTIPO, "
                                 "IVABERTO, IVCEGO, IVTODOS) VALUES (?, ?, ?, ?, ?, ?)"),
                  {number, draft.title.trimmed(), kindNumber(draft.kind), nowText(),
                   draft.blind ? 1 : 0, draft.locations.isEmpty() ? 1 : 0})
        .finish();
    for (const QString& location : coveredBy(draft)) {
        addLocation(number, location);
    }
    writeMembers(number, draft.commission);
    transaction.commit();
    return number;
}

void InventoryStore::requireOpen(int number) {
    const std::optional<InventoryInfo> info = inventory(number);
    if (!info) {
        throw Error(QStringLiteral("O inventário %1 não existe.").arg(number));
    }
    if (info->closed) {
        throw Error(QStringLiteral("O inventário %1 está encerrado e não pode mais ser alterado.")
                        .arg(number));
    }
}

void InventoryStore::edit(int number, const InventoryDraft& draft) {
    Transaction transaction(m_conn);
    requireOpen(number);
    checkDraft(draft);
    runBoundQuery(m_conn,
                  QStringLiteral("UPDATE Inventarios SET IVTITULO = ?, IVTIPO = ?, IVCEGO = "
                                 "?, IVTODOS = ? WHERE IVNUMERO = ?"),
                  {draft.title.trimmed(), kindNumber(draft.kind), draft.blind ? 1 : 0,
                   draft.locations.isEmpty() ? 1 : 0, number})
        .finish();
    const QStringList wanted = coveredBy(draft);
    const QSet<QString> keep(wanted.begin(), wanted.end());
    for (const CoveredLocation& c : locations(number)) {
        if (keep.contains(c.location)) {
            continue;
        }
        if (c.everLoaded) {
            throw Error(QStringLiteral("O local %1 já foi carregado neste inventário e não pode "
                                       "ser retirado dele.")
                            .arg(c.location));
        }
        runBoundQuery(
            m_conn,
            QStringLiteral("DELETE FROM InventarioLocais WHERE ILINVENTARIO = ? AND ILLOCAL = ?"),
            {number, c.location})
            .finish();
    }
    for (const QString& location : keep) {
        if (boundScalar(m_conn,
                        QStringLiteral("SELECT COUNT(*) FROM InventarioLocais WHERE "
                                       "ILINVENTARIO = ? AND ILLOCAL = ?"),
                        {number, location}) == 0) {
            addLocation(number, location);
        }
    }
    writeMembers(number, draft.commission);
    transaction.commit();
}

QList<InventoryInfo> InventoryStore::inventories() {
    QList<InventoryInfo> list;
    QSqlQuery q = runBoundQuery(
        m_conn, QStringLiteral("SELECT IVNUMERO, IVTITULO, IVTIPO, IVABERTO, IVENCERRADO, IVCEGO, "
                               "IVTODOS FROM Inventarios ORDER BY IVNUMERO"));
    while (q.next()) {
        InventoryInfo info;
        info.number = q.value(0).toInt();
        info.title = q.value(1).toString();
        info.kind = kindOfNumber(q.value(2).toInt());
        info.opened = sqlvalue::fromSql(q.value(3), ColumnType::DateTime).toDateTime();
        if (!q.value(4).isNull()) {
            info.closed = sqlvalue::fromSql(q.value(4), ColumnType::DateTime).toDateTime();
        }
        info.blind = q.value(5).toInt() != 0;
        info.allLocations = q.value(6).toInt() != 0;
        list.append(info);
    }
    q.finish();
    QSqlQuery members = runBoundQuery(
        m_conn, QStringLiteral("SELECT IMINVENTARIO, IMNOME, IMFUNCAO, IMMATRICULA FROM "
                               "InventarioMembros ORDER BY IMINVENTARIO, IMORDEM"));
    while (members.next()) {
        const int number = members.value(0).toInt();
        for (InventoryInfo& info : list) {
            if (info.number == number) {
                info.commission.append({members.value(1).toString(), members.value(2).toString(),
                                        members.value(3).toString()});
            }
        }
    }
    members.finish();
    return list;
}

std::optional<InventoryInfo> InventoryStore::inventory(int number) {
    for (const InventoryInfo& info : inventories()) {
        if (info.number == number) {
            return info;
        }
    }
    return std::nullopt;
}

int InventoryStore::openInventory() {
    return boundScalar(
        m_conn, QStringLiteral("SELECT MAX(IVNUMERO) FROM Inventarios WHERE IVENCERRADO IS NULL"));
}

QList<CoveredLocation> InventoryStore::locations(int number) {
    QList<CoveredLocation> list;
    QSqlQuery q = runBoundQuery(
        m_conn,
        QStringLiteral(
            "SELECT ILLOCAL, ILRODADA, ILRECONTAR, (SELECT COUNT(*) FROM InventarioContagens WHERE "
            "ICINVENTARIO = ILINVENTARIO AND ICLOCAL = ILLOCAL AND ICRODADA = ILRODADA), (SELECT "
            "COUNT(*) FROM InventarioContagens WHERE ICINVENTARIO = ILINVENTARIO AND ICLOCAL = "
            "ILLOCAL AND ICRODADA = ILRODADA AND EXISTS (SELECT 1 FROM Leituras WHERE LECONTAGEM "
            "= ICCONTAGEM)), "
            "(SELECT COUNT(*) FROM InventarioContagens WHERE ICINVENTARIO = ILINVENTARIO AND "
            "ICLOCAL = ILLOCAL) FROM InventarioLocais WHERE ILINVENTARIO = ? ORDER BY ILLOCAL"),
        {number});
    while (q.next()) {
        CoveredLocation c;
        c.location = q.value(0).toString();
        c.round = q.value(1).toInt();
        c.recount = q.value(2).toInt() != 0;
        c.counts = q.value(3).toInt();
        c.returned = q.value(4).toInt();
        c.everLoaded = q.value(5).toInt() > 0;
        list.append(c);
    }
    q.finish();
    return list;
}

void InventoryStore::setRecount(int number, const QStringList& locations) {
    Transaction transaction(m_conn);
    requireOpen(number);
    for (const QString& location : locations) {
        if (boundScalar(m_conn,
                        QStringLiteral("SELECT COUNT(*) FROM InventarioLocais WHERE "
                                       "ILINVENTARIO = ? AND ILLOCAL = ?"),
                        {number, location}) == 0) {
            throw Error(QStringLiteral("O local %1 não faz parte do inventário %2.")
                            .arg(location)
                            .arg(number));
        }
        runBoundQuery(m_conn,
                      QStringLiteral("UPDATE InventarioLocais SET ILRECONTAR = 1 WHERE "
                                     "ILINVENTARIO = ? AND ILLOCAL = ?"),
                      {number, location})
            .finish();
    }
    transaction.commit();
}

QList<Divergence> InventoryStore::divergences(int number) {
    ReadSnapshot snapshot(m_conn);
    if (!inventory(number)) {
        throw Error(QStringLiteral("O inventário %1 não existe.").arg(number));
    }
    const InventoryMerge merge(m_conn, number);
    const InventoryMerge::Result result = merge.mergeLatest();
    QList<Divergence> list;
    for (auto it = result.divergent.constBegin(); it != result.divergent.constEnd(); ++it) {
        Divergence d;
        d.code = it.key();
        QSet<int> counts;
        for (const InventoryReading* r : it.value()) {
            d.locations << r->location;
            counts.insert(r->count);
        }
        d.locations.removeDuplicates();
        d.locations.sort();
        d.counts = QList<int>(counts.begin(), counts.end());
        std::sort(d.counts.begin(), d.counts.end());
        QSqlQuery name = runBoundQuery(
            m_conn, QStringLiteral("SELECT BENOME FROM Bens WHERE BECODIGO = ?"), {d.code});
        d.name = name.next() ? name.value(0).toString() : it.value().last()->name;
        name.finish();
        list.append(d);
    }
    return list;
}

void InventoryStore::keep(int number, const QString& code, const QString& location) {
    Transaction transaction(m_conn);
    requireOpen(number);
    const InventoryMerge merge(m_conn, number);
    const InventoryMerge::Result result = merge.mergeLatest();
    const auto divergent = result.divergent.constFind(code);
    if (divergent == result.divergent.constEnd()) {
        throw Error(QStringLiteral("O bem %1 não tem divergência em aberto no inventário %2.")
                        .arg(code)
                        .arg(number));
    }
    bool readThere = false;
    for (const InventoryReading* r : divergent.value()) {
        readThere = readThere || r->location == location;
    }
    if (!readThere) {
        throw Error(QStringLiteral("O bem %1 não foi lido no local %2 neste inventário.")
                        .arg(code, location));
    }
    const QString now = nowText();
    runBoundQuery(
        m_conn,
        QStringLiteral("DELETE FROM InventarioDecisoes WHERE IDINVENTARIO = ? AND IDBEM = ?"),
        {number, code})
        .finish();
    runBoundQuery(m_conn,
                  QStringLiteral("INSERT INTO InventarioDecisoes (IDINVENTARIO, IDBEM, IDLOCAL, "
                                 "IDDATA) VALUES (?, ?, ?, ?)"),
                  {number, code, location, now})
        .finish();
    const QString reason =
        QStringLiteral("Divergência: a comissão manteve o bem no local %1").arg(location);
    for (const InventoryReading* r : divergent.value()) {
        if (r->location == location) {
            continue;
        }
        runBoundQuery(m_conn,
                      QStringLiteral("INSERT INTO InventarioDescartes (IXINVENTARIO, "
                                     "IXCONTAGEM, IXSEQ, IXBEM, IXMOTIVO) VALUES (?, ?, ?, ?, ?)"),
                      {number, r->count, r->seq, code, reason})
            .finish();
        // A discarded reading still waiting for review is never applied.
        runBoundQuery(m_conn,
                      QStringLiteral("UPDATE Leituras SET LEESTADO = 'R' WHERE LECONTAGEM = ? "
                                     "AND LESEQ = ? AND LEESTADO = 'P'"),
                      {r->count, r->seq})
            .finish();
    }
    restoreKeptLocation(code, location, divergent.value(), now);
    transaction.commit();
}

void InventoryStore::restoreKeptLocation(const QString& code, const QString& location,
                                         const QList<const InventoryReading*>& reads,
                                         const QString& now) {
    // The latest reading at the kept location; one still waiting for review
    // moves the asset when it is applied.
    const InventoryReading* kept = nullptr;
    for (const InventoryReading* r : reads) {
        if (r->location == location) {
            kept = r;
        }
    }
    if (kept == nullptr || kept->state != QLatin1String("A")) {
        return;
    }
    QSqlQuery current = runBoundQuery(
        m_conn, QStringLiteral("SELECT BELOCAL FROM Bens WHERE BECODIGO = ?"), {code});
    const bool known = current.next();
    const QString old = known ? current.value(0).toString() : QString();
    current.finish();
    if (!known || old == location) {
        return;
    }
    // An applied reading that the commission discarded moved the asset: it goes
    // back where the commission kept it, logged as the kept reading's move.
    QSqlQuery who = runBoundQuery(
        m_conn,
        QStringLiteral("SELECT CTUSUARIO, LEULTOPE FROM Leituras JOIN Contagens ON CTNUMERO = "
                       "LECONTAGEM WHERE LECONTAGEM = ? AND LESEQ = ?"),
        {kept->count, kept->seq});
    const bool found = who.next();
    const QVariant user = found ? who.value(0) : QVariant();
    const QVariant op = found ? who.value(1) : QVariant();
    who.finish();
    runBoundQuery(m_conn, QStringLiteral("UPDATE Bens SET BELOCAL = ? WHERE BECODIGO = ?"),
                  {location, code})
        .finish();
    runBoundQuery(m_conn,
                  QStringLiteral("INSERT INTO Log (LGDATA, LGUSUARIO, LGOPERADOR, LGBEM, "
                                 "LGOCORRENC) VALUES (?, ?, ?, ?, ?)"),
                  {now, user, op, code, QStringLiteral("LOCAL:%1>%2").arg(old, location)})
        .finish();
}

QString InventoryStore::refusalOf(int number) {
    QStringList reasons;
    QSqlQuery pending = runBoundQuery(
        m_conn,
        QStringLiteral("SELECT LECONTAGEM, COUNT(*) FROM Leituras WHERE LEESTADO = 'P' AND "
                       "LECONTAGEM IN (SELECT ICCONTAGEM FROM InventarioContagens WHERE "
                       "ICINVENTARIO = ?) GROUP BY LECONTAGEM ORDER BY LECONTAGEM"),
        {number});
    QList<int> counts;
    int waiting = 0;
    while (pending.next()) {
        counts << pending.value(0).toInt();
        waiting += pending.value(1).toInt();
    }
    pending.finish();
    if (waiting > 0) {
        reasons << QStringLiteral("%1 leituras aguardam revisão (contagens %2)")
                       .arg(waiting)
                       .arg(numbersOf(counts).join(QStringLiteral(", ")));
    }
    QStringList divergent;
    for (const Divergence& d : divergences(number)) {
        divergent << d.code;
    }
    if (!divergent.isEmpty()) {
        reasons << QStringLiteral("há divergências em aberto (bens %1)").arg(listed(divergent));
    }
    QStringList never;
    QStringList recount;
    for (const CoveredLocation& c : locations(number)) {
        if (!c.everLoaded) {
            never << c.location;
        } else if (c.recount) {
            recount << c.location;
        }
    }
    if (!never.isEmpty()) {
        reasons << QStringLiteral("locais nunca carregados: %1").arg(listed(never));
    }
    if (!recount.isEmpty()) {
        reasons << QStringLiteral("locais marcados para recontagem e ainda não carregados: %1")
                       .arg(listed(recount));
    }
    if (reasons.isEmpty()) {
        return {};
    }
    return QStringLiteral("O inventário %1 não pode ser encerrado: %2.")
        .arg(number)
        .arg(reasons.join(QStringLiteral("; ")));
}

InventoryStore::ClosingCheck InventoryStore::closingCheck(int number) {
    ReadSnapshot snapshot(m_conn);
    requireOpen(number);
    ClosingCheck check;
    check.refusal = refusalOf(number);
    QSqlQuery waiting = runBoundQuery(
        m_conn,
        QStringLiteral("SELECT DISTINCT CTNUMERO, CTUSUARIO FROM InventarioContagens JOIN "
                       "Contagens ON CTNUMERO = ICCONTAGEM WHERE ICINVENTARIO = ? AND CTABERTA = 1 "
                       "AND NOT EXISTS (SELECT 1 FROM Leituras WHERE LECONTAGEM = CTNUMERO) ORDER "
                       "BY CTNUMERO"),
        {number});
    while (waiting.next()) {
        check.waiting << QStringLiteral("contagem %1 (%2)")
                             .arg(waiting.value(0).toInt())
                             .arg(waiting.value(1).toString());
    }
    waiting.finish();
    return check;
}

bool InventoryStore::close(int number, Prompter& prompter) {
    const ClosingCheck check = closingCheck(number);
    if (!check.refusal.isEmpty()) {
        throw Error(check.refusal);
    }
    if (!check.waiting.isEmpty() &&
        !prompter.confirm(QStringLiteral("Carregaram e ainda não enviaram leituras: %1. Encerrar o "
                                         "inventário %2 assim mesmo?")
                              .arg(check.waiting.join(QStringLiteral(", ")))
                              .arg(number))) {
        return false;
    }
    Transaction transaction(m_conn);
    // Checked again inside the transaction: an unload may have come meanwhile.
    requireOpen(number);
    const QString refusal = refusalOf(number);
    if (!refusal.isEmpty()) {
        throw Error(refusal);
    }
    const QString now = nowText();
    runBoundQuery(m_conn,
                  QStringLiteral("UPDATE Contagens SET CTABERTA = 0, CTENCERRADA = ? WHERE "
                                 "CTABERTA = 1 AND CTNUMERO IN (SELECT ICCONTAGEM FROM "
                                 "InventarioContagens WHERE ICINVENTARIO = ?)"),
                  {now, number})
        .finish();
    runBoundQuery(m_conn,
                  QStringLiteral("UPDATE Inventarios SET IVENCERRADO = ? WHERE IVNUMERO = ?"),
                  {now, number})
        .finish();
    // Kept as it stands now: later changes of the register do not change it.
    const InventoryReport report = InventoryReport::build(m_dados, number, true);
    runBoundQuery(
        m_conn,
        QStringLiteral("INSERT INTO InventarioRelatorios (IRINVENTARIO, IRDADOS) VALUES (?, ?)"),
        {number, QString::fromUtf8(inventorySnapshot(report))})
        .finish();
    transaction.commit();
    return true;
}

QStringList InventoryStore::join(int count, const QStringList& locations) {
    if (!available(m_dados)) {
        return {};
    }
    const int number = openInventory();
    if (number == 0) {
        return {};
    }
    const bool all =
        boundScalar(m_conn, QStringLiteral("SELECT IVTODOS FROM Inventarios WHERE IVNUMERO = ?"),
                    {number}) != 0;
    QStringList notes;
    QStringList joined;
    QSet<QString> done;
    for (const QString& location : locations) {
        if (done.contains(location)) {
            continue;
        }
        done.insert(location);
        QSqlQuery row = runBoundQuery(m_conn,
                                      QStringLiteral("SELECT ILRODADA, ILRECONTAR FROM "
                                                     "InventarioLocais WHERE ILINVENTARIO = ? "
                                                     "AND ILLOCAL = ?"),
                                      {number, location});
        int round = 1;
        bool recount = false;
        const bool covered = row.next();
        if (covered) {
            round = row.value(0).toInt();
            recount = row.value(1).toInt() != 0;
        }
        row.finish();
        if (!covered) {
            if (!all) {
                continue;
            }
            // A location made after the inventory opened is one of "all".
            addLocation(number, location);
        }
        if (recount) {
            ++round;
            runBoundQuery(m_conn,
                          QStringLiteral("UPDATE InventarioLocais SET ILRODADA = ?, ILRECONTAR "
                                         "= 0 WHERE ILINVENTARIO = ? AND ILLOCAL = ?"),
                          {round, number, location})
                .finish();
        }
        QSqlQuery others = runBoundQuery(
            m_conn,
            QStringLiteral("SELECT CTNUMERO, CTUSUARIO FROM InventarioContagens JOIN Contagens ON "
                           "CTNUMERO = ICCONTAGEM WHERE ICINVENTARIO = ? AND ICLOCAL = ? AND "
                           "ICRODADA = ? AND CTABERTA = 1 AND CTNUMERO <> ? ORDER BY CTNUMERO"),
            {number, location, round, count});
        while (others.next()) {
            notes << QStringLiteral(
                         "   Inventário %1: o local %2 já está na contagem %3 (%4), "
                         "ainda aberta; as duas contagens valem para o local.")
                         .arg(number)
                         .arg(location)
                         .arg(others.value(0).toInt())
                         .arg(others.value(1).toString());
        }
        others.finish();
        runBoundQuery(m_conn,
                      QStringLiteral("INSERT INTO InventarioContagens (ICINVENTARIO, "
                                     "ICCONTAGEM, ICLOCAL, ICRODADA) VALUES (?, ?, ?, ?)"),
                      {number, count, location, round})
            .finish();
        joined << (round > 1 ? QStringLiteral("%1 (rodada %2)").arg(location).arg(round)
                             : location);
    }
    if (!joined.isEmpty()) {
        notes.prepend(QStringLiteral("   Contagem %1 incluída no inventário %2: locais %3.")
                          .arg(count)
                          .arg(number)
                          .arg(joined.join(QStringLiteral(", "))));
    }
    return notes;
}

bool InventoryStore::blindLoad(const QStringList& locations) {
    if (!available(m_dados)) {
        return false;
    }
    const int number = openInventory();
    if (number == 0 ||
        boundScalar(m_conn, QStringLiteral("SELECT IVCEGO FROM Inventarios WHERE IVNUMERO = ?"),
                    {number}) == 0) {
        return false;
    }
    const bool all =
        boundScalar(m_conn, QStringLiteral("SELECT IVTODOS FROM Inventarios WHERE IVNUMERO = ?"),
                    {number}) != 0;
    for (const QString& location : locations) {
        if (all || boundScalar(m_conn,
                               QStringLiteral("SELECT COUNT(*) FROM InventarioLocais WHERE "
                                              "ILINVENTARIO = ? AND ILLOCAL = ?"),
                               {number, location}) > 0) {
            return true;
        }
    }
    return false;
}

}  // namespace ambitra
