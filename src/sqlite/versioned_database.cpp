#include "sqlite/versioned_database.hpp"

#include <unistd.h>

#include <chrono>
#include <optional>
#include <system_error>
#include <thread>

namespace orvelt::sqlite {

namespace {

std::string Named(const DatabaseKind& kind, const std::filesystem::path& file) {
  return std::string("the ") + kind.noun + " " + file.string();
}

// "an archive", "an outbox": the article for the kind's noun.
std::string With_Article(const char* noun) {
  const std::string_view vowels = "aeiou";
  return (vowels.find(noun[0]) != std::string_view::npos ? "an " : "a ") + std::string(noun);
}

// What a file says about itself: whose it is, its layout, and whether it holds anything yet.
struct Marks {
  int application_id = 0;
  int version = 0;
  int tables = 0;
};

int Read_Marks(sqlite3* db, Marks& marks) {
  sqlite3_stmt* query = nullptr;
  int code = sqlite3_prepare_v2(db,
                                "SELECT (SELECT application_id FROM pragma_application_id), "
                                "(SELECT user_version FROM pragma_user_version), "
                                "(SELECT count(*) FROM sqlite_schema)",
                                -1, &query, nullptr);
  if (code == SQLITE_OK && (code = sqlite3_step(query)) == SQLITE_ROW) {
    marks = {sqlite3_column_int(query, 0), sqlite3_column_int(query, 1),
             sqlite3_column_int(query, 2)};
    code = SQLITE_OK;
  }
  sqlite3_finalize(query);
  return code;
}

// SQLite's verdict on every page: "ok", or the first damage it found.
int Quick_Check(sqlite3* db, std::string& verdict) {
  sqlite3_stmt* check = nullptr;
  int code = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &check, nullptr);
  if (code == SQLITE_OK && (code = sqlite3_step(check)) == SQLITE_ROW) {
    verdict = Column_Text(check, 0);
    code = SQLITE_OK;
  }
  sqlite3_finalize(check);
  return code;
}

// Why a file with these marks is not one to open, or nothing.
std::optional<Failure> Refusal(const DatabaseKind& kind, const std::filesystem::path& file,
                               const Marks& marks) {
  const bool empty = marks.application_id == 0 && marks.tables == 0;
  if (!empty && marks.application_id != kind.application_id) {
    return Failure{Named(kind, file) + " is not " + With_Article(kind.noun) +
                   " database of this program: it is left as it is"};
  }
  if (marks.version > kind.version) {
    return Failure{Named(kind, file) + " was written by a newer version (schema " +
                   std::to_string(marks.version) + "; this program reads schema " +
                   std::to_string(kind.version) + "): it is left as it is"};
  }
  if (!empty && marks.version < 1) {
    return Failure{Named(kind, file) + " is damaged: its schema version is missing"};
  }
  return std::nullopt;
}

// A file URI that opens the file as one nobody writes to: SQLite then needs no shared-memory
// file beside a database in WAL mode, which a read-only folder cannot hold.
std::string Immutable_Uri(const std::filesystem::path& file) {
  std::string uri = "file:";
  const std::string path = std::filesystem::absolute(file).string();
  for (const char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      static const char kHex[] = "0123456789ABCDEF";
      const auto byte = static_cast<unsigned char>(c);
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    } else {
      uri += c;
    }
  }
  return uri + "?immutable=1";
}

