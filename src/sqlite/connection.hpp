#pragma once

#include <sqlite3.h>

#include <map>
#include <string>

namespace orvelt::sqlite {

// An open database and the statements prepared on it, kept for reuse; both are finalized and
// closed at the end.
class Connection {
 public:
  explicit Connection(sqlite3* db) : db_(db) {}
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* db() const { return db_; }
  // The statement of `sql`, prepared once and kept by the text's address (so `sql` is a
  // constant that lives as long as the program); nullptr when it cannot be prepared, with
  // SQLite's error code telling why.
  sqlite3_stmt* Statement(const char* sql);
  int Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }

 private:
  sqlite3* db_;
  std::map<const char*, sqlite3_stmt*> statements_;
};

// Resets a kept statement and clears its bindings when the step that used it is over.
class Use {
 public:
  explicit Use(sqlite3_stmt* statement) : statement_(statement) {}
  ~Use() {
    if (statement_ != nullptr) {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_;
};

int Bind_Text(sqlite3_stmt* statement, int index, const std::string& text);
// The text of a column; empty for NULL.
std::string Column_Text(sqlite3_stmt* statement, int column);

}  // namespace orvelt::sqlite
