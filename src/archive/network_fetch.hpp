#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "archive/archive.hpp"
#include "archive/network_fetch_rules.hpp"
#include "net/backoff.hpp"
#include "net/server_connection.hpp"

namespace orvelt {

// The most a page of frames may be: 25 frames take a few kB, a page far larger is no page.
inline constexpr std::size_t kMaxPageBytes = std::size_t{4} << 20;
// Pages one run reads at most: a fetch that would take longer ends as unfinished and the next
// run goes on from where it stopped.
inline constexpr int kDefaultMaxPages = 200;
// The longest one page may take, from asking to its last byte, however slowly it comes.
inline constexpr int kDefaultPageDeadlineMs = 60'000;

struct FetchRequest {
  std::string server;  // "https://db.satnogs.org"
  int norad = 0;
  std::string token;  // sent in the Authorization header only, never shown
  UtcSeconds from = 0;
  UtcSeconds to = 0;
  int max_pages = kDefaultMaxPages;
  int page_deadline_ms = kDefaultPageDeadlineMs;
  // Waits when the server asks for one without saying how long, doubling after each in a row.
  BackoffTiming waits{10'000, 600'000};
};

struct FetchReport {
  int pages = 0;
  int waits = 0;                // answers that asked to come back later
  std::int64_t waited_ms = 0;   // how long those waits took
  std::int64_t elapsed_ms = 0;  // since the fetch started, waits included
  std::int64_t frames = 0;      // frames read from the pages
  std::int64_t unusable = 0;    // page entries without a readable frame or a believable time
  std::optional<UtcSeconds> newest;
  std::optional<UtcSeconds> oldest;
  // Whether the listing was read to its last page, or why the fetch stopped before it (the
  // pages taken until then stay); known once the fetch has finished.
  Outcome to_last_page = Failure{"the fetch has not ended"};
};

// Where the next fetch of a satellite from a server goes. Listings come newest first, so a run
// that ends early has read from its upper end down to some time: the next run goes on below
// that time, down to the same lower bound, until one reads a listing to its last page.
struct FetchPlan {
  UtcSeconds from = 0;  // after the newest frame of the last listing read to its end
  UtcSeconds to = 0;
  // Goes on below the oldest frame of an unfinished run (`to` is that time).
  bool continues = false;
  // The newest frame the unfinished runs fetched: where the lower bound moves once the listing
  // is read to its end.
  std::optional<UtcSeconds> newest_before;
};

// The plan of the next fetch, up to `to` at most.
Result<FetchPlan> Plan_Fetch(Archive& archive, const std::string& server, int norad, UtcSeconds to);
// Notes how far a planned fetch got: a run read to its last page moves the lower bound to the
// newest frame of its listing; a run that ended early notes the oldest time it read, below which
// the next one goes on.
Outcome Note_Fetch_End(Archive& archive, const std::string& server, int norad,
                       const FetchPlan& plan, const FetchReport& report);
// "the next fetch goes on below 2026-11-28T10:00:00Z, down to 1970-01-01T00:00:00Z", or where
// it starts when the listing was read to its end.
std::string Next_Fetch_Text(Archive& archive, const std::string& server, int norad);

// Fetches a satellite's frames from the network database page by page through the one HTTP
// client: each page read whole is handed to `on_page` (which returns false to stop), then the
// next page (the Link header's, else the body's) is asked for, on the same server only and never
// twice. 429 and 503 are waited out (Retry-After, or growing waits); 401 and 403 stop with
// kTokenRefused; anything else stops, and the pages taken so far stay. A page past its deadline
// or larger than kMaxPageBytes stops the fetch; so does reaching the run's bound of pages.
class NetworkFetch : public QObject {
  Q_OBJECT

 public:
  using PageSink = std::function<bool(const TelemetryPage&)>;

  NetworkFetch(FetchRequest request, PageSink on_page, QObject* parent = nullptr);
  ~NetworkFetch() override;
  void Start();
  // Stops the fetch: what was taken stays; Finished follows.
  void Cancel();
  const FetchReport& report() const { return report_; }
  // The time the rest may take; nothing until a page with a time was read.
  std::optional<std::int64_t> Seconds_Left() const;

  // Answers that ask to wait are waited out at most this often in a row.
  static constexpr int kMaxWaitsInARow = 8;
  // The longest wait a server may ask for.
  static constexpr std::int64_t kLongestWaitMs = 600'000;

 signals:
  // A page was taken, or a wait begins: the report counts it.
  void Progress();
  void Finished();

 private:
  void Get(const QUrl& url);
  void Answered(const Exchange& exchange);
  void Finish(Outcome ending);

  FetchRequest request_;
  PageSink on_page_;
  FetchReport report_;
  ServerConnection* connection_ = nullptr;
  QUrl origin_;
  QUrl current_;
  std::set<QString> visited_;
  QTimer wait_timer_;
  std::int64_t started_ms_ = 0;
  int waits_in_a_row_ = 0;
  bool finished_ = false;
  std::string user_agent_;
};

}  // namespace orvelt
