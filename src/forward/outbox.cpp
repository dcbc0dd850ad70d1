#include "forward/outbox.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <functional>

#include "sqlite/connection.hpp"
#include "sqlite/versioned_database.hpp"

namespace orvelt {
namespace {

// The application id marks the file as ours ("ORFW"), so that another program's database is
// not taken for an outbox.
const sqlite::DatabaseKind kOutboxKind{"outbox", 0x4F524657, 2, kOutboxInUse};
// Below this size (4 MiB of 4 KiB pages) free pages are not worth a rewrite.
constexpr std::int64_t kVacuumFromPages = 1024;

// Only deliveries still to be made (waiting or rejected) are kept: a sent one leaves the table at
// once and is counted in sent_counts, so that nothing the outbox does grows with its history.
// A delivery's state: 0 waiting, 2 rejected (1, sent, was kept by the first layout only).
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS frames(
  id INTEGER PRIMARY KEY,
  received_ms INTEGER NOT NULL,
  bytes BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS deliveries(
  server TEXT NOT NULL,
  frame_id INTEGER NOT NULL REFERENCES frames(id),
  state INTEGER NOT NULL DEFAULT 0,
  attempts INTEGER NOT NULL DEFAULT 0,
  next_attempt_ms INTEGER NOT NULL DEFAULT 0,
  answer TEXT NOT NULL DEFAULT '',
  PRIMARY KEY(server, frame_id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS sent_counts(
  server TEXT PRIMARY KEY,
  sent INTEGER NOT NULL) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS deliveries_waiting ON deliveries(server, frame_id) WHERE state = 0;
CREATE INDEX IF NOT EXISTS deliveries_due ON deliveries(server, next_attempt_ms) WHERE state = 0;
CREATE INDEX IF NOT EXISTS deliveries_by_frame ON deliveries(frame_id);
)sql";

// An outbox of the first layout kept its sent deliveries: they become counts.
constexpr const char* kUpgradeFrom1 = R"sql(
INSERT INTO sent_counts(server, sent)
  SELECT server, COUNT(*) FROM deliveries WHERE state = 1 GROUP BY server;
DELETE FROM deliveries WHERE state = 1;
DELETE FROM frames WHERE id NOT IN (SELECT frame_id FROM deliveries);
DROP INDEX IF EXISTS deliveries_by_state;
)sql";

constexpr const char* kInsertFrame = "INSERT INTO frames(received_ms, bytes) VALUES(?1, ?2)";
constexpr const char* kInsertDelivery =
    "INSERT OR IGNORE INTO deliveries(server, frame_id) VALUES(?1, ?2)";
// Walks the waiting deliveries of one server in frame order, never the sent ones.
constexpr const char* kNextDue =
    "SELECT d.frame_id, f.bytes, f.received_ms, d.attempts "
    "FROM deliveries d INDEXED BY deliveries_waiting JOIN frames f ON f.id = d.frame_id "
    "WHERE d.server = ?1 AND d.state = 0 AND d.next_attempt_ms <= ?2 "
    "ORDER BY d.frame_id LIMIT ?3";
constexpr const char* kNextAttempt =
    "SELECT MIN(next_attempt_ms) FROM deliveries WHERE server = ?1 AND state = 0";
constexpr const char* kMarkSent =
    "DELETE FROM deliveries WHERE frame_id = ?1 AND server = ?2 AND state = 0";
constexpr const char* kCountSent =
    "INSERT INTO sent_counts(server, sent) VALUES(?1, 1) "
    "ON CONFLICT(server) DO UPDATE SET sent = sent + 1";
constexpr const char* kMarkRetry =
    "UPDATE deliveries SET attempts = attempts + 1, next_attempt_ms = ?3, answer = ?4 "
    "WHERE frame_id = ?1 AND server = ?2 AND state = 0";
constexpr const char* kMarkRejected =
    "UPDATE deliveries SET state = 2, answer = ?4 WHERE frame_id = ?1 AND server = ?2 AND "
    "state = 0";
constexpr const char* kCounts =
    "SELECT server, SUM(sent), SUM(waiting), SUM(rejected) FROM ("
    "SELECT server, sent, 0 AS waiting, 0 AS rejected FROM sent_counts UNION ALL "
    "SELECT server, 0, SUM(state = 0), SUM(state = 2) FROM deliveries GROUP BY server) "
    "GROUP BY server ORDER BY server";
constexpr const char* kCountsFor =
    "SELECT (SELECT COALESCE(SUM(sent), 0) FROM sent_counts WHERE server = ?1), "
    "(SELECT COUNT(*) FROM deliveries WHERE server = ?1 AND state = 0), "
    "(SELECT COUNT(*) FROM deliveries WHERE server = ?1 AND state = 2)";
constexpr const char* kRejected =
    "SELECT d.frame_id, d.server, f.received_ms, d.answer FROM deliveries d "
    "JOIN frames f ON f.id = d.frame_id WHERE d.state = 2 ORDER BY d.frame_id, d.server";
constexpr const char* kRetryRejected =
    "UPDATE deliveries SET state = 0, attempts = 0, next_attempt_ms = 0, answer = '' "
    "WHERE state = 2";
constexpr const char* kDiscard = "DELETE FROM deliveries WHERE frame_id = ?1 AND server = ?2";
constexpr const char* kDiscardServer = "DELETE FROM deliveries WHERE server = ?1";
constexpr const char* kDropOrphan =
    "DELETE FROM frames WHERE id = ?1 AND NOT EXISTS "
    "(SELECT 1 FROM deliveries WHERE frame_id = ?1)";
constexpr const char* kDropOrphans =
    "DELETE FROM frames WHERE id NOT IN (SELECT frame_id FROM deliveries)";

using sqlite::Bind_Text;
using sqlite::Column_Text;
using sqlite::Use;

}  // namespace

Outbox::Outbox(std::unique_ptr<sqlite::Connection> connection, std::filesystem::path file)
    : connection_(std::move(connection)), file_(std::move(file)) {}

sqlite3* Outbox::db() const {
  return connection_->db();
}

sqlite3_stmt* Outbox::Statement(const char* sql) {
  return connection_->Statement(sql);
}

int Outbox::Exec(const char* sql) {
  return connection_->Exec(sql);
}

Outbox::~Outbox() = default;

Failure Outbox::Error(int code, const std::string& doing) const {
  return sqlite::Database_Error(kOutboxKind, file_, db(), code, doing);
}

Result<std::unique_ptr<Outbox>> Outbox::Open(const std::filesystem::path& file,
                                             std::int64_t max_bytes) {
  sqlite::OpenOptions options;
  // Never wait for another holder: the second program is told at once. The lock is held until
  // the file is closed, so a second program cannot read or send from it; the kernel drops it
  // when the holder dies, so a crash frees it.
  options.busy_timeout_ms = 0;
  options.exclusive = true;
  // A damaged page would otherwise only show when its frame comes up for sending.
  options.check_pages = true;
  sqlite::LayoutSteps steps;
  steps.make = [](sqlite::Connection& c) { return c.Exec(kSchema); };
  steps.upgrade = [&](sqlite::Connection& c, int) -> Outcome {
    int rc = c.Exec(kSchema);
    if (rc == SQLITE_OK) rc = c.Exec(kUpgradeFrom1);
    if (rc != SQLITE_OK) return sqlite::Database_Error(kOutboxKind, file, c.db(), rc, "opening");
    return Outcome::Done();
  };
  auto opened = sqlite::Open_Versioned(file, kOutboxKind, steps, options);
  if (!opened.ok()) return Failure{opened.why()};
  std::unique_ptr<Outbox> outbox(new Outbox(std::move(opened.value()), file));
  sqlite3* db = outbox->db();
  int rc = SQLITE_OK;
  // Sent frames leave free pages behind; once they are most of the file, it is rewritten with
  // what still has to go, so that a long-lived outbox neither keeps its old size on the disk nor
  // scatters new frames over its past.
  std::int64_t pages = 0;
  std::int64_t free_pages = 0;
  sqlite3_stmt* sizes = nullptr;
  if (sqlite3_prepare_v2(db,
                         "SELECT (SELECT page_count FROM pragma_page_count), "
                         "(SELECT freelist_count FROM pragma_freelist_count)",
                         -1, &sizes, nullptr) == SQLITE_OK &&
      sqlite3_step(sizes) == SQLITE_ROW) {
    pages = sqlite3_column_int64(sizes, 0);
    free_pages = sqlite3_column_int64(sizes, 1);
  }
  sqlite3_finalize(sizes);
  if (pages >= kVacuumFromPages && free_pages * 2 > pages &&
      (rc = outbox->Exec("VACUUM")) != SQLITE_OK) {
    return outbox->Error(rc, "compacting");
  }
  if (max_bytes > 0) {
    sqlite3_stmt* size = nullptr;
    std::int64_t page_size = 4096;
    if (sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &size, nullptr) == SQLITE_OK &&
        sqlite3_step(size) == SQLITE_ROW) {
      page_size = std::max<std::int64_t>(512, sqlite3_column_int64(size, 0));
    }
    sqlite3_finalize(size);
    const std::string limit = "PRAGMA max_page_count = " +
                              std::to_string(std::max<std::int64_t>(1, max_bytes / page_size));
    if ((rc = outbox->Exec(limit.c_str())) != SQLITE_OK) return outbox->Error(rc, "opening");
  }
  return outbox;
}

Result<std::int64_t> Outbox::Enqueue(std::span<const std::uint8_t> frame, std::int64_t received_ms,
                                     const std::vector<std::string>& servers) {
  if (servers.empty()) return Failure{"no server to send the frame to"};
  sqlite3_stmt* insert_frame = Statement(kInsertFrame);
  sqlite3_stmt* insert_delivery = Statement(kInsertDelivery);
  if (insert_frame == nullptr || insert_delivery == nullptr) {
    return Error(sqlite3_errcode(db()), "queueing a frame");
  }
  std::int64_t frame_id = 0;
  auto stored = In_Transaction("queueing a frame", [&] {
    int rc = SQLITE_DONE;
    {
      Use use(insert_frame);
      sqlite3_bind_int64(insert_frame, 1, received_ms);
      sqlite3_bind_blob(insert_frame, 2,
                        frame.empty() ? "" : static_cast<const void*>(frame.data()),
                        static_cast<int>(frame.size()), SQLITE_STATIC);
      rc = sqlite3_step(insert_frame);
      frame_id = sqlite3_last_insert_rowid(db());
    }
    for (const std::string& server : servers) {
      if (rc != SQLITE_DONE) break;
      Use use(insert_delivery);
      Bind_Text(insert_delivery, 1, server);
      sqlite3_bind_int64(insert_delivery, 2, frame_id);
      rc = sqlite3_step(insert_delivery);
    }
    return rc;
  });
  if (!stored.ok()) return Failure{stored.why()};
  return frame_id;
}

Outcome Outbox::In_Transaction(const std::string& doing, const std::function<int()>& steps) {
  int rc = Exec("BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return Error(rc, doing);
  rc = steps();
  if (rc == SQLITE_DONE || rc == SQLITE_OK) rc = Exec("COMMIT");
  if (rc != SQLITE_OK) {
    const Failure error = Error(rc, doing);
    Exec("ROLLBACK");
    return error;
  }
  return Outcome::Done();
}

Outcome Outbox::Write_To_Disk() {
  // A checkpoint syncs the log before it copies it into the database file.
  const int rc =
      sqlite3_wal_checkpoint_v2(db(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  if (rc != SQLITE_OK) return Error(rc, "writing the outbox to disk");
  return Outcome::Done();
}

Result<std::vector<OutboxItem>> Outbox::Next_Due(const std::string& server, std::int64_t now_ms,
                                                 std::size_t limit) {
  sqlite3_stmt* statement = Statement(kNextDue);
  if (statement == nullptr) return Error(sqlite3_errcode(db()), "reading the outbox");
  Use use(statement);
  Bind_Text(statement, 1, server);
  sqlite3_bind_int64(statement, 2, now_ms);
  sqlite3_bind_int64(statement, 3, static_cast<std::int64_t>(limit));
  std::vector<OutboxItem> items;
  int rc = SQLITE_ROW;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    OutboxItem item;
    item.frame_id = sqlite3_column_int64(statement, 0);
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, 1));
    item.bytes.assign(bytes, bytes + sqlite3_column_bytes(statement, 1));
    item.received_ms = sqlite3_column_int64(statement, 2);
    item.attempts = sqlite3_column_int(statement, 3);
    items.push_back(std::move(item));
  }
  if (rc != SQLITE_DONE) return Error(rc, "reading the outbox");
  return items;
}

Result<std::optional<std::int64_t>> Outbox::Next_Attempt_Ms(const std::string& server) {
  sqlite3_stmt* statement = Statement(kNextAttempt);
  if (statement == nullptr) return Error(sqlite3_errcode(db()), "reading the outbox");
  Use use(statement);
  Bind_Text(statement, 1, server);
  const int rc = sqlite3_step(statement);
  if (rc != SQLITE_ROW) return Error(rc, "reading the outbox");
  if (sqlite3_column_type(statement, 0) == SQLITE_NULL) return std::optional<std::int64_t>();
  return std::optional<std::int64_t>(sqlite3_column_int64(statement, 0));
}

Outcome Outbox::Update_Delivery(const char* sql, std::int64_t frame_id, const std::string& server,
                                std::int64_t number, const std::string& text,
                                const std::string& doing) {
  sqlite3_stmt* statement = Statement(sql);
  if (statement == nullptr) return Error(sqlite3_errcode(db()), doing);
  Use use(statement);
  sqlite3_bind_int64(statement, 1, frame_id);
  Bind_Text(statement, 2, server);
  sqlite3_bind_int64(statement, 3, number);
  Bind_Text(statement, 4, text);
  const int rc = sqlite3_step(statement);
  if (rc != SQLITE_DONE) return Error(rc, doing);
  return Outcome::Done();
}

Outcome Outbox::Mark_Sent(std::int64_t frame_id, const std::string& server) {
  sqlite3_stmt* remove = Statement(kMarkSent);
  sqlite3_stmt* count = Statement(kCountSent);
  sqlite3_stmt* drop = Statement(kDropOrphan);
  if (remove == nullptr || count == nullptr || drop == nullptr) {
    return Error(sqlite3_errcode(db()), "recording a delivery");
  }
  return In_Transaction("recording a delivery", [&] {
    int rc = SQLITE_DONE;
    {
      Use use(remove);
      sqlite3_bind_int64(remove, 1, frame_id);
      Bind_Text(remove, 2, server);
      rc = sqlite3_step(remove);
    }
    // Confirmed twice (or discarded meanwhile): counted once.
    if (rc != SQLITE_DONE || sqlite3_changes64(db()) == 0) return rc;
    {
      Use use(count);
      Bind_Text(count, 1, server);
      rc = sqlite3_step(count);
    }
    if (rc != SQLITE_DONE) return rc;
    Use use(drop);
    sqlite3_bind_int64(drop, 1, frame_id);
    return sqlite3_step(drop);
  });
}

Outcome Outbox::Mark_Retry(std::int64_t frame_id, const std::string& server,
                           std::int64_t next_attempt_ms, const std::string& error) {
  return Update_Delivery(kMarkRetry, frame_id, server, next_attempt_ms, error,
                         "recording a failed attempt");
}

Outcome Outbox::Mark_Rejected(std::int64_t frame_id, const std::string& server,
                              const std::string& answer) {
  return Update_Delivery(kMarkRejected, frame_id, server, 0, answer, "recording a rejection");
}

template <typename T, typename Read>
Result<std::vector<T>> Outbox::Read_All(const char* sql, const std::string& doing, Read read_row) {
  sqlite3_stmt* statement = Statement(sql);
  if (statement == nullptr) return Error(sqlite3_errcode(db()), doing);
  Use use(statement);
  std::vector<T> rows;
  int rc = SQLITE_ROW;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) rows.push_back(read_row(statement));
  if (rc != SQLITE_DONE) return Error(rc, doing);
  return rows;
}

