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
constexpr const char* kPageCount = "SELECT page_count FROM pragma_page_count";
constexpr const char* kFreePages = "SELECT freelist_count FROM pragma_freelist_count";
constexpr const char* kPageSize = "PRAGMA page_size";

using sqlite::Bind_Text;
using sqlite::Column_Text;
using sqlite::Use;

}  // namespace

Outbox::Outbox(std::unique_ptr<sqlite::Database> database) : database_(std::move(database)) {}

Outbox::~Outbox() = default;

const std::filesystem::path& Outbox::file() const {
  return database_->file();
}

sqlite3* Outbox::db() const {
  return database_->db();
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
  steps.make = [](sqlite::Database& d) { return d.Exec(kSchema, "making the tables"); };
  steps.upgrade = [](sqlite::Database& d, int) {
    const Outcome made = d.Exec(kSchema, "opening");
    return made.ok() ? d.Exec(kUpgradeFrom1, "opening") : made;
  };
  auto opened = sqlite::Open_Versioned(file, kOutboxKind, steps, options);
  if (!opened.ok()) return Failure{opened.why()};
  std::unique_ptr<Outbox> outbox(new Outbox(std::move(opened.value())));
  sqlite::Database& database = *outbox->database_;
  // Sent frames leave free pages behind; once they are most of the file, it is rewritten with
  // what still has to go, so that a long-lived outbox neither keeps its old size on the disk nor
  // scatters new frames over its past. Sizes that cannot be read leave the file as it is.
  const auto number = [&](const char* sql, std::int64_t otherwise) -> std::int64_t {
    const auto query = database.Statement(sql, "opening");
    if (!query.ok()) return otherwise;
    Use use(query.value());
    const auto row = database.Step(query.value(), "opening");
    return row.ok() && row.value() ? sqlite3_column_int64(query.value(), 0) : otherwise;
  };
  const std::int64_t pages = number(kPageCount, 0);
  const std::int64_t free_pages = number(kFreePages, 0);
  if (pages >= kVacuumFromPages && free_pages * 2 > pages) {
    if (Outcome compacted = database.Exec("VACUUM", "compacting"); !compacted.ok()) {
      return Failure{compacted.why()};
    }
  }
  if (max_bytes > 0) {
    const std::int64_t page_size = std::max<std::int64_t>(512, number(kPageSize, 4096));
    const std::string limit = "PRAGMA max_page_count = " +
                              std::to_string(std::max<std::int64_t>(1, max_bytes / page_size));
    if (Outcome limited = database.Exec(limit.c_str(), "opening"); !limited.ok()) {
      return Failure{limited.why()};
    }
  }
  return outbox;
}

Result<std::int64_t> Outbox::Enqueue(std::span<const std::uint8_t> frame, std::int64_t received_ms,
                                     const std::vector<std::string>& servers) {
  if (servers.empty()) return Failure{"no server to send the frame to"};
  const char* doing = "queueing a frame";
  auto insert_frame = database_->Statement(kInsertFrame, doing);
  auto insert_delivery = database_->Statement(kInsertDelivery, doing);
  if (!insert_frame.ok()) return Failure{insert_frame.why()};
  if (!insert_delivery.ok()) return Failure{insert_delivery.why()};
  std::int64_t frame_id = 0;
  auto stored = database_->In_Transaction(doing, [&] {
    {
      sqlite3_stmt* insert = insert_frame.value();
      Use use(insert);
      sqlite3_bind_int64(insert, 1, received_ms);
      sqlite3_bind_blob(insert, 2, frame.empty() ? "" : static_cast<const void*>(frame.data()),
                        static_cast<int>(frame.size()), SQLITE_STATIC);
      if (Outcome done = database_->Run(insert, doing); !done.ok()) return done;
      frame_id = sqlite3_last_insert_rowid(db());
    }
    for (const std::string& server : servers) {
      sqlite3_stmt* insert = insert_delivery.value();
      Use use(insert);
      Bind_Text(insert, 1, server);
      sqlite3_bind_int64(insert, 2, frame_id);
      if (Outcome done = database_->Run(insert, doing); !done.ok()) return done;
    }
    return Outcome::Done();
  });
  if (!stored.ok()) return Failure{stored.why()};
  return frame_id;
}

Outcome Outbox::Write_To_Disk() {
  return database_->Checkpoint("writing the outbox to disk");
}

Result<std::vector<OutboxItem>> Outbox::Next_Due(const std::string& server, std::int64_t now_ms,
                                                 std::size_t limit) {
  const char* doing = "reading the outbox";
  const auto prepared = database_->Statement(kNextDue, doing);
  if (!prepared.ok()) return Failure{prepared.why()};
  sqlite3_stmt* statement = prepared.value();
  Use use(statement);
  Bind_Text(statement, 1, server);
  sqlite3_bind_int64(statement, 2, now_ms);
  sqlite3_bind_int64(statement, 3, static_cast<std::int64_t>(limit));
  std::vector<OutboxItem> items;
  for (;;) {
    const auto row = database_->Step(statement, doing);
    if (!row.ok()) return Failure{row.why()};
    if (!row.value()) return items;
    OutboxItem item;
    item.frame_id = sqlite3_column_int64(statement, 0);
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, 1));
    item.bytes.assign(bytes, bytes + sqlite3_column_bytes(statement, 1));
    item.received_ms = sqlite3_column_int64(statement, 2);
    item.attempts = sqlite3_column_int(statement, 3);
    items.push_back(std::move(item));
  }
}

