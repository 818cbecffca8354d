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
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
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

bool PluginDirectory::isPluginFile(const QString& path) {
  const QByteArray encoded = QFile::encodeName(path);
  struct stat info {};
  if (::stat(encoded.constData(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  unsigned char magic[4] = {};
  return readMagic(encoded, magic) && std::memcmp(magic, kElfMagic, sizeof magic) == 0;
}

QStringList PluginDirectory::pluginFiles(const QString& directory) {
  QStringList files;
  DIR* listing = ::opendir(QFile::encodeName(directory).constData());
  if (listing == nullptr) return files;
  while (const dirent* entry = ::readdir(listing)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    const QString path = directory + '/' + QFile::decodeName(entry->d_name);
    if (isPluginFile(path)) files.append(path);
  }
  ::closedir(listing);
  return files;
}

}  // namespace gm