// Why an operation on the database failed, in words a person can act on. `code` is SQLite's
// result code; `db`, when given, adds SQLite's message for errors without a text of their own.
// Taken before a rollback, which clears that message.
Failure Database_Error(const DatabaseKind& kind, const std::filesystem::path& file, sqlite3* db,
                       int code, std::string_view doing) {
  const std::string named = Named(kind, file);
  const std::string said =
      db != nullptr && sqlite3_errcode(db) != SQLITE_OK ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      if (!kind.in_use.empty()) return {std::string(kind.in_use) + " (" + file.string() + ")"};
      return {named + " is in use by another program"};
    case SQLITE_NOTADB:
      return {named + " is damaged or not " + With_Article(kind.noun) +
              " database: it is left as it is"};
    case SQLITE_CORRUPT:
      return {named + " is damaged: " + std::string(doing) + " met a damaged page (" + said +
              "); sqlite3 " + file.string() + " 'PRAGMA integrity_check' lists the damage"};
    case SQLITE_FULL:
      return {named + " is full: its disk or its size limit is reached"};
    case SQLITE_READONLY:
      return {"cannot write " + named + ": " + sqlite3_errstr(code)};
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
      return {"cannot open " + named + ": " + sqlite3_errstr(code)};
    default:
      return {std::string(kind.noun) + " " + file.string() + ": " + std::string(doing) +
              " failed: " + said};
  }
}

}  // namespace

Failure Database::Error(int code, std::string_view doing) const {
  return Database_Error(kind_, file_, db(), code, doing);
}

Result<sqlite3_stmt*> Database::Statement(const char* sql, std::string_view doing) {
  sqlite3_stmt* statement = connection_->Statement(sql);
  if (statement == nullptr) return Error(sqlite3_errcode(db()), doing);
  return statement;
}

Outcome Database::Exec(const char* sql, std::string_view doing) {
  const int code = connection_->Exec(sql);
  if (code != SQLITE_OK) return Error(code, doing);
  return Outcome::Done();
}

Result<bool> Database::Step(sqlite3_stmt* statement, std::string_view doing) {
  const int code = sqlite3_step(statement);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  return Error(code, doing);
}

Outcome Database::Run(sqlite3_stmt* statement, std::string_view doing) {
  const int code = sqlite3_step(statement);
  if (code != SQLITE_DONE) return Error(code, doing);
  return Outcome::Done();
}

