#include "forward/forwarder.hpp"

#include "base/text_reading.hpp"
#include "decode/printable_text.hpp"
#include "forward/sids_request.hpp"
#include "net/http_answer.hpp"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace orvelt {
namespace {

constexpr int kDiskWriteDelayMs = 200;

std::int64_t Now_Ms() {
  return QDateTime::currentMSecsSinceEpoch();
}

int Timer_Ms(std::int64_t ms) {
  return static_cast<int>(std::clamp<std::int64_t>(ms, 0, std::numeric_limits<int>::max()));
}

// "HTTP 503 Service Unavailable: busy (moved to ...)", control characters escaped: the answer is
// shown to the user and printed to logs.
std::string Answer_Text(const HttpAnswer& answer) {
  std::string text = "HTTP " + std::to_string(answer.status);
  if (!answer.reason.empty()) text += " " + answer.reason;
  const std::string_view body = Trim(answer.text);
  if (!body.empty()) text += ": " + std::string(body);
  if (!answer.location.empty()) text += " (moved to " + answer.location + ")";
  return Printable_Text(text);
}

}  // namespace

std::string Server_Status_Line(const ServerStatus& status) {
  std::string line = "sent " + std::to_string(status.counts.sent) + ", waiting " +
                     std::to_string(status.counts.waiting) + ", rejected " +
                     std::to_string(status.counts.rejected);
  if (!status.last_error.empty()) line += ", last error " + status.last_error;
  return line;
}

struct Forwarder::Channel {
  ServerConnection* connection = nullptr;
  std::optional<OutboxItem> item;  // the frame in flight
};

struct Forwarder::Lane {
  ServerStatus status;
  QUrl url;
  std::string host;        // as the Host header names it
  std::string path;        // with the server's own query, if it has one
  QTimer* wait = nullptr;  // until the next attempt is due
  std::vector<std::unique_ptr<Channel>> channels;
  int failures = 0;  // failed attempts in a row
  std::int64_t paused_until_ms = 0;

  bool In_Flight(std::int64_t frame_id) const {
    return std::any_of(channels.begin(), channels.end(), [frame_id](const auto& slot) {
      return slot->item && slot->item->frame_id == frame_id;
    });
  }
  bool Any_In_Flight() const {
    return std::any_of(channels.begin(), channels.end(),
                       [](const auto& slot) { return slot->item; });
  }
};

Result<std::unique_ptr<Forwarder>> Forwarder::Start(ForwarderConfig config,
                                                    const std::filesystem::path& outbox_file) {
  const SettingsCheck check = Check_Station_Settings(config.station);
  if (!check.ok()) return Failure{check.Message()};
  if (!config.station.forwarding) return Failure{"forwarding is turned off"};
  if (Enabled_Servers(config.station).empty()) {
    return Failure{"no server is enabled"};
  }
  if (config.requests_in_flight < 1 || config.requests_in_flight > kMaxRequestsInFlight) {
    return Failure{"requests in flight per server: " + std::to_string(config.requests_in_flight) +
                   " is outside 1 to " + std::to_string(kMaxRequestsInFlight)};
  }
  if (config.user_agent.empty()) {
    config.user_agent = User_Agent(QCoreApplication::applicationName().toStdString(), kVersion);
  }
  std::unique_ptr<Outbox> outbox;
  if (!config.dry_run) {
    auto opened = Outbox::Open(outbox_file, config.outbox_max_bytes);
    if (!opened.ok()) return Failure{opened.why()};
    outbox = std::move(opened.value());
  }
  std::unique_ptr<Forwarder> forwarder(new Forwarder(std::move(config), std::move(outbox)));
  return forwarder;
}