Result<std::optional<std::int64_t>> Outbox::Next_Attempt_Ms(const std::string& server) {
  const char* doing = "reading the outbox";
  const auto prepared = database_->Statement(kNextAttempt, doing);
  if (!prepared.ok()) return Failure{prepared.why()};
  sqlite3_stmt* statement = prepared.value();
  Use use(statement);
  Bind_Text(statement, 1, server);
  // MIN over no rows still gives one row, of NULL.
  const auto row = database_->Step(statement, doing);
  if (!row.ok()) return Failure{row.why()};
  if (!row.value() || sqlite3_column_type(statement, 0) == SQLITE_NULL) {
    return std::optional<std::int64_t>();
  }
  return std::optional<std::int64_t>(sqlite3_column_int64(statement, 0));
}

Outcome Outbox::Update_Delivery(const char* sql, std::int64_t frame_id, const std::string& server,
                                std::int64_t number, const std::string& text,
                                const std::string& doing) {
  const auto prepared = database_->Statement(sql, doing);
  if (!prepared.ok()) return Failure{prepared.why()};
  sqlite3_stmt* statement = prepared.value();
  Use use(statement);
  sqlite3_bind_int64(statement, 1, frame_id);
  Bind_Text(statement, 2, server);
  sqlite3_bind_int64(statement, 3, number);
  Bind_Text(statement, 4, text);
  return database_->Run(statement, doing);
}

Outcome Outbox::Mark_Sent(std::int64_t frame_id, const std::string& server) {
  const char* doing = "recording a delivery";
  auto remove = database_->Statement(kMarkSent, doing);
  auto count = database_->Statement(kCountSent, doing);
  auto drop = database_->Statement(kDropOrphan, doing);
  for (const auto* prepared : {&remove, &count, &drop}) {
    if (!prepared->ok()) return Failure{prepared->why()};
  }
  return database_->In_Transaction(doing, [&] {
    {
      Use use(remove.value());
      sqlite3_bind_int64(remove.value(), 1, frame_id);
      Bind_Text(remove.value(), 2, server);
      if (Outcome done = database_->Run(remove.value(), doing); !done.ok()) return done;
    }
    // Confirmed twice (or discarded meanwhile): counted once.
    if (sqlite3_changes64(db()) == 0) return Outcome::Done();
    {
      Use use(count.value());
      Bind_Text(count.value(), 1, server);
      if (Outcome done = database_->Run(count.value(), doing); !done.ok()) return done;
    }
    Use use(drop.value());
    sqlite3_bind_int64(drop.value(), 1, frame_id);
    return database_->Run(drop.value(), doing);
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
  const auto prepared = database_->Statement(sql, doing);
  if (!prepared.ok()) return Failure{prepared.why()};
  Use use(prepared.value());
  std::vector<T> rows;
  for (;;) {
    const auto row = database_->Step(prepared.value(), doing);
    if (!row.ok()) return Failure{row.why()};
    if (!row.value()) return rows;
    rows.push_back(read_row(prepared.value()));
  }
}

Result<std::vector<ServerCounts>> Outbox::Counts() {
  return Read_All<ServerCounts>(kCounts, "counting the outbox", [](sqlite3_stmt* row) {
    return ServerCounts{Column_Text(row, 0), sqlite3_column_int64(row, 1),
                        sqlite3_column_int64(row, 2), sqlite3_column_int64(row, 3)};
  });
}

Result<ServerCounts> Outbox::Counts_For(const std::string& server) {
  const char* doing = "counting the outbox";
  const auto prepared = database_->Statement(kCountsFor, doing);
  if (!prepared.ok()) return Failure{prepared.why()};
  sqlite3_stmt* statement = prepared.value();
  Use use(statement);
  Bind_Text(statement, 1, server);
  // A query of counts alone: it always gives its one row.
  if (const auto row = database_->Step(statement, doing); !row.ok()) return Failure{row.why()};
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
  const char* doing = "retrying rejected frames";
  const auto prepared = database_->Statement(kRetryRejected, doing);
  if (!prepared.ok()) return Failure{prepared.why()};
  Use use(prepared.value());
  if (Outcome done = database_->Run(prepared.value(), doing); !done.ok())
    return Failure{done.why()};
  return static_cast<std::int64_t>(sqlite3_changes64(db()));
}

Result<std::int64_t> Outbox::Discard(std::int64_t frame_id, const std::string& server) {
  const char* doing = "discarding a frame";
  auto discard = database_->Statement(kDiscard, doing);
  auto drop = database_->Statement(kDropOrphan, doing);
  if (!discard.ok()) return Failure{discard.why()};
  if (!drop.ok()) return Failure{drop.why()};
  std::int64_t removed = 0;
  auto done = database_->In_Transaction(doing, [&] {
    {
      Use use(discard.value());
      sqlite3_bind_int64(discard.value(), 1, frame_id);
      Bind_Text(discard.value(), 2, server);
      if (Outcome ran = database_->Run(discard.value(), doing); !ran.ok()) return ran;
      removed = sqlite3_changes64(db());
    }
    Use use(drop.value());
    sqlite3_bind_int64(drop.value(), 1, frame_id);
    return database_->Run(drop.value(), doing);
  });
  if (!done.ok()) return Failure{done.why()};
  return removed;
}

Result<std::int64_t> Outbox::Discard_Server(const std::string& server) {
  const char* doing = "discarding frames";
  auto discard = database_->Statement(kDiscardServer, doing);
  auto drop = database_->Statement(kDropOrphans, doing);
  if (!discard.ok()) return Failure{discard.why()};
  if (!drop.ok()) return Failure{drop.why()};
  std::int64_t removed = 0;
  auto done = database_->In_Transaction(doing, [&] {
    {
      Use use(discard.value());
      Bind_Text(discard.value(), 1, server);
      if (Outcome ran = database_->Run(discard.value(), doing); !ran.ok()) return ran;
      removed = sqlite3_changes64(db());
    }
    Use use(drop.value());
    return database_->Run(drop.value(), doing);
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
