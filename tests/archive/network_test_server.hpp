#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>

#include <deque>
#include <vector>

class QTcpSocket;

namespace orvelt::testing {

// A telemetry database for the tests, on 127.0.0.1: reads each GET, records its path and
// Authorization header, and answers as scripted: a status with headers and a body, or the
// headers and half the body before the connection is dropped.
class NetworkTestServer : public QObject {
  Q_OBJECT

 public:
  struct Answer {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    bool drop_mid_body = false;
  };
  struct Request {
    QByteArray path;
    QByteArray authorization;
  };

  bool Listen();
  QByteArray Url() const;
  void Queue(Answer answer) { script_.push_back(std::move(answer)); }
  const std::vector<Request>& requests() const { return requests_; }

 private:
  void Read(QTcpSocket* socket);

  QTcpServer server_;
  std::deque<Answer> script_;
  std::vector<Request> requests_;
};

}  // namespace orvelt::testing
