#pragma once

#include <QString>

namespace ambitra {

class DataTable;
class ExchangeRun;

// A table to and from its dBase file (OPERADOR.DBF, LOCAL.DBF, BEM.DBF) in a
// folder, for the run that owns the state, the messages and the progress.
class DbfExchange {
  public:
    explicit DbfExchange(ExchangeRun& run) : m_run(run) {}

    void exportTable(DataTable& table, const QString& folder);
    void importTable(DataTable& table, const QString& folder);

  private:
    ExchangeRun& m_run;
};

}  // namespace ambitra
