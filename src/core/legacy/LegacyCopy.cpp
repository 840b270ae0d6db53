#include "core/legacy/LegacyCopy.h"

#include "core/common/DateTextConversions.h"
#include "core/common/NumberConversions.h"
#include "core/common/Error.h"
#include "core/data/RegisterCopy.h"
#include "core/data/TDados.h"
#include "core/data/Connection.h"
#include "core/data/EngineErrorText.h"
#include "core/data/NativeQuery.h"
#include "core/data/Schema.h"
#include "core/data/SqlValue.h"
#include "core/legacy/LegacyFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>
#include <memory>
#include <vector>

namespace ambitra::legacy {

namespace {

const QString kNull = QStringLiteral("NULL");
constexpr qint64 kLargestThousandths = 99999999999;  // 99,999,999.999

QString quoted(const QString& text) {
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString moneyText(qint64 count, int decimals) {
    const qint64 scale = decimals == 4 ? 10000 : 1000;
    const QString sign = count < 0 ? QStringLiteral("-") : QString();
    const quint64 magnitude = count < 0 ? 0 - static_cast<quint64>(count) : quint64(count);
    return sign + QString::number(magnitude / scale) + u'.' +
           QStringLiteral("%1").arg(magnitude % scale, decimals, 10, QChar(u'0'));
}

QString shownValue(const Value& value) {
    switch (value.kind) {
        case Value::Kind::Null:
            return kNull;
        case Value::Kind::Text:
            return quoted(value.text);
        case Value::Kind::Money:
            return moneyText(value.money, 4);
        case Value::Kind::DateTime: {
            const QDateTime when = value.dateTime();
            return when.isValid() ? sqlvalue::dateTimeText(when)
                                  : QStringLiteral("(dia %1)").arg(value.days, 0, 'g', 17);
        }
        case Value::Kind::Boolean:
        case Value::Kind::Number:
            return QString::number(value.number, 'g', 17);
        case Value::Kind::Other:
            break;
    }
    return QStringLiteral("?");
}

bool fits(ColumnType type, ColumnKind kind) {
    switch (type) {
        case ColumnType::Text:
            return kind == ColumnKind::Text || kind == ColumnKind::Memo;
        case ColumnType::Money:
            return kind == ColumnKind::Money || kind == ColumnKind::Number;
        case ColumnType::Date:
        case ColumnType::DateTime:
            return kind == ColumnKind::DateTime;
    }
    return false;
}

// Rounds ten-thousandths to thousandths, halves away from zero.
qint64 thousandths(qint64 count) {
    const qint64 whole = count / 10;
    const qint64 rest = count % 10;
    return rest >= 5 ? whole + 1 : rest <= -5 ? whole - 1 : whole;
}

// A value as the register stores it: null, text, an amount, or the text of a
// date. A text is the old file's own, not copied, unless it was cut.
struct Stored {
    enum class Kind { Null, Text, Real, Date };
    Kind kind = Kind::Null;
    const QString* text = nullptr;
    QString cut;
    double real = 0;
    char date[23] = {};
    int dateSize = 0;

    void bindTo(NativeQuery& query, int index) const {
        switch (kind) {
            case Kind::Null:
                query.bindNull(index);
                return;
            case Kind::Text:
                query.bindText(index, *text);
                return;
            case Kind::Real:
                query.bindReal(index, real);
                return;
            case Kind::Date:
                query.bindAscii(index, date, dateSize);
                return;
        }
    }

    // The value as the general driver binds it.
    QVariant variant() const {
        switch (kind) {
            case Kind::Null:
                break;
            case Kind::Text:
                return *text;
            case Kind::Real:
                return real;
            case Kind::Date:
                return QString::fromLatin1(date, dateSize);
        }
        return QVariant(QMetaType::fromType<QString>());
    }
};

QList<QVariant> variants(const std::vector<Stored>& row) {
    QList<QVariant> values;
    values.reserve(static_cast<qsizetype>(row.size()));
    for (const Stored& value : row) {
        values << value.variant();
    }
    return values;
}

// One table of the old file paired with the register's.
struct Pairing {
    const TableDef* def = nullptr;
    std::unique_ptr<File::Table> source;
    QStringList columns;  // the register's stored columns
    QList<int> sourceAt;  // where each is in the old table
    int keyAt = -1;       // the register's key column, by place in columns
};

class Copier {
  public:
    Copier(Connection& target, bool force, Progress& progress)
        : m_target(target), m_force(force), m_progress(progress) {}

    QList<Change> changes;
    QList<Change> refusals;

    qint64 copy(Pairing& pair) {
        const QString& table = pair.def->name;
        // The log keeps its rows as they were written; the other tables follow the
        // rules of a saved row.
        const bool savedRow = table != schema::log().name;
        QSqlQuery one = prepareInsert(m_target, table, pair.columns, 1);
        // The embedded engine inserts row by row through its own interface (the
        // general driver's conversions cost more than the engine's work); a row it
        // refuses is inserted again through the general driver, whose error names
        // the column and value. Other engines insert in batches.
        NativeQuery native;
        const bool embedded =
            native.prepare(m_target.database(), insertStatement(table, pair.columns, 1));
        QSqlQuery many;
        if (!embedded) {
            many = prepareInsert(m_target, table, pair.columns, kCopyBatchRows);
        }
        QList<QList<QVariant>> batch;
        QList<const ColumnDef*> defs;
        for (const QString& name : pair.columns) {
            defs << &pair.def->columns[pair.def->indexOf(name)];
        }
        QList<Value> row;
        // One value of each column, its storage kept from row to row.
        std::vector<Stored> values(static_cast<size_t>(pair.columns.size()));
        qint64 count = 0;
        while (pair.source->next(row)) {
            ++count;
            const RowKey key{pair.keyAt >= 0 ? &row[pair.sourceAt[pair.keyAt]] : nullptr, count};
            for (int i = 0; i < pair.columns.size(); ++i) {
                convert(table, savedRow, key, *defs[i], row[pair.sourceAt[i]],
                        values[static_cast<size_t>(i)]);
            }
            if (embedded) {
                for (size_t i = 0; i < values.size(); ++i) {
                    values[i].bindTo(native, static_cast<int>(i));
                }
                if (!native.execute()) {
                    insertCopiedRow(one, pair.columns, variants(values));
                }
            } else {
                batch << variants(values);
                if (batch.size() == kCopyBatchRows) {
                    insertCopiedBatch(m_target, many, one, pair.columns, batch);
                    batch.clear();
                }
            }
            m_progress.advance();
            m_progress.yield();
        }
        for (const QList<QVariant>& rest : batch) {
            insertCopiedRow(one, pair.columns, rest);
        }
        return count;
    }

  private:
    // A row's key as a change names it, made only when a change is noted: its
    // key column's value, or its place in a table without one (the log).
    struct RowKey {
        const Value* value;
        qint64 count;
        QString text() const {
            return value == nullptr ? QStringLiteral("registro %1").arg(count) : keyText(*value);
        }
    };

    static QString keyText(const Value& value) {
        return value.kind == Value::Kind::Text ? value.text : shownValue(value);
    }

    void note(QList<Change>& list, const QString& table, const RowKey& key, const ColumnDef& column,
              const Value& old, const QString& stored, const QString& reason) {
        list << Change{table, key.text(), column.name, shownValue(old), stored, reason};
    }

    // A value the register cannot hold: refused, or with force the nearest one.
    void cannotHold(const QString& table, const RowKey& key, const ColumnDef& column,
                    const Value& old, const QString& stored, const QString& reason) {
        note(m_force ? changes : refusals, table, key, column, old, stored, reason);
    }

    void convert(const QString& table, bool savedRow, const RowKey& key, const ColumnDef& column,
                 const Value& value, Stored& out) {
        out.kind = Stored::Kind::Null;
        if (value.isNull()) {
            return;
        }
        switch (column.type) {
            case ColumnType::Text: {
                if (value.text.isEmpty() && savedRow) {
                    note(changes, table, key, column, value, kNull,
                         QStringLiteral("texto vazio guardado como nulo"));
                    return;
                }
                out.kind = Stored::Kind::Text;
                out.text = &value.text;
                if (column.size > 0 && value.text.size() > column.size) {
                    out.cut = value.text.left(column.size);
                    out.text = &out.cut;
                    cannotHold(table, key, column, value, quoted(out.cut),
                               QStringLiteral("texto maior que os %1 caracteres da coluna")
                                   .arg(column.size));
                }
                return;
            }
            case ColumnType::Money: {
                qint64 kept = 0;
                bool rounded = false;
                if (value.kind == Value::Kind::Money) {
                    kept = thousandths(value.money);
                    rounded = value.money % 10 != 0;
                } else {
                    const double scaled = value.number * 1000.0;
                    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.2e18) {
                        kept = scaled < 0 ? -kLargestThousandths - 1 : kLargestThousandths + 1;
                    } else {
                        kept = std::llround(scaled);
                        rounded = static_cast<double>(kept) / 1000.0 != value.number;
                    }
                }
                if (kept > kLargestThousandths || kept < -kLargestThousandths) {
                    kept = kept > 0 ? kLargestThousandths : -kLargestThousandths;
                    cannotHold(table, key, column, value, moneyText(kept, 3),
                               QStringLiteral("valor fora do limite de 99999999.999"));
                } else if (rounded) {
                    note(changes, table, key, column, value, moneyText(kept, 3),
                         QStringLiteral("arredondado para 3 casas decimais"));
                }
                out.kind = Stored::Kind::Real;
                out.real = static_cast<double>(kept) / 1000.0;
                return;
            }
            case ColumnType::Date:
            case ColumnType::DateTime: {
                QDate day;
                int msecs = 0;
                if (!value.dayAndTime(day, msecs)) {
                    cannotHold(table, key, column, value, kNull, QStringLiteral("data inválida"));
                    return;
                }
                if (savedRow && day == QDate(1899, 12, 30)) {
                    note(changes, table, key, column, value, kNull,
                         QStringLiteral("data zero (30/12/1899) guardada como nula"));
                    return;
                }
                out.kind = Stored::Kind::Date;
                if (column.type == ColumnType::Date) {
                    // The old program showed and edited only the date of these
                    // columns: a time of day it kept unseen is left out, and said.
                    if (msecs != 0) {
                        note(changes, table, key, column, value, sqlvalue::dateText(day),
                             QStringLiteral("hora descartada: a coluna guarda só a data"));
                    }
                    out.dateSize = sqlvalue::writeDateText(out.date, day);
                } else {
                    out.dateSize = sqlvalue::writeDateTimeText(out.date, day, msecs);
                }
                return;
            }
        }
    }

    Connection& m_target;
    bool m_force;
    Progress& m_progress;
};

QStringList dropStatements(const QStringList& indexes) {
    QStringList statements;
    for (const QString& name : indexes) {
        statements << QStringLiteral("DROP INDEX ") + name;
    }
    return statements;
}

void runAll(Connection& target, const QStringList& statements) {
    QSqlQuery query(target.database());
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            throw Error(EngineErrorText::of(query.lastError()));
        }
    }
}