Outcome Database::Checkpoint(std::string_view doing) {
  // A checkpoint syncs the log before it copies it into the database file.
  const int code =
      sqlite3_wal_checkpoint_v2(db(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  if (code != SQLITE_OK) return Error(code, doing);
  return Outcome::Done();
}

Outcome Database::In_Transaction(std::string_view doing, const std::function<Outcome()>& steps) {
  if (Outcome begun = Exec("BEGIN IMMEDIATE", doing); !begun.ok()) return begun;
  Outcome done = steps();
  if (done.ok()) done = Exec("COMMIT", doing);
  if (!done.ok()) connection_->Exec("ROLLBACK");
  return done;
}

Result<std::unique_ptr<Database>> Open_Versioned(const std::filesystem::path& file,
                                                 const DatabaseKind& kind, const LayoutSteps& steps,
                                                 const OpenOptions& options) {
  std::error_code ec;
  const bool create = options.create && !options.read_only;
  if (!create && !std::filesystem::exists(file, ec)) {
    return Failure{"no " + std::string(kind.noun) + " at " + file.string()};
  }
  if (create && file.has_parent_path()) {
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) {
      return Failure{"cannot make the folder of " + Named(kind, file) + ": " + ec.message()};
    }
  }
  const int flags = SQLITE_OPEN_EXRESCODE |
                    (options.read_only ? SQLITE_OPEN_READONLY
                                       : SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0));
  sqlite3* db = nullptr;
  int code = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
  auto connection = std::make_unique<Connection>(db);
  const auto fail = [&](int failed, std::string_view doing) {
    return Database_Error(kind, file, db, failed, doing);
  };
  if (code != SQLITE_OK) return fail(code, "opening");
  sqlite3_busy_timeout(db, options.busy_timeout_ms);
  if (options.exclusive &&
      (code = connection->Exec("PRAGMA locking_mode = EXCLUSIVE")) != SQLITE_OK) {
    return fail(code, "opening");
  }

  // Everything is read and checked before anything is written: a file of another program, of a
  // newer layout, or a damaged one, is left exactly as it was found.
  Marks marks;
  std::string verdict = "ok";
  const auto check = [&]() -> std::optional<Failure> {
    if ((code = connection->Exec("BEGIN")) == SQLITE_OK &&
        (code = Read_Marks(db, marks)) == SQLITE_OK && options.check_pages) {
      code = Quick_Check(db, verdict);
    }
    std::optional<Failure> failure;
    if (code != SQLITE_OK) failure = fail(code, "reading");
    connection->Exec("COMMIT");
    return failure;
  };
  auto refused = check();
  // In a read-only folder SQLite cannot make the shared-memory file a reader of a database in
  // WAL mode needs; nobody can write there either, so the file is read as one that stays as it is.
  if (refused && options.read_only &&
      ((code & 0xFF) == SQLITE_CANTOPEN || (code & 0xFF) == SQLITE_READONLY) &&
      access((file.has_parent_path() ? file.parent_path() : ".").c_str(), W_OK) != 0) {
    // Changes still in the log beside the file would not be seen: refused rather than hidden.
    if (std::filesystem::file_size(file.string() + "-wal", ec) > 0 && !ec) {
      return Failure{Named(kind, file) + " holds changes not yet written into it (" +
                     file.string() + "-wal) and its folder cannot be written: open it once " +
                     "where it can be written"};
    }
    connection.reset();
    db = nullptr;
    code = sqlite3_open_v2(Immutable_Uri(file).c_str(), &db, flags | SQLITE_OPEN_URI, nullptr);
    connection = std::make_unique<Connection>(db);
    if (code != SQLITE_OK) return fail(code, "opening");
    refused = check();
  }
  if (refused) return *refused;
  if (verdict != "ok") {
    return Failure{Named(kind, file) + " is damaged (" + verdict + "): it is left as it is"};
  }
  if (auto refusal = Refusal(kind, file, marks)) return *refusal;
  auto database = std::make_unique<Database>(std::move(connection), kind, file);
  if (options.read_only) {
    if (marks.tables == 0) return Failure{Named(kind, file) + " holds nothing yet"};
    if (marks.version < kind.version) {
      return Failure{Named(kind, file) + " is of an older layout (schema " +
                     std::to_string(marks.version) +
                     "): it is brought up to date the next time something is added to it"};
    }
    return database;
  }

  // Switching a new file to WAL mode takes it for a moment, and SQLite does not wait for another
  // program that does the same at once: the switch is tried again, as long as it would wait.
  Connection& c = database->connection();
  for (int waited = 0; (code = c.Exec("PRAGMA journal_mode = WAL")) != SQLITE_OK &&
                       (code & 0xFF) == SQLITE_BUSY && waited < options.busy_timeout_ms;
       waited += 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (code != SQLITE_OK) return fail(code, "opening");
  // Commits reach the operating system at once, which a crash of the program cannot undo; the
  // wait for the disk comes with each checkpoint.
  c.Exec("PRAGMA synchronous = NORMAL");

  // The layout is read again once this program is the only writer: another one may have made
  // or upgraded it since it was read above.
  const std::string set_marks = "PRAGMA application_id = " + std::to_string(kind.application_id) +
                                "; PRAGMA user_version = " + std::to_string(kind.version) + ";";
  const Outcome laid_out = database->In_Transaction("opening", [&]() -> Outcome {
    if ((code = Read_Marks(db, marks)) != SQLITE_OK) return fail(code, "reading");
    if (auto refusal = Refusal(kind, file, marks)) return *refusal;
    if (marks.tables == 0) {
      Outcome made = steps.make(*database);
      if (made.ok()) made = database->Exec(set_marks.c_str(), "making the tables");
      return made;
    }
    if (marks.version < kind.version) {
      Outcome upgraded = steps.upgrade(*database, marks.version);
      if (upgraded.ok()) upgraded = database->Exec(set_marks.c_str(), "bringing it up to date");
      if (!upgraded.ok()) {
        return Failure{upgraded.why() + " (it is left as it was, at schema " +
                       std::to_string(marks.version) + ")"};
      }
    }
    return Outcome::Done();
  });
  if (!laid_out.ok()) return Failure{laid_out.why()};
  return database;
}

}  // namespace orvelt::sqlite
