#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

namespace orvelt::testing {

// A telemetry server for the tests, on 127.0.0.1, that takes forwarded frames and serves the
// database's pages: reads each HTTP request whole, records it, and answers as scripted (a
// status, a reset connection, silence, a body without end or half a body before the connection
// drops, a body that trickles in a byte at a time), closing the connection after each answer
// unless told to keep it. Like the servers found in the field, it can read a report's fields
// from the query string only or from the form body only, refusing a report without them.
class SidsTestServer : public QObject {
 public:
  enum class Kind { kStatus, kReset, kSilent, kEndlessBody, kDropMidBody, kTrickle };
  enum class FieldsFrom { kAnywhere, kQueryOnly, kBodyOnly };
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
  };
  struct Request {
    QByteArray method, path, content_type, user_agent, authorization, accept_encoding;
    QMap<QString, QString> fields;  // the form body, decoded
    QMap<QString, QString> query;   // the query string, decoded
  };

  SidsTestServer() {
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections_;
        socket->setParent(this);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [=, this] { Read(socket, *buffer); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
  }

  // Listens on `port` (0: any free one). False when the port is taken.
  bool Listen(quint16 port = 0) {
    if (!server_.isListening() && !server_.listen(QHostAddress::LocalHost, port)) return false;
    port_ = server_.serverPort();
    return true;
  }
  // Stops listening and drops every open connection.
  void Close() {
    server_.close();
    for (QTcpSocket* socket : findChildren<QTcpSocket*>()) socket->abort();
  }
  quint16 port() const { return port_; }
  QString Origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
  QString Url() const { return Origin() + "/api/telemetry/"; }

  // Answers to give, in order; once they are used up, the default answer.
  void Queue(Answer answer) { script_.push_back(std::move(answer)); }
  void Set_Default(Answer answer) { default_ = std::move(answer); }
  const std::vector<Request>& requests() const { return requests_; }
  // Where a report's fields are read: a report without them there is answered 400.
  void Set_Fields_From(FieldsFrom from) { fields_from_ = from; }
  // Keeps each connection open for the next request (HTTP keep-alive).
  void Set_Keep_Alive(bool keep) { keep_alive_ = keep; }
  int connections() const { return connections_; }
  // The most requests that were waiting for their answer at one time.
  int most_in_flight() const { return most_in_flight_; }

 private:
  void Read(QTcpSocket* socket, QByteArray& buffer) {
    buffer += socket->readAll();
    const qsizetype head_end = buffer.indexOf("\r\n\r\n");
    if (head_end < 0) return;
    Request request;
    qsizetype length = 0;
    const QList<QByteArray> lines = buffer.left(head_end).split('\n');
    const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
    request.method = start.value(0);
    request.path = start.value(1);
    for (const QByteArray& line : lines.mid(1)) {
      const qsizetype colon = line.indexOf(':');
      const QByteArray name = line.left(colon).trimmed().toLower();
      const QByteArray value = line.mid(colon + 1).trimmed();
      if (name == "content-length") length = value.toLongLong();
      if (name == "content-type") request.content_type = value;
      if (name == "user-agent") request.user_agent = value;
      if (name == "authorization") request.authorization = value;
      if (name == "accept-encoding") request.accept_encoding = value;
    }
    if (buffer.size() < head_end + 4 + length) return;
    const QUrlQuery form(QString::fromUtf8(buffer.mid(head_end + 4, length)));
    for (const auto& [name, value] : form.queryItems(QUrl::FullyDecoded)) {
      request.fields.insert(name, value);
    }
    const qsizetype question = request.path.indexOf('?');
    if (question >= 0) {
      const QUrlQuery query(QString::fromUtf8(request.path.mid(question + 1)));
      for (const auto& [name, value] : query.queryItems(QUrl::FullyDecoded)) {
        request.query.insert(name, value);
      }
    }
    buffer.clear();
    requests_.push_back(request);
    most_in_flight_ = std::max(most_in_flight_, ++in_flight_);
    Answer answer = script_.empty() ? default_ : script_.front();
    if (!script_.empty()) script_.pop_front();
    const QMap<QString, QString>& read =
        fields_from_ == FieldsFrom::kQueryOnly ? request.query : request.fields;
    if (fields_from_ != FieldsFrom::kAnywhere && request.method == "POST") {
      for (const char* name :
           {"noradID", "source", "timestamp", "frame", "longitude", "latitude"}) {
        if (read.value(QString::fromLatin1(name)).isEmpty()) {
          answer = Answer::Status(400, "Missing request parameter: '" + QByteArray(name) + "'");
          break;
        }
      }
    }
    QTimer::singleShot(answer.delay_ms, socket, [=, this] { Respond(socket, answer); });
  }

  void Respond(QTcpSocket* socket, const Answer& answer) {
    --in_flight_;
    if (answer.kind == Kind::kReset) socket->abort();
    if (answer.kind == Kind::kReset || answer.kind == Kind::kSilent) return;
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(answer.status) + " Scripted\r\n";
    if (answer.kind == Kind::kEndlessBody) {
      socket->write(reply + "Content-Length: 1073741824\r\n\r\n" + QByteArray(8 << 20, 'b'));
      return;
    }
    if (answer.kind == Kind::kTrickle) {
      // The head at once, then one byte of a large body every 100 ms for as long as it is read.
      socket->write(reply + "Content-Length: 1000000\r\n\r\n");
      auto* drip = new QTimer(socket);
      connect(drip, &QTimer::timeout, socket, [socket] { socket->write("["); });
      drip->start(100);
      return;
    }
    if (answer.status / 100 == 3) reply += "Location: http://127.0.0.1:1/elsewhere/\r\n";
    const bool drop = answer.kind == Kind::kDropMidBody;
    socket->write(reply + answer.headers + "Content-Type: text/plain\r\nContent-Length: " +
                  QByteArray::number(answer.body.size()) + "\r\n" +
                  (keep_alive_ ? "" : "Connection: close\r\n") + "\r\n" +
                  answer.body.left(drop ? answer.body.size() / 2 : answer.body.size()));
    if (drop) {
      socket->flush();
      return socket->abort();
    }
    if (!keep_alive_) socket->disconnectFromHost();
  }

  QTcpServer server_;
  quint16 port_ = 0;
  std::deque<Answer> script_;
  Answer default_;
  std::vector<Request> requests_;
  bool keep_alive_ = false;
  FieldsFrom fields_from_ = FieldsFrom::kAnywhere;
  int connections_ = 0;
  int in_flight_ = 0;
  int most_in_flight_ = 0;
};

}  // namespace orvelt::testing
