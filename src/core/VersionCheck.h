#pragma once
// Asks the version-check server whether a newer release exists. The request runs on a worker of
// its own, so the window never waits for the network; the outcome comes back to the main thread as
// a state with its catalog text. A check that gets no answer ends as failed within a bound.

#include <chrono>
#include <memory>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

namespace gm {

class Worker;

class VersionCheck : public QObject {
  Q_OBJECT
 public:
  enum class State { Off, Checking, Latest, NewVersion, Failed };

  // Longest wait for the whole request, name look-up included: a DJ starting the program on a
  // machine without network learns within seconds that the check failed.
  static constexpr std::chrono::milliseconds kDefaultAnswerBound{5000};
  // More than the eight bytes of a valid answer, so a longer one is seen as such and not read on.
  static constexpr int kMaxAnswerBytes = 64;

  explicit VersionCheck(std::chrono::milliseconds answerBound = kDefaultAnswerBound, QObject* parent = nullptr);
  ~VersionCheck() override;  // abandons a running check

  // [main-thread] Asks `server` ("host" or "host:port", no scheme). An empty server turns the check
  // off; one that is not a host and port fails at once; neither sends anything. Ignored while a
  // check runs.
  void start(const QString& server);

  State state() const { return state_; }
  QString text() const { return textOf(state_); }
  static QString textOf(State state);

  // http://<server>/groovemangler/versioncheck.php; empty for a server that is not a host[:port].
  static QUrl locationFor(const QString& server);
  // What an answer means: valid only when the transfer completed with status 200 and exactly eight
  // bytes, which are then compared with the build date ignoring case.
  static State judge(const QByteArray& body, int httpStatus, bool completed, const QByteArray& buildDate);

 Q_SIGNALS:
  void changed(gm::VersionCheck::State state);

 private:
  void finish(State state);  // [main-thread]

  const std::chrono::milliseconds answerBound_;
  std::unique_ptr<Worker> worker_;  // only while a check runs
  State state_ = State::Off;
};

}  // namespace gm
