#include "forward/forwarder.hpp"

#include "forward/sids_request.hpp"

#include <QDateTime>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace orvelt {
namespace {

// Enough of a server's answer to tell the user why a frame was refused.
constexpr qsizetype kAnswerLimit = 500;
constexpr int kDiskWriteDelayMs = 200;

std::int64_t Now_Ms() {
  return QDateTime::currentMSecsSinceEpoch();
}

int Timer_Ms(std::int64_t ms) {
  return static_cast<int>(std::clamp<std::int64_t>(ms, 0, std::numeric_limits<int>::max()));
}

// "10 s", "0.3 s".
std::string Seconds_Text(int ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", ms / 1000.0);
  return text;
}

}  // namespace

std::string Server_Status_Line(const ServerStatus& status) {
  std::string line = "sent " + std::to_string(status.counts.sent) + ", waiting " +
                     std::to_string(status.counts.waiting) + ", rejected " +
                     std::to_string(status.counts.rejected);
  if (!status.last_error.empty()) line += ", last error " + status.last_error;
  return line;
}

struct Forwarder::Lane {
  ServerStatus status;
  QUrl url;
  QTimer* wait = nullptr;      // until the next attempt is due
  QTimer* deadline = nullptr;  // of the request in flight
  QNetworkReply* reply = nullptr;
  std::optional<OutboxItem> item;  // the frame in flight
  bool timed_out = false;
  int failures = 0;  // failed attempts in a row
  std::int64_t paused_until_ms = 0;
};

ForwarderStart Forwarder::Start(ForwarderConfig config, const std::filesystem::path& outbox_file) {
  const SettingsCheck check = Check_Station_Settings(config.station);
  if (!check.ok()) return {nullptr, check.Message()};
  if (!config.station.forwarding) return {nullptr, std::string("forwarding is turned off")};
  if (Enabled_Servers(config.station).empty()) {
    return {nullptr, std::string("no server is enabled")};
  }
  std::unique_ptr<Outbox> outbox;
  if (!config.dry_run) {
    auto opened = Outbox::Open(outbox_file, config.outbox_max_bytes);
    if (!opened.ok()) return {nullptr, opened.error()};
    outbox = std::move(opened.value());
  }
  std::unique_ptr<Forwarder> forwarder(new Forwarder(std::move(config), std::move(outbox)));
  return {std::move(forwarder), std::nullopt};
}

