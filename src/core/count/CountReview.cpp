#include "core/count/CountReview.h"

#include "core/common/Coding.h"
#include "core/common/Error.h"
#include "core/common/Plural.h"
#include "core/data/Connection.h"
#include "core/data/TDados.h"
#include "core/count/ReadingApplier.h"
#include "core/count/ReadingClass.h"

namespace ambitra {

ReadingChoice ReadingChoice::all() {
    return {};
}

ReadingChoice ReadingChoice::codes(const QStringList& codes) {
    ReadingChoice choice;
    choice.m_by = By::Codes;
    choice.m_codes = QSet<QString>(codes.begin(), codes.end());
    return choice;
}

ReadingChoice ReadingChoice::places(const QSet<int>& seqs) {
    ReadingChoice choice;
    choice.m_by = By::Places;
    choice.m_seqs = seqs;
    return choice;
}

bool ReadingChoice::takes(const Reading& reading) const {
    switch (m_by) {
        case By::All:
            return !isReadingClass(reading.readingClass, ReadingClass::Invalid);
        case By::Codes:
            return m_codes.contains(reading.code());
        case By::Places:
            return m_seqs.contains(reading.seq);
    }
    return false;
}

QStringList ReadingChoice::unmatched(const QList<CountStore::PendingRow>& rows) const {
    if (m_by != By::Codes) {
        return {};
    }
    QSet<QString> left = m_codes;
    for (const CountStore::PendingRow& row : rows) {
        left.remove(row.reading.code());
    }
    QStringList list(left.begin(), left.end());
    list.sort();
    return list;
}

CountReview::CountReview(TDados& dados, SyncLog& log, Progress& progress)
    : m_dados(dados), m_log(log), m_progress(progress) {}

QString CountReview::describe(const CountStore::PendingRow& row) {
    const Reading& r = row.reading;
    QStringList fields{r.readingClass, r.code()};
    const bool known = !isReadingClass(r.readingClass, ReadingClass::New) &&
                       !isReadingClass(r.readingClass, ReadingClass::Invalid);
    if (!known) {
        fields << u'>' + r.stored(Reading::Location).toString();
        return fields.join(u'\t');
    }
    const std::pair<QVariant, int> changes[] = {{row.oldLocation, Reading::Location},
                                                {row.oldCondition, Reading::Condition},
                                                {row.oldSerial, Reading::Serial}};
    for (const auto& [old, field] : changes) {
        const QVariant now = r.stored(field);
        if (old.isNull() != now.isNull() || old.toString() != now.toString()) {
            fields << old.toString() + u'>' + now.toString();
        }
    }
    return fields.join(u'\t');
}

void CountReview::requireMatched(int count, const ReadingChoice& choice) {
    CountStore::requireAvailable(m_dados);
    CountStore store(m_dados);
    if (!store.count(count)) {
        throw Error(QStringLiteral("A contagem %1 não existe.").arg(count));
    }
    const QStringList missing = choice.unmatched(store.pendingRows(count));
    if (!missing.isEmpty()) {
        throw Error(QStringLiteral("A contagem %1 não tem leitura pendente do bem %2.")
                        .arg(count)
                        .arg(missing.join(QStringLiteral(", "))));
    }
}

QList<CountStore::PendingRow> CountReview::invalidChosen(const QList<CountStore::PendingRow>& rows,
                                                         const ReadingChoice& choice) {
    QList<CountStore::PendingRow> invalid;
    for (const CountStore::PendingRow& row : rows) {
        if (choice.takes(row.reading) &&
            isReadingClass(row.reading.readingClass, ReadingClass::Invalid)) {
            invalid.append(row);
        }
    }
    return invalid;
}

QString CountReview::invalidCodesQuestion(const QList<CountStore::PendingRow>& invalid,
                                          const QString& codeBar) {
    QStringList codes;
    for (const CountStore::PendingRow& row : invalid) {
        codes << row.reading.code();
    }
    const QString coding = codingCaption(codingOf(codeBar));
    if (codes.size() == 1) {
        return QStringLiteral(
                   "O código %1 não tem um dígito verificador válido no %2: aplicada, "
                   "a leitura criará um bem novo com esse código. Aplicar esta leitura "
                   "assim mesmo?")
            .arg(codes.first(), coding);
    }
    return QStringLiteral(
               "Os códigos %1 não têm um dígito verificador válido no %2: aplicadas, "
               "as leituras criarão bens novos com esses códigos. Aplicar estas %3 "
               "leituras assim mesmo?")
        .arg(codes.join(QStringLiteral(", ")), coding)
        .arg(codes.size());
}

QString CountReview::closeQuestion(const CountInfo& count) {
    if (count.pending == 0) {
        return {};
    }
    return QStringLiteral("A contagem %1 ainda tem %2. Encerrar a contagem assim mesmo?")
        .arg(count.number)
        .arg(countOf(count.pending, QStringLiteral("leitura pendente"),
                     QStringLiteral("leituras pendentes")));
}

bool CountReview::accept(int count, const ReadingChoice& choice) {
    requireMatched(count, choice);
    CountStore store(m_dados);
    PendingReadings pending(store, count, [&choice](const Reading& r) { return choice.takes(r); });
    ReadingApplier applier(m_dados, m_log, m_progress);
    // The readings count as the HotSync of their user had applied them.
    applier.applyKept(
        store.user(count), [&pending](Reading& r) { return pending.next(r); },
        [&store](const Reading& r) { store.setState(r.count, r.seq, CountStore::kApplied); });
    m_processed = applier.processed();
    return applier.completed();
}

int CountReview::reject(int count, const ReadingChoice& choice) {
    requireMatched(count, choice);
    CountStore store(m_dados);
    Transaction transaction(m_dados.Conn(), m_progress);
    int rejected = 0;
    for (const CountStore::PendingRow& row : store.pendingRows(count)) {
        if (choice.takes(row.reading)) {
            store.setState(count, row.reading.seq, CountStore::kRejected);
            ++rejected;
        }
    }
    transaction.commit();
    return rejected;
}

}  // namespace ambitra
