#include "core/data/PostgresEngine.h"

#include "core/common/Error.h"
#include "core/data/Connection.h"
#include "core/data/EngineErrorText.h"
#include "core/data/SqlValue.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <algorithm>

namespace ambitra {

namespace {

// How long a statement waits for a row another desktop holds before it fails.
constexpr int kLockTimeoutMs = 5000;
const QString kChannel = QStringLiteral("ambitra");
const QString kVersionTable = QStringLiteral("ambitra_schema");
// Runs of one register wait for each other; registers in other schemas of the
// same database do not.
const QString kRunLock = QStringLiteral("hashtext(current_schema())");
// How long a connection waits for the server unless the connection says.
constexpr int kConnectTimeoutS = 10;

const QRegularExpression& uriStart() {
    static const QRegularExpression start(QStringLiteral("^\\s*postgres(ql)?://"),
                                          QRegularExpression::CaseInsensitiveOption);
    return start;
}

// The "user:password@" of a URI, before the host.
const QRegularExpression& uriUserPassword() {
    static const QRegularExpression password(
        QStringLiteral("^(\\s*postgres(?:ql)?://[^/@?#:]*):[^/@?#]*@"),
        QRegularExpression::CaseInsensitiveOption);
    return password;
}

// Whether a URI parameter names the password (libpq decodes the names).
bool isPasswordParameter(const QString& parameter) {
    const QString name = QUrl::fromPercentEncoding(parameter.section(u'=', 0, 0).toUtf8());
    return name.trimmed().compare(QLatin1String("password"), Qt::CaseInsensitive) == 0;
}

QSqlQuery run(QSqlDatabase db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        throw Error(EngineErrorText::of(query.lastError()));
    }
    return query;
}

bool firstBool(QSqlQuery&& query) {
    return query.next() && query.value(0).toBool();
}

QString quoted(const QString& text, const QString& before) {
    const QRegularExpression pattern(before + QStringLiteral("\\s*\"([^\"]+)\""));
    return pattern.match(text).captured(1);
}

// Where the quoted text, comment or dollar-quoted body that starts at i ends
// (one past it); i itself when nothing of the kind starts there.
qsizetype skipLiteral(const QString& sql, qsizetype i) {
    const qsizetype n = sql.size();
    const QChar c = sql[i];
    const QChar next = i + 1 < n ? sql[i + 1] : QChar();
    if (c == u'\'' || c == u'"') {
        // E'...' strings take backslash escapes; a doubled quote is one quote.
        const bool escapes = c == u'\'' && i > 0 && (sql[i - 1] == u'E' || sql[i - 1] == u'e');
        for (qsizetype j = i + 1; j < n; ++j) {
            if (escapes && sql[j] == u'\\') {
                ++j;
            } else if (sql[j] == c) {
                if (j + 1 < n && sql[j + 1] == c) {
                    ++j;
                } else {
                    return j + 1;
                }
            }
        }
        return n;
    }
    if (c == u'-' && next == u'-') {
        const qsizetype end = sql.indexOf(u'\n', i);
        return end < 0 ? n : end + 1;
    }
    if (c == u'/' && next == u'*') {
        // Block comments nest.
        int depth = 0;
        for (qsizetype j = i; j + 1 < n; ++j) {
            if (sql[j] == u'/' && sql[j + 1] == u'*') {
                ++depth;
                ++j;
            } else if (sql[j] == u'*' && sql[j + 1] == u'/') {
                ++j;
                if (--depth == 0) {
                    return j + 1;
                }
            }
        }
        return n;
    }
    if (c == u'$' && (i == 0 || !(sql[i - 1].isLetterOrNumber() || sql[i - 1] == u'_'))) {
        static const QRegularExpression tag(QStringLiteral("\\$([A-Za-z_][A-Za-z_0-9]*)?\\$"));
        const QRegularExpressionMatch opened = tag.match(
            sql, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (opened.hasMatch()) {
            const qsizetype end = sql.indexOf(opened.captured(0), opened.capturedEnd());
            return end < 0 ? n : end + opened.capturedLength();
        }
    }
    return i;
}

QString uniqueCanonical(const QString& text) {
    // Keys are named PK_<table>; the detail names the column.
    const QString constraint = quoted(text, QStringLiteral("constraint"));
    static const QRegularExpression key(QStringLiteral("Key \\(([^),]+)"));
    const QString column = key.match(text).captured(1);
    return QStringLiteral("UNIQUE constraint failed: ") +
           (column.isEmpty() ? constraint : constraint.section(u'_', 1) + u'.' + column);
}

QString notNullCanonical(const QString& text) {
    return QStringLiteral("NOT NULL constraint failed: ") +
           quoted(text, QStringLiteral("relation")) + u'.' + quoted(text, QStringLiteral("column"));
}

QString checkCanonical(const QString& text) {
    // The engine folded the CK_<table>_<column> names to lower case.
    QString name = quoted(text, QStringLiteral("check constraint"));
    if (name.startsWith(QLatin1String("ck_"))) {
        name.replace(0, 3, QStringLiteral("CK_"));
    }
    return QStringLiteral("CHECK constraint failed: ") + name;
}

}  // namespace

void PostgresEngine::configure(QSqlDatabase& db, const QString& source) const {
    // The whole libpq connection string (host, dbname, user, service...) goes
    // to libpq as it stands; the driver's own fields stay empty. A server that
    // accepts and never answers must not hold the program forever: unless the
    // connection names its own, a connection gives up after kConnectTimeoutS.
    db.setDatabaseName(QString());
    static const QRegularExpression named(QStringLiteral("(^|[\\s?&])connect_timeout\\s*="),
                                          QRegularExpression::CaseInsensitiveOption);
    QString options = source;
    if (!named.match(source).hasMatch()) {
        const QString timeout = QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutS);
        if (uriStart().match(source).hasMatch()) {
            options += (source.contains(u'?') ? u'&' : u'?') + timeout;
        } else {
            options += u' ' + timeout;
        }
    }
    db.setConnectOptions(options);
}

