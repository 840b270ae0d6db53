#pragma once

#include "core/common/OutputFile.h"
#include "core/data/Connection.h"
#include "core/data/DataTable.h"
#include "core/data/KeysetQuery.h"
#include "core/data/Query.h"
#include "core/data/Settings.h"

#include <QDateTime>
#include <QObject>

#include <array>
#include <memory>

namespace ambitra {

class Prompter;
class THalcyonDataSet;

// Buttons of a record navigator, in their order.
enum class NavButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
using NavigatorState = std::array<bool, 10>;

// The data module: the single owner of the settings record, the database
// connection and every table, query and command object, and of the one dBase
// table object. Windows, runs and the command-line companion use these objects
// and never open their own.
class TDados : public QObject {
    Q_OBJECT

  public:
    // appDir: the program's folder (no trailing delimiter); iniPath: its settings file.
    TDados(QString appDir, QString iniPath, Prompter& prompter, QObject* parent = nullptr);
    ~TDados() override;

    const QString& AppDir() const { return m_appDir; }
    const QString& IniPath() const { return m_iniPath; }
    Prompter& prompter() { return m_prompter; }
    // The files no report, list or label file may replace: the register and its
    // journals, the settings file, the received readings.
    OwnFiles ownFiles() const;

    // The settings record and the file behind it.
    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }
    void ReadIniFile();
    void WriteIniFile();

    // The day range of the log window: today by default, the last unload after one.
    QDateTime DayStart;
    QDateTime DayEnd;

    // The database and settings live in the program's folder: when it cannot take
    // new files, say so now (error box) instead of failing at the first save.
    bool CheckProgramFolder();

    static QString GetProvider(const QString& key);
    QString CreateStringConnection() const;
    void CreateDatabase(const QString& major, const QString& minor, const QString& file,
                        int engineType);
    // Creates the register's tables and records the schema version, in one
    // transaction, on the open connection; false (nothing done) when another
    // program made them meanwhile or the database holds tables already.
    bool CreateSchema();
    // Creates the database when missing, connects, aligns LastCode; reports its own
    // errors. True when the connection is open afterwards.
    bool OpenDatabase();
    void CloseDatabase();
    // True when the last OpenDatabase created the register's tables.
    bool CreatedSchema() const { return m_createdSchema; }
    // The highest stored asset code in the form of LastCode; raises engine errors.
    QString GetLastCode();

    // The schema version of the open database: 0 for a file that is not ours
    // (opened as it is, never altered), else our version after any upgrade.
    int schemaVersion() const { return m_schemaVersion; }
    // Whether the inventory count tables are there (a database of ours, version 2
    // on); when not, the count features say so instead of running.
    bool CountsAvailable() const { return m_schemaVersion >= 2; }

    // A new, empty exchange file of the layout its name selects.
    void CreateDBFTable(const QString& folder, const QString& fileName);

    // Enabled state of the ten navigator buttons for a table.
    static NavigatorState RefreshNavigator(const DataTable& table);

    // Rules run before rows are saved, and after Status is opened.
    static void ClearNullsBeforePost(DataTable& table);
    static void TBensBeforePost(DataTable& table);
    void TStatusAfterOpen(DataTable& table);

    Connection& Conn() { return m_conn; }
    Command& SQLCmd() { return m_sqlCmd; }
    Query& SQLTmp() { return m_sqlTmp; }
    Query& QFabricantes() { return m_qFabricantes; }
    KeysetQuery& QLog() { return m_qLog; }
    DataTable& TOperadores() { return m_tOperadores; }
    DataTable& TLocais() { return m_tLocais; }
    DataTable& TBens() { return m_tBens; }
    DataTable& TStatus() { return m_tStatus; }
    THalcyonDataSet& DBFTmp() { return *m_dbfTmp; }

  private:
    // A register file of ours that others may read is made its owner's alone,
    // with its journals (it holds the operators' passwords); the user is told
    // once.
    void restrictRegisterFile();
    // A database this program created (it carries our schema version); others
    // are used as they are and never altered.
    bool isOurDatabase();
    // Brings a database of an older version of ours to the current one, in one
    // transaction; raises engine errors (the file then stays as it was).
    void UpgradeSchema();
    // The version our programs wrote into the file (0 for any other file).
    int storedSchemaVersion();
    // The highest code as stored, read again only when the register changed.
    QString highestStoredCode();

    QString m_appDir;
    QString m_iniPath;
    Prompter& m_prompter;
    Settings m_settings;
    Connection m_conn;
    Command m_sqlCmd{m_conn};
    Query m_sqlTmp{m_conn};
    Query m_qFabricantes{m_conn};
    KeysetQuery m_qLog{m_conn, schema::log()};
    DataTable m_tOperadores;
    DataTable m_tLocais;
    DataTable m_tBens;
    DataTable m_tStatus;
    std::unique_ptr<THalcyonDataSet> m_dbfTmp;
    bool m_createdSchema = false;
    int m_schemaVersion = 0;
    // Start-up and every opening of the assets window ask for the highest code:
    // on a million assets each answer reads them all.
    QString m_highestCode;
    std::optional<ChangeStamp> m_highestCodeStamp;
};

}  // namespace ambitra
