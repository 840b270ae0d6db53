#pragma once

#include "support/QtPrinters.h"
#include "core/common/Progress.h"
#include "core/exchange/ExchangeRun.h"
#include "support/TestDatabase.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ambitra::test {

// A database with its three exchange tables open, an exchange folder shared by
// every format, and a run over them.
class ExchangeFixture {
  public:
    ExchangeFixture();

    // Which formats take part (dBase, fixed width, delimited, comma-separated).
    void useFormats(bool dbf, bool sdf, bool txt, bool csv);
    Settings& settings() { return db.dados().settings(); }
    DataTable& operadores() { return db.dados().TOperadores(); }
    DataTable& locais() { return db.dados().TLocais(); }
    DataTable& bens() { return db.dados().TBens(); }

    QString path(const QString& name) const;
    QByteArray read(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;

    // Every row of a table in key order, its columns joined by "|" (NULL as <null>).
    QStringList rows(const QString& table);
    void addLocal(const char* code, const char* building, const char* department, const char* room);
    // An asset with the given columns; the others NULL.
    void addBem(const QString& code, const QString& name, const QVariant& value,
                const QVariant& purchase = {}, const QVariant& inventory = {});

    TestDatabase db;
    QString folder;
    ExchangeRun run;
};

// A progress that calls back after a number of steps (to cancel or fail a run).
class CallbackProgress : public Progress {
  public:
    CallbackProgress(int after, std::function<void()> action)
        : m_after(after), m_action(std::move(action)) {}
    void yield() override {
        if (++m_steps == m_after) {
            m_action();
        }
    }

  private:
    int m_after;
    int m_steps = 0;
    std::function<void()> m_action;
};

}  // namespace ambitra::test
