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
// and answers as scripted (a status, a reset connection, silence or an answer without end),
// closing the connection after each answer unless told to keep it.
class SidsTestServer : public QObject {
  Q_OBJECT

 public:
  enum class Kind { kStatus, kReset, kSilent, kEndlessHeader, kEndlessBody };
  struct Answer {
    int status = 200;
    QByteArray body;
    Kind kind = Kind::kStatus;
    int delay_ms = 0;
    QByteArray headers;  // more header lines, each ending in CRLF

    static Answer Status(int status, QByteArray body = {}, int delay_ms = 0) {
      return {status, std::move(body), Kind::kStatus, delay_ms, {}};
    }
    static Answer Reset() { return {0, {}, Kind::kReset, 0, {}}; }
    static Answer Silent() { return {0, {}, Kind::kSilent, 0, {}}; }
    // A status line, then megabytes of one header line, or of a body said to be 1 GiB long.
    static Answer Endless(Kind kind, int status) { return {status, {}, kind, 0, {}}; }
  };
  struct Request {
    QByteArray method;
    QByteArray path;
    QByteArray content_type;
    QByteArray user_agent;
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
  // Keeps each connection open for the next request (HTTP keep-alive).
  void Set_Keep_Alive(bool keep) { keep_alive_ = keep; }
  int connections() const { return connections_; }
  // The most requests that were waiting for their answer at one time.
  int most_in_flight() const { return most_in_flight_; }

 private:
  void Read(QTcpSocket* socket);
  void Respond(QTcpSocket* socket, const Answer& answer);

  QTcpServer server_;
  quint16 port_ = 0;
  std::deque<Answer> script_;
  Answer default_;
  std::vector<Request> requests_;
  QMap<QTcpSocket*, QByteArray> buffers_;
  bool keep_alive_ = false;
  int connections_ = 0;
  int in_flight_ = 0;
  int most_in_flight_ = 0;
};

}  // namespace orvelt::testing
