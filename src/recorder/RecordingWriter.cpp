#include "recorder/RecordingWriter.h"

#include "core/MainThread.h"
#include "recorder/WavFileWriter.h"

namespace gm {

RecordingWriter::RecordingWriter(QObject* context, Reporter reporter)
    : context_(context), reporter_(std::move(reporter)) {}

RecordingWriter::~RecordingWriter() {
  end();
  worker_.waitIdle();  // the last blocks of a recording are written, even when quitting
}

void RecordingWriter::begin(std::uint64_t session, std::unique_ptr<WavFileWriter> file) {
  // std::function wants a copyable job.
  auto shared = std::make_shared<std::unique_ptr<WavFileWriter>>(std::move(file));
  worker_.post([this, session, shared] {
    finishFile();
    session_ = session;
    file_ = std::move(*shared);
  });
}

void RecordingWriter::append(std::vector<std::uint8_t> bytes) {
  backlogBytes_.fetch_add(bytes.size(), std::memory_order_relaxed);
  worker_.post([this, bytes = std::move(bytes)] {
    // After a failure the file is gone: the blocks still on their way are dropped.
    if (file_ && !file_->append(bytes.data(), bytes.size())) {
      report(Report::Kind::Failed, file_->error());
      file_.reset();
    }
    backlogBytes_.fetch_sub(bytes.size(), std::memory_order_relaxed);
  });
}

void RecordingWriter::split(const QString& directory, const QString& prefix, const QDateTime& localTime) {
  worker_.post([this, directory, prefix, localTime] {
    if (!file_) return;  // the recording failed already
    finishFile();
    QString error;
    file_ = WavFileWriter::create(directory, prefix, localTime, &error);
    if (!file_) report(Report::Kind::Failed, error);
  });
}

void RecordingWriter::end() {
  worker_.post([this] { finishFile(); });
}

void RecordingWriter::finishFile() {
  if (!file_) return;
  if (file_->finish()) {
    report(Report::Kind::Finished, {});
  } else {
    report(Report::Kind::Failed, file_->error());
  }
  file_.reset();
}

void RecordingWriter::report(Report::Kind kind, const QString& error) {
  Report made{kind, session_, file_ ? file_->path() : QString(), file_ ? file_->dataBytes() : 0, error};
  MainThread::post(context_, [reporter = reporter_, made] { reporter(made); });
}

}  // namespace gm
