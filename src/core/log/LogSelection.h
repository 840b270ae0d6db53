#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

namespace ambitra {

class Progress;
class Prompter;
class TDados;

// What the inventory log offers: the period that covers every row, the selection
// of a period through the data module's log query, the texts that report it, and
// the export of the selection as a comma-separated file. The log window and the
// command-line companion share it; it never changes the database.
class LogSelection {
  public:
    struct Period {
        QDateTime start;
        QDateTime end;
    };
    enum class Overwrite { Ask, Always };

    LogSelection(TDados& dados, Prompter& prompter, Progress& progress);

    // The first and last moments of the whole log, exact to the millisecond. An
    // empty log beeps, says so and gives nothing.
    std::optional<Period> SelectAllDates();

    // Runs the log query for the period (both ends included) and returns the
    // number of rows; no row beeps and says so. shown, when given, runs with the
    // number of rows before that: the window shows the (empty) result first.
    int Execute(const Period& period, const std::function<void(int)>& shown = {});

    // Saves the selection (run first when it is not open) as a CSV file. With Ask,
    // an existing file is replaced only when the user says so. Returns the number
    // of rows written, or nothing when the user declined or the file could not be
    // created (already reported). A write error is raised.
    std::optional<int> SaveCsv(const QString& path, Overwrite overwrite);

    // The status-bar text of a selection of count rows (without the window's
    // leading blank).
    static QString StatusText(int count);
    // The message that ends an export.
    static QString CompletionText(int count);
    // The file name the save dialog proposes: "Ambitra-Log_" and both dates.
    static QString ProposedFileName(const Period& period);

  private:
    TDados& m_dados;
    Prompter& m_prompter;
    Progress& m_progress;
};

}  // namespace ambitra
