#include "plugins/PluginDirectory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include <QFile>

namespace gm {
namespace {

constexpr unsigned char kElfMagic[4] = {0x7F, 'E', 'L', 'F'};

bool readMagic(const QByteArray& path, unsigned char (&magic)[4]) {
  // Non-blocking: a FIFO in the folder must not hang the scan (it is no plain file anyway).
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  std::size_t got = 0;
  while (got < sizeof magic) {
    const ssize_t n = ::read(fd, magic + got, sizeof magic - got);
    if (n <= 0) break;
    got += std::size_t(n);
  }
  ::close(fd);
  return got == sizeof magic;
}

}  // namespace

bool PluginDirectory::isPlainFile(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PluginDirectory::isPluginFile(const QString& path) {
  const QByteArray encoded = QFile::encodeName(path);
  if (!isPlainFile(path)) return false;
  unsigned char magic[4] = {};
  return readMagic(encoded, magic) && std::memcmp(magic, kElfMagic, sizeof magic) == 0;
}

QStringList PluginDirectory::pluginFiles(const QString& directory, QStringList* others) {
  QStringList files;
  DIR* listing = ::opendir(QFile::encodeName(directory).constData());
  if (listing == nullptr) return files;
  while (const dirent* entry = ::readdir(listing)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    const QString path = directory + '/' + QFile::decodeName(entry->d_name);
    if (isPluginFile(path)) {
      files.append(path);
    } else if (others != nullptr && entry->d_name[0] != '.' && isPlainFile(path)) {
      others->append(path);
    }
  }
  ::closedir(listing);
  return files;
}

}  // namespace gm