Forwarder::Forwarder(ForwarderConfig config, std::unique_ptr<Outbox> outbox)
    : config_(std::move(config)), outbox_(std::move(outbox)) {
  for (const std::string& server : Enabled_Servers(config_.station)) {
    auto lane = std::make_unique<Lane>();
    lane->status.counts.server = server;
    lane->url = QUrl(QString::fromStdString(server), QUrl::StrictMode);
    lane->host = lane->url.authority(QUrl::FullyEncoded).toStdString();
    lane->path = lane->url.path(QUrl::FullyEncoded).toStdString();
    if (lane->url.hasQuery()) lane->path += "?" + lane->url.query(QUrl::FullyEncoded).toStdString();
    lane->wait = new QTimer(this);
    lane->wait->setSingleShot(true);
    for (int i = 0; i < config_.requests_in_flight; ++i) {
      auto slot = std::make_unique<Channel>();
      slot->connection = new ServerConnection(lane->url, kReportAnswerLimits, this);
      lane->channels.push_back(std::move(slot));
    }
    Lane* raw = lane.get();
    connect(lane->wait, &QTimer::timeout, this, [this, raw] { Drain(*raw); });
    lanes_.push_back(std::move(lane));
  }
  // Frames reach the disk in batches a moment after they were queued, so that accepting one
  // never waits for the disk; until then they are safe from anything but a power cut.
  disk_write_ = new QTimer(this);
  disk_write_->setSingleShot(true);
  disk_write_->setInterval(kDiskWriteDelayMs);
  connect(disk_write_, &QTimer::timeout, this, [this] {
    if (stopped_reason_ || outbox_ == nullptr) return;
    auto written = outbox_->Write_To_Disk();
    if (!written.ok()) Stop(written.why());
  });
  if (outbox_ != nullptr) {
    Recount();
    // Begin once the owner has connected its signals.
    QTimer::singleShot(0, this, [this] {
      for (auto& lane : lanes_) Drain(*lane);
    });
  }
}

Forwarder::~Forwarder() {
  // What is queued is already safe from a crash; should this last write fail, only a power cut
  // before the system writes it out could still take it, and there is no one left to tell.
  if (outbox_ != nullptr && !stopped_reason_) static_cast<void>(outbox_->Write_To_Disk());
  // A request cut off here leaves its frame waiting; it goes out again next time.
  for (auto& lane : lanes_) {
    for (auto& slot : lane->channels) slot->connection->Abort();
  }
}

Result<std::vector<std::string>> Forwarder::Accept(const ReceivedFrame& frame) {
  if (frame.bytes.size() <= 1) {
    return Failure{"the frame has no bytes after the KISS command byte"};
  }
  if (config_.dry_run) {
    const std::string body =
        Sids_Request_Body(config_.station, frame.bytes, frame.arrival_ms, config_.version);
    std::vector<std::string> requests;
    for (const auto& lane : lanes_) {
      std::string request = "POST " + Sids_Request_Target(lane->status.counts.server, body) +
                            "\nContent-Type: " + std::string(kFormContentType) + "\n\n" + body +
                            "\n";
      requests.push_back(std::move(request));
    }
    return requests;
  }
  if (stopped_reason_) return Failure{"forwarding stopped: " + *stopped_reason_};
  const auto queued =
      outbox_->Enqueue(frame.bytes, frame.arrival_ms, Enabled_Servers(config_.station));
  if (!queued.ok()) {
    Stop(queued.why());
    return Failure{queued.why()};
  }
  for (auto& lane : lanes_) ++lane->status.counts.waiting;
  if (!disk_write_->isActive()) disk_write_->start();
  emit countsChanged();
  for (auto& lane : lanes_) Drain(*lane);
  return std::vector<std::string>();
}

void Forwarder::Drain(Lane& lane) {
  if (stopped_reason_ || outbox_ == nullptr) return;
  const std::int64_t now = Now_Ms();
  if (now < lane.paused_until_ms) {
    if (!lane.Any_In_Flight()) lane.wait->start(Timer_Ms(lane.paused_until_ms - now));
    return;
  }
  std::vector<Channel*> free;
  for (auto& slot : lane.channels) {
    if (!slot->item) free.push_back(slot.get());
  }
  if (free.empty()) return;
  // The frames in flight are due as well: asking for as many as there are channels finds every
  // frame that can go out now.
  auto due = outbox_->Next_Due(lane.status.counts.server, now, lane.channels.size());
  if (!due.ok()) return Stop(due.why());
  for (OutboxItem& item : due.value()) {
    if (free.empty()) break;
    if (lane.In_Flight(item.frame_id)) continue;
    Channel* slot = free.back();
    free.pop_back();
    Send(lane, *slot, std::move(item));
  }
  if (lane.Any_In_Flight()) return;  // each answer drains again
  auto when = outbox_->Next_Attempt_Ms(lane.status.counts.server);
  if (!when.ok()) return Stop(when.why());
  if (when.value()) lane.wait->start(Timer_Ms(*when.value() - now));
}

