#include "sids_test_server.hpp"

#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace orvelt::testing {
namespace {

QMap<QString, QString> Decode_Form(const QByteArray& body) {
  QMap<QString, QString> fields;
  for (const QByteArray& pair : body.split('&')) {
    const qsizetype equals = pair.indexOf('=');
    if (equals < 0) continue;
    fields.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(pair.left(equals))),
                  QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(equals + 1))));
  }
  return fields;
}

}  // namespace

bool SidsTestServer::Listen(quint16 port) {
  if (!server_.isListening()) {
    QObject::disconnect(&server_, nullptr, this, nullptr);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections_;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
          buffers_.remove(socket);
          socket->deleteLater();
        });
      }
    });
    if (!server_.listen(QHostAddress::LocalHost, port)) return false;
  }
  port_ = server_.serverPort();
  return true;
}

void SidsTestServer::Close() {
  server_.close();
  for (QTcpSocket* socket : findChildren<QTcpSocket*>()) socket->abort();
}

QString SidsTestServer::Url() const {
  return QStringLiteral("http://127.0.0.1:%1/api/telemetry/").arg(port_);
}

void SidsTestServer::Read(QTcpSocket* socket) {
  QByteArray& buffer = buffers_[socket];
  buffer += socket->readAll();
  const qsizetype header_end = buffer.indexOf("\r\n\r\n");
  if (header_end < 0) return;
  Request request;
  qsizetype length = 0;
  const QList<QByteArray> lines = buffer.left(header_end).split('\n');
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
  }
  if (buffer.size() < header_end + 4 + length) return;
  request.fields = Decode_Form(buffer.mid(header_end + 4, length));
  buffer.clear();
  requests_.push_back(request);
  most_in_flight_ = std::max(most_in_flight_, ++in_flight_);
  Answer answer = default_;
  if (!script_.empty()) {
    answer = script_.front();
    script_.pop_front();
  }
  if (answer.delay_ms > 0) {
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(answer.delay_ms, this, [this, guarded, answer] {
      if (guarded) Respond(guarded, answer);
    });
  } else {
    Respond(socket, answer);
  }
}

void SidsTestServer::Respond(QTcpSocket* socket, const Answer& answer) {
  --in_flight_;
  constexpr qsizetype kEndless = 8 * 1024 * 1024;
  QByteArray reply = "HTTP/1.1 " + QByteArray::number(answer.status) + " Scripted\r\n";
  switch (answer.kind) {
    case Kind::kSilent:
      return;
    case Kind::kReset:
      socket->abort();
      return;
    case Kind::kEndlessHeader:
      socket->write(reply + "X-Pad: " + QByteArray(kEndless, 'a'));
      return;
    case Kind::kEndlessBody:
      socket->write(reply + "Content-Length: 1073741824\r\n\r\n" + QByteArray(kEndless, 'b'));
      return;
    case Kind::kStatus:
      break;
  }
  if (answer.status >= 300 && answer.status < 400) {
    reply += "Location: http://127.0.0.1:1/elsewhere/\r\n";
  }
  reply += answer.headers;
  reply += "Content-Type: text/plain\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
           "\r\n" + (keep_alive_ ? "" : "Connection: close\r\n") + "\r\n" + answer.body;
  socket->write(reply);
  if (!keep_alive_) socket->disconnectFromHost();
}

}  // namespace orvelt::testing
