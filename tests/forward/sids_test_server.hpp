#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <deque>
#include <vector>

class QTcpSocket;

namespace orvelt::testing {

// A telemetry server for the tests, on 127.0.0.1: reads each HTTP request whole, records it,
// and answers as scripted (a status, a reset connection or silence), one connection per request.
class SidsTestServer : public QObject {
  Q_OBJECT

 public:
  enum class Kind { kStatus, kReset, kSilent };
  struct Answer {
    int status = 200;
    QByteArray body;
    Kind kind = Kind::kStatus;
    int delay_ms = 0;

    static Answer Status(int status, QByteArray body = {}, int delay_ms = 0) {
      return {status, std::move(body), Kind::kStatus, delay_ms};
    }
    static Answer Reset() { return {0, {}, Kind::kReset, 0}; }
    static Answer Silent() { return {0, {}, Kind::kSilent, 0}; }
  };
  struct Request {
    QByteArray method;
    QByteArray path;
    QByteArray content_type;
    QMap<QString, QString> fields;  // the form body, decoded
  };

  // Listens on `port` (0: any free one). False when the port is taken.
  bool Listen(quint16 port = 0);
  // Stops listening and drops every open connection.
  void Close();
  quint16 port() const { return port_; }
  QString Url() const;

  // Answers to give, in order; once they are used up, the default answer.
  void Queue(Answer answer) { script_.push_back(std::move(answer)); }
  void Set_Default(Answer answer) { default_ = std::move(answer); }
  const std::vector<Request>& requests() const { return requests_; }

 private:
  void Read(QTcpSocket* socket);
  void Respond(QTcpSocket* socket, const Answer& answer);

  QTcpServer server_;
  quint16 port_ = 0;
  std::deque<Answer> script_;
  Answer default_;
  std::vector<Request> requests_;
  QMap<QTcpSocket*, QByteArray> buffers_;
};

}  // namespace orvelt::testing
