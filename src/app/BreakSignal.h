#pragma once
// SIGINT and SIGTERM end the event loop like a confirmed quit (without asking), so the program
// tears down cleanly: the handler only writes a byte to a pipe, which the main thread watches.

#include <QObject>

class QSocketNotifier;

namespace gm {

class BreakSignal : public QObject {
  Q_OBJECT
 public:
  // [main-thread] Installs the handlers; one instance at a time. The previous handlers come back
  // when it is destroyed.
  explicit BreakSignal(QObject* parent = nullptr);
  ~BreakSignal() override;

 Q_SIGNALS:
  void received(int signalNumber);

 private:
  void drainPipe();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace gm
