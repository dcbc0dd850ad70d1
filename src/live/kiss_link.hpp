#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>

#include "live/live_status.hpp"
#include "live/source_address.hpp"
#include "net/backoff.hpp"

class QIODevice;

namespace orvelt {

struct LinkTiming {
  BackoffTiming backoff;
  // A TCP connection attempt that gets no answer in this time counts as failed.
  int connect_timeout_ms = 10000;
};

// The byte stream of a TNC, over TCP (QTcpSocket) or a serial line (QSerialPort): connects,
// hands on every piece of bytes as it arrives, and when the connection cannot be made or is
// lost (refused, host not found, closed by the TNC, device vanished) tries again with backoff
// until stopped. Shared by the window and the headless receiver.
class KissLink : public QObject {
  Q_OBJECT
 public:
  explicit KissLink(QObject* parent = nullptr);
  ~KissLink() override;

  void Set_Timing(const LinkTiming& timing);
  // Connects to `address` (ending any earlier connection) and keeps trying until Stop().
  void Start(const SourceAddress& address);
  void Stop();

  const LinkStatus& Status() const { return status_; }

 signals:
  void Bytes_Received(const QByteArray& bytes);
  // A connection that was up has ended; an unfinished frame cannot be completed.
  void Connection_Ended();
  void Status_Changed();

 private:
  void Attempt();
  void Attempt_Tcp(const TcpAddress& tcp);
  void Attempt_Serial(const SerialAddress& serial);
  void Connected();
  void Read_Available();
  // The connection failed or ended: tears the device down and schedules the next attempt.
  void Lost(LinkProblem problem, const QString& detail);
  void Drop_Device();

  SourceAddress address_;
  LinkTiming timing_;
  Backoff backoff_;
  LinkStatus status_;
  QPointer<QIODevice> device_;
  QTimer retry_timer_;
  QTimer connect_timer_;
  bool read_pending_ = false;  // the rest of what arrived is read from the event loop
};

}  // namespace orvelt