Result<std::vector<ServerCounts>> Outbox::Counts() {
  return Read_All<ServerCounts>(kCounts, "counting the outbox", [](sqlite3_stmt* row) {
    return ServerCounts{Column_Text(row, 0), sqlite3_column_int64(row, 1),
                        sqlite3_column_int64(row, 2), sqlite3_column_int64(row, 3)};
  });
}

Result<ServerCounts> Outbox::Counts_For(const std::string& server) {
  sqlite3_stmt* statement = Statement(kCountsFor);
  if (statement == nullptr) return Error(sqlite3_errcode(db()), "counting the outbox");
  Use use(statement);
  Bind_Text(statement, 1, server);
  const int rc = sqlite3_step(statement);
  if (rc != SQLITE_ROW) return Error(rc, "counting the outbox");
  return ServerCounts{server, sqlite3_column_int64(statement, 0),
                      sqlite3_column_int64(statement, 1), sqlite3_column_int64(statement, 2)};
}

Result<std::vector<RejectedFrame>> Outbox::Rejected_Frames() {
  return Read_All<RejectedFrame>(kRejected, "reading the outbox", [](sqlite3_stmt* row) {
    return RejectedFrame{sqlite3_column_int64(row, 0), Column_Text(row, 1),
                         sqlite3_column_int64(row, 2), Column_Text(row, 3)};
  });
}