qint64 rowsIn(Connection& target, const QString& table) {
    QSqlQuery query(target.database());
    if (!query.exec(QStringLiteral("SELECT count(*) FROM ") + table)) {
        throw Error(EngineErrorText::of(query.lastError()));
    }
    return query.next() ? query.value(0).toLongLong() : 0;
}

Pairing pair(File& file, const TableDef& def) {
    Pairing pairing;
    pairing.def = &def;
    pairing.source = file.table(def.name);
    if (!pairing.source) {
        throw Error(QStringLiteral("O arquivo %1 não tem a tabela %2; nada foi copiado.")
                        .arg(QDir::toNativeSeparators(file.name()), def.name));
    }
    pairing.columns = def.storedColumns();
    for (const QString& name : pairing.columns) {
        const int at = pairing.source->indexOf(name);
        if (at < 0) {
            throw Error(QStringLiteral("A tabela %1 do arquivo %2 não tem a coluna %3; nada foi "
                                       "copiado.")
                            .arg(def.name, QDir::toNativeSeparators(file.name()), name));
        }
        const ColumnDef& column = def.columns[def.indexOf(name)];
        if (!fits(column.type, pairing.source->columns()[at].kind)) {
            throw Error(QStringLiteral("A coluna %1 da tabela %2 do arquivo %3 tem um tipo que a "
                                       "coluna do cadastro não guarda; nada foi copiado.")
                            .arg(name, def.name, QDir::toNativeSeparators(file.name())));
        }
        pairing.sourceAt << at;
    }
    pairing.keyAt =
        def.keyColumn.isEmpty() ? -1 : static_cast<int>(pairing.columns.indexOf(def.keyColumn));
    return pairing;
}

}  // namespace

