#pragma once
// The decoder's view of a track file: FFmpeg reads through this rather than opening the name itself.
// The file is opened once, only if it is a regular file, and without waiting (a FIFO or a device
// named as a track would block an open or a read forever); what FFmpeg then reads is that very file,
// so nothing can swap it for something else between the check and the reading. Reading stops as
// soon as the owner cancels, so a load that is being abandoned never waits on the disk.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct AVIOContext;

namespace gm {

class FileInput {
 public:
  // nullptr with a short reason in `error` ("File not found", "Not a file", ...) when the file cannot
  // be opened for reading. `cancelled` (may be empty) is asked before every read.
  static std::unique_ptr<FileInput> open(const std::string& path, std::function<bool()> cancelled, std::string& error);
  ~FileInput();
  FileInput(const FileInput&) = delete;
  FileInput& operator=(const FileInput&) = delete;

  // The context to hand to the demuxer (AVFormatContext::pb); it stays owned by this object.
  AVIOContext* context() const { return context_; }
  int descriptor() const { return fd_; }
  bool cancelled() const { return cancelled_ && cancelled_(); }

 private:
  FileInput(int fd, std::function<bool()> cancelled) : fd_(fd), cancelled_(std::move(cancelled)) {}
  static int read(void* opaque, std::uint8_t* buffer, int size);
  static std::int64_t seek(void* opaque, std::int64_t offset, int whence);

  int fd_ = -1;
  std::function<bool()> cancelled_;
  AVIOContext* context_ = nullptr;
};

}  // namespace gm
