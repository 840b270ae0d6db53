#include "core/data/TDados.h"

#include "core/common/Conversions.h"
#include "core/common/Error.h"
#include "core/common/FileAccess.h"
#include "core/common/ProgramFolder.h"
#include "core/common/Prompter.h"
#include "core/data/DatabaseEngine.h"
#include "core/data/PostgresEngine.h"
#include "core/data/Schema.h"
#include "core/data/SettingsFile.h"
#include "core/xbase/ExchangeLayouts.h"
#include "core/xbase/HalcyonDataSet.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ambitra {

namespace {

// The default condition codes a new Status table receives.
struct DefaultStatus {
    const char* code;
    const char* text;
};
constexpr DefaultStatus kDefaultStatus[] = {
    {"EX", "Excelente"}, {"MB", "Muito Boa"}, {"BO", "Boa"},
    {"RG", "Regular"},   {"RU", "Ruim"},      {"PE", "Péssima"},
};

// A connection-text value that holds ";" (or starts with a quote) is quoted, so
// that the whole value reaches the engine.
QString quotedConnectionValue(const QString& value) {
    if (!value.contains(u';') && !value.startsWith(u'"') && !value.startsWith(u'\'')) {
        return value;
    }
    return u'"' + QString(value).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

// Another desktop committed a change to table: an open table shows it, read
// again at its current row. A table being edited is left alone (its save checks
// the row), and a run of this desktop is not disturbed: the change is shown after.
void showOtherDesktopsChange(TDados& dados, const QString& table) {
    if (dados.Conn().inTransaction()) {
        QTimer::singleShot(500, &dados, [&dados, table] { showOtherDesktopsChange(dados, table); });
        return;
    }
    for (DataTable* t :
         {&dados.TOperadores(), &dados.TLocais(), &dados.TBens(), &dados.TStatus()}) {
        if (t->tableName().compare(table, Qt::CaseInsensitive) == 0 && t->isOpen() &&
            !t->isEditing()) {
            t->requery();
        }
    }
}

// Tables shown in the order their rows were added, rather than by key.
QStringList insertionOrderedTables() {
    QStringList names;
    for (const TableDef* table : {&schema::operadores(), &schema::locais(), &schema::bens(),
                                  &schema::status(), &schema::log()}) {
        if (!table->keyOrder) {
            names << table->name;
        }
    }
    return names;
}

}  // namespace

TDados::TDados(QString appDir, QString iniPath, Prompter& prompter, QObject* parent)
    : QObject(parent),
      m_appDir(std::move(appDir)),
      m_iniPath(std::move(iniPath)),
      m_prompter(prompter),
      m_tOperadores(m_conn, schema::operadores()),
      m_tLocais(m_conn, schema::locais()),
      m_tBens(m_conn, schema::bens()),
      m_tStatus(m_conn, schema::status()),
      m_dbfTmp(std::make_unique<THalcyonDataSet>()) {
    const QDate today = QDate::currentDate();
    DayStart = QDateTime(today, QTime(0, 0, 0, 0));
    DayEnd = QDateTime(today, QTime(23, 59, 59, 999));

    m_tOperadores.setBeforePost(&TDados::ClearNullsBeforePost);
    m_tLocais.setBeforePost(&TDados::ClearNullsBeforePost);
    m_tBens.setBeforePost(&TDados::TBensBeforePost);
    m_tStatus.setBeforePost(&TDados::ClearNullsBeforePost);
    m_tStatus.setAfterOpen([this](DataTable& table) { TStatusAfterOpen(table); });
    // Assets show their location's building, department and room: when a location
    // changes, what the assets show is read again.
    auto locationsChanged = [this] { m_tBens.reloadValues(); };
    connect(&m_tLocais, &DataTable::rowUpdated, this, locationsChanged);
    connect(&m_tLocais, &DataTable::rowInserted, this, locationsChanged);
    connect(&m_tLocais, &DataTable::rowRemoved, this, locationsChanged);
    connect(&m_tLocais, &DataTable::layoutReset, this, locationsChanged);

    m_qFabricantes.setText(
        {QStringLiteral("SELECT DISTINCT BEFABRICA FROM Bens "),
         QStringLiteral("WHERE length(BEFABRICA) > 0 AND BEFABRICA IS NOT NULL "),
         QStringLiteral("ORDER BY 1")});
    // The log period selects keys only; the grid and the export read the rows
    // in pages (a period may hold a million rows).
    m_qLog.setText({QStringLiteral("SELECT rowid FROM Log "),
                    QStringLiteral("WHERE LGDATA BETWEEN :MIN AND :MAX "),
                    QStringLiteral("ORDER BY LGDATA")});
}

TDados::~TDados() {
    CloseDatabase();
}

void TDados::ReadIniFile() {
    m_settings = readSettingsFile(m_iniPath, m_appDir);
    const QStringList replaced = replaceUnusableFolders(m_settings, m_appDir);
    if (!replaced.isEmpty()) {
        // Said once here rather than by every file call that would fail on it.
        m_prompter.warning(
            QStringLiteral("O arquivo de opções %1 tem um caractere nulo na pasta de %2. "
                           "Até que as opções sejam gravadas de novo, é usada a pasta do "
                           "programa %3.")
                .arg(QDir::toNativeSeparators(m_iniPath), replaced.join(QStringLiteral(", ")),
                     QDir::toNativeSeparators(m_appDir)));
    }
}

void TDados::WriteIniFile() {
    writeSettingsFile(m_settings, m_iniPath, m_appDir);
}

bool TDados::CheckProgramFolder() {
    if (isWritable(QFileInfo(m_appDir))) {
        return true;
    }
    m_prompter.beepError(
        QStringLiteral("O diretório do programa %1 não permite gravação. "
                       "O Ambitra precisa gravar nele o banco de dados e as opções.")
            .arg(QDir::toNativeSeparators(m_appDir)));
    return false;
}

QString TDados::GetProvider(const QString& key) {
    // The embedded engine stands in for the original provider.
    if (key == QLatin1String("SQLITE")) {
        return QStringLiteral("QSQLITE");
    }
    if (key == QLatin1String("POSTGRESQL")) {
        return QStringLiteral("QPSQL");
    }
    return QString();
}

OwnFiles TDados::ownFiles() const {
    OwnFiles own;
    own.files << m_iniPath;
    QStringList registers{QDir(m_appDir).filePath(QStringLiteral("Ambitra.db"))};
    if (m_settings.DBProvider == QLatin1String("SQLITE") && !m_settings.DBName.isEmpty()) {
        registers << m_settings.DBName;
    }
    for (const QString& file : registers) {
        own.files << file << file + QStringLiteral("-wal") << file + QStringLiteral("-shm")
                  << file + QStringLiteral("-journal");
    }
    own.folders << ReceivedFolder(m_appDir);
    return own;
}

void TDados::restrictRegisterFile() {
    const QString& file = m_settings.DBName;
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileInfo info(file);
    if (!info.isFile() || info.isSymLink() || (info.permissions() & others) == 0) {
        return;
    }
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!QFile::setPermissions(file, ownerOnly)) {
        return;  // another user's file: opened as it is
    }
    // Journals a crash left behind hold rows of the register as well.
    for (const QString& suffix :
         {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
        const QFileInfo journal(file + suffix);
        if (journal.isFile() && !journal.isSymLink()) {
            QFile::setPermissions(journal.filePath(), ownerOnly);
        }
    }
    m_prompter.notice(QStringLiteral("O banco de dados %1 podia ser lido por outros usuários do "
                                     "computador. Ele guarda as senhas dos operadores: agora "
                                     "somente o seu dono pode lê-lo e gravá-lo.")
                          .arg(QDir::toNativeSeparators(file)));
}

QString TDados::CreateStringConnection() const {
    QString text = QStringLiteral("Provider=") + GetProvider(m_settings.DBProvider) +
                   QStringLiteral(";Persist Security Info=False;");
    if (!m_settings.DBName.isEmpty()) {
        text += QStringLiteral("Data Source=") + quotedConnectionValue(m_settings.DBName) +
                QLatin1Char(';');
    }
    return text;
}

void TDados::CreateDatabase(const QString& major, const QString& minor, const QString& file,
                            int engineType) {
    Q_UNUSED(major);
    Q_UNUSED(minor);
    Q_UNUSED(engineType);
    // Never removed and made again: another program may be creating this very
    // file at this moment (an empty file is what a creation leaves before its
    // tables are committed). Made here, exclusively, readable and writable by
    // its owner only: the register holds the operators' passwords, and the
    // engine gives its journals the mode of the file. An empty file left by a
    // creation that failed gets that mode too, before any row is written.
    const int fd = ::open(QFile::encodeName(file).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
        ::close(fd);
    } else if (QFileInfo(file).size() == 0) {
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

bool TDados::CreateSchema() {
    DatabaseEngine& engine = m_conn.engine();
    // One transaction under the register's write lock: a creation that fails
    // part-way leaves no half schema, and of two programs creating the register
    // at once the second waits for the first and finds the tables made.
    Transaction transaction(m_conn);
    if (!engine.tableNames(m_conn).isEmpty() || engine.schemaVersion(m_conn) > 0) {
        return false;
    }
    for (const QString& statement :
         engine.schemaStatements(schema::createStatements(), insertionOrderedTables())) {
        m_conn.exec(statement);
    }
    engine.setSchemaVersion(m_conn, schema::kVersion);
    transaction.commit();
    return true;
}

bool TDados::OpenDatabase() {
    m_schemaVersion = 0;
    m_conn.setProvider(GetProvider(m_settings.DBProvider));
    m_conn.setConnectionString(CreateStringConnection());
    if (m_settings.DBProvider == QLatin1String("POSTGRESQL") &&
        PostgresEngine::namesPassword(m_settings.DBName)) {
        m_prompter.beepError(
            QStringLiteral("A conexão com o banco de dados em %1 contém uma senha, que não é "
                           "aceita no arquivo de opções. Guarde a senha no arquivo de senhas do "
                           "PostgreSQL (~/.pgpass ou PGPASSFILE) e retire-a da conexão.")
                .arg(QDir::toNativeSeparators(m_iniPath)));
        return false;
    }
    try {
        // An empty file is what a creation that failed at its first step leaves
        // (or one that another program is making now).
        const QFileInfo file(m_settings.DBName);
        m_createdSchema = false;
        bool newRegister = false;
        if (m_settings.DBProvider == QLatin1String("SQLITE") &&
            (!file.exists() || file.size() == 0)) {
            CreateDatabase(m_settings.DBMajor, m_settings.DBMinor, m_settings.DBName,
                           m_settings.DBEngineType);
            newRegister = true;
        }
        m_conn.open();
        // A server's empty database receives the register's tables on first use.
        if (!m_conn.engine().isFile() && m_conn.engine().tableNames(m_conn).isEmpty()) {
            newRegister = true;
        }
        if (newRegister) {
            try {
                m_createdSchema = CreateSchema();
            } catch (const Error&) {
                // A register without its tables cannot be worked on.
                m_conn.close();
                throw;
            }
        }
        m_conn.engine().subscribe(m_conn.database(), this, [this](const QString& table) {
            showOtherDesktopsChange(*this, table);
        });
        if (isOurDatabase()) {
            // Before anything is written: the journals go with the file.
            if (m_conn.engine().isFile()) {
                restrictRegisterFile();
            }
            // Exports, loads and reports read one view of the register while a
            // run of another program writes it, without holding that run up.
            m_conn.allowConcurrentReaders();
        }
        try {
            UpgradeSchema();
        } catch (const Error& error) {
            // The file stays at its version; only the count features are missing.
            m_prompter.beepError(error.message());
        }
        const QString code = GetLastCode();
        if (TextToFloat(code) > TextToFloat(m_settings.LastCode)) {
            m_settings.LastCode = code;
        }
    } catch (const Error& error) {
        m_prompter.beepError(error.message());
    }
    return m_conn.isOpen();
}

void TDados::UpgradeSchema() {
    const int version = storedSchemaVersion();
    m_schemaVersion = version;
    if (version <= 0 || version >= schema::kVersion) {
        return;
    }
    DatabaseEngine& engine = m_conn.engine();
    Transaction transaction(m_conn);
    for (const QString& statement :
         engine.schemaStatements(schema::upgradeStatements(version), insertionOrderedTables())) {
        m_conn.exec(statement);
    }
    engine.setSchemaVersion(m_conn, schema::kVersion);
    transaction.commit();
    m_schemaVersion = schema::kVersion;
}

int TDados::storedSchemaVersion() {
    return m_conn.engine().schemaVersion(m_conn);
}

bool TDados::isOurDatabase() {
    return storedSchemaVersion() >= 1;
}

void TDados::CloseDatabase() {
    m_schemaVersion = 0;
    m_sqlTmp.close();
    m_qLog.close();
    m_qFabricantes.close();
    m_tStatus.close();
    m_tBens.close();
    m_tLocais.close();
    m_tOperadores.close();
    for (Statement* statement :
         std::initializer_list<Statement*>{&m_sqlCmd, &m_sqlTmp, &m_qFabricantes, &m_qLog}) {
        statement->release();
    }
    if (m_conn.isOpen()) {
        m_conn.close();
    }
}

QString TDados::highestStoredCode() {
    m_sqlTmp.close();
    const std::optional<ChangeStamp> stamp = m_conn.changeStamp();
    if (stamp && stamp == m_highestCodeStamp) {
        return m_highestCode;
    }
    // Each code right-aligned behind blanks: the text maximum is the longest code
    // and, among codes of one length, the highest.
    m_sqlTmp.setText(QStringLiteral("SELECT MAX(") +
                     m_conn.engine().rightText(QStringLiteral("'             ' || BECODIGO"), 13) +
                     QStringLiteral(") AS LastCode FROM Bens"));
    m_sqlTmp.open();
    QString value;
    if (m_sqlTmp.isOpen() && !m_sqlTmp.isEmpty()) {
        m_sqlTmp.first();
        value = m_sqlTmp.value(QStringLiteral("LastCode")).toString();
    }
    m_sqlTmp.close();
    m_highestCode = value;
    m_highestCodeStamp = stamp;
    return value;
}

QString TDados::GetLastCode() {
    const QString value = highestStoredCode();
    if (m_settings.CodeBar == QLatin1String("EAN8")) {
        return DigitsOnly(value.left(12), 7);
    }
    if (m_settings.CodeBar == QLatin1String("EAN13")) {
        return DigitsOnly(value.left(12), 12);
    }
    return value.trimmed();
}

void TDados::CreateDBFTable(const QString& folder, const QString& fileName) {
    ambitra::CreateDBFTable(folder, fileName);
}

NavigatorState TDados::RefreshNavigator(const DataTable& table) {
    NavigatorState s{};
    const bool open = table.isOpen();
    const bool editing = table.isEditing();
    const bool browsing = open && !editing;
    const bool many = table.rowCount() > 1;
    const int row = table.recNo();
    auto set = [&s](NavButton b, bool on) { s[static_cast<std::size_t>(b)] = on; };
    set(NavButton::First, browsing && many && row > 0);
    set(NavButton::Prior, browsing && many && row > 0);
    set(NavButton::Next, browsing && many && row < table.rowCount() - 1);
    set(NavButton::Last, browsing && many && row < table.rowCount() - 1);
    set(NavButton::Insert, browsing);
    set(NavButton::Refresh, browsing);
    set(NavButton::Delete, browsing && !table.isEmpty());
    set(NavButton::Edit, browsing && !table.isEmpty());
    set(NavButton::Post, open && editing);
    set(NavButton::Cancel, open && editing);
    return s;
}

void TDados::ClearNullsBeforePost(DataTable& table) {
    const QList<ColumnDef>& columns = table.columns();
    for (int i = 0; i < columns.size(); ++i) {
        const ColumnDef& c = columns[i];
        if (c.lookup) {
            continue;
        }
        const QVariant v = table.value(i);
        if (v.isNull()) {
            continue;
        }
        if (c.type == ColumnType::Text && v.toString().isEmpty()) {
            table.setValue(i, QVariant());
        } else if ((c.type == ColumnType::Date && v.toDate() == kZeroDate) ||
                   (c.type == ColumnType::DateTime && v.toDateTime().date() == kZeroDate)) {
            table.setValue(i, QVariant());
        }
    }
}

void TDados::TBensBeforePost(DataTable& table) {
    table.setNull(QStringLiteral("BEFLAG"));
    ClearNullsBeforePost(table);
}

void TDados::TStatusAfterOpen(DataTable& table) {
    if (!table.isEmpty()) {
        return;
    }
    for (const DefaultStatus& s : kDefaultStatus) {
        try {
            table.insert();
            table.setValue(QStringLiteral("STCODIGO"), QString::fromUtf8(s.code));
            table.setValue(QStringLiteral("STTEXTO"), QString::fromUtf8(s.text));
            table.post();
        } catch (const Error& error) {
            table.cancel();
            m_prompter.beepError(error.message());
        }
    }
}

}  // namespace ambitra
