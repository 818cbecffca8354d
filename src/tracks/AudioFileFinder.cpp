#include "tracks/AudioFileFinder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

namespace gm {
namespace {

// WAV, AIFF, FLAC, MP3, Ogg Vorbis, Opus and AAC/M4A.
constexpr std::array<std::string_view, 12> kAudioExtensions = {"wav", "wave", "aif", "aiff", "aifc", "flac",
                                                                "mp3", "ogg",  "oga", "opus", "m4a",  "aac"};

using FileId = std::pair<dev_t, ino_t>;

class Walk {
 public:
  explicit Walk(AudioFileFinder::Found& found) : found_(found) {}

  void named(const std::string& path) {
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
      directory(path, info);
    } else if (!exists || firstVisit(info)) {
      // Missing or no plain file: the decoder gives the reason.
      found_.files.push_back(path);
    }
  }

 private:
  bool firstVisit(const struct stat& info) { return visited_.insert({info.st_dev, info.st_ino}).second; }

  void directory(const std::string& path, const struct stat& info) {
    if (!firstVisit(info)) return;
    std::vector<std::string> names;
    if (!list(path, names)) return;
    const std::string prefix = path.ends_with('/') ? path : path + '/';
    for (const std::string& name : names) {
      const std::string child = prefix + name;
      struct stat childInfo {};
      // Links are followed: to a file elsewhere, or to another folder of the collection.
      if (::stat(child.c_str(), &childInfo) != 0) continue;
      if (S_ISDIR(childInfo.st_mode)) {
        directory(child, childInfo);
      } else if (S_ISREG(childInfo.st_mode) && AudioFileFinder::hasAudioExtension(name) && firstVisit(childInfo)) {
        found_.files.push_back(child);
      }
    }
  }

  // The directory's entries, sorted by their bytes. Hidden ones are left out: what a system keeps
  // there ("._track.mp3" beside each track copied from another system) is no music.
  bool list(const std::string& path, std::vector<std::string>& names) {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
      found_.problems.push_back({path, QString::fromLocal8Bit(std::strerror(errno))});
      return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (!name.starts_with('.')) names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
  }

  AudioFileFinder::Found& found_;
  std::set<FileId> visited_;
};

}  // namespace

bool AudioFileFinder::hasAudioExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = name.substr(dot + 1);
  return std::any_of(kAudioExtensions.begin(), kAudioExtensions.end(), [extension](std::string_view known) {
    return known.size() == extension.size() &&
           std::equal(known.begin(), known.end(), extension.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
  });
}

AudioFileFinder::Found AudioFileFinder::find(const std::vector<std::string>& paths) {
  Found found;
  Walk walk(found);
  for (const std::string& path : paths) walk.named(path);
  return found;
}

}  // namespace gm
