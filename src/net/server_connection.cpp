#include "net/server_connection.hpp"

#include <QDateTime>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <array>
#include <cstdio>
#include <utility>

namespace orvelt {
namespace {

// What the socket may hold unread: once it is full, Qt stops reading from the network, so a
// server sending without end costs no memory.
constexpr qint64 kSocketBufferBytes = 16 * 1024;

// "10 s", "0.3 s".
std::string Seconds_Text(int ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", ms / 1000.0);
  return text;
}

}  // namespace

ServerConnection::ServerConnection(const QUrl& url, AnswerLimits limits, QObject* parent)
    : QObject(parent), url_(url), limits_(limits), deadline_(new QTimer(this)) {
  deadline_->setSingleShot(true);
  connect(deadline_, &QTimer::timeout, this,
          [this] { End(Failure{"time-out after " + Seconds_Text(deadline_->interval())}); });
}

ServerConnection::~ServerConnection() {
  Abort();
}

void ServerConnection::Send(QByteArray request, int timeout_ms, Finished finished) {
  request_ = std::move(request);
  finished_ = std::move(finished);
  reader_ = HttpAnswerReader(limits_);
  deadline_->start(timeout_ms);
  if (socket_ != nullptr && socket_->state() == QAbstractSocket::ConnectedState) {
    reused_ = true;
    socket_->write(request_);
  } else {
    reused_ = false;
    Open();
  }
}

void ServerConnection::Abort() {
  deadline_->stop();
  finished_ = nullptr;
  Drop_Socket();
}

void ServerConnection::Open() {
  Drop_Socket();
  const bool tls = url_.scheme() == QLatin1String("https");
  const quint16 port = static_cast<quint16>(url_.port(tls ? 443 : 80));
  if (tls) {
    if (!QSslSocket::supportsSsl()) {
      // Told from the event loop, as every other outcome is.
      QTimer::singleShot(0, this, [this] {
        if (finished_) End(Failure{"TLS (https) is not available on this system"});
      });
      return;
    }
    auto* socket = new QSslSocket(this);
    socket_ = socket;
    // A certificate that does not check out ends the connection: the token and the reports go
    // to the server named, or nowhere.
    socket->setPeerVerifyMode(QSslSocket::VerifyPeer);
    connect(socket, &QSslSocket::encrypted, this, [this] { socket_->write(request_); });
    socket->setReadBufferSize(kSocketBufferBytes);
    socket->connectToHostEncrypted(url_.host(), port);
  } else {
    socket_ = new QTcpSocket(this);
    connect(socket_, &QTcpSocket::connected, this, [this] { socket_->write(request_); });
    socket_->setReadBufferSize(kSocketBufferBytes);
    socket_->connectToHost(url_.host(), port);
  }
  connect(socket_, &QTcpSocket::readyRead, this, &ServerConnection::Read);
  connect(socket_, &QTcpSocket::errorOccurred, this,
          [this] { Closed(socket_ != nullptr ? socket_->errorString() : QString()); });
  connect(socket_, &QTcpSocket::disconnected, this, [this] { Closed(QString()); });
}

void ServerConnection::Read() {
  QTcpSocket* socket = socket_;
  if (!finished_) {
    // Nothing was asked: bytes from the server now can only be garbage.
    Drop_Socket();
    return;
  }
  std::array<char, 4096> buffer{};
  while (socket->bytesAvailable() > 0) {
    const qint64 got = socket->read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (got <= 0) break;
    const std::string_view bytes(buffer.data(), static_cast<std::size_t>(got));
    const std::size_t used = reader_.Feed(bytes, QDateTime::currentMSecsSinceEpoch());
    if (reader_.Reading()) continue;
    const Result<HttpAnswer>& read = reader_.result();
    Exchange exchange = read;
    // Anything after the answer was not asked for: the connection cannot be trusted again.
    if (exchange.ok() && (used < bytes.size() || socket->bytesAvailable() > 0)) {
      exchange.value().reusable = false;
    }
    return End(std::move(exchange));
  }
}

void ServerConnection::Closed(const QString& why) {
  if (socket_ == nullptr) return;
  if (!finished_) {
    // A connection kept for later was closed by the server: the next request opens a new one.
    Drop_Socket();
    return;
  }
  const bool server_closed = socket_->error() == QAbstractSocket::RemoteHostClosedError ||
                             socket_->state() != QAbstractSocket::ConnectedState;
  if (why.isEmpty() || socket_->error() == QAbstractSocket::RemoteHostClosedError) {
    // Whatever the socket still holds belongs to the answer.
    if (socket_->bytesAvailable() > 0) Read();
    if (!finished_) return;
    reader_.End_Of_Stream();
    if (reader_.result().ok()) return End(reader_.result());
  }
  if (reused_ && reader_.Untouched() && server_closed) {
    // The server let a kept connection go just as the request went out: the request never
    // reached it, so it goes once more over a new connection.
    reused_ = false;
    Open();
    return;
  }
  const std::string reason =
      !why.isEmpty() && socket_->error() != QAbstractSocket::RemoteHostClosedError
          ? why.toStdString()
          : reader_.result().why();
  End(Failure{reason.empty() ? std::string("the connection was lost") : reason});
}

void ServerConnection::End(Exchange exchange) {
  deadline_->stop();
  Finished finished = std::move(finished_);
  finished_ = nullptr;
  if (!exchange.ok() || !exchange.value().reusable) Drop_Socket();
  if (finished) finished(exchange);
}

void ServerConnection::Drop_Socket() {
  if (socket_ == nullptr) return;
  QTcpSocket* socket = socket_;
  socket_ = nullptr;
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
}

}  // namespace orvelt
