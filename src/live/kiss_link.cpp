#include "live/kiss_link.hpp"

#include <QDateTime>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>

namespace orvelt {

namespace {

// Bytes taken from the TNC in one turn of the event loop (a few hundred frames).
constexpr qint64 kReadPieceBytes = 4 * 1024;
// Bytes Qt holds unread from the TNC; the rest waits in the kernel.
constexpr qint64 kReadBufferBytes = 256 * 1024;

std::int64_t Now_Ms() {
  return QDateTime::currentMSecsSinceEpoch();
}

LinkProblem Tcp_Problem(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
      return LinkProblem::Refused;
    case QAbstractSocket::HostNotFoundError:
      return LinkProblem::HostNotFound;
    case QAbstractSocket::RemoteHostClosedError:
      return LinkProblem::ClosedByTnc;
    case QAbstractSocket::SocketTimeoutError:
      return LinkProblem::NoAnswer;
    default:
      return LinkProblem::Other;
  }
}

}  // namespace

KissLink::KissLink(QObject* parent) : QObject(parent), backoff_(timing_.backoff) {
  retry_timer_.setSingleShot(true);
  connect(&retry_timer_, &QTimer::timeout, this, &KissLink::Attempt);
  connect_timer_.setSingleShot(true);
  connect(&connect_timer_, &QTimer::timeout, this,
          [this] { Lost(LinkProblem::NoAnswer, tr("no answer to the connection attempt")); });
}

KissLink::~KissLink() {
  Drop_Device();
}

void KissLink::Set_Timing(const LinkTiming& timing) {
  timing_ = timing;
  backoff_ = Backoff(timing.backoff);
}

void KissLink::Start(const SourceAddress& address) {
  if (status_.phase != LinkPhase::Disconnected) Stop();
  address_ = address;
  backoff_.Reset();
  status_ = {};
  status_.source = Source_Text(address);
  Attempt();
}

void KissLink::Stop() {
  retry_timer_.stop();
  connect_timer_.stop();
  const bool was_up = status_.phase == LinkPhase::Connected;
  Drop_Device();
  status_.phase = LinkPhase::Disconnected;
  if (was_up) emit Connection_Ended();
  emit Status_Changed();
}

void KissLink::Drop_Device() {
  if (!device_) return;
  QIODevice* device = device_;
  device_ = nullptr;
  device->disconnect(this);
  if (auto* socket = qobject_cast<QAbstractSocket*>(device)) socket->abort();
  device->close();
  device->deleteLater();
}

void KissLink::Attempt() {
  status_.phase = LinkPhase::Connecting;
  emit Status_Changed();
  if (const auto* tcp = std::get_if<TcpAddress>(&address_)) {
    Attempt_Tcp(*tcp);
  } else {
    Attempt_Serial(std::get<SerialAddress>(address_));
  }
}

void KissLink::Attempt_Tcp(const TcpAddress& tcp) {
  auto* socket = new QTcpSocket(this);
  device_ = socket;
  connect(socket, &QTcpSocket::connected, this, &KissLink::Connected);
  connect(socket, &QTcpSocket::readyRead, this, &KissLink::Read_Available);
  connect(socket, &QTcpSocket::errorOccurred, this,
          [this, socket](auto error) { Lost(Tcp_Problem(error), socket->errorString()); });
  connect(socket, &QTcpSocket::disconnected, this,
          [this] { Lost(LinkProblem::ClosedByTnc, tr("the TNC closed the connection")); });
  connect_timer_.start(timing_.connect_timeout_ms);
  // Unread bytes wait in the kernel beyond this, so that a flooding TNC is slowed down by TCP
  // instead of filling memory.
  socket->setReadBufferSize(kReadBufferBytes);
  socket->connectToHost(QString::fromStdString(tcp.host), tcp.port, QIODevice::ReadOnly);
}

void KissLink::Attempt_Serial(const SerialAddress& serial) {
  auto* port = new QSerialPort(this);
  device_ = port;
  port->setPortName(QString::fromStdString(serial.device));
  port->setBaudRate(serial.baud);
  port->setReadBufferSize(kReadBufferBytes);
  if (!port->open(QIODevice::ReadOnly)) {
    const bool gone = port->error() == QSerialPort::DeviceNotFoundError && status_.connections > 0;
    Lost(gone ? LinkProblem::DeviceVanished : LinkProblem::CannotOpen, port->errorString());
    return;
  }
  connect(port, &QSerialPort::readyRead, this, &KissLink::Read_Available);
  connect(port, &QSerialPort::errorOccurred, this, [this, port](QSerialPort::SerialPortError e) {
    if (e == QSerialPort::NoError) return;
    // A read error or a lost resource is what an unplugged adapter looks like.
    const bool gone = e == QSerialPort::ResourceError || e == QSerialPort::ReadError ||
                      e == QSerialPort::DeviceNotFoundError;
    Lost(gone ? LinkProblem::DeviceVanished : LinkProblem::Other, port->errorString());
  });
  Connected();
}

void KissLink::Connected() {
  connect_timer_.stop();
  backoff_.Reset();
  status_.phase = LinkPhase::Connected;
  status_.problem = LinkProblem::None;
  ++status_.connections;
  emit Status_Changed();
  // Bytes that came with the connection itself.
  if (device_ && device_->bytesAvailable() > 0) Read_Available();
}

void KissLink::Read_Available() {
  if (!device_) return;
  // A piece at a time, the rest from the event loop: a TNC that floods the link can hold back
  // neither a signal to end nor a repaint for long.
  const QByteArray bytes = device_->read(kReadPieceBytes);
  if (!bytes.isEmpty()) emit Bytes_Received(bytes);
  if (device_ != nullptr && device_->bytesAvailable() > 0 && !read_pending_) {
    read_pending_ = true;
    QTimer::singleShot(0, this, [this] {
      read_pending_ = false;
      Read_Available();
    });
  }
}

void KissLink::Lost(LinkProblem problem, const QString& detail) {
  if (!device_ || status_.phase == LinkPhase::Disconnected) return;
  connect_timer_.stop();
  // What the TNC sent before it went away is still taken.
  if (status_.phase == LinkPhase::Connected && device_->isReadable()) {
    while (device_->bytesAvailable() > 0) {
      const QByteArray bytes = device_->read(kReadPieceBytes);
      if (bytes.isEmpty()) break;
      emit Bytes_Received(bytes);
      if (device_ == nullptr) return;
    }
  }
  const bool was_up = status_.phase == LinkPhase::Connected;
  Drop_Device();
  if (was_up) emit Connection_Ended();
  const std::int64_t delay = backoff_.Next_Delay_Ms();
  status_.phase = LinkPhase::Waiting;
  status_.problem = problem;
  status_.detail = detail.toStdString();
  status_.retry_at_ms = Now_Ms() + delay;
  retry_timer_.start(static_cast<int>(delay));
  emit Status_Changed();
}

}  // namespace orvelt
