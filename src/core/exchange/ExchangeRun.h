#pragma once

#include "core/exchange/TextLayout.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace ambitra {

class DataTable;
class Error;
class Progress;
class Prompter;
class RecordBatch;
class TDados;

// An import or export run: every chosen table through every format enabled in
// the settings, in the order dBase, fixed width, delimited, comma-separated.
// The exchange dialog and the command line drive it; it talks to the user only
// through the prompter and reports its progress through the progress interface.
class ExchangeRun {
  public:
    enum class Direction { Import = 0, Export = 1 };
    static constexpr int kTableCount = 3;
    // Records of a file under one savepoint when a failing record stops the run.
    static constexpr int kRecordsPerSavepoint = 200;

    ExchangeRun(TDados& dados, Prompter& prompter, Progress& progress);

    // The run state, shared by the routines of every format.
    bool CancelRequested = false;  // checked before every record
    bool OverwriteData = false;    // import: empty each table before reading a file
    bool CsvHeader = false;        // export: comma-separated files start with the labels
    QString RunMessages;           // completion lines, each ending in CR LF
    // A check run: every file of an import read through the same code inside a
    // transaction that is rolled back at the end; problems are collected in
    // Problems (one line each) instead of shown, and the run goes on past them.
    bool CheckOnly = false;
    QStringList Problems;
    qint64 RecordsRead = 0;  // lines and dBase records read, good or not

    void setProgress(Progress& progress) { m_progress = &progress; }

    // Texts of the two directions, as the dialog lists them.
    static QString directionText(Direction direction);
    // Texts of the three tables, as the dialog lists them.
    static QString tableText(int index);
    // The data module's table of a list item (Operadores, Locais, Bens).
    DataTable& table(int index);
    // True when at least one format takes part.
    bool anyFormat() const;
    // What opening the exchange does besides showing the format switches: with
    // a format enabled, opens the three tables where they are closed; without
    // one, warns. True when a format is enabled.
    bool OpenTables();

    // The questions before a run: the confirmation, then the overwrite question
    // of an import or the header question of a comma-separated export. False
    // when the run is not confirmed; nothing has changed then.
    bool AskQuestions(Direction direction);
    // The check run's one question (whether the tables would be emptied first),
    // after the settings are checked. False when the settings are refused.
    bool AskCheckQuestions();
    // Reads every marked table's files as an import would, changes nothing,
    // and leaves every problem in Problems.
    void RunCheck(const std::function<bool(int)>& marked);
    // The last line of a check's report.
    QString checkSummary() const;
    // The check's report as the file "Salvar" writes: Windows-1252, CR LF lines.
    // False when it cannot be written; raises an Error when the name is refused.
    bool writeCheckReport(const QString& path) const;

    // The run itself: each table whose mark is set when the run reaches it.
    // Errors outside the per-record handling stop the run and are shown here.
    void RunTables(Direction direction, const std::function<bool(int)>& marked);
    // Shows the collected completion lines, if any.
    void ShowRunMessages();

    void ImportTable(DataTable& table);
    void ExportTable(DataTable& table);
    // Removes every row of the table and reads it again.
    void EmptyTable(DataTable& table);

    void ExportSDF(DataTable& table, const QString& folder);
    void ExportTXT(DataTable& table, const QString& folder);
    void ExportCSV(DataTable& table, const QString& folder);
    void ExportDBF(DataTable& table, const QString& folder);
    void ImportSDF(DataTable& table, const QString& folder);
    void ImportTXT(DataTable& table, const QString& folder);
    void ImportCSV(DataTable& table, const QString& folder);
    void ImportDBF(DataTable& table, const QString& folder);

  private:
    // Each marked table (read when the run reaches it) until the run stops.
    void forEachTable(const std::function<bool(int)>& marked,
                      const std::function<void(DataTable&)>& work);
    void importTables(const std::function<bool(int)>& marked);
    // After the database was rolled back under them.
    void requeryOpenTables();
    void exportTables(const std::function<bool(int)>& marked);
    void exportText(DataTable& table, const QString& folder, TextFormat format);
    void importText(DataTable& table, const QString& folder, TextFormat format);
    // How many records of a file one savepoint holds (see RecordBatch).
    int recordsPerSavepoint() const;
    // Reads the record's key, finds its row and edits it or adds one, lets
    // assign fill it and saves it, inside the file's record savepoints. A
    // failure of any of this drops the record, is shown, and stops the run.
    // True when stored. where (the file and "linha " or "registro ") and the
    // record's number name it in the messages.
    bool storeRecord(RecordBatch& records, DataTable& table, const QString& where, qint64 record,
                     const std::function<QString()>& key, const std::function<void()>& assign);
    // A record the engine refused when its batch was sent (see RecordBatch)
    // is shown as storeRecord shows one, and stops the run; failed is set.
    void stopAtRefusal(RecordBatch& records, const DataTable& table, const QString& where,
                       bool& failed);
    // A record that could not be read, stored or written: shown with what
    // became of the run (which stops), or in a check collected.
    void recordError(const QString& problem, const DataTable& table, Direction direction);
    // The settings' refusal of a run, shown; false when refused.
    bool checkOptions();
    // A folder setting; empty is the program's folder.
    QString folderOf(const QString& setting) const;
    void report(const QString& text);
    void addCompletion(const char* format, qint64 count, const QString& fileName);
    // The messages of an import file that is missing and an export file that
    // could not be created.
    void reportMissing(const QString& folder, const QString& fileName);
    void reportNotCreated(const QString& folder, const QString& fileName);

    TDados& m_dados;
    Prompter& m_prompter;
    Progress* m_progress;
};

// The folder with its trailing path delimiter, as messages show it.
QString withDelimiter(const QString& folder);
// The file of that name in the folder, or when there is none, one whose name
// differs only in letter case (files brought from systems that ignore it);
// empty when neither exists.
QString findExchangeFile(const QString& folder, const QString& name);
// The text of an engine error in a record message.
QString engineErrorText(const Error& error);

}  // namespace ambitra