Forwarder::Forwarder(ForwarderConfig config, std::unique_ptr<Outbox> outbox)
    : config_(std::move(config)), outbox_(std::move(outbox)) {
  for (const std::string& server : Enabled_Servers(config_.station)) {
    auto lane = std::make_unique<Lane>();
    lane->status.counts.server = server;
    lane->url = QUrl(QString::fromStdString(server), QUrl::StrictMode);
    lane->wait = new QTimer(this);
    lane->wait->setSingleShot(true);
    lane->deadline = new QTimer(this);
    lane->deadline->setSingleShot(true);
    Lane* raw = lane.get();
    connect(lane->wait, &QTimer::timeout, this, [this, raw] { Drain(*raw); });
    connect(lane->deadline, &QTimer::timeout, this, [raw] {
      if (raw->reply != nullptr) {
        raw->timed_out = true;
        raw->reply->abort();
      }
    });
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
    if (!written.ok()) Stop(written.error());
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
  if (outbox_ != nullptr && !stopped_reason_) outbox_->Write_To_Disk();
  // A request cut off here leaves its frame waiting; it goes out again next time.
  for (auto& lane : lanes_) {
    if (lane->reply != nullptr) {
      lane->reply->disconnect(this);
      lane->reply->abort();
      lane->reply->deleteLater();
    }
  }
}

AcceptResult Forwarder::Accept(const ReceivedFrame& frame) {
  AcceptResult result;
  if (frame.bytes.size() <= 1) {
    result.error = "the frame has no bytes after the KISS command byte";
    return result;
  }
  if (config_.dry_run) {
    const std::string body =
        Sids_Request_Body(config_.station, frame.bytes, frame.arrival_ms, config_.version);
    for (const auto& lane : lanes_) {
      std::string request = "POST " + lane->status.counts.server +
                            "\nContent-Type: " + std::string(kFormContentType) + "\n\n" + body +
                            "\n";
      emit requestPrepared(QString::fromStdString(request));
      result.dry_run_requests.push_back(std::move(request));
    }
    return result;
  }
  if (stopped_reason_) {
    result.error = "forwarding stopped: " + *stopped_reason_;
    return result;
  }
  const auto queued =
      outbox_->Enqueue(frame.bytes, frame.arrival_ms, Enabled_Servers(config_.station));
  if (!queued.ok()) {
    result.error = queued.error();
    Stop(queued.error());
    return result;
  }
  for (auto& lane : lanes_) ++lane->status.counts.waiting;
  if (!disk_write_->isActive()) disk_write_->start();
  emit countsChanged();
  for (auto& lane : lanes_) Drain(*lane);
  return result;
}

void Forwarder::Drain(Lane& lane) {
  if (stopped_reason_ || outbox_ == nullptr || lane.reply != nullptr) return;
  const std::int64_t now = Now_Ms();
  if (now < lane.paused_until_ms) {
    lane.wait->start(Timer_Ms(lane.paused_until_ms - now));
    return;
  }
  auto next = outbox_->Next_Due(lane.status.counts.server, now);
  if (!next.ok()) return Stop(next.error());
  if (next.value()) return Send(lane, std::move(*next.value()));
  auto when = outbox_->Next_Attempt_Ms(lane.status.counts.server);
  if (!when.ok()) return Stop(when.error());
  if (when.value()) lane.wait->start(Timer_Ms(*when.value() - now));
}

void Forwarder::Send(Lane& lane, OutboxItem item) {
  const std::string body =
      Sids_Request_Body(config_.station, item.bytes, item.received_ms, config_.version);
  QNetworkRequest request(lane.url);
  request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray(kFormContentType.data()));
  // A redirected POST may come back as a GET without the report: answer 3xx is final instead.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  lane.item = std::move(item);
  lane.timed_out = false;
  lane.reply = network_.post(request, QByteArray::fromStdString(body));
  Lane* raw = &lane;
  connect(lane.reply, &QNetworkReply::finished, this, [this, raw] { Finished(*raw); });
  lane.deadline->start(config_.timeout_ms);
}

void Forwarder::Finished(Lane& lane) {
  lane.deadline->stop();
  QNetworkReply* reply = lane.reply;
  lane.reply = nullptr;
  reply->deleteLater();
  const OutboxItem item = std::move(*lane.item);
  lane.item.reset();
  if (stopped_reason_) return;

  const QVariant status_attribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  const int status = status_attribute.isValid() ? status_attribute.toInt() : 0;
  std::string answer;
  if (status != 0) {
    answer = "HTTP " + std::to_string(status);
    const QByteArray reason =
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    if (!reason.isEmpty()) answer += " " + reason.toStdString();
    const QByteArray text = reply->read(kAnswerLimit).trimmed();
    if (!text.isEmpty()) answer += ": " + QString::fromUtf8(text).toStdString();
    const QByteArray location = reply->rawHeader("Location");
    if (!location.isEmpty()) answer += " (moved to " + location.toStdString() + ")";
  } else if (lane.timed_out) {
    answer = "time-out after " + Seconds_Text(config_.timeout_ms);
  } else {
    answer = reply->errorString().toStdString();
  }

  const std::string& server = lane.status.counts.server;
  ServerCounts& counts = lane.status.counts;
  OutboxResult<Done> recorded = Done{};
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
      const std::int64_t due = Now_Ms() + Retry_Delay_Ms(lane.failures, config_.retry);
      recorded = outbox_->Mark_Retry(item.frame_id, server, due, answer);
      lane.paused_until_ms = due;
      lane.status.last_error = answer;
      break;
    }
  }
  if (!recorded.ok()) return Stop(recorded.error());
  emit countsChanged();
  Drain(lane);
}

void Forwarder::Stop(const std::string& reason) {
  if (stopped_reason_) return;
  stopped_reason_ = reason;
  for (auto& lane : lanes_) {
    lane->wait->stop();
    lane->deadline->stop();
    if (lane->reply != nullptr) lane->reply->abort();
  }
  emit stopped(QString::fromStdString(reason));
}

void Forwarder::Recount() {
  for (auto& lane : lanes_) {
    auto counts = outbox_->Counts_For(lane->status.counts.server);
    if (!counts.ok()) return Stop(counts.error());
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
