#pragma once

#include "core/exchange/TextLayout.h"

#include <QString>

namespace ambitra {

class DataTable;
class ExchangeRun;

// A table written to its text file of one format (fixed width, delimited or
// comma-separated) in a folder, for the run that owns the state, the messages
// and the progress.
class TextExport {
  public:
    explicit TextExport(ExchangeRun& run) : m_run(run) {}

    void exportTable(DataTable& table, const QString& folder, TextFormat format);

  private:
    ExchangeRun& m_run;
};

}  // namespace ambitra
