#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

// A KISS TNC on 127.0.0.1 for the tests: replays a capture to one client at a time, in pieces of
// up to `largest_piece` bytes, and can drop the connection after a given byte and stop listening
// for a while. Every connection goes on where the last one stopped.
class LoopbackTnc : public QObject {
 public:
  explicit LoopbackTnc(std::vector<std::uint8_t> bytes, unsigned seed = 1,
                       std::size_t largest_piece = 600)
      : bytes_(std::move(bytes)), random_(seed), largest_piece_(largest_piece) {
    QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { Accept(); });
    pump_.setInterval(0);
    QObject::connect(&pump_, &QTimer::timeout, this, [this] { Send_Some(); });
  }

  bool Listen() { return server_.listen(QHostAddress::LocalHost, port_); }
  quint16 Port() const { return port_ ? port_ : server_.serverPort(); }

  // The connection is closed once `offset` bytes in all have been sent, and the server stops
  // listening for `pause_ms` (connections are refused meanwhile).
  void Drop_At(std::size_t offset, int pause_ms) {
    drop_at_ = offset;
    pause_ms_ = pause_ms;
  }

  bool Done() const { return sent_ == bytes_.size(); }

 private:
  void Accept() {
    while (QTcpSocket* next = server_.nextPendingConnection()) {
      if (client_) {
        next->abort();
        next->deleteLater();
        continue;
      }
      QObject::connect(next, &QTcpSocket::disconnected, next, &QObject::deleteLater);
      client_ = next;
      pump_.start();
    }
  }

  void Send_Some() {
    if (!client_) return pump_.stop();
    if (client_->bytesToWrite() > (1 << 16)) return;  // let the kernel take what it has
    std::size_t end = std::min(bytes_.size(), sent_ + 1 + random_() % largest_piece_);
    if (drop_at_ > sent_) end = std::min(end, drop_at_);
    client_->write(reinterpret_cast<const char*>(bytes_.data() + sent_),
                   static_cast<qint64>(end - sent_));
    sent_ = end;
    if (sent_ == drop_at_) Drop();
    if (Done()) pump_.stop();
  }

  void Drop() {
    drop_at_ = 0;
    pump_.stop();
    client_->flush();
    client_->disconnectFromHost();
    client_ = nullptr;
    port_ = server_.serverPort();
    server_.close();
    QTimer::singleShot(pause_ms_, this, [this] { Listen(); });
  }

  std::vector<std::uint8_t> bytes_;
  std::mt19937 random_;
  std::size_t largest_piece_;
  QTcpServer server_;
  QTcpSocket* client_ = nullptr;
  QTimer pump_;
  std::size_t sent_ = 0, drop_at_ = 0;
  int pause_ms_ = 0;
  quint16 port_ = 0;
};
