#include "archive/network_fetch.hpp"

#include <QCoreApplication>
#include <QDateTime>
#include <QUrlQuery>

#include <algorithm>
#include <limits>

#include "archive/telemetry_page.hpp"
#include "base/version.hpp"
#include "decode/printable_text.hpp"
#include "net/http_answer.hpp"
#include "net/link_header.hpp"

namespace orvelt {

namespace {

// How far unfinished runs of a listing got is kept beside the listing's lower bound, under names
// no server address can have, since each value only ever grows: the oldest time read as its
// negative (so that growing means going further down), and a mark once the listing was read to
// its end.
constexpr UtcSeconds kListingDone = UtcSeconds{1} << 62;

std::string Unfinished_Key(const std::string& server, UtcSeconds from) {
  return server + "\nunfinished after " + std::to_string(from);
}
std::string Newest_Key(const std::string& server, UtcSeconds from) {
  return server + "\nnewest after " + std::to_string(from);
}

// Scheme, host and port, the scheme's port made explicit: the token goes only there.
bool Same_Origin(const QUrl& a, const QUrl& b) {
  const auto port = [](const QUrl& url) {
    return url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443
                                                                                           : 80);
  };
  return a.isValid() && b.isValid() && a.userInfo().isEmpty() && b.userInfo().isEmpty() &&
         a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
         a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && port(a) == port(b);
}

QString Iso_Time(UtcSeconds time) {
  return QString::fromStdString(Format_Utc_Time(time));
}

std::int64_t Now_Ms() {
  return QDateTime::currentMSecsSinceEpoch();
}

int Timer_Ms(std::int64_t ms) {
  return static_cast<int>(std::clamp<std::int64_t>(ms, 0, std::numeric_limits<int>::max()));
}

}  // namespace

Result<FetchPlan> Plan_Fetch(Archive& archive, const std::string& server, int norad,
                             UtcSeconds to) {
  FetchPlan plan;
  auto until = archive.Fetched_Until(server, norad);
  if (!until.ok()) return Failure{until.why()};
  plan.from = until.value().value_or(0);
  plan.to = to;
  auto unfinished = archive.Fetched_Until(Unfinished_Key(server, plan.from), norad);
  if (!unfinished.ok()) return Failure{unfinished.why()};
  if (unfinished.value() && *unfinished.value() != kListingDone) {
    plan.continues = true;
    plan.to = std::min(to, -*unfinished.value());
    auto newest = archive.Fetched_Until(Newest_Key(server, plan.from), norad);
    if (!newest.ok()) return Failure{newest.why()};
    plan.newest_before = newest.value();
  }
  return plan;
}

Outcome Note_Fetch_End(Archive& archive, const std::string& server, int norad,
                       const FetchPlan& plan, const FetchReport& report) {
  if (report.to_last_page.ok()) {
    std::optional<UtcSeconds> newest = plan.newest_before;
    if (report.newest) newest = std::max(newest.value_or(*report.newest), *report.newest);
    if (newest) {
      const Outcome moved = archive.Set_Fetched_Until(server, norad, *newest);
      if (!moved.ok()) return moved;
    }
    if (!plan.continues) return Outcome::Done();
    return archive.Set_Fetched_Until(Unfinished_Key(server, plan.from), norad, kListingDone);
  }
  if (!report.oldest) return Outcome::Done();
  const Outcome below =
      archive.Set_Fetched_Until(Unfinished_Key(server, plan.from), norad, -*report.oldest);
  if (!below.ok() || !report.newest) return below;
  return archive.Set_Fetched_Until(Newest_Key(server, plan.from), norad, *report.newest);
}

std::string Next_Fetch_Text(Archive& archive, const std::string& server, int norad) {
  auto plan = Plan_Fetch(archive, server, norad, std::numeric_limits<UtcSeconds>::max());
  if (!plan.ok()) return plan.why();
  if (plan.value().continues) {
    return "the next fetch goes on below " + Format_Utc_Time(plan.value().to) + ", down to " +
           Format_Utc_Time(plan.value().from);
  }
  return "the next fetch starts after " + Format_Utc_Time(plan.value().from);
}

NetworkFetch::NetworkFetch(FetchRequest request, PageSink on_page, QObject* parent)
    : QObject(parent), request_(std::move(request)), on_page_(std::move(on_page)) {
  wait_timer_.setSingleShot(true);
  // A coarse timer may fire a twentieth early; a server that asked for a wait gets all of it.
  wait_timer_.setTimerType(Qt::PreciseTimer);
  connect(&wait_timer_, &QTimer::timeout, this, [this] { Get(current_); });
  origin_ = QUrl(QString::fromStdString(request_.server));
  const QString program = QCoreApplication::applicationName();
  user_agent_ = User_Agent(program.isEmpty() ? "orvelt-decoder" : program.toStdString(), kVersion);
  connection_ =
      new ServerConnection(origin_, {kMaxPageBytes + 64 * 1024, kMaxPageBytes, true}, this);
}

NetworkFetch::~NetworkFetch() = default;

