#include "app/CommandSender.h"

#include <string>

#include <QFile>

#include "control/PortClient.h"

namespace gm {

int CommandSender::run(const QString& socketPath, const QByteArrayList& commands, std::FILE* out, std::FILE* err) {
  PortClient client;
  std::string error;
  if (!client.connectTo(QFile::encodeName(socketPath).toStdString(), error)) {
    std::fprintf(err, "GrooveMangler: no program answers on %s (%s)\n", QFile::encodeName(socketPath).constData(),
                 error.c_str());
    return kNoProgram;
  }
  int status = 0;
  for (const QByteArray& command : commands) {
    if (command.contains('\n')) {
      std::fprintf(err, "GrooveMangler: a command is one line; not sent: %s\n", command.constData());
      return status != 0 ? status : 2;
    }
    std::string reply;
    if (!client.send(command.toStdString(), reply)) {
      std::fprintf(err, "GrooveMangler: the program went away\n");
      return status != 0 ? status : kNoProgram;
    }
    std::fprintf(out, "%s\n", reply.c_str());
    const int code = PortClient::replyCode(reply);
    if (status == 0 && code != 0) status = code < 0 ? kNoProgram : code;
  }
  return status;
}

}  // namespace gm
