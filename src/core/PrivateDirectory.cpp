#include "core/PrivateDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QDir>
#include <QFile>

namespace gm {
namespace {

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString freshTemporaryDirectory(QString& problem) {
  QByteArray pattern = QFile::encodeName(QDir::tempPath()) + "/groovemangler-" + QByteArray::number(getuid()) + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    problem += QStringLiteral("; no private directory could be made in %1 (%2)").arg(QDir::tempPath(), systemError(errno));
    return {};
  }
  return QFile::decodeName(pattern);
}

}  // namespace

QString PrivateDirectory::checkPrivate(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat info {};
  if (lstat(name.constData(), &info) != 0) return systemError(errno);
  if (S_ISLNK(info.st_mode)) return QStringLiteral("it is a symbolic link");
  if (!S_ISDIR(info.st_mode)) return QStringLiteral("it is not a directory");
  if (info.st_uid != getuid()) return QStringLiteral("it belongs to another user");
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) return QStringLiteral("others may enter it");
  if (access(name.constData(), W_OK | X_OK) != 0) return QStringLiteral("it cannot be written");
  return {};
}

PrivateDirectory::Outcome PrivateDirectory::prepare(const QString& wanted) {
  Outcome outcome;
  const QByteArray name = QFile::encodeName(wanted);
  // mkdir never follows a symbolic link at the name, and fails on anything already there.
  if (mkdir(name.constData(), S_IRWXU) != 0 && errno != EEXIST) {
    outcome.problem = systemError(errno);
  } else {
    outcome.problem = checkPrivate(wanted);
  }
  if (outcome.problem.isEmpty()) {
    outcome.path = wanted;
    return outcome;
  }
  outcome.path = freshTemporaryDirectory(outcome.problem);
  return outcome;
}

}  // namespace gm
