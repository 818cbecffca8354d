#pragma once
// Starts the command lines bound to events: "/bin/sh -c LINE", with standard input and output on
// /dev/null and standard error where the program's goes. Nothing waits for a script: each child is
// reaped when the system says it has ended, and failures to start are not reported.

#include <sys/types.h>

#include <memory>
#include <vector>

#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

namespace gm {

class EventScriptLauncher : public QObject {
  Q_OBJECT
 public:
  explicit EventScriptLauncher(QObject* parent = nullptr);
  ~EventScriptLauncher() override;

  // [main-thread] Starts `line`; the child's id, or -1 when nothing was started (an empty line runs
  // nothing and starts nothing).
  pid_t start(const QString& line);
  // Children started and not yet reaped.
  std::size_t running() const { return children_.size(); }

 Q_SIGNALS:
  void reaped(pid_t child);

 private:
  struct Child {
    pid_t pid;
    int pidFd;                                  // -1 when the system has no process descriptors
    std::unique_ptr<QSocketNotifier> notifier;  // readable when the child has ended
  };

  void watch(pid_t pid);
  void reapEnded();

  std::vector<Child> children_;
  QTimer* poll_ = nullptr;  // only for children without a process descriptor
};

}  // namespace gm
