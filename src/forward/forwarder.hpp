#pragma once

#include "base/version.hpp"
#include "forward/outbox.hpp"
#include "forward/received_frame.hpp"
#include "forward/retry_policy.hpp"
#include "forward/station_settings.hpp"
#include "net/server_connection.hpp"

#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace orvelt {

inline constexpr int kDefaultRequestsInFlight = 4;
inline constexpr int kMaxRequestsInFlight = 16;

struct ForwarderConfig {
  StationSettings station;
  std::string version = std::string(kVersion);  // sent with every report
  // Sent as the User-Agent; empty: the program's name and version.
  std::string user_agent;
  int timeout_ms = 10'000;
  // Requests in flight to one server at a time, each over a connection of its own that stays
  // open for the next: a server far away is kept busy instead of waited for.
  int requests_in_flight = kDefaultRequestsInFlight;
  BackoffTiming retry = kReportRetry;
  std::int64_t outbox_max_bytes = 0;  // 0: as large as the disk allows
  // Prints the requests instead of sending them; nothing is queued.
  bool dry_run = false;
};

struct ServerStatus {
  ServerCounts counts;     // counts.server is the address
  std::string last_error;  // since the last frame the server took; empty when none
};

// "sent 12, waiting 3, rejected 1, last error HTTP 503 Service Unavailable"
std::string Server_Status_Line(const ServerStatus& status);

// Takes received frames into the outbox and delivers them to every enabled server with SiDS
// reports, a few requests in flight per server (certificates always checked). Whatever a server
// answers, no more than a few KiB of it is read.
// Lives on the thread that runs its event loop; never blocks it.
class Forwarder : public QObject {
  Q_OBJECT

 public:
  // Checks the station settings, opens the outbox (not in dry-run mode) and begins to send
  // what it holds. Gives the forwarder, or why forwarding cannot start.
  static Result<std::unique_ptr<Forwarder>> Start(ForwarderConfig config,
                                                  const std::filesystem::path& outbox_file);
  ~Forwarder() override;

  // Queues the frame for every enabled server. Once this returns without a failure, a crash of
  // the program cannot lose the frame; a fraction of a second later, a power cut cannot either.
  // In dry-run mode nothing is queued; it gives each request in full instead.
  Result<std::vector<std::string>> Accept(const ReceivedFrame& frame);

  std::vector<ServerStatus> Status() const;
  // One line per server, "ADDRESS: sent N, waiting N, rejected N[, last error ...]", and the
  // reason when forwarding stopped.
  QString Status_Text() const;
  // The outbox for views that list and act on it; null in dry-run mode.
  Outbox* outbox() { return outbox_.get(); }

 public slots:
  // The outbox was changed from outside (rejected frames retried or discarded): count again
  // and send what is now due.
  void Wake();

 signals:
  void countsChanged();
  void stopped(const QString& reason);

 private:
  struct Lane;
  struct Channel;  // one connection to a server and the frame in flight on it

  Forwarder(ForwarderConfig config, std::unique_ptr<Outbox> outbox);
  void Drain(Lane& lane);
  void Send(Lane& lane, Channel& slot, OutboxItem item);
  void Finished(Lane& lane, Channel& slot, const Exchange& exchange);
  void Stop(const std::string& reason);
  void Recount();

  ForwarderConfig config_;
  std::unique_ptr<Outbox> outbox_;
  std::vector<std::unique_ptr<Lane>> lanes_;
  QTimer* disk_write_ = nullptr;
  std::optional<std::string> stopped_reason_;
};

}  // namespace orvelt