QString Change::line() const {
    return QStringList{table, key, column, oldValue, stored, reason}.join(QStringLiteral(" | "));
}

LegacyCopy::Result LegacyCopy::copyFrom(const QString& path, Progress& progress) {
    File file(path);
    std::vector<Pairing> pairs;
    qint64 total = 0;
    for (const TableDef* def : {&schema::status(), &schema::operadores(), &schema::locais(),
                                &schema::bens(), &schema::log()}) {
        pairs.push_back(pair(file, *def));
        total += pairs.back().source->rowCount();
    }
    QList<Change> extra;
    for (const Pairing& p : pairs) {
        for (const Column& column : p.source->columns()) {
            if (p.def->indexOf(column.name) < 0) {
                extra << Change{p.def->name,
                                QStringLiteral("(todos)"),
                                column.name,
                                QStringLiteral("-"),
                                QStringLiteral("-"),
                                QStringLiteral("coluna sem lugar no "
                                               "cadastro, não copiada")};
            }
        }
    }

    // Declared first so that it ends after the transaction.
    BulkFill fill(m_target);
    Transaction transaction(m_target, progress);
    for (const TableDef* def :
         {&schema::operadores(), &schema::locais(), &schema::bens(), &schema::log()}) {
        if (rowsIn(m_target, def->name) > 0) {
            throw Error(QStringLiteral("O banco de dados de destino já contém registros (tabela "
                                       "%1); nada foi copiado.")
                            .arg(def->name));
        }
    }
    // The register's condition codes (its defaults, as a rule) give way to the
    // old file's of the same code; the file's rows are read here and again by the
    // copy, which keeps the order of the file.
    {
        auto codes = file.table(schema::status().name);
        const int at = codes->indexOf(schema::status().keyColumn);
        QSqlQuery remove(m_target.database());
        remove.prepare(QStringLiteral("DELETE FROM Status WHERE STCODIGO = ?"));
        QList<Value> row;
        while (codes->next(row)) {
            if (row[at].kind == Value::Kind::Text) {
                remove.bindValue(0, row[at].text);
                if (!remove.exec()) {
                    throw Error(EngineErrorText::of(remove.lastError()));
                }
            }
        }
    }

    progress.setMaximum(total);
    Copier copier(m_target, m_force, progress);
    Result result;
    // Years of log rows: its indexes are built once after them (in the same
    // transaction) rather than kept row by row.
    runAll(m_target, dropStatements(schema::logIndexNames()));
    for (Pairing& p : pairs) {
        result.counts.append({p.def->name, copier.copy(p)});
    }
    runAll(m_target, schema::logIndexStatements());
    if (!copier.refusals.isEmpty()) {
        QStringList lines;
        for (const Change& change : copier.refusals) {
            lines << change.line();
        }
        throw ValuesRefused(
            QStringLiteral("%1 valores do arquivo %2 não cabem no cadastro; nada foi "
                           "copiado:\n%3")
                .arg(copier.refusals.size())
                .arg(QDir::toNativeSeparators(path), lines.join(u'\n')));
    }
    transaction.commit();
    result.changes = extra + copier.changes;
    return result;
}

QString offeredOldRegister(TDados& dados) {
    const QString file = QDir(dados.AppDir()).filePath(QStringLiteral("Ambitra.mdb"));
    if (dados.settings().OldRegisterDeclined || !QFileInfo(file).isFile()) {
        return {};
    }
    return rowsIn(dados.Conn(), schema::bens().name) == 0 ? file : QString();
}

void raiseLastCode(TDados& dados) {
    const QString highest = dados.GetLastCode();
    if (TextToFloat(highest) > TextToFloat(dados.settings().LastCode)) {
        dados.settings().LastCode = highest;
    }
}

}  // namespace ambitra::legacy
