#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "archive/archive.hpp"
#include "archive/network_fetch_rules.hpp"
#include "forward/retry_policy.hpp"

class QNetworkReply;

namespace orvelt {

struct FetchRequest {
  std::string server;  // "https://db.satnogs.org"
  int norad = 0;
  std::string token;  // sent in the Authorization header only, never shown
  UtcSeconds from = 0;
  UtcSeconds to = 0;
};

struct FetchReport {
  int pages = 0;
  int waits = 0;              // answers that asked to come back later
  std::int64_t frames = 0;    // frames read from the pages
  std::int64_t unusable = 0;  // page entries without a readable frame or time
  std::optional<UtcSeconds> newest;
  bool complete = false;  // the last page was read
  std::string error;      // why the fetch stopped early; empty when it did not
};

// Where a fetch starts when it is given no start: after the newest frame of the last complete
// fetch of that satellite from that server, or at the beginning.
Result<UtcSeconds> Resume_Point(Archive& archive, const std::string& server, int norad);
// Notes where the next fetch resumes. Only a complete fetch moves the point: pages may come
// newest first, so the newest frame of a fetch that stopped may stand after frames it missed.
Outcome Note_Fetch_End(Archive& archive, const FetchRequest& request, const FetchReport& report);

// Fetches a satellite's frames from the network database page by page: each page read whole is
// handed to `on_page` (which returns false to stop), then the Link header's next page is asked
// for, on the same server only. 429 and 503 are waited out (Retry-After, or growing delays);
// 401 and 403 stop with kTokenRefused; anything else stops, and the pages taken so far stay.
class NetworkFetch : public QObject {
  Q_OBJECT

 public:
  using PageSink = std::function<bool(const TelemetryPage&)>;

  NetworkFetch(FetchRequest request, PageSink on_page, QObject* parent = nullptr);
  void Start();
  void Cancel();
  const FetchReport& report() const { return report_; }

  // Answers that ask to wait are waited out at most this often in a row.
  static constexpr int kMaxWaitsInARow = 8;
  // The longest wait a server may ask for.
  static constexpr std::int64_t kLongestWaitSeconds = 600;
  // A page larger than this is no page of frames.
  static constexpr qint64 kMaxPageBytes = qint64{64} << 20;

 signals:
  void Page_Taken(int pages, qint64 frames);
  void Finished();

 private:
  void Get(const QString& url);
  void On_Reply(QNetworkReply* reply);
  void Finish(std::string error);

  FetchRequest request_;
  PageSink on_page_;
  FetchReport report_;
  QNetworkAccessManager manager_;
  QTimer wait_timer_;
  QString pending_url_;
  QNetworkReply* reply_ = nullptr;
  int waits_in_a_row_ = 0;
  bool finished_ = false;
};

}  // namespace orvelt
