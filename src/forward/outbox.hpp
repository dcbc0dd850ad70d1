#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/result.hpp"

struct sqlite3;

namespace orvelt::sqlite {
class Database;
}

namespace orvelt {

// Said when another running program holds the outbox.
inline constexpr std::string_view kOutboxInUse = "outbox in use by another instance";

// A frame waiting for one server.
struct OutboxItem {
  std::int64_t frame_id = 0;
  std::vector<std::uint8_t> bytes;
  std::int64_t received_ms = 0;
  int attempts = 0;  // failed attempts so far
};

struct ServerCounts {
  std::string server;
  std::int64_t sent = 0;
  std::int64_t waiting = 0;
  std::int64_t rejected = 0;
};

struct RejectedFrame {
  std::int64_t frame_id = 0;
  std::string server;
  std::int64_t received_ms = 0;
  std::string answer;  // what the server said
};

// The frames still to be delivered, kept in one SQLite database file (WAL mode) so that
// neither a crash nor a restart loses one. Each frame has one delivery per server, waiting or
// rejected; a sent delivery is removed (and counted), so it is never handed out again, and a
// frame goes once no delivery needs it. One program at a time owns the
// file: the database stays exclusively locked while it is open.
class Outbox {
 public:
  // Opens or creates the outbox, creating its folder if needed. Errors name the file and the
  // cause: kOutboxInUse, a damaged database, a folder that cannot be written.
  // `max_bytes` (0: none) caps the database file, so that a queue that cannot drain for a long
  // time fills it instead of the disk.
  static Result<std::unique_ptr<Outbox>> Open(const std::filesystem::path& file,
                                              std::int64_t max_bytes = 0);
  ~Outbox();
  Outbox(const Outbox&) = delete;
  Outbox& operator=(const Outbox&) = delete;

  const std::filesystem::path& file() const;

  // Stores a frame with one waiting delivery per server, all or nothing. Once it returns, a
  // crash of the program cannot lose the frame; after the next Write_To_Disk, a power cut
  // cannot either. Gives the frame's id.
  Result<std::int64_t> Enqueue(std::span<const std::uint8_t> frame, std::int64_t received_ms,
                               const std::vector<std::string>& servers);

  // Waits until everything committed so far is on the disk.
  Outcome Write_To_Disk();

  // The oldest `limit` waiting frames for `server` whose next attempt is due at `now_ms`, in the
  // order they were queued. Its cost does not grow with the frames already sent.
  Result<std::vector<OutboxItem>> Next_Due(const std::string& server, std::int64_t now_ms,
                                           std::size_t limit = 1);
  // When the next waiting frame for `server` is due; nothing when none waits.
  Result<std::optional<std::int64_t>> Next_Attempt_Ms(const std::string& server);

  Outcome Mark_Sent(std::int64_t frame_id, const std::string& server);
  Outcome Mark_Retry(std::int64_t frame_id, const std::string& server, std::int64_t next_attempt_ms,
                     const std::string& error);
  Outcome Mark_Rejected(std::int64_t frame_id, const std::string& server,
                        const std::string& answer);

  // Counts for every server that has deliveries, ordered by address.
  Result<std::vector<ServerCounts>> Counts();
  Result<ServerCounts> Counts_For(const std::string& server);
  Result<std::vector<RejectedFrame>> Rejected_Frames();

  // Puts every rejected delivery back to waiting, due now. Gives how many.
  Result<std::int64_t> Retry_Rejected();
  // Removes a delivery that has not been sent (and the frame once nothing refers to it).
  // Gives how many deliveries went.
  Result<std::int64_t> Discard(std::int64_t frame_id, const std::string& server);
  // Removes every delivery still to be made to `server` (one taken out of the settings).
  // Gives how many went.
  Result<std::int64_t> Discard_Server(const std::string& server);

 private:
  explicit Outbox(std::unique_ptr<sqlite::Database> database);
  sqlite3* db() const;
  // Every row of a query without parameters, each made by `read_row`.
  template <typename T, typename Read>
  Result<std::vector<T>> Read_All(const char* sql, const std::string& doing, Read read_row);
  Outcome Update_Delivery(const char* sql, std::int64_t frame_id, const std::string& server,
                          std::int64_t number, const std::string& text, const std::string& doing);

  std::unique_ptr<sqlite::Database> database_;
};

// The servers of `counts` that still have frames to deliver (waiting or rejected) but are not
// among `servers`, the ones frames are sent to now: their frames would wait unseen forever.
std::vector<ServerCounts> Frames_For_Removed_Servers(const std::vector<ServerCounts>& counts,
                                                     const std::vector<std::string>& servers);
// "3 frames wait for https://old.example/, which is no longer a server: they are not sent";
// empty when there are none.
std::string Removed_Servers_Text(const std::vector<ServerCounts>& removed);

}  // namespace orvelt
