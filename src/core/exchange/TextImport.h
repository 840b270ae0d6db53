#pragma once

#include "core/exchange/TextLayout.h"

#include <QString>

namespace ambitra {

class DataTable;
class ExchangeRun;

// A table read from its text file of one format (fixed width, delimited or
// comma-separated) in a folder, for the run that owns the state, the messages
// and the progress.
class TextImport {
  public:
    explicit TextImport(ExchangeRun& run) : m_run(run) {}

    void importTable(DataTable& table, const QString& folder, TextFormat format);

  private:
    ExchangeRun& m_run;
};

}  // namespace ambitra
