#pragma once

#include "core/data/EngineErrorText.h"
#include "core/data/NativeQuery.h"

#include <QList>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace ambitra {

class Connection;

// A statement with named parameters (":Name"), as the data module's command and
// queries use them. Values are bound, never pasted into the text.
class Statement {
  public:
    explicit Statement(Connection& connection) : m_connection(connection) {}

    // The statement as lines; they are joined as they stand (each line carries
    // its own trailing blank where one is needed).
    void setText(const QStringList& lines);
    void setText(const QString& text) { setText(QStringList{text}); }
    QString text() const { return m_text; }
    // Drops the statement prepared on the connection, before it closes: a server
    // connection cannot free a statement after it.
    void release();

    // Binds a parameter by name (without the colon). Dates and moments travel as
    // the text the database stores them in.
    void setParameter(const QString& name, const QVariant& value);

  protected:
    // Prepares (once per text) and binds; raises on an engine error.
    QSqlQuery& prepared();
    // The user's text for the engine error of q; the parameters give the values
    // (a parameter is named after the column it fills).
    QString errorText(const QSqlQuery& q) const;
    EngineErrorText::ValueOf parameterValues() const;
    const QList<std::pair<QString, QVariant>>& parameters() const { return m_parameters; }
    // The parameters' values in the order their names first appear in the text
    // (a parameter given no value is null), as the engines bind them by place.
    QList<QVariant> valuesByPlace() const;
    Connection& m_connection;

  private:
    QString m_text;
    QList<std::pair<QString, QVariant>> m_parameters;
    QSqlQuery m_query;
    int m_preparedFor = -1;  // the connection generation the statement was prepared on
};

// Statements without result rows (creation, DELETE, INSERT INTO Log).
class Command : public Statement {
  public:
    using Statement::Statement;
    void execute();
    int rowsAffected() const { return m_rowsAffected; }

  private:
    // Runs the statement on the embedded engine's own interface; false when it
    // is left to the general driver.
    bool executeNative();
    int m_rowsAffected = 0;
};

// A query whose rows are read once when opened and then browsed in memory.
class Query : public Statement {
  public:
    using Statement::Statement;

    void open();  // raises on an engine error
    void close();
    // Runs again with the current parameters; keeps the rows when nothing was
    // written since they were read (the windows ask at every activation).
    void requery();
    bool isOpen() const { return m_open; }
    bool isEmpty() const { return m_rows.isEmpty(); }
    int rowCount() const { return static_cast<int>(m_rows.size()); }

    void first() { m_row = 0; }
    void next() { ++m_row; }
    bool eof() const { return m_row >= m_rows.size(); }
    int position() const { return m_row; }
    void moveTo(int row) { m_row = row; }

    const QStringList& columnNames() const { return m_columns; }
    int columnIndex(const QString& name) const;  // letter case ignored; -1 when absent
    // Value of a column of the current row: text, amount, date, moment or null.
    QVariant value(const QString& name) const;
    QVariant valueAt(int row, int column) const;

  private:
    QStringList m_columns;
    QList<QList<QVariant>> m_rows;
    int m_row = 0;
    bool m_open = false;
    // What the rows were read for: the text, the parameters and the register.
    QString m_readText;
    QList<std::pair<QString, QVariant>> m_readParameters;
    std::optional<ChangeStamp> m_readStamp;
};

}  // namespace ambitra
