#include "network_test_server.hpp"

#include <QHostAddress>
#include <QTcpSocket>

namespace orvelt::testing {

bool NetworkTestServer::Listen() {
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(this);
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
  return server_.listen(QHostAddress::LocalHost, 0);
}

QByteArray NetworkTestServer::Url() const {
  return "http://127.0.0.1:" + QByteArray::number(server_.serverPort());
}

void NetworkTestServer::Read(QTcpSocket* socket) {
  QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
  socket->setProperty("buffer", buffer);
  const qsizetype end = buffer.indexOf("\r\n\r\n");
  if (end < 0) return;
  const QList<QByteArray> lines = buffer.left(end).split('\n');
  Request request;
  request.path = lines.value(0).split(' ').value(1);
  for (const QByteArray& line : lines.mid(1)) {
    const qsizetype colon = line.indexOf(':');
    if (line.left(colon).trimmed().toLower() == "authorization") {
      request.authorization = line.mid(colon + 1).trimmed();
    }
  }
  requests_.push_back(request);
  socket->setProperty("buffer", QByteArray());
  Answer answer{500, {}, "script used up", false};
  if (!script_.empty()) {
    answer = script_.front();
    script_.pop_front();
  }
  QByteArray reply = "HTTP/1.1 " + QByteArray::number(answer.status) + " Scripted\r\n";
  for (const auto& [name, value] : answer.headers) reply += name + ": " + value + "\r\n";
  reply += "Content-Type: application/json\r\nContent-Length: " +
           QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
  if (answer.drop_mid_body) {
    socket->write(reply + answer.body.left(answer.body.size() / 2));
    socket->flush();
    socket->abort();
    return;
  }
  socket->write(reply + answer.body);
  socket->disconnectFromHost();
}

}  // namespace orvelt::testing