void NetworkFetch::Start() {
  started_ms_ = Now_Ms();
  if (Outcome token = Check_Token(request_.token); !token.ok()) {
    QTimer::singleShot(0, this, [this, token] { Finish(token); });
    return;
  }
  if (!origin_.isValid() ||
      (origin_.scheme() != QLatin1String("https") && origin_.scheme() != QLatin1String("http"))) {
    QTimer::singleShot(
        0, this, [this] { Finish(Failure{"the server needs an http:// or https:// address"}); });
    return;
  }
  // The telemetry list of the network database: satellite by NORAD number, start and end as
  // ISO 8601 bounds of the frames' times, both included.
  QUrl url = origin_;
  QString path = url.path();
  while (path.endsWith('/')) path.chop(1);
  url.setPath(path + QStringLiteral("/api/telemetry/"));
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("satellite"), QString::number(request_.norad));
  query.addQueryItem(QStringLiteral("start"), Iso_Time(request_.from));
  query.addQueryItem(QStringLiteral("end"), Iso_Time(request_.to));
  url.setQuery(query);
  Get(url);
}

void NetworkFetch::Cancel() {
  wait_timer_.stop();
  connection_->Abort();
  Finish(Failure{"stopped"});
}

std::optional<std::int64_t> NetworkFetch::Seconds_Left() const {
  // A first fetch asks from 1970 on: where its listing really begins (the mission's first frame)
  // is not known, so neither is the time left.
  if (request_.from <= 0) return std::nullopt;
  return Fetch_Seconds_Left(request_.from, request_.to, report_.oldest, report_.elapsed_ms);
}

void NetworkFetch::Get(const QUrl& url) {
  if (finished_) return;
  current_ = url;
  const QString key = url.toString(QUrl::FullyEncoded);
  if (waits_in_a_row_ == 0 && !visited_.insert(key).second) {
    return Finish(
        Failure{"page " + std::to_string(report_.pages + 1) +
                " would be a page read before: the server's next links go round in a circle"});
  }
  QString target = url.path(QUrl::FullyEncoded);
  if (target.isEmpty()) target = QStringLiteral("/");
  if (url.hasQuery()) target += '?' + url.query(QUrl::FullyEncoded);
  const std::string head = Http_Request_Head(
      "GET", url.authority(QUrl::FullyEncoded).toStdString(), target.toStdString(), user_agent_,
      {{"Authorization", "Token " + request_.token}, {"Accept", "application/json"}});
  connection_->Send(QByteArray::fromStdString(head), request_.page_deadline_ms,
                    [this](const Exchange& exchange) { Answered(exchange); });
}

void NetworkFetch::Answered(const Exchange& exchange) {
  if (finished_) return;
  report_.elapsed_ms = Now_Ms() - started_ms_;
  const std::string page_name = "page " + std::to_string(report_.pages + 1);
  if (!exchange.ok()) {
    return Finish(Failure{page_name + " could not be read: " + Printable_Text(exchange.why())});
  }
  const HttpAnswer& answer = exchange.value();
  switch (Classify_Fetch_Answer(answer.status, report_.pages == 0)) {
    case FetchAnswer::TokenRefused:
      return Finish(Failure{std::string(kTokenRefused)});
    case FetchAnswer::UnknownSatellite:
      return Finish(
          Failure{"satellite " + std::to_string(request_.norad) + " is not known to the server"});
    case FetchAnswer::Wait: {
      if (++waits_in_a_row_ > kMaxWaitsInARow) {
        return Finish(
            Failure{"the server kept asking to wait (" + std::to_string(answer.status) + ")"});
      }
      ++report_.waits;
      const std::int64_t ms = std::min(Wait_Before_Retry_Ms(request_.waits, answer.status,
                                                            waits_in_a_row_, answer.retry_after_ms),
                                       kLongestWaitMs);
      report_.waited_ms += ms;
      wait_timer_.start(Timer_Ms(ms));
      emit Progress();
      return;
    }
    case FetchAnswer::Failed: {
      std::string why = "the server answered " + std::to_string(answer.status);
      if (!answer.reason.empty()) why += " " + answer.reason;
      why += " to " + page_name;
      if (!answer.location.empty()) why += " (moved to " + answer.location + ", not followed)";
      return Finish(Failure{Printable_Text(why)});
    }
    case FetchAnswer::Page:
      break;
  }
  waits_in_a_row_ = 0;
  auto page = Parse_Telemetry_Page(answer.text, Utc_Now());
  if (!page) return Finish(Failure{page_name + " is no list of frames"});
  if (!on_page_(*page)) return Finish(Failure{"the frames could not be archived"});
  ++report_.pages;
  report_.frames += static_cast<std::int64_t>(page->entries.size());
  report_.unusable += page->unusable;
  for (const NetworkEntry& entry : page->entries) {
    report_.newest = std::max(report_.newest.value_or(entry.time), entry.time);
    report_.oldest = std::min(report_.oldest.value_or(entry.time), entry.time);
  }
  emit Progress();
  std::optional<std::string> next = Link_Target(answer.link, "next");
  if (!next) next = page->next;
  if (!next) {
    return Finish(Outcome::Done());
  }
  // A relative next address is read against the page it came with.
  const QUrl url = current_.resolved(QUrl(QString::fromStdString(*next)));
  if (!Same_Origin(url, origin_)) {
    return Finish(Failure{"the next page lies on another server; the token is not sent there"});
  }
  if (report_.pages >= request_.max_pages) {
    return Finish(Failure{"stopped after " + std::to_string(report_.pages) +
                          " pages, the most one fetch reads"});
  }
  Get(url);
}

void NetworkFetch::Finish(Outcome ending) {
  if (finished_) return;
  finished_ = true;
  report_.elapsed_ms = started_ms_ > 0 ? Now_Ms() - started_ms_ : 0;
  report_.to_last_page = std::move(ending);
  emit Finished();
}

}  // namespace orvelt
