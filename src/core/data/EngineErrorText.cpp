#include "core/data/EngineErrorText.h"

#include "core/data/PostgresEngine.h"
#include "core/data/Schema.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlError>

namespace ambitra {

namespace {

const TableDef* tableNamed(const QString& name) {
    for (const TableDef* t : {&schema::operadores(), &schema::locais(), &schema::bens(),
                              &schema::status(), &schema::log()}) {
        if (t->name.compare(name, Qt::CaseInsensitive) == 0) {
            return t;
        }
    }
    return nullptr;
}

// "Descrição (BENOME)": the caption the user knows the field by, and its name.
QString fieldName(const TableDef* table, const QString& column) {
    const int index = table != nullptr ? table->indexOf(column) : -1;
    if (index < 0) {
        return column;
    }
    const ColumnDef& c = table->columns[index];
    return c.label + QStringLiteral(" (") + c.name + u')';
}

QString valueText(const EngineErrorText::ValueOf& valueOf, const QString& column) {
    if (!valueOf) {
        return {};
    }
    const QVariant value = valueOf(column);
    return value.isValid() && !value.isNull() ? value.toString() : QString();
}

// "Table.COLUMN" of a constraint message: the first column named.
bool splitColumn(const QString& text, QString& table, QString& column) {
    static const QRegularExpression pattern(QStringLiteral("^\\s*([^.\\s]+)\\.([^,\\s]+)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return false;
    }
    table = match.captured(1);
    column = match.captured(2);
    return true;
}

QString uniqueText(const QString& detail, const EngineErrorText::ValueOf& valueOf) {
    QString table;
    QString column;
    if (!splitColumn(detail, table, column)) {
        return QStringLiteral("Já existe um registro com este valor.");
    }
    const TableDef* def = tableNamed(table);
    if (def != nullptr) {
        table = def->name;  // a server names it in lower case
    }
    const QString value = valueText(valueOf, column);
    const QString shown = value.isEmpty() ? QString() : u' ' + value;
    if (def != nullptr && def->keyColumn.compare(column, Qt::CaseInsensitive) == 0) {
        return table + QStringLiteral(": o código") + shown +
               QStringLiteral(" já está cadastrado.");
    }
    return table + QStringLiteral(": ") + fieldName(def, column) + shown +
           QStringLiteral(" já está cadastrado em outro registro.");
}

QString notNullText(const QString& detail) {
    QString table;
    QString column;
    if (!splitColumn(detail, table, column)) {
        return QStringLiteral("Um campo obrigatório ficou vazio.");
    }
    const TableDef* def = tableNamed(table);
    return (def != nullptr ? def->name : table) + QStringLiteral(": ") + fieldName(def, column) +
           QStringLiteral(" não pode ficar vazio.");
}

// Checks are named CK_<table>_<column> and limit the length of a text column.
QString checkText(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^CK_([^_]+)_(\\w+)$"));
    const QRegularExpressionMatch match = pattern.match(name.trimmed());
    const TableDef* def = match.hasMatch() ? tableNamed(match.captured(1)) : nullptr;
    const int index = def != nullptr ? def->indexOf(match.captured(2)) : -1;
    if (index < 0) {
        return QStringLiteral("Um valor não atende à regra ") + name.trimmed() + u'.';
    }
    const ColumnDef& column = def->columns[index];
    return def->name + QStringLiteral(": ") + fieldName(def, column.name) +
           QStringLiteral(" tem mais de %1 caracteres.").arg(column.size);
}

QString foreignKeyText(const EngineErrorText::ValueOf& valueOf) {
    // The one reference of the register: a log row names its asset.
    const QString asset = valueText(valueOf, QStringLiteral("LGBEM"));
    if (!asset.isEmpty()) {
        return QStringLiteral("Log: ") + fieldName(&schema::log(), QStringLiteral("LGBEM")) + u' ' +
               asset + QStringLiteral(" não está cadastrado em Bens.");
    }
    return QStringLiteral("O registro se refere a um registro de outra tabela que não existe.");
}

QString fileText(const QString& databaseFile) {
    return databaseFile.isEmpty() ? QString() : u' ' + QDir::toNativeSeparators(databaseFile);
}

// Messages whose meaning lies in their first words; the rest (a name) follows.
struct Prefixed {
    const char* engine;
    const char* portuguese;  // %1: the name that follows the engine's words
};

const Prefixed kNamed[] = {
    {"no such table: ", "A tabela %1 não existe no banco de dados."},
    {"no such column: ", "O campo %1 não existe no banco de dados."},
};

QString plainText(const QString& text, const QString& databaseFile) {
    const QString lower = text.toLower();
    const QString file = fileText(databaseFile);
    if (lower.contains(QLatin1String("is locked")) || lower.contains(QLatin1String("busy"))) {
        return QStringLiteral(
            "O banco de dados está em uso por outro programa e não pôde ser alterado agora; "
            "tente de novo em instantes.");
    }
    if (lower.contains(QLatin1String("not a database"))) {
        return QStringLiteral("O arquivo") + file + QStringLiteral(" não é um banco de dados.");
    }
    if (lower.contains(QLatin1String("unable to open database"))) {
        return QStringLiteral("Não foi possível abrir o banco de dados") + file + u'.';
    }
    if (lower.contains(QLatin1String("readonly database"))) {
        return QStringLiteral("O banco de dados") + file +
               QStringLiteral(" não aceita alterações (somente leitura).");
    }
    if (lower.contains(QLatin1String("disk is full"))) {
        return QStringLiteral("Não há espaço em disco para gravar no banco de dados.");
    }
    if (lower.contains(QLatin1String("malformed"))) {
        return QStringLiteral("O arquivo do banco de dados") + file +
               QStringLiteral(" está danificado.");
    }
    if (lower.contains(QLatin1String("i/o error"))) {
        return QStringLiteral("Erro de leitura ou gravação no arquivo do banco de dados") + file +
               u'.';
    }
    if (lower.contains(QLatin1String("datatype mismatch"))) {
        return QStringLiteral("Um valor não é do tipo do campo em que seria gravado.");
    }
    if (lower.contains(QLatin1String("too big"))) {
        return QStringLiteral("Um valor é grande demais para o banco de dados.");
    }
    if (lower.contains(QLatin1String("out of memory"))) {
        return QStringLiteral("Memória insuficiente para a operação no banco de dados.");
    }
    if (lower.contains(QLatin1String("interrupted"))) {
        return QStringLiteral("A operação no banco de dados foi interrompida.");
    }
    if (lower.contains(QLatin1String("server closed the connection")) ||
        lower.contains(QLatin1String("no connection to the server")) ||
        lower.contains(QLatin1String("terminating connection")) ||
        lower.contains(QLatin1String("connection to server"))) {
        return QStringLiteral(
            "A conexão com o servidor do banco de dados foi perdida; a operação "
            "não foi feita.");
    }
    if (lower.contains(QLatin1String("permission denied"))) {
        return QStringLiteral("O usuário do banco de dados não tem permissão para esta operação.");
    }
    if (lower.contains(QLatin1String("driver not loaded"))) {
        return QStringLiteral("O acesso ao banco de dados não está disponível.");
    }
    return QStringLiteral("Erro no banco de dados.");
}

QString portuguese(const QString& text, const EngineErrorText::ValueOf& valueOf,
                   const QString& databaseFile) {
    static const QRegularExpression constraint(
        QStringLiteral("^(UNIQUE|NOT NULL|CHECK|FOREIGN KEY|PRIMARY KEY) constraint failed:?(.*)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression exists(QStringLiteral("^table (\\S+) already exists"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = constraint.match(text.trimmed());
    if (match.hasMatch()) {
        const QString kind = match.captured(1).toUpper();
        const QString detail = match.captured(2);
        if (kind == QLatin1String("UNIQUE") || kind == QLatin1String("PRIMARY KEY")) {
            return uniqueText(detail, valueOf);
        }
        if (kind == QLatin1String("NOT NULL")) {
            return notNullText(detail);
        }
        if (kind == QLatin1String("CHECK")) {
            return checkText(detail);
        }
        return foreignKeyText(valueOf);
    }
    for (const Prefixed& named : kNamed) {
        const QString prefix = QString::fromLatin1(named.engine);
        if (text.startsWith(prefix, Qt::CaseInsensitive)) {
            return QString::fromUtf8(named.portuguese).arg(text.mid(prefix.size()).trimmed());
        }
    }
    const QRegularExpressionMatch existing = exists.match(text);
    if (existing.hasMatch()) {
        return QStringLiteral("A tabela %1 já existe no banco de dados.").arg(existing.captured(1));
    }
    return plainText(text, databaseFile);
}

}  // namespace

QString EngineErrorText::translate(const QString& engineText, const ValueOf& valueOf,
                                   const QString& databaseFile) {
    if (engineText.isEmpty()) {
        return {};
    }
    return portuguese(engineText, valueOf, databaseFile) + QStringLiteral(" (") + engineText + u')';
}

QString EngineErrorText::engineText(const QSqlError& error) {
    QString text = error.databaseText();
    if (text.isEmpty()) {
        text = error.driverText();
    }
    return text.isEmpty() ? error.text() : text;
}

QString EngineErrorText::of(const QSqlError& error, const ValueOf& valueOf,
                            const QString& databaseFile) {
    // The server's errors are read in the embedded engine's words; the text in
    // parentheses stays the server's own.
    const QString canonical = PostgresEngine::canonicalErrorText(error);
    const QString own = engineText(error);
    if (own.trimmed().isEmpty()) {
        // The driver refuses a statement without a word when its connection is
        // no longer open (a server that stopped): the failure is still told.
        return QStringLiteral(
            "A conexão com o banco de dados não está aberta; a operação não "
            "foi feita.");
    }
    if (canonical.isEmpty()) {
        return translate(own, valueOf, databaseFile);
    }
    return worded(canonical, own, valueOf, databaseFile);
}

QString EngineErrorText::worded(const QString& meaning, const QString& engineText,
                                const ValueOf& valueOf, const QString& databaseFile) {
    if (engineText.isEmpty()) {
        return {};
    }
    return portuguese(meaning, valueOf, databaseFile) + QStringLiteral(" (") +
           engineText.trimmed() + u')';
}

QString EngineErrorText::withoutEngineText(const QString& text) {
    if (!text.endsWith(u')')) {
        return text;
    }
    // The group that opens at the matching parenthesis, after a whole sentence:
    // a field named in the sentence, "Descrição (BENOME)", follows a word instead.
    int depth = 0;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (text[i] == u')') {
            ++depth;
        } else if (text[i] == u'(' && --depth == 0) {
            if (i >= 2 && text[i - 1] == u' ' && QStringView(u".!?").contains(text[i - 2])) {
                return text.left(i - 1);
            }
            return text;
        }
    }
    return text;
}

}  // namespace ambitra