Result<std::int64_t> Outbox::Retry_Rejected() {
  sqlite3_stmt* statement = Statement(kRetryRejected);
  if (statement == nullptr) return Error(sqlite3_errcode(db()), "retrying rejected frames");
  Use use(statement);
  const int rc = sqlite3_step(statement);
  if (rc != SQLITE_DONE) return Error(rc, "retrying rejected frames");
  return static_cast<std::int64_t>(sqlite3_changes64(db()));
}

Result<std::int64_t> Outbox::Discard(std::int64_t frame_id, const std::string& server) {
  sqlite3_stmt* discard = Statement(kDiscard);
  sqlite3_stmt* drop = Statement(kDropOrphan);
  if (discard == nullptr || drop == nullptr) {
    return Error(sqlite3_errcode(db()), "discarding a frame");
  }
  std::int64_t removed = 0;
  auto done = In_Transaction("discarding a frame", [&] {
    int rc = SQLITE_DONE;
    {
      Use use(discard);
      sqlite3_bind_int64(discard, 1, frame_id);
      Bind_Text(discard, 2, server);
      rc = sqlite3_step(discard);
      removed = sqlite3_changes64(db());
    }
    if (rc == SQLITE_DONE) {
      Use use(drop);
      sqlite3_bind_int64(drop, 1, frame_id);
      rc = sqlite3_step(drop);
    }
    return rc;
  });
  if (!done.ok()) return Failure{done.why()};
  return removed;
}

