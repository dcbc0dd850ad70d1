#include "archive/network_fetch.hpp"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>

namespace orvelt {

Result<UtcSeconds> Resume_Point(Archive& archive, const std::string& server, int norad) {
  auto until = archive.Fetched_Until(server, norad);
  if (!until.ok()) return Failure{until.why()};
  return until.value().value_or(0);
}

Outcome Note_Fetch_End(Archive& archive, const FetchRequest& request, const FetchReport& report) {
  if (!report.complete || !report.newest) return Outcome::Done();
  return archive.Set_Fetched_Until(request.server, request.norad, *report.newest);
}

NetworkFetch::NetworkFetch(FetchRequest request, PageSink on_page, QObject* parent)
    : QObject(parent), request_(std::move(request)), on_page_(std::move(on_page)) {
  wait_timer_.setSingleShot(true);
  // A coarse timer may fire a twentieth early; a server that asked for a wait gets all of it.
  wait_timer_.setTimerType(Qt::PreciseTimer);
  connect(&wait_timer_, &QTimer::timeout, this, [this] { Get(pending_url_); });
}

void NetworkFetch::Start() {
  Get(QString::fromStdString(
      Telemetry_Query_Url(request_.server, request_.norad, request_.from, request_.to)));
}

void NetworkFetch::Cancel() {
  wait_timer_.stop();
  if (reply_) reply_->abort();
  Finish("cancelled");
}

void NetworkFetch::Get(const QString& url) {
  pending_url_ = url;
  QNetworkRequest request{QUrl(url)};
  request.setRawHeader("Authorization", QByteArray("Token ") + request_.token.c_str());
  request.setRawHeader("Accept", "application/json");
  // A redirect could carry the token elsewhere: it is a failure, never followed.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  request.setTransferTimeout(60000);
  reply_ = manager_.get(request);
  connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
    if (received > kMaxPageBytes && reply_) reply_->abort();
  });
  connect(reply_, &QNetworkReply::finished, this, [this, reply = reply_] { On_Reply(reply); });
}

void NetworkFetch::On_Reply(QNetworkReply* reply) {
  reply->deleteLater();
  if (reply == reply_) reply_ = nullptr;
  if (finished_) return;
  const QVariant status_attribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  const int status = status_attribute.isValid() ? status_attribute.toInt() : 0;
  // A page cut short (a dropped connection, a time-out) is no page, whatever its status said.
  if (reply->error() != QNetworkReply::NoError && status == 200) {
    return Finish("the connection broke off during page " + std::to_string(report_.pages + 1) +
                  ": " + reply->errorString().toStdString());
  }
  switch (Classify_Fetch_Answer(status)) {
    case FetchAnswer::TokenRefused:
      return Finish(std::string(kTokenRefused));
    case FetchAnswer::Wait: {
      if (++waits_in_a_row_ > kMaxWaitsInARow) {
        return Finish("the server kept asking to wait (" + std::to_string(status) + ")");
      }
      ++report_.waits;
      const auto asked = Retry_After_Seconds(reply->rawHeader("Retry-After").toStdString());
      const std::int64_t ms =
          asked ? std::min(*asked, kLongestWaitSeconds) * 1000 : Retry_Delay_Ms(waits_in_a_row_);
      wait_timer_.start(static_cast<int>(ms));
      return;
    }
    case FetchAnswer::Failed:
      return Finish(status == 0 ? "no answer from the server: " + reply->errorString().toStdString()
                                : "the server answered " + std::to_string(status));
    case FetchAnswer::Page:
      break;
  }
  waits_in_a_row_ = 0;
  const QByteArray body = reply->readAll();
  const auto page = Parse_Telemetry_Page(std::string_view(body.constData(), body.size()));
  if (!page) {
    return Finish("page " + std::to_string(report_.pages + 1) + " is no list of frames");
  }
  if (!on_page_(*page)) return Finish("the frames could not be archived");
  ++report_.pages;
  report_.frames += static_cast<std::int64_t>(page->entries.size());
  report_.unusable += page->unusable;
  for (const NetworkEntry& entry : page->entries) {
    report_.newest = std::max(report_.newest.value_or(entry.time), entry.time);
  }
  emit Page_Taken(report_.pages, report_.frames);
  const auto next = Next_Link(reply->rawHeader("Link").toStdString());
  if (!next) {
    report_.complete = true;
    return Finish({});
  }
  // A relative next address is read against the page it came with.
  const QString url = reply->url().resolved(QUrl(QString::fromStdString(*next))).toString();
  if (!Same_Server(url.toStdString(), request_.server)) {
    return Finish("the next page lies on another server; the token is not sent there");
  }
  Get(url);
}

void NetworkFetch::Finish(std::string error) {
  if (finished_) return;
  finished_ = true;
  report_.error = std::move(error);
  emit Finished();
}

}  // namespace orvelt
