#include "core/VersionCheck.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "core/CatalogTable.h"
#include "core/MainThread.h"
#include "core/ProgramVersion.h"
#include "core/Worker.h"

namespace gm {
namespace {

const char kPath[] = "/groovemangler/versioncheck.php";
// How often the request looks whether the program is ending or the bound has passed.
constexpr int kPollMs = 50;

struct Answer {
  QByteArray body;
  int httpStatus = 0;
  bool completed = false;
};

// [worker-thread] One GET with its own event loop, read up to `limit` bytes; aborted when the worker
// stops or the bound passes.
Answer fetch(const QUrl& location, std::chrono::milliseconds bound, const Worker& worker, int limit) {
  QNetworkAccessManager manager;
  QNetworkRequest request(location);
  request.setTransferTimeout(int(bound.count()));  // a server that accepts and stays silent
  std::unique_ptr<QNetworkReply> reply(manager.get(request));
  Answer answer;
  const auto readSome = [&] {
    if (!reply->isOpen()) return;  // aborted
    answer.body += reply->read(limit - answer.body.size());
    if (answer.body.size() >= limit && !reply->isFinished()) reply->abort();  // too long to be valid
  };
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, readSome);
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  const QDeadlineTimer deadline(bound);  // also covers a name look-up that hangs
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (worker.stopping() || deadline.hasExpired()) reply->abort();
  });
  poll.start(kPollMs);
  if (!reply->isFinished()) loop.exec();
  readSome();
  answer.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  answer.completed = reply->error() == QNetworkReply::NoError;
  return answer;
}

}  // namespace

VersionCheck::VersionCheck(std::chrono::milliseconds answerBound, QObject* parent)
    : QObject(parent), answerBound_(answerBound) {}

VersionCheck::~VersionCheck() = default;

QUrl VersionCheck::locationFor(const QString& server) {
  const QString trimmed = server.trimmed();
  if (trimmed.isEmpty()) return {};
  QUrl location;
  location.setScheme("http");
  location.setAuthority(trimmed, QUrl::StrictMode);
  location.setPath(kPath);
  // Anything beyond a host and a port (a scheme, a path, user names) is not a server setting.
  if (!location.isValid() || location.host().isEmpty() || !location.userInfo().isEmpty() ||
      location.authority() != trimmed.toLower()) {
    return {};
  }
  return location;
}

VersionCheck::State VersionCheck::judge(const QByteArray& body, int httpStatus, bool completed,
                                        const QByteArray& buildDate) {
  if (!completed || httpStatus != 200 || body.size() != 8) return State::Failed;
  return body.compare(buildDate, Qt::CaseInsensitive) == 0 ? State::Latest : State::NewVersion;
}

QString VersionCheck::textOf(State state) {
  switch (state) {
    case State::Off: return msg(Msg::VersionCheckOff);
    case State::Checking: return msg(Msg::VersionChecking);
    case State::Latest: return msg(Msg::VersionLatest);
    case State::NewVersion: return msg(Msg::VersionNewAvailable);
    case State::Failed: return msg(Msg::VersionCheckFailed);
  }
  return {};
}

void VersionCheck::start(const QString& server) {
  if (worker_) return;
  if (server.trimmed().isEmpty()) {
    finish(State::Off);
    return;
  }
  const QUrl location = locationFor(server);
  if (location.isEmpty()) {
    finish(State::Failed);  // the user asked for a check, but of nothing that can be asked
    return;
  }
  finish(State::Checking);
  worker_ = std::make_unique<Worker>("GrooveMangler Internet Version Checking");
  const Worker* worker = worker_.get();
  const std::chrono::milliseconds bound = answerBound_;
  worker_->post([this, worker, location, bound] {
    const Answer answer = fetch(location, bound, *worker, kMaxAnswerBytes);
    const State outcome = judge(answer.body, answer.httpStatus, answer.completed, program_version::kBuildDate);
    MainThread::post(this, [this, outcome] {
      worker_.reset();  // its job has ended: joining it takes no time
      finish(outcome);
    });
  });
}

void VersionCheck::finish(State state) {
  state_ = state;
  Q_EMIT changed(state);
}

}  // namespace gm