QSqlError PostgresEngine::startSession(QSqlDatabase& db) const {
    QSqlQuery query(db);
    // Dates and moments are exchanged as the program writes them, and a save
    // that meets a row held by another desktop fails instead of hanging.
    if (!query.exec(QStringLiteral("SET datestyle = ISO")) ||
        !query.exec(QStringLiteral("SET lock_timeout = %1").arg(kLockTimeoutMs)) ||
        !query.exec(QStringLiteral("SET client_min_messages = warning"))) {
        return query.lastError();
    }
    return QSqlError();
}

void PostgresEngine::refuseStatementList(const QString& sql) const {
    // The driver sends the text as it stands, even when preparing it, and the
    // server runs every statement in it: a text is refused when anything but
    // blanks and comments follows a semicolon outside quotes and bodies.
    bool ended = false;
    for (qsizetype i = 0; i < sql.size();) {
        const qsizetype after = skipLiteral(sql, i);
        const bool comment = after > i && (sql[i] == u'-' || sql[i] == u'/');
        if (ended && !comment && !sql[i].isSpace() && sql[i] != u';') {
            throw Error(EngineErrorText::translate(
                QStringLiteral("Unable to execute multiple statements at a time")));
        }
        ended = ended || sql[i] == u';';
        i = after > i ? after : i + 1;
    }
}