void Forwarder::Send(Lane& lane, Channel& slot, OutboxItem item) {
  const std::string body =
      Sids_Request_Body(config_.station, item.bytes, item.received_ms, config_.version);
  // The fields go both in the query string and in the form body: some servers read the one,
  // some the other.
  QByteArray request = QByteArray::fromStdString(
      Http_Request_Head("POST", lane.host, Sids_Request_Target(lane.path, body), config_.user_agent,
                        {{"Content-Type", std::string(kFormContentType)},
                         {"Content-Length", std::to_string(body.size())},
                         {"Accept", "*/*"}}));
  request += QByteArray::fromStdString(body);
  slot.item = std::move(item);
  Lane* raw_lane = &lane;
  Channel* raw_conn = &slot;
  slot.connection->Send(std::move(request), config_.timeout_ms,
                        [this, raw_lane, raw_conn](const Exchange& exchange) {
                          Finished(*raw_lane, *raw_conn, exchange);
                        });
}

void Forwarder::Finished(Lane& lane, Channel& slot, const Exchange& exchange) {
  const OutboxItem item = std::move(*slot.item);
  slot.item.reset();
  if (stopped_reason_) return;

  const int status = exchange.ok() ? exchange.value().status : 0;
  const std::string answer =
      exchange.ok() ? Answer_Text(exchange.value()) : Printable_Text(exchange.why());
  const std::string& server = lane.status.counts.server;
  ServerCounts& counts = lane.status.counts;
  Outcome recorded = Outcome::Done();
  switch (Classify_Answer(status)) {
    case DeliveryOutcome::kSent:
      recorded = outbox_->Mark_Sent(item.frame_id, server);
      lane.failures = 0;
      lane.status.last_error.clear();
      --counts.waiting;
      ++counts.sent;
      break;
    case DeliveryOutcome::kRejected:
      recorded = outbox_->Mark_Rejected(item.frame_id, server, answer);
      lane.failures = 0;
      lane.status.last_error = answer;
      --counts.waiting;
      ++counts.rejected;
      break;
    case DeliveryOutcome::kRetry: {
      ++lane.failures;
      const std::optional<std::int64_t> asked =
          exchange.ok() ? exchange.value().retry_after_ms : std::nullopt;
      const std::int64_t due =
          Now_Ms() + Wait_Before_Retry_Ms(config_.retry, status, lane.failures, asked);
      recorded = outbox_->Mark_Retry(item.frame_id, server, due, answer);
      lane.paused_until_ms = std::max(lane.paused_until_ms, due);
      lane.status.last_error = answer;
      break;
    }
  }
  if (!recorded.ok()) return Stop(recorded.why());
  emit countsChanged();
  Drain(lane);
}

void Forwarder::Stop(const std::string& reason) {
  if (stopped_reason_) return;
  stopped_reason_ = reason;
  for (auto& lane : lanes_) {
    lane->wait->stop();
    for (auto& slot : lane->channels) {
      slot->connection->Abort();
      slot->item.reset();
    }
  }
  emit stopped(QString::fromStdString(reason));
}

void Forwarder::Recount() {
  for (auto& lane : lanes_) {
    auto counts = outbox_->Counts_For(lane->status.counts.server);
    if (!counts.ok()) return Stop(counts.why());
    lane->status.counts = counts.value();
  }
}

void Forwarder::Wake() {
  if (outbox_ == nullptr || stopped_reason_) return;
  Recount();
  emit countsChanged();
  for (auto& lane : lanes_) {
    lane->wait->stop();
    Drain(*lane);
  }
}

std::vector<ServerStatus> Forwarder::Status() const {
  std::vector<ServerStatus> statuses;
  for (const auto& lane : lanes_) statuses.push_back(lane->status);
  return statuses;
}

QString Forwarder::Status_Text() const {
  QStringList lines;
  for (const auto& lane : lanes_) {
    lines << QString::fromStdString(lane->status.counts.server + ": " +
                                    Server_Status_Line(lane->status));
  }
  if (stopped_reason_) {
    lines << QStringLiteral("forwarding stopped: ") + QString::fromStdString(*stopped_reason_);
  }
  return lines.join('\n');
}

}  // namespace orvelt
