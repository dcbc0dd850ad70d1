#pragma once

#include "net/http_answer.hpp"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <string>

class QTcpSocket;
class QTimer;

namespace orvelt {

// How one request ended: the server's answer, or why there was none (refused, reset, time-out,
// not HTTP).
using Exchange = Result<HttpAnswer>;

// The one HTTP client of the program: one connection to a server (plain or TLS, certificates
// always checked) carrying one request at a time. Reads no more of each answer than its limits
// allow, whatever the server sends, ends each request by its deadline however slowly the answer
// trickles in, never follows a redirect, and keeps the connection for the next request when the
// server allows it.
class ServerConnection : public QObject {
  Q_OBJECT

 public:
  using Finished = std::function<void(const Exchange&)>;

  ServerConnection(const QUrl& url, AnswerLimits limits, QObject* parent);
  ~ServerConnection() override;

  // Sends `request` (head and body) and calls `finished` once, from the event loop, when the
  // answer is read, the connection fails or `timeout_ms` passed since the request was given.
  void Send(QByteArray request, int timeout_ms, Finished finished);
  // Drops the connection and any request on it; `finished` is not called.
  void Abort();
  bool Busy() const { return static_cast<bool>(finished_); }

 private:
  void Open();
  void Read();
  void Closed(const QString& why);
  void End(Exchange exchange);
  void Drop_Socket();

  QUrl url_;
  AnswerLimits limits_;
  QTcpSocket* socket_ = nullptr;
  QTimer* deadline_ = nullptr;
  QByteArray request_;
  Finished finished_;
  HttpAnswerReader reader_;
  bool reused_ = false;  // the request went over a connection kept from an earlier one
};

}  // namespace orvelt
