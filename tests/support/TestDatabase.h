#pragma once

#include "core/data/TDados.h"
#include "support/ScriptedPrompter.h"
#include "support/TempAppDir.h"

#include <QStringList>
#include <QVariant>

namespace ambitra::test {

// A program folder with a data module whose database is created and open.
class TestDatabase {
  public:
    TestDatabase();

    TDados& dados() { return m_dados; }
    ScriptedPrompter& prompter() { return m_prompter; }
    const TempAppDir& dir() const { return m_dir; }

    // Runs SQL directly (bound values in order), for arranging and checking rows.
    void exec(const QString& sql, const QVariantList& values = {});
    // The first column of every row of a query, as text.
    QStringList column(const QString& sql);
    // The single value of a query.
    QVariant scalar(const QString& sql);
    // SQL of the register's engine for a whole number written with width digits.
    QString padded(const QString& expression, int width);
    // Opens other on this register, as another program would.
    void connectAnother(Connection& other);

  private:
    TempAppDir m_dir;
    ScriptedPrompter m_prompter;
    TDados m_dados;
};

}  // namespace ambitra::test
