#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/result.hpp"
#include "sqlite/connection.hpp"

namespace orvelt::sqlite {

// A kind of database this program keeps: the word its messages call it by, the mark that makes
// a file ours, and the layout this program writes.
struct DatabaseKind {
  const char* noun = "";  // "archive", "outbox"
  int application_id = 0;
  int version = 0;
  // What a second program is told while another holds the file; empty: "the <noun> <file> is in
  // use by another program".
  std::string_view in_use;
};

// A database of one kind with its file, whose every step gives a Result: a failure says why in
// words a person can act on, made at once from SQLite's code and message, before a rollback or
// a reset could clear them.
class Database {
 public:
  Database(std::unique_ptr<Connection> connection, const DatabaseKind& kind,
           std::filesystem::path file)
      : connection_(std::move(connection)), kind_(kind), file_(std::move(file)) {}

  sqlite3* db() const { return connection_->db(); }
  // The connection itself, for steps whose every failure is checked where they run.
  Connection& connection() const { return *connection_; }
  const std::filesystem::path& file() const { return file_; }
  Failure Error(int code, std::string_view doing) const;

  // The kept statement of `sql` (a constant, as Connection::Statement needs), or why it cannot
  // be prepared.
  Result<sqlite3_stmt*> Statement(const char* sql, std::string_view doing);
  Outcome Exec(const char* sql, std::string_view doing);
  // One step of a statement: true with a row, false once it is done.
  Result<bool> Step(sqlite3_stmt* statement, std::string_view doing);
  // A step of a statement that gives no row (an insert, an update, a delete).
  Outcome Run(sqlite3_stmt* statement, std::string_view doing);
  // Waits until everything committed so far is on the disk.
  Outcome Checkpoint(std::string_view doing);
  // Runs `steps` in one write transaction: all or nothing.
  Outcome In_Transaction(std::string_view doing, const std::function<Outcome()>& steps);

 private:
  std::unique_ptr<Connection> connection_;
  DatabaseKind kind_;
  std::filesystem::path file_;
};

struct OpenOptions {
  // Reading never writes to the file, so that a database on a read-only disk, or one that
  // another program is adding to, can be read; a file of an older layout is then refused.
  bool read_only = false;
  bool create = true;  // make the file (and its folder) when there is none; not when reading
  int busy_timeout_ms = 5000;
  // Held from the first write until the file is closed: a second program is refused at once.
  bool exclusive = false;
  // Reads every page before anything is written: a damaged file is refused as it is.
  bool check_pages = false;
};

// What a layout needs from its owner, both run inside the one write transaction that also sets
// the version, so that a failure leaves the file as it was.
struct LayoutSteps {
  std::function<Outcome(Database&)> make;               // an empty file's tables
  std::function<Outcome(Database&, int from)> upgrade;  // from an older version to `version`
};

// Opens the database, refusing a file of another program or of a newer layout before anything
// is written, in WAL mode, and makes or upgrades its layout in one transaction. The layout is
// read again inside that transaction, so that two programs opening the same new (or old) file
// at once make (or upgrade) it once, and the second sees the first one's work.
Result<std::unique_ptr<Database>> Open_Versioned(const std::filesystem::path& file,
                                                 const DatabaseKind& kind, const LayoutSteps& steps,
                                                 const OpenOptions& options = {});

}  // namespace orvelt::sqlite