void PostgresEngine::beginWrite(Connection& connection, Progress& wait, int waitMs) const {
    connection.exec(QStringLiteral("BEGIN"));
    try {
        if (!firstBool(run(connection.database(),
                           QStringLiteral("SELECT pg_try_advisory_xact_lock(%1)").arg(kRunLock)))) {
            BusyGuard waiting(wait, Progress::Cursor::DatabaseWait);
            connection.exec(QStringLiteral("SET LOCAL lock_timeout = %1").arg(waitMs));
            run(connection.database(),
                QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kRunLock));
            connection.exec(QStringLiteral("SET LOCAL lock_timeout = %1").arg(kLockTimeoutMs));
        }
    } catch (const Error&) {
        connection.exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

void PostgresEngine::beginRowWrite(Connection& connection) const {
    // Rows are locked one by one; runs of other desktops are not waited for.
    connection.exec(QStringLiteral("BEGIN"));
}

void PostgresEngine::beginReadSnapshot(Connection& connection) const {
    connection.exec(QStringLiteral("START TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
}

namespace {

// The portable schema's types that the server names otherwise.
QString serverTypes(QString text) {
    static const QRegularExpression money(QStringLiteral("\\bMONEY\\b"));
    static const QRegularExpression moment(QStringLiteral("\\bDATETIME\\b"));
    text.replace(money, QStringLiteral("DOUBLE PRECISION"));
    text.replace(moment, QStringLiteral("TIMESTAMP(3)"));
    return text;
}

}  // namespace

QStringList PostgresEngine::schemaStatements(const QStringList& portable,
                                             const QStringList& insertionOrdered) const {
    static const QRegularExpression sized(QStringLiteral("\\bVARCHAR\\(\\d+\\)"));
    static const QRegularExpression table(QStringLiteral("^CREATE TABLE (\\w+)"));
    QStringList statements;
    // Replaced rather than created: an upgrade of a register that has it already
    // runs these statements too.
    statements << QStringLiteral(
        "CREATE OR REPLACE FUNCTION ambitra_notify() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "PERFORM pg_notify('ambitra', TG_TABLE_SCHEMA || '.' || TG_TABLE_NAME); RETURN NULL; "
        "END $$");
    for (QString statement : portable) {
        const QRegularExpressionMatch created = table.match(statement);
        if (!created.hasMatch()) {
            statements << statement;
            continue;
        }
        // Sizes are kept by the named checks, which say which field is too long
        // (the engine's own size error names none); text compares in code points.
        statement.replace(sized, QStringLiteral("VARCHAR COLLATE \"C\""));
        statement = serverTypes(statement);
        // The engine keeps no order of insertion of its own: tables shown in the
        // order their rows were added get a column that keeps it.
        if (insertionOrdered.contains(created.captured(1), Qt::CaseInsensitive)) {
            statement.insert(statement.lastIndexOf(u')'),
                             QStringLiteral(", rowid BIGINT GENERATED ALWAYS AS IDENTITY "));
        }
        statements << statement;
        // Committed changes are announced once per statement and table; the
        // engine merges repeats within a transaction and sends them at commit.
        statements << QStringLiteral(
                          "CREATE TRIGGER %1_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE "
                          "ON %1 FOR EACH STATEMENT EXECUTE FUNCTION ambitra_notify()")
                          .arg(created.captured(1));
    }
    return statements;
}

int PostgresEngine::schemaVersion(Connection& connection) const {
    if (!firstBool(
            run(connection.database(),
                QStringLiteral("SELECT to_regclass('%1') IS NOT NULL").arg(kVersionTable)))) {
        return 0;
    }
    QSqlQuery query =
        run(connection.database(), QStringLiteral("SELECT max(version) FROM ") + kVersionTable);
    return query.next() ? query.value(0).toInt() : 0;
}

void PostgresEngine::setSchemaVersion(Connection& connection, int version) const {
    connection.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS ") + kVersionTable +
                    QStringLiteral(" ( version INTEGER NOT NULL )"));
    connection.exec(QStringLiteral("DELETE FROM ") + kVersionTable);
    connection.exec(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(kVersionTable).arg(version));
}

QStringList PostgresEngine::tableNames(Connection& connection) const {
    return firstColumn(connection,
                       QStringLiteral("SELECT relname FROM pg_class WHERE relkind = 'r' AND "
                                      "relnamespace = current_schema()::regnamespace AND "
                                      "relname <> '%1' ORDER BY oid")
                           .arg(kVersionTable));
}

QString PostgresEngine::rightText(const QString& expression, int n) const {
    return QStringLiteral("right(%1, %2)").arg(expression).arg(n);
}

bool PostgresEngine::subscribe(QSqlDatabase& db, QObject* context,
                               const std::function<void(const QString&)>& changed) const {
    QSqlDriver* driver = db.driver();
    QSqlQuery query = run(db, QStringLiteral("SELECT current_schema()"));
    const QString prefix = (query.next() ? query.value(0).toString() : QString()) + u'.';
    if (driver == nullptr || !driver->subscribeToNotification(kChannel)) {
        return false;
    }
    QObject::connect(
        driver, &QSqlDriver::notification, context,
        [prefix, changed](const QString& channel, QSqlDriver::NotificationSource source,
                          const QVariant& payload) {
            const QString text = payload.toString();
            if (channel == kChannel && source == QSqlDriver::OtherSource &&
                text.startsWith(prefix)) {
                changed(text.mid(prefix.size()));
            }
        });
    return true;
}

QString PostgresEngine::canonicalErrorText(const QSqlError& error) {
    static const QRegularExpression sqlState(QStringLiteral("^[0-9A-Z]{5}$"));
    const QString state = error.nativeErrorCode();
    if (!sqlState.match(state).hasMatch()) {
        return {};
    }
    const QString text = error.databaseText();
    const QString klass = state.left(2);
    if (state == QLatin1String("23505")) {
        return uniqueCanonical(text);
    }
    if (state == QLatin1String("23502")) {
        return notNullCanonical(text);
    }
    if (state == QLatin1String("23514")) {
        return checkCanonical(text);
    }
    if (state == QLatin1String("23503")) {
        return QStringLiteral("FOREIGN KEY constraint failed");
    }
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01") ||
        state == QLatin1String("40001")) {
        return QStringLiteral("database is locked");
    }
    if (state == QLatin1String("42P01")) {
        return QStringLiteral("no such table: ") + quoted(text, QStringLiteral("relation"));
    }
    if (state == QLatin1String("42703")) {
        return QStringLiteral("no such column: ") + quoted(text, QStringLiteral("column"));
    }
    if (state == QLatin1String("42P07")) {
        return QStringLiteral("table ") + quoted(text, QStringLiteral("relation")) +
               QStringLiteral(" already exists");
    }
    if (state == QLatin1String("53100")) {
        return QStringLiteral("disk is full");
    }
    if (state == QLatin1String("53200")) {
        return QStringLiteral("out of memory");
    }
    if (state == QLatin1String("57014")) {
        return QStringLiteral("interrupted");
    }
    if (state == QLatin1String("25006")) {
        return QStringLiteral("attempt to write a readonly database");
    }
    if (klass == QLatin1String("22")) {
        return state == QLatin1String("22001") ? QStringLiteral("string or blob too big")
                                               : QStringLiteral("datatype mismatch");
    }
    if (klass == QLatin1String("08") || klass == QLatin1String("28") ||
        state == QLatin1String("3D000")) {
        return QStringLiteral("unable to open database");
    }
    return {};
}

QString PostgresEngine::openErrorText(const QSqlError& error, const QString& source) const {
    const QString reason = EngineErrorText::engineText(error);
    if (reason.contains(QLatin1String("timeout expired"))) {
        return QStringLiteral(
                   "Não foi possível abrir o banco de dados %1: o servidor não "
                   "respondeu a tempo. (%2)")
            .arg(source, reason.trimmed());
    }
    // libpq's reasons (no server at that address, a refused password, no such
    // database) all mean the register could not be opened.
    return EngineErrorText::worded(QStringLiteral("unable to open database"),
                                   EngineErrorText::engineText(error), {}, source);
}

bool PostgresEngine::namesPassword(const QString& connection) {
    if (uriStart().match(connection).hasMatch()) {
        if (uriUserPassword().match(connection).hasMatch()) {
            return true;
        }
        const qsizetype query = connection.indexOf(u'?');
        if (query < 0) {
            return false;
        }
        const QStringList parameters = connection.mid(query + 1).section(u'#', 0, 0).split(u'&');
        return std::any_of(parameters.cbegin(), parameters.cend(), isPasswordParameter);
    }
    static const QRegularExpression password(QStringLiteral("(^|\\s)password\\s*="),
                                             QRegularExpression::CaseInsensitiveOption);
    return password.match(connection).hasMatch();
}

QString PostgresEngine::withoutPassword(const QString& connection) {
    QString shown = connection;
    if (uriStart().match(connection).hasMatch()) {
        shown.replace(uriUserPassword(), QStringLiteral("\\1:***@"));
        const qsizetype query = shown.indexOf(u'?');
        if (query < 0) {
            return shown;
        }
        QStringList parameters = shown.mid(query + 1).split(u'&');
        for (QString& parameter : parameters) {
            if (isPasswordParameter(parameter)) {
                parameter = parameter.section(u'=', 0, 0) + QStringLiteral("=***");
            }
        }
        return shown.left(query + 1) + parameters.join(u'&');
    }
    // A value runs to the next blank, or is quoted (with backslash escapes).
    static const QRegularExpression password(
        QStringLiteral("((?:^|\\s)password\\s*=\\s*)(?:'(?:[^'\\\\]|\\\\.)*'?|\\S*)"),
        QRegularExpression::CaseInsensitiveOption);
    shown.replace(password, QStringLiteral("\\1***"));
    return shown;
}

namespace {

// An array of a column of the portable type, as the schema above makes it (a
// size is kept by the column's check, and the array needs none).
QString arrayOf(const QString& type) {
    const QString element =
        type.startsWith(QLatin1String("VARCHAR")) ? QStringLiteral("VARCHAR") : serverTypes(type);
    return QStringLiteral("CAST(? AS %1[])").arg(element);
}

QString arraysOf(const QStringList& types) {
    QStringList arrays;
    for (const QString& type : types) {
        arrays << arrayOf(type);
    }
    return arrays.join(QStringLiteral(", "));
}

QString arrayElement(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        case QMetaType::QDate:
            return sqlvalue::dateText(value.toDate());
        case QMetaType::QDateTime:
            return sqlvalue::dateTimeText(value.toDateTime());
        default:
            return value.toString();
    }
}

}  // namespace

