#include "support/CannedHttpServer.h"

#include <QTcpSocket>

namespace gm::testing {

CannedHttpServer::CannedHttpServer(QByteArray rawAnswer) : rawAnswer_(std::move(rawAnswer)) {
  server_.listen(QHostAddress::LocalHost, 0);
  QObject::connect(&server_, &QTcpServer::newConnection, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(&server_);
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
    }
  });
}

QByteArray CannedHttpServer::answer(int status, const QByteArray& body) {
  return "HTTP/1.1 " + QByteArray::number(status) + " Canned\r\nContent-Type: text/plain\r\nContent-Length: " +
         QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

QString CannedHttpServer::authority() const { return QString("127.0.0.1:%1").arg(server_.serverPort()); }

void CannedHttpServer::serve(QTcpSocket* socket) {
  const QByteArray request = socket->peek(socket->bytesAvailable());
  if (!request.contains("\r\n\r\n")) return;  // the rest of the head is still coming
  socket->readAll();
  requestLines_ << request.left(request.indexOf("\r\n"));
  if (rawAnswer_.isEmpty()) return;
  socket->write(rawAnswer_);
  socket->disconnectFromHost();
}

}  // namespace gm::testing
