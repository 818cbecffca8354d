#include "app/CommandSender.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include <QFile>

#include "control/ArgumentTemplate.h"
#include "control/PortClient.h"

namespace gm {
namespace {

// The running program has its own current directory: a relative name is made absolute here, as
// bytes, since neither the directory's name nor the file's need be text.
QByteArray absoluteName(const QByteArray& name) {
  if (name.startsWith('/')) return name;
  std::vector<char> directory(4096);
  while (::getcwd(directory.data(), directory.size()) == nullptr) {
    if (errno != ERANGE) return name;  // the program says the file is not found
    directory.resize(directory.size() * 2);
  }
  QByteArray absolute(directory.data());
  if (!absolute.endsWith('/')) absolute += '/';
  return absolute + name;
}

}  // namespace

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

bool CommandSender::handOver(const QString& socketPath, const QByteArrayList& files, std::FILE* err, int& status,
                             std::chrono::milliseconds replyTimeout) {
  PortClient client;
  std::string error;
  if (!client.connectTo(QFile::encodeName(socketPath).toStdString(), error)) return false;
  client.setReplyTimeout(replyTimeout);
  status = 0;
  for (const QByteArray& file : files) {
    const QByteArray name = absoluteName(file);
    std::string reply;
    if (!client.send(("OPEN " + ArgumentTemplate::quoted(name)).toStdString(), reply)) {
      if (client.timedOut()) {
        std::fprintf(err, "GrooveMangler: the running program does not answer; %s was not opened\n", name.constData());
      } else {
        std::fprintf(err, "GrooveMangler: the running program went away before it took %s\n", name.constData());
      }
      if (status == 0) status = kNoProgram;
      return true;
    }
    const int code = PortClient::replyCode(reply);
    if (code == 0) continue;
    std::fprintf(err, "GrooveMangler: %s: %s\n", name.constData(), std::string(PortClient::replyText(reply)).c_str());
    if (status == 0) status = code < 0 ? kNoProgram : code;
  }
  if (files.isEmpty()) std::fprintf(err, "GrooveMangler runs already.\n");
  return true;
}

}  // namespace gm