Result<std::int64_t> Outbox::Discard_Server(const std::string& server) {
  sqlite3_stmt* discard = Statement(kDiscardServer);
  sqlite3_stmt* drop = Statement(kDropOrphans);
  if (discard == nullptr || drop == nullptr) {
    return Error(sqlite3_errcode(db()), "discarding frames");
  }
  std::int64_t removed = 0;
  auto done = In_Transaction("discarding frames", [&] {
    int rc = SQLITE_DONE;
    {
      Use use(discard);
      Bind_Text(discard, 1, server);
      rc = sqlite3_step(discard);
      removed = sqlite3_changes64(db());
    }
    if (rc != SQLITE_DONE) return rc;
    Use use(drop);
    return sqlite3_step(drop);
  });
  if (!done.ok()) return Failure{done.why()};
  return removed;
}

std::vector<ServerCounts> Frames_For_Removed_Servers(const std::vector<ServerCounts>& counts,
                                                     const std::vector<std::string>& servers) {
  std::vector<ServerCounts> removed;
  for (const ServerCounts& server : counts) {
    if (server.waiting + server.rejected > 0 &&
        std::find(servers.begin(), servers.end(), server.server) == servers.end()) {
      removed.push_back(server);
    }
  }
  return removed;
}

std::string Removed_Servers_Text(const std::vector<ServerCounts>& removed) {
  std::string text;
  for (const ServerCounts& server : removed) {
    if (!text.empty()) text += "; ";
    const std::int64_t frames = server.waiting + server.rejected;
    text += std::to_string(frames) + (frames == 1 ? " frame waits" : " frames wait") + " for " +
            server.server + ", which is no longer a server";
  }
  if (!text.empty()) text += ": they are not sent";
  return text;
}

}  // namespace orvelt