// The keys as one array: a statement of one parameter whatever their number.
QString PostgresEngine::keyListCondition(const QString& key, int count) const {
    Q_UNUSED(count);
    return key + QStringLiteral(" = ANY(CAST(? AS VARCHAR[]) COLLATE \"C\")");
}

QList<QVariant> PostgresEngine::keyListParameters(const QStringList& keys, int count) const {
    Q_UNUSED(count);
    return {arrayParameter(QList<QVariant>(keys.cbegin(), keys.cend()))};
}

// Many rows in one statement whose text does not depend on their number: each
// column's values come as one array parameter, and the rows are the arrays
// side by side (unnest), in the order they were given.
QString PostgresEngine::manyRowsInsertSql(const QString& table, const QStringList& columns,
                                          const QStringList& types) const {
    return QStringLiteral("INSERT INTO %1 (%2) SELECT * FROM unnest(%3)")
        .arg(table, columns.join(QStringLiteral(", ")), arraysOf(types));
}

QString PostgresEngine::manyRowsUpdateSql(const QString& table, const QString& keyColumn,
                                          const QStringList& columns,
                                          const QStringList& types) const {
    QStringList sets;
    QStringList aliases;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        aliases << QStringLiteral("v%1").arg(i);
        sets << columns[i] + QStringLiteral(" = v.") + aliases.last();
    }
    aliases << QStringLiteral("k");
    // The key compares as the column does, so its index finds the rows.
    return QStringLiteral(
               "UPDATE %1 AS t SET %2 FROM unnest(%3) AS v(%4) WHERE t.%5 = v.k "
               "COLLATE \"C\"")
        .arg(table, sets.join(QStringLiteral(", ")),
             arraysOf(types + QStringList{QStringLiteral("VARCHAR")}),
             aliases.join(QStringLiteral(", ")), keyColumn);
}

// An array in the engine's text form: every value quoted, with its quotes and
// backslashes escaped, so that no value can end the array or the element early.
QVariant PostgresEngine::arrayParameter(const QList<QVariant>& values) const {
    QString text;
    text.reserve(values.size() * 16 + 2);
    text += u'{';
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) {
            text += u',';
        }
        const QVariant& value = values.at(i);
        if (value.isNull()) {
            text += QStringLiteral("NULL");
            continue;
        }
        text += u'"';
        for (const QChar c : arrayElement(value)) {
            if (c == u'"' || c == u'\\') {
                text += u'\\';
            }
            text += c;
        }
        text += u'"';
    }
    text += u'}';
    return text;
}

}  // namespace ambitra
