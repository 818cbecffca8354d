#include "library/MediaDirectory.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>


namespace gm {
namespace {

using FolderId = std::pair<dev_t, ino_t>;

struct Listing {
  QByteArrayList files;
  QByteArrayList folders;
};

// Names compared without regard to letter case, so "b.wav" sits between "A.wav" and "C.wav".
bool nameOrder(const QByteArray& a, const QByteArray& b) {
  const int folded = qstricmp(a.constData(), b.constData());
  return folded != 0 ? folded < 0 : a < b;
}

Listing list(const QByteArray& directory) {
  Listing listing;
  DIR* folder = ::opendir(directory.constData());
  if (folder == nullptr) return listing;
  while (const dirent* item = ::readdir(folder)) {
    if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0) continue;
    const QByteArray path = directory + '/' + item->d_name;
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) continue;  // a dangling link
    if (S_ISDIR(info.st_mode)) {
      listing.folders << path;
    } else if (S_ISREG(info.st_mode) && MediaDirectory::looksLikeAudio(item->d_name)) {
      listing.files << path;
    }
  }
  ::closedir(folder);
  std::sort(listing.files.begin(), listing.files.end(), nameOrder);
  std::sort(listing.folders.begin(), listing.folders.end(), nameOrder);
  return listing;
}

void walkFolder(const QByteArray& directory, const std::function<void(const QByteArray&)>& found,
                const std::function<bool()>& stopped, std::set<FolderId>& visited) {
  struct stat info {};
  if (::stat(directory.constData(), &info) != 0 || !visited.insert({info.st_dev, info.st_ino}).second) return;
  const Listing listing = list(directory);
  for (const QByteArray& file : listing.files) {
    if (stopped()) return;
    found(file);
  }
  for (const QByteArray& folder : listing.folders) {
    if (stopped()) return;
    walkFolder(folder, found, stopped, visited);
  }
}

}  // namespace

void MediaDirectory::walk(const QByteArray& directory, const std::function<void(const QByteArray&)>& found,
                          const std::function<bool()>& stopped) {
  std::set<FolderId> visited;
  QByteArray start = directory;
  while (start.size() > 1 && start.endsWith('/')) start.chop(1);
  walkFolder(start, found, stopped, visited);
}

bool MediaDirectory::looksLikeAudio(const QByteArray& fileName) {
  const qsizetype dot = fileName.lastIndexOf('.');
  return dot >= 0 && audioExtensions().contains(fileName.mid(dot + 1).toLower());
}

const QByteArrayList& MediaDirectory::audioExtensions() {
  static const QByteArrayList extensions = {"wav", "wave", "aif", "aiff", "aifc", "flac", "mp3", "mp2",
                                            "ogg", "oga",  "opus", "m4a", "aac", "wma",  "ape", "wv"};
  return extensions;
}

}  // namespace gm
