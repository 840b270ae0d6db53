#pragma once

namespace ambitra {

class Connection;
class DataTable;

// The work of one import file: a savepoint inside the run's transaction (its
// own transaction when a routine is called alone). The emptying of the table
// and every record stored go in together: commit() keeps them; rollback(), or
// leaving the scope without commit() (an error escaped the per-record
// handling), undoes them all and reads the table again, so it never stays
// emptied or half filled behind the user's back.
class ImportScope {
  public:
    ImportScope(Connection& connection, DataTable& table);
    ~ImportScope();
    void commit();
    void rollback();
    ImportScope(const ImportScope&) = delete;
    ImportScope& operator=(const ImportScope&) = delete;

  private:
    Connection& m_connection;
    DataTable& m_table;
    bool m_nested;
    bool m_done = false;
};

}  // namespace ambitra
