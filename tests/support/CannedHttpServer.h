#pragma once
// A tiny HTTP server on 127.0.0.1 for the version check's tests: it answers every request with the
// same raw bytes and remembers the request lines, or accepts and never answers at all.

#include <QByteArray>
#include <QList>
#include <QTcpServer>

namespace gm::testing {

class CannedHttpServer {
 public:
  // Listens on an ephemeral port; an empty answer means the server stays silent.
  explicit CannedHttpServer(QByteArray rawAnswer);
  // "HTTP/1.1 <status> ..." with a Content-Length for `body`.
  static QByteArray answer(int status, const QByteArray& body);

  // "127.0.0.1:<port>", as the version-check server setting names it.
  QString authority() const;
  const QList<QByteArray>& requestLines() const { return requestLines_; }

 private:
  void serve(QTcpSocket* socket);

  QByteArray rawAnswer_;
  QTcpServer server_;
  QList<QByteArray> requestLines_;
};

}  // namespace gm::testing
