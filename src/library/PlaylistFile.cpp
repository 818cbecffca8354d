#include "library/PlaylistFile.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

#include "core/AtomicFile.h"
#include "core/RegularFile.h"

namespace gm {
namespace {

// Far beyond any list of tracks (100,000 paths of 600 bytes).
constexpr qint64 kMaxFileBytes = 64 << 20;

bool beginsWithVolume(const QByteArray& line, const QByteArrayList& volumes) {
  for (const QByteArray& volume : volumes) {
    if (line.size() >= volume.size() && qstrnicmp(line.constData(), volume.constData(), volume.size()) == 0) return true;
  }
  return false;
}

}  // namespace

PlaylistFile::Saved PlaylistFile::save(const QString& path, const QByteArrayList& paths) {
  Saved saved;
  QByteArray content;
  for (const QByteArray& file : paths) {
    if (file.isEmpty()) continue;
    if (file.contains('\n')) {
      ++saved.leftOut;
      continue;
    }
    content += file;
    content += '\n';
  }
  saved.ok = AtomicFile::write(path, content, &saved.error);
  return saved;
}

std::optional<QByteArrayList> PlaylistFile::read(const QString& path, QString* error) {
  const std::optional<QByteArray> content = RegularFile::read(path, kMaxFileBytes, error);
  if (!content) return std::nullopt;
  return countedLines(*content, presentVolumes());
}

QByteArrayList PlaylistFile::countedLines(const QByteArray& content, const QByteArrayList& volumes) {
  QByteArrayList lines;
  qsizetype start = 0;
  while (start < content.size()) {
    qsizetype end = content.indexOf('\n', start);
    if (end < 0) end = content.size();
    const qsizetype length = end - start;
    if (length <= kMaxLineBytes) {
      const QByteArray line = content.mid(start, length);
      if (beginsWithVolume(line, volumes)) lines << line;
    }
    start = end + 1;
  }
  return lines;
}

QByteArrayList PlaylistFile::presentVolumes() {
  QByteArrayList volumes;
  DIR* root = ::opendir("/");
  if (root == nullptr) return volumes;
  while (const dirent* item = ::readdir(root)) {
    if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0) continue;
    const QByteArray volume = QByteArray("/") + item->d_name + '/';
    struct stat info {};
    if (::stat(volume.constData(), &info) == 0 && S_ISDIR(info.st_mode)) volumes << volume;
  }
  ::closedir(root);
  return volumes;
}

}  // namespace gm
